"""The page shown when vemod cannot be reached: why, and how to fix it."""

from typing import Callable

from gi.repository import Adw, GLib, Gtk

from .service_bus import ServiceUnreachable


class UnreachablePage:
    def __init__(self, retry: Callable[[], None]) -> None:
        self.widget = Adw.StatusPage(name="unreachable", icon_name="network-offline-symbolic",
                                     title="The monitor service cannot be reached")
        box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=18)
        self._reason = Gtk.Label(wrap=True, justify=Gtk.Justification.CENTER, selectable=True)
        self._remedy = Gtk.Label(wrap=True, justify=Gtk.Justification.CENTER, selectable=True)
        self._remedy.add_css_class("dim-label")
        button = Gtk.Button(label="Try again", halign=Gtk.Align.CENTER, name="retry")
        button.add_css_class("pill")
        button.add_css_class("suggested-action")
        button.connect("clicked", lambda _b: retry())
        for widget in (self._reason, self._remedy, button):
            box.append(widget)
        self.widget.set_child(box)

    def explain(self, problem: ServiceUnreachable) -> None:
        self._reason.set_markup(markup_of(problem.reason))
        self._remedy.set_markup(markup_of(problem.remedy))


def markup_of(text: str) -> str:
    """The text as Pango markup: a command between backticks is shown in a
    monospaced font, without the backticks."""
    parts = GLib.markup_escape_text(text).split("`")
    return "".join(f"<tt>{part}</tt>" if i % 2 else part for i, part in enumerate(parts))
