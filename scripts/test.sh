#!/usr/bin/env bash
# Builds everything from nothing and runs every test: the suite in a plain
# build, the suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the extra stages in scripts/stages/ (in name order).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
export VEMO_DEPS_CHECKED=1

jobs=$(nproc)
# Every part, even in a build dir configured earlier to leave some out (the
# fuzzers need clang: their stage builds them).
all_parts=(-DVEMO_BUILD_TESTS=ON -DVEMO_BUILD_TOOLS=ON -DVEMO_BUILD_BENCHMARKS=ON -DVEMO_BUILD_E2E=ON -DVEMO_FUZZ=OFF)

echo "== plain build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr "${all_parts[@]}"
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEMO_SANITIZE=ON "${all_parts[@]}"
cmake --build build-asan -j "$jobs"
# Tests that exercise no C++ code (label once: Python typing, Python-only
# logic, installed-file validation) ran in the plain build already.
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs" -LE 'no-sanitizer|once')

for stage in scripts/stages/*.sh; do
  [ -e "$stage" ] || continue
  echo "== $(basename "$stage" .sh)"
  bash "$stage"
done
echo "All tests passed."
