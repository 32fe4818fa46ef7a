#!/usr/bin/env bash
# Dependencies run one way, from the program down to the platform:
#
#   tests, tools     may include anything below them
#   app              entry points, main loop, window, frame clock
#   timeline         the frame director, the cues, the show's moments, its state
#   score            the music made from the moments (synthesis, accents, MP3)
#   effects          mesh grids, mesh, swarm, ribbons
#   music | assets   the music clock and its readings | the texture table
#   gfx              the GL call table, its recorder, the visible-triangle pass
#   workers | sound  helper threads | the audio back-ends' decoder and FFT
#   platform         the interface headers
#
# Beside the order, the platform's back-ends (platform/<name>/: posix, sdl,
# headless, web) each implement interface headers: a back-end includes the
# interfaces, sound/, gfx/, workers/ and its own folder, never another
# back-end; only tools and tests include a back-end's own headers (the
# executables choose their back-ends when they link). The show's logic (app,
# timeline, effects, music, assets) includes from the layers beneath it only
# their interface headers: platform/*.h, gfx/gfx.h and workers/workers.h;
# never sound/, which only back-ends use.
#
# SDL headers belong to platform/sdl, EGL's to platform/headless (and the
# tests' own headless context), Emscripten's to platform/web.
#
# Walks every #include "folder/..." of the source folders and fails, naming
# the file and line, on one against these rules or a folder the order does
# not know. Packages that npm installs for the page's tests are not the
# project's and are left out. Usage: check_includes.sh [SOURCE_DIR]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root"

declare -A rank=([platform]=1 [workers]=2 [sound]=2 [gfx]=3 [music]=4 [assets]=4 [effects]=5
  [timeline]=6 [score]=7 [app]=8 [tools]=9 [tests]=10)
declare -A show_logic=([app]=1 [timeline]=1 [effects]=1 [music]=1 [assets]=1)
declare -A may_choose_backends=([tools]=1 [tests]=1)
backends=(posix sdl headless web)
interfaces_re='^(platform/[^/]+\.h|gfx/gfx\.h|workers/workers\.h)$'

faults=0
fault() {
  echo "$1: $2" >&2
  faults=$((faults + 1))
}

# The unit a path belongs to: platform/<back-end> for a back-end's files, else
# its top folder.
unit_of() {
  local path=$1 top=${1%%/*}
  if [ "$top" = platform ]; then
    local rest=${path#platform/}
    if [[ $rest == */* ]]; then
      echo "platform/${rest%%/*}"
      return
    fi
  fi
  echo "$top"
}

is_backend() { [[ $1 == platform/* ]]; }

check() {
  local file=$1 line=$2 target_path=$3
  local from to
  from=$(unit_of "$file")
  to=$(unit_of "$target_path")
  [ "$from" = "$to" ] && return 0
  if is_backend "$to" && [ -z "${rank[${to#platform/}]:-}" ]; then
    local known=0 b
    for b in "${backends[@]}"; do [ "$to" = "platform/$b" ] && known=1; done
    ((known)) || {
      fault "$file:$line" "includes $to/, a back-end the layer order does not know"
      return 0
    }
  fi
  if is_backend "$from"; then
    case $to in
      platform | sound | gfx | workers) return 0 ;;
    esac
    if is_backend "$to"; then
      fault "$file:$line" "the back-end $from includes the back-end $to"
    else
      fault "$file:$line" "the back-end $from includes $to/, which lies above the platform"
    fi
    return 0
  fi
  if is_backend "$to"; then
    [ -n "${may_choose_backends[$from]:-}" ] ||
      fault "$file:$line" "$from/ includes the back-end $to; only tools and tests choose back-ends"
    return 0
  fi
  if [ -z "${rank[$to]:-}" ]; then
    fault "$file:$line" "includes $to/, a folder the layer order does not know"
    return 0
  fi
  if ((rank[$to] >= rank[$from])); then
    local what=above
    ((rank[$to] == rank[$from])) && what=beside
    fault "$file:$line" "$from/ includes $to/, which sits $what it"
    return 0
  fi
  if [ -n "${show_logic[$from]:-}" ] && ((rank[$to] <= rank[gfx])) &&
    ! [[ $target_path =~ $interfaces_re ]]; then
    fault "$file:$line" "the show's logic includes $target_path, which is not an interface header"
  fi
}

while IFS=: read -r file line text; do
  [[ $text =~ \"([^\"]+)\" ]] || continue
  check "$file" "$line" "${BASH_REMATCH[1]}"
done < <(grep -rnE --include='*.h' --include='*.cpp' --include='*.c' --exclude-dir=node_modules \
  '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "${!rank[@]}" 2>/dev/null || true)

# System headers of one back-end, anywhere else.
system_header() {
  local pattern=$1 what=$2
  shift 2
  local allowed=("$@")
  while IFS=: read -r file line _; do
    local ok=0 a
    for a in "${allowed[@]}"; do [[ $file == "$a"/* ]] && ok=1; done
    ((ok)) || fault "$file:$line" "includes $what headers, which belong to ${allowed[0]}"
  done < <(grep -rnE --include='*.h' --include='*.cpp' --include='*.c' --exclude-dir=node_modules \
    "^[[:space:]]*#[[:space:]]*include[[:space:]]*<$pattern" "${!rank[@]}" 2>/dev/null || true)
}
system_header 'SDL' SDL platform/sdl
system_header 'EGL/' EGL platform/headless tests/support
system_header 'emscripten' Emscripten platform/web

if ((faults)); then
  echo "$faults include(s) against the layer order" >&2
  exit 1
fi
files=$(find "${!rank[@]}" -name node_modules -prune -o \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) \
  -print 2>/dev/null | wc -l)
echo "includes run one way in $files files"
