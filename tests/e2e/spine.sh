#!/usr/bin/env bash
# End-to-end scenarios of the real program under Xvfb: the start-up question,
# the window or full screen, the keys, closing, the toggle, the music.
# Usage: spine.sh SCENARIO
. "$(dirname "$0")/lib.sh"
: "${MAKE_TEST_MP3:?path of make_test_mp3}"

with_music() { "$MAKE_TEST_MP3" "$work/tarrowind.mp3" "${1:-60}" || fail "no test music"; }

# expect_status WANTED: WANTED may list several statuses, as "139|134".
expect_status() {
  local status
  status=$(wait_exit)
  [[ "$status" =~ ^($1)$ ]] || fail "exit status $status, wanted $1"
}

case "$1" in
  server-resets)
    # An X server that resets when its last client leaves: run after run,
    # asked the question or not, the show gets its window and ends well.
    start_x_resetting 1280x720
    with_music
    for run in 1 2 3 4 5 6; do
      rm -f "$work/status"
      if ((run % 2)); then
        start_app "$work" --window
      else
        start_app
        press "Start Fullscreen?" Escape
      fi
      wait_windowed Vantorel
      press Vantorel Escape
      expect_status 0
      echo "run $run: the window came and the show ended with 0" >&2
    done
    ;;
  windowed)
    start_x 1280x720
    with_music
    start_app
    press "Start Fullscreen?" Escape # Escape answers No
    wait_windowed Vantorel
    press Vantorel Escape
    expect_status 0
    ;;
  fullscreen)
    start_x 1280x720
    with_music
    start_app
    press "Start Fullscreen?" Return # Return answers Yes
    wait_fullscreen Vantorel
    press Vantorel q
    expect_status 0
    ;;
  no-mode-then-window)
    start_x 1920x1080
    with_music
    start_app
    press "Start Fullscreen?" Return
    press "OpenGL Rules" Return
    said "The Requested Fullscreen Mode is not Supported by" || fail "no not-supported question"
    wait_windowed Vantorel
    press Vantorel Escape
    expect_status 0
    ;;
  no-mode-then-close)
    start_x 1920x1080
    with_music
    start_app
    press "Start Fullscreen?" Return
    press "OpenGL Rules" Escape # No
    press ERROR Return
    said "ERROR: Program will now close." || fail "no closing message"
    expect_status 1 # no window: the run did not succeed
    [ -z "$(window_id Vantorel)" ] || fail "a show window appeared"
    ;;
  space-prints-clock)
    start_x 1280x720
    with_music
    start_app
    press "Start Fullscreen?" Escape
    hold_space_for 5
    press Vantorel Escape
    expect_status 0
    check_rising_clock 5
    ;;
  close)
    start_x 1280x720
    with_music
    start_app
    press "Start Fullscreen?" Escape
    focus Vantorel >/dev/null
    close_window Vantorel
    expect_status 0
    ;;
  toggle-twice)
    start_x 1280x720
    with_music
    start_app
    press "Start Fullscreen?" Escape
    before=$(music_now)
    press Vantorel F1
    wait_fullscreen Vantorel
    press Vantorel F1
    wait_windowed Vantorel
    # The music plays on through both re-creations.
    wait_music $((before + 1500))
    press Vantorel Escape
    expect_status 0
    check_rising_clock 2
    ;;
  taps)
    # Quick taps, press and release back to back, while both cores are busy
    # and a frame takes longer than the tap: each still counts, three times.
    start_x 1280x720
    with_music
    load_both_cores
    for round in 1 2 3; do
      for quit_key in Escape q; do
        rm -f "$work/status"
        start_app
        press "Start Fullscreen?" Escape
        wait_windowed Vantorel
        hold_space_for 1
        if [ "$quit_key" = Escape ]; then
          focus Vantorel >/dev/null
          xdotool key F1
          wait_fullscreen Vantorel
        fi
        focus Vantorel >/dev/null
        xdotool key "$quit_key"
        expect_status 0
        wait_gone Vantorel
        echo "round $round: $([ "$quit_key" = Escape ] && echo "F1, ")$quit_key" >&2
      done
    done
    ;;
  opaque-visual)
    # A window whose visual had alpha would let a compositing desktop show
    # through where the show clears to alpha 0.
    start_x 1280x720
    with_music
    start_app
    press "Start Fullscreen?" Escape
    visual=$("$XPROBE" visual "$(focus Vantorel)")
    [ "$visual" = "depth 24 alpha 0" ] || fail "the window's visual has $visual, not 24 bits and no alpha"
    press Vantorel Escape
    expect_status 0
    ;;
  missing-music)
    start_x 1280x720
    start_app
    press "Start Fullscreen?" Escape
    press BASS Return
    said "BASS: BASS error, file not found?" || fail "no file-not-found message"
    hold_space_for 5
    press Vantorel Escape
    expect_status 0
    check_rising_clock 5
    ;;
  music-end)
    start_x 1280x720
    with_music 2
    start_app
    press "Start Fullscreen?" Escape
    wait_window Vantorel >/dev/null
    expect_status 0
    ;;
  sigterm)
    start_x 1280x720
    with_music
    start_app
    press "Start Fullscreen?" Escape
    hold_space_for 1
    kill -TERM "$(app_process)"
    expect_status 0
    ;;
  mode-restore-*)
    # Full screen switches the desktop to 1280x720; every way the show ends
    # puts 1920x1080 back.
    start_x_with_modes
    [ "$(current_mode)" = 1920x1080 ] || fail "desktop starts at $(current_mode)"
    if [ "$1" = mode-restore-music-end ]; then with_music 3; else with_music; fi
    start_app
    press "Start Fullscreen?" Return
    wait_for "full screen did not switch the mode" mode_is 1280x720
    hold_space_for 1
    case "$1" in
      mode-restore-quit) press Vantorel Escape; want=0 ;;
      mode-restore-music-end) want=0 ;;
      mode-restore-sigint) kill -INT "$(app_process)"; want=0 ;;
      mode-restore-sigterm) kill -TERM "$(app_process)"; want=0 ;;
      # (Built with AddressSanitizer, the crash is reported and ends in an abort.)
      mode-restore-crash) kill -SEGV "$(app_process)"; want="139|134" ;;
      mode-restore-kill) kill -KILL "$(app_process)"; want=137 ;;
      *) fail "unknown scenario $1" ;;
    esac
    expect_status "$want"
    # A process that died without running any code of its own leaves the
    # restore to its guard, which notices within a fraction of a second.
    wait_for "the desktop did not get 1920x1080 back" mode_is 1920x1080
    ;;
  *)
    fail "unknown scenario $1"
    ;;
esac
echo "PASS: $1"
