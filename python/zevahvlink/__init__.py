"""zevahvlink: the ZEVA high-voltage systems and NIM modules from Python.

A thin, typed layer over libZEVAHVLink through ctypes::

    import zevahvlink

    with zevahvlink.open("p731x", "tcp", "127.0.0.1:47001_0") as system:
        board = system.crate[0]
        print(board.model, board.serial, board.firmware)
        print(system.get(0, "FineGain", channels=range(4)))
        system.set(0, "Shape", "1", channels=[0, 1])
        for event in system.events([(0, range(4), "FineGain")], duration=2):
            print(event.channel, event.value)

Failures raise :class:`Error` (one subclass per result code of the
library).  The library is found through ``ZEVAHVLINK_LIBRARY``, the
dynamic loader's path, or the installed prefixes.
"""
from ._clib import LibraryNotFoundError, library_path
from .codes import EventKind, Link, Mode, ParamType, SysPropType, SystemType, Unit
from .crate import Board, Channel
from .errors import *  # noqa: F401,F403  (one class per result code)
from . import errors
from .errors import Error, SubscriptionError, error_for
from .events import Event, EventStream, Status
from .parameters import Parameter, Parameters
from .properties import PropertyInfo, SystemProperties
from .system import System, library_release, open

__version__ = "6.4.0"

# "open" is left out so that "from zevahvlink import *" keeps the built-in open.
__all__ = [
    "System", "Board", "Channel", "Parameter", "Parameters", "SystemProperties",
    "PropertyInfo", "Event", "EventStream", "Status", "SystemType", "Link", "ParamType",
    "Mode", "SysPropType", "Unit", "EventKind", "Error", "SubscriptionError", "error_for",
    "LibraryNotFoundError", "library_release", "library_path",
] + errors.__all__
