#!/usr/bin/env bash
# Builds the C libraries the page needs from Debian's own source packages with
# emcc: zlib and libpng (the pictures), libmpg123 (the music), KissFFT (the
# spectrum) and libGLU's image scaler. The same decoders as on the desktop
# give the same pixels and the same spectrum. Nothing else is downloaded.
#
#   web/deps.sh <dir>    fetches into <dir>/src, installs into <dir>/prefix
#
# The result is kept: a second run with everything in place does nothing.
set -euo pipefail
mkdir -p "$1"
dir=$(readlink -f "$1")
prefix=$dir/prefix
stamp=$prefix/.complete
# Bumped whenever the recipe below changes, so that old builds are redone.
recipe=1
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$recipe" ]; then exit 0; fi
rm -rf "$dir/src" "$prefix"
mkdir -p "$dir/src" "$prefix/lib" "$prefix/include" "$dir/apt/lists/partial" \
  "$dir/apt/cache/archives/partial"

say() { printf '== %s\n' "$*" >&2; }

# A private sources list that names the source side of the system's own Debian
# suites, with apt state of its own: the system's package lists stay as they are.
. /etc/os-release
sources=$dir/apt/sources.list
: >"$sources"
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
  [ -f "$f" ] || continue
  grep -E "^deb[[:space:]].*[[:space:]]${VERSION_CODENAME}" "$f" | sed 's/^deb /deb-src /' >>"$sources" || true
done
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  awk -v codename="$VERSION_CODENAME" '
    function flush() { if (block != "" && block ~ ("Suites:[^\n]*" codename)) printf "%s\n", block; block = "" }
    /^[[:space:]]*$/ { flush(); next }
    /^#/ { next }
    { line = $0; if (line ~ /^Types:/) line = "Types: deb-src"; block = block line "\n" }
    END { flush() }' "$f" >"$dir/apt/$(basename "$f")"
done
apt_opts=(-o "Dir::Etc::SourceList=$sources" -o "Dir::Etc::SourceParts=$dir/apt"
  -o "Dir::State::Lists=$dir/apt/lists" -o "Dir::Cache=$dir/apt/cache"
  -o "Debug::NoLocking=1" -o "APT::Sandbox::User=root")
say "fetching Debian source packages"
apt-get "${apt_opts[@]}" -qq update
# From the release suite itself: its mirrors keep every file of a source
# package. Some mirrors lack a signature or a Debian diff; what was fetched is
# unpacked all the same (the checksums in the .dsc were checked by apt).
packages=(zlib libpng1.6 mpg123 kissfft libglu)
for package in "${packages[@]}"; do
  (cd "$dir/src" && apt-get "${apt_opts[@]}" -qq --download-only source "$package/$VERSION_CODENAME" \
    >/dev/null 2>&1) || true
done
for dsc in "$dir"/src/*.dsc; do
  name=$(basename "$dsc" .dsc)
  (cd "$dir/src" && dpkg-source --no-check -x "$dsc" >/dev/null 2>&1) && continue
  orig=$(find "$dir/src" -maxdepth 1 -name "${name%%_*}_*.orig.tar.*" | head -n 1)
  [ -n "$orig" ] || { echo "web/deps.sh: could not fetch the source of ${name%%_*}" >&2; exit 1; }
  tar -xf "$orig" -C "$dir/src"
done

src() { find "$dir/src" -maxdepth 1 -mindepth 1 -type d -name "$1-*" | head -n 1; }
cflags=(-O2)
jobs=2
# compile <object> <emcc arguments...>: in the background, two at a time.
objs=()
compile() {
  local object=$dir/src/$1
  shift
  emcc "${cflags[@]}" "$@" -c -o "$object" &
  objs+=("$object")
  while [ "$(jobs -r | wc -l)" -ge "$jobs" ]; do wait -n; done
}
# archive <library>: waits for the compiles and archives their objects.
archive() {
  local job
  for job in $(jobs -p); do wait "$job"; done
  emar rcs "$prefix/lib/$1" "${objs[@]}"
  objs=()
}

say "zlib"
z=$(src zlib)
for c in adler32 crc32 deflate infback inffast inflate inftrees trees zutil compress uncompr; do
  compile "z-$c.o" "$z/$c.c"
done
archive libz.a
cp "$z/zlib.h" "$z/zconf.h" "$prefix/include/"

say "libpng"
p=$(src libpng1.6)
cp "$p/scripts/pnglibconf.h.prebuilt" "$prefix/include/pnglibconf.h"
cp "$p/png.h" "$p/pngconf.h" "$prefix/include/"
for c in png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset pngtrans \
  pngwio pngwrite pngwtran pngwutil; do
  compile "png-$c.o" -DPNG_ARM_NEON_OPT=0 -I"$prefix/include" "$p/$c.c"
done
archive libpng.a

say "kissfft"
k=$(src kissfft)
mkdir -p "$prefix/include/kissfft"
cp "$k/kiss_fft.h" "$k/kiss_fftr.h" "$prefix/include/kissfft/"
[ -f "$k/kiss_fft_log.h" ] && cp "$k/kiss_fft_log.h" "$prefix/include/kissfft/"
compile kiss_fft.o -Dkiss_fft_scalar=float "$k/kiss_fft.c"
compile kiss_fftr.o -Dkiss_fft_scalar=float "$k/kiss_fftr.c"
archive libkissfft-float.a

say "libGLU's image scaler"
g=$(src libglu)
compile glu-mipmap.o -I"$g/include" -I"$g/src/include" "$g/src/libutil/mipmap.c"
archive libGLU.a

say "libmpg123"
# Compiled file by file: its configure script runs a few hundred emcc checks
# (minutes), and on a WebAssembly target its answers are known. The decoder is
# the generic floating-point one, gapless, 16-bit output rounded to nearest,
# as the desktop build decodes the music.
m=$(src mpg123)
mkdir -p "$dir/src/mpg123-config"
cat >"$dir/src/mpg123-config/config.h" <<'CONFIG'
#define OPT_GENERIC 1
#define REAL_IS_FLOAT 1
#define ACCURATE_ROUNDING 1
#define IEEE_FLOAT 1
#define GAPLESS 1
#define FRAME_INDEX 1
#define INDEX_SIZE 1000
#define USE_NEW_HUFFTABLE 1
#define NO_ICY 1
#define NO_NTOM 1
#define NO_DOWNSAMPLE 1
#define NO_EQUALIZER 1
#define NO_8BIT 1
#define NO_32BIT 1
#define NO_REAL 1
#define NO_MOREINFO 1
#define NO_FEEDER 1
#define NO_MESSAGES 1
#define HAVE_STDLIB_H 1
#define HAVE_STDIO_H 1
#define HAVE_STRING_H 1
#define HAVE_STRINGS_H 1
#define HAVE_LIMITS_H 1
#define HAVE_INTTYPES_H 1
#define HAVE_STDINT_H 1
#define HAVE_UNISTD_H 1
#define HAVE_SYS_TYPES_H 1
#define HAVE_SYS_STAT_H 1
#define HAVE_SYS_TIME_H 1
#define HAVE_SIGNAL_H 1
#define HAVE_LOCALE_H 1
#define HAVE_DIRENT_H 1
#define HAVE_STRERROR 1
#define HAVE_LIBM 1
#define STDC_HEADERS 1
#define SIZEOF_INT32_T 4
#define SIZEOF_LONG 4
#define SIZEOF_OFF_T 8
#define SIZEOF_OFF64_T 0
#define SIZEOF_SIZE_T 4
#define SIZEOF_SSIZE_T 4
#define LFS_ALIAS_BITS 64
#define lfs_alias_t off_t
#define BUILD_NO_LARGENAME 1
#define PACKAGE_VERSION "1.31.2"
CONFIG
sed -e "s/@PACKAGE_VERSION@/web/" -e "s/@API_VERSION@/$(sed -n 's/^API_VERSION=//p' "$m/configure" | head -n 1)/" \
  -e "s|@INCLUDE_STDLIB_H@|#include <stdlib.h>|" -e "s|@INCLUDE_SYS_TYPE_H@|#include <sys/types.h>|" \
  -e "s/@BUILD_NO_LARGENAME@/1/" "$m/src/libmpg123/mpg123.h.in" >"$prefix/include/mpg123.h"
cp "$m/src/libmpg123/fmt123.h" "$prefix/include/"
mpg123_flags=(-I"$dir/src/mpg123-config" -I"$prefix/include" -I"$m/src" -I"$m/src/compat"
  -I"$m/src/libmpg123")
for c in parse frame format dct64 id3 optimize readers tabinit libmpg123 index layer1 layer2 \
  layer3 synth lfs_alias stringbuf feature; do
  compile "mpg123-$c.o" "${mpg123_flags[@]}" "$m/src/libmpg123/$c.c"
done
compile mpg123-compat.o "${mpg123_flags[@]}" "$m/src/compat/compat.c"
compile mpg123-compat_str.o "${mpg123_flags[@]}" "$m/src/compat/compat_str.c"
archive libmpg123.a

echo "$recipe" >"$stamp"
say "web libraries ready in $prefix"
