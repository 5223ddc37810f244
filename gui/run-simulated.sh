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
export PYTHONPATH="$PWD/python${PYTHONPATH:+:$PYTHONPATH}"
# The simulated monitors keep their state where the simulator keeps it by
# default, so settings changed in one session show in the next.
speed=--slow
[ -z "${VEMO_SIM_FAST:-}" ] || speed=
exec scripts/with-vemod.sh --vemod "$build/service/vemod" --monitors "${VEMO_SIM_MONITORS:-3}" $speed \
  --state "${XDG_STATE_HOME:-$HOME/.local/state}/vemo" -- /usr/bin/python3 gui/vemo-monitors
