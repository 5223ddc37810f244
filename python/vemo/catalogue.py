"""What a setting is: its name, kind and accepted values, and the checks that
run before anything is sent to a monitor."""

from __future__ import annotations

import difflib
from dataclasses import dataclass
from typing import Literal, Optional, Sequence, Tuple, Union

from .errors import OutOfRangeError, ReadOnlyError

Kind = Literal["byte", "mask", "text", "hours", "custom-color"]

#: Four custom colour types, each with six levels: red, green, blue, cyan, magenta, yellow.
CUSTOM_COLOR_TYPES = 4
CUSTOM_COLOR_LEVELS = ("red", "green", "blue", "cyan", "magenta", "yellow")
MAX_COLOR_LEVEL = 100
#: Only these types use the cyan, magenta and yellow levels; the others send them unchecked.
CMY_COLOR_TYPES = (2, 3)

#: The levels of every custom colour type, indexed by type.
CustomColors = Tuple[Tuple[int, ...], ...]
#: A setting's value: an int for one-byte settings, masks and hours, a str for
#: text records, the levels of every type for the custom colour.
Value = Union[int, str, CustomColors]

RESET_GROUPS = ("power", "color", "osd", "factory")


@dataclass(frozen=True)
class Setting:
    """One setting of the monitor and the values it accepts.

    ``minimum``, ``maximum`` and ``step`` describe a one-byte setting (values
    from ``minimum`` to ``maximum`` in steps of ``step``); ``choices`` is the
    number of choice bits of a mask (0 for a read-only capability);
    ``max_bytes`` is the size of a text record.
    """

    name: str
    kind: Kind
    writable: bool
    minimum: Optional[int] = None
    maximum: Optional[int] = None
    step: Optional[int] = None
    choices: Optional[int] = None
    max_bytes: Optional[int] = None

    @property
    def attribute(self) -> str:
        """The name of the setting's property on :class:`vemo.Monitor`."""
        return self.name.replace("-", "_")

    def accepted_values(self) -> str:
        """The accepted values in words, as error messages give them."""
        if not self.writable:
            return "none (read-only)"
        if self.kind == "byte":
            lo, hi, step = self.byte_range()
            if step == 1:
                return f"{lo} to {hi}"
            return ", ".join(str(v) for v in range(lo, hi + 1, step))
        if self.kind == "mask":
            return "one of " + ", ".join(f"0x{1 << bit:02X}" for bit in range(self.choices or 0))
        if self.kind == "text":
            return f"a text of at most {self.max_bytes} bytes"
        return (
            f"{CUSTOM_COLOR_TYPES} types (0 to {CUSTOM_COLOR_TYPES - 1}) of six levels each: "
            f"red, green and blue 0 to {MAX_COLOR_LEVEL}, and cyan, magenta and yellow "
            f"0 to {MAX_COLOR_LEVEL} for types 2 and 3"
        )

    def byte_range(self) -> Tuple[int, int, int]:
        """(lowest, highest, step) of a one-byte setting; the highest is on the step."""
        lo, hi, step = self.minimum or 0, self.maximum or 0, self.step or 1
        return lo, lo + (hi - lo) // step * step, step

    def check(self, value: object) -> Value:
        """The value as it will be sent, or :class:`OutOfRangeError` /
        :class:`ReadOnlyError`; a value of the wrong type is a ``TypeError``."""
        if not self.writable:
            raise ReadOnlyError(f"{self.name} is read-only", self.name)
        if self.kind == "text":
            if not isinstance(value, str):
                raise TypeError(f"{self.name} takes a str, not {type(value).__name__}")
            encode_text(self, value)
            return value
        if self.kind == "custom-color":
            return check_custom_colors(self, value)
        number = _whole_number(self.name, value)
        if not self.accepts(number):
            raise self.out_of_range(number)
        return number

    def accepts(self, value: int) -> bool:
        """Whether a one-byte setting or a mask accepts the number."""
        if self.kind == "byte":
            lo, hi, step = self.byte_range()
            return lo <= value <= hi and (value - lo) % step == 0
        if self.kind == "mask":
            choices = self.choices or 0
            return value > 0 and value & (value - 1) == 0 and value < (1 << choices)
        return False

    def out_of_range(self, value: object) -> OutOfRangeError:
        """The error for a value the setting does not accept."""
        shown = f"0x{value:02X}" if self.kind == "mask" and isinstance(value, int) else repr(value)
        return OutOfRangeError(
            f"{self.name}: {shown} is out of range; accepted values: {self.accepted_values()}",
            self.name,
        )


def _whole_number(what: str, value: object) -> int:
    if not isinstance(value, int):
        raise TypeError(f"{what} takes an int, not {type(value).__name__}")
    return int(value)


def suggestion(name: str, names: Sequence[str]) -> str:
    """The hint for an unknown name: the nearest known one, if any is near."""
    nearest = difflib.get_close_matches(name, names, n=1)
    return f"; did you mean '{nearest[0]}'?" if nearest else ""


def check_color_type(color_type: object) -> int:
    """The custom colour type, or :class:`OutOfRangeError`."""
    number = _whole_number("custom-color type", color_type)
    if not 0 <= number < CUSTOM_COLOR_TYPES:
        raise OutOfRangeError(
            f"custom-color: type {number} is out of range; accepted values: 0 to {CUSTOM_COLOR_TYPES - 1}",
            "custom-color",
        )
    return number


def check_color_levels(color_type: int, levels: object) -> Tuple[int, ...]:
    """The six levels of one custom colour type, or :class:`OutOfRangeError`."""
    if isinstance(levels, (str, bytes)) or not isinstance(levels, Sequence):
        raise TypeError("custom-color levels are a sequence of six ints")
    values = tuple(_whole_number("custom-color level", level) for level in levels)
    uses_cmy = color_type in CMY_COLOR_TYPES
    limits = [MAX_COLOR_LEVEL] * 3 + [MAX_COLOR_LEVEL if uses_cmy else 0xFF] * 3
    if len(values) != len(CUSTOM_COLOR_LEVELS) or any(
        not 0 <= v <= limit for v, limit in zip(values, limits)
    ):
        raise OutOfRangeError(
            f"custom-color: type {color_type} levels {values} are out of range; accepted values: "
            f"six levels (red, green, blue, cyan, magenta, yellow), red, green and blue 0 to "
            f"{MAX_COLOR_LEVEL}" + (f", cyan, magenta and yellow 0 to {MAX_COLOR_LEVEL}" if uses_cmy else ""),
            "custom-color",
        )
    return values


def check_custom_colors(setting: Setting, value: object) -> CustomColors:
    """The levels of every custom colour type, indexed by type."""
    if isinstance(value, (str, bytes)) or not isinstance(value, Sequence):
        raise TypeError(f"{setting.name} takes one sequence of six levels for each of the {CUSTOM_COLOR_TYPES} types")
    if len(value) != CUSTOM_COLOR_TYPES:
        raise setting.out_of_range(value)
    return tuple(check_color_levels(color_type, levels) for color_type, levels in enumerate(value))


def check_reset_group(group: object) -> str:
    """The reset group, or :class:`OutOfRangeError`."""
    if group not in RESET_GROUPS:
        raise OutOfRangeError(
            f"reset: unknown group {group!r}; accepted values: {', '.join(RESET_GROUPS)}"
        )
    return str(group)


def escape_text(record: bytes) -> str:
    """A text record as text: the bytes up to the first NUL, with a backslash
    and every byte outside printable ASCII written as ``\\xNN``."""
    out = []
    for byte in record.split(b"\0", 1)[0]:
        if byte == 0x5C:
            out.append("\\\\")
        elif 0x20 <= byte <= 0x7E:
            out.append(chr(byte))
        else:
            out.append(f"\\x{byte:02X}")
    return "".join(out)


def encode_text(setting: Setting, text: str) -> bytes:
    """The bytes of a text value: ``\\xNN`` and ``\\\\`` escapes undone, every
    other character in UTF-8. :class:`OutOfRangeError` when it holds a NUL or
    does not fit the record."""
    data = bytearray()
    i = 0
    while i < len(text):
        if text[i] != "\\":
            data += text[i].encode("utf-8", "surrogateescape")
            i += 1
        elif text[i : i + 2] == "\\\\":
            data.append(0x5C)
            i += 2
        elif text[i + 1 : i + 2] == "x" and _is_hex(text[i + 2 : i + 4]):
            data.append(int(text[i + 2 : i + 4], 16))
            i += 4
        else:
            raise OutOfRangeError(f"{setting.name}: {text!r} has a broken escape", setting.name)
    if b"\0" in data:
        raise OutOfRangeError(f"{setting.name}: {text!r} holds a NUL byte, which ends the text", setting.name)
    if len(data) > (setting.max_bytes or 0):
        raise OutOfRangeError(
            f"{setting.name}: {text!r} takes {len(data)} bytes; accepted values: {setting.accepted_values()}",
            setting.name,
        )
    return bytes(data)


def _is_hex(digits: str) -> bool:
    return len(digits) == 2 and all(c in "0123456789abcdefABCDEF" for c in digits)
