#!/usr/bin/env bash
# The show through real sound servers of its own, started by the test: the
# sound a PulseAudio null sink (or PipeWire's) plays is recorded from its
# monitor and held against the show's clock lines (|median| at most 10 ms),
# and a PulseAudio killed while the show plays leaves the show on a silent
# clock that keeps to wall time, said once, to its end with status 0.
# Usage: sound.sh SCENARIO SHOW_FOLDER
. "$(dirname "$0")/lib.sh"
: "${STAMP:?path of the stamp helper}"
: "${SYNC_OFFSET:?path of the sync_offset helper}"
show=$2

# The most the picture may run from the sound, in ms.
most_offset=10

# A private home and runtime folder: nothing of the machine's own sessions.
export HOME=$work/home XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS
server_pids=()
cleanup_servers() {
  ((${#server_pids[@]})) && kill -9 "${server_pids[@]}" 2>/dev/null || true
  cleanup
}
trap cleanup_servers EXIT

# start_pulse: PulseAudio with a null sink "avs" as the default, on a socket
# of its own.
start_pulse() {
  command -v pulseaudio >/dev/null || fail "pulseaudio is not installed"
  pulseaudio --system=false --daemonize=no --exit-idle-time=-1 --disallow-exit -n \
    --use-pid-file=false --load="module-null-sink sink_name=avs" \
    --load="module-native-protocol-unix socket=$work/pulse.sock auth-anonymous=1" \
    >"$work/pulse.log" 2>&1 &
  pulse_pid=$!
  server_pids+=("$pulse_pid")
  export PULSE_SERVER=unix:$work/pulse.sock
  wait_for "PulseAudio did not start" pactl info
  pactl set-default-sink avs
}

# start_pipewire: PipeWire, WirePlumber and pipewire-pulse on a private
# session bus, with a null sink "avs"; skipped (status 77) where PipeWire is
# not installed.
start_pipewire() {
  command -v pipewire >/dev/null && command -v wireplumber >/dev/null &&
    command -v pipewire-pulse >/dev/null || { echo "SKIP: PipeWire is not installed" >&2; exit 77; }
  dbus-daemon --session --address="unix:path=$work/bus" --nofork --nopidfile >/dev/null 2>&1 &
  server_pids+=($!)
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/bus
  wait_for "no session bus" test -S "$work/bus"
  pipewire >"$work/pipewire.log" 2>&1 &
  server_pids+=($!)
  wireplumber >"$work/wireplumber.log" 2>&1 &
  server_pids+=($!)
  pipewire-pulse >"$work/pipewire-pulse.log" 2>&1 &
  server_pids+=($!)
  export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
  wait_for "pipewire-pulse did not start" pactl info
  pactl load-module module-null-sink sink_name=avs >/dev/null
  wait_for "no null sink" sh -c 'pactl list short sinks | grep -q avs'
  pactl set-default-sink avs
}

# start_show OPTION...: vantorel on the server, its clock lines stamped as
# they come into $work/clock.txt ("ms value").
start_show() {
  : >"$work/clock.txt"
  : >"$work/err.txt"
  (
    set +e
    cd "$show" || exit
    SDL_AUDIODRIVER=pulseaudio "$VANTOREL" "$@" 2>"$work/err.txt" |
      "$STAMP" --lines "$work/clock.txt"
    echo "${PIPESTATUS[0]}" >"$work/status"
  ) &
  app_pid=$!
}

stamped_lines() { wc -l <"$work/clock.txt"; }
last_stamped() { awk 'END { print $2 + 0 }' "$work/clock.txt"; }
stamped_above() { (($(last_stamped) > $1)); }

# record: the null sink's monitor, stamped as it comes, until stop_recording.
record() {
  parec -d avs.monitor --latency-msec=5 --format=s16le --rate=44100 --channels=2 --raw \
    > >("$STAMP" --bytes "$work/record.raw" "$work/record.stamps") &
  record_pid=$!
  server_pids+=("$record_pid")
}
recorded_bytes() { awk 'END { print $2 + 0 }' "$work/record.stamps" 2>/dev/null || echo 0; }
stop_recording() {
  kill "$record_pid" 2>/dev/null || true
  wait "$record_pid" 2>/dev/null || true
  # The stamper ends with the recording's end.
  wait_for "the recording did not end" test -z "$(pgrep -f "$STAMP --bytes $work/")"
}

# measure_sync: 8 s of the show's clock against the sound it plays.
measure_sync() {
  start_x 1280x720
  start_show --window --start 30000
  focus Vantorel >/dev/null
  xdotool keydown space
  wait_for "no clock lines" stamped_above 30500
  record
  wait_for "the clock did not reach 39 s" stamped_above 39000
  stop_recording
  xdotool keyup space
  press Vantorel Escape
  [ "$(wait_exit)" = 0 ] || fail "the show did not end with 0"
  said_sound_lost && fail "the sound was taken for lost"
  result=$("$SYNC_OFFSET" "$show/tarrowind.mp3" "$work/record.raw" "$work/record.stamps" \
    "$work/clock.txt") || fail "the offset could not be measured"
  echo "$1: the show's clock against the sound heard: $result (ms)" >&2
  median=$(awk '{ print $2 }' <<<"$result")
  awk -v m="$median" -v most="$most_offset" 'BEGIN { exit !(m <= most && m >= -most) }' ||
    fail "the picture runs $median ms from the sound"
}

said_sound_lost() { grep -q "the sound has stopped" "$work/err.txt"; }

case "$1" in
  pulse-sync)
    start_pulse
    measure_sync PulseAudio
    ;;
  pipewire-sync)
    start_pipewire
    measure_sync PipeWire
    ;;
  pulse-lost)
    # Killed 2 s into the show's last 6 s: the clock keeps to wall time after
    # it, the show says so once, and ends by itself at its end.
    start_pulse
    start_x 1280x720
    start_show --window --start 190000
    focus Vantorel >/dev/null
    xdotool keydown space
    wait_for "no clock lines" stamped_above 192000
    kill -9 "$pulse_pid"
    killed_at=$(awk 'END { print $1 }' "$work/clock.txt")
    wait_for "the show did not end" test -s "$work/status"
    xdotool keyup space || true
    [ "$(cat "$work/status")" = 0 ] || fail "the show ended with $(cat "$work/status")"
    [ "$(grep -c "the sound has stopped" "$work/err.txt")" = 1 ] ||
      fail "the loss was not said once: $(cat "$work/err.txt")"
    # From a second after the kill to the end: music ms over wall ms.
    rate=$(awk -v from="$killed_at" '$1 > from + 1000 { if (!n++) { w0 = $1; c0 = $2 } w = $1; c = $2 }
      END { if (w > w0) printf "%.4f", (c - c0) / (w - w0) }' "$work/clock.txt")
    last=$(last_stamped)
    echo "after the kill the clock ran at $rate of wall time, to $last ms" >&2
    awk -v r="$rate" 'BEGIN { exit !(r >= 0.99 && r <= 1.01) }' ||
      fail "the clock ran at $rate of wall time after the server's loss"
    sort -n -k2 -c "$work/clock.txt" 2>/dev/null || fail "the clock went back"
    ((last >= 195500)) || fail "the clock stopped at $last ms"
    ;;
  *)
    fail "unknown scenario $1"
    ;;
esac
echo "PASS: $1"
