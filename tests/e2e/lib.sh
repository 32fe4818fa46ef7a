# Helpers for end-to-end tests of the real program under Xvfb. Sourced by the
# scenario scripts; every function fails the test (exit 1) with a message when
# what it waits for does not come.
set -euo pipefail

: "${VANTOREL:?path of the vantorel executable}"
: "${XPROBE:?path of the xprobe helper}"

work=$(mktemp -d)
server_pid=""
app_pid=""
load_pids=()

# The longest any single step waits for what it needs before the test fails.
step_limit=30

fail() {
  echo "FAIL: $*" >&2
  if [ -n "$app_pid" ] && [ -f "$work/err.txt" ]; then
    echo "--- stderr of vantorel" >&2
    tail -n 20 "$work/err.txt" >&2
    echo "--- $(wc -l <"$work/out.txt") clock lines, the last: $(tail -n 1 "$work/out.txt")" >&2
  fi
  if [ -n "${DISPLAY:-}" ]; then
    echo "--- windows on $DISPLAY" >&2
    xwininfo -root -tree 2>/dev/null | grep -E '^ +0x[0-9a-f]+ "' >&2 || true
  fi
  exit 1
}

cleanup() {
  ((${#load_pids[@]})) && kill "${load_pids[@]}" 2>/dev/null || true
  [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# wait_for WHAT COMMAND...: runs the command every tenth of a second until it
# succeeds; fails the test, naming WHAT, when it has not within $step_limit s.
wait_for() {
  local what=$1
  shift
  local deadline=$((SECONDS + step_limit))
  until "$@"; do
    ((SECONDS < deadline)) || fail "$what (waited $step_limit s)"
    sleep 0.1
  done
}

# use_server NAME: waits for the X server just started in the background to
# write its display number to $work/display, and points DISPLAY at it.
use_server() {
  server_pid=$!
  wait_for "$1 did not start" test -s "$work/display"
  export DISPLAY=":$(head -n 1 "$work/display")"
}

# start_x WIDTHxHEIGHT: an Xvfb of that size on a free display number. The
# server must not reset when its last client leaves (its default): the show
# connects several times in a row (display check, dialog, window), and a
# connection made while the server resets fails as if there were no display.
start_x() {
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
  use_server Xvfb
}

# start_x_resetting WIDTHxHEIGHT: an Xvfb as an X server left to its default:
# it resets whenever its last client leaves (as a kiosk started by xinit
# does), and refuses connections while it resets.
start_x_resetting() {
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  use_server Xvfb
}

# start_app [dir [option...]]: runs vantorel with the options in the folder
# (default: the scratch folder) with the dummy audio driver, recording its
# output and its status.
start_app() {
  local dir=${1:-$work}
  shift || true
  # There from the start, for a step that counts its lines at once.
  : >"$work/out.txt"
  : >"$work/err.txt"
  (
    set +e
    cd "$dir" || exit
    SDL_AUDIODRIVER=dummy VANTOREL_DIALOG_TRACE=1 "$VANTOREL" "$@" >"$work/out.txt" 2>"$work/err.txt"
    echo $? >"$work/status"
  ) &
  app_pid=$!
}

# window_id TITLE: the id of a top-level window with exactly that title, or nothing.
window_id() {
  xwininfo -root -tree 2>/dev/null | awk -v t=" \"$1\": " 'index($0, t) { print $1; exit }'
}

has_window() { [ -n "$(window_id "$1")" ]; }
no_window() { [ -z "$(window_id "$1")" ]; }

# window_info ID: what xwininfo says of the window; fails, printing nothing,
# when there is no such window. (Given no id, xwininfo would wait for a click.)
window_info() {
  [ -n "$1" ] && xwininfo -id "$1" 2>/dev/null
}

# viewable ID: whether the window is on screen.
viewable() {
  local info
  info=$(window_info "$1") && [[ "$info" == *IsViewable* ]]
}

# wait_window TITLE: waits for the window; prints its id. (A window can go
# between two looks, as F1 re-creates it, so the id printed is one that was
# seen.)
wait_window() {
  local deadline=$((SECONDS + step_limit)) id
  until id=$(window_id "$1") && [ -n "$id" ]; do
    ((SECONDS < deadline)) || fail "no window \"$1\" (waited $step_limit s)"
    sleep 0.1
  done
  echo "$id"
}

# wait_gone TITLE: waits for the window to go away.
wait_gone() { wait_for "window \"$1\" stays" no_window "$1"; }

# focus TITLE: waits until the window is on screen (a window exists a moment
# before it is shown, and cannot take the focus then) and gives it the focus;
# prints its id.
focus() {
  local deadline=$((SECONDS + step_limit)) id
  until id=$(window_id "$1") && viewable "$id" && xdotool windowfocus "$id" 2>/dev/null; do
    ((SECONDS < deadline)) || fail "window \"$1\" never took the focus (waited $step_limit s)"
    sleep 0.1
  done
  echo "$id"
}

# press TITLE KEY...: focuses the window and taps the keys, each press and
# release sent back to back as a quick typist's are.
press() {
  focus "$1" >/dev/null
  shift
  xdotool key --delay 50 "$@"
}

# clock_lines: how many clock lines vantorel has printed so far.
clock_lines() { wc -l <"$work/out.txt"; }
more_lines_than() { [ "$(clock_lines)" -gt "$1" ]; }

# hold_space_for LINES: holds Space in the show's window until it has printed
# that many more clock lines (one per frame), then lets go.
hold_space_for() {
  local before
  before=$(clock_lines)
  focus Vantorel >/dev/null
  xdotool keydown space
  wait_for "fewer than $1 clock lines while Space was held" more_lines_than $((before + $1 - 1))
  xdotool keyup space
}

# music_now: the show's music clock now (ms), read by holding Space until the
# show prints it.
music_now() {
  local before
  before=$(clock_lines)
  hold_space_for 1
  tail -n +$((before + 1)) "$work/out.txt" | head -n 1
}

# wait_music MS: waits until the show's music clock has reached MS. Looks
# again after most of the time left has passed; fails when the clock stands
# still for $step_limit s.
wait_music() {
  local now last=-1 moved=$SECONDS
  while true; do
    now=$(music_now)
    ((now >= $1)) && return 0
    ((now > last)) && { last=$now; moved=$SECONDS; }
    ((SECONDS - moved < step_limit)) || fail "the music clock stands at $now ms"
    sleep "$(awk -v d=$(($1 - now)) 'BEGIN { s = d / 1000 * 0.8; print (s > 5 ? 5 : s) }')"
  done
}

# load_both_cores: two busy processes for the rest of the test, so that the
# show's frames take longer than a key tap.
load_both_cores() {
  local i
  for i in 1 2; do
    (while :; do :; done) &
    load_pids+=($!)
  done
}

# geometry TITLE: "WIDTHxHEIGHT" of the window's client area.
geometry() {
  local id
  window_size "$(wait_window "$1")"
}

# window_size ID: "WIDTHxHEIGHT" of the window's client area, nothing when
# the window has gone.
window_size() {
  window_info "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { if (w) print w "x" h }'
}

# is_fullscreen TITLE: whether the window is the show's full-screen one: it
# covers the screen from its corner and hides the cursor, which only the
# full-screen window does. (Without a window manager there is no window state
# to ask for.)
is_fullscreen() {
  local id info
  id=$(window_id "$1")
  xdotool mousemove 640 360
  info=$(window_info "$id") && [[ "$info" == *"-geometry 1280x720+0+0"* ]] && ! "$XPROBE" cursor
}

# is_windowed TITLE: whether the window is a normal one with a 1280x720
# client area and the cursor showing over it.
is_windowed() {
  local id
  id=$(window_id "$1")
  viewable "$id" && [ "$(window_size "$id")" = 1280x720 ] && ! is_fullscreen "$1"
}

wait_fullscreen() { wait_for "\"$1\" is not full screen" is_fullscreen "$1"; }
wait_windowed() { wait_for "\"$1\" is not a 1280x720 window" is_windowed "$1"; }

# close_window TITLE: the window manager's close request.
close_window() {
  "$XPROBE" close "$(wait_window "$1")"
}

# wait_exit: waits for vantorel to end; prints its status.
wait_exit() {
  wait_for "vantorel did not end" test -s "$work/status"
  cat "$work/status"
}

# said TEXT: whether a dialog with this text was shown.
said() { grep -qF -- "$1" "$work/err.txt"; }

# clock_lines: the numbers vantorel printed, one per line; fails on anything else.
check_rising_clock() {
  local lines
  lines=$(wc -l <"$work/out.txt")
  [ "$lines" -ge "${1:-2}" ] || fail "only $lines clock lines"
  grep -qvxE -- '-?[0-9]+' "$work/out.txt" && fail "a clock line is not a number"
  sort -n -c "$work/out.txt" 2>/dev/null || fail "the clock went back"
  [ "$(head -n 1 "$work/out.txt")" -lt "$(tail -n 1 "$work/out.txt")" ] ||
    fail "the clock did not advance"
}

# start_x_with_modes: a real X server (Xorg with the dummy video driver) whose
# desktop is 1920x1080 and which also offers 1280x720, so that a display-mode
# change really happens. Needs root; exits with status 77 (skipped) without it.
start_x_with_modes() {
  [ "$(id -u)" -eq 0 ] || { echo "SKIP: Xorg needs root" >&2; exit 77; }
  command -v Xorg >/dev/null || fail "Xorg is not installed"
  cat >"$work/xorg.conf" <<'CONF'
Section "Device"
  Identifier "dummy"
  Driver "dummy"
  VideoRam 65536
EndSection
Section "Monitor"
  Identifier "monitor"
  HorizSync 5.0 - 1000.0
  VertRefresh 5.0 - 200.0
  Modeline "1920x1080" 148.50 1920 2008 2052 2200 1080 1084 1089 1125 +hsync +vsync
  Modeline "1280x720" 74.25 1280 1390 1430 1650 720 725 730 750 +hsync +vsync
EndSection
Section "Screen"
  Identifier "screen"
  Device "dummy"
  Monitor "monitor"
  DefaultDepth 24
  SubSection "Display"
    Depth 24
    Modes "1920x1080" "1280x720"
    Virtual 1920 1080
  EndSubSection
EndSection
CONF
  Xorg -displayfd 3 -config "$work/xorg.conf" -noreset -nolisten tcp -logfile "$work/xorg.log" \
    3>"$work/display" >/dev/null 2>&1 &
  use_server Xorg
}

# current_mode: the screen's mode now, as WIDTHxHEIGHT.
current_mode() { xrandr 2>/dev/null | awk '/\*/ { print $1; exit }'; }
mode_is() { [ "$(current_mode)" = "$1" ]; }

# app_process: the pid of this test's vantorel itself (not a process it forked,
# nor another test's).
app_process() { pgrep -P "$app_pid" -f "^$VANTOREL\$"; }

# last_clock: the last clock line vantorel has printed, or -1 before any.
last_clock() {
  local line
  line=$(tail -n 1 "$work/out.txt")
  echo "${line:--1}"
}
clock_reached() { (($(last_clock) >= $1)); }

# shoot_at NAME MS: a screenshot of the whole screen once the music clock has
# reached MS. Space is held from two seconds before, so the show prints its
# clock every frame and the moment is caught from those lines alone. The
# shot lies between $work/NAME.clock, the last clock printed before it, and
# $work/NAME.clock_after, the first printed after it.
shoot_at() {
  local lines
  wait_music $(($2 - 2000))
  focus Vantorel >/dev/null
  xdotool keydown space
  wait_for "the music clock did not reach $2 ms" clock_reached "$2"
  last_clock >"$work/$1.clock"
  lines=$(clock_lines)
  import -window root "$work/$1.png"
  wait_for "no clock printed after taking $1" more_lines_than "$lines"
  xdotool keyup space
  tail -n +$((lines + 1)) "$work/out.txt" | head -n 1 >"$work/$1.clock_after"
  echo "$1 between $(clock_of "$1") and $(cat "$work/$1.clock_after") ms" >&2
  [ -n "${E2E_KEEP_SHOTS:-}" ] && cp "$work/$1.png" "$E2E_KEEP_SHOTS/" || true
}

# clock_of NAME: the music time just before a screenshot.
clock_of() { cat "$work/$1.clock"; }

# shot_within NAME LO HI: whether the whole screenshot was taken within
# LO..HI ms of music.
shot_within() {
  between "$(clock_of "$1")" "$2" "$3" && between "$(cat "$work/$1.clock_after")" "$2" "$3"
}

# brightness NAME WxH+X+Y: mean grey level (0..1) of a region of a screenshot.
brightness() {
  convert "$work/$1.png" -crop "$2" +repage -colorspace Gray -format "%[fx:mean]" info:
}

# colour_count NAME WxH+X+Y R,G,B: pixels of the region within 2% of a colour.
colour_count() {
  convert "$work/$1.png" -crop "$2" +repage -fuzz 2% -fill white -opaque "rgb($3)" \
    -fill black +opaque white -format "%[fx:round(mean*w*h)]" info:
}

# above A B: whether number A is greater than number B.
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

# between T LO HI: whether LO <= T <= HI.
between() { [ "$1" -ge "$2" ] && [ "$1" -le "$3" ]; }

# best_match NAME CAPTURE [option...]: the smallest RMSE (0 to 1) between the
# screenshot NAME (taken by shoot_at) and the frames the capture tool CAPTURE
# (with the options) draws at 1280x720 and 60 frames per second from 250 ms
# before the frame before the clock line just before the shot to the line
# just after it. The
# capture runs on the frame clock a later start runs on, so its frames meet
# the show's state, and the show's own frames fall between them. The screen
# may lag behind the clock lines by a frame or more (the X server draws a
# frame when it gets to it, later on a busy machine), hence the margin before.
# At a moment where the picture changes slowly a frame of the right moment
# matches within a hundredth or two; another scene of the show differs by a
# tenth or more.
best_match() {
  local name=$1 capture=$2 frames=$work/$1-frames/ frame best=1 rmse from
  shift 2
  # The frame before the one that printed the last line may still be the one
  # on screen.
  from=$(awk -v a="$(clock_of "$name")" '$1 < a { previous = $1 } END { print previous + 0 }' \
    "$work/out.txt")
  ((from > 0)) || from=$(clock_of "$name")
  "$capture" --size 1280x720 --fps 60 --start $((from > 250 ? from - 250 : 0)) \
    --end $(($(cat "$work/$name.clock_after") + 17)) --output "$frames" "$@" >&2 ||
    fail "the capture of $name's moments failed"
  for frame in "$frames"*.png; do
    # (compare exits 1 when the pictures differ at all.)
    rmse=$({ compare -metric RMSE "$work/$name.png" "$frame" null: 2>&1 || true; } |
      sed -E 's/.*\(([0-9.e-]+)\).*/\1/')
    [[ "$rmse" =~ ^[0-9.e-]+$ ]] || fail "cannot compare $name with $frame: $rmse"
    above "$best" "$rmse" && best=$rmse
  done
  echo "$best"
}

# shoot_after_start NAME: a screenshot (as shoot_at takes it) as soon as the
# show started at a later moment has shown its first frame: once it has
# printed two clock lines, the first frame is on screen. The first frames
# take long (the software renderer compiles what it draws with on first use,
# a second and more on a busy machine), so the shot comes soon after the
# start however loaded the machine is.
shoot_after_start() {
  hold_space_for 2
  shoot_at "$1" "$(head -n 1 "$work/out.txt")"
}

# rmse A B [crop]: the RMSE (0 to 1) between two pictures, or a region of both.
rmse() {
  local a=$1 b=$2
  if [ -n "${3:-}" ]; then
    convert "$1" -crop "$3" +repage "$work/crop-a.png"
    convert "$2" -crop "$3" +repage "$work/crop-b.png"
    a=$work/crop-a.png b=$work/crop-b.png
  fi
  { compare -metric RMSE "$a" "$b" null: 2>&1 || true; } | sed -E 's/.*\(([0-9.e-]+)\).*/\1/'
}
