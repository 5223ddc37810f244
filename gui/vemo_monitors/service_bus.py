"""What the app takes from vemod's D-Bus interface itself rather than through
the `vemo` package, which does not offer it: the description of the settings
(`DescribeSettings`), the signals (`ValueChanged`, `WasReset`,
`MonitorAdded`, `MonitorRemoved`, and the bus's notice that the service
stopped) and the bridge's firmware version (a property of the monitor's
object). Everything else goes through the package."""

import threading
from typing import Any, Callable, Dict, List

from jeepney import DBusAddress, HeaderFields, MatchRule, MessageType, new_method_call
from jeepney.bus_messages import message_bus
from jeepney.io.blocking import open_dbus_connection
from jeepney.wrappers import DBusErrorResponse, unwrap_msg
from vemo.bus import BUS_NAME, MANAGER_INTERFACE, MANAGER_PATH, MONITOR_INTERFACE, monitor_path

# A first call starts the service through D-Bus activation, and the service
# reads every monitor's identity before it answers.
ACTIVATION_TIMEOUT = 30.0


class ServiceUnreachable(Exception):
    """vemod cannot be reached; `reason` says why, `remedy` how to fix it."""

    def __init__(self, reason: str, remedy: str) -> None:
        super().__init__(reason)
        self.reason = reason
        self.remedy = remedy


def _unwrap(variants: Dict[str, Any]) -> Dict[str, Any]:
    return {key: value for key, (_signature, value) in variants.items()}


def describe_settings() -> List[Dict[str, Any]]:
    """The service's catalogue; starts the service when it is not running.
    Raises ServiceUnreachable."""
    try:
        connection = open_dbus_connection(bus="SESSION")
    except (OSError, KeyError, RuntimeError) as error:
        raise ServiceUnreachable(
            f"There is no session bus to reach the monitor service on ({error}).",
            "Start Vemo Monitors from a desktop session, or under dbus-run-session.") from error
    try:
        call = new_method_call(DBusAddress(MANAGER_PATH, BUS_NAME, MANAGER_INTERFACE),
                               "DescribeSettings")
        reply = unwrap_msg(connection.send_and_get_reply(call, timeout=ACTIVATION_TIMEOUT))
    except DBusErrorResponse as error:
        raise _explained(error) from error
    except TimeoutError as error:
        raise ServiceUnreachable(
            "The monitor service vemod did not answer in time.",
            "Look at its log with `journalctl --user -u vemod`, then try again.") from error
    finally:
        connection.close()
    return [_unwrap(entry) for entry in reply[0]]


def bridge_firmware(monitor_id: str) -> str:
    """The `BridgeFirmware` property of the monitor's object."""
    address = DBusAddress(monitor_path(monitor_id), BUS_NAME, "org.freedesktop.DBus.Properties")
    call = new_method_call(address, "Get", "ss", (MONITOR_INTERFACE, "BridgeFirmware"))
    with open_dbus_connection(bus="SESSION") as connection:
        _signature, value = unwrap_msg(connection.send_and_get_reply(call, timeout=10))[0]
    return str(value)


START_IT = ("Install the SDK with its service (`cmake --install` puts the D-Bus service file in "
            "share/dbus-1/services), or start it yourself with `vemod` "
            "(`vemod --simulate` for simulated monitors).")


def _explained(error: DBusErrorResponse) -> ServiceUnreachable:
    detail = " ".join(map(str, error.data))
    if error.name == "org.freedesktop.DBus.Error.ServiceUnknown":
        return ServiceUnreachable(
            "The monitor service vemod is not running, and this session does not know how to "
            f"start it ({detail}).", START_IT)
    if error.name.startswith("org.freedesktop.DBus.Error.Spawn"):
        return ServiceUnreachable(
            f"The monitor service vemod could not be started: {detail}",
            "Run `vemod` in a terminal, or look at `journalctl --user -u vemod`, to see why.")
    return ServiceUnreachable(f"The monitor service vemod answered with an error: {error.name}: {detail}",
                              "Look at `journalctl --user -u vemod`, then try again.")


class SignalListener:
    """Receives the service's signals on a thread of its own and hands them
    to the main loop through `deliver(callback, *args)`."""

    def __init__(self, deliver: Callable[..., None],
                 value_changed: Callable[[str, str, Any], None],
                 was_reset: Callable[[str, str], None],
                 monitors_changed: Callable[[], None],
                 service_stopped: Callable[[], None]) -> None:
        self._deliver = deliver
        self._value_changed = value_changed
        self._was_reset = was_reset
        self._monitors_changed = monitors_changed
        self._service_stopped = service_stopped
        self._connection = open_dbus_connection(bus="SESSION")
        owner_changes = MatchRule(type="signal", sender="org.freedesktop.DBus",
                                  interface="org.freedesktop.DBus", member="NameOwnerChanged")
        owner_changes.add_arg_condition(0, BUS_NAME)
        rules = [MatchRule(type="signal", sender=BUS_NAME, interface=interface)
                 for interface in (MONITOR_INTERFACE, MANAGER_INTERFACE)] + [owner_changes]
        for rule in rules:
            unwrap_msg(self._connection.send_and_get_reply(message_bus.AddMatch(rule), timeout=5.0))
        self._thread = threading.Thread(target=self._receive, name="vemo-signals", daemon=True)

    def start(self) -> None:
        self._thread.start()

    def stop(self) -> None:
        self._connection.close()

    def _receive(self) -> None:
        while True:
            try:
                message = self._connection.receive()
            except (OSError, ValueError):
                return  # the connection was closed
            if message.header.message_type != MessageType.signal:
                continue
            fields = message.header.fields
            member = fields.get(HeaderFields.member)
            path = fields.get(HeaderFields.path, "")
            if member == "ValueChanged":
                name, (_signature, value) = message.body
                self._deliver(self._value_changed, path, name, value)
            elif member == "WasReset":
                self._deliver(self._was_reset, path, message.body[0])
            elif member in ("MonitorAdded", "MonitorRemoved"):
                self._deliver(self._monitors_changed)
            elif member == "NameOwnerChanged" and message.body[2] == "":
                self._deliver(self._service_stopped)
