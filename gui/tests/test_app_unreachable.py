"""The app on a session bus where no monitor service runs or can be started."""

import pytest

from app_harness import pump_until, texts
from vemo_monitors.application import Application


@pytest.fixture
def window():
    app = Application()
    app.register(None)
    app.activate()
    yield app.window
    app.window.close()


def test_says_why_the_service_cannot_be_reached_and_how_to_fix_it(window):
    assert pump_until(lambda: window.stack.get_visible_child_name() == "unreachable", 10)
    shown = texts(window.unreachable.widget)
    assert "vemod is not running" in shown
    assert "vemod --simulate" in shown
