"""The parts of the app that decide without a window or a service: the write
gate, the choices and groups built from the service's description, profiles
and monitor object paths."""

import json

import pytest

from vemo_monitors.catalogue import SettingDescription, grouped, offered_choices, parse_descriptions
from vemo_monitors.profiles import ProfileError, changes, profile_text, read_profile
from vemo.bus import monitor_path
from vemo_monitors.write_gate import WriteGate

DESCRIPTIONS = parse_descriptions([
    {"name": "monitor-name", "kind": "text", "writable": False, "max_bytes": 10},
    {"name": "asset-tag", "kind": "text", "writable": True, "max_bytes": 10},
    {"name": "backlight-hours", "kind": "hours", "writable": False},
    {"name": "brightness", "kind": "byte", "writable": True, "min": 0, "max": 100, "step": 1},
    {"name": "sharpness", "kind": "byte", "writable": True, "min": 0, "max": 100, "step": 10},
    {"name": "power-state", "kind": "byte", "writable": True, "min": 1, "max": 2, "step": 1},
    {"name": "mst", "kind": "byte", "writable": True, "min": 0, "max": 1, "step": 1},
    {"name": "color-preset", "kind": "mask", "writable": True, "choices": 8},
    {"name": "color-preset-caps", "kind": "mask", "writable": False, "choices": 0},
    {"name": "custom-color", "kind": "custom-color", "writable": True, "types": 4,
     "levels": ["red", "green", "blue", "cyan", "magenta", "yellow"], "max_level": 100,
     "checked_levels": [3, 3, 6, 6]},
    {"name": "night-light", "kind": "byte", "writable": True, "min": 0, "max": 1, "step": 1},
])
BY_NAME = {s.name: s for s in DESCRIPTIONS}

CURRENT = {
    "monitor-name": "VEMO P27Q", "asset-tag": "ASSET-0001", "backlight-hours": 1234,
    "brightness": 75, "sharpness": 50, "power-state": 1, "mst": 0, "color-preset": 0x01,
    "color-preset-caps": 0xFF, "night-light": 0,
    "custom-color": {t: (50, 50, 50, 0, 0, 0) for t in range(4)},
}


def test_write_gate_sends_one_at_a_time_and_only_the_latest_waiting_value():
    gate = WriteGate()
    assert gate.offer(10) is True  # sent at once
    assert [gate.offer(v) for v in (20, 30, 40)] == [False, False, False]
    assert gate.busy and gate.has_waiting
    assert gate.finished() == (True, 40)  # 20 and 30 were overtaken
    assert gate.finished() == (False, None)
    assert not gate.busy
    assert gate.offer(50) is True


@pytest.mark.parametrize("caps, offered", [
    (0xFF, list(range(8))),
    (0x05, [0, 2]),
    (0x100, []),  # a bit beyond the setting's choices is not a choice
    (None, list(range(8))),  # no mask read: every choice bit
])
def test_choices_are_the_choice_bits_the_monitor_has(caps, offered):
    assert offered_choices(BY_NAME["color-preset"], caps) == offered


def test_groups_hide_capability_masks_and_keep_settings_they_do_not_know():
    groups = {group_id: [s.name for s in members] for group_id, _t, members in grouped(DESCRIPTIONS)}
    assert groups["picture"] == ["brightness", "sharpness"]
    assert groups["color"] == ["color-preset", "custom-color"]
    assert groups["other"] == ["night-light"]
    assert not any("color-preset-caps" in names for names in groups.values())


@pytest.mark.parametrize("name, position, value", [
    ("sharpness", 44.0, 40), ("sharpness", 46.0, 50), ("sharpness", 100.0, 100),
    ("brightness", 75.4, 75), ("power-state", 0.0, 1), ("power-state", 9.0, 2),
])
def test_slider_positions_land_on_accepted_values(name, position, value):
    assert BY_NAME[name].nearest_accepted(position) == value


@pytest.mark.parametrize("name, title", [
    ("brightness", "Brightness"), ("osd-timer", "OSD timer"), ("pxp-sub-input", "PxP sub input"),
    ("mst", "MST"), ("power-led", "Power LED"),
])
def test_setting_titles_spell_acronyms(name, title):
    assert SettingDescription(name=name, kind="byte", writable=True).title == title


def test_a_saved_profile_is_the_vemoctl_json_form_and_reads_back_the_same():
    text = profile_text(DESCRIPTIONS, CURRENT)
    raw = json.loads(text)
    assert raw["color-preset"] == "0x00000001"
    assert raw["custom-color"][2] == {"type": 2, "red": 50, "green": 50, "blue": 50,
                                      "cyan": 0, "magenta": 0, "yellow": 0}
    assert list(raw) == [s.name for s in DESCRIPTIONS]
    assert read_profile(DESCRIPTIONS, text) == CURRENT
    # The monitor takes any cyan, magenta and yellow for types 0 and 1.
    bright = dict(CURRENT, **{"custom-color": {1: (100, 0, 100, 200, 201, 255)}})
    assert read_profile(DESCRIPTIONS, profile_text(DESCRIPTIONS, bright)) == bright


@pytest.mark.parametrize("profile, complaint", [
    ({"brightnes": 30}, "unknown setting 'brightnes'"),
    ({"color-preset": "blue"}, "color-preset: malformed value"),
    ({"asset-tag": 7}, "asset-tag: malformed value"),
    ({"custom-color": [{"type": 0, "red": 1}]}, "custom-color: malformed value"),
    ({"custom-color": [{"type": 0, "red": 101, "green": 0, "blue": 0, "cyan": 0, "magenta": 0,
                        "yellow": 0}]}, "custom-color: malformed value"),
    ({"custom-color": [{"type": 2, "red": 0, "green": 0, "blue": 0, "cyan": 101, "magenta": 0,
                        "yellow": 0}]}, "type 2 cyan is 0 to 100"),
    ({"custom-color": [{"type": 4, "red": 0, "green": 0, "blue": 0, "cyan": 0, "magenta": 0,
                        "yellow": 0}]}, "types are 0 to 3"),
    (["brightness"], "expected one object"),
])
def test_a_malformed_profile_is_refused_whole(profile, complaint):
    with pytest.raises(ProfileError, match=complaint):
        read_profile(DESCRIPTIONS, json.dumps(profile))


def test_loading_a_profile_changes_only_writable_settings_that_differ():
    profile = dict(CURRENT, **{
        "brightness": 30, "monitor-name": "OTHER", "backlight-hours": 9, "sharpness": 50,
        "custom-color": {0: (50, 50, 50, 0, 0, 0), 3: (10, 20, 30, 40, 50, 60)},
        "color-preset": 0x04})
    found = {c.name: (c.old, c.new) for c in changes(DESCRIPTIONS, CURRENT, profile)}
    assert found == {
        "brightness": (75, 30),
        "color-preset": (0x01, 0x04),
        "custom-color": ({3: (50, 50, 50, 0, 0, 0)}, {3: (10, 20, 30, 40, 50, 60)}),
    }


@pytest.mark.parametrize("monitor_id, path", [
    ("VM2612345678", "/org/vemo/Monitors1/monitor/VM2612345678"),
    ("A-1 b", "/org/vemo/Monitors1/monitor/A_2d1_20b"),
    ("0", "/org/vemo/Monitors1/monitor/0"),
    ("é", "/org/vemo/Monitors1/monitor/_c3_a9"),
])
def test_monitor_object_paths_escape_every_byte_but_letters_and_digits(monitor_id, path):
    assert monitor_path(monitor_id) == path
