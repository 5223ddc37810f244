#!/usr/bin/env bash
# clang-tidy over the library's sources (bridge/, log/, command/, api/ and
# the headers they include) with the checked-in .clang-tidy; any warning
# fails the stage.
set -euo pipefail
cd "$(dirname "$0")/../.."

build=build-tidy
rm -rf "$build"
# Only the compilation database is needed: clang's view of the library's
# flags, configured in a few seconds. The plain build's database is gcc's and
# also lists the library's sources for the test programs that compile them
# again, with other flags: clang-tidy reads false findings from it.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DVEMO_BUILD_TESTS=OFF >/dev/null

mapfile -t sources < <(find bridge log command api -name '*.cpp' | sort)
echo "clang-tidy over ${#sources[@]} files"
if ! printf '%s\n' "${sources[@]}" |
    xargs -P "$(nproc)" -n 1 clang-tidy -p "$build" --quiet --warnings-as-errors='*'; then
  echo "clang-tidy: findings above" >&2
  exit 1
fi
echo "clang-tidy passed"
