"""The settings as the service describes them, sorted into the app's groups."""

from dataclasses import dataclass
from typing import Any, Dict, Iterable, List, Optional, Sequence, Tuple

# (group id, title, setting names in display order). A setting the service
# describes that no group names lands in "other", so nothing is hidden.
GROUPS: Sequence[Tuple[str, str, Sequence[str]]] = (
    ("picture", "Picture", (
        "brightness", "contrast", "dynamic-contrast", "sharpness", "saturation", "hue",
        "gamma-mode", "response-time", "aspect-ratio", "uniformity-compensation",
        "lcd-conditioning")),
    ("color", "Color", (
        "color-preset", "color-temp", "color-space", "input-color-format", "custom-color")),
    ("input", "Input, PxP and MST", (
        "video-input", "auto-select", "pxp-mode", "pxp-sub-input", "pxp-location", "mst")),
    ("osd", "On-screen display", (
        "osd-language", "osd-rotation", "osd-transparency", "osd-timer", "osd-button-lock",
        "button-sound")),
    ("power", "Power", ("power-state", "power-led", "power-usb")),
    ("identity", "Identity", (
        "monitor-name", "serial-number", "firmware-version", "backlight-hours", "asset-tag")),
)
OTHER_GROUP = ("other", "Other")

ACRONYMS = {"lcd": "LCD", "osd": "OSD", "pxp": "PxP", "mst": "MST", "led": "LED", "usb": "USB"}


@dataclass(frozen=True)
class SettingDescription:
    """One setting as `DescribeSettings` describes it."""

    name: str
    kind: str  # byte, mask, text, hours or custom-color
    writable: bool
    minimum: int = 0
    maximum: int = 0
    step: int = 1
    choices: int = 0
    max_bytes: int = 0
    enumeration: bool = False  # a byte whose values stand for things (an input, a language)
    capabilities: str = ""  # the capability mask that limits a choice setting's bits
    # The custom color: `types` types of the `levels` named, of which the
    # first checked_levels[type] go to max_level and the others to 255.
    types: int = 0
    levels: Tuple[str, ...] = ()
    max_level: int = 0
    checked_levels: Tuple[int, ...] = ()

    def level_maximum(self, color_type: int, level: int) -> int:
        """The highest value a custom color type's level takes."""
        checked = self.checked_levels[color_type] if color_type < len(self.checked_levels) else len(self.levels)
        return self.max_level if level < checked else 0xFF

    @property
    def title(self) -> str:
        """The name in words: "osd-timer" is "OSD timer"."""
        words = [ACRONYMS.get(word, word) for word in self.name.split("-")]
        return " ".join([words[0][:1].upper() + words[0][1:]] + words[1:])

    @property
    def is_capability(self) -> bool:
        return self.kind == "mask" and self.choices == 0

    @property
    def is_switch(self) -> bool:
        return self.kind == "byte" and self.minimum == 0 and self.maximum == 1 and self.step == 1

    def nearest_accepted(self, position: float) -> int:
        """The accepted value nearest to a slider position."""
        steps = round((position - self.minimum) / self.step)
        return min(self.maximum, max(self.minimum, self.minimum + steps * self.step))

    def accepted_bytes(self) -> List[int]:
        return list(range(self.minimum, self.maximum + 1, max(self.step, 1)))


def parse_descriptions(dicts: Iterable[Dict[str, Any]]) -> List[SettingDescription]:
    """Turns the service's a{sv} dicts (values already unwrapped) into descriptions."""
    result = []
    for d in dicts:
        result.append(SettingDescription(
            name=str(d["name"]), kind=str(d["kind"]), writable=bool(d.get("writable", False)),
            minimum=int(d.get("min", 0)), maximum=int(d.get("max", 0)),
            step=int(d.get("step", 1)) or 1, choices=int(d.get("choices", 0)),
            max_bytes=int(d.get("max_bytes", 0)), enumeration=bool(d.get("enumeration", False)),
            capabilities=str(d.get("capabilities", "")), types=int(d.get("types", 0)),
            levels=tuple(str(n) for n in d.get("levels", ())), max_level=int(d.get("max_level", 0)),
            checked_levels=tuple(int(n) for n in d.get("checked_levels", ()))))
    return result


def offered_choices(setting: SettingDescription, capabilities: Optional[int]) -> List[int]:
    """The bits a choice setting may be set to: its choice bits that the
    monitor's capability mask has (all of them when the monitor has no mask)."""
    bits = list(range(setting.choices))
    if capabilities is None:
        return bits
    return [bit for bit in bits if capabilities & (1 << bit)]


def grouped(settings: Sequence[SettingDescription]) -> List[Tuple[str, str, List[SettingDescription]]]:
    """The settings shown as controls, by group; capability masks are not
    shown on their own, they limit the choices of their setting."""
    by_name = {s.name: s for s in settings if not s.is_capability}
    groups = []
    for group_id, title, names in GROUPS:
        members = [by_name.pop(name) for name in names if name in by_name]
        if members:
            groups.append((group_id, title, members))
    leftovers = [s for s in settings if s.name in by_name]
    if leftovers:
        groups.append((OTHER_GROUP[0], OTHER_GROUP[1], leftovers))
    return groups
