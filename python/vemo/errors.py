"""The exceptions the package raises; every one is a :class:`vemo.Error`."""

from __future__ import annotations

from typing import Optional


class Error(Exception):
    """Base of every error the package raises.

    ``setting`` names the setting the error is about, when there is one.
    """

    def __init__(self, message: str, setting: Optional[str] = None) -> None:
        super().__init__(message)
        self.message = message
        self.setting = setting

    def __str__(self) -> str:
        return self.message


class OutOfRangeError(Error, ValueError):
    """A value the setting does not accept; nothing was sent to the monitor."""


class UnknownSettingError(Error, KeyError):
    """A setting name the monitor does not have."""


class ReadOnlyError(Error):
    """A write to a setting that can only be read."""


class NotConnectedError(Error):
    """A call on a monitor that is closed or could not be reached."""


class CommunicationError(Error, OSError):
    """The exchange with the monitor failed, or the monitor refused the request."""


class BusyError(Error):
    """The monitor, or this process's one direct connection, is in use."""


class NoSuchMonitorError(Error):
    """No monitor matches the index or key asked for."""
