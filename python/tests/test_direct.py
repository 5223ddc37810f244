"""The shipped library in this process: its rules, and how it is found."""

from __future__ import annotations

import os
from pathlib import Path
from typing import Callable

import pytest

import vemo

pytestmark = pytest.mark.usefixtures("direct_only")


def test_one_connection_per_process(start: Callable[..., None]) -> None:
    start(monitors=2)
    first = vemo.connect(0)
    with pytest.raises(vemo.BusyError):
        vemo.connect(1)
    with pytest.raises(vemo.BusyError):
        vemo.monitors()
    first.brightness = 33
    first.close()
    with vemo.connect(1) as second:
        assert second.info.usb_serial == "VEMOSIM00002"


def test_the_simulator_from_the_environment(start: Callable[..., None], monkeypatch: pytest.MonkeyPatch) -> None:
    monkeypatch.setenv("VEMO_SIMULATE", "1")
    monkeypatch.setenv("VEMO_SIM_MONITORS", "3")
    assert len(vemo.monitors()) == 3
    with pytest.raises(vemo.Error, match="before the first use"):
        vemo.use_simulator(monitors=1)


def test_the_simulator_is_found_beside_the_library(start: Callable[..., None], monkeypatch: pytest.MonkeyPatch) -> None:
    if not os.environ.get("VEMO_SDK_LIBRARY"):
        pytest.skip("needs VEMO_SDK_LIBRARY: the library's own folder is searched")
    monkeypatch.delenv("VEMO_SIM_LIBRARY", raising=False)
    start(monitors=1)
    assert len(vemo.monitors()) == 1


def test_a_simulator_path_that_does_not_exist_is_named(
    start: Callable[..., None], monkeypatch: pytest.MonkeyPatch, tmp_path: Path
) -> None:
    missing = str(tmp_path / "nowhere" / "libVemoMonitorSim.so")
    monkeypatch.setenv("VEMO_SIM_LIBRARY", missing)
    with pytest.raises(vemo.Error, match=missing):
        start(monitors=1)
