"""The exceptions: one class per result code of the library.

Every failure of a library call raises :class:`Error` or one of its
subclasses, carrying the result code and the library's own error text
(mainframes keep one; the other families answer by code only, and then the
code's meaning is shown instead).  Where a Python built-in exception has
the same meaning the class derives from it as well, so that
``except KeyError`` or ``except TimeoutError`` keep working.
"""
from __future__ import annotations

from typing import Dict, Optional, Type


class Error(Exception):
    """A call to the library failed.

    Attributes:
        code: the library's result code (``ZEVAHV_ERR_*``).
        text: the library's error text for the failure, or "" when the
            system keeps none.
        operation: what was being done, e.g. ``"get VMon of slot 0"``.
    """

    code: int = -1
    meaning: str = "failure"

    def __init__(self, code: Optional[int] = None, text: str = "", operation: str = "",
                 detail: str = "") -> None:
        if code is not None:
            self.code = code
        self.text = text
        self.operation = operation
        self.detail = detail
        super().__init__(self.code, text)

    @property
    def message(self) -> str:
        """The library's text when it gave one, else the code's meaning."""
        return self.text or self.meaning

    def __str__(self) -> str:
        parts = []
        if self.operation:
            parts.append(f"{self.operation}: ")
        parts.append(f"{self.message} (code {self.code})")
        if self.detail:
            parts.append(f"; {self.detail}")
        return "".join(parts)

    def __repr__(self) -> str:
        return f"{type(self).__name__}({self.code}, {self.text!r}, {self.operation!r})"


# Each class's docstring says when the library answers with its code.

class OperatingSystemError(Error):
    """A socket for the connection could not be created."""

    code = 1
    meaning = "Operating system error"


class WriteError(Error):
    """A value or command could not be written (or the device refused it)."""

    code = 2
    meaning = "Write failed"


class ReadError(Error):
    """A value could not be read, or a read-only parameter was written."""

    code = 3
    meaning = "Read failed"


class ReplyTimeoutError(Error, TimeoutError):
    """No reply from the system within the time-out."""

    code = 4
    meaning = "Timeout from server"


class ServerDownError(Error, ConnectionError):
    """The system closed the connection."""

    code = 5
    meaning = "Server closed the connection"


class NotOfferedError(Error):
    """The system's family does not offer the operation."""

    code = 6
    meaning = "Operation not offered by this system type"


class SlotNotPresentError(Error):
    """No board in the slot."""

    code = 7
    meaning = "Slot NOT Present"


class NoMemoryError(Error, MemoryError):
    """The library ran out of memory."""

    code = 9
    meaning = "Out of memory"


class OutOfRangeError(Error, ValueError):
    """A slot, channel or value lies outside what the system accepts."""

    code = 10
    meaning = "Value out of range"


class CommandNotAvailableError(Error):
    """The command is known but not available on this system."""

    code = 11
    meaning = "Execute command not available"


class PropertyNotAvailableError(Error):
    """The system property is known but not available."""

    code = 12
    meaning = "Property not available"


class PropertyNotFoundError(Error, KeyError):
    """No system property of that name."""

    code = 14
    meaning = "Property not found"


class CommandNotFoundError(Error, KeyError):
    """No command of that name."""

    code = 15
    meaning = "Execute command not found"


class NotAPropertyError(Error):
    """The name is a command, not a system property."""

    code = 16
    meaning = "No System Property"


class PropertyNotReadableError(Error):
    """The system property cannot be read."""

    code = 17
    meaning = "No Get Property"


class PropertyNotWritableError(Error):
    """The system property cannot be written."""

    code = 18
    meaning = "No Set Property"


class NotACommandError(Error):
    """The name is not a command."""

    code = 19
    meaning = "No Execute Command"


class ConfigurationChangedError(Error):
    """The system's layout changed since it was read: read the crate again."""

    code = 20
    meaning = "System configuration changed"


class ParamPropertyNotFoundError(Error, KeyError):
    """The parameter has no property of that name."""

    code = 21
    meaning = "Param Property Not Found"


class ParameterNotFoundError(Error, KeyError):
    """No parameter of that name."""

    code = 22
    meaning = "Param Not Found"


class NoDataError(Error, TimeoutError):
    """No event arrived within the wait."""

    code = 23
    meaning = "No data within the wait"


class AlreadyOpenError(Error):
    """A system of that type, link and address is open already."""

    code = 24
    meaning = "Same system already open"


class TooManySystemsError(Error):
    """All 100 system slots of the library are in use."""

    code = 25
    meaning = "All system slots in use"


class InvalidArgumentError(Error, ValueError):
    """An argument was refused."""

    code = 26
    meaning = "Invalid handle or argument"


class NoEventSourceError(Error):
    """An event connection matches no open system."""

    code = 27
    meaning = "No system delivers events on this connection"


class EventSocketError(Error, ConnectionError):
    """Waiting on or reading from the event connection failed."""

    code = 28
    meaning = "Event connection failed"


class CommunicationError(Error):
    """A malformed event frame or a reply line that could not be read."""

    code = 29
    meaning = "Communication error"


class NotConnectedError(Error, ConnectionError):
    """The system is not open (any more)."""

    code = 0x1002
    meaning = "System not open"


class OpenFailedError(Error, ConnectionError):
    """The system could not be reached or did not identify itself."""

    code = 0x1004
    meaning = "Opening the system failed"


class InvalidLinkError(Error):
    """Unknown link type, or the operation has no case for this family."""

    code = 0x1006
    meaning = "Link type not offered"


class LoginFailedError(Error, ConnectionError):
    """Opening the system failed while logging in."""

    code = 0x1007
    meaning = "Login failed"


def _by_code() -> Dict[int, Type[Error]]:
    table: Dict[int, Type[Error]] = {}
    for cls in Error.__subclasses__():
        assert cls.code not in table, f"two classes for code {cls.code}"
        table[cls.code] = cls
    return table


_BY_CODE = _by_code()


def error_for(code: int, text: str = "", operation: str = "", detail: str = "") -> Error:
    """The exception for a result code (an :class:`Error` for unknown codes)."""
    cls = _BY_CODE.get(code, Error)
    return cls(code, text, operation, detail)


class SubscriptionError(Error):
    """The system refused to subscribe one or more items.

    ``code`` is the result byte of the first refused item (255, or 253 and
    254 on the older mainframes); ``refused`` lists the items.
    """

    meaning = "Subscription refused"

    def __init__(self, code: int, refused: "list", operation: str = "") -> None:
        self.refused = list(refused)
        super().__init__(code, "", operation, "refused: " + ", ".join(map(str, self.refused)))


__all__ = ["Error", "SubscriptionError", "error_for"] + sorted(c.__name__ for c in _BY_CODE.values())
