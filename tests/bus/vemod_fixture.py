"""``vemod --simulate`` on the test's private session bus (start the test
under dbus-run-session): simulated monitors with a state folder of their own,
started, waited for until the service owns its name, and stopped.

    with VemodService(monitors=2) as service:
        ...  # the service answers on the session bus

The service's binary is ``VEMOD`` from the environment unless given.
"""

from __future__ import annotations

import os
import shutil
import subprocess
import tempfile
import time
from typing import IO, Any, Dict, Mapping, Optional, Sequence

from jeepney.bus_messages import message_bus  # type: ignore[import]
from jeepney.io.blocking import open_dbus_connection  # type: ignore[import]
from jeepney.wrappers import unwrap_msg  # type: ignore[import]
from vemo.bus import BUS_NAME

START_TIMEOUT = 20.0


def name_has_owner(name: str = BUS_NAME) -> bool:
    """Whether `name` has an owner on the session bus."""
    with open_dbus_connection(bus="SESSION") as bus:
        owned: bool = unwrap_msg(bus.send_and_get_reply(message_bus.NameHasOwner(name)))[0]
        return owned


class VemodService:
    """One vemod serving `monitors` simulated monitors.

    `fast` leaves out the simulator's waits; `state_dir` holds the simulator's
    state (``simulator.json``) and the service's settings (its
    ``XDG_CONFIG_HOME``), a fresh folder unless given; `env` is more
    environment, over those; `args` more options of vemod; `log` a file for
    its standard error (inherited when None)."""

    def __init__(self, monitors: int = 3, fast: bool = True, state_dir: Optional[str] = None,
                 env: Optional[Mapping[str, str]] = None, args: Sequence[str] = (), log: Optional[str] = None,
                 vemod: Optional[str] = None) -> None:
        self.state_dir = state_dir or tempfile.mkdtemp(prefix="vemod-test-")
        self.state_file = os.path.join(self.state_dir, "simulator.json")
        self.env: Dict[str, str] = dict(os.environ, VEMO_SIM_MONITORS=str(monitors),
                                        VEMO_SIM_FAST="1" if fast else "", VEMO_SIM_STATE=self.state_file,
                                        XDG_CONFIG_HOME=self.state_dir)
        self.env.update(env or {})
        self.command = [vemod or os.environ["VEMOD"], "--simulate", *args]
        self.log_path = log
        self._log: Optional[IO[str]] = None
        self.process: Optional["subprocess.Popen[bytes]"] = None

    def start(self, timeout: float = START_TIMEOUT) -> "VemodService":
        """Starts the service and returns once it owns its name on the bus."""
        self._log = open(self.log_path, "a") if self.log_path else None
        self.process = subprocess.Popen(self.command, env=self.env, stderr=self._log)
        deadline = time.monotonic() + timeout
        while not name_has_owner():
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.stop(keep_state=True)
                raise RuntimeError("vemod --simulate did not take its name on the bus")
            time.sleep(0.05)
        return self

    def stop(self, keep_state: bool = False) -> None:
        """Stops the service; removes its state folder unless kept (to start
        another service on the same state)."""
        if self.process is not None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self._log is not None:
            self._log.close()
            self._log = None
        if not keep_state:
            shutil.rmtree(self.state_dir, ignore_errors=True)

    @property
    def pid(self) -> int:
        assert self.process is not None
        return self.process.pid

    def __enter__(self) -> "VemodService":
        return self.start()

    def __exit__(self, *exc: Any) -> None:
        self.stop()
