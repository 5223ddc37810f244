"""What the service ``vemod`` offers beyond reading and writing settings:
its description of the settings, a monitor's bridge firmware, and live
updates.

    import vemo

    def changed(event: vemo.Event) -> None:
        print(event.kind, event.path, event.name, event.value)

    watch = vemo.watch(changed)   # events arrive on a thread of the watch's own
    ...
    watch.stop()

Only through the service (jeepney and a session bus); a service that cannot
be reached raises :class:`ServiceUnavailable`.
"""

from __future__ import annotations

import threading
from dataclasses import dataclass, field
from typing import Any, Callable, Dict, List

from .bus import BUS_NAME, MANAGER_INTERFACE, MANAGER_PATH, MONITOR_INTERFACE, PROPERTIES_INTERFACE, monitor_path
from .errors import Error

try:
    from jeepney import DBusAddress, HeaderFields, MatchRule, MessageType, new_method_call  # type: ignore[import]
    from jeepney.bus_messages import message_bus  # type: ignore[import]
    from jeepney.io.blocking import open_dbus_connection  # type: ignore[import]
    from jeepney.wrappers import DBusErrorResponse, unwrap_msg  # type: ignore[import]
except ImportError:  # the service stays out of reach without jeepney
    open_dbus_connection = None

# A first call starts the service through D-Bus activation, and the service
# reads every monitor's identity before it answers.
ACTIVATION_TIMEOUT = 30.0

VALUE_CHANGED = "value-changed"
WAS_RESET = "was-reset"
MONITOR_ADDED = "monitor-added"
MONITOR_REMOVED = "monitor-removed"
PROPERTIES_CHANGED = "properties-changed"
SERVICE_STOPPED = "service-stopped"


class ServiceUnavailable(Error):
    """The service could not be reached or answered with an error of the bus:
    `reason` is ``"no-bus"``, ``"timeout"`` or the D-Bus error's name (such as
    ``org.freedesktop.DBus.Error.ServiceUnknown``), `detail` its text."""

    def __init__(self, reason: str, detail: str) -> None:
        super().__init__(f"the service vemod is unavailable: {reason}: {detail}")
        self.reason = reason
        self.detail = detail


@dataclass(frozen=True)
class Event:
    """One update from the service. `kind` is one of:

    - ``"value-changed"``: `name` the setting, `value` its new value
    - ``"was-reset"``: `name` the group reset (``power``, ``color``, ...)
    - ``"monitor-added"``, ``"monitor-removed"``: `path` the monitor's object
    - ``"properties-changed"``: `properties` the changed properties of the
      object at `path` (the manager's or a monitor's)
    - ``"service-stopped"``: the service left the bus

    `path` is the object's path; :func:`vemo.bus.monitor_path` gives a
    monitor's from its ``Id``."""

    kind: str
    path: str = ""
    name: str = ""
    value: Any = None
    properties: Dict[str, Any] = field(default_factory=dict)


def _connection() -> Any:
    if open_dbus_connection is None:
        raise ServiceUnavailable("no-bus", "the D-Bus client jeepney is missing (apt install python3-jeepney)")
    try:
        return open_dbus_connection(bus="SESSION")
    except (OSError, KeyError, RuntimeError) as error:
        raise ServiceUnavailable("no-bus", str(error)) from error


def _call(message: Any, timeout: float) -> Any:
    connection = _connection()
    try:
        return unwrap_msg(connection.send_and_get_reply(message, timeout=timeout))
    except DBusErrorResponse as error:
        raise ServiceUnavailable(error.name, " ".join(map(str, error.data))) from error
    except TimeoutError as error:
        raise ServiceUnavailable("timeout", f"no answer in {timeout:g} s") from error
    finally:
        connection.close()


def describe_settings(timeout: float = ACTIVATION_TIMEOUT) -> List[Dict[str, Any]]:
    """The service's description of every setting (``DescribeSettings``):
    ``name``, ``kind``, ``writable`` and the range or choices. Starts the
    service through D-Bus activation when it is not running."""
    if open_dbus_connection is None:
        _connection()
    call = new_method_call(DBusAddress(MANAGER_PATH, BUS_NAME, MANAGER_INTERFACE), "DescribeSettings")
    (entries,) = _call(call, timeout)
    return [{key: value for key, (_signature, value) in entry.items()} for entry in entries]


def bridge_firmware(monitor_id: str, timeout: float = 10.0) -> str:
    """The firmware version of the USB bridge of the monitor with this ``Id``."""
    if open_dbus_connection is None:
        _connection()
    address = DBusAddress(monitor_path(monitor_id), BUS_NAME, PROPERTIES_INTERFACE)
    call = new_method_call(address, "Get", "ss", (MONITOR_INTERFACE, "BridgeFirmware"))
    ((_signature, value),) = _call(call, timeout)
    return str(value)


class Watch:
    """The service's signals, handed to `callback` one :class:`Event` at a
    time on a thread of the watch's own, until :meth:`stop`."""

    def __init__(self, callback: Callable[[Event], None]) -> None:
        self._callback = callback
        self._connection = _connection()
        owner_changes = MatchRule(type="signal", sender="org.freedesktop.DBus",
                                  interface="org.freedesktop.DBus", member="NameOwnerChanged")
        owner_changes.add_arg_condition(0, BUS_NAME)
        rules = [MatchRule(type="signal", sender=BUS_NAME, interface=interface)
                 for interface in (MONITOR_INTERFACE, MANAGER_INTERFACE, PROPERTIES_INTERFACE)]
        try:
            for rule in [*rules, owner_changes]:
                unwrap_msg(self._connection.send_and_get_reply(message_bus.AddMatch(rule), timeout=5.0))
        except Exception as error:
            self._connection.close()
            raise ServiceUnavailable("no-bus", f"cannot listen to the service's signals ({error})") from error
        self._thread = threading.Thread(target=self._receive, name="vemo-watch", daemon=True)
        self._thread.start()

    def stop(self) -> None:
        """Stops listening: no event is handed after the one, if any, being handed now."""
        self._connection.close()

    def _receive(self) -> None:
        while True:
            try:
                message = self._connection.receive()
            except (OSError, ValueError):
                return  # the connection was closed
            if message.header.message_type != MessageType.signal:
                continue
            event = _event(message)
            if event is not None:
                self._callback(event)


def _event(message: Any) -> Any:
    fields = message.header.fields
    member = fields.get(HeaderFields.member)
    path = str(fields.get(HeaderFields.path, ""))
    if member == "ValueChanged":
        name, (_signature, value) = message.body
        return Event(VALUE_CHANGED, path, name=name, value=value)
    if member == "WasReset":
        return Event(WAS_RESET, path, name=message.body[0])
    if member == "MonitorAdded":
        return Event(MONITOR_ADDED, str(message.body[0]))
    if member == "MonitorRemoved":
        return Event(MONITOR_REMOVED, str(message.body[0]))
    if member == "PropertiesChanged":
        _interface, changed, _invalidated = message.body
        return Event(PROPERTIES_CHANGED, path,
                     properties={name: value for name, (_signature, value) in changed.items()})
    if member == "NameOwnerChanged" and message.body[2] == "":
        return Event(SERVICE_STOPPED)
    return None


def watch(callback: Callable[[Event], None]) -> Watch:
    """Starts handing the service's updates to `callback` (see :class:`Event`)
    on a thread of its own; returns the :class:`Watch` to stop."""
    return Watch(callback)
