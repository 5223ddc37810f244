"""The main window: the "all monitors" slider, a sidebar of monitors that
follows hot-plug, and each monitor's page."""

from typing import Any, Callable, Dict, List, Optional

import vemo
from vemo.bus import monitor_path
from gi.repository import Adw, Gio, GLib, Gtk

from . import background
from .all_monitors import BRIGHTNESS, AllMonitorsBrightness
from .catalogue import SettingDescription, parse_descriptions
from .monitor_page import MonitorPage
from .monitor_session import MonitorSession
from .profile_dialogs import load_profile, save_profile

from .service_bus import ServiceUnreachable, SignalListener, describe_settings
from .unreachable_page import UnreachablePage


def _on_main_loop(callback: Callable[..., None], *args: Any) -> None:
    def once() -> bool:
        callback(*args)
        return GLib.SOURCE_REMOVE

    GLib.idle_add(once, priority=GLib.PRIORITY_DEFAULT)


def reach_service() -> List[Dict[str, Any]]:
    """The service's description of the settings, once the `vemo` package
    too goes through the service rather than to the monitors directly."""
    descriptions = describe_settings()
    if vemo.transport() != "dbus":
        raise ServiceUnreachable(
            f"The vemo Python package uses its \"{vemo.transport()}\" transport, not the monitor "
            "service vemod, so this app would not see other programs' changes.",
            "Install a version of the vemo package that talks to vemod over D-Bus.")
    return descriptions


class MonitorRow(Adw.ActionRow):
    def __init__(self, session: MonitorSession) -> None:
        super().__init__(title=session.info.model or "Monitor", subtitle=session.id,
                         name=f"monitor-row-{session.id}")
        self.session = session


class MainWindow(Adw.ApplicationWindow):
    def __init__(self, application: Adw.Application) -> None:
        super().__init__(application=application, title="Vemo Monitors")
        self.set_default_size(900, 700)
        self.settings: List[SettingDescription] = []
        self.pages: Dict[str, MonitorPage] = {}
        self._rows: Dict[str, MonitorRow] = {}
        self._listener: Optional[SignalListener] = None

        self.toasts = Adw.ToastOverlay()
        self.stack = Gtk.Stack(name="main-stack")
        self.stack.add_named(self._connecting_view(), "connecting")
        self.unreachable = UnreachablePage(self.connect_service)
        self.stack.add_named(self.unreachable.widget, "unreachable")
        self.stack.add_named(Adw.StatusPage(
            name="no-monitors", icon_name="video-display-symbolic", title="No monitor found",
            description="Connect a monitor's USB cable: it appears here by itself."), "no-monitors")
        self.stack.add_named(self._monitors_view(), "monitors")
        self.toasts.set_child(self.stack)

        content = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
        content.append(self._header_bar())
        content.append(self.toasts)
        self.set_content(content)
        self._add_actions()
        self.connect("close-request", self._closing)

    # --- layout

    def _connecting_view(self) -> Gtk.Widget:
        box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=12,
                      valign=Gtk.Align.CENTER, halign=Gtk.Align.CENTER)
        box.append(Gtk.Spinner(spinning=True, width_request=32, height_request=32))
        box.append(Gtk.Label(label="Connecting to the monitor service…"))
        return box

    def _header_bar(self) -> Adw.HeaderBar:
        header = Adw.HeaderBar()
        menu = Gio.Menu()
        menu.append("Save profile…", "win.save-profile")
        menu.append("Load profile…", "win.load-profile")
        menu.append("Read the settings again", "win.reload")
        header.pack_end(Gtk.MenuButton(icon_name="open-menu-symbolic", menu_model=menu,
                                       tooltip_text="Profiles"))
        return header

    def _monitors_view(self) -> Gtk.Widget:
        self.all_monitors = AllMonitorsBrightness(lambda: [p.session for p in self.pages.values()],
                                                  self.toast)
        self.monitor_list = Gtk.ListBox(name="monitor-list")
        self.monitor_list.add_css_class("navigation-sidebar")
        self.monitor_list.connect("row-selected", self._row_selected)
        sidebar = Gtk.ScrolledWindow(child=self.monitor_list, width_request=220,
                                     hscrollbar_policy=Gtk.PolicyType.NEVER)
        self.monitor_pages = Gtk.Stack(name="monitor-pages", hexpand=True, vexpand=True)
        panes = Gtk.Box()
        panes.append(sidebar)
        panes.append(Gtk.Separator(orientation=Gtk.Orientation.VERTICAL))
        panes.append(self.monitor_pages)
        view = Gtk.Box(orientation=Gtk.Orientation.VERTICAL)
        view.append(self.all_monitors)
        view.append(Gtk.Separator())
        view.append(panes)
        return view

    def _add_actions(self) -> None:
        for name, handler in (("save-profile", save_profile), ("load-profile", load_profile)):
            action = Gio.SimpleAction(name=name)
            action.connect("activate", lambda _a, _p, h=handler: self._with_selected(
                lambda page: h(self, page.session, self.toast)))
            self.add_action(action)
        reload = Gio.SimpleAction(name="reload")
        reload.connect("activate", lambda _a, _p: self._with_selected(lambda page: page.load()))
        self.add_action(reload)

    def _with_selected(self, use: Callable[[MonitorPage], None]) -> None:
        page = self.selected_page
        if page is None:
            self.toast("Choose a monitor first")
        elif not page.session.loaded:
            self.toast(f"{page.session.info.model}: its settings are still being read")
        else:
            use(page)

    @property
    def selected_page(self) -> Optional[MonitorPage]:
        row = self.monitor_list.get_selected_row()
        return self.pages.get(row.session.id) if isinstance(row, MonitorRow) else None

    def toast(self, text: str) -> None:
        self.toasts.add_toast(Adw.Toast(title=GLib.markup_escape_text(text), timeout=5))

    # --- the service

    def connect_service(self) -> None:
        """Starts the service if need be and lists its monitors, without
        waiting on the main loop."""
        self.stack.set_visible_child_name("connecting")
        background.run(reach_service, self._service_described, self._service_unreachable)

    def _service_unreachable(self, error: BaseException) -> None:
        if not isinstance(error, ServiceUnreachable):
            error = ServiceUnreachable(str(error), "Try again once the service runs.")
        self.unreachable.explain(error)
        self.stack.set_visible_child_name("unreachable")

    def _service_described(self, descriptions: List[Dict[str, Any]]) -> None:
        self.settings = parse_descriptions(descriptions)
        by_name = {s.name: s for s in self.settings}
        self.all_monitors.describe(by_name.get(BRIGHTNESS))
        if self._listener is None:
            self._listener = SignalListener(_on_main_loop, self._value_changed, self._was_reset,
                                            self.refresh_monitors, self.connect_service)
            self._listener.start()
        self.refresh_monitors()

    def refresh_monitors(self) -> None:
        background.run(vemo.monitors, self._show_monitors, self._service_unreachable)

    def _show_monitors(self, infos: List[Any]) -> None:
        present = {info.id: info for info in infos}
        for monitor_id in [m for m in self.pages if m not in present]:
            self._remove_monitor(monitor_id)
        for info in infos:
            if info.id not in self.pages:
                self._add_monitor(info)
        self.stack.set_visible_child_name("monitors" if self.pages else "no-monitors")
        if self.monitor_list.get_selected_row() is None and self.pages:
            self.monitor_list.select_row(self.monitor_list.get_row_at_index(0))

    def _add_monitor(self, info: Any) -> None:
        session = MonitorSession(info, self.settings, self.toast)
        page = MonitorPage(session, self.toast)
        self.pages[session.id] = page
        self._rows[session.id] = MonitorRow(session)
        self.monitor_list.append(self._rows[session.id])
        self.monitor_pages.add_named(page.widget, session.id)
        session.listen(BRIGHTNESS, self.all_monitors.follow)
        page.load()

    def _remove_monitor(self, monitor_id: str) -> None:
        page = self.pages.pop(monitor_id)
        page.session.close()
        self.monitor_list.remove(self._rows.pop(monitor_id))
        self.monitor_pages.remove(page.widget)

    def _row_selected(self, _list: Gtk.ListBox, row: Optional[Gtk.ListBoxRow]) -> None:
        if isinstance(row, MonitorRow):
            self.monitor_pages.set_visible_child_name(row.session.id)

    def _page_at(self, path: str) -> Optional[MonitorPage]:
        for monitor_id, page in self.pages.items():
            if monitor_path(monitor_id) == path:
                return page
        return None

    def _value_changed(self, path: str, name: str, value: Any) -> None:
        page = self._page_at(path)
        if page is None:
            return
        if name == "custom-color":
            color_type, levels = value
            value = {color_type: tuple(levels)}
        page.session.external_change(name, value)

    def _was_reset(self, path: str, _group: str) -> None:
        page = self._page_at(path)
        if page is not None:
            page.load()

    def _closing(self, _window: Gtk.Window) -> bool:
        if self._listener is not None:
            self._listener.stop()
        for page in self.pages.values():
            page.session.close()
        return False
