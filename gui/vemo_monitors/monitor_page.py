"""The page of one monitor: a progress indicator while its settings are read
in the background, then its groups of controls and its resets."""

from typing import Any, Callable, Dict, Optional

from gi.repository import Adw, Gtk

from . import background
from .calibration_group import CalibrationGroup
from .catalogue import grouped, offered_choices
from .controls import control_row
from .monitor_session import MonitorSession
from .night_group import NightGroup
from .service_bus import bridge_firmware

UNREADABLE = "could not be read"

RESETS = (
    ("power", "Reset power settings"),
    ("color", "Reset color settings"),
    ("osd", "Reset on-screen display settings"),
)


class MonitorPage:
    def __init__(self, session: MonitorSession, toast: Callable[[str], None]) -> None:
        self.widget = Gtk.Stack(name=f"monitor-page-{session.id}")
        self.session = session
        self._toast = toast
        self.widget.add_named(self._loading_view(), "loading")
        self.widget.add_named(self._failed_view(), "failed")
        self.settings_view: Optional[Adw.PreferencesPage] = None
        self._rows: Dict[str, Gtk.Widget] = {}
        self._reload_again = False
        self._loading = False

    def _loading_view(self) -> Gtk.Widget:
        box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=12,
                      valign=Gtk.Align.CENTER, halign=Gtk.Align.CENTER)
        spinner = Gtk.Spinner(name="loading-spinner", spinning=True)
        spinner.set_size_request(32, 32)
        box.append(spinner)
        box.append(Gtk.Label(label="Reading the monitor's settings…"))
        return box

    def _failed_view(self) -> Gtk.Widget:
        self._failure = Adw.StatusPage(icon_name="dialog-warning-symbolic",
                                       title="The monitor's settings could not be read")
        retry = Gtk.Button(label="Try again", halign=Gtk.Align.CENTER)
        retry.add_css_class("pill")
        retry.connect("clicked", lambda _b: self.load())
        self._failure.set_child(retry)
        return self._failure

    @property
    def loading(self) -> bool:
        return self._loading

    def load(self) -> None:
        """Reads every setting in the background; a second request while one
        runs reads once more afterwards."""
        if self._loading:
            self._reload_again = True
            return
        self._loading = True
        if self.settings_view is None:
            self.widget.set_visible_child_name("loading")
        self.session.load(self._loaded, self._failed)

    def _loaded(self) -> None:
        self._loading = False
        if self.settings_view is None:
            self.settings_view = self._settings_view()
            self.widget.add_named(self.settings_view, "settings")
            self.session.show_all()
        self._show_unreadable()
        self.widget.set_visible_child_name("settings")
        if self._reload_again:
            self._reload_again = False
            self.load()

    def _show_unreadable(self) -> None:
        """A setting the monitor did not answer for is unavailable, not 0."""
        unreadable = set(self.session.unreadable())
        for name, row in self._rows.items():
            row.set_sensitive(name not in unreadable)
            row.set_tooltip_text(UNREADABLE if name in unreadable else None)
            if isinstance(row, (Adw.ActionRow, Adw.ExpanderRow)):
                row.set_subtitle(UNREADABLE if name in unreadable else "")

    def _failed(self, error: BaseException) -> None:
        self._loading = False
        self._failure.set_description(str(error))
        if self.settings_view is None:
            self.widget.set_visible_child_name("failed")
        else:
            self._toast(f"{self.session.info.model}: reading the settings failed ({error})")

    def _settings_view(self) -> Adw.PreferencesPage:
        page = Adw.PreferencesPage(name="settings")
        values: Dict[str, Any] = self.session.values
        for group_id, title, settings in grouped(self.session.settings):
            group = Adw.PreferencesGroup(title=title, name=f"group-{group_id}")
            for setting in settings:
                caps = values.get(setting.capabilities) if setting.capabilities else None
                row = control_row(setting, self.session, offered_choices(setting, caps))
                self._rows[setting.name] = row
                group.add(row)
            if group_id == "identity":
                self._add_bridge_rows(group)
            page.add(group)
        by_name = {s.name: s for s in self.session.settings}
        page.add(CalibrationGroup(self.session.id, by_name.get("brightness"), self._toast).widget)
        page.add(NightGroup(self.session.id, self.session.settings, self.session.values.get, self._toast).widget)
        page.add(self._resets_group())
        return page

    def _add_bridge_rows(self, group: Adw.PreferencesGroup) -> None:
        info = self.session.info
        group.add(Adw.ActionRow(title="Monitor Id", subtitle=str(info.id)))
        group.add(Adw.ActionRow(title="Bridge USB serial", subtitle=str(info.usb_serial)))
        firmware = Adw.ActionRow(title="Bridge firmware", subtitle="…", name="bridge-firmware")
        group.add(firmware)
        background.run(lambda: bridge_firmware(self.session.id), firmware.set_subtitle,
                       lambda error: firmware.set_subtitle(f"not known ({error})"))

    def _resets_group(self) -> Adw.PreferencesGroup:
        group = Adw.PreferencesGroup(title="Resets", name="group-resets")
        for reset_group, title in RESETS:
            group.add(self._reset_row(reset_group, title, confirm=False))
        group.add(self._reset_row("factory", "Factory reset", confirm=True))
        return group

    def _reset_row(self, reset_group: str, title: str, confirm: bool) -> Adw.ActionRow:
        row = Adw.ActionRow(title=title)
        button = Gtk.Button(label="Reset", name=f"reset-{reset_group}", valign=Gtk.Align.CENTER)
        if confirm:
            button.add_css_class("destructive-action")
            button.connect("clicked", lambda _b: self._confirm_factory_reset())
        else:
            button.connect("clicked", lambda _b: self._reset(reset_group))
        row.add_suffix(button)
        return row

    def _confirm_factory_reset(self) -> None:
        dialog = Adw.MessageDialog(
            transient_for=self.widget.get_root(), heading="Reset the monitor to its factory settings?",
            body=f"Every setting of {self.session.info.model} ({self.session.id}) goes back "
                 "to how it left the factory.")
        dialog.add_response("cancel", "Cancel")
        dialog.add_response("reset", "Factory reset")
        dialog.set_response_appearance("reset", Adw.ResponseAppearance.DESTRUCTIVE)
        dialog.set_default_response("cancel")
        dialog.connect("response", self._factory_reset_answered)
        dialog.present()

    def _factory_reset_answered(self, _dialog: Adw.MessageDialog, response: str) -> None:
        if response == "reset":
            self._reset("factory")

    def _reset(self, group: str) -> None:
        def failed(error: BaseException) -> None:
            self._toast(f"Reset {group}: {error}")

        # The service announces the reset (WasReset), which reads the values again.
        self.session.reset(group, lambda _r: None, failed)
