#!/usr/bin/env bash
# Installs what the build needs, builds vemoctl and the simulator from
# nothing, and takes a short tour of vemoctl against the simulated monitor.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

build=${VEMO_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEMO_BUILD_TOOLS=ON
cmake --build "$build" -j "$(nproc)" --target vemoctl VemoMonitorSim

vemoctl=$build/tools/vemoctl/vemoctl
# The tour starts from the simulator's factory state and leaves the usual
# state file (~/.local/state/vemo/simulator.json) alone.
state_dir=$(mktemp -d)
trap 'rm -rf "$state_dir"' EXIT
export VEMO_SIM_STATE="$state_dir/simulator.json"

tour() {
  echo
  echo "\$ vemoctl $*"
  "$vemoctl" "$@"
}
tour --simulate list
tour --simulate info
tour --simulate get brightness
tour --simulate set brightness 30
tour --simulate get brightness
echo
echo "The tool is $vemoctl; 'vemoctl --help' lists its commands and exit codes."
