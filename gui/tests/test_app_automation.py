"""The app's view of the service's automation, against three simulated
monitors: the all-monitors slider sets the calibrated level, the automatic
brightness switch, a monitor's calibration and its night settings."""

import os
import subprocess
from typing import Any

from jeepney import DBusAddress, new_method_call
from jeepney.io.blocking import open_dbus_connection
from jeepney.wrappers import unwrap_msg

from app_harness import bus_get, find_widget, pump_until, texts
from vemo.bus import BUS_NAME, MANAGER_INTERFACE, MANAGER_PATH, MONITOR_INTERFACE, monitor_path

SIMULATED_IDS = ["VM2612345678", "VM2612345679", "VM2612345680"]


def prop(path: str, interface: str, name: str) -> Any:
    address = DBusAddress(path, BUS_NAME, "org.freedesktop.DBus.Properties")
    with open_dbus_connection(bus="SESSION") as bus:
        return unwrap_msg(bus.send_and_get_reply(new_method_call(address, "Get", "ss", (interface, name)),
                                                 timeout=10))[0][1]


def set_prop(path: str, interface: str, name: str, signature: str, value: Any) -> None:
    address = DBusAddress(path, BUS_NAME, "org.freedesktop.DBus.Properties")
    with open_dbus_connection(bus="SESSION") as bus:
        unwrap_msg(bus.send_and_get_reply(new_method_call(address, "Set", "ssv",
                                                          (interface, name, (signature, value))), timeout=10))


def test_the_all_monitors_slider_sets_the_calibrated_level(window):
    first = monitor_path(SIMULATED_IDS[0])
    set_prop(first, MONITOR_INTERFACE, "BrightnessMax", "y", 50)
    find_widget(window, "all-monitors-brightness").set_value(60.0)
    assert pump_until(lambda: prop(MANAGER_PATH, MANAGER_INTERFACE, "Level") == 0.6, 5)
    assert pump_until(lambda: [bus_get(i, "brightness") for i in SIMULATED_IDS] == [30, 60, 60], 5)
    set_prop(first, MONITOR_INTERFACE, "BrightnessMax", "y", 100)
    # A level set by another client moves the slider.
    subprocess.run([os.environ["VEMOCTL"], "level", "0.2"], check=True, timeout=30)
    assert pump_until(lambda: find_widget(window, "all-monitors-brightness").get_value() == 20, 2)


def test_the_automatic_brightness_switch_and_what_it_reads(window):
    find_widget(window, "automatic-brightness").set_active(True)
    assert pump_until(lambda: prop(MANAGER_PATH, MANAGER_INTERFACE, "AutoBrightness") is True, 5)
    # No light sensor on this bus: the state says so.
    assert pump_until(lambda: "no light sensor" in find_widget(window, "automatic-brightness-state").get_text(), 5)
    set_prop(MANAGER_PATH, MANAGER_INTERFACE, "AutoBrightness", "b", False)  # another client
    assert pump_until(lambda: not find_widget(window, "automatic-brightness").get_active(), 5)


def test_a_monitors_calibration_and_night_settings(window):
    monitor_id = SIMULATED_IDS[1]
    page = window.pages[monitor_id].widget
    assert "Calibration" in texts(page) and "At night" in texts(page)
    find_widget(page, "brightness-min").set_value(20)
    find_widget(page, "brightness-curve").set_value(2.0)
    path = monitor_path(monitor_id)
    assert pump_until(lambda: (prop(path, MONITOR_INTERFACE, "BrightnessMin"),
                               prop(path, MONITOR_INTERFACE, "BrightnessCurve")) == (20, 2.0), 5)
    # Another client's change shows.
    set_prop(path, MONITOR_INTERFACE, "Linked", "b", False)
    assert pump_until(lambda: not find_widget(page, "linked").get_active(), 5)

    find_widget(page, "night-add-setting").set_selected(0)  # the first one-byte setting: brightness
    find_widget(page, "night-add").emit("clicked")
    assert pump_until(lambda: "brightness" in prop(path, MONITOR_INTERFACE, "NightSettings"), 5), (prop(path, MONITOR_INTERFACE, "NightSettings"), texts(page))
    pump_until(lambda: False, 0.3)
    find_widget(page, "night-brightness").set_value(15)
    assert pump_until(lambda: prop(path, MONITOR_INTERFACE, "NightSettings").get("brightness") == ("y", 15), 5)
    find_widget(page, "follow-night-light").set_active(True)
    assert pump_until(lambda: prop(MANAGER_PATH, MANAGER_INTERFACE, "FollowNightLight") is True, 5)
