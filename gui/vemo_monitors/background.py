"""Blocking service calls run on threads of their own; their outcome comes
back on the GTK main loop, so the window never waits for a monitor. A thread
per call: a write never waits for a free worker behind a slow read (there
is at most one write per control on its way, so they stay few)."""

import threading
from typing import Any, Callable

from gi.repository import GLib


def run(call: Callable[[], Any], done: Callable[[Any], None],
        failed: Callable[[BaseException], None]) -> None:
    """Runs `call` on a thread, then `done(result)` or `failed(exception)`
    on the main loop."""

    def work() -> None:
        try:
            result = call()
        except Exception as error:  # handed to the main loop, which decides
            GLib.idle_add(_once, failed, error, priority=GLib.PRIORITY_DEFAULT)
            return
        GLib.idle_add(_once, done, result, priority=GLib.PRIORITY_DEFAULT)

    threading.Thread(target=work, name="vemo-call", daemon=True).start()


def _once(callback: Callable[[Any], None], argument: Any) -> bool:
    callback(argument)
    return GLib.SOURCE_REMOVE
