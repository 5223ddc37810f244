"""What a setting is: its name, kind and accepted values, and the checks that
run before anything is sent to a monitor. The rules are the settings model's,
read from the generated table."""

from __future__ import annotations

import difflib
from typing import Mapping, Optional, Sequence, Tuple, Union

from ._setting import Kind, Setting, whole_number
from ._table import RESET_GROUPS, TABLE
from .errors import OutOfRangeError

__all__ = [
    "CMY_COLOR_TYPES",
    "CUSTOM_COLOR_LEVELS",
    "CUSTOM_COLOR_TYPES",
    "MAX_COLOR_LEVEL",
    "RESET_GROUPS",
    "CustomColors",
    "Kind",
    "Setting",
    "Value",
]

_CUSTOM_COLOR = next(s for s in TABLE if s.kind == "custom-color")
#: Custom colour types, each with six levels: red, green, blue, cyan, magenta, yellow.
CUSTOM_COLOR_TYPES: int = _CUSTOM_COLOR.types or 0
CUSTOM_COLOR_LEVELS: Tuple[str, ...] = _CUSTOM_COLOR.levels
MAX_COLOR_LEVEL: int = _CUSTOM_COLOR.max_level or 0
#: Only these types use the cyan, magenta and yellow levels; the others send them unchecked.
CMY_COLOR_TYPES: Tuple[int, ...] = tuple(
    t for t, n in enumerate(_CUSTOM_COLOR.checked_levels) if n == len(CUSTOM_COLOR_LEVELS)
)

#: The levels of every custom colour type, indexed by type.
CustomColors = Tuple[Tuple[int, ...], ...]
#: A setting's value: an int for one-byte settings, masks and hours, a str for
#: text records, the levels of every type for the custom colour.
Value = Union[int, str, CustomColors]

_whole_number = whole_number


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
    checked = _CUSTOM_COLOR.checked_levels[color_type]
    uses_cmy = checked == len(CUSTOM_COLOR_LEVELS)
    limits = [MAX_COLOR_LEVEL] * checked + [0xFF] * (len(CUSTOM_COLOR_LEVELS) - checked)
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


def offered_choices(capabilities: int, names: Optional[Mapping[str, int]] = None) -> str:
    """The choices a capability value offers, in words, with their names."""
    by_value = {value: name for name, value in (names or {}).items()}
    shown = []
    for bit in range(32):
        if capabilities & (1 << bit):
            name = by_value.get(1 << bit)
            shown.append(f"0x{1 << bit:02X}" + (f" ({name})" if name else ""))
    return ", ".join(shown) or "none"


def check_reset_group(group: object) -> str:
    """The reset group, or :class:`OutOfRangeError`."""
    if group not in RESET_GROUPS:
        raise OutOfRangeError(
            f"reset: unknown group {group!r}; accepted values: {', '.join(RESET_GROUPS)}"
        )
    return str(group)


def record_text(record: bytes) -> str:
    """A text record as text, the one form it has everywhere: the bytes up to
    the first NUL, a byte that is not part of valid UTF-8 shown as U+FFFD."""
    return record.split(b"\0", 1)[0].decode("utf-8", "replace")


def encode_text(setting: Setting, text: str) -> bytes:
    """The bytes of a text value, taken as it is, in UTF-8.
    :class:`OutOfRangeError` when it holds a NUL or a control character, or
    does not fit the record."""
    try:
        data = text.encode("utf-8")
    except UnicodeEncodeError as error:
        raise OutOfRangeError(f"{setting.name}: {text[:64]!r} is not text ({error.reason})", setting.name) from None
    if b"\0" in data:
        raise OutOfRangeError(f"{setting.name}: {text!r} holds a NUL byte, which ends the text", setting.name)
    if any(byte < 0x20 or byte == 0x7F for byte in data):
        raise OutOfRangeError(
            f"{setting.name}: {text[:64]!r} holds a control character, which a label cannot show", setting.name
        )
    if len(data) > (setting.max_bytes or 0):
        raise OutOfRangeError(
            f"{setting.name}: {text!r} takes {len(data)} bytes; accepted values: {setting.accepted_values()}",
            setting.name,
        )
    return bytes(data)
