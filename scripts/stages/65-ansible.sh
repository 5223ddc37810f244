#!/usr/bin/env bash
# The Ansible collection vemo.monitors: built into its tarball, installed from
# it offline, its modules run by ansible-playbook against three simulated
# monitors (-c local, Debian's python3): check mode writes nothing, the real
# run changes, a second run changes nothing, refused values write nothing,
# facts, diff, profiles (vemoctl's dumps included), a write the monitor did
# not keep, the same through vemod, a held bridge waited for (directly and
# through vemod); the example of docs/ansible.md as printed; ansible-test's offline
# sanity tests and ansible-doc on every module.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
scripts/deps.sh
if [ ! -x build/tools/vemoctl/vemoctl ] || [ ! -x build/service/vemod ] || [ ! -e build/libVemoMonitorSdk.so.1 ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build -j "$(nproc)" --target vemoctl vemod VemoMonitorSim
fi

work=$(mktemp -d)
holder=""
cleanup() {
  if [ -n "$holder" ]; then kill "$holder" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "ansible stage failed: $*" >&2
  exit 1
}

# The collection's version is the project's.
project_version=$(sed -n 's/^project(VemoMonitorSdk VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
collection_version=$(sed -n 's/^version: *//p' ansible/galaxy.yml)
[ "$project_version" = "$collection_version" ] ||
  fail "ansible/galaxy.yml has version $collection_version, the project $project_version"

export ANSIBLE_COLLECTIONS_PATH="$work/collections"
export ANSIBLE_LOCAL_TEMP="$work/ansible-tmp" ANSIBLE_REMOTE_TEMP="$work/ansible-tmp"
export ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_DEPRECATION_WARNINGS=0
export ANSIBLE_PYTHON_INTERPRETER=/usr/bin/python3

echo "-- build and install the collection offline"
ansible-galaxy collection build ansible/ --output-path "$work" >/dev/null
tarball="$work/vemo-monitors-$collection_version.tar.gz"
[ -f "$tarball" ] || fail "no $tarball"
ansible-galaxy collection install --offline "$tarball" >/dev/null
collection="$work/collections/ansible_collections/vemo/monitors"
[ -f "$collection/plugins/modules/monitor_settings.py" ] || fail "the collection did not install"
[ ! -e "$collection/tests" ] || fail "the tarball carries the tests"

echo "-- ansible-doc on every module"
for module in monitor_info monitor_settings monitor_profile; do
  doc=$(ansible-doc "vemo.monitors.$module" 2>&1) || fail "ansible-doc vemo.monitors.$module: $doc"
  for part in OPTIONS EXAMPLES "RETURN VALUES"; do
    grep -q "^$part" <<<"$doc" || fail "ansible-doc vemo.monitors.$module shows no $part"
  done
done

echo "-- ansible-test sanity (the tests that need no network)"
offline_tests=(compile shebang line-endings no-smart-quotes empty-init symlinks future-import-boilerplate
  metaclass-boilerplate no-assert no-basestring no-dict-iteritems no-dict-iterkeys no-dict-itervalues
  no-get-exception no-illegal-filenames no-main-display no-unicode-literals replace-urlopen
  use-argspec-type-path use-compat-six action-plugin-docs)
python_version=$(/usr/bin/python3 -c 'import sys; print("%d.%d" % sys.version_info[:2])')
(cd "$collection" && HOME="$work/home" ansible-test sanity --python "$python_version" \
  "${offline_tests[@]/#/--test=}" 2>&1 | grep -v 'locale' ) || fail "ansible-test sanity"

# The package from the source tree, the library and the simulator from build/.
export PYTHONPATH="$root/python" PYTHONDONTWRITEBYTECODE=1
export VEMO_SDK_LIBRARY="$root/build/libVemoMonitorSdk.so.1"
export VEMO_SIM_LIBRARY="$root/build/sim/preload/libVemoMonitorSim.so"
# The simulated model's description (its choice names), as the build puts it.
export XDG_DATA_DIRS="$root/build/share:/usr/local/share:/usr/share"
export VEMO_SIMULATE=1 VEMO_SIM_MONITORS=3 VEMO_SIM_FAST=1 VEMO_SIM_STATE="$work/state.json"
vemoctl="$root/build/tools/vemoctl/vemoctl"
playbook() { ansible-playbook -i "desk-1," -c local "$@"; }
brightness() { "$vemoctl" --simulate --monitor all get brightness | tr '\n' ' '; }
recap_changed() { sed -n 's/^desk-1 *: .*changed=\([0-9]*\).*failed=\([0-9]*\).*/changed=\1 failed=\2/p'; }

echo "-- check mode, the real run, the second run"
factory="VM2612345678: 75 VM2612345679: 75 VM2612345680: 75 "
[ "$(brightness)" = "$factory" ] || fail "the simulator did not start from factory settings: $(brightness)"
out=$(playbook --check --diff ansible/tests/desired.yml)
[ "$(recap_changed <<<"$out")" = "changed=1 failed=0" ] || fail "check mode did not report the change: $out"
grep -q '^+brightness: 30' <<<"$out" || fail "check mode showed no diff: $out"
[ "$(brightness)" = "$factory" ] || fail "check mode wrote: $(brightness)"
out=$(playbook ansible/tests/desired.yml)
[ "$(recap_changed <<<"$out")" = "changed=1 failed=0" ] || fail "the real run did not change: $out"
[ "$(brightness)" = "VM2612345678: 30 VM2612345679: 30 VM2612345680: 30 " ] || fail "not written: $(brightness)"
out=$(playbook ansible/tests/desired.yml)
[ "$(recap_changed <<<"$out")" = "changed=0 failed=0" ] || fail "the second run changed: $out"

echo "-- facts, refused values, diff and profiles"
mkdir -p "$work/profiles"
playbook ansible/tests/monitors.yml -e profile_dir="$work/profiles" >"$work/monitors.log" && tail -n 3 "$work/monitors.log" ||
  { cat "$work/monitors.log"; fail "monitors.yml"; }

echo "-- a write the monitor does not keep fails the task, which reports what it sent"
out=$(VEMO_SIM_IGNORE=0x30 VEMO_SIM_STATE="$work/ignoring.json" ansible all -i desk-1, -c local \
  -m vemo.monitors.monitor_settings -a '{"settings": {"brightness": 20, "contrast": 40}}') && fail "not failed: $out"
grep -q '"msg": "monitor VM2612345678: brightness: sent 20 but read back 75"' <<<"$out" || fail "verify: $out"
grep -q '"changed": true' <<<"$out" || fail "verify: the write sent is not reported: $out"

echo "-- vemoctl's dumps, applied to the monitors they came from, change nothing"
"$vemoctl" --simulate --monitor all dump --json >"$work/profiles/all.json"
"$vemoctl" --simulate --monitor 1 dump --json >"$work/profiles/one.json"
for args in "src=$work/profiles/all.json" "src=$work/profiles/one.json monitor=1"; do
  out=$(ansible all -i desk-1, -c local -m vemo.monitors.monitor_profile -a "$args") || fail "$args: $out"
  grep -q '"changed": false' <<<"$out" || fail "$args changed the monitors: $out"
done

echo "-- through vemod, on a private session bus, a bridge another program holds included"
VEMO_SIM_LIBRARY="$VEMO_SIM_LIBRARY" scripts/with-vemod.sh --vemod "$root/build/service/vemod" --state "$work/service" \
  --arg --hold --arg 1 -- ansible/tests/through_service.sh "$VEMO_SIM_LIBRARY" "$vemoctl" \
  2> >(grep -v 'Failed to set fd limit' >&2) || fail "through vemod"
written=$(VEMO_SIM_STATE="$work/service/simulator.json" "$vemoctl" --simulate --monitor all get brightness 2>&1 | tr '\n' ' ')
[ "$written" = "VM2612345678: 30 VM2612345679: 30 VM2612345680: 55 " ] || fail "through vemod, the monitors hold $written"

echo "-- a bridge another program holds"
# vemoctl polls a register of monitor 2 for about 8 s, holding its bridge.
VEMO_SIM_FAST=0 "$vemoctl" --simulate --monitor 2 register wait 0x10 0x01 0x01 --tries 80 >/dev/null 2>&1 &
holder=$!
for _ in $(seq 100); do
  ls -l "/proc/$holder/fd" 2>/dev/null | grep -c 'VEMOSIM00003.lock' >/dev/null && break
  sleep 0.1
done
ls -l "/proc/$holder/fd" 2>/dev/null | grep -c 'VEMOSIM00003.lock' >/dev/null || fail "the holder did not take the bridge"
playbook ansible/tests/busy.yml >"$work/busy.log" || { cat "$work/busy.log"; fail "busy.yml"; }
ls -l "/proc/$holder/fd" 2>/dev/null | grep -c 'VEMOSIM00003.lock' >/dev/null &&
  fail "the playbook finished while the bridge was still held"
wait "$holder" || true
holder=""

echo "-- the guide's example (docs/ansible.md), as printed: three simulated desks, the inventory in a CSV"
unset VEMO_SIMULATE VEMO_SIM_MONITORS VEMO_SIM_STATE
rm -rf build/desks ansible/examples/monitors.csv
guide=docs/ansible.md
commands=$(sed -n '/^```sh$/,/^```$/p' "$guide" | grep -v '^```')
[ "$(wc -l <<<"$commands")" = 3 ] || fail "the Ansible commands of $guide: $commands"
out=$(bash -euo pipefail -c "$commands") || fail "the Ansible commands of $guide: $out"
grep -q 'failed=0' <<<"$out" || fail "the example playbook: $out"
expected=$(sed -n '/^desk,id,/,/^```$/p' "$guide" | grep -v '^```')
[ -n "$expected" ] || fail "no monitors.csv shown in $guide"
[ "$(cat ansible/examples/monitors.csv)" = "$expected" ] ||
  fail "monitors.csv is not as $guide shows: $(cat ansible/examples/monitors.csv)"
rm -rf build/desks ansible/examples/monitors.csv "build/vemo-monitors-$collection_version.tar.gz"
echo "ansible passed"
