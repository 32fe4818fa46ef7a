#!/usr/bin/env bash
# The program's options end to end: the usage for what it cannot use, help and
# version, the one line that says there is no display, and a start at a later
# moment that draws there what a whole run draws.
# Usage: options.sh SCENARIO SHOW_FOLDER
. "$(dirname "$0")/lib.sh"
: "${CAPTURE:?path of vantorel-capture}"
: "${VERSION:?the version the build names}"
show=$2

# run_now OPTION...: runs vantorel to its end with no display and no window
# system, its output and status recorded as start_app records them.
run_now() {
  (
    set +e
    cd "$work" || exit
    env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy "$VANTOREL" "$@" >"$work/out.txt" \
      2>"$work/err.txt"
    echo $? >"$work/status"
  ) &
  app_pid=$!
  wait_exit
}

case "$1" in
  bad-options)
    for options in "--bogus" "--start abc" "--start -5" "--start 196000" "--start" \
      "--window --fullscreen" "now"; do
      rm -f "$work/status"
      # shellcheck disable=SC2086 # the options are words
      status=$(run_now $options)
      [ "$status" = 2 ] || fail "vantorel $options ended with $status, not 2"
      [ -s "$work/out.txt" ] && fail "vantorel $options wrote to standard output"
      head -n 1 "$work/err.txt" | grep -q '^vantorel: ' || fail "vantorel $options gave no reason"
      grep -q '^Usage: vantorel \[options\]' "$work/err.txt" || fail "vantorel $options gave no usage"
      echo "vantorel $options: $(head -n 1 "$work/err.txt")" >&2
    done
    ;;
  help-version)
    [ "$(run_now --help)" = 0 ] || fail "--help did not end with 0"
    grep -q -- '--start MS' "$work/out.txt" || fail "--help shows no options"
    rm -f "$work/status"
    [ "$(run_now --version)" = 0 ] || fail "--version did not end with 0"
    [ "$(cat "$work/out.txt")" = "vantorel $VERSION" ] || fail "--version said $(cat "$work/out.txt")"
    ;;
  no-display)
    for options in "" "--window" "--fullscreen --start 1000"; do
      rm -f "$work/status"
      # shellcheck disable=SC2086
      status=$(run_now $options)
      [ "$status" = 1 ] || fail "without a display vantorel $options ended with $status, not 1"
      first=$(head -n 1 "$work/err.txt")
      [[ "$first" == "vantorel: no display ("*"); vantorel-capture renders the show to a video without one" ]] ||
        fail "without a display vantorel $options began with: $first"
      [ "$(grep -c '^vantorel: no display' "$work/err.txt")" = 1 ] ||
        fail "the no-display line came twice"
    done
    ;;
  start-at-moment)
    # The frames before 60 s run without being drawn; the first one drawn,
    # and the music, begin at 60 s: with Space held from before it, the first
    # clock printed is the moment itself, and the clock only rises from there.
    # What is drawn then is what the capture tool draws there. (From 60 s to
    # 63 s the picture changes slowly: a title, the sphere turning, the
    # ribbons just begun.)
    start_x 1280x720
    start_app "$show" --window --start 60000
    shoot_after_start scene
    first=$(head -n 1 "$work/out.txt")
    between "$first" 60000 60100 || fail "the first frame drawn stood at $first ms"
    check_rising_clock 3
    said "BASS" && fail "the music did not play"
    press Vantorel Escape
    [ "$(wait_exit)" = 0 ] || fail "the show did not end with 0"
    match=$(best_match scene "$CAPTURE" --folder "$show")
    echo "the screenshot at $(clock_of scene) ms matches the capture within $match" >&2
    above 0.03 "$match" || fail "the screenshot differs from the capture's frames by $match"
    ;;
  moments-file)
    # The show's moments written out, read back by both programs, and bad
    # files refused before anything starts, each with its line and reason.
    [ "$(run_now --export-moments "$work/show.toml")" = 0 ] || fail "--export-moments failed"
    grep -q '^backdrop = "kSlotSunsetWall"$' "$work/show.toml" || fail "no backdrop by its name"
    rm -f "$work/status"
    [ "$(run_now --moments "$work/show.toml" --export-moments "$work/again.toml")" = 0 ] ||
      fail "the exported file was not taken: $(cat "$work/err.txt")"
    cmp -s "$work/show.toml" "$work/again.toml" || fail "read back, the moments changed"
    "$CAPTURE" --size 64x36 --fps 4 --start 60000 --end 61000 --output "$work/compiled/" \
      2>/dev/null || fail "the capture failed"
    "$CAPTURE" --moments "$work/show.toml" --size 64x36 --fps 4 --start 60000 --end 61000 \
      --output "$work/file/" 2>/dev/null || fail "the capture from the file failed"
    for frame in "$work"/compiled/*.png; do
      cmp -s "$frame" "$work/file/${frame##*/}" || fail "${frame##*/} differs from the file's"
    done

    # bad_file NAME LINE REASON: the file $work/NAME is refused by both.
    bad_file() {
      rm -f "$work/status"
      [ "$(run_now --moments "$work/$1" --window)" = 2 ] || fail "$1: status not 2"
      [ -s "$work/out.txt" ] && fail "$1: vantorel wrote to standard output"
      head -n 1 "$work/err.txt" | grep -q "^vantorel: $work/$1:$2:[0-9]*: .*$3" ||
        fail "$1: said $(head -n 1 "$work/err.txt"), not line $2 and \"$3\""
      grep -q '^Usage' "$work/err.txt" && fail "$1: the usage says nothing about a file"
      set +e
      "$CAPTURE" --moments "$work/$1" --output "$work/never.mp4" 2>"$work/capture-err.txt"
      local status=$?
      set -e
      [ "$status" = 2 ] || fail "$1: vantorel-capture ended with $status"
      grep -q ":$2:[0-9]*: .*$3" "$work/capture-err.txt" || fail "$1: the capture said $(cat "$work/capture-err.txt")"
      [ -e "$work/never.mp4" ] && fail "$1: the capture made a video"
      echo "$1: $(head -n 1 "$work/err.txt")" >&2
    }
    line_of() { grep -n -m 1 -- "$1" "$work/show.toml" | cut -d: -f1; }
    # Cut inside the second turn: that row is the one at fault.
    head -c "$(grep -b -m 1 '^lo = 30000$' "$work/show.toml" | cut -d: -f1)" "$work/show.toml" \
      >"$work/truncated.toml"
    bad_file truncated.toml "$(grep -n '^\[\[turn\]\]' "$work/truncated.toml" | tail -n 1 |
      cut -d: -f1)" "has no lo"
    sed 's/"kSlotRingWall"/"kSlotRingWal"/' "$work/show.toml" >"$work/unknown.toml"
    bad_file unknown.toml "$(line_of kSlotRingWall)" 'unknown name "kSlotRingWal"'
    sed 's/^lo = 30000$/lo = 19000/' "$work/show.toml" >"$work/order.toml"
    bad_file order.toml "$(line_of '^lo = 30000$')" "before the turn above has ended"
    sed 's/^lo = 30000$/lo = "thirty seconds"/' "$work/show.toml" >"$work/text.toml"
    bad_file text.toml "$(line_of '^lo = 30000$')" "whole number of ms"
    : >"$work/empty.toml"
    bad_file empty.toml 1 "empty"
    { printf '\xff\xfe'; cat "$work/show.toml"; } >"$work/utf16.toml"
    bad_file utf16.toml 1 "UTF-16"
    { head -n 3 "$work/show.toml"; printf '# %05000d\n' 0; tail -n +4 "$work/show.toml"; } >"$work/long.toml"
    bad_file long.toml 4 "longer than"
    rm -f "$work/status"
    [ "$(run_now --moments "$work/no-such.toml")" = 2 ] || fail "a missing file: status not 2"
    grep -q "no-such.toml: cannot open it" "$work/err.txt" || fail "a missing file: $(cat "$work/err.txt")"
    rm -f "$work/status"
    [ "$(run_now --export-moments "$work/no-such-folder/x.toml")" = 1 ] || fail "an unwritable export: not 1"
    grep -q "cannot write" "$work/err.txt" || fail "an unwritable export: $(cat "$work/err.txt")"
    ;;
  *)
    fail "unknown scenario $1"
    ;;
esac
echo "PASS: $1"
