#!/usr/bin/env bash
# The whole show, end to end: the real vantorel under Xvfb with the build's
# pictures and music, from the start-up answer to its own exit at the end time.
# Screenshots at a handful of moments are checked for what must show there, and
# one F1 toggle mid-show must leave the show carrying on.
# Usage: show.sh SHOW_FOLDER
. "$(dirname "$0")/lib.sh"
show=$1
[ -f "$show/tarrowind.mp3" ] || fail "no music in $show"

# Seconds since the start-up answer; the music starts a moment after it.
started=0
at() { # at SECONDS: sleeps until that many seconds after the answer
  local now
  now=$(date +%s.%N)
  local wait
  wait=$(awk -v s="$started" -v t="$1" -v n="$now" 'BEGIN { d = s + t - n; print (d > 0 ? d : 0) }')
  sleep "$wait"
}

start_x 1280x720
start_app "$show"
press "Start Fullscreen?" Escape
started=$(date +%s.%N)
wait_window Vantorel >/dev/null

# The reveal, under the first title: the lower half of the sphere has been
# built, its upper half not yet; the title banner is up.
at 8.3
shoot reveal
between "$(clock_of reveal)" 6000 9900 || fail "reveal shot at $(clock_of reveal) ms"
# (The one-row scan strip may cross either region.)
above "$(brightness reveal 120x60+580+430)" 0.3 || fail "no lower half of the sphere"
above 0.15 "$(brightness reveal 120x50+580+250)" || fail "the upper half is already built"
above "$(brightness reveal 300x40+490+50)" 0.15 || fail "no title banner"

# Going full screen mid-show rebuilds everything in a new context; the cube
# the mesh became at 26 s stays a cube, and the camera is back at rest.
at 37
press Vantorel F1
sleep 1.5
is_fullscreen Vantorel || fail "F1 did not go full screen"
at 39.5
shoot cube
between "$(clock_of cube)" 37500 40999 || fail "cube shot at $(clock_of cube) ms"
above "$(brightness cube 200x200+540+260)" 0.03 || fail "nothing at the centre"
# The sphere's outline is 174 pixels round the centre; however it turns, the
# cube reaches at least 217 pixels out on one side.
above "$(brightness cube 60x320+830+200)" 0.03 ||
  above "$(brightness cube 60x320+390+200)" 0.03 || fail "no cube corner beyond the sphere's outline"

# Square-wave ribbons, right of the mesh, in their own colours.
at 61.5
shoot ribbons
between "$(clock_of ribbons)" 60000 62999 || fail "ribbon shot at $(clock_of ribbons) ms"
ribbon_pixels=$(($(colour_count ribbons 170x60+760+320 225,100,225) +
  $(colour_count ribbons 170x60+760+320 100,255,100)))
[ "$ribbon_pixels" -ge 20 ] || fail "only $ribbon_pixels ribbon pixels"

# The finale: the effect space spins, so two moments a second apart differ.
at 170
shoot finale1
at 171.2
shoot finale2
between "$(clock_of finale1)" 159000 195999 || fail "finale shot at $(clock_of finale1) ms"
# (compare exits 1 when the pictures differ, which is what is wanted here.)
difference=$({ compare -metric RMSE "$work/finale1.png" "$work/finale2.png" null: 2>&1 || true; } |
  sed -E 's/.*\(([0-9.e-]+)\).*/\1/')
above "$difference" 0.01 || fail "the finale stands still ($difference)"

# The show ends itself at its end time, with status 0.
status=$(wait_exit 60)
[ "$status" = 0 ] || fail "exit status $status"
elapsed=$(awk -v s="$started" -v n="$(date +%s.%N)" 'BEGIN { printf "%d", n - s }')
# The music clock follows the audio device, which may run a little slow or
# fast against the wall clock; the end is at 196 s of music.
between "$elapsed" 194 206 || fail "the show ended after $elapsed s, not at its end time"
echo "PASS: the whole show in $elapsed s"
