"""The slider that moves every monitor together: the service's calibrated
level, which each linked monitor turns into its own brightness, with the
automatic brightness switch beside it."""

from typing import Callable, Iterable, Optional

import vemo
from gi.repository import Gtk

from . import background
from .automatic_brightness import AutomaticBrightness
from .automation_bus import LevelSender
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
        self._moved_once = False
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
        self._slider.widget.set_tooltip_text("The level of light on every linked monitor, each through its "
                                             "calibration")
        self.append(self._slider.widget)
        self.append(AutomaticBrightness(self._toast))
        self.set_visible(True)
        background.run(lambda: vemo.automation().level, self._show_level, lambda _error: None)

    def _show_level(self, level: float) -> None:
        if self._slider is not None and level >= 0 and not self._moved_once:
            self._moved_once = True  # the level, once there is one, rather than a monitor's brightness
            self._slider.show(round(self._span[0] + level * (self._span[1] - self._span[0])))

    @property
    def _span(self) -> "tuple[int, int]":
        assert self._slider is not None
        return int(self._slider.widget.get_adjustment().get_lower()), int(self._slider.widget.get_adjustment().get_upper())

    def follow(self, value: Optional[int]) -> None:
        """Shows a monitor's brightness until the slider is first moved."""
        if self._slider is not None and value is not None and not self._moved_once:
            self._slider.show(value)

    def _moved(self, value: int) -> None:
        self._moved_once = True
        low, high = self._span
        self._level.send((value - low) / (high - low) if high > low else 0.0)
