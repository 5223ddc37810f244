"""A monitor's "At night" group: the settings the service applies while the
desktop's night light is on (one-byte settings, each with its value), and
the switch that makes the service follow the night light at all."""

from typing import Any, Callable, Dict, List, Sequence

import vemo
from vemo.bus import MANAGER_PATH, monitor_path
from gi.repository import Adw, Gtk

from . import background
from .automation_bus import WATCH
from .catalogue import SettingDescription, grouped


def read_night(monitor_id: str) -> Dict[str, Any]:
    with vemo.connect(monitor_id) as monitor:
        return {"NightSettings": monitor.night_settings,
                "FollowNightLight": vemo.automation().follow_night_light}


class NightGroup:
    def __init__(self, monitor_id: str, settings: Sequence[SettingDescription],
                 current: Callable[[str], Any], toast: Callable[[str], None]) -> None:
        self._id = monitor_id
        self._toast = toast
        self._current = current
        # In the order of the monitor's page: the picture's settings first.
        self._choices: List[SettingDescription] = [
            s for _group, _title, members in grouped(settings) for s in members if s.kind == "byte" and s.writable]
        self._by_name = {s.name: s for s in self._choices}
        self._night: Dict[str, int] = {}
        self._rows: List[Gtk.Widget] = []
        self._quiet = False
        self.widget = Adw.PreferencesGroup(
            title="At night", name="group-night",
            description="Applied while the desktop's night light is on; the values they replace come "
                        "back in the morning")
        self._follow = Gtk.Switch(name="follow-night-light", valign=Gtk.Align.CENTER)
        self._follow.connect("notify::active", self._follow_switched)
        follow = Adw.ActionRow(title="Follow the desktop's night light", subtitle="Every monitor")
        follow.add_suffix(self._follow)
        self.widget.add(follow)

        self._add_choice = Gtk.DropDown.new_from_strings([s.title for s in self._choices])
        self._add_choice.set_name("night-add-setting")
        self._add_choice.set_valign(Gtk.Align.CENTER)
        add = Gtk.Button(label="Add", name="night-add", valign=Gtk.Align.CENTER)
        add.connect("clicked", self._add_clicked)
        self._add_row = Adw.ActionRow(title="Add a setting")
        self._add_row.add_suffix(self._add_choice)
        self._add_row.add_suffix(add)
        self.widget.add(self._add_row)

        WATCH.watch(monitor_path(monitor_id), self._changed)
        WATCH.watch(MANAGER_PATH, self._changed)
        background.run(lambda: read_night(monitor_id), self._changed, lambda _error: None)

    def _changed(self, values: Dict[str, Any]) -> None:
        if "FollowNightLight" in values:
            self._quiet = True
            self._follow.set_active(bool(values["FollowNightLight"]))
            self._quiet = False
        if "NightSettings" in values:
            night = values["NightSettings"]
            if isinstance(next(iter(night.values()), None), tuple):  # still in variants, from the signal
                night = {name: value for name, (_signature, value) in night.items()}
            self._night = {name: int(value) for name, value in night.items() if name in self._by_name}
            self._show_rows()

    def _show_rows(self) -> None:
        for row in self._rows:
            self.widget.remove(row)
        self._rows = []
        for name, value in sorted(self._night.items()):
            setting = self._by_name[name]
            spin = Gtk.SpinButton.new_with_range(setting.minimum, setting.maximum, setting.step)
            spin.set_name(f"night-{name}")
            spin.set_valign(Gtk.Align.CENTER)
            spin.set_value(value)
            spin.connect("value-changed", lambda s, n=name: self._set(n, int(s.get_value())))
            remove = Gtk.Button(icon_name="list-remove-symbolic", valign=Gtk.Align.CENTER,
                                tooltip_text="Leave this setting alone at night", name=f"night-remove-{name}")
            remove.connect("clicked", lambda _b, n=name: self._remove(n))
            row = Adw.ActionRow(title=setting.title)
            row.add_suffix(spin)
            row.add_suffix(remove)
            self.widget.add(row)
            self._rows.append(row)
        # The add row stays last.
        self.widget.remove(self._add_row)
        self.widget.add(self._add_row)

    def _add_clicked(self, _button: Gtk.Button) -> None:
        position = self._add_choice.get_selected()
        if position >= len(self._choices):
            return
        setting = self._choices[position]
        value = self._current(setting.name)
        self._set(setting.name, int(value) if value is not None else setting.minimum)

    def _set(self, name: str, value: int) -> None:
        self._write(dict(self._night, **{name: value}))

    def _remove(self, name: str) -> None:
        self._write({n: v for n, v in self._night.items() if n != name})

    def _write(self, night: Dict[str, int]) -> None:
        def call() -> None:
            with vemo.connect(self._id) as monitor:
                monitor.night_settings = night

        def done(_result: Any) -> None:
            self._night = night
            self._show_rows()

        background.run(call, done, lambda error: self._toast(f"{self._id}: the night settings: {error}"))

    def _follow_switched(self, switch: Gtk.Switch, _param: Any) -> None:
        if self._quiet:
            return
        follow = switch.get_active()

        def call() -> None:
            vemo.automation().follow_night_light = follow

        background.run(call, lambda _r: None,
                       lambda error: self._toast(f"Following the night light could not be switched: {error}"))
