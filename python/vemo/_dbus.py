"""The service ``vemod`` on the session bus, reached with jeepney.

Each monitor opened gets a bus connection of its own, so that calls to
different monitors from different threads run side by side; calls on one
connection take turns on its lock.
"""

from __future__ import annotations

import os
import threading
from dataclasses import replace
from pathlib import Path
from typing import Any, Dict, List, Optional, Tuple, Type

from .bus import BUS_NAME, MANAGER_INTERFACE, MANAGER_PATH, MONITOR_INTERFACE, PROPERTIES_INTERFACE, error_name
from ._transport import Key, MonitorInfo, Scalar, position_of
from .automation import Automation
from .catalogue import Setting
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

try:
    from jeepney import DBusAddress, DBusErrorResponse, new_method_call  # type: ignore[import]
    from jeepney.wrappers import unwrap_msg  # type: ignore[import]
    from jeepney.io.blocking import open_dbus_connection  # type: ignore[import]
except ImportError:  # the service stays out of reach without jeepney
    open_dbus_connection = None

# Longer than any call of the service may take: its own bounds come first.
CALL_TIMEOUT = 60.0

_ERRORS: Dict[str, Type[Error]] = {
    error_name("UnknownSetting"): UnknownSettingError,
    error_name("ReadOnly"): ReadOnlyError,
    error_name("OutOfRange"): OutOfRangeError,
    error_name("CommFailure"): CommunicationError,
    error_name("Busy"): BusyError,
    error_name("NoSuchMonitor"): NoSuchMonitorError,
    error_name("Gone"): NotConnectedError,
}
_SIGNATURES = {"byte": "y", "mask": "u", "text": "s"}


class _Bus:
    """One connection to the session bus; calls on it take turns."""

    def __init__(self) -> None:
        self._connection: Any = open_dbus_connection(bus="SESSION")
        self._lock = threading.Lock()

    def call(self, path: str, interface: str, method: str, signature: Optional[str] = None, *args: object) -> Tuple[Any, ...]:
        """Calls a method of the service; its D-Bus errors become the package's."""
        return self.call_on(BUS_NAME, path, interface, method, signature, *args)

    def call_on(
        self, bus_name: str, path: str, interface: str, method: str, signature: Optional[str] = None, *args: object
    ) -> Tuple[Any, ...]:
        """Calls a method of any peer on the bus."""
        address = DBusAddress(path, bus_name=bus_name, interface=interface)
        message = new_method_call(address, method, signature, args) if signature else new_method_call(address, method)
        with self._lock:
            if self._connection is None:
                raise NotConnectedError(f"{method}: the monitor is closed")
            try:
                reply: Tuple[Any, ...] = unwrap_msg(self._connection.send_and_get_reply(message, timeout=CALL_TIMEOUT))
            except DBusErrorResponse as error:
                text = str(error.data[0]) if error.data else error.name
                raise _ERRORS.get(error.name, CommunicationError)(text) from None
            except (OSError, TimeoutError) as error:
                raise CommunicationError(f"{method}: the service did not answer ({error})") from error
        return reply

    def properties(self, path: str) -> Dict[str, Any]:
        """Every property of a monitor object, unwrapped from its variant."""
        (values,) = self.call(path, PROPERTIES_INTERFACE, "GetAll", "s", MONITOR_INTERFACE)
        return {name: value for name, (_, value) in values.items()}

    def close(self) -> None:
        """Closes the connection; later calls raise NotConnectedError."""
        with self._lock:
            if self._connection is not None:
                self._connection.close()
                self._connection = None


class _ObjectLink:
    """The properties of one object of the service."""

    def __init__(self, bus: _Bus, path: str, interface: str) -> None:
        self._bus, self._path, self._interface = bus, path, interface

    def get_property(self, name: str) -> Any:
        """The property's value, unwrapped from its variant."""
        ((_, value),) = self._bus.call(self._path, PROPERTIES_INTERFACE, "Get", "ss", self._interface, name)
        return value

    def set_property(self, name: str, signature: str, value: object) -> None:
        """Writes the property through Properties.Set."""
        self._bus.call(self._path, PROPERTIES_INTERFACE, "Set", "ssv", self._interface, name, (signature, value))


def vemod_running_unreachable() -> bool:
    """True when this package has no D-Bus client (jeepney) but a vemod of
    this user runs: the monitors are its, and a direct scan would find none."""
    if open_dbus_connection is not None:
        return False
    uid = os.getuid()
    for entry in os.scandir("/proc"):
        if not entry.name.isdigit():
            continue
        try:
            if entry.stat().st_uid == uid and Path(entry.path, "comm").read_text().strip() == "vemod":
                return True
        except OSError:
            continue
    return False


def service_present() -> bool:
    """Whether the service has an owner on the session bus (jeepney installed)."""
    if open_dbus_connection is None:
        return False
    try:
        bus = _Bus()
    except Exception:  # no session bus, or none this process may use
        return False
    try:
        bus_daemon = "org.freedesktop.DBus"
        (owned,) = bus.call_on(bus_daemon, "/org/freedesktop/DBus", bus_daemon, "NameHasOwner", "s", BUS_NAME)
        return bool(owned)
    except Error:
        return False
    finally:
        bus.close()


def _info(values: Dict[str, Any]) -> MonitorInfo:
    return MonitorInfo(
        id=str(values["Id"]),
        model=str(values["Model"]),
        serial_number=str(values["SerialNumber"]),
        asset_tag=str(values["AssetTag"]),
        firmware=str(values["Firmware"]),
        usb_serial=str(values["UsbSerial"]),
    )


class DBusTransport:
    """Monitors reached through the service."""

    name = "dbus"

    def __init__(self) -> None:
        self._bus = _Bus()

    def _paths(self) -> List[str]:
        (variant,) = self._bus.call(MANAGER_PATH, PROPERTIES_INTERFACE, "Get", "ss", MANAGER_INTERFACE, "Monitors")
        return [str(path) for path in variant[1]]

    def monitors(self) -> List[MonitorInfo]:
        """Every monitor the service offers, in its order."""
        return [_info(self._bus.properties(path)) for path in self._paths()]

    def automation(self) -> Automation:
        """The service's automation, on a bus connection of its own."""
        bus = _Bus()
        return Automation(_ObjectLink(bus, MANAGER_PATH, MANAGER_INTERFACE),
                          lambda level: bus.call(MANAGER_PATH, MANAGER_INTERFACE, "SetLevel", "d", level))

    def connect(self, key: Key) -> DBusChannel:
        """Opens a monitor by index, or the one monitor a key names (matched
        here as in direct mode, so that a key two monitors share is refused)."""
        paths = self._paths()
        if key is None or isinstance(key, int):
            position = key or 0
            if not 0 <= position < len(paths):
                raise NoSuchMonitorError(f"no monitor at index {position} ({len(paths)} found)")
        else:
            try:
                position = position_of(key, [_info(self._bus.properties(path)) for path in paths])
            except NoSuchMonitorError:
                # The service reads its monitors' identities again when a key
                # misses (another program may have changed an asset tag).
                try:
                    self._bus.call(MANAGER_PATH, MANAGER_INTERFACE, "FindMonitor", "s", key)
                except Error:
                    pass
                paths = self._paths()
                position = position_of(key, [_info(self._bus.properties(path)) for path in paths])
        return DBusChannel(paths[position])


class DBusChannel:
    """A monitor object of the service, with a bus connection of its own."""

    def __init__(self, path: str) -> None:
        self._path = path
        self._bus = _Bus()
        self._info = _info(self._bus.properties(path))

    def _call(self, method: str, signature: Optional[str] = None, *args: object) -> Tuple[Any, ...]:
        return self._bus.call(self._path, MONITOR_INTERFACE, method, signature, *args)

    def info(self) -> MonitorInfo:
        """The monitor's identity as the service read it at attach."""
        return self._info

    def automation_link(self) -> _ObjectLink:
        """The monitor object's properties: calibration, night settings, writes."""
        return _ObjectLink(self._bus, self._path, MONITOR_INTERFACE)

    def read(self, setting: Setting) -> Scalar:
        """One live read through the service."""
        ((_, value),) = self._call("Get", "s", setting.name)
        return value if isinstance(value, str) else int(value)

    def write(self, setting: Setting, value: Scalar) -> None:
        """One write through the service."""
        self._call("Set", "sv", setting.name, (_SIGNATURES[setting.kind], value))
        if setting.name == "asset-tag":
            self._info = replace(self._info, asset_tag=self._asset_tag())

    def _asset_tag(self) -> str:
        ((_, tag),) = self._bus.call(self._path, PROPERTIES_INTERFACE, "Get", "ss", MONITOR_INTERFACE, "AssetTag")
        return str(tag)

    def adjust(self, setting: Setting, delta: int) -> int:
        """The service's Adjust: read, add, clamp, write."""
        ((_, value),) = self._call("Adjust", "si", setting.name, delta)
        return int(value)

    def read_custom_color(self, color_type: int) -> Tuple[int, ...]:
        """The six levels of one custom colour type."""
        (levels,) = self._call("GetCustomColor", "y", color_type)
        return tuple(levels)

    def write_custom_color(self, color_type: int, levels: Tuple[int, ...]) -> None:
        """Writes the six levels of one custom colour type."""
        self._call("SetCustomColor", "yay", color_type, bytes(levels))

    def choices(self) -> Dict[str, Dict[str, int]]:
        """The service's Choices of the monitor."""
        ((_, choices),) = self._bus.call(self._path, PROPERTIES_INTERFACE, "Get", "ss", MONITOR_INTERFACE, "Choices")
        return {setting: {name: int(value) for name, value in names.items()} for setting, names in choices.items()}

    def reset(self, group: str) -> None:
        """The service's Reset of a group."""
        self._call("Reset", "s", group)
        if group == "factory":
            self._info = replace(self._info, asset_tag=self._asset_tag())

    def close(self) -> None:
        """Closes this monitor's bus connection."""
        self._bus.close()


