#!/usr/bin/env bash
# Builds everything from nothing and runs every test: the suite in a plain
# build, the suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the extra stages in scripts/stages/ (in name order).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

jobs=$(nproc)

echo "== plain build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEMO_SKIP_DIRS=
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs")

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEMO_SANITIZE=ON -DVEMO_SKIP_DIRS=
cmake --build build-asan -j "$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs" -LE no-sanitizer)

for stage in scripts/stages/*.sh; do
  [ -e "$stage" ] || continue
  echo "== $(basename "$stage" .sh)"
  bash "$stage"
done
echo "All tests passed."
