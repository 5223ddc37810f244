"""The two ways to a monitor, the shipped library in this process or the
service on the session bus, behind one interface."""

from __future__ import annotations

from dataclasses import dataclass
from typing import Collection, Dict, List, Protocol, Tuple, Union

from .catalogue import Setting
from .errors import NoSuchMonitorError

#: What ``connect`` takes: nothing (the first monitor), an index, or a key.
Key = Union[None, int, str]
#: A value as a transport reads and writes it: custom colours go per type.
Scalar = Union[int, str]


@dataclass(frozen=True)
class MonitorInfo:
    """A monitor's identity, read once when it is found.

    ``id`` is the serial number as the monitor reports it, else its bridge's
    USB serial, else its bridge's position.
    """

    id: str
    model: str
    serial_number: str
    asset_tag: str
    firmware: str
    usb_serial: str


def monitor_id(serial_number: str, usb_serial: str, position: int, taken: Collection[str] = ()) -> str:
    """A monitor's id from what is known about it, as vemod and vemoctl give
    it: a candidate another monitor has as its id already (``taken``) is
    passed over, so that two monitors reporting one serial number differ."""
    for candidate in (serial_number, usb_serial):
        if candidate and candidate not in taken:
            return candidate
    base = id_ = str(position)
    n = 2
    while id_ in taken:
        id_, n = f"{base}-{n}", n + 1
    return id_


class Channel(Protocol):
    """An open monitor. Values reach it already checked."""

    def info(self) -> MonitorInfo:
        """The monitor's identity (read once, the asset tag kept current)."""

    def read(self, setting: Setting) -> Scalar:
        """One live read of a setting other than the custom colour."""

    def write(self, setting: Setting, value: Scalar) -> None:
        """Writes an accepted value of a setting other than the custom colour."""

    def adjust(self, setting: Setting, delta: int) -> int:
        """Reads a one-byte setting, adds ``delta``, clamps it to the accepted
        values (see :func:`adjusted`), writes it and returns it."""

    def read_custom_color(self, color_type: int) -> Tuple[int, ...]:
        """The six levels of a custom colour type."""

    def write_custom_color(self, color_type: int, levels: Tuple[int, ...]) -> None:
        """Writes the six levels of a custom colour type."""

    def reset(self, group: str) -> None:
        """Sends the reset of a group: power, color, osd or factory."""

    def choices(self) -> Dict[str, Dict[str, int]]:
        """What the monitor's model description calls its choices."""

    def close(self) -> None:
        """Lets the monitor go; further calls raise NotConnectedError."""


class Transport(Protocol):
    """A way to reach monitors."""

    name: str

    def monitors(self) -> List[MonitorInfo]:
        """Every monitor that can be reached, with its identity."""

    def connect(self, key: Key) -> Channel:
        """Opens the monitor the key names."""


def adjusted(setting: Setting, current: int, delta: int) -> int:
    """``current + delta`` on the setting's accepted values: clamped to its
    range, then the nearest value on its step (a tie goes in the direction of
    ``delta``), as the service computes it."""
    lo, hi, step = setting.byte_range()
    offset = min(max(current + delta, lo), hi) - lo
    below = offset - offset % step
    above = below + step
    if offset == below or lo + above > hi:
        return lo + below
    to_below, to_above = offset - below, above - offset
    return lo + (above if to_above < to_below or (to_above == to_below and delta > 0) else below)


def position_of(key: str, infos: List[MonitorInfo]) -> int:
    """The position of the one monitor whose id, USB serial, serial number or
    asset tag is ``key``; NoSuchMonitorError when none is, or more than one."""
    matches = [
        i for i, info in enumerate(infos) if key and key in (info.id, info.usb_serial, info.serial_number, info.asset_tag)
    ]
    if not matches:
        raise NoSuchMonitorError(f"no monitor has the id, USB serial, serial number or asset tag {key!r}")
    if len(matches) > 1:
        ids = ", ".join(infos[i].id for i in matches)
        raise NoSuchMonitorError(f"{key!r} names {len(matches)} monitors ({ids}); use an index or a key only one has")
    return matches[0]
