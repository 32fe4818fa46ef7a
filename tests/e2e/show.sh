#!/usr/bin/env bash
# The whole show, end to end: the real vantorel under Xvfb with the build's
# pictures and music, from the start-up answer to its own exit at the end time.
# Screenshots at a handful of moments are checked for what must show there, and
# one F1 toggle mid-show must leave the show carrying on. Every moment is
# reached on the show's own music clock, however fast the machine runs it.
# Usage: show.sh SHOW_FOLDER
. "$(dirname "$0")/lib.sh"
show=$1
[ -f "$show/tarrowind.mp3" ] || fail "no music in $show"

start_x 1280x720
start_app "$show"
press "Start Fullscreen?" Escape
started=$SECONDS
wait_window Vantorel >/dev/null

# Each moment is aimed at well inside the stretch of the show it checks, so
# that a slow machine, which reaches it late, still shoots inside.

# The reveal, under the first title: the lower half of the sphere has been
# built, its upper half not yet; the title banner is up.
shoot_at reveal 7500
shot_within reveal 6000 9900 || fail "the reveal shot lies outside 6000..9900 ms"
# (The one-row scan strip may cross either region.)
above "$(brightness reveal 120x60+580+430)" 0.3 || fail "no lower half of the sphere"
above 0.15 "$(brightness reveal 120x50+580+250)" || fail "the upper half is already built"
above "$(brightness reveal 300x40+490+50)" 0.15 || fail "no title banner"

# Going full screen mid-show rebuilds everything in a new context; the cube
# the mesh became at 26 s stays a cube, and the camera is back at rest from
# 36 s to 41 s.
wait_music 31000
press Vantorel F1
wait_fullscreen Vantorel
shoot_at cube 38000
shot_within cube 36000 40999 || fail "the cube shot lies outside 36000..40999 ms"
above "$(brightness cube 200x200+540+260)" 0.03 || fail "nothing at the centre"
# The sphere's outline is 174 pixels round the centre; however it turns, the
# cube reaches at least 217 pixels out on one side.
above "$(brightness cube 60x320+830+200)" 0.03 ||
  above "$(brightness cube 60x320+390+200)" 0.03 || fail "no cube corner beyond the sphere's outline"

# Square-wave ribbons, right of the mesh, in their own colours.
shoot_at ribbons 60700
shot_within ribbons 60000 62999 || fail "the ribbon shot lies outside 60000..62999 ms"
ribbon_pixels=$(($(colour_count ribbons 170x60+760+320 225,100,225) +
  $(colour_count ribbons 170x60+760+320 100,255,100)))
[ "$ribbon_pixels" -ge 20 ] || fail "only $ribbon_pixels ribbon pixels"

# The finale: the effect space spins, so two moments a second apart differ.
shoot_at finale1 170000
shoot_at finale2 $(($(cat "$work/finale1.clock_after") + 1000))
shot_within finale1 159000 195999 || fail "the first finale shot lies outside the finale"
# (compare exits 1 when the pictures differ, which is what is wanted here.)
difference=$({ compare -metric RMSE "$work/finale1.png" "$work/finale2.png" null: 2>&1 || true; } |
  sed -E 's/.*\(([0-9.e-]+)\).*/\1/')
above "$difference" 0.01 || fail "the finale stands still ($difference)"

# The show ends itself at its end time, with status 0: with Space held from
# a few seconds before, the last frame drawn stands at or before 195999 ms and
# the one that ends the show (which still prints its clock) just after.
wait_music 190000
before=$(clock_lines)
focus Vantorel >/dev/null
xdotool keydown space
status=$(wait_exit)
[ "$status" = 0 ] || fail "exit status $status"
last=$(tail -n 1 "$work/out.txt")
previous=$(tail -n 2 "$work/out.txt" | head -n 1)
[ "$(clock_lines)" -ge $((before + 2)) ] || fail "too few clock lines at the end"
between "$last" 196000 199000 || fail "the show ended at $last ms, not at its end time"
between "$previous" 195000 195999 || fail "the frame before the end stood at $previous ms"
echo "PASS: the whole show, ended at $last ms after $((SECONDS - started)) s"
