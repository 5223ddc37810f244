"""Blocking service calls run on worker threads; their outcome comes back on
the GTK main loop, so the window never waits for a monitor."""

from concurrent.futures import ThreadPoolExecutor
from typing import Any, Callable

from gi.repository import GLib

_pool = ThreadPoolExecutor(max_workers=8, thread_name_prefix="vemo-call")


def run(call: Callable[[], Any], done: Callable[[Any], None],
        failed: Callable[[BaseException], None]) -> None:
    """Runs `call` on a worker thread, then `done(result)` or
    `failed(exception)` on the main loop."""

    def work() -> None:
        try:
            result = call()
        except Exception as error:  # handed to the main loop, which decides
            GLib.idle_add(_once, failed, error, priority=GLib.PRIORITY_DEFAULT)
            return
        GLib.idle_add(_once, done, result, priority=GLib.PRIORITY_DEFAULT)

    _pool.submit(work)


def _once(callback: Callable[[Any], None], argument: Any) -> bool:
    callback(argument)
    return GLib.SOURCE_REMOVE
