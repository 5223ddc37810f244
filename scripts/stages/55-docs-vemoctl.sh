#!/usr/bin/env bash
# The vemoctl guide's examples run as printed: every "$ vemoctl ..." line in
# docs/vemoctl.md runs against the simulator, and what it prints (standard
# output and error together) must be what the guide shows below it, where a
# "..." line stands for any number of lines. Each example block starts from
# the simulator's factory state.
set -euo pipefail
cd "$(dirname "$0")/../.."
vemoctl=$(realpath "${VEMO_BUILD_DIR:-build}/tools/vemoctl/vemoctl")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

VEMOCTL="$vemoctl" WORK="$work" /usr/bin/python3 - <<'PY'
import os, re, subprocess, sys

guide = "docs/vemoctl.md"
blocks = re.findall(r"^```\n(.*?)^```", open(guide, encoding="utf-8").read(), re.S | re.M)
tool, work = os.environ["VEMOCTL"], os.environ["WORK"]

def matches(expected, actual):
    if not expected:
        return not actual
    if expected[0] == "...":
        return any(matches(expected[1:], actual[i:]) for i in range(len(actual) + 1))
    return bool(actual) and expected[0] == actual[0] and matches(expected[1:], actual[1:])

failures = examples = 0
for block in blocks:
    state = os.path.join(work, "state-%d.json" % examples)
    env = dict(os.environ, VEMO_SIM_STATE=state, VEMO_SIM_FAST="1")
    commands = []
    for line in block.splitlines():
        if line.startswith("$ "):
            commands.append((line[2:], []))
        elif commands:
            commands[-1][1].append(line)
    for command, expected in commands:
        if not command.startswith("vemoctl "):
            continue
        examples += 1
        shell = re.sub(r"\s+# .*$", "", command)
        shell = re.sub(r"(^|\| )vemoctl ", lambda m: m.group(1) + tool + " --simulate ", shell)
        run = subprocess.run(["bash", "-c", shell], cwd=work, env=env, capture_output=False,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        actual = run.stdout.splitlines()
        if not matches(expected, actual):
            failures += 1
            print(guide + " example differs: $ " + command, file=sys.stderr)
            print("  expected:\n    " + "\n    ".join(expected), file=sys.stderr)
            print("  printed:\n    " + "\n    ".join(actual), file=sys.stderr)
print("%d vemoctl examples of %s run, %d differ" % (examples, guide, failures))
# A guide that lost its examples (moved, or fenced differently) must not pass unseen.
if examples < 45:
    print("too few examples found in " + guide, file=sys.stderr)
    failures += 1
sys.exit(1 if failures else 0)
PY
