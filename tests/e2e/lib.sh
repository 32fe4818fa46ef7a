# Helpers for end-to-end tests of the real program under Xvfb. Sourced by the
# scenario scripts; every function fails the test (exit 1) with a message when
# what it waits for does not come.
set -euo pipefail

: "${VANTOREL:?path of the vantorel executable}"
: "${XCLOSE:?path of the xclose helper}"

work=$(mktemp -d)
xvfb_pid=""
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
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# start_x WIDTHxHEIGHT: an Xvfb of that size on a free display number.
start_x() {
  local fdfile=$work/display
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  [ -s "$fdfile" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n 1 "$fdfile")"
}

# start_app [dir]: runs vantorel in the folder (default: the scratch folder)
# with the dummy audio driver, recording its output and its status.
start_app() {
  local dir=${1:-$work}
  (cd "$dir" && SDL_AUDIODRIVER=dummy VANTOREL_DIALOG_TRACE=1 "$VANTOREL" \
    >"$work/out.txt" 2>"$work/err.txt"; echo $? >"$work/status") &
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

# press TITLE KEY...: focuses the window and types the keys.
press() {
  local id
  id=$(wait_window "$1")
  shift
  xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
  xdotool key --delay 50 "$@"
}

# hold TITLE KEY SECONDS: holds a key down in the window for a while.
hold() {
  local id
  id=$(wait_window "$1")
  xdotool windowfocus "$id"
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

# is_fullscreen TITLE: whether the window asks to cover the screen.
is_fullscreen() {
  local id
  id=$(wait_window "$1")
  xprop -id "$id" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN
}

# close_window TITLE: the window manager's close request.
close_window() {
  "$XCLOSE" "$(wait_window "$1")"
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
