#!/usr/bin/env bash
# The project's two commands:
#   ./vantorel.sh play   installs what is missing, builds, and plays the show
#                        (on a machine with no display it renders the show to
#                        a video instead and says where it is)
#   ./vantorel.sh test   installs what is missing, builds, and runs every test
#                        (also under AddressSanitizer and UBSan, and the fuzzers)
# Both work as root on a fresh Debian 12 machine; as another user they use sudo
# for the packages.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
root=$PWD

# xfonts-base: SDL's X11 message boxes draw with the core X fonts.
build_packages=(cmake make g++ pkg-config libsdl2-dev libx11-dev libxrandr-dev libxfixes-dev
  libgl-dev libglu1-mesa-dev libegl-dev libgl1-mesa-dri libmpg123-dev libkissfft-dev libpng-dev
  zlib1g-dev libmp3lame-dev libfreetype-dev fonts-dejavu-core xfonts-base)
# Xorg with the dummy driver: an X server whose display modes really change.
test_packages=(libgtest-dev libbenchmark-dev xvfb xauth xdotool x11-utils x11-xserver-utils
  xserver-xorg-core xserver-xorg-video-dummy imagemagick ffmpeg clang libclang-rt-14-dev)
capture_packages=(ffmpeg)

jobs=$(nproc 2>/dev/null || echo 2)

say() { printf '== %s\n' "$*" >&2; }

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

run_tests() {
  ensure_packages "${build_packages[@]}" "${test_packages[@]}"
  say "build and test"
  configure_and_build build/test
  (cd build/test && ctest --output-on-failure -j "$jobs" --timeout 900)

  say "build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
  configure_and_build build/asan -DVANTOREL_SANITIZE=ON
  (cd build/asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure -j "$jobs" -LE long --timeout 900)

  cmake -S "$root" -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOREL_FUZZ=ON \
    -DVANTOREL_TESTS=OFF -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null
  cmake --build build/fuzz --target picture_decode_fuzzer music_stream_fuzzer music_seeds \
    -j "$jobs"
  say "fuzz the picture decoder and the music stream, 60 s each, side by side"
  mkdir -p build/fuzz/corpus/png build/fuzz/corpus/mp3 build/fuzz/seeds/mp3
  build/fuzz/tests/fuzz/music_seeds build/fuzz/seeds/mp3
  run_fuzzer picture_decode_fuzzer png build/fuzz/corpus/png tests/fuzz/corpus/png \
    -dict=tests/fuzz/png.dict &
  local pictures=$!
  run_fuzzer music_stream_fuzzer mp3 build/fuzz/corpus/mp3 build/fuzz/seeds/mp3 &
  local music=$!
  wait "$pictures" || exit 1
  wait "$music" || exit 1
  say "all tests passed"
}

case "${1:-}" in
  play) play ;;
  test) run_tests ;;
  *)
    echo "usage: $0 play|test" >&2
    exit 2
    ;;
esac
