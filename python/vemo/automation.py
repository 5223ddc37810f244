"""What the ``vemod`` service does on its own: one calibrated level for every
linked monitor, brightness that follows the room's light, the desktop's night
light reaching the monitors, and each monitor's count of writes.

    import vemo
    auto = vemo.automation()
    auto.set_level(0.6)
    auto.auto_brightness = True
    with vemo.connect(0) as monitor:
        monitor.brightness_max = 80

Only the service has these; through the shipped library in this process they
raise :class:`vemo.Error` naming the service.
"""

from __future__ import annotations

from typing import Any, Dict, List, Optional, Protocol, Tuple

from .bus import BUS_NAME
from .errors import Error

#: Signatures of the service's properties for Properties.Set.
_MANAGER_SIGNATURES = {
    "AutoBrightness": "b",
    "AmbientCurve": "a(dd)",
    "AutoInterval": "u",
    "AutoPause": "u",
    "FollowNightLight": "b",
}
_MONITOR_SIGNATURES = {"BrightnessMin": "y", "BrightnessMax": "y", "BrightnessCurve": "d", "Linked": "b",
                       "NightSettings": "a{sv}"}
_VALUE_SIGNATURES = {"byte": "y", "mask": "u", "text": "s"}


def needs_service(what: str) -> Error:
    """The error of a transport without the service."""
    return Error(f"{what} needs the service vemod ({BUS_NAME}), which this process does not use: "
                 "it reaches the monitors directly (start vemod, and do not use the simulator in-process)")


class PropertyLink(Protocol):
    """An object of the service whose properties can be read and written."""

    def get_property(self, name: str) -> Any:
        """The property's value, unwrapped from its variant."""

    def set_property(self, name: str, signature: str, value: object) -> None:
        """Writes the property; the service's errors become the package's."""


def _check_level(value: object, what: str) -> float:
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"{what} takes a number from 0.0 to 1.0")
    return float(value)


class Automation:
    """The service's automation, from :func:`vemo.automation`. Each attribute
    is one call to the service; nothing is cached."""

    def __init__(self, manager: PropertyLink, set_level: Any) -> None:
        self._manager = manager
        self._set_level = set_level

    def set_level(self, level: float) -> None:
        """Every linked monitor to its brightness for ``level`` (0.0 to 1.0),
        each through its own calibration; :class:`vemo.OutOfRangeError` outside."""
        self._set_level(_check_level(level, "set_level"))

    @property
    def level(self) -> float:
        """The last level set (by :meth:`set_level` or the light), -1 before any."""
        return float(self._manager.get_property("Level"))

    @property
    def auto_brightness(self) -> bool:
        """Whether brightness follows the room's light (iio-sensor-proxy)."""
        return bool(self._manager.get_property("AutoBrightness"))

    @auto_brightness.setter
    def auto_brightness(self, on: bool) -> None:
        self._manager.set_property("AutoBrightness", "b", bool(on))

    @property
    def ambient_curve(self) -> List[Tuple[float, float]]:
        """Points (lux, level), lux rising, levels 0 to 1."""
        return [(float(lux), float(level)) for lux, level in self._manager.get_property("AmbientCurve")]

    @ambient_curve.setter
    def ambient_curve(self, points: List[Tuple[float, float]]) -> None:
        self._manager.set_property("AmbientCurve", "a(dd)", [(float(lux), float(level)) for lux, level in points])

    @property
    def ambient_lux(self) -> float:
        """The last reading of the light sensor in lux, -1 without a sensor."""
        return float(self._manager.get_property("AmbientLux"))

    @property
    def auto_interval(self) -> int:
        """At most one automatic write per monitor in this many seconds (1 to 3600)."""
        return int(self._manager.get_property("AutoInterval"))

    @auto_interval.setter
    def auto_interval(self, seconds: int) -> None:
        self._manager.set_property("AutoInterval", "u", int(seconds))

    @property
    def auto_pause(self) -> int:
        """Seconds a client's change of brightness pauses the automation."""
        return int(self._manager.get_property("AutoPause"))

    @auto_pause.setter
    def auto_pause(self, seconds: int) -> None:
        self._manager.set_property("AutoPause", "u", int(seconds))

    @property
    def auto_paused(self) -> bool:
        """Whether a client's change holds the automation paused."""
        return bool(self._manager.get_property("AutoPaused"))

    @property
    def auto_paused_until(self) -> float:
        """When the pause ends, in seconds since 1970 (as ``time.time()``); 0 when not paused."""
        return float(self._manager.get_property("AutoPausedUntil"))

    @property
    def follow_night_light(self) -> bool:
        """Whether each monitor's night settings follow the desktop's night light."""
        return bool(self._manager.get_property("FollowNightLight"))

    @follow_night_light.setter
    def follow_night_light(self, follow: bool) -> None:
        self._manager.set_property("FollowNightLight", "b", bool(follow))


class MonitorAutomation:
    """A monitor's calibration, night settings and writes (through the service only)."""

    def _link(self, what: str) -> PropertyLink:
        channel = getattr(self, "_channel")
        link: Optional[PropertyLink] = getattr(channel, "automation_link", lambda: None)()
        if link is None:
            raise needs_service(what)
        return link

    def _get(self, name: str, what: str) -> Any:
        return self._link(what).get_property(name)

    def _set(self, name: str, what: str, value: object) -> None:
        self._link(what).set_property(name, _MONITOR_SIGNATURES[name], value)

    @property
    def brightness_min(self) -> int:
        """The brightness at level 0."""
        return int(self._get("BrightnessMin", "brightness_min"))

    @brightness_min.setter
    def brightness_min(self, value: int) -> None:
        self._set("BrightnessMin", "brightness_min", _byte(value, "brightness_min"))

    @property
    def brightness_max(self) -> int:
        """The brightness at level 1."""
        return int(self._get("BrightnessMax", "brightness_max"))

    @brightness_max.setter
    def brightness_max(self, value: int) -> None:
        self._set("BrightnessMax", "brightness_max", _byte(value, "brightness_max"))

    @property
    def brightness_curve(self) -> float:
        """The response: brightness follows level ^ curve (0.2 to 5.0)."""
        return float(self._get("BrightnessCurve", "brightness_curve"))

    @brightness_curve.setter
    def brightness_curve(self, value: float) -> None:
        self._set("BrightnessCurve", "brightness_curve", float(value))

    @property
    def linked(self) -> bool:
        """Whether the monitor follows the level."""
        return bool(self._get("Linked", "linked"))

    @linked.setter
    def linked(self, value: bool) -> None:
        self._set("Linked", "linked", bool(value))

    @property
    def night_settings(self) -> Dict[str, object]:
        """Setting name to the value applied while the night light is on."""
        values: Dict[str, Any] = self._get("NightSettings", "night_settings")
        return {name: value for name, (_, value) in values.items()}

    @night_settings.setter
    def night_settings(self, settings: Dict[str, object]) -> None:
        from .monitor import setting_named

        typed = {}
        for name, value in settings.items():
            setting = setting_named(name)
            if setting.kind not in _VALUE_SIGNATURES:
                raise TypeError(f"night_settings: {name} cannot be a night setting")
            typed[name] = (_VALUE_SIGNATURES[setting.kind], setting.check(value))
        self._set("NightSettings", "night_settings", typed)

    @property
    def writes(self) -> Dict[str, int]:
        """The writes the service sent to the monitor per setting since it started."""
        values: Dict[str, Any] = self._get("Writes", "writes")
        return {name: int(count) for name, count in values.items()}


def _byte(value: int, what: str) -> int:
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{what} takes an int")
    if not 0 <= value <= 255:  # the service checks the range; a byte is all that can travel
        from .errors import OutOfRangeError
        from .monitor import setting_named

        lo, hi, _ = setting_named("brightness").byte_range()
        raise OutOfRangeError(f"{what}: {value} is out of range; accepted values: {lo} to {hi}", what)
    return value
