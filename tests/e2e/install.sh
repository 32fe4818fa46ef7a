#!/usr/bin/env bash
# The install end to end: staged with DESTDIR under /usr and then moved
# elsewhere, as a package's files or a copied tree would be, it holds what it
# should, and both programs started from another folder find the installed
# pictures and music: the show draws what the capture tool draws.
# Usage: install.sh BUILD_FOLDER
. "$(dirname "$0")/lib.sh"
build=$1

DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >/dev/null ||
  fail "cmake --install failed"
mv "$work/stage" "$work/moved"
usr=$work/moved/usr

for file in bin/vantorel bin/vantorel-capture share/vantorel/tarrowind.mp3 \
  share/applications/vantorel.desktop share/man/man6/vantorel.6.gz \
  share/man/man6/vantorel-capture.6.gz share/doc/vantorel/copyright; do
  [ -s "$usr/$file" ] || fail "the install has no $file"
done
[ "$(find "$usr/share/vantorel" -name 'tex*.png' | wc -l)" = 19 ] || fail "not 19 pictures"
for size in 48 64 128 256; do
  icon=$usr/share/icons/hicolor/${size}x${size}/apps/vantorel.png
  [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ] ||
    fail "no ${size}x${size} icon"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$usr/share/applications/vantorel.desktop" || fail "bad desktop entry"
fi
for page in vantorel vantorel-capture; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' man --warnings -l "$usr/share/man/man6/$page.6.gz" 2>&1 \
    >/dev/null)
  [ -z "$warnings" ] || fail "the manual page of $page: $warnings"
done

# Started from a folder without the show's files.
mkdir "$work/elsewhere"
cd "$work/elsewhere"
VANTOREL=$usr/bin/vantorel
start_x 1280x720
# From 60 s to 63 s the picture changes slowly (a title, the sphere turning,
# the ribbons just begun).
start_app "$work/elsewhere" --window --start 60000
shoot_after_start installed
said "BASS" && fail "the installed show did not find its music"
press Vantorel Escape
[ "$(wait_exit)" = 0 ] || fail "the installed show did not end with 0"
match=$(best_match installed "$usr/bin/vantorel-capture")
echo "the installed show at $(clock_of installed) ms matches the installed capture within $match" >&2
above 0.03 "$match" || fail "the installed show differs from the installed capture by $match"
echo "PASS: install"
