"""The shipped library in this process: its rules, and how it is found."""

from __future__ import annotations

import os
import subprocess
import time
from pathlib import Path
from typing import Callable, List, Union

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


def _holds(pid: int, path: str) -> bool:
    try:
        return any(os.path.realpath(f"/proc/{pid}/fd/{fd}") == path for fd in os.listdir(f"/proc/{pid}/fd"))
    except OSError:
        return False


def test_a_bridge_another_program_holds_is_waited_for(start: Callable[..., None], tmp_path: Path) -> None:
    vemoctl = os.environ.get("VEMOCTL")
    if not vemoctl:
        pytest.skip("needs VEMOCTL: vemoctl holds a bridge from another process")
    start(monitors=2)
    # vemoctl polls a register of monitor 1 for about 3 s, holding its bridge.
    holder = subprocess.Popen(
        [vemoctl, "--simulate", "--monitor", "1", "register", "wait", "0x10", "0x01", "0x01", "--tries", "30"],
        env=dict(os.environ, VEMO_SIM_MONITORS="2", VEMO_SIM_FAST="0"),
    )
    try:
        claim = str(tmp_path / "state.json") + ".VEMOSIM00002.lock"
        deadline = time.monotonic() + 10
        while not _holds(holder.pid, claim) and time.monotonic() < deadline:
            time.sleep(0.02)
        keys: List[Union[int, str]] = [1, "VEMOSIM00002"]
        for key in keys:
            with pytest.raises(vemo.BusyError, match="in use by another program"):
                vemo.connect(key, wait=0)
        with vemo.connect("VEMOSIM00002", wait=20) as monitor:
            assert not _holds(holder.pid, claim)
            assert monitor.info.usb_serial == "VEMOSIM00002"
        assert [info.usb_serial for info in vemo.monitors(wait=0)] == ["VEMOSIM00001", "VEMOSIM00002"]
    finally:
        holder.kill()
        holder.wait()
