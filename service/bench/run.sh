#!/usr/bin/env bash
# Builds vemod and the simulator in a Release build and measures the service
# on a session bus of its own against simulated monitors; prints its figures
# beside the targets. Not a test: a missed target is reported, not fatal.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps.sh

# VEMOD_BENCH_BUILD names a build dir that is already configured, to measure it as it is.
build=${VEMOD_BENCH_BUILD:-build-bench-vemod}
if [ -z "${VEMOD_BENCH_BUILD:-}" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEMO_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target vemod VemoMonitorSim VemoMonitorSdk

export VEMOD=$build/service/vemod
export VEMO_SDK=$(realpath "$build/libVemoMonitorSdk.so.1")
export VEMO_SIM=$(realpath "$(find "$build/sim" -name libVemoMonitorSim.so | head -n 1)")
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
# An argument picks one: vemod (the cost of the service) or automation
# (brightness following a changing light).
case "${1:-all}" in
  vemod) benches=(bench_vemod.py) ;;
  automation) benches=(bench_automation.py) ;;
  *) benches=(bench_vemod.py bench_automation.py) ;;
esac
for bench in "${benches[@]}"; do
  dbus-run-session -- /usr/bin/python3 "service/bench/$bench"
done
