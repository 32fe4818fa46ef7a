#!/usr/bin/env bash
# The Debian package made from a build: its files, its fields (the libraries
# it depends on as dpkg-shlibdeps found them in the programs), stripped
# programs, and lintian's verdict.
# Usage: package.sh BUILD_FOLDER VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(find "$work/package" -maxdepth 1 -name "vantorel_${version}_*.deb")
[ -f "$deb" ] || fail "no vantorel_${version}_*.deb"
echo "$(basename "$deb"): $(du -k "$deb" | cut -f1) kB" >&2

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vantorel ] || fail "package $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version $(field Version)"
[ "$(field Section)" = games ] || fail "section $(field Section)"
[[ "$(field Maintainer)" =~ ^.+\ \<.+@.+\>$ ]] || fail "maintainer $(field Maintainer)"
depends=$(field Depends)
echo "Depends: $depends" >&2
# Versions in the relations are what dpkg-shlibdeps adds from the libraries'
# symbols files; a list kept by hand would not carry them.
for library in libc6 libsdl2-2.0-0 libmpg123-0 libpng16-16 libkissfft-float131 libstdc\\+\\+6; do
  [[ "$depends" =~ (^|, )$library\ \(\>=\ [^\)]+\) ]] || fail "Depends lacks $library (>= ...)"
done
for library in libegl1 libx11-6 libgl1 libgl1-mesa-dri; do
  [[ "$depends" =~ (^|, )$library($|,| ) ]] || fail "Depends lacks $library"
done
[[ "$(field Recommends)" == *ffmpeg* ]] || fail "ffmpeg is not recommended"

# Exactly the install's files, the programs where Debian keeps games.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort >"$work/files"
{
  printf './usr/games/%s\n' vantorel vantorel-capture
  printf './usr/share/vantorel/tex%02d.png\n' $(seq 0 18)
  echo ./usr/share/vantorel/glyphs.png
  echo ./usr/share/vantorel/tarrowind.mp3
  echo ./usr/share/applications/vantorel.desktop
  echo ./usr/share/metainfo/org.example.vantorel.metainfo.xml
  printf './usr/share/icons/hicolor/%sx%s/apps/vantorel.png\n' 48 48 64 64 128 128 256 256 192 192 \
    512 512
  printf './usr/share/man/man6/%s.6.gz\n' vantorel vantorel-capture
  printf './usr/share/doc/vantorel/%s\n' copyright changelog.gz
} | sort >"$work/expected"
diff "$work/expected" "$work/files" >&2 || fail "the package's files differ from the install's"

dpkg-deb -x "$deb" "$work/unpacked"
for program in vantorel vantorel-capture; do
  readelf -S "$work/unpacked/usr/games/$program" | grep -q '\.symtab' && fail "$program is not stripped"
done

# What software centres read: the AppStream metainfo and the desktop entry it
# launches, valid by their own tools, pedantic hints included.
appstreamcli validate --no-net --pedantic --explain \
  "$work/unpacked/usr/share/metainfo/org.example.vantorel.metainfo.xml" >&2 ||
  fail "appstreamcli rejects the metainfo"
desktop-file-validate "$work/unpacked/usr/share/applications/vantorel.desktop" >&2 ||
  fail "desktop-file-validate rejects the desktop entry"

# No error, no warning; the informational tags are printed for the record.
lintian --pedantic --display-info "$deb" 2>&1 | grep -v '^running with root' >&2 || true
lintian --fail-on error,warning "$deb" >/dev/null 2>&1 || fail "lintian found errors or warnings"
echo "PASS: package" >&2
