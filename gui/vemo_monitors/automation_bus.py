"""The service's automation as the app needs it: the calibrated level sent
as a slider moves (one call on its way at a time), and the service's
PropertiesChanged signals, which the `vemo` package does not deliver, handed
to the main loop for the views that show the automation's state."""

import threading
from typing import Any, Callable, Dict, List, Optional

import vemo
from gi.repository import GLib
from jeepney import HeaderFields, MatchRule, MessageType
from jeepney.bus_messages import message_bus
from jeepney.io.blocking import open_dbus_connection
from jeepney.wrappers import unwrap_msg
from vemo.bus import BUS_NAME

from . import background
from .write_gate import WriteGate

Changed = Callable[[Dict[str, Any]], None]


class PropertiesWatch:
    """PropertiesChanged of the service's objects, by object path, on the main loop."""

    def __init__(self) -> None:
        self._watchers: Dict[str, List[Changed]] = {}
        self._connection: Any = None

    def watch(self, path: str, changed: Changed) -> None:
        self._watchers.setdefault(path, []).append(changed)
        if self._connection is None:
            self._start()

    def _start(self) -> None:
        try:
            self._connection = open_dbus_connection(bus="SESSION")
            rule = MatchRule(type="signal", sender=BUS_NAME, interface="org.freedesktop.DBus.Properties",
                             member="PropertiesChanged")
            unwrap_msg(self._connection.send_and_get_reply(message_bus.AddMatch(rule), timeout=5.0))
        except Exception:  # no bus: the views show what they read, not later changes
            self._connection = None
            return
        threading.Thread(target=self._receive, name="vemo-properties", daemon=True).start()

    def _receive(self) -> None:
        while True:
            try:
                message = self._connection.receive()
            except (OSError, ValueError):
                return
            if message.header.message_type != MessageType.signal:
                continue
            path = message.header.fields.get(HeaderFields.path, "")
            _interface, changed, _invalidated = message.body
            values = {name: value for name, (_signature, value) in changed.items()}
            GLib.idle_add(self._deliver, path, values, priority=GLib.PRIORITY_DEFAULT)

    def _deliver(self, path: str, values: Dict[str, Any]) -> bool:
        for changed in self._watchers.get(path, []):
            changed(values)
        return GLib.SOURCE_REMOVE


#: One watch for the whole app.
WATCH = PropertiesWatch()


class LevelSender:
    """Sends the calibrated level; while a call is on its way the newest
    level waits, so that a dragged slider never builds a queue."""

    def __init__(self, failed: Callable[[str], None]) -> None:
        self._gate = WriteGate()
        self._failed = failed
        self._automation: Optional[vemo.Automation] = None

    @property
    def busy(self) -> bool:
        """A level is on its way."""
        return self._gate.busy

    def send(self, level: float) -> None:
        if self._gate.offer(level):
            self._start(level)

    def _start(self, level: float) -> None:
        def call() -> None:
            if self._automation is None:
                self._automation = vemo.automation()
            self._automation.set_level(level)

        def finished(_result: Any = None) -> None:
            more, waiting = self._gate.finished()
            if more:
                self._start(waiting)

        def failed(error: BaseException) -> None:
            self._failed(f"The level could not be set: {error}")
            finished()

        background.run(call, finished, failed)
