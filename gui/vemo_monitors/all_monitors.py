"""The slider that moves every monitor together: the service's calibrated
level, which each linked monitor turns into its own brightness, with the
automatic brightness switch beside it."""

from typing import Callable, Iterable, Optional, Tuple

import vemo
from gi.repository import Gtk
from vemo.bus import MANAGER_PATH

from . import background
from .automatic_brightness import AutomaticBrightness
from .automation_bus import WATCH, LevelSender
from .catalogue import SettingDescription
from .controls import Slider
from .monitor_session import MonitorSession

BRIGHTNESS = "brightness"


class AllMonitorsBrightness(Gtk.Box):
    def __init__(self, sessions: Callable[[], Iterable[MonitorSession]],
                 toast: Callable[[str], None] = lambda _text: None) -> None:
        super().__init__(spacing=12, margin_start=12, margin_end=12, margin_top=6,
                         margin_bottom=6, name="all-monitors")
        self._sessions = sessions
        self._slider: Optional[Slider] = None
        self._level_known = False
        self._toast = toast
        self._level = LevelSender(toast)
        icon = Gtk.Image(icon_name="display-brightness-symbolic")
        self.append(icon)
        self.append(Gtk.Label(label="All monitors"))
        self.set_visible(False)

    def describe(self, setting: Optional[SettingDescription]) -> None:
        """Builds the slider from the brightness description, if the service has one."""
        if setting is None or self._slider is not None:
            return
        self._slider = Slider(setting, self._moved)
        self._slider.widget.set_name("all-monitors-brightness")
        self._slider.widget.set_hexpand(True)
        self._slider.widget.set_sensitive(False)  # nothing to show until the level or a monitor is known
        self._slider.widget.set_tooltip_text(
            "The level of light on every linked monitor, each through its calibration")
        self.append(self._slider.widget)
        self.append(AutomaticBrightness(self._toast))
        self.set_visible(True)
        WATCH.watch(MANAGER_PATH, lambda changed: self._show_level(changed["Level"]) if "Level" in changed
                    else None)
        background.run(lambda: vemo.automation().level, self._show_level, lambda _error: None)

    def _span(self) -> Tuple[int, int]:
        assert self._slider is not None
        adjustment = self._slider.widget.get_adjustment()
        return int(adjustment.get_lower()), int(adjustment.get_upper())

    def _show_level(self, level: float) -> None:
        """Shows the service's level (set here, by another client or by the light), unless a
        level of this slider is still on its way."""
        if self._slider is None or level < 0 or self._level.busy:
            return
        self._level_known = True
        low, high = self._span()
        self._slider.widget.set_sensitive(True)
        self._slider.show(round(low + level * (high - low)))

    def follow(self, value: Optional[int]) -> None:
        """Shows a monitor's brightness until the service has a level."""
        if self._slider is not None and value is not None and not self._level_known:
            self._slider.widget.set_sensitive(True)
            self._slider.show(value)

    def _moved(self, value: int) -> None:
        self._level_known = True
        low, high = self._span()
        self._level.send((value - low) / (high - low) if high > low else 0.0)
