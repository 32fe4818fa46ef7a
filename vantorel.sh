#!/usr/bin/env bash
# The project's two commands:
#   ./vantorel.sh play   installs what is missing, builds, and plays the show
#                        (on a machine with no display it renders the show to
#                        a video instead and says where it is)
#   ./vantorel.sh test   installs what is missing, builds, and runs every test
#                        (also under AddressSanitizer and UBSan, the fuzzers,
#                        and the page in headless Chromium)
#   ./vantorel.sh web    builds the show as a web page into build/web and
#                        serves it on this machine, printing the address
#   ./vantorel.sh package
#                        builds the Debian package from the play build and
#                        prints where it is
# Both work as root on a fresh Debian 12 machine; as another user they use sudo
# for the packages.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
root=$PWD

# xfonts-base: SDL's X11 message boxes draw with the core X fonts.
build_packages=(cmake make g++ pkg-config libsdl2-dev libx11-dev libxrandr-dev libxfixes-dev
  libgl-dev libglu1-mesa-dev libegl-dev libgl1-mesa-dri libmpg123-dev libkissfft-dev libpng-dev
  zlib1g-dev libmp3lame-dev libfreetype-dev fonts-dejavu-core xfonts-base libtoml11-dev)
# Xorg with the dummy driver: an X server whose display modes really change.
# PulseAudio, and PipeWire with WirePlumber on a session bus of its own: real
# sound servers the show plays through, recorded from their null sinks.
test_packages=(libgtest-dev libbenchmark-dev xvfb xauth xdotool x11-utils x11-xserver-utils
  xserver-xorg-core xserver-xorg-video-dummy imagemagick ffmpeg clang libclang-rt-14-dev
  pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber dbus-daemon)
capture_packages=(ffmpeg)
# The Debian package: dpkg-shlibdeps works out its dependencies.
package_packages=(dpkg-dev)
# Checking the install and the package.
package_test_packages=(dpkg-dev lintian desktop-file-utils appstream man-db)
# The page: Emscripten, and dpkg-dev to unpack Debian's source packages of the
# libraries it builds with emcc (web/deps.sh).
web_packages=(emscripten dpkg-dev)
# Its tests: Debian's headless Chromium (software WebGL) and Firefox ESR
# (under an Xvfb of the tests' own: headless, it has no WebGL here), driven
# by puppeteer-core from npm.
web_test_packages=(chromium-headless-shell firefox-esr xvfb)

jobs=$(nproc 2>/dev/null || echo 2)

say() { printf '== %s (at %s s)\n' "$*" "$SECONDS" >&2; }

ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  say "installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# configure_and_build <dir> <cmake options...>
configure_and_build() {
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

# An existing node and npm serve (another vendor's nodejs package, say);
# Debian's are installed only where there are none.
ensure_node() {
  command -v node >/dev/null || ensure_packages nodejs
  command -v npm >/dev/null || ensure_packages npm
}

# build_web <native build dir>: the page into build/web, with the pictures and
# music that the native build in <dir> made.
build_web() {
  local native=$1
  ensure_packages "${web_packages[@]}"
  ensure_node
  say "build the page"
  cmake --build "$native" --target vantorel_assets vantorel_icons vantorel_screenshot -j "$jobs" >/dev/null
  # Emscripten's JS optimiser needs Debian's acorn module, which lives where
  # a node from elsewhere does not look by itself.
  export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
  web/deps.sh build/web-deps
  emcmake cmake -S "$root" -B build/web-build -DCMAKE_BUILD_TYPE=Release \
    -DVANTOREL_WEB_DEPS="$root/build/web-deps/prefix" -DVANTOREL_ASSET_DIR="$root/$native/show" \
    -DVANTOREL_WEB_ICONS="$root/$native/icons" -DVANTOREL_WEB_SCREENSHOT="$root/$native/screenshot.png" \
    -DVANTOREL_WEB_OUT="$root/build/web" >/dev/null
  cmake --build build/web-build -j "$jobs"
}

web() {
  ensure_packages "${build_packages[@]}"
  cmake -S "$root" -B build/play -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOREL_TESTS=OFF >/dev/null
  build_web build/play
  exec node web/serve.js build/web
}

# The page in headless Chromium: the viewer's path through it, and its frames
# against the capture tool's.
test_web() {
  build_web build/test
  ensure_packages "${web_test_packages[@]}"
  say "test the page in headless Chromium"
  (cd tests/web && npm ci --no-audit --no-fund --loglevel=error)
  local file
  for file in serve page hosting frames player sound; do
    VANTOREL_CAPTURE="$root/build/test/show/vantorel-capture" VANTOREL_PAGE="$root/build/web" \
      node --test "tests/web/$file.test.js"
  done
  say "test the page in Firefox ESR"
  # The start, the keys, the end and the frames against the capture: the
  # viewer's controls and the sound need a sound device, which Firefox here
  # has not, and the hosts are the server's and the page's, whichever the
  # browser.
  for file in page frames; do
    VANTOREL_BROWSER=firefox VANTOREL_CAPTURE="$root/build/test/show/vantorel-capture" \
      VANTOREL_PAGE="$root/build/web" node --test "tests/web/$file.test.js"
  done
}

have_display() { [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; }

play() {
  ensure_packages "${build_packages[@]}"
  have_display || ensure_packages "${capture_packages[@]}"
  configure_and_build build/play -DVANTOREL_TESTS=OFF
  local show=$root/build/play/show
  if have_display; then
    cd "$show"
    exec ./vantorel
  fi
  say "no display: rendering the show to a video instead"
  local video=$root/build/play/vantorel.mp4
  "$show/vantorel-capture" --folder "$show" --output "$video"
  say "the show is in $video"
}

# run_fuzzer NAME LOG INPUTS...: runs a libFuzzer target of build/fuzz for
# 60 s; on a finding, shows the end of its log and fails.
run_fuzzer() {
  local name=$1 log=build/fuzz/$2.log
  shift 2
  build/fuzz/tests/fuzz/"$name" "$@" -max_total_time=60 -malloc_limit_mb=128 \
    -rss_limit_mb=1024 -artifact_prefix=build/fuzz/ -print_final_stats=1 2>"$log" ||
    { tail -n 40 "$log" >&2; exit 1; }
  grep -E "stat::number_of_executed_units|Done" "$log" >&2 || true
}

package() {
  ensure_packages "${build_packages[@]}" "${package_packages[@]}"
  configure_and_build build/play -DVANTOREL_TESTS=OFF
  (cd build/play && cpack -G DEB >/dev/null)
  local deb
  deb=$(ls -t "$root"/build/play/package/vantorel_*.deb | head -n 1)
  say "the package is $deb"
  echo "$deb"
}

run_tests() {
  ensure_packages "${build_packages[@]}" "${test_packages[@]}" "${package_test_packages[@]}"
  say "build and test"
  configure_and_build build/test
  (cd build/test && ctest --output-on-failure -j "$jobs" --timeout 900)

  test_web

  say "build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
  # -O1 and line tables only: the sanitizers' reports need no more, and the
  # tree compiles in about half the time of -O2 with full debug information.
  # The pictures and music are the plain tree's: the generator's own run
  # under the sanitizers is one of the tests.
  configure_and_build build/asan -DVANTOREL_SANITIZE=ON -DVANTOREL_BENCHMARKS=OFF \
    -DVANTOREL_ASSETS_FROM="$root/build/test/show" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1"
  (cd build/asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -j "$jobs" -LE 'long|heavy' --timeout 900)

  cmake -S "$root" -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOREL_FUZZ=ON \
    -DVANTOREL_TESTS=OFF -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null
  cmake --build build/fuzz --target picture_decode_fuzzer music_stream_fuzzer music_seeds \
    moments_file_fuzzer moments_seeds -j "$jobs"
  say "fuzz the picture decoder, the music stream and the moments file, 60 s each, side by side"
  mkdir -p build/fuzz/corpus/png build/fuzz/corpus/mp3 build/fuzz/seeds/mp3 \
    build/fuzz/corpus/moments build/fuzz/seeds/moments
  build/fuzz/tests/fuzz/music_seeds build/fuzz/seeds/mp3
  build/fuzz/tests/fuzz/moments_seeds build/fuzz/seeds/moments
  run_fuzzer picture_decode_fuzzer png build/fuzz/corpus/png tests/fuzz/corpus/png \
    -dict=tests/fuzz/png.dict &
  local pictures=$!
  run_fuzzer music_stream_fuzzer mp3 build/fuzz/corpus/mp3 build/fuzz/seeds/mp3 &
  local music=$!
  run_fuzzer moments_file_fuzzer moments build/fuzz/corpus/moments build/fuzz/seeds/moments \
    -dict=tests/fuzz/toml.dict &
  local moments=$!
  wait "$pictures" || exit 1
  wait "$music" || exit 1
  wait "$moments" || exit 1
  say "all tests passed"
}

case "${1:-}" in
  play) play ;;
  test) run_tests ;;
  web) web ;;
  package) package ;;
  *)
    echo "usage: $0 play|test|web|package" >&2
    exit 2
    ;;
esac
