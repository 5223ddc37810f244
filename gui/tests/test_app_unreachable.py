"""The app on a session bus where the monitor service is not running at
first, then starts, then stops (nothing on this bus starts it by itself)."""

from app_harness import find_widget, pump_until, start_service, texts
from vemo_monitors.application import Application


def test_the_app_follows_the_service_as_it_comes_and_goes(tmp_path):
    app = Application()
    app.register(None)
    app.activate()
    window = app.window
    assert pump_until(lambda: window.stack.get_visible_child_name() == "unreachable", 10)
    shown = texts(window.unreachable.widget)
    assert "vemod is not running" in shown and "vemod --simulate" in shown
    assert "`" not in shown  # commands are set in a monospaced font, not quoted

    service = start_service(2, str(tmp_path))
    try:
        find_widget(window.unreachable.widget, "retry").emit("clicked")
        assert pump_until(lambda: window.stack.get_visible_child_name() == "monitors"
                          and len(window.pages) == 2, 10)
    finally:
        service.stop()
    assert pump_until(lambda: window.stack.get_visible_child_name() == "unreachable", 5)
    window.close()
