"""The "Automatic brightness" switch beside the all-monitors slider, with
the light the sensor reads and the pause a manual change started."""

import time
from typing import Any, Callable, Dict

import vemo
from gi.repository import Gtk
from vemo.bus import MANAGER_PATH

from . import background
from .automation_bus import WATCH

SHOWN = ("AutoBrightness", "AmbientLux", "AutoPaused", "AutoPausedUntil")


def describe_state(state: Dict[str, Any]) -> str:
    """What the label beside the switch says."""
    if not state.get("AutoBrightness"):
        return ""
    lux = float(state.get("AmbientLux", -1))
    light = "no light sensor" if lux < 0 else f"{lux:.0f} lux"
    if state.get("AutoPaused"):
        until = time.strftime("%H:%M", time.localtime(int(state.get("AutoPausedUntil", 0))))
        return f"{light}, paused until {until}"
    return light


class AutomaticBrightness(Gtk.Box):
    def __init__(self, toast: Callable[[str], None]) -> None:
        super().__init__(spacing=6, name="automatic-brightness-box")
        self._toast = toast
        self._state: Dict[str, Any] = {}
        self._quiet = False
        self.state_label = Gtk.Label(name="automatic-brightness-state")
        self.state_label.add_css_class("dim-label")
        self.switch = Gtk.Switch(name="automatic-brightness", valign=Gtk.Align.CENTER,
                                 tooltip_text="Brightness follows the room's light")
        self.switch.connect("notify::active", self._switched)
        self.append(self.state_label)
        self.append(Gtk.Label(label="Automatic brightness"))
        self.append(self.switch)
        WATCH.watch(MANAGER_PATH, self._changed)
        background.run(self._read, self._changed, lambda error: None)

    @staticmethod
    def _read() -> Dict[str, Any]:
        automation = vemo.automation()
        return {"AutoBrightness": automation.auto_brightness, "AmbientLux": automation.ambient_lux,
                "AutoPaused": automation.auto_paused,
                "AutoPausedUntil": automation.auto_paused_until}

    def _changed(self, values: Dict[str, Any]) -> None:
        self._state.update({k: v for k, v in values.items() if k in SHOWN})
        self._quiet = True
        self.switch.set_active(bool(self._state.get("AutoBrightness")))
        self._quiet = False
        self.state_label.set_text(describe_state(self._state))

    def _switched(self, switch: Gtk.Switch, _param: Any) -> None:
        if self._quiet:
            return
        on = switch.get_active()

        def call() -> None:
            vemo.automation().auto_brightness = on

        background.run(call, lambda _r: None,
                       lambda error: self._toast(f"Automatic brightness could not be switched: {error}"))
