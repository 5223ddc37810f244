"""The app against monitors that refuse every brightness command
(VEMO_SIM_REFUSE=0x30 in the service's environment)."""

from gi.repository import Adw

from app_harness import find_widget, pump_until, texts


def test_a_refused_value_puts_the_control_back_and_names_the_setting(window):
    monitor_id = next(iter(window.pages))
    page = window.pages[monitor_id]
    scale = find_widget(page.widget, "brightness")
    contrast = find_widget(page.widget, "contrast")
    assert contrast.get_value() == 50  # the other settings were read all the same
    # The brightness it would not tell is unavailable, never shown as 0.
    row = scale.get_ancestor(Adw.ActionRow)
    assert not row.get_sensitive() and row.get_subtitle() == "could not be read"
    assert contrast.get_ancestor(Adw.ActionRow).get_sensitive()
    # No monitor told its brightness: the all-monitors slider shows nothing.
    assert not find_widget(window, "all-monitors-brightness").get_sensitive()
    before = scale.get_value()
    scale.set_value(before + 20)
    assert pump_until(lambda: scale.get_value() == before and "Brightness" in texts(window.toasts), 5)
    assert "Brightness" in texts(window.toasts)
