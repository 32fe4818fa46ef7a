#!/usr/bin/env bash
# End-to-end scenarios of the real program under Xvfb: the start-up question,
# the window or full screen, the keys, closing, the toggle, the music.
# Usage: spine.sh SCENARIO
. "$(dirname "$0")/lib.sh"
: "${MAKE_TEST_MP3:?path of make_test_mp3}"

with_music() { "$MAKE_TEST_MP3" "$work/tarrowind.mp3" "${1:-60}" || fail "no test music"; }

# expect_status WANTED [SECONDS]: WANTED may list several statuses, as "139|134".
expect_status() {
  local status
  status=$(wait_exit "${2:-30}")
  [[ "$status" =~ ^($1)$ ]] || fail "exit status $status, wanted $1"
}

case "$1" in
  windowed)
    start_x 1280x720
    with_music
    start_app
    press "Start Fullscreen?" Escape # Escape answers No
    [ "$(geometry Vantorel)" = 1280x720 ] || fail "client area $(geometry Vantorel)"
    is_fullscreen Vantorel && fail "a window was asked for, not full screen"
    press Vantorel Escape
    expect_status 0
    ;;
  fullscreen)
    start_x 1280x720
    with_music
    start_app
    press "Start Fullscreen?" Return # Return answers Yes
    is_fullscreen Vantorel || fail "not full screen"
    [ "$(geometry Vantorel)" = 1280x720 ] || fail "size $(geometry Vantorel)"
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
    [ "$(geometry Vantorel)" = 1280x720 ] || fail "client area $(geometry Vantorel)"
    is_fullscreen Vantorel && fail "full screen after choosing a window"
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
    wait_window Vantorel >/dev/null
    sleep 0.5
    hold Vantorel space 1
    press Vantorel Escape
    expect_status 0
    check_rising_clock 5
    ;;
  close)
    start_x 1280x720
    with_music
    start_app
    press "Start Fullscreen?" Escape
    sleep 0.5
    close_window Vantorel
    expect_status 0
    ;;
  toggle-twice)
    start_x 1280x720
    with_music
    start_app
    press "Start Fullscreen?" Escape
    hold Vantorel space 0.3
    before=$(tail -n 1 "$work/out.txt")
    press Vantorel F1
    sleep 1
    is_fullscreen Vantorel || fail "F1 did not switch to full screen"
    press Vantorel F1
    sleep 1
    is_fullscreen Vantorel && fail "second F1 did not come back to a window"
    [ "$(geometry Vantorel)" = 1280x720 ] || fail "client area $(geometry Vantorel)"
    hold Vantorel space 0.3
    press Vantorel Escape
    expect_status 0
    check_rising_clock 2
    [ "$(tail -n 1 "$work/out.txt")" -gt $((before + 1500)) ] || fail "the clock stopped"
    ;;
  missing-music)
    start_x 1280x720
    start_app
    press "Start Fullscreen?" Escape
    press BASS Return
    said "BASS: BASS error, file not found?" || fail "no file-not-found message"
    sleep 0.5
    hold Vantorel space 1
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
    expect_status 0 20
    ;;
  sigterm)
    start_x 1280x720
    with_music
    start_app
    press "Start Fullscreen?" Escape
    wait_window Vantorel >/dev/null
    sleep 0.5
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
    wait_window Vantorel >/dev/null
    sleep 0.5
    [ "$(current_mode)" = 1280x720 ] || fail "full screen did not switch the mode"
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
    for _ in $(seq 20); do
      [ "$(current_mode)" = 1920x1080 ] && break
      sleep 0.1
    done
    [ "$(current_mode)" = 1920x1080 ] || fail "the desktop stays at $(current_mode)"
    ;;
  *)
    fail "unknown scenario $1"
    ;;
esac
echo "PASS: $1"
