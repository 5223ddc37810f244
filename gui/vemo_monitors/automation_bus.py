"""The service's automation as the app needs it: the calibrated level sent
as a slider moves (one call on its way at a time), and the service's
PropertiesChanged signals (`vemo.watch`) handed to the main loop for the
views that show the automation's state."""

from typing import Any, Callable, Dict, List, Optional

import vemo
from gi.repository import GLib
from vemo import service

from . import background
from .write_gate import WriteGate

Changed = Callable[[Dict[str, Any]], None]


class PropertiesWatch:
    """PropertiesChanged of the service's objects, by object path, on the main loop."""

    def __init__(self) -> None:
        self._watchers: Dict[str, List[Changed]] = {}
        self._updates: Any = None

    def watch(self, path: str, changed: Changed) -> None:
        self._watchers.setdefault(path, []).append(changed)
        if self._updates is None:
            self._start()

    def _start(self) -> None:
        try:
            self._updates = vemo.watch(self._received)
        except vemo.Error:  # no bus: the views show what they read, not later changes
            self._updates = None

    def _received(self, event: vemo.Event) -> None:
        if event.kind == service.PROPERTIES_CHANGED:
            GLib.idle_add(self._deliver, event.path, event.properties, priority=GLib.PRIORITY_DEFAULT)

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
