#!/usr/bin/env bash
# clang-tidy over the library's sources (bridge/, log/, command/, api/ and
# the headers they include) with the checked-in .clang-tidy; any warning
# fails the stage.
set -euo pipefail
cd "$(dirname "$0")/../.."

# clang-tidy reads the flags from the plain build's compilation database;
# run alone before any build, it configures one (no compiling needed).
build=${VEMO_BUILD_DIR:-build}
if [ ! -f "$build/compile_commands.json" ]; then
  build=build-tidy
  rm -rf "$build"
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DVEMO_BUILD_TESTS=OFF >/dev/null
fi

mapfile -t sources < <(find bridge log command api -name '*.cpp' | sort)
echo "clang-tidy over ${#sources[@]} files"
if ! printf '%s\n' "${sources[@]}" |
    xargs -P "$(nproc)" -n 1 clang-tidy -p "$build" --quiet --warnings-as-errors='*'; then
  echo "clang-tidy: findings above" >&2
  exit 1
fi
echo "clang-tidy passed"
