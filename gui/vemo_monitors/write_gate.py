"""At most one write in flight per control: while one is on its way, a newer
value waits, and a still newer one replaces it. A slider dragged fast thus
never builds a queue; the monitor ends on the last value."""

from typing import Any, Optional, Tuple

_NOTHING = object()


class WriteGate:
    def __init__(self) -> None:
        self._in_flight = False
        self._waiting: Any = _NOTHING

    @property
    def busy(self) -> bool:
        """A write is on its way (and perhaps another waits)."""
        return self._in_flight

    @property
    def has_waiting(self) -> bool:
        """A newer value waits to be sent after the one on its way."""
        return self._waiting is not _NOTHING

    def offer(self, value: Any) -> bool:
        """True when the caller sends `value` now; False when it waits."""
        if self._in_flight:
            self._waiting = value
            return False
        self._in_flight = True
        return True

    def finished(self) -> Tuple[bool, Optional[Any]]:
        """The write on its way has ended. Returns (True, value) when a waiting
        value is to be sent now, else (False, None) and the gate is idle."""
        if self._waiting is _NOTHING:
            self._in_flight = False
            return False, None
        value, self._waiting = self._waiting, _NOTHING
        return True, value
