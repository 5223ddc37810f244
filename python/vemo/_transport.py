"""The two ways to a monitor, the shipped library in this process or the
service on the session bus, behind one interface."""

from __future__ import annotations

from dataclasses import dataclass
from typing import List, Protocol, Tuple, Union

from .catalogue import Setting

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


def monitor_id(serial_number: str, usb_serial: str, position: int) -> str:
    """A monitor's id from what is known about it."""
    return serial_number or usb_serial or str(position)


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
        values (on the step, in the direction of ``delta``), writes it when it
        changed and returns it."""

    def read_custom_color(self, color_type: int) -> Tuple[int, ...]:
        """The six levels of a custom colour type."""

    def write_custom_color(self, color_type: int, levels: Tuple[int, ...]) -> None:
        """Writes the six levels of a custom colour type."""

    def reset(self, group: str) -> None:
        """Sends the reset of a group: power, color, osd or factory."""

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
    range and put on its step, rounding in the direction of ``delta``."""
    lo, hi, step = setting.byte_range()
    target = min(max(current + delta, lo), hi)
    steps, remainder = divmod(target - lo, step)
    if remainder and delta > 0:
        steps += 1
    return min(lo + steps * step, hi)


def match_key(key: str, infos: List[MonitorInfo]) -> List[int]:
    """The positions of the monitors a key names: its id, USB serial, serial
    number or asset tag."""
    return [
        i
        for i, info in enumerate(infos)
        if key in (info.id, info.usb_serial, info.serial_number, info.asset_tag) and key != ""
    ]
