"""One monitor as the app sees it: its last known values, its writes (at most
one in flight per setting), and the views that show its values."""

import threading
from typing import Any, Callable, Dict, List, Sequence, Tuple

import vemo

from . import background
from .catalogue import SettingDescription
from .value_forms import from_package
from .write_gate import WriteGate

Listener = Callable[[Any], None]


class MonitorHandles:
    """Connections to one monitor through the package, one per concurrent
    call: a long read and a write to the same monitor never share one."""

    def __init__(self, monitor_id: str) -> None:
        self._id = monitor_id
        self._idle: List[Any] = []
        self._lock = threading.Lock()

    def call(self, operation: Callable[[Any], Any]) -> Any:
        with self._lock:
            monitor = self._idle.pop() if self._idle else None
        if monitor is None:
            monitor = vemo.connect(self._id)
        try:
            result = operation(monitor)
        except Exception:
            monitor.close()
            raise
        with self._lock:
            self._idle.append(monitor)
        return result

    def close(self) -> None:
        with self._lock:
            idle, self._idle = self._idle, []
        for monitor in idle:
            monitor.close()


def read_values(monitor: Any, settings: Sequence[SettingDescription]) -> Dict[str, Any]:
    """Every readable setting of the monitor, in the app's value forms. When
    the monitor refuses one of them, the others are still read, so one
    refused setting does not hide the rest; the refused ones are left out."""
    try:
        values = monitor.dump()
    except vemo.CommunicationError:
        values = _each_readable(monitor, settings)
        if not values:
            raise
    kinds = {s.name: s.kind for s in settings}
    return {name: from_package(kinds[name], value) for name, value in values.items() if name in kinds}


def _each_readable(monitor: Any, settings: Sequence[SettingDescription]) -> Dict[str, Any]:
    values = {}
    for setting in settings:
        try:
            values[setting.name] = monitor.get(setting.name)
        except vemo.CommunicationError:
            continue
    return values


class MonitorSession:
    def __init__(self, info: Any, settings: Sequence[SettingDescription],
                 report_refusal: Callable[[str], None]) -> None:
        self.info = info
        self.settings = list(settings)
        self.values: Dict[str, Any] = {}  # as last read from or written to the monitor
        # What the monitor's model description calls its choices: setting, then name to value.
        self.choices: Dict[str, Dict[str, int]] = {}
        self.loaded = False
        self._report_refusal = report_refusal
        self._titles = {s.name: s.title for s in settings}
        self._handles = MonitorHandles(info.id)
        self._gates: Dict[Any, WriteGate] = {}
        self._listeners: Dict[str, List[Listener]] = {}
        self._shown: Dict[str, Any] = {}
        self._shown_before_write: Dict[str, Any] = {}
        self._closed = False

    @property
    def id(self) -> str:
        return str(self.info.id)

    def listen(self, name: str, listener: Listener) -> None:
        """`listener(value)` whenever the value to show changes."""
        self._listeners.setdefault(name, []).append(listener)

    def show_all(self) -> None:
        """Hands every known value to the views, but for settings being
        written: the views show the value on its way."""
        for name, value in self.values.items():
            if not self._writing(name):
                self._show(name, value)

    def _writing(self, name: str) -> bool:
        return any(gate.busy for key, gate in self._gates.items() if _setting_of(key) == name)

    def _show(self, name: str, value: Any) -> None:
        self._shown[name] = value
        for listener in self._listeners.get(name, []):
            listener(value)

    def load(self, done: Callable[[], None], failed: Callable[[BaseException], None]) -> None:
        def loaded(result: Tuple[Dict[str, Any], Dict[str, Dict[str, int]]]) -> None:
            if self._closed:
                return
            self.values, self.choices = result
            self.loaded = True
            self.show_all()
            done()

        background.run(lambda: self._handles.call(lambda m: (read_values(m, self.settings), m.choices)),
                       loaded, failed)

    def unreadable(self) -> List[str]:
        """The readable settings the monitor did not answer for at the last load."""
        return [s.name for s in self.settings if s.name not in self.values]

    def read_fresh(self, done: Callable[[Dict[str, Any]], None],
                   failed: Callable[[BaseException], None]) -> None:
        background.run(lambda: self._handles.call(lambda m: read_values(m, self.settings)),
                       done, failed)

    def write(self, name: str, value: Any) -> None:
        """Shows `value` at once and sends it; a refused value is put back."""
        if not self._writing(name):
            self._shown_before_write[name] = self._shown.get(name)
        self._show(name, value)
        if name == "custom-color":
            for color_type, levels in value.items():
                self._send(("custom-color", color_type), levels, _custom_color_writer(color_type))
        else:
            self._send(name, value, lambda m, v: m.set(name, v))

    def _send(self, key: Any, value: Any, operation: Callable[[Any, Any], None]) -> None:
        gate = self._gates.setdefault(key, WriteGate())
        if gate.offer(value):
            self._start(key, gate, value, operation)

    def _start(self, key: Any, gate: WriteGate, value: Any,
               operation: Callable[[Any, Any], None]) -> None:
        def next_or_idle() -> None:
            more, waiting = gate.finished()
            if more and not self._closed:
                self._start(key, gate, waiting, operation)

        def written(_result: Any) -> None:
            self._confirm(key, value)
            next_or_idle()

        def refused(error: BaseException) -> None:
            # A newer value waiting behind the refused one stays on show.
            self._put_back(key, value, error, show_old=not gate.has_waiting)
            next_or_idle()

        background.run(lambda: self._handles.call(lambda m: operation(m, value)), written, refused)

    def _confirm(self, key: Any, value: Any) -> None:
        if isinstance(key, tuple):
            colors = dict(self.values.get("custom-color", {}))
            colors[key[1]] = tuple(value)
            self.values["custom-color"] = colors
        else:
            self.values[key] = value

    def _put_back(self, key: Any, value: Any, error: BaseException, show_old: bool) -> None:
        """Shows the monitor's value again, or, when it could not be read, what
        the controls showed before the refused write (None when nothing)."""
        name = _setting_of(key)
        self._report_refusal(f"{self._titles.get(name, name)}: {value!s} was not accepted ({error})")
        if show_old:
            self._show(name, self.values.get(name, self._shown_before_write.get(name)))

    def external_change(self, name: str, value: Any) -> None:
        """A value another client wrote (for the custom color {type: levels}
        of the types written). Not shown while a write of ours to
        the same setting is on its way: ours lands after it."""
        if self._writing(name):
            return
        if name == "custom-color":  # one type changed; the others stay
            value = {**self.values.get(name, {}), **value}
        self.values[name] = value
        self._show(name, value)

    def reset(self, group: str, done: Callable[[Any], None],
              failed: Callable[[BaseException], None]) -> None:
        background.run(lambda: self._handles.call(lambda m: m.reset(group)), done, failed)

    def close(self) -> None:
        self._closed = True
        background.run(self._handles.close, lambda _r: None, lambda _e: None)



def _setting_of(key: Any) -> str:
    """Writes are keyed by setting name, the custom color's by (name, type)."""
    return str(key[0] if isinstance(key, tuple) else key)


def _custom_color_writer(color_type: int) -> Callable[[Any, Any], None]:
    return lambda monitor, levels: monitor.set_custom_color(color_type, levels)
