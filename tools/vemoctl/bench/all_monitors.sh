#!/usr/bin/env bash
# `vemoctl --monitor all set brightness 50` on three simulated monitors through
# vemod against the same command on one monitor, with the library's real
# 100 ms waits: the median of several runs of each and their ratio (target:
# under 1.3 times). Not a test: a missed target is reported, not fatal.
# VEMOCTL_BENCH_BUILD names a configured build dir to measure as it is.
set -euo pipefail
cd "$(dirname "$0")/../../.."

if [ -z "${VEMOCTL_BENCH_INSIDE:-}" ]; then
  scripts/deps.sh
  build=${VEMOCTL_BENCH_BUILD:-build-bench-vemoctl}
  if [ -z "${VEMOCTL_BENCH_BUILD:-}" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEMO_BUILD_TESTS=OFF >/dev/null
  fi
  cmake --build "$build" -j "$(nproc)" --target vemoctl vemod VemoMonitorSim
  echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
  # On a private session bus: three simulated monitors with the library's
  # real waits, bridges held for good.
  VEMOCTL_BENCH_INSIDE=1 VEMOCTL=$build/tools/vemoctl/vemoctl \
    exec scripts/with-vemod.sh --vemod "$build/service/vemod" --monitors 3 --slow --arg --hold --arg 0 -- "$0"
fi

until "$VEMOCTL" list 2>/dev/null | grep -q VEMOSIM00003; do sleep 0.1; done

runs=15
median_ms() {  # the command's median wall time over $runs runs
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.1f", a[int((NR+1)/2)] / 1000}'
}

"$VEMOCTL" --monitor all set brightness 40  # every worker warm
one=$(median_ms "$VEMOCTL" --monitor 0 set brightness 50)
all=$(median_ms "$VEMOCTL" --monitor all set brightness 50)
ratio=$(awk -v a="$all" -v o="$one" 'BEGIN {printf "%.2f", a / o}')
verdict=$(awk -v r="$ratio" 'BEGIN {print (r < 1.3 ? "met" : "MISSED")}')
echo "vemoctl set brightness 50 through vemod, median of $runs runs:"
echo "  one monitor:    $one ms"
echo "  all three:      $all ms"
echo "  ratio:          $ratio (target under 1.3: $verdict)"
