"""Bridges that are attached but held by another process.

The library counts only the bridges it can open, so a bridge that another
program holds is simply not there for it, and the positions of the others
shift. hidapi lists every attached bridge whether or not it can be opened:
a listed bridge that does not open, and whose device node this user may
open, is held by another program (the USB stack grants one claim at a time).
"""

from __future__ import annotations

import ctypes
import os
import time
from typing import Callable, List, Optional, TypeVar

from .errors import BusyError, NoSuchMonitorError

BRIDGE_VENDOR_ID = 0x0451
BRIDGE_PRODUCT_ID = 0xCA01


class _DeviceInfo(ctypes.Structure):
    pass


# Only the leading fields and the link to the next entry are read; the layout
# up to `next` is the same in every hidapi release.
_DeviceInfo._fields_ = [
    ("path", ctypes.c_char_p),
    ("vendor_id", ctypes.c_ushort),
    ("product_id", ctypes.c_ushort),
    ("serial_number", ctypes.c_wchar_p),
    ("release_number", ctypes.c_ushort),
    ("manufacturer_string", ctypes.c_wchar_p),
    ("product_string", ctypes.c_wchar_p),
    ("usage_page", ctypes.c_ushort),
    ("usage", ctypes.c_ushort),
    ("interface_number", ctypes.c_int),
    ("next", ctypes.POINTER(_DeviceInfo)),
]


def _hidapi() -> Optional[ctypes.CDLL]:
    """The library's hidapi: the simulator when it is loaded, else the
    system's hidapi that the library links."""
    for library in (None, "libhidapi-libusb.so.0"):
        try:
            found = ctypes.CDLL(library)
            getattr(found, "hid_enumerate")
        except (OSError, AttributeError):
            continue
        return found
    return None


def device_node(path: str) -> str:
    """The device node behind a hidapi path: a hidraw path is one itself, a
    libusb path ("1-2.3:1.0") names a USB device whose bus and device numbers
    give its node; "" when neither (a simulated bridge)."""
    if path.startswith("/dev/"):
        return path
    device = path.split(":", 1)[0]
    if not device or "/" in device:
        return ""
    try:
        with open(f"/sys/bus/usb/devices/{device}/busnum") as bus, open(f"/sys/bus/usb/devices/{device}/devnum") as dev:
            return f"/dev/bus/usb/{int(bus.read()):03d}/{int(dev.read()):03d}"
    except (OSError, ValueError):
        return ""


class HeldBridges:
    """Finds the attached bridges that another process holds."""

    def __init__(self) -> None:
        self._hid = _hidapi()
        if self._hid is not None:
            self._enumerate: Callable[..., object] = self._hid.hid_enumerate
            setattr(self._enumerate, "restype", ctypes.POINTER(_DeviceInfo))
            setattr(self._enumerate, "argtypes", [ctypes.c_ushort, ctypes.c_ushort])
            setattr(self._hid.hid_free_enumeration, "argtypes", [ctypes.POINTER(_DeviceInfo)])
            setattr(self._hid.hid_open_path, "restype", ctypes.c_void_p)
            setattr(self._hid.hid_open_path, "argtypes", [ctypes.c_char_p])
            setattr(self._hid.hid_close, "argtypes", [ctypes.c_void_p])

    def _attached(self) -> List[str]:
        assert self._hid is not None
        paths: List[str] = []
        head = self._enumerate(BRIDGE_VENDOR_ID, BRIDGE_PRODUCT_ID)
        entry = head
        while entry:
            info = entry.contents  # type: ignore[attr-defined]
            if info.path:
                paths.append(info.path.decode("utf-8", "replace"))
            entry = info.next
        if head:
            self._hid.hid_free_enumeration(head)
        return paths

    def _opens(self, path: str) -> bool:
        assert self._hid is not None
        handle = self._hid.hid_open_path(path.encode())
        if not handle:
            return False
        self._hid.hid_close(handle)
        return True

    def paths(self) -> List[str]:
        """The hidapi paths of the bridges held by another program, now.
        Call it only while this process has no bridge open."""
        if self._hid is None:
            return []
        held = []
        for path in self._attached():
            if self._opens(path):
                continue
            node = device_node(path)
            if node and not os.access(node, os.R_OK | os.W_OK):
                continue  # not ours to open: waiting would not help
            held.append(path)
        return held


#: How often a held bridge is looked at again while waiting for it.
POLL_SECONDS = 0.1

T = TypeVar("T")


def while_held(held: HeldBridges, what: str, wait: float, attempt: Callable[[], T], try_while_held: bool = False) -> T:
    """``attempt()`` once no bridge is held by another process, waiting up to
    ``wait`` seconds for that; with ``try_while_held`` it is tried meanwhile
    too (a key finds its monitor among the free ones). A monitor that cannot
    be found or opened while a bridge is held is retried until the time is
    up, then :class:`BusyError` names the held bridges."""
    if isinstance(wait, bool) or not isinstance(wait, (int, float)) or not 0 <= wait < float("inf"):
        raise ValueError(f"wait: {wait!r} is not a number of seconds, at least 0")
    deadline = time.monotonic() + wait
    while True:
        bridges = held.paths()
        if not bridges or try_while_held:
            try:
                return attempt()
            except (BusyError, NoSuchMonitorError):
                # Another program may have taken the bridge just now.
                bridges = bridges or held.paths()
                if not bridges:
                    raise
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            waited = f"; waited {wait:g} s" if wait > 0 else ""
            raise BusyError(
                f"{what}: the bridge {', '.join(bridges)} is in use by another program "
                f"(a bridge serves one program at a time){waited}"
            )
        time.sleep(min(POLL_SECONDS, remaining))
