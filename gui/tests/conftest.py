"""The app under test: one window in this process, against three simulated
monitors served by `vemod --simulate` on the test's private session bus."""

import os

import pytest

from app_harness import pump_until, start_service
from vemo_monitors.application import Application

MONITORS = 3
LOAD_TIMEOUT = 30.0


@pytest.fixture(scope="module")
def service(tmp_path_factory):
    service = start_service(MONITORS, str(tmp_path_factory.mktemp("sim")))
    yield service
    service.stop()


@pytest.fixture(scope="module")
def window(service):
    app = Application()
    app.register(None)
    app.activate()
    window = app.window
    assert pump_until(lambda: len(window.pages) == MONITORS and all(
        page.session.loaded and not page.loading for page in window.pages.values()), LOAD_TIMEOUT)
    yield window
    window.close()
    pump_until(lambda: False, 0.2)


@pytest.fixture
def artifacts():
    """Where a test leaves files for a person to look at."""
    return os.environ.get("VEMO_GUI_ARTIFACTS", os.getcwd())
