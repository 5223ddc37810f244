"""What a setting is: its name, kind and accepted values. The rules come from
the settings model (``vemoctl settings --json``), in the generated table."""

from __future__ import annotations

from dataclasses import dataclass
from typing import TYPE_CHECKING, Literal, Optional, Tuple

from .errors import OutOfRangeError, ReadOnlyError

if TYPE_CHECKING:
    from .catalogue import Value

Kind = Literal["byte", "mask", "text", "hours", "custom-color"]


@dataclass(frozen=True)
class Setting:
    """One setting of the monitor and the values it accepts.

    ``minimum``, ``maximum`` and ``step`` describe a one-byte setting (values
    from ``minimum`` to ``maximum`` in steps of ``step``), ``enumeration``
    whether its values stand for things rather than amounts; ``choices`` is
    the number of choice bits of a mask (0 for a read-only capability) and
    ``capabilities`` the setting whose bits say which the monitor offers;
    ``max_bytes`` is the size of a text record. The custom colour has
    ``types`` types of the ``levels`` named, of which the first
    ``checked_levels[type]`` are 0 to ``max_level`` (the others any byte).
    """

    name: str
    kind: Kind
    writable: bool
    minimum: Optional[int] = None
    maximum: Optional[int] = None
    step: Optional[int] = None
    choices: Optional[int] = None
    max_bytes: Optional[int] = None
    enumeration: bool = False
    capabilities: Optional[str] = None
    types: Optional[int] = None
    levels: Tuple[str, ...] = ()
    max_level: Optional[int] = None
    checked_levels: Tuple[int, ...] = ()

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
        with_cmy = " and ".join(str(t) for t, n in enumerate(self.checked_levels) if n == len(self.levels))
        return (
            f"{self.types} types (0 to {(self.types or 0) - 1}) of six levels each: "
            f"red, green and blue 0 to {self.max_level}, and cyan, magenta and yellow "
            f"0 to {self.max_level} for types {with_cmy}"
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
            from .catalogue import encode_text

            encode_text(self, value)
            return value
        if self.kind == "custom-color":
            from .catalogue import check_custom_colors

            return check_custom_colors(self, value)
        number = whole_number(self.name, value)
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


def whole_number(what: str, value: object) -> int:
    """An int, never a bool (True is not a value of a setting)."""
    if not isinstance(value, int) or isinstance(value, bool):
        raise TypeError(f"{what} takes an int, not {type(value).__name__}")
    return int(value)
