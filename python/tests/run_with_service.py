#!/usr/bin/python3
"""Runs the package's tests through the service: starts ``vemod --simulate``
on the session bus of this run (start it under dbus-run-session) with three
fast simulated monitors and a private state file, waits until it owns its
name, runs pytest with ``--transport dbus`` and stops the service.

    dbus-run-session -- run_with_service.py VEMOD [pytest arguments]
"""

from __future__ import annotations

import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from vemo._dbus import service_present

START_TIMEOUT = 15.0


def main() -> int:
    vemod, pytest_args = sys.argv[1], sys.argv[2:]
    state = tempfile.TemporaryDirectory(prefix="vemo-python-")
    environment = dict(
        os.environ,
        VEMO_SIM_MONITORS="3",
        VEMO_SIM_FAST="1",
        VEMO_SIM_STATE=str(Path(state.name) / "simulator.json"),
        XDG_CONFIG_HOME=state.name,  # the service keeps its settings there, not in the real home
    )
    service = subprocess.Popen([vemod, "--simulate"], env=environment)
    try:
        deadline = time.monotonic() + START_TIMEOUT
        while not service_present():
            if service.poll() is not None or time.monotonic() > deadline:
                print("run_with_service: vemod did not take its name on the bus", file=sys.stderr)
                return 1
            time.sleep(0.05)
        tests = Path(__file__).resolve().parent
        command = [sys.executable, "-m", "pytest", "-p", "no:cacheprovider", "--forked", "--transport=dbus"]
        return subprocess.run([*command, *pytest_args, str(tests)]).returncode
    finally:
        service.terminate()
        service.wait(timeout=10)
        state.cleanup()


if __name__ == "__main__":
    sys.exit(main())
