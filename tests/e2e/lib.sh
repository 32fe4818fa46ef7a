# Helpers for end-to-end tests of the real program under Xvfb. Sourced by the
# scenario scripts; every function fails the test (exit 1) with a message when
# what it waits for does not come.
set -euo pipefail

: "${VANTOREL:?path of the vantorel executable}"
: "${XPROBE:?path of the xprobe helper}"

work=$(mktemp -d)
server_pid=""
app_pid=""

fail() {
  echo "FAIL: $*" >&2
  if [ -n "$app_pid" ] && [ -f "$work/err.txt" ]; then
    echo "--- stderr of vantorel" >&2
    tail -n 20 "$work/err.txt" >&2
  fi
  exit 1
}

cleanup() {
  [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# use_server NAME: waits up to 20 s for the X server just started in the
# background to write its display number to $work/display, and points DISPLAY
# at it.
use_server() {
  server_pid=$!
  for _ in $(seq 200); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] || fail "$1 did not start"
  export DISPLAY=":$(head -n 1 "$work/display")"
}

# start_x WIDTHxHEIGHT: an Xvfb of that size on a free display number.
start_x() {
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  use_server Xvfb
}

# start_app [dir]: runs vantorel in the folder (default: the scratch folder)
# with the dummy audio driver, recording its output and its status.
start_app() {
  local dir=${1:-$work}
  (
    set +e
    cd "$dir" || exit
    SDL_AUDIODRIVER=dummy VANTOREL_DIALOG_TRACE=1 "$VANTOREL" >"$work/out.txt" 2>"$work/err.txt"
    echo $? >"$work/status"
  ) &
  app_pid=$!
}

# window_id TITLE: the id of a top-level window with exactly that title, or nothing.
window_id() {
  xwininfo -root -tree 2>/dev/null | awk -v t=" \"$1\": " 'index($0, t) { print $1; exit }'
}

# wait_window TITLE: waits up to 30 s for the window; prints its id.
wait_window() {
  local id=""
  for _ in $(seq 300); do
    id=$(window_id "$1")
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  fail "no window \"$1\""
}

# wait_gone TITLE: waits up to 30 s for the window to go away.
wait_gone() {
  for _ in $(seq 300); do
    [ -z "$(window_id "$1")" ] && return 0
    sleep 0.1
  done
  fail "window \"$1\" stays"
}

# focus TITLE: waits until the window is on screen (a window exists a moment
# before it is shown, and cannot take the focus then) and gives it the focus;
# prints its id.
focus() {
  local id
  for _ in $(seq 300); do
    id=$(wait_window "$1")
    if xwininfo -id "$id" 2>/dev/null | grep -q IsViewable &&
      xdotool windowfocus "$id" 2>/dev/null; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  fail "window \"$1\" never took the focus"
}

# press TITLE KEY...: focuses the window and types the keys.
press() {
  focus "$1" >/dev/null
  shift
  xdotool key --delay 50 "$@"
}

# hold TITLE KEY SECONDS: holds a key down in the window for a while.
hold() {
  focus "$1" >/dev/null
  xdotool keydown "$2"
  sleep "$3"
  xdotool keyup "$2"
}

# geometry TITLE: "WIDTHxHEIGHT" of the window's client area.
geometry() {
  local id
  id=$(wait_window "$1")
  xwininfo -id "$id" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'
}

# is_fullscreen TITLE: whether the window is the show's full-screen one: it
# covers the screen from its corner and hides the cursor, which only the
# full-screen window does. (Without a window manager there is no window state
# to ask for.)
is_fullscreen() {
  local id
  id=$(wait_window "$1")
  xdotool mousemove 640 360
  sleep 0.2
  xwininfo -id "$id" | grep -q -- "-geometry 1280x720+0+0" && ! "$XPROBE" cursor
}

# close_window TITLE: the window manager's close request.
close_window() {
  "$XPROBE" close "$(wait_window "$1")"
}

# wait_exit [SECONDS]: waits for vantorel to end; prints its status.
wait_exit() {
  local limit=${1:-30}
  for _ in $(seq $((limit * 10))); do
    [ -s "$work/status" ] && { cat "$work/status"; return 0; }
    sleep 0.1
  done
  fail "vantorel did not end within $limit s"
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

# app_process: the pid of this test's vantorel itself (not a process it forked,
# nor another test's).
app_process() { pgrep -P "$app_pid" -f "^$VANTOREL\$"; }

# shoot NAME: a screenshot of the whole screen into the scratch folder, and
# the music clock at that moment (Space held briefly), in $work/NAME.clock.
shoot() {
  local before
  before=$(wc -l <"$work/out.txt")
  focus Vantorel >/dev/null
  xdotool keydown space
  import -window root "$work/$1.png"
  sleep 0.15
  xdotool keyup space
  sleep 0.1
  tail -n +$((before + 1)) "$work/out.txt" | head -n 1 >"$work/$1.clock"
  [ -s "$work/$1.clock" ] || fail "no clock printed while taking $1"
  echo "$1 at $(cat "$work/$1.clock") ms" >&2
  [ -n "${E2E_KEEP_SHOTS:-}" ] && cp "$work/$1.png" "$E2E_KEEP_SHOTS/" || true
}

# clock_of NAME: the music time of a screenshot.
clock_of() { cat "$work/$1.clock"; }

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
