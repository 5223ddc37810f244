#!/usr/bin/env bash
# Runs a command beside `vemod --simulate` on a private session bus of its
# own: starts the service with simulated monitors, waits until it owns its
# name on the bus, runs the command and stops the service. The command's exit
# status is the helper's.
#
#   scripts/with-vemod.sh [OPTIONS] [--] COMMAND [ARG...]
#
#   --vemod PATH    the service (default: $VEMOD, else build/service/vemod)
#   --monitors N    simulated monitors (default 3)
#   --slow          keep the library's real waits (default: fast, without them)
#   --state DIR     the simulator's state and the service's settings
#                   (XDG_CONFIG_HOME) in DIR, kept; default a temporary
#                   folder, removed afterwards
#   --arg OPTION    one more option of vemod (repeatable), e.g. --arg --hold --arg 0
#
# The command sees the simulator's settings the service got (VEMO_SIM_MONITORS,
# VEMO_SIM_FAST, VEMO_SIM_STATE), so `vemoctl --simulate` reaches the same
# monitors; more environment for both goes on the helper's own command line.
set -euo pipefail

bus_name=org.vemo.Monitors1
start_timeout=20

if [ -z "${VEMO_WITH_VEMOD_INSIDE:-}" ]; then
  VEMO_WITH_VEMOD_INSIDE=1 exec dbus-run-session -- "$0" "$@"
fi
unset VEMO_WITH_VEMOD_INSIDE

vemod=${VEMOD:-$(dirname "$0")/../build/service/vemod}
monitors=3 fast=1 state="" args=()
while [ $# -gt 0 ]; do
  case $1 in
    --vemod) vemod=$2; shift 2 ;;
    --monitors) monitors=$2; shift 2 ;;
    --slow) fast=""; shift ;;
    --state) state=$2; shift 2 ;;
    --arg) args+=("$2"); shift 2 ;;
    --) shift; break ;;
    -*) echo "with-vemod.sh: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "with-vemod.sh: no command to run" >&2; exit 2; }
[ -x "$vemod" ] || { echo "with-vemod.sh: no vemod at $vemod (build it, or give --vemod)" >&2; exit 2; }

scratch=""
if [ -z "$state" ]; then
  scratch=$(mktemp -d)
  state=$scratch
fi
mkdir -p "$state"
export VEMO_SIM_MONITORS=$monitors VEMO_SIM_FAST=$fast VEMO_SIM_STATE=$state/simulator.json
XDG_CONFIG_HOME=$state "$vemod" --simulate "${args[@]}" &
service=$!
trap 'kill "$service" 2>/dev/null; wait "$service" 2>/dev/null; [ -z "$scratch" ] || rm -rf "$scratch"' EXIT

owned() {
  dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$bus_name" 2>/dev/null | grep -q true
}
deadline=$((SECONDS + start_timeout))
until owned; do
  if ! kill -0 "$service" 2>/dev/null || [ "$SECONDS" -ge "$deadline" ]; then
    echo "with-vemod.sh: vemod --simulate did not take its name on the bus" >&2
    exit 1
  fi
  sleep 0.05
done
status=0
"$@" || status=$?
exit "$status"
