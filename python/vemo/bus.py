"""vemod's names on the session bus, for the package, the app and scripts
that talk to the service themselves: the bus name, the objects, the
interfaces and the errors. The interface itself is described in
``org.vemo.Monitors1.xml`` (installed under ``share/dbus-1/interfaces``)."""

from typing import Tuple

BUS_NAME = "org.vemo.Monitors1"
MANAGER_PATH = "/org/vemo/Monitors1"
MONITOR_PATH_PREFIX = MANAGER_PATH + "/monitor/"
MANAGER_INTERFACE = "org.vemo.Monitors1.Manager"
MONITOR_INTERFACE = "org.vemo.Monitors1.Monitor"
PROPERTIES_INTERFACE = "org.freedesktop.DBus.Properties"

# The service's errors are this prefix and one of these kinds.
ERROR_PREFIX = "org.vemo.Monitors1.Error."
ERROR_KINDS: Tuple[str, ...] = (
    "UnknownSetting",
    "ReadOnly",
    "OutOfRange",
    "CommFailure",
    "Busy",
    "NoSuchMonitor",
    "Gone",
    "Ambiguous",
)
# Arguments of the wrong D-Bus type are the bus's own error.
INVALID_ARGS = "org.freedesktop.DBus.Error.InvalidArgs"


def error_name(kind: str) -> str:
    """The full D-Bus name of the service's error of this kind."""
    return ERROR_PREFIX + kind


def monitor_path(monitor_id: str) -> str:
    """The object path of the monitor with this `Id`: every byte outside
    [A-Za-z0-9] is written as `_` and two lower-case hex digits."""
    out = []
    for byte in monitor_id.encode("utf-8"):
        char = chr(byte)
        out.append(char if char.isascii() and char.isalnum() else f"_{byte:02x}")
    return MONITOR_PATH_PREFIX + "".join(out)
