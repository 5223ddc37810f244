#!/usr/bin/env bash
# Run on a private session bus (dbus-run-session): vemod serves three
# simulated monitors, and the modules, without the simulator of their own
# (directly they would find no monitor), go through it: the desired settings
# twice, then busy.yml while vemoctl holds monitor 2's bridge (vemod lets its
# bridges go after 1 s idle). ARGS: vemod, the simulator library, a state
# file, vemoctl.
set -euo pipefail
vemod=$1 simulator=$2 state=$3 vemoctl=$4
unset VEMO_SIMULATE VEMO_SIM_LIBRARY
VEMO_SIM_MONITORS=3 VEMO_SIM_FAST=1 VEMO_SIM_STATE="$state" VEMO_SIM_LIBRARY="$simulator" "$vemod" --simulate --hold 1 &
service=$!
trap 'kill $service; wait $service || true' EXIT
for _ in $(seq 100); do
  [ "$(/usr/bin/python3 -c 'import vemo; print(vemo.transport())')" = dbus ] && break
  sleep 0.1
done
for expected in "changed=1 failed=0" "changed=0 failed=0"; do
  out=$(ansible-playbook -i desk-1, -c local "$(dirname "$0")/desired.yml")
  got=$(sed -n 's/^desk-1 *: .*changed=\([0-9]*\).*failed=\([0-9]*\).*/changed=\1 failed=\2/p' <<<"$out")
  [ "$got" = "$expected" ] || { echo "through vemod: $got, not $expected: $out" >&2; exit 1; }
done

sleep 1.5
VEMO_SIM_MONITORS=3 VEMO_SIM_FAST=0 VEMO_SIM_STATE="$state" VEMO_SIM_LIBRARY="$simulator" \
  "$vemoctl" --simulate --monitor 2 register wait 0x10 0x01 0x01 --tries 60 >/dev/null 2>&1 &
holder=$!
trap 'kill $service $holder 2>/dev/null; wait $service || true' EXIT
for _ in $(seq 100); do
  ls -l "/proc/$holder/fd" 2>/dev/null | grep -c 'VEMOSIM00003.lock' >/dev/null && break
  sleep 0.1
done
ansible-playbook -i desk-1, -c local "$(dirname "$0")/busy.yml" >"$state.busy.log" ||
  { cat "$state.busy.log" >&2; exit 1; }
