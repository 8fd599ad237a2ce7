"""Event records as the library's two readers hand them out.

``ZEVAHV_GetEventData`` reads one frame from a connection (a polling
thread's or a mainframe's) into ``IDValue_t`` records and a status record.
``ZEVAHVGetEventData`` reads one datagram of a legacy mainframe into
325-byte records::

    0    the item's level: 0 channel, 1 board, 2 system, 3 a notice of the crate
    1    the item name as subscribed (64 bytes, NUL-terminated):
         "<system>.Board01.CHAN002.VMon", "<system>.Board01.HVMax", "<system>.CPULoad"
    65   the value as a number (4 bytes: a float for numeric parameters, else unsigned)
    69   the value as text (256 bytes, NUL-terminated), when the crate sent a text

Both become :class:`Record` tuples.  Every array is freed as soon as it is
copied.
"""
from __future__ import annotations

import ctypes
import re
from typing import List, NamedTuple, Optional, Tuple

from . import _clib, _lists

LEGACY_RECORD = 325
_LEGACY_NAME = slice(1, 65)
_LEGACY_NUMBER = slice(65, 69)
_LEGACY_TEXT = slice(69, 325)
_LEGACY_NOTICE = 3

_BOARD = re.compile(r"^Board(\d+)$")
_CHANNEL = re.compile(r"^(?:CHAN|Chan)(\d+)$")

# The status of a frame that has none (a legacy datagram).
NO_STATUS: Tuple[int, Tuple[int, ...]] = (0, (0,) * _clib.BOARD_STATES)

KIND_PARAMETER, KIND_LIVE_INSERTION, KIND_KEEP_ALIVE = 0, 1, 2


class Record(NamedTuple):
    kind: int                # EventKind
    board: int               # -1 for system items
    channel: int             # -1 for board and system items
    name: str                # the parameter or property name
    value: bytes             # 4 bytes of a number, or a text
    text: Optional[bool]     # whether the value is a text; None: the reader does not say


def legacy_records(raw: bytes, count: int) -> List[Record]:
    """The records of a legacy datagram, from the reader's array (pure)."""
    out: List[Record] = []
    for k in range(min(count, len(raw) // LEGACY_RECORD)):
        r = raw[k * LEGACY_RECORD:(k + 1) * LEGACY_RECORD]
        parts = _lists.text(r[_LEGACY_NAME]).split(".")
        board = channel = -1
        for part in parts[1:-1]:
            if m := _BOARD.match(part):
                board = int(m.group(1))
            elif m := _CHANNEL.match(part):
                channel = int(m.group(1))
        name = parts[-1]
        kind = KIND_PARAMETER
        if r[0] == _LEGACY_NOTICE:
            kind = KIND_KEEP_ALIVE if name == "KeepAlive" else KIND_LIVE_INSERTION
        text = r[_LEGACY_TEXT].split(b"\0", 1)[0]
        if text:
            out.append(Record(kind, board, channel, name, text, True))
        else:
            out.append(Record(kind, board, channel, name, r[_LEGACY_NUMBER], False))
    return out


def read_frame(fd: int):
    """One frame's records and status; None when the connection is done for."""
    lib = _clib.load()
    status = _clib.SystemStatus()
    records = ctypes.POINTER(_clib.IDValue)()
    count = ctypes.c_uint()
    rc = lib.ZEVAHV_GetEventData(fd, ctypes.byref(status), ctypes.byref(records),
                                 ctypes.byref(count))
    try:
        if rc != 0:
            return None
        out = []
        for k in range(count.value if records else 0):
            r = records[k]
            out.append(Record(r.Type, r.BoardIndex, r.ChannelIndex, _lists.text(bytes(r.Item)),
                              bytes(r.Value), None))
        return out, (status.System, tuple(status.Board))
    finally:
        lib.ZEVAHV_FreeEventData(ctypes.byref(records))


def read_datagram(fd: int) -> Tuple[int, List[Record]]:
    """One datagram of a legacy mainframe: the reader's result and its records.

    A datagram from a stranger, a broken one, or one of items no longer
    subscribed gives no records (23, or 1 for a short one).
    """
    lib = _clib.load()
    records = ctypes.c_void_p()
    count = ctypes.c_int()
    rc = lib.ZEVAHVGetEventData(fd, ctypes.byref(records), ctypes.byref(count))
    try:
        if rc != 0 or not records.value or count.value <= 0:
            return rc, []
        raw = ctypes.string_at(records.value, count.value * LEGACY_RECORD)
        return rc, legacy_records(raw, count.value)
    finally:
        lib.ZEVAHVFreeEventData(ctypes.byref(records))
