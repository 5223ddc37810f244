"""Saving a monitor's settings as a profile, and loading one after showing
what it will change."""

from typing import Any, Callable, Dict, List, Optional

from gi.repository import Adw, GLib, Gtk

from .monitor_session import MonitorSession
from .profiles import Change, ProfileError, changes, profile_text, read_profile


_open_choosers: List[Gtk.FileChooserNative] = []


def _json_filter() -> Gtk.FileFilter:
    file_filter = Gtk.FileFilter(name="Profiles (JSON)")
    file_filter.add_pattern("*.json")
    return file_filter


def save_profile(window: Gtk.Window, session: MonitorSession, toast: Callable[[str], None]) -> None:
    chooser = Gtk.FileChooserNative(title="Save profile", transient_for=window,
                                    action=Gtk.FileChooserAction.SAVE, accept_label="Save")
    chooser.set_current_name(f"{session.id}.json")
    chooser.add_filter(_json_filter())

    def chosen(_chooser: Gtk.FileChooserNative, response: int) -> None:
        if response != Gtk.ResponseType.ACCEPT:
            return
        path = chooser.get_file().get_path()

        def read(values: Dict[str, Any]) -> None:
            try:
                with open(path, "w", encoding="utf-8") as out:
                    out.write(profile_text(session.settings, values))
            except OSError as error:
                toast(f"The profile was not saved: {error}")
                return
            toast(f"Profile saved to {path}")

        session.read_fresh(read, lambda error: toast(f"The profile was not saved: {error}"))

    chooser.connect("response", chosen)
    chooser.connect("response", lambda c, _r: _open_choosers.remove(c))
    chooser.show()
    _open_choosers.append(chooser)  # a native chooser must outlive this call


def load_profile(window: Gtk.Window, session: MonitorSession, toast: Callable[[str], None]) -> None:
    chooser = Gtk.FileChooserNative(title="Load profile", transient_for=window,
                                    action=Gtk.FileChooserAction.OPEN, accept_label="Open")
    chooser.add_filter(_json_filter())

    def chosen(_chooser: Gtk.FileChooserNative, response: int) -> None:
        if response != Gtk.ResponseType.ACCEPT:
            return
        try:
            text = chooser.get_file().load_contents(None)[1].decode("utf-8")
            profile = read_profile(session.settings, text)
        except (ProfileError, UnicodeDecodeError, GLib.Error) as error:
            toast(f"The profile was not loaded: {error}")
            return
        confirm_changes(window, session, changes(session.settings, session.values, profile), toast)

    chooser.connect("response", chosen)
    chooser.connect("response", lambda c, _r: _open_choosers.remove(c))
    chooser.show()
    _open_choosers.append(chooser)


def confirm_changes(window: Gtk.Window, session: MonitorSession, pending: List[Change],
                    toast: Callable[[str], None]) -> Optional[Adw.MessageDialog]:
    """Lists the changes; applying sends each of them."""
    if not pending:
        toast(f"{session.info.model} already has every value of the profile")
        return None
    dialog = Adw.MessageDialog(transient_for=window, name="profile-changes",
                               heading=f"Apply the profile to {session.info.model}?",
                               body=f"These settings of {session.id} change:")
    listing = Gtk.Label(label="\n".join(str(change) for change in pending), name="profile-change-list",
                        xalign=0, selectable=True)
    dialog.set_extra_child(Gtk.ScrolledWindow(child=listing, propagate_natural_height=True,
                                              max_content_height=320))
    dialog.add_response("cancel", "Cancel")
    dialog.add_response("apply", f"Change {len(pending)} settings")
    dialog.set_response_appearance("apply", Adw.ResponseAppearance.SUGGESTED)

    def answered(_dialog: Adw.MessageDialog, response: str) -> None:
        if response == "apply":
            for change in pending:
                session.write(change.name, change.new)

    dialog.connect("response", answered)
    dialog.present()
    return dialog
