"""The service's automation through the package: the calibrated level, the
light's settings, and each monitor's calibration, night settings and writes."""

from __future__ import annotations

from typing import Callable

import pytest

import vemo


def test_without_the_service_the_automation_names_it(start: Callable[..., None], transport: str) -> None:
    if transport != "direct":
        pytest.skip("directly only")
    start()
    with pytest.raises(vemo.Error, match="vemod"):
        vemo.automation()
    with vemo.connect() as monitor:
        for attribute in ("brightness_min", "linked", "night_settings", "writes"):
            with pytest.raises(vemo.Error, match="vemod"):
                getattr(monitor, attribute)


def test_calibrated_level_and_the_automation_settings(start: Callable[..., None], transport: str) -> None:
    if transport != "dbus":
        pytest.skip("through the service only")
    start()
    auto = vemo.automation()
    with vemo.connect(1) as monitor:
        monitor.brightness_min, monitor.brightness_max, monitor.brightness_curve = 10, 90, 1.0
        monitor.linked = True
        writes = monitor.writes.get("brightness", 0)
        auto.set_level(0.5)
        assert (auto.level, monitor.brightness) == (0.5, 50)
        auto.set_level(0.5)
        assert monitor.writes.get("brightness", 0) == writes + 1  # the held value is not written again
        with pytest.raises(vemo.OutOfRangeError):
            auto.set_level(1.5)
        with pytest.raises(vemo.OutOfRangeError):
            monitor.brightness_min = 95
        assert (monitor.brightness_min, monitor.brightness_max, monitor.linked) == (10, 90, True)
        monitor.night_settings = {"contrast": 20, "color-preset": 0x04}
        assert monitor.night_settings == {"contrast": 20, "color-preset": 0x04}
        with pytest.raises(vemo.UnknownSettingError):
            monitor.night_settings = {"contrats": 20}
        monitor.night_settings = {}
        monitor.brightness_min, monitor.brightness_max = 0, 100

    auto.auto_interval, auto.auto_pause = 5, 60
    auto.ambient_curve = [(0.0, 0.2), (400.0, 1.0)]
    assert (auto.auto_interval, auto.auto_pause, auto.ambient_curve) == (5, 60, [(0.0, 0.2), (400.0, 1.0)])
    with pytest.raises(vemo.OutOfRangeError):
        auto.auto_interval = 0
    assert not auto.auto_brightness and not auto.auto_paused and not auto.follow_night_light
    assert isinstance(auto.ambient_lux, float)
