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
  *)
    fail "unknown scenario $1"
    ;;
esac
echo "PASS: $1"
