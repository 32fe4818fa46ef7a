#!/usr/bin/env bash
# The maker's mode end to end, in the real program under Xvfb: a save that
# changes a backdrop is on the screen at the playhead, the capture tool's
# frame for the new file there; a bad save keeps the show playing with its
# fault shown until a good save; quitting leaves the file as it was saved;
# [ and ] loop a stretch; , and . step a frame while paused.
# Usage: maker.sh SCENARIO SHOW_FOLDER
. "$(dirname "$0")/lib.sh"
: "${CAPTURE:?path of vantorel-capture}"
show=$2
moments=$work/moments.toml

# What the capture never draws: the strip at the bottom, the fault above it
# and the viewer's line in the corner.
mask_overlays() {
  convert "$1" -fill black -draw "rectangle 0,620 1280,720" -draw "rectangle 0,0 640,96" "$2"
}

# The clock lines Space prints, without the maker's own lines.
clocks() { grep -E '^-?[0-9]+$' "$work/out.txt" || true; }
clock_count() { clocks | wc -l; }
last_ms() { clocks | tail -n 1; }
stands() { (($(clock_count) >= 2)) && [ "$(clocks | tail -n 2 | uniq | wc -l)" = 1 ]; }
has_clocks() { (($(clock_count) > 5)); }
ms_above() { (($(last_ms) > $1)); }
ms_is() { [ "$(last_ms)" = "$1" ]; }
ms_isnt() { [ "$(last_ms)" != "$1" ]; }
said_out() { grep -qF -- "$1" "$work/out.txt"; }
maker_lines() { grep -c '^maker: ' "$work/out.txt" || true; }
more_maker_lines_than() { (($(maker_lines) > $1)); }

# save TEXT-FILE: puts the file in place as editors do, written aside and
# renamed over the watched one.
save() {
  cp "$1" "$moments.saving"
  mv "$moments.saving" "$moments"
}

# with_backdrop SCENE SLOT OUT: the exported file with SCENE's backdrop set.
with_backdrop() {
  awk -v scene="$1" -v slot="$2" '
    $0 == "name = \"" scene "\"" { inside = 1 }
    inside && /^backdrop = / { $0 = "backdrop = \"" slot "\""; inside = 0 }
    { print }' "$work/show.toml" >"$3"
}

start_maker() {
  start_x 1280x720
  "$VANTOREL" --export-moments "$work/show.toml" || fail "--export-moments failed"
  cp "$work/show.toml" "$moments"
  start_app "$show" --maker "$moments" --start "$1"
  wait_window Vantorel >/dev/null
  focus Vantorel >/dev/null
  xdotool keydown space
  wait_for "no clock lines" has_clocks
}

pause_here() {
  xdotool key p
  wait_for "the clock did not stop" stands
}

end_maker() {
  xdotool keyup space
  press Vantorel Escape
  [ "$(wait_exit)" = 0 ] || fail "the maker's mode did not end with 0: $(cat "$work/err.txt")"
}

case "$1" in
  saves)
    # Turned a quarter after 112 s, the camera sees the third drop's wall.
    start_maker 113500
    pause_here
    held=$(last_ms)
    import -window root "$work/before.png"
    with_backdrop ThirdDrop kSlotSpaceWall "$work/space.toml"
    taken=$(maker_lines)
    saved_at=$(date +%s%N)
    save "$work/space.toml"
    wait_for "the save was not taken" more_maker_lines_than "$taken"
    said_out "maker: took $moments" || fail "the save was refused: $(tail -n 1 "$work/out.txt")"
    # The screen shows the new backdrop once it differs from the old picture.
    changed() {
      import -window root "$work/after.png"
      difference=$(rmse "$work/before.png" "$work/after.png" 1280x600+0+0)
      above "$difference" 0.05
    }
    wait_for "the new backdrop is not on the screen" changed
    echo "the new backdrop on the screen (RMSE $difference against the old) $((($(date +%s%N) - \
      saved_at) / 1000000)) ms after the save; $(grep '^maker: took' "$work/out.txt" | tail -n 1)" >&2
    # Taken while paused, the show stands on the frame clock's frame at the
    # playhead: the same moment, or the frame clock's next, within 17 ms.
    landed=$(last_ms)
    between "$landed" "$held" $((held + 17)) || fail "the playhead moved from $held to $landed ms"
    held=$landed
    # The held frame is the capture tool's for the new file at that moment.
    "$CAPTURE" --folder "$show" --moments "$moments" --size 1280x720 --fps 60 \
      --start $((held - 20)) --end $((held + 20)) --output "$work/frames/" >&2 ||
      fail "the capture failed"
    mask_overlays "$work/after.png" "$work/after-masked.png"
    best=1
    for frame in "$work"/frames/*.png; do
      mask_overlays "$frame" "$frame.masked.png"
      value=$(rmse "$work/after-masked.png" "$frame.masked.png")
      above "$best" "$value" && best=$value
    done
    echo "the held frame matches the capture of the new file within $best" >&2
    above 0.01 "$best" || fail "the held frame differs from the capture's by $best"

    # A bad save: the last good table plays on, the fault on the screen.
    sed 's/"kSlotSpaceWall"/"kSlotSpaceWal"/' "$work/space.toml" >"$work/bad.toml"
    taken=$(maker_lines)
    save "$work/bad.toml"
    wait_for "the bad save was not read" more_maker_lines_than "$taken"
    said_out "maker: kept the last good moments: $moments:" ||
      fail "the bad save was not refused: $(tail -n 1 "$work/out.txt")"
    grep -q "kept the last good moments: .*:[0-9]*:[0-9]*: backdrop: unknown name" \
      "$work/out.txt" || fail "the refusal names no line and reason"
    import -window root "$work/fault.png"
    [ -n "${E2E_KEEP_SHOTS:-}" ] && cp "$work/fault.png" "$E2E_KEEP_SHOTS/maker-fault.png" || true
    red=$(convert "$work/fault.png" -crop 1280x40+0+620 +repage -fuzz 6% -fill white \
      -opaque "rgb(89,5,5)" -fill black +opaque white -format "%[fx:round(mean*w*h)]" info:)
    ((red > 2000)) || fail "no fault shown above the strip ($red pixels)"
    xdotool key p
    from=$(last_ms)
    wait_for "the show did not play on after the bad save" ms_above $((from + 1000))
    # A good save again: the fault goes.
    taken=$(maker_lines)
    save "$work/space.toml"
    wait_for "the good save was not taken" more_maker_lines_than "$taken"
    gone() {
      import -window root "$work/mended.png"
      red=$(convert "$work/mended.png" -crop 1280x40+0+620 +repage -fuzz 6% -fill white \
        -opaque "rgb(89,5,5)" -fill black +opaque white -format "%[fx:round(mean*w*h)]" info:)
      ((red < 200))
    }
    wait_for "the fault stayed after a good save" gone
    cp "$moments" "$work/last-saved.toml"
    end_maker
    cmp -s "$moments" "$work/last-saved.toml" || fail "quitting changed the maker's file"
    ;;
  loop-steps)
    start_maker 60000
    wait_for "the clock did not pass 61 s" ms_above 61000
    # [ takes the moment of the frame on screen when the key is looked at:
    # after the last line printed before the press, before a line 1.5 s on.
    from=$(last_ms)
    xdotool key bracketleft
    wait_for "the clock did not run 1.5 s on" ms_above $((from + 1500))
    until=$(last_ms)
    lines=$(clock_count)
    xdotool key bracketright
    # Each repeat jumps back from the loop's end to its start: the jumps'
    # peaks agree with each other, their landings with the start.
    jumps() {
      clocks | tail -n +"$lines" | awk 'NR > 1 && $1 < last - 500 { print last, $1 } { last = $1 }'
    }
    looped_twice() { (($(jumps | wc -l) >= 2)); }
    wait_for "the loop did not repeat" looped_twice
    read -r peak _ < <(jumps | head -n 1)
    echo "[ between $from and $until ms, ] at $peak ms: $(jumps | wc -l) repeats, landing at" \
      "$(jumps | awk '{ printf "%s ", $2 }')" >&2
    # A repeat starts on the first frame past the loop's end: one frame apart
    # at most, however slowly they come (beyond 250 ms they are a gap).
    while read -r p l; do
      between "$p" $((peak - 250)) $((peak + 250)) || fail "a repeat ran to $p ms, not $peak"
      between "$l" $((from - 17)) "$until" || fail "a repeat landed at $l ms, not near $from"
    done < <(jumps)
    pause_here
    held=$(last_ms)
    # The first step lands on the frame clock's grid; from there each step
    # is one frame of it, 16 or 17 ms.
    xdotool key period
    wait_for "the frame step forward did not show" ms_isnt "$held"
    first=$(last_ms)
    xdotool key period
    wait_for "the second step forward did not show" ms_isnt "$first"
    second=$(last_ms)
    xdotool key comma
    wait_for "the frame step back did not show" ms_isnt "$second"
    back=$(last_ms)
    echo "paused at $held ms; a frame forward: $first ms, another: $second ms, one back: $back ms" >&2
    between $((second - first)) 16 17 || fail "a frame step moved the clock by $((second - first)) ms"
    [ "$back" = "$first" ] || fail "a step back from $second ms landed at $back ms, not $first"
    between $((first - held)) 1 17 || fail "the first step moved the clock by $((first - held)) ms"
    end_maker
    ;;
  music)
    # The title card at 36 s moved to 39 s: its hit moves with it (the scene
    # that starts at 36 s keeps its own). The music
    # is made anew beside the show and swapped in where the show stands.
    start_maker 30000
    sed 's/^lo = 36000$/lo = 39000/' "$work/show.toml" >"$work/moved.toml"
    taken=$(maker_lines)
    save "$work/moved.toml"
    wait_for "the save was not taken" more_maker_lines_than "$taken"
    remade() { grep -q '^maker: remade the music in' "$work/out.txt"; }
    # Made in a process beside the show: seconds here, more on a busy machine.
    step_limit=180 wait_for "the music was not made anew" remade
    line=$(grep '^maker: remade the music in' "$work/out.txt")
    echo "$line" >&2
    music=${line##*: }
    cp "$music" "$work/remade.mp3" || fail "the remade music $music is not there"
    # The clock runs on across the swap, without a jump.
    after=$(grep -n '^maker: remade' "$work/out.txt" | cut -d: -f1)
    lines_past() { (($(wc -l <"$work/out.txt") > after + 20)); }
    wait_for "no clock lines after the swap" lines_past
    steps=$(tail -n +$((after - 20)) "$work/out.txt" | grep -E '^[0-9]+$' | awk '
      NR > 1 && ($1 < last || $1 - last > 250) { bad++ } { last = $1 } END { print bad + 0 }')
    ((steps == 0)) || fail "the clock jumped $steps times across the swap"
    end_maker
    [ -e "$music" ] && fail "the remade music was left behind"
    # As long as the build's music, and another where the hit moved.
    pcm() { ffmpeg -v error -i "$1" -ss "$2" -t "$3" -f s16le -ac 2 -ar 44100 - | md5sum; }
    length() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
    [ "$(length "$show/tarrowind.mp3")" = "$(length "$work/remade.mp3")" ] ||
      fail "the remade music lasts $(length "$work/remade.mp3") s, not $(length "$show/tarrowind.mp3")"
    [ "$(pcm "$show/tarrowind.mp3" 38.5 1)" != "$(pcm "$work/remade.mp3" 38.5 1)" ] ||
      fail "the remade music is the same where the hit moved"
    ;;
  *)
    fail "unknown scenario $1"
    ;;
esac
echo "PASS: $1"
