"""Finding monitors and choosing one."""

from __future__ import annotations

import shutil
import subprocess
import time
from pathlib import Path
from typing import Callable, List, Union

import pytest

import vemo


def test_monitors_carry_their_identity(start: Callable[..., None]) -> None:
    start(monitors=2)
    found = vemo.monitors()
    assert [m.usb_serial for m in found][:2] == ["VEMOSIM00001", "VEMOSIM00002"]
    for info in found:
        assert info.model == "VEMO P27Q"
        assert info.firmware and info.asset_tag
        assert info.id == (info.serial_number or info.usb_serial)
    assert len({info.id for info in found}) == len(found)


def test_two_monitors_reporting_one_serial_number_get_ids_of_their_own(
    direct_only: None, start: Callable[..., None]
) -> None:
    # The rule vemod and vemoctl follow: a serial number taken passes to the USB serial.
    start(monitors=3, VEMO_SIM_SERIAL_NUMBERS="VMTWIN,VMTWIN")
    assert [m.id for m in vemo.monitors()] == ["VMTWIN", "VEMOSIM00002", "VM2612345680"]
    with vemo.connect(1) as m:
        assert m.info.id == "VEMOSIM00002"
    with vemo.connect("VEMOSIM00002") as m:
        assert m.info.asset_tag == "ASSET-0002"


def test_connect_by_index_and_by_each_kind_of_key(start: Callable[..., None]) -> None:
    start(monitors=2)
    with vemo.connect(1) as second:
        second.asset_tag = "DESK-42"
        wanted = second.info
    assert wanted.asset_tag == "DESK-42"
    keys: List[Union[int, str]] = [1, wanted.id, wanted.usb_serial, wanted.serial_number, "DESK-42"]
    for key in keys:
        with vemo.connect(key) as m:
            assert m.info == wanted, key
    for first in (None, 0):
        with vemo.connect(first) as m:
            assert m.info.usb_serial == "VEMOSIM00001"


@pytest.mark.parametrize("key", ["past the last", -1, "no-such-monitor", ""])
def test_connect_to_a_monitor_that_is_not_there(start: Callable[..., None], key: object) -> None:
    start(monitors=2)
    with pytest.raises(vemo.NoSuchMonitorError):
        vemo.connect(len(vemo.monitors()) if key == "past the last" else key)  # type: ignore[arg-type]


def test_a_key_two_monitors_share_names_neither(start: Callable[..., None]) -> None:
    start(monitors=2)
    for index in (0, 1):
        with vemo.connect(index) as m:
            m.asset_tag = "SHARED"
    with pytest.raises(vemo.NoSuchMonitorError, match="2 monitors"):
        vemo.connect("SHARED")


def test_a_vemod_the_package_cannot_reach_is_an_error_not_an_empty_scan(
    direct_only: None, tmp_path: Path, monkeypatch: pytest.MonkeyPatch
) -> None:
    # A process named vemod stands in for the service; the D-Bus client is gone.
    stand_in = tmp_path / "vemod"
    shutil.copy("/bin/sleep", stand_in)
    monkeypatch.delenv("VEMO_SIMULATE", raising=False)
    monkeypatch.setattr(vemo._dbus, "open_dbus_connection", None)
    with subprocess.Popen([str(stand_in), "30"]) as service:
        comm = Path(f"/proc/{service.pid}/comm")
        deadline = time.monotonic() + 10
        while comm.read_text().strip() != "vemod" and time.monotonic() < deadline:
            time.sleep(0.01)  # until it has started
        try:
            with pytest.raises(vemo.Error, match="vemod runs .* its D-Bus client jeepney is missing"):
                vemo.monitors()
        finally:
            service.kill()
