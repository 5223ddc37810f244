#!/usr/bin/env bash
# The Ansible collection on a fleet: 50 simulated desks (50 inventory hosts on
# the local connection, each with simulated monitors of its own state file),
# forks 10, taken from factory settings to a room profile, then the same run
# again. Prints both wall times and the writes each run sent, counted where
# the package calls the library (the second run's target: 0).
#
#   ansible/bench/fleet.sh [DESKS] [FORKS]
#
# Uses the build in build/ (VEMO_BENCH_BUILD=<dir> for another) with the
# library's real 100 ms waits.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
desks=${1:-50}
forks=${2:-10}
build=${VEMO_BENCH_BUILD:-$root/build}
if [ ! -x "$build/tools/vemoctl/vemoctl" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$build" -j "$(nproc)" --target vemoctl VemoMonitorSim
fi
vemoctl="$build/tools/vemoctl/vemoctl"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ANSIBLE_COLLECTIONS_PATH="$work/collections" ANSIBLE_LOCAL_TEMP="$work/ansible-tmp"
export ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_PYTHON_INTERPRETER=/usr/bin/python3
ansible-galaxy collection build ansible/ --output-path "$work" >/dev/null
ansible-galaxy collection install --offline "$work"/vemo-monitors-*.tar.gz >/dev/null

# The room's profile: a reference monitor set up by hand, dumped as vemoctl
# dumps it.
mkdir -p "$work/python"
cp ansible/bench/count_writes.py "$work/python/sitecustomize.py"
reference=(env VEMO_SIM_STATE="$work/reference.json" VEMO_SIM_FAST=1 "$vemoctl" --simulate)
"${reference[@]}" set brightness 60 contrast 45 sharpness 60 saturation 55 color-preset 0x04 color-temp 0x08 \
  osd-timer 30 osd-transparency 20 power-led 0 button-sound 0
"${reference[@]}" dump --json >"$work/room.json"

{
  echo "desks:"
  echo "  hosts:"
  for i in $(seq -w 1 "$desks"); do
    echo "    desk-$i: {desk_dir: \"$work/desks/desk-$i\"}"
  done
  echo "  vars:"
  echo "    ansible_connection: local"
  echo "    room_profile: \"$work/room.json\""
  echo "    vemo_environment:"
  echo "      PYTHONPATH: \"$work/python:$root/python\""
  echo "      VEMO_SDK_LIBRARY: \"$build/libVemoMonitorSdk.so.1\""
  echo "      VEMO_SIM_LIBRARY: \"$build/sim/preload/libVemoMonitorSim.so\""
  echo "      VEMO_SIMULATE: \"1\""
  echo "      VEMO_SIM_MONITORS: \"1\""
  echo "      VEMO_SIM_STATE: \"{{ desk_dir }}/state.json\""
  echo "      VEMO_BENCH_WRITES: \"{{ writes_log }}\""
} >"$work/fleet.yml"
for i in $(seq -w 1 "$desks"); do mkdir -p "$work/desks/desk-$i"; done

echo "== machine"
echo "nproc: $(nproc); load average (1, 5, 15 min): $(cut -d' ' -f1-3 /proc/loadavg)"
ansible-playbook --version | sed -n 1p

status=0
for run in 1 2; do
  writes="$work/writes-$run.log"
  : >"$writes"
  start=$EPOCHREALTIME
  ansible-playbook -i "$work/fleet.yml" -f "$forks" ansible/bench/fleet.yml -e writes_log="$writes" \
    >"$work/run-$run.log" || { cat "$work/run-$run.log"; exit 1; }
  end=$EPOCHREALTIME
  changed=$(grep -cE '^desk-.*changed=[1-9]' "$work/run-$run.log" || true)
  printf 'run %d: %d desks, forks %d: %.1f s wall, %d writes sent, %d desks changed\n' "$run" "$desks" \
    "$forks" "$(awk "BEGIN { print $end - $start }")" "$(wc -l <"$writes")" "$changed"
done
second=$(wc -l <"$work/writes-2.log")
if [ "$second" -ne 0 ]; then
  echo "the second run sent $second writes (target 0)"
  status=1
fi
# Every desk holds the room's values.
for state in "$work"/desks/*/state.json; do
  got=$(VEMO_SIM_STATE="$state" VEMO_SIM_FAST=1 "$vemoctl" --simulate get brightness osd-timer color-temp)
  [ "$got" = $'brightness: 60\nosd-timer: 30\ncolor-temp: 0x00000008' ] || { echo "$state: $got"; status=1; }
done
echo "load average after (1, 5, 15 min): $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$status"
