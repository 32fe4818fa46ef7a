#!/usr/bin/env bash
# End-to-end scenarios of vantorel-capture, run as a user runs it: short
# captures to .mp4 checked with ffprobe, captures to PNG frames compared with
# each other and with the golden frames, and every way a capture can fail.
# Small sizes, low frame rates and short stretches keep each one to seconds.
# Usage: capture_e2e.sh SCENARIO
set -euo pipefail
: "${CAPTURE:?path of vantorel-capture}"
: "${GOLDEN_DIR:?folder of the golden frames}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  if [ -f "$work/err.txt" ]; then
    echo "--- stderr of vantorel-capture" >&2
    tail -n 20 "$work/err.txt" >&2
  fi
  exit 1
}

# capture ARGS...: runs the tool quietly; its status is in $status.
capture() {
  set +e
  "$CAPTURE" "$@" >"$work/out.txt" 2>"$work/err.txt"
  status=$?
  set -e
}

expect_ok() { [ "$status" = 0 ] || fail "exit status $status, wanted 0"; }

# expect_failure STATUS TEXT: the status, and TEXT in the message.
expect_failure() {
  [ "$status" = "$1" ] || fail "exit status $status, wanted $1"
  grep -qF -- "$2" "$work/err.txt" || fail "no message \"$2\""
}

# no_leftovers FOLDER: nothing half-made in it, hidden files included.
no_leftovers() {
  local left
  left=$(find "$1" -mindepth 1 -maxdepth 1 -name '.*' -print)
  [ -z "$left" ] || fail "left behind: $left"
}

# probe FILE STREAM ENTRY: one entry of one stream (v:0 or a:0) from ffprobe.
probe() {
  ffprobe -v error -select_streams "$2" -show_entries "stream=$3" -of default=nw=1:nk=1 "$1"
}

# expect_probe FILE STREAM ENTRY VALUE: the entry is exactly VALUE.
expect_probe() {
  local got
  got=$(probe "$1" "$2" "$3")
  [ "$got" = "$4" ] || fail "$2 $3 is $got, wanted $4"
}

# near A B LIMIT: |A - B| <= LIMIT, in floating point.
near() { awk -v a="$1" -v b="$2" -v l="$3" 'BEGIN { d = a - b; exit !(d <= l && -d <= l) }'; }

# expect_duration FILE STREAM SECONDS LIMIT: the stream lasts that long.
expect_duration() {
  local got
  got=$(probe "$1" "$2" duration)
  near "$got" "$3" "$4" || fail "$2 lasts $got s, wanted $3"
}

# same_picture A B: the two pictures differ in at most 0.5% of their pixels
# by more than a few per cent in a channel.
same_picture() {
  local differing
  differing=$(compare -metric AE -fuzz 3% "$1" "$2" null: 2>&1 || true)
  [ "${differing%%.*}" -le 288 ] 2>/dev/null || fail "$1 and $2 differ in $differing pixels"
}

case "$1" in
  mp4)
    # 2 s at 30 frames per second: 60 frames, 30/1, and as much music.
    video=$work/short.mp4
    capture --output "$video" --size 320x180 --fps 30 --start 60000 --end 62000
    expect_ok
    expect_probe "$video" v:0 codec_name h264
    expect_probe "$video" a:0 codec_name aac
    expect_probe "$video" v:0 nb_frames 60
    expect_probe "$video" v:0 r_frame_rate 30/1
    expect_probe "$video" v:0 avg_frame_rate 30/1
    expect_duration "$video" v:0 2.0 0.001
    # AAC counts in blocks of 1024 samples (23 ms at 44.1 kHz).
    expect_duration "$video" a:0 2.0 0.024
    no_leftovers "$work"
    ;;
  mp4-picture)
    # The first frame of a video is the golden frame of its moment, upright.
    # H.264 in 4:2:0 blurs the lettering a little (RMSE about 0.03); the frame
    # upside down, or another moment's, is off by 0.2 and more.
    capture --output "$work/title.mp4" --size 320x180 --start 7500 --end 7520
    expect_ok
    ffmpeg -v error -i "$work/title.mp4" -frames:v 1 "$work/first.png" ||
      fail "cannot decode the video"
    golden=$GOLDEN_DIR/title-vantorel-reveal.png
    rmse=$(compare -metric RMSE "$work/first.png" "$golden" null: 2>&1 || true)
    rmse=${rmse#*(}
    rmse=${rmse%)}
    near "$rmse" 0 0.08 || fail "the video's frame is not the golden one (RMSE $rmse)"
    ;;
  frames)
    # PNG frames are named by their number in the show and match the golden
    # frames drawn in-process.
    capture --output "$work/frames/" --size 320x180 --start 12000 --end 12010
    expect_ok
    [ "$(ls "$work/frames")" = frame-000720.png ] || fail "frames: $(ls "$work/frames")"
    same_picture "$work/frames/frame-000720.png" "$GOLDEN_DIR/reveal.png"
    ;;
  same-range-twice)
    for run in 1 2; do
      capture --output "$work/run$run/" --size 320x180 --fps 10 --start 100000 --end 100500
      expect_ok
      capture --output "$work/run$run.mp4" --size 320x180 --fps 10 --start 100000 --end 100500
      expect_ok
    done
    [ "$(ls "$work/run1" | wc -l)" = 5 ] || fail "$(ls "$work/run1" | wc -l) frames"
    diff -r "$work/run1" "$work/run2" >/dev/null || fail "two captures of one range differ"
    cmp -s "$work/run1.mp4" "$work/run2.mp4" || fail "two videos of one range differ"
    ;;
  late-start)
    # Starting at 100 s runs the frames before it without drawing them; what
    # it draws is what a capture from 0 draws there.
    capture --output "$work/late/" --size 320x180 --fps 5 --start 100000 --end 100600
    expect_ok
    capture --output "$work/whole/" --size 320x180 --fps 5 --end 100600
    expect_ok
    [ "$(ls "$work/whole" | wc -l)" = 503 ] || fail "$(ls "$work/whole" | wc -l) frames from 0"
    for frame in frame-000500.png frame-000501.png frame-000502.png; do
      cmp -s "$work/late/$frame" "$work/whole/$frame" ||
        fail "$frame differs from the whole capture's"
    done
    ;;
  show-end)
    # With no end the capture stops where the show ends itself (196 s), and
    # the video is whole.
    capture --output "$work/end.mp4" --size 320x180 --fps 10 --start 195000
    expect_ok
    expect_probe "$work/end.mp4" v:0 nb_frames 10
    expect_duration "$work/end.mp4" a:0 1.0 0.024
    no_leftovers "$work"
    capture --output "$work/after.mp4" --size 320x180 --fps 10 --start 197000
    expect_failure 1 "nothing to capture"
    [ ! -e "$work/after.mp4" ] || fail "a video of nothing"
    no_leftovers "$work"
    ;;
  bad-options)
    capture --fps 0
    expect_failure 2 "--fps"
    capture --output "$work/a.mp4" --size 321x180
    expect_failure 2 "even"
    capture --output "$work/a.avi"
    expect_failure 2 "neither a .mp4 file nor a folder"
    capture --start 5000 --end 4000
    expect_failure 2 "--end"
    capture --help
    expect_ok
    grep -q -- "--output" "$work/out.txt" || fail "--help says nothing of --output"
    ;;
  cannot-write)
    capture --output "$work/missing/a.mp4" --size 320x180 --end 100
    expect_failure 1 "cannot write $work/missing/a.mp4"
    : >"$work/file"
    capture --output "$work/file/" --size 320x180 --end 100
    expect_failure 1 "$work/file/"
    ;;
  no-ffmpeg)
    mkdir "$work/bin"
    PATH=$work/bin capture --output "$work/a.mp4" --size 320x180 --end 100
    expect_failure 1 "ffmpeg is not installed"
    [ ! -e "$work/a.mp4" ] || fail "a video without ffmpeg"
    no_leftovers "$work"
    ;;
  ffmpeg-fails)
    # An ffmpeg that writes half a file and gives up: the half file goes, and
    # the video already there of the same name stays as it was; the same when
    # it fails under one of two processes.
    mkdir "$work/bin"
    cat >"$work/bin/ffmpeg" <<'FAKE'
#!/bin/sh
for last; do :; done
head -c 1000 >/dev/null
echo half >"$last"
echo "ffmpeg: out of disk space" >&2
exit 1
FAKE
    chmod +x "$work/bin/ffmpeg"
    echo earlier >"$work/a.mp4"
    for jobs in 1 2; do
      PATH=$work/bin:$PATH capture --output "$work/a.mp4" --size 320x180 --end 4000 --jobs $jobs
      expect_failure 1 "ffmpeg"
      [ "$(cat "$work/a.mp4")" = earlier ] || fail "the earlier video was touched ($jobs jobs)"
      no_leftovers "$work"
    done
    ;;
  no-music)
    mkdir "$work/show"
    capture --folder "$work/show" --output "$work/a.mp4" --size 320x180 --end 100
    expect_failure 1 "cannot read the music"
    capture --folder "$work/nowhere" --output "$work/a.mp4"
    expect_failure 1 "cannot open the show's folder"
    ;;
  interrupt)
    # Ctrl-C halfway: the tool ends with 130, says so once and leaves
    # nothing, with one process or two.
    for jobs in 1 2; do
      "$CAPTURE" --output "$work/a.mp4" --size 320x180 --jobs $jobs >"$work/out.txt" \
        2>"$work/err.txt" &
      pid=$!
      for _ in $(seq 300); do
        [ "$(find "$work" -name '.*pictures-*' -size +1k | wc -l)" = $jobs ] && break
        sleep 0.1
      done
      kill -INT "$pid"
      set +e
      wait "$pid"
      status=$?
      set -e
      expect_failure 130 "interrupted"
      [ "$(grep -c interrupted "$work/err.txt")" = 1 ] || fail "more than one message"
      [ ! -e "$work/a.mp4" ] || fail "an interrupted video ($jobs jobs)"
      no_leftovers "$work"
    done
    ;;
  jobs-mp4)
    # Two and three processes give the video of one, frame for frame, with
    # the music once under the whole. 12 s is cut into more pieces than
    # there are processes, so some process draws more than one.
    for jobs in 1 2 3; do
      capture --output "$work/jobs$jobs.mp4" --size 320x180 --fps 30 --start 60000 --end 72000 \
        --jobs "$jobs"
      expect_ok
      expect_probe "$work/jobs$jobs.mp4" v:0 nb_frames 360
      expect_duration "$work/jobs$jobs.mp4" a:0 12.0 0.024
      ffmpeg -v error -i "$work/jobs$jobs.mp4" -map 0:v -f framemd5 "$work/jobs$jobs.md5" ||
        fail "cannot decode the video of $jobs jobs"
      grep -v '^#' "$work/jobs$jobs.md5" >"$work/jobs$jobs.frames"
    done
    [ "$(wc -l <"$work/jobs1.frames")" = 360 ] || fail "$(wc -l <"$work/jobs1.frames") frames"
    cmp -s "$work/jobs1.frames" "$work/jobs2.frames" || fail "2 jobs give other frames than 1"
    cmp -s "$work/jobs1.frames" "$work/jobs3.frames" || fail "3 jobs give other frames than 1"
    no_leftovers "$work"
    ;;
  jobs-frames)
    capture --output "$work/one/" --size 320x180 --fps 10 --start 100000 --end 102000
    expect_ok
    capture --output "$work/three/" --size 320x180 --fps 10 --start 100000 --end 102000 --jobs 3
    expect_ok
    [ "$(ls "$work/three" | wc -l)" = 20 ] || fail "$(ls "$work/three" | wc -l) frames"
    diff -r "$work/one" "$work/three" >/dev/null || fail "3 jobs drew other frames than 1"
    ;;
  benchmark)
    # The frame-time report: one row per scene the stretch touches, then the
    # whole; nothing written anywhere.
    cd "$work"
    capture --benchmark --size 320x180 --fps 10 --start 59000 --end 61000
    expect_ok
    grep -qE '^Break +57\.0-60\.0 +10 ' "$work/out.txt" || fail "no Break row of 10 frames"
    grep -qE '^SquareRibbons +60\.0-63\.0 +10 ' "$work/out.txt" ||
      fail "no SquareRibbons row of 10 frames"
    grep -qE '^all +20 ' "$work/out.txt" || fail "no row of all 20 frames"
    [ "$(ls "$work")" = "$(printf 'err.txt\nout.txt')" ] || fail "it wrote $(ls "$work")"
    # The mesh and the satellite on each of the 20 frames; the pass leaves
    # triangles out of them unless it is switched off.
    grep -qE '^visible triangles: on, [1-9][0-9]* of 40 closed surfaces drawn with [1-9][0-9]* ' \
      "$work/out.txt" || fail "no line of the visible triangles left out: $(tail -n 1 "$work/out.txt")"
    VANTOREL_VISIBLE_TRIANGLES=off capture --benchmark --size 320x180 --fps 10 --start 59000 \
      --end 61000
    expect_ok
    grep -q '^visible triangles: off' "$work/out.txt" || fail "the switch did not turn the pass off"
    capture --benchmark --start 197000
    expect_failure 1 "nothing to time"
    ;;
  *)
    echo "unknown scenario $1" >&2
    exit 2
    ;;
esac
echo "PASS: $1"
