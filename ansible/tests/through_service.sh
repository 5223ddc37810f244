#!/usr/bin/env bash
# Run beside vemod on a private session bus (scripts/with-vemod.sh, bridges
# let go after 1 s idle): the modules, without the simulator of their own
# (directly they would find no monitor), go through it: the desired settings
# twice, then busy.yml while vemoctl holds monitor 2's bridge. ARGS: the
# simulator library, vemoctl.
set -euo pipefail
simulator=$1 vemoctl=$2
state=$VEMO_SIM_STATE
unset VEMO_SIMULATE VEMO_SIM_LIBRARY
for expected in "changed=1 failed=0" "changed=0 failed=0"; do
  out=$(ansible-playbook -i desk-1, -c local "$(dirname "$0")/desired.yml")
  got=$(sed -n 's/^desk-1 *: .*changed=\([0-9]*\).*failed=\([0-9]*\).*/changed=\1 failed=\2/p' <<<"$out")
  [ "$got" = "$expected" ] || { echo "through vemod: $got, not $expected: $out" >&2; exit 1; }
done

sleep 1.5
VEMO_SIM_MONITORS=3 VEMO_SIM_FAST=0 VEMO_SIM_STATE="$state" VEMO_SIM_LIBRARY="$simulator" \
  "$vemoctl" --simulate --monitor 2 register wait 0x10 0x01 0x01 --tries 60 >/dev/null 2>&1 &
holder=$!
trap 'kill $holder 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  ls -l "/proc/$holder/fd" 2>/dev/null | grep -c 'VEMOSIM00003.lock' >/dev/null && break
  sleep 0.1
done
ansible-playbook -i desk-1, -c local "$(dirname "$0")/busy.yml" >"$state.busy.log" ||
  { cat "$state.busy.log" >&2; exit 1; }
