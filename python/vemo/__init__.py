"""Read and change the settings of VEMO monitors.

    import vemo
    with vemo.connect() as monitor:
        monitor.brightness = 60

Monitors are reached through the ``vemod`` service when it has the name
``org.vemo.Monitors1`` on the session bus, otherwise through the shipped
library in this process; the simulator is always reached directly.
"""

from __future__ import annotations

import os
import threading
from typing import List, Optional, Union

from . import _library
from ._dbus import DBusTransport, service_present, vemod_running_unreachable
from ._direct import DirectTransport
from ._transport import Key, MonitorInfo, Transport
from .automation import Automation, needs_service
from .catalogue import Setting, Value
from .errors import (
    BusyError,
    CommunicationError,
    Error,
    NoSuchMonitorError,
    NotConnectedError,
    OutOfRangeError,
    ReadOnlyError,
    UnknownSettingError,
)
from .monitor import SETTINGS, Monitor
from .service import Event, ServiceUnavailable, Watch, watch

__all__ = [
    "SETTINGS",
    "Automation",
    "BusyError",
    "CommunicationError",
    "Error",
    "Event",
    "Monitor",
    "MonitorInfo",
    "NoSuchMonitorError",
    "NotConnectedError",
    "OutOfRangeError",
    "ReadOnlyError",
    "ServiceUnavailable",
    "Setting",
    "UnknownSettingError",
    "Value",
    "Watch",
    "automation",
    "connect",
    "monitors",
    "transport",
    "use_simulator",
    "watch",
]

_lock = threading.Lock()
_transport: Optional[Transport] = None
_simulate = False


def use_simulator(monitors: int = 1, state: Union[None, str, "os.PathLike[str]"] = None) -> None:
    """Talk to simulated monitors instead of USB: ``monitors`` of them (0 to 8),
    their settings kept in the ``state`` file (the simulator's default when
    None). Call it before the first use of the package; the environment
    variable ``VEMO_SIMULATE=1`` does the same."""
    global _simulate
    with _lock:
        if _transport is not None:
            raise Error("use_simulator() must be called before the first use of the package")
        _library.configure_simulator(monitors, None if state is None else os.fspath(state))
        _simulate = True


def _current() -> Transport:
    global _transport
    with _lock:
        if _transport is None:
            simulate = _simulate or os.environ.get("VEMO_SIMULATE", "0") not in ("", "0")
            if not simulate and service_present():
                _transport = DBusTransport()
            elif not simulate and vemod_running_unreachable():
                raise Error(
                    "vemod runs and holds the monitors, but this package cannot reach it: its D-Bus client "
                    "jeepney is missing (apt install python3-jeepney)"
                )
            else:
                _transport = DirectTransport(_library.load(simulate))
        return _transport


def transport() -> str:
    """The way this process reaches monitors: ``"direct"`` (the shipped
    library, in this process) or ``"dbus"`` (the ``vemod`` service)."""
    return _current().name


def monitors(wait: float = 5.0) -> List[MonitorInfo]:
    """Every monitor found, with its identity. In direct mode this opens each
    monitor in turn, so no monitor of this process may be open; a bridge that
    another program holds is waited for up to ``wait`` seconds, then
    :class:`BusyError` is raised."""
    current = _current()
    if isinstance(current, DirectTransport):
        return current.monitors(wait)
    return current.monitors()


def connect(key: Key = None, wait: float = 5.0) -> Monitor:
    """Opens a monitor: the first one (``key`` None), the one at an index, or
    the one whose id, USB serial, serial number or asset tag is ``key``.
    In direct mode a process holds one monitor at a time: a second
    ``connect()`` while one is open raises :class:`BusyError`. A monitor that
    is not found or does not open while another program holds a bridge is
    waited for up to ``wait`` seconds, then :class:`BusyError` is raised (the
    library numbers only the bridges it can open). Through the service,
    ``wait`` does not apply: vemod answers for the bridges it serves."""
    if isinstance(key, bool) or not (key is None or isinstance(key, (int, str))):
        raise TypeError("connect takes None, an index or a key (str)")
    current = _current()
    if isinstance(current, DirectTransport):
        return Monitor(current.connect(key, wait))
    return Monitor(current.connect(key))


def automation() -> Automation:
    """The service's automation: the calibrated level, brightness that follows
    the light, the night light. Only through the ``vemod`` service; directly
    it raises :class:`vemo.Error` naming the service."""
    current = _current()
    make = getattr(current, "automation", None)
    if make is None:
        raise needs_service("vemo.automation()")
    made: Automation = make()
    return made
