#!/usr/bin/env bash
# The README's first command works: the tour of vemoctl against the simulator
# runs, and the brightness it sets is what it reads back.
set -euo pipefail
cd "$(dirname "$0")/../.."
output=$(bash scripts/run.sh 2>&1)
echo "$output" | tail -n 12
last_value=$(echo "$output" | grep -A1 -F '$ vemoctl --simulate get brightness' | tail -n 1)
if [ "$last_value" != "30" ]; then
  echo "tour failed: the last 'get brightness' printed '$last_value', not 30" >&2
  exit 1
fi
echo "tour passed"
