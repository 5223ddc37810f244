#!/usr/bin/env bash
# Builds the benchmarks from nothing in a Release build and runs them: the
# library's cost per exchange, discovery and memory on the virtual clock, then
# ten calls with the real 100 ms wait. Each program closes with its figures
# beside the targets. Extra arguments go to both programs (for example
# --benchmark_filter=Exchange or --benchmark_min_time=2).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

build=build-bench
rm -rf "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEMO_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)" --target vemo_bench vemo_bench_real_wait

echo "== machine"
lscpu | grep -E '^(Model name|Architecture|CPU\(s\)|Thread\(s\) per core|CPU max MHz|Hypervisor vendor)' || true
echo "nproc: $(nproc)"
free -h | head -2
echo "load average (1, 5, 15 min): $(cut -d' ' -f1-3 /proc/loadavg)"

# The log files of the TRACE runs go to scratch directories under $TMPDIR.
status=0
echo "== virtual clock: exchanges, discovery, memory"
"$build/bench/vemo_bench" "$@" || status=1
echo "== real 100 ms waits"
"$build/bench/vemo_bench_real_wait" "$@" || status=1
exit "$status"
