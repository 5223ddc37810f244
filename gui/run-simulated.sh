#!/usr/bin/env bash
# Builds the service and starts Vemo Monitors against simulated monitors
# (three unless VEMO_SIM_MONITORS says otherwise), on a session bus of their
# own so that a real vemod on the desktop is left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
scripts/deps.sh
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja
cmake --build "$build" --target vemod
export VEMO_SIM_MONITORS=${VEMO_SIM_MONITORS:-3}
export PYTHONPATH="$PWD/python${PYTHONPATH:+:$PYTHONPATH}"
exec dbus-run-session -- bash -c "
  '$build/service/vemod' --simulate &
  gdbus wait --session --timeout 30 org.vemo.Monitors1
  /usr/bin/python3 gui/vemo-monitors"
