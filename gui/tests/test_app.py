"""The app against three simulated monitors: listing them, writing through
its controls, following other clients, the all-monitors slider, profiles and
the factory reset."""

import os
import subprocess

from vemo_monitors.profile_dialogs import confirm_changes
from vemo_monitors.profiles import changes

from gi.repository import Adw, Gtk

from app_harness import ValueChangedCount, bus_get, bus_set, find_widget, pump_until, save_screenshot, texts

SIMULATED_IDS = ["VM2612345678", "VM2612345679", "VM2612345680"]


def test_lists_every_monitor_with_its_model_and_id(window, artifacts):
    sidebar = find_widget(window, "monitor-list")
    shown = texts(sidebar)
    for monitor_id in SIMULATED_IDS:
        assert monitor_id in shown
    assert shown.count("VEMO P27Q") == 3
    path = os.path.join(artifacts, "vemo-monitors.png")
    save_screenshot(window, path)
    assert os.path.getsize(path) > 10_000  # a rendered window, not an empty image


def test_a_slider_moved_in_the_app_changes_the_monitor(window):
    monitor_id = SIMULATED_IDS[1]
    scale = find_widget(window.pages[monitor_id].widget, "contrast")
    scale.set_value(37.0)
    assert pump_until(lambda: bus_get(monitor_id, "contrast") == 37, 5)


def test_choices_are_drop_downs_named_by_the_model_description(window):
    monitor_id = SIMULATED_IDS[1]
    page = window.pages[monitor_id].widget
    inputs = find_widget(page, "video-input")
    names = [inputs.get_model().get_string(i) for i in range(inputs.get_model().get_n_items())]
    assert names == ["hdmi-1", "hdmi-2", "displayport-1", "displayport-2", "usb-c"]
    language = find_widget(page, "osd-language")
    assert isinstance(language, Gtk.DropDown)  # an enumeration, not a slider
    language.set_selected(2)
    assert pump_until(lambda: bus_get(monitor_id, "osd-language") == 2, 5)
    assert language.get_model().get_string(2) == "french"


def test_a_change_made_with_vemoctl_shows_within_a_second(window):
    monitor_id = SIMULATED_IDS[2]
    scale = find_widget(window.pages[monitor_id].widget, "sharpness")
    signals = ValueChangedCount(monitor_id, "sharpness")
    command = [os.environ["VEMOCTL"], "--monitor", monitor_id, "set", "sharpness", "80"]
    subprocess.run(command, check=True, timeout=30)
    assert pump_until(lambda: scale.get_value() == 80, 1.0)
    pump_until(lambda: False, 0.5)
    assert signals.count() == 1  # shown, not written back


def test_the_all_monitors_slider_reaches_every_monitor(window):
    find_widget(window, "all-monitors-brightness").set_value(42.0)
    assert pump_until(lambda: [bus_get(i, "brightness") for i in SIMULATED_IDS] == [42] * 3, 5)
    for monitor_id in SIMULATED_IDS:  # each page follows the service's ValueChanged
        assert pump_until(lambda: find_widget(window.pages[monitor_id].widget, "brightness").get_value() == 42, 2)


def test_loading_a_profile_lists_the_changes_before_it_writes_them(window):
    monitor_id = SIMULATED_IDS[0]
    session = window.pages[monitor_id].session
    profile = dict(session.values, **{"osd-timer": 45, "color-preset": 0x04})
    dialog = confirm_changes(window, session, changes(session.settings, session.values, profile),
                             window.toast)
    listed = find_widget(dialog, "profile-change-list").get_text().splitlines()
    assert listed == ["color-preset: 0x00000001 → 0x00000004", "osd-timer: 30 → 45"]
    assert bus_get(monitor_id, "osd-timer") == 30  # nothing written yet
    dialog.response("apply")
    assert pump_until(lambda: bus_get(monitor_id, "osd-timer") == 45
                      and bus_get(monitor_id, "color-preset") == 0x04, 5)


def test_a_factory_reset_asks_first_and_the_page_follows_it(window):
    monitor_id = SIMULATED_IDS[2]
    timer = find_widget(window.pages[monitor_id].widget, "osd-timer")
    bus_set(monitor_id, "osd-timer", "y", 10)
    assert pump_until(lambda: timer.get_value() == 10, 1.0)
    find_widget(window.pages[monitor_id].widget, "reset-factory").emit("clicked")
    assert pump_until(lambda: open_dialogs(), 2)
    assert bus_get(monitor_id, "osd-timer") == 10  # nothing sent before the answer
    open_dialogs()[0].response("reset")
    assert pump_until(lambda: timer.get_value() == 30, 5)  # the factory value, read again


def open_dialogs():
    return [w for w in Gtk.Window.list_toplevels() if isinstance(w, Adw.MessageDialog) and w.get_visible()]
