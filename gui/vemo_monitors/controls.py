"""One control per setting, chosen by the setting's description. Each control
is named after its setting, writes through the monitor's session when the
user changes it, and shows the values the session hands it without writing
them back. None stands for a value the monitor did not tell (its read was
refused): the control shows its empty state."""

from typing import Any, Callable, Dict, List, Optional, Tuple

from gi.repository import Adw, Gtk

from .catalogue import SettingDescription
from .monitor_session import MonitorSession

# Whole steps are marked on a slider with at most this many of them.
MAX_MARKED_STEPS = 10
SLIDER_WIDTH = 320


class Quiet:
    """Set while a control shows a value it was handed, so its change
    handler knows not to write it back."""

    def __init__(self) -> None:
        self.active = False

    def run(self, change: Callable[[], None]) -> None:
        self.active = True
        try:
            change()
        finally:
            self.active = False


class Slider:
    """A slider over a setting's accepted values, on its step."""

    def __init__(self, setting: SettingDescription, on_change: Callable[[int], None]) -> None:
        self._setting = setting
        self._on_change = on_change
        self._quiet = Quiet()
        self._last_sent: Optional[int] = None
        scale = Gtk.Scale.new_with_range(Gtk.Orientation.HORIZONTAL, setting.minimum,
                                         setting.maximum, setting.step)
        scale.set_name(setting.name)
        scale.set_size_request(SLIDER_WIDTH, -1)
        scale.set_draw_value(True)
        scale.set_digits(0)
        scale.set_sensitive(setting.writable)
        accepted = setting.accepted_bytes()
        if len(accepted) <= MAX_MARKED_STEPS + 1:
            for mark in accepted:
                scale.add_mark(mark, Gtk.PositionType.BOTTOM, None)
        scale.connect("value-changed", self._moved)
        self.widget = scale

    @property
    def value(self) -> int:
        return int(self.widget.get_value())

    def _moved(self, scale: Gtk.Scale) -> None:
        value = self._setting.nearest_accepted(scale.get_value())
        if value != scale.get_value():
            self._quiet.run(lambda: scale.set_value(value))
        if self._quiet.active or value == self._last_sent:
            return
        self._last_sent = value
        self._on_change(value)

    def set_maximum(self, maximum: int) -> None:
        """A new top of the range, taken without writing anything."""
        self._quiet.run(lambda: self.widget.set_range(self._setting.minimum, maximum))

    def show(self, value: Optional[int]) -> None:
        position = self._setting.minimum if value is None else int(value)
        self._last_sent = position
        self._quiet.run(lambda: self.widget.set_value(position))


def _row(title: str) -> Adw.ActionRow:
    return Adw.ActionRow(title=title)


def slider_row(setting: SettingDescription, session: MonitorSession) -> Adw.ActionRow:
    row = _row(setting.title)
    slider = Slider(setting, lambda v: session.write(setting.name, v))
    session.listen(setting.name, slider.show)
    row.add_suffix(slider.widget)
    return row


def switch_row(setting: SettingDescription, session: MonitorSession) -> Adw.ActionRow:
    row = _row(setting.title)
    switch = Gtk.Switch(name=setting.name, valign=Gtk.Align.CENTER)
    quiet = Quiet()

    def toggled(*_args: Any) -> None:
        if not quiet.active:
            session.write(setting.name, int(switch.get_active()))

    def show(value: Optional[int]) -> None:
        quiet.run(lambda: switch.set_active(bool(value)))

    switch.connect("notify::active", toggled)
    session.listen(setting.name, show)
    row.add_suffix(switch)
    row.set_activatable_widget(switch)
    return row


def choice_label(bit: int, names: Optional[Dict[str, int]] = None) -> str:
    """A choice bit by the name the model description gives it, else by number."""
    named = {value: name for name, value in (names or {}).items()}.get(1 << bit)
    return named or f"Choice {bit + 1} (0x{1 << bit:02X})"


def enumeration_label(value: int, names: Optional[Dict[str, int]] = None) -> str:
    """A value of an enumeration by its name, else by number."""
    named = {v: name for name, v in (names or {}).items()}.get(value)
    return named or f"Choice {value}"


def choice_row(setting: SettingDescription, session: MonitorSession,
               offered_bits: List[int]) -> Adw.ActionRow:
    """A drop-down of the choice bits the monitor offers."""
    names = session.choices.get(setting.name)
    return _dropdown_row(setting, session, [1 << bit for bit in offered_bits],
                         [choice_label(bit, names) for bit in offered_bits])


def enumeration_row(setting: SettingDescription, session: MonitorSession) -> Adw.ActionRow:
    """A drop-down of the values of a setting whose values stand for things."""
    names = session.choices.get(setting.name)
    values = setting.accepted_bytes()
    return _dropdown_row(setting, session, values, [enumeration_label(v, names) for v in values])


def _dropdown_row(setting: SettingDescription, session: MonitorSession, values: List[int],
                  labels: List[str]) -> Adw.ActionRow:
    row = _row(setting.title)
    dropdown = Gtk.DropDown(name=setting.name, model=Gtk.StringList.new(labels), valign=Gtk.Align.CENTER)
    dropdown.set_sensitive(bool(values))
    quiet = Quiet()

    def selected(*_args: Any) -> None:
        position = dropdown.get_selected()
        if quiet.active or position >= len(values):
            return
        session.write(setting.name, values[position])

    def show(value: Optional[int]) -> None:
        position = values.index(value) if value in values else Gtk.INVALID_LIST_POSITION
        quiet.run(lambda: dropdown.set_selected(position))

    dropdown.connect("notify::selected", selected)
    session.listen(setting.name, show)
    row.add_suffix(dropdown)
    return row


def read_only_row(setting: SettingDescription, session: MonitorSession) -> Adw.ActionRow:
    row = _row(setting.title)
    label = Gtk.Label(name=setting.name, selectable=True, valign=Gtk.Align.CENTER)
    label.add_css_class("dim-label")
    session.listen(setting.name, lambda v: label.set_text("" if v is None else str(v)))
    row.add_suffix(label)
    return row


def text_row(setting: SettingDescription, session: MonitorSession) -> Gtk.Widget:
    """An editable identity record: applied with the entry's apply button,
    refused in place when it does not fit the record."""
    row = Adw.EntryRow(title=setting.title, name=setting.name, show_apply_button=True)

    def applied(_row: Adw.EntryRow) -> None:
        text = row.get_text()
        if not text.isascii() or not text.isprintable() or len(text.encode()) > setting.max_bytes:
            row.add_css_class("error")
            return
        row.remove_css_class("error")
        session.write(setting.name, text)

    row.connect("apply", applied)
    session.listen(setting.name, lambda v: row.set_text("" if v is None else str(v)))
    return row


def custom_color_row(setting: SettingDescription, session: MonitorSession) -> Adw.ExpanderRow:
    """A chooser of the custom color type and its six levels; a change
    writes that type's six. Each level goes as far as the description says
    the type takes it."""
    expander = Adw.ExpanderRow(title=setting.title, name=setting.name)
    type_row = Adw.ComboRow(title="Type", name=f"{setting.name}-type",
                            model=Gtk.StringList.new([str(t) for t in range(setting.types)]))
    expander.add_row(type_row)
    held: Dict[int, Tuple[int, ...]] = {}
    sliders: List[Slider] = []

    def chosen_type() -> int:
        return int(type_row.get_selected())

    def changed(_value: int) -> None:
        session.write(setting.name, {chosen_type(): tuple(s.value for s in sliders)})

    for index, level_name in enumerate(setting.levels):
        level = SettingDescription(name="level", kind="byte", writable=True, minimum=0,
                                   maximum=max(setting.level_maximum(t, index) for t in range(setting.types)),
                                   step=1)
        slider = Slider(level, changed)
        slider.widget.set_name(f"{setting.name}-{level_name}")
        sliders.append(slider)
        row = _row(level_name.capitalize())
        row.add_suffix(slider.widget)
        expander.add_row(row)

    def show_type() -> None:
        color_type = chosen_type()
        levels = held.get(color_type, (None,) * len(sliders))
        for index, (slider, value) in enumerate(zip(sliders, levels)):
            slider.set_maximum(setting.level_maximum(color_type, index))
            slider.show(value)

    def show(colors: Any) -> None:
        held.clear()
        held.update(colors or {})
        show_type()

    type_row.connect("notify::selected", lambda *_args: show_type())
    session.listen(setting.name, show)
    return expander


def control_row(setting: SettingDescription, session: MonitorSession,
                offered_bits: List[int]) -> Gtk.Widget:
    if not setting.writable:
        return read_only_row(setting, session)
    if setting.kind == "custom-color":
        return custom_color_row(setting, session)
    if setting.kind == "text":
        return text_row(setting, session)
    if setting.kind == "mask":
        return choice_row(setting, session, offered_bits)
    if setting.kind == "byte" and setting.enumeration:
        return enumeration_row(setting, session)
    if setting.kind == "byte":
        return switch_row(setting, session) if setting.is_switch else slider_row(setting, session)
    return read_only_row(setting, session)
