"""The brightness slider that moves every monitor together."""

from typing import Callable, Iterable, Optional

from gi.repository import Gtk

from .catalogue import SettingDescription
from .controls import Slider
from .monitor_session import MonitorSession

BRIGHTNESS = "brightness"


class AllMonitorsBrightness(Gtk.Box):
    def __init__(self, sessions: Callable[[], Iterable[MonitorSession]]) -> None:
        super().__init__(spacing=12, margin_start=12, margin_end=12, margin_top=6,
                         margin_bottom=6, name="all-monitors")
        self._sessions = sessions
        self._slider: Optional[Slider] = None
        self._moved_once = False
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
        self.append(self._slider.widget)
        self.set_visible(True)

    def follow(self, value: Optional[int]) -> None:
        """Shows a monitor's brightness until the slider is first moved."""
        if self._slider is not None and value is not None and not self._moved_once:
            self._slider.show(value)

    def _moved(self, value: int) -> None:
        self._moved_once = True
        for session in self._sessions():
            session.write(BRIGHTNESS, value)
