"""The app's words for a service it cannot reach, and the service's signals
handed to the main loop. What it takes from the service itself (the
description of the settings, the bridge's firmware, the signals) is public
API of the `vemo` package (`vemo.service`)."""

from typing import Any, Callable, Dict, List

import vemo
from vemo import service


class ServiceUnreachable(Exception):
    """vemod cannot be reached; `reason` says why, `remedy` how to fix it."""

    def __init__(self, reason: str, remedy: str) -> None:
        super().__init__(reason)
        self.reason = reason
        self.remedy = remedy


def describe_settings() -> List[Dict[str, Any]]:
    """The service's catalogue; starts the service when it is not running.
    Raises ServiceUnreachable."""
    try:
        return service.describe_settings()
    except service.ServiceUnavailable as error:
        raise _explained(error) from error


def bridge_firmware(monitor_id: str) -> str:
    """The firmware version of the monitor's USB bridge."""
    return service.bridge_firmware(monitor_id)


START_IT = ("Install the SDK with its service (`cmake --install` puts the D-Bus service file in "
            "share/dbus-1/services), or start it yourself with `vemod` "
            "(`vemod --simulate` for simulated monitors).")


def _explained(error: service.ServiceUnavailable) -> ServiceUnreachable:
    detail = error.detail
    if error.reason == "no-bus":
        return ServiceUnreachable(
            f"There is no session bus to reach the monitor service on ({detail}).",
            "Start Vemo Monitors from a desktop session, or under dbus-run-session.")
    if error.reason == "timeout":
        return ServiceUnreachable(
            "The monitor service vemod did not answer in time.",
            "Look at its log with `journalctl --user -u vemod`, then try again.")
    if error.reason == "org.freedesktop.DBus.Error.ServiceUnknown":
        return ServiceUnreachable(
            "The monitor service vemod is not running, and this session does not know how to "
            f"start it ({detail}).", START_IT)
    if error.reason.startswith("org.freedesktop.DBus.Error.Spawn"):
        return ServiceUnreachable(
            f"The monitor service vemod could not be started: {detail}",
            "Run `vemod` in a terminal, or look at `journalctl --user -u vemod`, to see why.")
    return ServiceUnreachable(f"The monitor service vemod answered with an error: {error.reason}: {detail}",
                              "Look at `journalctl --user -u vemod`, then try again.")


class SignalListener:
    """Receives the service's signals (`vemo.watch`) and hands them to the
    main loop through `deliver(callback, *args)`."""

    def __init__(self, deliver: Callable[..., None],
                 value_changed: Callable[[str, str, Any], None],
                 was_reset: Callable[[str, str], None],
                 monitors_changed: Callable[[], None],
                 service_stopped: Callable[[], None]) -> None:
        self._deliver = deliver
        self._value_changed = value_changed
        self._was_reset = was_reset
        self._monitors_changed = monitors_changed
        self._service_stopped = service_stopped
        self._watch: Any = None

    def start(self) -> None:
        self._watch = vemo.watch(self._received)

    def stop(self) -> None:
        if self._watch is not None:
            self._watch.stop()

    def _received(self, event: vemo.Event) -> None:
        if event.kind == service.VALUE_CHANGED:
            self._deliver(self._value_changed, event.path, event.name, event.value)
        elif event.kind == service.WAS_RESET:
            self._deliver(self._was_reset, event.path, event.name)
        elif event.kind in (service.MONITOR_ADDED, service.MONITOR_REMOVED):
            self._deliver(self._monitors_changed)
        elif event.kind == service.SERVICE_STOPPED:
            self._deliver(self._service_stopped)
