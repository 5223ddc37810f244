"""Reading and writing settings, and the errors on the way."""

from __future__ import annotations

import json
import os
import re
import subprocess
import threading
import time
from pathlib import Path
from typing import Callable, Dict, List

import pytest

import vemo


@pytest.mark.parametrize(
    ("name", "value"),
    [("brightness", 42), ("osd-timer", 60), ("color-preset", 0x04), ("asset-tag", "DESK-42"), ("asset-tag", "AéÜ\\Z")],
)
def test_a_written_value_reads_back(monitor: vemo.Monitor, name: str, value: object) -> None:
    attribute = name.replace("-", "_")
    setattr(monitor, attribute, value)
    assert getattr(monitor, attribute) == value
    monitor.set(name, value)
    assert monitor.get(name) == value


def test_read_only_settings_cannot_be_written(monitor: vemo.Monitor) -> None:
    with pytest.raises(AttributeError):
        monitor.backlight_hours = 1  # type: ignore[misc]
    for name, value in (("backlight-hours", 1), ("color-preset-caps", 1), ("serial-number", "X")):
        with pytest.raises(vemo.ReadOnlyError, match=name):
            monitor.set(name, value)


@pytest.mark.parametrize(
    ("name", "value", "accepted"),
    [
        ("osd-timer", 70, "5 to 60"),
        ("brightness", -1, "0 to 100"),
        ("sharpness", 55, "0, 10, 20"),
        ("color-preset", 0x03, "one of 0x01, 0x02"),
        ("color-preset", 0x100, "0x80"),
        ("color-preset", 0, "0x80"),
        ("asset-tag", "ELEVENBYTES", "at most 10 bytes"),
        ("asset-tag", "ÜÜÜÜÜÜ", "at most 10 bytes"),
        ("asset-tag", "A\x00B", "NUL"),
    ],
)
def test_a_value_out_of_range_is_refused_before_anything_is_sent(
    monitor: vemo.Monitor, name: str, value: object, accepted: str
) -> None:
    before = monitor.get(name)
    with pytest.raises(ValueError, match=accepted) as caught:
        monitor.set(name, value)
    assert isinstance(caught.value, vemo.OutOfRangeError) and name in str(caught.value)
    assert monitor.get(name) == before


def test_an_unknown_setting_is_a_key_error_with_a_suggestion(monitor: vemo.Monitor) -> None:
    with pytest.raises(KeyError, match="did you mean 'brightness'") as caught:
        monitor.set("brightnes", 10)
    assert isinstance(caught.value, vemo.UnknownSettingError)


@pytest.mark.parametrize(
    ("name", "first", "delta", "expected"),
    [
        ("brightness", 98, 5, 100),
        ("brightness", 2, -5, 0),
        ("brightness", 40, 0, 40),
        ("osd-timer", 6, -10, 5),
        ("sharpness", 50, 6, 60),
        ("sharpness", 50, 4, 50),
        ("sharpness", 50, -5, 40),
        ("sharpness", 50, 5, 60),
        ("sharpness", 90, 25, 100),
    ],
)
def test_adjust_clamps_to_the_range_and_lands_on_the_step(
    monitor: vemo.Monitor, name: str, first: int, delta: int, expected: int
) -> None:
    monitor.set(name, first)
    assert monitor.adjust(name, delta) == expected
    assert monitor.get(name) == expected


def test_custom_color_per_type(monitor: vemo.Monitor) -> None:
    monitor.set_custom_color(2, (10, 20, 30, 40, 50, 60))
    assert monitor.custom_color(2) == (10, 20, 30, 40, 50, 60)
    assert monitor.get("custom-color")[2] == (10, 20, 30, 40, 50, 60)  # type: ignore[index]
    for color_type, levels in ((4, (0,) * 6), (0, (101, 0, 0, 0, 0, 0)), (3, (0, 0, 0, 0, 0, 101)), (1, (1, 2, 3))):
        with pytest.raises(vemo.OutOfRangeError, match="custom-color"):
            monitor.set_custom_color(color_type, levels)
    assert monitor.custom_color(2) == (10, 20, 30, 40, 50, 60)


def test_reset_puts_a_group_back(monitor: vemo.Monitor) -> None:
    monitor.osd_timer = 10
    monitor.reset("osd")
    assert monitor.osd_timer != 10
    with pytest.raises(vemo.OutOfRangeError, match="power, color, osd, factory"):
        monitor.reset("everything")


def test_restore_writes_only_what_differs(monitor: vemo.Monitor) -> None:
    profile = monitor.dump()
    assert set(profile) == set(vemo.SETTINGS)
    monitor.brightness = 10
    monitor.asset_tag = "OTHER"
    monitor.set_custom_color(1, (1, 2, 3, 0, 0, 0))
    changed = monitor.dump()

    # The asset tag is restored only when `only` names it.
    assert monitor.restore(profile, dry_run=True).keys() == {"brightness", "custom-color"}
    assert monitor.dump() == changed

    result = monitor.restore(profile)
    assert result["brightness"] == (10, profile["brightness"])
    assert result.keys() == {"brightness", "custom-color"}
    assert monitor.asset_tag == "OTHER"
    assert monitor.restore(profile, only=["asset-tag"]) == {"asset-tag": ("OTHER", profile["asset-tag"])}
    assert monitor.dump() == profile
    assert monitor.restore(profile) == {}


def test_profiles_round_trip_between_vemoctl_and_the_package(
    direct_only: None, start: Callable[..., None], tmp_path: Path
) -> None:
    start(monitors=1)

    def vemoctl(*args: str) -> str:
        command = [os.environ["VEMOCTL"], "--simulate", *args]
        return subprocess.run(command, check=True, capture_output=True, text=True, timeout=60).stdout

    with vemo.connect() as m:
        m.brightness, m.video_input = 10, 0x02
        m.set_custom_color(1, (1, 2, 3, 200, 0, 0))
    saved = vemoctl("dump", "--json")
    with vemo.connect() as m:
        m.brightness, m.video_input = 90, 0x01
        m.set_custom_color(1, (0,) * 6)
        m.restore(json.loads(saved))  # vemoctl's profile, restored by the package
        assert (m.brightness, m.video_input, m.custom_color(1)) == (10, 0x02, (1, 2, 3, 200, 0, 0))
        assert json.loads(json.dumps(m.profile())) == json.loads(saved)
        for name, profile in (("profile.json", m.profile()), ("dump.json", m.dump())):
            (tmp_path / name).write_text(json.dumps(profile))
        m.brightness = 55
    for name in ("profile.json", "dump.json"):  # the package's profiles, restored by vemoctl
        vemoctl("restore", str(tmp_path / name))
        assert vemoctl("get", "brightness") == "10\n"
        vemoctl("set", "brightness", "55")


def test_a_profile_with_one_bad_entry_writes_nothing(monitor: vemo.Monitor) -> None:
    before = monitor.dump()
    with pytest.raises(vemo.UnknownSettingError):
        monitor.restore({"brightness": 11, "no-such-setting": 1})
    with pytest.raises(vemo.OutOfRangeError):
        monitor.restore({"brightness": 11, "osd-timer": 99})
    assert monitor.dump() == before


def test_a_choice_the_monitor_does_not_offer_is_refused_unsent(monitor: vemo.Monitor) -> None:
    # The setting takes one of ten inputs; this monitor has five.
    assert monitor.video_input_caps == 0x1F
    with pytest.raises(
        vemo.OutOfRangeError,
        match=re.escape(
            "video-input: 0x200 is not offered by this monitor; accepted values: 0x01 (hdmi-1), "
            "0x02 (hdmi-2), 0x04 (displayport-1), 0x08 (displayport-2), 0x10 (usb-c)"
        ),
    ):
        monitor.video_input = 0x200
    assert monitor.video_input == 0x01


def test_choices_have_the_names_of_the_model_description(monitor: vemo.Monitor) -> None:
    assert monitor.choices["video-input"]["usb-c"] == 0x10
    assert monitor.choices["osd-language"]["german"] == 1
    monitor.set("video-input", "hdmi-2")
    monitor.set("osd-language", "german")
    assert (monitor.video_input, monitor.osd_language) == (0x02, 1)
    with pytest.raises(vemo.OutOfRangeError, match="not a choice of this model; its choices: displayport-1"):
        monitor.set("video-input", "vga")
    with pytest.raises(TypeError):
        monitor.brightness = True
    with pytest.raises(AttributeError, match="Monitor has no setting 'brightnes'; did you mean 'brightness'"):
        monitor.brightnes = 30
    with pytest.raises(vemo.OutOfRangeError, match="control character"):
        monitor.asset_tag = "A\x07B"


def test_a_closed_monitor_refuses_calls(monitor: vemo.Monitor) -> None:
    monitor.close()
    with pytest.raises(vemo.NotConnectedError):
        monitor.brightness
    with pytest.raises(vemo.NotConnectedError):
        monitor.brightness = 5
    monitor.close()


def test_threads_take_turns(monitor: vemo.Monitor) -> None:
    names = ["brightness", "contrast", "saturation", "hue"]
    failures: List[str] = []

    def work(name: str) -> None:
        try:
            for value in range(0, 101, 4):
                monitor.set(name, value)
                seen = monitor.get(name)
                if seen != value:
                    failures.append(f"{name}: wrote {value}, read {seen}")
        except vemo.Error as error:
            failures.append(f"{name}: {error}")

    threads = [threading.Thread(target=work, args=(name,)) for name in names]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == []


@pytest.mark.parametrize(("name", "first", "target"), [("brightness", 75, 30), ("sharpness", 0, 100), ("osd-timer", 20, 20)])
def test_a_fade_passes_through_the_values_between_and_ends_on_its_target(
    monitor: vemo.Monitor, name: str, first: int, target: int
) -> None:
    monitor.set(name, first)
    seen: Dict[str, List[int]] = {"values": []}
    done = threading.Event()

    def watch() -> None:
        while not done.is_set():
            value = monitor.get(name)
            assert isinstance(value, int)
            seen["values"].append(value)
            time.sleep(0.01)

    watcher = threading.Thread(target=watch)
    began = time.monotonic()
    watcher.start()
    monitor.fade(name, target, 0.5)
    elapsed = time.monotonic() - began
    done.set()
    watcher.join()

    assert monitor.get(name) == target
    values = seen["values"]
    assert values == sorted(values, reverse=first > target)
    if first != target:
        assert elapsed >= 0.45
        assert any(v not in (first, target) for v in values)
        assert all(vemo.SETTINGS[name].accepts(v) for v in values)


def test_a_fade_to_a_refused_value_sends_nothing(monitor: vemo.Monitor) -> None:
    monitor.brightness = 50
    with pytest.raises(vemo.OutOfRangeError, match="0 to 100"):
        monitor.fade("brightness", 101, 0.1)
    with pytest.raises(TypeError, match="one-byte"):
        monitor.fade("color-preset", 1, 0.1)
    assert monitor.brightness == 50
