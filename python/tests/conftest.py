"""Each test runs in a process of its own (pytest --forked), against the
simulator with a private state file, through the transport named by
--transport: ``direct`` (the shipped library in the test's process) or
``dbus`` (the service, already running on the test's session bus)."""

from __future__ import annotations

from pathlib import Path
from typing import Callable, Iterator

import pytest

import vemo


def pytest_addoption(parser: pytest.Parser) -> None:
    parser.addoption("--transport", default="direct", choices=("direct", "dbus"))


@pytest.fixture
def transport(request: pytest.FixtureRequest) -> str:
    name: str = request.config.getoption("--transport")
    return name


@pytest.fixture
def direct_only(transport: str) -> None:
    if transport != "direct":
        pytest.skip("a rule of the library in this process")


@pytest.fixture
def start(transport: str, tmp_path: Path, monkeypatch: pytest.MonkeyPatch) -> Iterator[Callable[..., None]]:
    """Starts the package against simulated monitors; takes the number of
    monitors and extra simulator environment (direct only)."""
    monkeypatch.setenv("VEMO_SIM_FAST", "1")
    monkeypatch.setenv("VEMO_SIM_STATE", str(tmp_path / "state.json"))
    monkeypatch.chdir(tmp_path)

    def started(monitors: int = 2, **environment: str) -> None:
        if transport == "direct":
            for name, value in environment.items():
                monkeypatch.setenv(name, value)
            vemo.use_simulator(monitors=monitors)
        assert vemo.transport() == transport

    yield started


@pytest.fixture
def monitor(start: Callable[..., None]) -> Iterator[vemo.Monitor]:
    start()
    with vemo.connect() as m:
        yield m
