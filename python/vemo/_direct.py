"""The shipped library, called in this process through ctypes.

The library holds one connection per process and must be called from one
thread at a time: one channel may be open at a time, and every call takes
the transport's lock.
"""

from __future__ import annotations

import ctypes
import threading
from dataclasses import replace
from typing import Callable, Collection, Dict, List, Optional, Tuple

from ._held import HeldBridges, while_held
from ._models import choices_for_model
from ._transport import Key, MonitorInfo, Scalar, adjusted, monitor_id, position_of
from .catalogue import CUSTOM_COLOR_LEVELS, Setting, encode_text, offered_choices, record_text
from .errors import BusyError, CommunicationError, NoSuchMonitorError, NotConnectedError, OutOfRangeError
from .monitor import setting_named

_STATUS_OK = 0
_STATUS_OUT_OF_RANGE = 2
_STATUS_NOT_CONNECTED = 3
_USB_SERIAL_CHARS = 256
# Text records are read into a buffer far larger than any record, so that a
# record size the table and the library disagree on cannot overrun it.
_RECORD_BUFFER_BYTES = 256

# The library's function names are Get<Name> and Set<Name>; <Name> is the
# setting's words capitalised, with these words and whole names spelled the
# library's way.
_WORDS = {"led": "LED", "usb": "USB", "lcd": "LCD", "pxp": "PxP", "mst": "MST", "osd": "OSD"}
_NAMES = {
    "monitor-name": "MonitorName",
    "serial-number": "MonitorSerialNumber",
    "firmware-version": "VersionFirmware",
    "color-space": "ColorSpaceState",
}
_RESETS = {"power": "ResetPower", "color": "ResetColor", "osd": "ResetOSD", "factory": "FactoryReset"}
_VALUE_TYPES = {"byte": ctypes.c_ubyte, "mask": ctypes.c_uint32, "hours": ctypes.c_short}


def _function_name(setting_name: str) -> str:
    return _NAMES.get(setting_name) or "".join(_WORDS.get(w, w.capitalize()) for w in setting_name.split("-"))


def _raise_for(status: int, what: str, setting: Optional[str], accepted: str = "") -> None:
    if status == _STATUS_OK:
        return
    if status == _STATUS_OUT_OF_RANGE:
        raise OutOfRangeError(f"{what}: the library refused the value; accepted values: {accepted}", setting)
    if status == _STATUS_NOT_CONNECTED:
        raise NotConnectedError(f"{what}: the monitor is not connected", setting)
    raise CommunicationError(f"{what}: the monitor refused the request or did not answer", setting)


class DirectTransport:
    """Monitors reached through the shipped library in this process."""

    name = "direct"

    def __init__(self, sdk: ctypes.CDLL) -> None:
        self._sdk = sdk
        #: Every call into the library holds this lock.
        self.lock = threading.RLock()
        self.open_channel: Optional[DirectChannel] = None
        self._selected = ctypes.c_void_p.in_dll(sdk, "SelectedDevice")
        self._serial_string = self._hidapi_serial_function()
        self._accessors: Dict[str, Callable[..., int]] = {}
        self._held = HeldBridges()

    @staticmethod
    def _hidapi_serial_function() -> Optional[Callable[..., int]]:
        # The library's hidapi: the simulator when it is loaded, else the
        # system's hidapi that the library links.
        for library in (None, "libhidapi-libusb.so.0"):
            try:
                function: Callable[..., int] = getattr(ctypes.CDLL(library), "hid_get_serial_number_string")
            except (OSError, AttributeError):
                continue
            setattr(function, "argtypes", [ctypes.c_void_p, ctypes.c_wchar_p, ctypes.c_size_t])
            return function
        return None

    def function(self, name: str) -> Callable[..., int]:
        """One of the library's functions."""
        found: Callable[..., int] = getattr(self._sdk, name)
        return found

    def accessor(self, prefix: str, setting_name: str) -> Callable[..., int]:
        """The library's Get or Set function of a setting."""
        key = prefix + setting_name
        found = self._accessors.get(key)
        if found is None:
            found = self._accessors[key] = self.function(prefix + _function_name(setting_name))
        return found

    def monitors(self, wait: float = 0.0) -> List[MonitorInfo]:
        """Every monitor attached, identity read from each in turn; waits up
        to ``wait`` seconds for bridges another process holds."""
        with self.lock:
            self._refuse_second_connection()
            return while_held(self._held, "listing monitors", wait, lambda: [info for _, info in self._identities()])

    def connect(self, key: Key, wait: float = 0.0) -> DirectChannel:
        """Opens the monitor at an index, or the one a key names. When it is
        not found, or does not open, while another process holds a bridge,
        waits up to ``wait`` seconds for that bridge."""
        with self.lock:
            self._refuse_second_connection()
            what = f"monitor {key!r}" if isinstance(key, str) else f"monitor {key or 0}"
            return while_held(self._held, what, wait, lambda: self._connect_once(key), try_while_held=True)

    def _connect_once(self, key: Key) -> DirectChannel:
        with self.lock:
            if key is None or isinstance(key, int):
                position = key or 0
                count = self._count()
                if not 0 <= position < count:
                    raise NoSuchMonitorError(f"no monitor at index {position} ({count} found)")
                # The id depends on the monitors before it: read them first.
                found = dict(self._identities())
                self._open(position)
                return self._channel(position, found.get(position))
            position, info = self._find(key)
            self._open(position)
            if info.usb_serial and self._usb_serial() != info.usb_serial:
                self.function("DisconnectMonitor")()
                raise NoSuchMonitorError(f"the monitors changed while monitor {key!r} was looked for")
            return self._channel(position, info)

    def _channel(self, position: int, info: Optional[MonitorInfo]) -> DirectChannel:
        self.open_channel = DirectChannel(self, position, info)
        return self.open_channel

    def _refuse_second_connection(self) -> None:
        if self.open_channel is not None:
            raise BusyError(
                "this process already holds a connection (the library allows one): "
                f"close monitor {self.open_channel.position} first"
            )

    def _count(self) -> int:
        count = ctypes.c_ubyte()
        _raise_for(self.function("GetAvailableMonitors")(ctypes.byref(count)), "counting monitors", None)
        return count.value

    def _open(self, position: int) -> None:
        if self.function("ConnectMonitor")(position) != _STATUS_OK:
            raise BusyError(f"monitor {position} could not be opened: another program may hold it")

    def _identities(self) -> List[Tuple[int, MonitorInfo]]:
        self._refuse_second_connection()
        found: List[Tuple[int, MonitorInfo]] = []
        for position in range(self._count()):
            if self.function("ConnectMonitor")(position) != _STATUS_OK:
                continue
            try:
                found.append((position, self.identity(position, {info.id for _, info in found})))
            finally:
                self.function("DisconnectMonitor")()
        return found

    def _find(self, key: str) -> Tuple[int, MonitorInfo]:
        found = self._identities()
        return found[position_of(key, [info for _, info in found])]

    def _usb_serial(self) -> str:
        buffer = ctypes.create_unicode_buffer(_USB_SERIAL_CHARS)
        if self._serial_string is None or not self._selected.value:
            return ""
        if self._serial_string(self._selected.value, buffer, _USB_SERIAL_CHARS) != 0:
            return ""
        return buffer.value

    def read_text(self, setting: Setting) -> Tuple[int, str]:
        """The library's status and a text record of the connected monitor."""
        record = ctypes.create_string_buffer(_RECORD_BUFFER_BYTES)
        status = self.accessor("Get", setting.name)(record)
        return status, record_text(record.raw[: setting.max_bytes or 0])

    def text_record(self, name: str) -> str:
        """A text record of the connected monitor, empty when it cannot be read."""
        status, text = self.read_text(setting_named(name))
        return text if status == _STATUS_OK else ""

    def identity(self, position: int, taken: Collection[str] = ()) -> MonitorInfo:
        """The identity of the connected monitor; a record that cannot be read
        is empty. ``taken``: the ids of the monitors before it."""
        serial_number = self.text_record("serial-number")
        usb_serial = self._usb_serial()
        return MonitorInfo(
            id=monitor_id(serial_number, usb_serial, position, taken),
            model=self.text_record("monitor-name"),
            serial_number=serial_number,
            asset_tag=self.text_record("asset-tag"),
            firmware=self.text_record("firmware-version"),
            usb_serial=usb_serial,
        )


class DirectChannel:
    """The one open monitor of the process."""

    def __init__(self, transport: DirectTransport, position: int, info: Optional[MonitorInfo]) -> None:
        self._transport = transport
        self._function = transport.function
        self.position = position
        self._info = info
        self._choices: Optional[Dict[str, Dict[str, int]]] = None

    def _check_open(self, what: str) -> None:
        if self._transport.open_channel is not self:
            raise NotConnectedError(f"{what}: the monitor is closed")

    def info(self) -> MonitorInfo:
        """The monitor's identity, read at the first request."""
        with self._transport.lock:
            if self._info is None:
                self._check_open("info")
                self._info = self._transport.identity(self.position)
            return self._info

    def read(self, setting: Setting) -> Scalar:
        """One read of a setting."""
        with self._transport.lock:
            self._check_open(setting.name)
            get = self._transport.accessor("Get", setting.name)
            if setting.kind == "text":
                status, text = self._transport.read_text(setting)
                _raise_for(status, f"reading {setting.name}", setting.name)
                return text
            value = _VALUE_TYPES[setting.kind]()
            _raise_for(get(ctypes.byref(value)), f"reading {setting.name}", setting.name)
            return int(value.value) & (0xFFFF if setting.kind == "hours" else 0xFFFFFFFF)

    def write(self, setting: Setting, value: Scalar) -> None:
        """One write of an accepted value."""
        with self._transport.lock:
            self._check_open(setting.name)
            set_ = self._transport.accessor("Set", setting.name)
            if setting.capabilities and isinstance(value, int):
                self._check_offered(setting, value)
            if isinstance(value, str):
                # The setter sends the whole record: the text, then zeros.
                status = set_(ctypes.create_string_buffer(encode_text(setting, value), (setting.max_bytes or 0) + 1))
            else:
                status = set_(_VALUE_TYPES[setting.kind](value))
            _raise_for(status, f"writing {setting.name}", setting.name, setting.accepted_values())
            if setting.name == "asset-tag":
                self._refresh_asset_tag()

    def _check_offered(self, setting: Setting, value: int) -> None:
        """A choice the monitor's capability value does not offer is refused
        before anything is sent, as the service refuses it."""
        offered = self.read(setting_named(setting.capabilities or ""))
        assert isinstance(offered, int)
        if not value & offered:
            names = self.choices().get(setting.name)
            named = {v: n for n, v in names.items()}.get(value) if names else None
            raise OutOfRangeError(
                f"{setting.name}: 0x{value:02X}{f' ({named})' if named else ''} is not offered by this monitor; "
                f"accepted values: {offered_choices(offered, names)}",
                setting.name,
            )

    def adjust(self, setting: Setting, delta: int) -> int:
        """Read, add, clamp, write: one turn of the lock."""
        with self._transport.lock:
            current = self.read(setting)
            assert isinstance(current, int)
            target = adjusted(setting, current, delta)
            self.write(setting, target)
            return target

    def read_custom_color(self, color_type: int) -> Tuple[int, ...]:
        """The six levels of one custom colour type."""
        with self._transport.lock:
            self._check_open("custom-color")
            levels = [ctypes.c_ubyte() for _ in CUSTOM_COLOR_LEVELS]
            status = self._function("GetCustomColor")(color_type, *(ctypes.byref(level) for level in levels))
            _raise_for(status, f"reading custom-color type {color_type}", "custom-color")
            return tuple(level.value for level in levels)

    def write_custom_color(self, color_type: int, levels: Tuple[int, ...]) -> None:
        """Writes the six levels of one custom colour type."""
        with self._transport.lock:
            self._check_open("custom-color")
            status = self._function("SetCustomColor")(color_type, *levels)
            _raise_for(status, f"writing custom-color type {color_type}", "custom-color")

    def choices(self) -> Dict[str, Dict[str, int]]:
        """The model description of the monitor's model."""
        if self._choices is None:
            self._choices = choices_for_model(self.info().model)
        return self._choices

    def reset(self, group: str) -> None:
        """Sends one group's reset."""
        with self._transport.lock:
            self._check_open(f"reset {group}")
            _raise_for(self._function(_RESETS[group])(), f"reset {group}", None)
            if group == "factory":
                self._refresh_asset_tag()

    def _refresh_asset_tag(self) -> None:
        if self._info is not None:
            self._info = replace(self._info, asset_tag=self._transport.text_record("asset-tag"))

    def close(self) -> None:
        """Disconnects; closing twice does nothing."""
        with self._transport.lock:
            if self._transport.open_channel is self:
                self._function("DisconnectMonitor")()
                self._transport.open_channel = None

