#!/usr/bin/env bash
# Dependencies run one way, from the program down to the platform:
#
#   tests, tools  may include anything below them
#   app           the entry point, main loop, window
#   timeline      the frame director, the cues, the show's moments
#   effects       mesh grids, mesh, swarm, ribbons
#   music, assets the music clock and its readings; the texture table
#   platform      the stand-in layers
#
# Walks every #include "folder/..." of the source folders and fails, naming
# the file and line, on one that reaches a folder above the includer or
# beside it (music and assets do not include each other), on a folder the
# order does not know, and on an SDL, EGL or Emscripten header included by
# the show's logic. Packages that npm installs for the page's tests are not
# the project's and are left out. Usage: check_includes.sh [SOURCE_DIR]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root"

declare -A rank=([platform]=1 [music]=2 [assets]=2 [effects]=3 [timeline]=4 [app]=5
  [tools]=6 [tests]=7)
show_logic=(app timeline effects music assets)

faults=0
fault() {
  echo "$1: $2" >&2
  faults=$((faults + 1))
}

while IFS=: read -r file line text; do
  from=${file%%/*}
  [[ $text =~ \"([^/\"]+)/ ]] || continue
  target=${BASH_REMATCH[1]}
  [ "$target" = "$from" ] && continue
  if [ -z "${rank[$target]:-}" ]; then
    fault "$file:$line" "includes $target/, a folder the layer order does not know"
  elif ((rank[$target] >= rank[$from])); then
    what=above
    ((rank[$target] == rank[$from])) && what=beside
    fault "$file:$line" "$from/ includes $target/, which sits $what it"
  fi
done < <(grep -rnE --include='*.h' --include='*.cpp' --include='*.c' --exclude-dir=node_modules \
  '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "${!rank[@]}" 2>/dev/null || true)

while IFS=: read -r file line _; do
  fault "$file:$line" "the show's logic includes a window-system or browser header"
done < <(grep -rnE --include='*.h' --include='*.cpp' \
  '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(SDL|EGL/|emscripten)' "${show_logic[@]}" \
  2>/dev/null || true)

if ((faults)); then
  echo "$faults include(s) against the layer order" >&2
  exit 1
fi
files=$(find "${!rank[@]}" -name node_modules -prune -o \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) \
  -print 2>/dev/null | wc -l)
echo "includes run one way in $files files"
