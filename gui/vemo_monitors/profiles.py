"""Profiles in the `vemoctl dump --json` format: reading one, writing one,
and what loading one into a monitor would change."""

import json
from dataclasses import dataclass
from typing import Any, Dict, List, Sequence

from .catalogue import SettingDescription
from .value_forms import describe, from_json, to_json


class ProfileError(ValueError):
    """A profile the app cannot use; nothing of it is applied."""


@dataclass(frozen=True)
class Change:
    name: str
    kind: str
    old: Any
    new: Any

    def __str__(self) -> str:
        return f"{self.name}: {describe(self.kind, self.old)} → {describe(self.kind, self.new)}"


def profile_text(settings: Sequence[SettingDescription], values: Dict[str, Any]) -> str:
    """The profile of a monitor whose values are `values`, in catalogue order."""
    profile = {s.name: to_json(s, values[s.name]) for s in settings if s.name in values}
    return json.dumps(profile, indent=2) + "\n"


def read_profile(settings: Sequence[SettingDescription], text: str) -> Dict[str, Any]:
    """The values of a profile; an unknown setting or a malformed value
    refuses the whole profile."""
    try:
        raw = json.loads(text)
    except json.JSONDecodeError as error:
        raise ProfileError(f"not a JSON profile: {error}") from error
    if not isinstance(raw, dict):
        raise ProfileError("not a JSON profile: expected one object")
    by_name = {s.name: s for s in settings}
    values = {}
    for name, value in raw.items():
        setting = by_name.get(name)
        if setting is None:
            raise ProfileError(f"unknown setting '{name}'")
        try:
            values[name] = from_json(setting, value)
        except (ValueError, KeyError, TypeError) as error:
            raise ProfileError(f"{name}: malformed value {value!r} ({error})") from error
    return values


def changes(settings: Sequence[SettingDescription], current: Dict[str, Any],
            profile: Dict[str, Any]) -> List[Change]:
    """The writes loading `profile` makes: writable settings whose value differs,
    in catalogue order. For the custom color only the types that differ."""
    result = []
    for setting in settings:
        if not setting.writable or setting.name not in profile:
            continue
        new = profile[setting.name]
        old = current.get(setting.name)
        if setting.kind == "custom-color":
            old = old or {}
            differing = {t: levels for t, levels in new.items() if old.get(t) != levels}
            if differing:
                result.append(Change(setting.name, setting.kind,
                                     {t: old.get(t, ()) for t in differing}, differing))
        elif old != new:
            result.append(Change(setting.name, setting.kind, old, new))
    return result
