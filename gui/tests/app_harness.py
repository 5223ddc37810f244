"""Running the app in this process against `vemod --simulate` on the test's
private session bus, and looking at it from outside: its widgets by name, the
monitors through a second D-Bus client, a screenshot of its window."""

import ctypes
from collections import deque
import time
from typing import Any, Callable, Iterator, Optional

import vemo_monitors.service_bus  # noqa: F401  picks GTK 4

from gi.repository import GLib, Gtk  # noqa: E402
from jeepney import DBusAddress, MatchRule, new_method_call  # noqa: E402
from jeepney.bus_messages import message_bus  # noqa: E402
from jeepney.io.blocking import open_dbus_connection  # noqa: E402
from jeepney.wrappers import unwrap_msg  # noqa: E402
from vemo.bus import BUS_NAME, MONITOR_INTERFACE, monitor_path  # noqa: E402
from vemod_fixture import VemodService  # noqa: E402


def start_service(monitors: int, state_dir: str) -> VemodService:
    """`vemod --simulate` with `monitors` fast simulated monitors, once it owns
    its name; its state and settings stay in `state_dir`."""
    return VemodService(monitors=monitors, state_dir=state_dir).start()


def pump_until(condition: Callable[[], Any], timeout: float) -> bool:
    """Runs the main loop until `condition()` holds or `timeout` seconds pass."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        context.iteration(False)
        if condition():
            return True
        if not context.pending():
            time.sleep(0.005)
    return bool(condition())


def descendants(widget: Gtk.Widget) -> Iterator[Gtk.Widget]:
    child = widget.get_first_child()
    while child is not None:
        yield child
        yield from descendants(child)
        child = child.get_next_sibling()


def find_widget(root: Gtk.Widget, name: str) -> Gtk.Widget:
    for widget in descendants(root):
        if widget.get_name() == name:
            return widget
    raise LookupError(f"no widget named {name!r}")


def texts(root: Gtk.Widget) -> str:
    """Every label's text under `root`, one per line."""
    return "\n".join(w.get_text() for w in descendants(root) if isinstance(w, Gtk.Label))


def _call(monitor_id: str, method: str, signature: Optional[str] = None, body: tuple = ()) -> Any:
    address = DBusAddress(monitor_path(monitor_id), BUS_NAME, MONITOR_INTERFACE)
    with open_dbus_connection(bus="SESSION") as bus:
        return unwrap_msg(bus.send_and_get_reply(new_method_call(address, method, signature, body),
                                                 timeout=10))


def bus_get(monitor_id: str, name: str) -> Any:
    """A live read through the service, as any other client makes it."""
    _signature, value = _call(monitor_id, "Get", "s", (name,))[0]
    return value


def bus_set(monitor_id: str, name: str, signature: str, value: Any) -> None:
    _call(monitor_id, "Set", "sv", (name, (signature, value)))


class ValueChangedCount:
    """Counts the service's ValueChanged signals of one setting of one monitor."""

    def __init__(self, monitor_id: str, name: str) -> None:
        self._name = name
        self._bus = open_dbus_connection(bus="SESSION")
        rule = MatchRule(type="signal", interface=MONITOR_INTERFACE, member="ValueChanged",
                         path=monitor_path(monitor_id))
        unwrap_msg(self._bus.send_and_get_reply(message_bus.AddMatch(rule), timeout=5))
        self._signals: deque = deque()
        self._filter = self._bus.filter(rule, queue=self._signals)

    def count(self) -> int:
        """Every signal received until now (the ones already sent arrive in 0.2 s)."""
        seen = 0
        while True:
            try:
                message = self._bus.recv_until_filtered(self._signals, timeout=0.2)
            except TimeoutError:
                break
            seen += message.body[0] == self._name
        self._bus.close()
        return seen


def save_screenshot(window: Gtk.Window, path: str) -> None:
    """Renders the window into a PNG. The bindings cannot hand render nodes
    to Python, so the three calls go through ctypes."""
    gtk = ctypes.CDLL("libgtk-4.so.1")
    for function, restype, argtypes in (
            ("gtk_snapshot_to_node", ctypes.c_void_p, [ctypes.c_void_p]),
            ("gsk_renderer_render_texture", ctypes.c_void_p, [ctypes.c_void_p] * 3),
            ("gdk_texture_save_to_png", ctypes.c_bool, [ctypes.c_void_p, ctypes.c_char_p]),
            ("gsk_render_node_unref", None, [ctypes.c_void_p]),
            ("g_object_unref", None, [ctypes.c_void_p])):
        getattr(gtk, function).restype = restype
        getattr(gtk, function).argtypes = argtypes
    capsule = ctypes.pythonapi.PyCapsule_GetPointer
    capsule.restype, capsule.argtypes = ctypes.c_void_p, [ctypes.py_object, ctypes.c_char_p]

    if not pump_until(lambda: window.get_mapped() and window.get_width() > 0, 5):
        raise OSError("the window was never shown")
    pump_until(lambda: False, 0.5)  # let it draw its content once
    snapshot = Gtk.Snapshot()
    Gtk.WidgetPaintable(widget=window).snapshot(snapshot, window.get_width(), window.get_height())
    node = gtk.gtk_snapshot_to_node(capsule(snapshot.__gpointer__, None))
    if not node:
        raise OSError("the window drew nothing")
    texture = gtk.gsk_renderer_render_texture(capsule(window.get_renderer().__gpointer__, None), node, None)
    try:
        if not gtk.gdk_texture_save_to_png(texture, path.encode()):
            raise OSError(f"could not write {path}")
    finally:
        gtk.g_object_unref(texture)
        gtk.gsk_render_node_unref(node)
