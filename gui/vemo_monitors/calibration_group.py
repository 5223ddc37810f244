"""A monitor's "Calibration" group: the brightness it shows at the lowest
and highest level, the curve between them, and whether it follows the level
at all. The service checks every value; a refused one is put back."""

from typing import Any, Callable, Dict, Optional

import vemo
from gi.repository import Adw, Gtk
from vemo.bus import monitor_path

from . import background
from .automation_bus import WATCH
from .catalogue import SettingDescription

# Spin buttons by property: (row title, name, digits).
FIELDS = (("BrightnessMin", "Brightness at the lowest level", "brightness-min", 0),
          ("BrightnessMax", "Brightness at the highest level", "brightness-max", 0),
          ("BrightnessCurve", "Response curve (level ^ curve)", "brightness-curve", 1))
ATTRIBUTES = {"BrightnessMin": "brightness_min", "BrightnessMax": "brightness_max",
              "BrightnessCurve": "brightness_curve", "Linked": "linked"}
# The range the service accepts for the curve.
CURVE_RANGE = (0.2, 5.0)


def read_calibration(monitor_id: str) -> Dict[str, Any]:
    with vemo.connect(monitor_id) as monitor:
        return {prop: getattr(monitor, attribute) for prop, attribute in ATTRIBUTES.items()}


def write_calibration(monitor_id: str, prop: str, value: Any) -> None:
    with vemo.connect(monitor_id) as monitor:
        setattr(monitor, ATTRIBUTES[prop], value)


class CalibrationGroup:
    def __init__(self, monitor_id: str, brightness: Optional[SettingDescription],
                 toast: Callable[[str], None]) -> None:
        self._id = monitor_id
        self._toast = toast
        self._quiet = False
        self.widget = Adw.PreferencesGroup(
            title="Calibration", name="group-calibration",
            description="How this monitor shows the level of the all-monitors slider and of "
                        "automatic brightness")
        low, high = (brightness.minimum, brightness.maximum) if brightness else (0, 100)
        self._spins: Dict[str, Gtk.SpinButton] = {}
        for prop, title, name, digits in FIELDS:
            lower, upper, step = (*CURVE_RANGE, 0.1) if digits else (low, high, 1)
            spin = Gtk.SpinButton.new_with_range(lower, upper, step)
            spin.set_digits(digits)
            spin.set_name(name)
            spin.set_valign(Gtk.Align.CENTER)
            spin.connect("value-changed", lambda s, p=prop, d=digits: self._edited(p, round(s.get_value(), d)
                                                                                   if d else int(s.get_value())))
            row = Adw.ActionRow(title=title)
            row.add_suffix(spin)
            self.widget.add(row)
            self._spins[prop] = spin
        self._linked = Gtk.Switch(name="linked", valign=Gtk.Align.CENTER)
        self._linked.connect("notify::active", lambda s, _p: self._edited("Linked", s.get_active()))
        row = Adw.ActionRow(title="Follows the level")
        row.add_suffix(self._linked)
        self.widget.add(row)
        WATCH.watch(monitor_path(monitor_id), self._show)
        self.reload()

    def reload(self) -> None:
        background.run(lambda: read_calibration(self._id), self._show, lambda _error: None)

    def _show(self, values: Dict[str, Any]) -> None:
        self._quiet = True
        for prop, value in values.items():
            if prop in self._spins:
                self._spins[prop].set_value(float(value))
            elif prop == "Linked":
                self._linked.set_active(bool(value))
        self._quiet = False

    def _edited(self, prop: str, value: Any) -> None:
        if self._quiet:
            return

        def refused(error: BaseException) -> None:
            self._toast(f"{self._id}: {error}")
            self.reload()

        background.run(lambda: write_calibration(self._id, prop, value), lambda _r: None, refused)
