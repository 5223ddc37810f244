"""Setting values as the app holds them, and their `vemoctl dump --json` form.

In the app a one-byte setting, a mask and the hours are ints, a text record
is a str and the custom color is {type: (six levels)}. In a profile a mask
is written "0x%08X" and the custom color is a list of
{"type", "red", "green", "blue", "cyan", "magenta", "yellow"} objects.
"""

from typing import Any, Dict, List, Tuple

from .catalogue import SettingDescription

CustomColor = Dict[int, Tuple[int, ...]]


def as_int(value: Any) -> int:
    """An int, also from the "0x..." text a profile or a text reading uses."""
    if isinstance(value, bool):
        raise ValueError(f"not a number: {value!r}")
    if isinstance(value, int):
        return value
    if isinstance(value, str):
        return int(value, 0)
    raise ValueError(f"not a number: {value!r}")


def custom_color_from_json(setting: SettingDescription, value: Any) -> CustomColor:
    """{type: levels} from the profile's list of per-type objects, checked
    as the setting's description says."""
    if not isinstance(value, list):
        raise ValueError("custom-color: expected a list of objects")
    colors: CustomColor = {}
    for entry in value:
        if not isinstance(entry, dict):
            raise ValueError("custom-color: expected a list of objects")
        color_type = as_int(entry["type"])
        if not 0 <= color_type < setting.types:
            raise ValueError(f"custom-color: types are 0 to {setting.types - 1}")
        levels = tuple(as_int(entry[level]) for level in setting.levels)
        for index, (name, level) in enumerate(zip(setting.levels, levels)):
            if not 0 <= level <= setting.level_maximum(color_type, index):
                raise ValueError(f"custom-color: type {color_type} {name} is 0 to "
                                 f"{setting.level_maximum(color_type, index)}")
        colors[color_type] = levels
    return colors


def custom_color_to_json(setting: SettingDescription, colors: CustomColor) -> List[Dict[str, int]]:
    return [dict(type=t, **dict(zip(setting.levels, colors[t]))) for t in sorted(colors)]


def from_json(setting: SettingDescription, value: Any) -> Any:
    """The app's value of a setting from its profile form."""
    kind = setting.kind
    if kind == "custom-color":
        return custom_color_from_json(setting, value)
    if kind == "text":
        if not isinstance(value, str):
            raise ValueError(f"expected text, got {value!r}")
        return value
    return as_int(value)


def to_json(setting: SettingDescription, value: Any) -> Any:
    """The profile form of the app's value of a setting."""
    kind = setting.kind
    if kind == "custom-color":
        return custom_color_to_json(setting, value)
    if kind == "mask":
        return f"0x{value:08X}"
    return value


def from_package(kind: str, value: Any) -> Any:
    """The app's value from the `vemo` package's: there the custom color is
    the levels of every type, indexed by type."""
    if kind == "custom-color":
        return {color_type: tuple(levels) for color_type, levels in enumerate(value)}
    return value


def describe(kind: str, value: Any) -> str:
    """The value in words for a list of changes."""
    if kind == "custom-color":
        return "; ".join(f"{t}: " + ",".join(map(str, value[t])) for t in sorted(value))
    if kind == "mask":
        return f"0x{value:08X}"
    return str(value)
