#!/usr/bin/env bash
# The library's layers point one way: api/ over command/ over bridge/, log/
# a leaf beside them, and include/ (the public header) usable by all. A file
# that includes a folder its layer must not reach, or hidapi outside bridge/,
# fails the stage.
set -euo pipefail
cd "$(dirname "$0")/../.."

declare -A above=([include]='api|command|bridge|log' [api]='' [command]='api'
  [bridge]='api|command|log' [log]='api|command|bridge')
found=0
for layer in "${!above[@]}"; do
  [ -n "${above[$layer]}" ] &&
    grep -rnE "^\s*#\s*include\s*[\"<](${above[$layer]})/" "$layer" && found=1
  [ "$layer" != bridge ] && grep -rnE '^\s*#\s*include\s*[<"]hidapi(/hidapi)?\.h[>"]' "$layer" && found=1
done
[ "$found" -eq 0 ] || { echo "layers: the includes above break the one-way layering" >&2; exit 1; }
echo "layers passed"
