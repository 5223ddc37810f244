"""An open monitor: its settings as properties, and the calls on them."""

from __future__ import annotations

import math
import time
from types import MappingProxyType, TracebackType
from typing import Dict, Iterable, List, Mapping, Optional, Tuple, Type

from ._table import TABLE, SettingProperties
from ._transport import Channel, MonitorInfo
from .automation import MonitorAutomation
from .catalogue import (
    CUSTOM_COLOR_LEVELS,
    CUSTOM_COLOR_TYPES,
    Setting,
    Value,
    check_color_levels,
    check_color_type,
    check_reset_group,
    encode_text,
    suggestion,
)
from .errors import OutOfRangeError, UnknownSettingError

#: Every setting by its name, in catalogue order (read-only).
SETTINGS: Mapping[str, Setting] = MappingProxyType({setting.name: setting for setting in TABLE})


def setting_named(name: str) -> Setting:
    """The setting called ``name``, or :class:`UnknownSettingError`."""
    setting = SETTINGS.get(name)
    if setting is None:
        raise UnknownSettingError(f"unknown setting {name!r}{suggestion(name, list(SETTINGS))}", name)
    return setting


def _nearest_attribute(name: str) -> str:
    """The hint for a mistyped property: the nearest setting's property."""
    hint = suggestion(name.replace("_", "-"), list(SETTINGS))
    return hint.replace("-", "_")


def _one_byte_setting(name: str, what: str) -> Setting:
    setting = setting_named(name)
    if setting.kind != "byte":
        raise TypeError(f"{what} takes a one-byte setting; {name} is a {setting.kind} setting")
    return setting


class Monitor(SettingProperties, MonitorAutomation):
    """An open monitor, from :func:`vemo.connect`.

    Every setting is a property named in snake_case (``m.brightness``,
    ``m.osd_timer``); read-only ones have no setter. Each read and write is one
    exchange with the monitor: nothing is cached but its identity. Use it as a
    context manager, or call :meth:`close`. Through the service it also has
    its calibration, night settings and count of writes (see
    :class:`vemo.automation.MonitorAutomation`).
    """

    def __init__(self, channel: Channel) -> None:
        self._channel = channel

    def __setattr__(self, name: str, value: object) -> None:
        # A mistyped setting would otherwise become a new attribute, silently.
        if not name.startswith("_") and not hasattr(type(self), name):
            raise AttributeError(f"Monitor has no setting {name!r}{_nearest_attribute(name)}")
        super().__setattr__(name, value)

    def __enter__(self) -> Monitor:
        return self

    def __exit__(
        self,
        exc_type: Optional[Type[BaseException]],
        exc: Optional[BaseException],
        traceback: Optional[TracebackType],
    ) -> None:
        self.close()

    def close(self) -> None:
        """Lets the monitor go; later calls raise :class:`vemo.NotConnectedError`."""
        self._channel.close()

    @property
    def info(self) -> MonitorInfo:
        """The monitor's identity (the asset tag follows writes)."""
        return self._channel.info()

    @property
    def choices(self) -> Dict[str, Dict[str, int]]:
        """What the monitor's model description calls its choices: setting,
        then choice name to value (``{"video-input": {"hdmi-1": 1, ...}}``);
        empty when no description names the model. :meth:`set` takes the names."""
        return {setting: dict(names) for setting, names in self._channel.choices().items()}

    def get(self, name: str) -> Value:
        """Reads a setting by its name (``"osd-timer"``). The custom colour
        reads as the six levels of each type, indexed by type."""
        setting = setting_named(name)
        if setting.kind == "custom-color":
            return tuple(self._channel.read_custom_color(t) for t in range(CUSTOM_COLOR_TYPES))
        return self._channel.read(setting)

    def set(self, name: str, value: object) -> None:
        """Writes a setting by its name. The value is checked before anything
        is sent: :class:`vemo.OutOfRangeError`, :class:`vemo.ReadOnlyError`;
        a mask takes exactly one of its choice bits, one the monitor offers.
        A choice may be given by the name :attr:`choices` has for it."""
        setting = setting_named(name)
        if isinstance(value, str) and setting.kind in ("byte", "mask"):
            value = self._choice_value(setting, value)
        checked = setting.check(value)
        if isinstance(checked, tuple):
            for color_type, levels in enumerate(checked):
                self._channel.write_custom_color(color_type, levels)
        else:
            self._channel.write(setting, checked)

    def _choice_value(self, setting: Setting, name: str) -> int:
        names = self._channel.choices().get(setting.name, {})
        if name not in names:
            known = ", ".join(sorted(names)) or "none: no model description names them"
            raise OutOfRangeError(
                f"{setting.name}: {name[:64]!r} is not a choice of this model; its choices: {known}", setting.name
            )
        return names[name]

    def _get_int(self, name: str) -> int:
        value = self._channel.read(setting_named(name))
        assert isinstance(value, int)
        return value

    def _get_str(self, name: str) -> str:
        value = self._channel.read(setting_named(name))
        assert isinstance(value, str)
        return value

    def adjust(self, name: str, delta: int) -> int:
        """Adds ``delta`` to a one-byte setting, clamped to its range and put
        on the nearest value of its step (a tie goes in the direction of
        ``delta``); returns the new value."""
        setting = _one_byte_setting(name, "adjust")
        if isinstance(delta, bool) or not isinstance(delta, int):
            raise TypeError("adjust takes an int delta")
        return self._channel.adjust(setting, delta)

    def custom_color(self, type: int) -> Tuple[int, ...]:
        """The six levels (red, green, blue, cyan, magenta, yellow) of a custom colour type, 0 to 3."""
        return self._channel.read_custom_color(check_color_type(type))

    def set_custom_color(self, type: int, levels: Tuple[int, ...]) -> None:
        """Writes the six levels of a custom colour type: red, green and blue
        0 to 100; cyan, magenta and yellow 0 to 100 for types 2 and 3."""
        color_type = check_color_type(type)
        self._channel.write_custom_color(color_type, check_color_levels(color_type, levels))

    def reset(self, group: str) -> None:
        """Sends the monitor's reset for ``"power"``, ``"color"``, ``"osd"`` or ``"factory"``."""
        self._channel.reset(check_reset_group(group))

    def dump(self) -> Dict[str, object]:
        """Every setting the monitor has, by name: a profile for :meth:`restore`."""
        return {name: self.get(name) for name in SETTINGS}

    def profile(self) -> Dict[str, object]:
        """Every setting in the profile form ``vemoctl dump --json`` writes
        (masks as ``"0x%08X"``, the custom colour as a list of objects with
        its type and levels): ``json.dump`` it, and either restores it."""
        out: Dict[str, object] = {}
        for name, value in self.dump().items():
            setting = setting_named(name)
            if setting.kind == "mask":
                out[name] = f"0x{value:08X}"
            elif setting.kind == "custom-color" and isinstance(value, tuple):
                out[name] = [
                    {"type": t, **dict(zip(CUSTOM_COLOR_LEVELS, levels))} for t, levels in enumerate(value)
                ]
            else:
                out[name] = value
        return out

    def restore(
        self, profile: Mapping[str, object], dry_run: bool = False, only: Optional[Iterable[str]] = None
    ) -> Dict[str, Tuple[object, object]]:
        """Writes a profile (such as :meth:`dump` or :meth:`profile` returns,
        or ``vemoctl dump --json`` wrote) and returns the settings it changed,
        with their old and new values. Unchanged values are not written,
        read-only ones are skipped; every name and value is checked before
        anything is sent. ``dry_run`` writes nothing; ``only`` restores those
        settings alone. The asset tag is restored only when ``only`` names
        it: copied to another monitor it would give two monitors one key."""
        chosen = None if only is None else {setting_named(name).name for name in only}
        wanted: Dict[str, Value] = {}
        for name, value in profile.items():
            setting = setting_named(name)
            if chosen is not None and name not in chosen:
                continue
            if setting.name == "asset-tag" and chosen is None:
                continue
            if setting.writable:
                wanted[name] = setting.check(self._from_profile(setting, value))
        changes: Dict[str, Tuple[object, object]] = {}
        for setting in TABLE:
            if setting.name not in wanted:
                continue
            old, new = self.get(setting.name), wanted[setting.name]
            if _same(setting, old, new):
                continue
            if not dry_run:
                self._write_changed(setting, old, new)
            changes[setting.name] = (old, new)
        return changes

    def _from_profile(self, setting: Setting, value: object) -> object:
        """A value in any profile form as the package takes it."""
        if setting.kind in ("byte", "mask") and isinstance(value, str):
            if value[:2].lower() == "0x" and value[2:] and all(c in "0123456789abcdefABCDEF" for c in value[2:]):
                return int(value, 16)
            return int(value) if value.isdigit() else self._choice_value(setting, value)
        if setting.kind == "custom-color" and isinstance(value, list) and all(isinstance(v, dict) for v in value):
            # vemoctl's objects, for some types or all: the others stay as they are.
            levels = [list(current) for current in self.get(setting.name)]  # type: ignore[union-attr]
            for entry in value:
                assert isinstance(entry, dict)
                levels[check_color_type(entry.get("type"))] = [entry.get(n) for n in CUSTOM_COLOR_LEVELS]
            return tuple(tuple(t) for t in levels)
        return value

    def _write_changed(self, setting: Setting, old: Value, new: Value) -> None:
        if isinstance(new, tuple) and isinstance(old, tuple):
            for color_type, levels in enumerate(new):
                if old[color_type] != levels:
                    self._channel.write_custom_color(color_type, levels)
        else:
            assert not isinstance(new, tuple)
            self._channel.write(setting, new)

    def fade(self, name: str, to: int, seconds: float) -> None:
        """Steps a one-byte setting through its accepted values to ``to`` over
        ``seconds``, as smoothly as the monitor keeps up (values already
        overdue are skipped), and ends exactly on ``to``."""
        setting = _one_byte_setting(name, "fade")
        target = setting.check(to)
        assert isinstance(target, int)
        if isinstance(seconds, bool) or not isinstance(seconds, (int, float)) or not 0 <= seconds < math.inf:
            raise ValueError(f"fade: seconds must be a finite number, at least 0, not {seconds!r}")
        path = _fade_path(setting, self._get_int(name), target)
        start = time.monotonic()
        for k, value in enumerate(path, 1):
            due = start + seconds * k / len(path)
            now = time.monotonic()
            if now < due:
                time.sleep(due - now)
            elif k < len(path) and now >= start + seconds * (k + 1) / len(path):
                continue
            self._channel.write(setting, value)


def _fade_path(setting: Setting, current: int, target: int) -> List[int]:
    """The accepted values after ``current`` up to and including ``target``, in order."""
    lo, hi, step = setting.byte_range()
    if current == target:
        return []
    if current < target:
        return [v for v in range(lo, hi + 1, step) if current < v <= target]
    return [v for v in range(hi, lo - 1, -step) if target <= v < current]


def _same(setting: Setting, old: Value, new: Value) -> bool:
    if setting.kind == "text" and isinstance(old, str) and isinstance(new, str):
        return encode_text(setting, old) == encode_text(setting, new)
    return old == new

