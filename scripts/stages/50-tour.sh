#!/usr/bin/env bash
# The README's first command works: the tour of vemoctl against the simulator
# runs, the brightness it sets is what it reads back, and what it prints is
# what the README's "Try it without a monitor" shows.
set -euo pipefail
cd "$(dirname "$0")/../.."
output=$(bash scripts/run.sh 2>&1)
echo "$output" | tail -n 12
last_value=$(echo "$output" | grep -A1 -F '$ vemoctl --simulate get brightness' | tail -n 1)
if [ "$last_value" != "30" ]; then
  echo "tour failed: the last 'get brightness' printed '$last_value', not 30" >&2
  exit 1
fi
# The README's tour: the plain fenced block of its "Try it" section.
shown=$(sed -n '/^## Try it without a monitor/,/^## /p' README.md |
  awk '/^```/ { if (open) open = 0; else { open = 1; plain = ($0 == "```") } next } open && plain')
printed=$(echo "$output" | sed -n '/^\$ vemoctl /,$p' | sed '/^The tool is /,$d')
if [ -z "$shown" ] || [ "$shown" != "$printed" ]; then
  echo "the tour does not print what the README shows:" >&2
  diff <(echo "$shown") <(echo "$printed") >&2 || true
  exit 1
fi
echo "tour passed"
