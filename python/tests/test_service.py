"""What the service offers beyond settings, through the package: its
description of the settings, a bridge's firmware and live updates."""

from __future__ import annotations

import queue
import time
from typing import Callable, List

import pytest

import vemo
from vemo import service
from vemo.bus import monitor_path


def test_the_description_and_the_bridge_firmware(start: Callable[..., None], transport: str) -> None:
    if transport != "dbus":
        pytest.skip("through the service only")
    start()
    described = {entry["name"]: entry for entry in service.describe_settings()}
    assert set(described) == set(vemo.SETTINGS)
    assert described["brightness"]["writable"] is True
    first = vemo.monitors()[0]
    assert service.bridge_firmware(first.id)
    with pytest.raises(service.ServiceUnavailable) as refused:
        service.bridge_firmware("no such monitor")
    assert refused.value.reason.startswith("org.freedesktop.DBus.Error.")


def events_until(events: "queue.Queue[vemo.Event]", wanted: Callable[[vemo.Event], bool]) -> List[vemo.Event]:
    seen: List[vemo.Event] = []
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline:
        try:
            seen.append(events.get(timeout=0.1))
        except queue.Empty:
            continue
        if wanted(seen[-1]):
            return seen
    raise AssertionError(f"no such event among {seen}")


def test_watch_hands_over_the_service_updates(start: Callable[..., None], transport: str) -> None:
    if transport != "dbus":
        pytest.skip("through the service only")
    start()
    events: "queue.Queue[vemo.Event]" = queue.Queue()
    watch = vemo.watch(events.put)
    try:
        with vemo.connect(0) as monitor:
            path = monitor_path(vemo.monitors()[0].id)
            monitor.brightness = 33 if monitor.brightness != 33 else 34
            wanted = monitor.brightness
            events_until(events, lambda e: (e.kind, e.path, e.name, e.value) ==
                         (service.VALUE_CHANGED, path, "brightness", wanted))
            monitor.reset("color")
            events_until(events, lambda e: (e.kind, e.path, e.name) == (service.WAS_RESET, path, "color"))
            monitor.linked = not monitor.linked
            events_until(events, lambda e: e.kind == service.PROPERTIES_CHANGED and e.path == path
                         and "Linked" in e.properties)
    finally:
        watch.stop()
