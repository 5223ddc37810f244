#!/usr/bin/python3
"""Runs the package's tests through the service: starts ``vemod --simulate``
on the session bus of this run (start it under dbus-run-session) with three
fast simulated monitors and a private state file, waits until it owns its
name, runs pytest with ``--transport dbus`` and stops the service.

    dbus-run-session -- run_with_service.py VEMOD [pytest arguments]
"""

from __future__ import annotations

import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "bus"))
from vemod_fixture import VemodService  # noqa: E402


def main() -> int:
    vemod, pytest_args = sys.argv[1], sys.argv[2:]
    try:
        service = VemodService(monitors=3, vemod=vemod).start()
    except RuntimeError as error:
        print(f"run_with_service: {error}", file=sys.stderr)
        return 1
    try:
        tests = Path(__file__).resolve().parent
        command = [sys.executable, "-m", "pytest", "-p", "no:cacheprovider", "--forked", "--transport=dbus"]
        return subprocess.run([*command, *pytest_args, str(tests)]).returncode
    finally:
        service.stop()


if __name__ == "__main__":
    sys.exit(main())
