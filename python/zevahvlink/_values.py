"""Converting parameter values between the library's 4-byte form and Python.

A value travels as a 4-byte ``float`` (numeric parameters), a 4-byte
``unsigned`` (on/off, status, raw and enumerated parameters) or a text.
In Python a numeric value is a ``float``, an on/off value a ``bool``, an
enumerated value its text (the index with ``raw=True``), a status word an
``int`` and a text a ``str``.  Writing takes the same forms, and more:
the on/off texts of the parameter ("On", "Dis"), enumeration indexes, and
ints for numbers.  What the parameter's limits exclude is refused here,
before anything goes to the device.
"""
from __future__ import annotations

import ctypes
import math
import operator
import struct
from typing import TYPE_CHECKING, Any, Union

from .codes import ParamType
from .errors import OutOfRangeError

if TYPE_CHECKING:
    from .parameters import Parameter

Value = Union[float, int, bool, str, None]

_UINT_TYPES = (ParamType.CHSTATUS, ParamType.BDSTATUS, ParamType.BINARY)


def float32(x: float) -> float:
    """The shortest decimal that reads back as the same 4-byte float.

    The library's floats are single precision; 100.2 arrives as
    100.19999694824219.  Users expect 100.2, and it is the same float.
    """
    if not math.isfinite(x):
        return x
    packed = struct.pack("<f", x)
    for digits in range(6, 10):
        candidate = float(f"{x:.{digits}g}")
        if struct.pack("<f", candidate) == packed:
            return candidate
    return x


def from_word(raw: bytes, ptype: int) -> Union[float, int]:
    """The number in one 4-byte element: a float for numeric parameters."""
    if ptype == ParamType.NUMERIC:
        return float32(struct.unpack("<f", raw[:4])[0])
    return struct.unpack("<I", raw[:4])[0]


def decode(param: "Parameter", raw: Union[float, int, str, None], as_raw: bool = False) -> Value:
    """The Python value of a number or text read from the library."""
    ptype = param.type
    if ptype == ParamType.COMMAND or raw is None:
        return None
    if as_raw or ptype in (ParamType.NUMERIC, ParamType.STRING) or ptype in _UINT_TYPES:
        return raw
    if ptype == ParamType.ONOFF:
        return bool(raw)
    if ptype == ParamType.ENUM:
        return param.enum_text(int(raw))
    return raw


def _refuse(param: "Parameter", value: Any, why: str) -> OutOfRangeError:
    return OutOfRangeError(operation=f"set {param.name} to {value!r}", detail=why)


def _index(value: Any) -> int:
    """An int from int-like values (numpy ints too), never from bool or float."""
    if isinstance(value, bool):
        raise TypeError
    return operator.index(value)


def encode(param: "Parameter", value: Any):
    """The ctypes object whose address is handed to a set call.

    Raises :class:`OutOfRangeError` for a value outside the parameter's
    limits, its on/off texts or its enumeration, and ``TypeError`` for a
    value of the wrong kind.
    """
    ptype = param.type
    if ptype == ParamType.NUMERIC:
        if isinstance(value, bool) or not isinstance(value, (int, float)) and \
                not hasattr(value, "__float__"):
            raise TypeError(f"{param.name} takes a number, not {type(value).__name__}")
        x = float(value)
        if not math.isfinite(x):
            raise _refuse(param, value, "not a finite number")
        x32 = struct.unpack("<f", struct.pack("<f", x))[0] if abs(x) < 3.4e38 else x
        if param.has_limits and not (param.minval <= x32 <= param.maxval):
            raise _refuse(param, value, f"{param.name} takes {param.range_text}")
        return ctypes.c_float(x)
    if ptype == ParamType.ONOFF:
        return ctypes.c_uint(_onoff(param, value))
    if ptype == ParamType.ENUM:
        return ctypes.c_uint(_enum_index(param, value))
    if ptype in _UINT_TYPES:
        try:
            n = _index(value)
        except TypeError:
            raise TypeError(f"{param.name} takes an int, not {type(value).__name__}") from None
        if not 0 <= n <= 0xFFFFFFFF:
            raise _refuse(param, value, "not a 32-bit unsigned number")
        return ctypes.c_uint(n)
    if ptype == ParamType.STRING:
        if not isinstance(value, str):
            raise TypeError(f"{param.name} takes a str, not {type(value).__name__}")
        try:
            return ctypes.create_string_buffer(value.encode("ascii"))
        except UnicodeEncodeError:
            raise _refuse(param, value, "only ASCII text can be sent") from None
    # A command: any value triggers it.
    return ctypes.c_uint(1)


def _onoff(param: "Parameter", value: Any) -> int:
    if isinstance(value, str):
        texts = [(param.onstate, 1), (param.offstate, 0)]
        for text, state in texts:
            if text and value == text:
                return state
        for text, state in texts:
            if text and value.strip().lower() == text.lower():
                return state
        raise _refuse(param, value, f"{param.name} takes True/False, 1/0 or "
                                    f"{param.onstate!r}/{param.offstate!r}")
    try:
        n = 1 if value is True else 0 if value is False else _index(value)
    except TypeError:
        raise TypeError(f"{param.name} takes a bool or its on/off texts, "
                        f"not {type(value).__name__}") from None
    if n not in (0, 1):
        raise _refuse(param, value, f"{param.name} takes 0 or 1")
    return n


def _enum_index(param: "Parameter", value: Any) -> int:
    if isinstance(value, str):
        index = param.enum_index(value)
        if index is None:
            raise _refuse(param, value, f"{param.name} takes one of {list(param.choices)}")
        return index
    try:
        n = _index(value)
    except TypeError:
        raise TypeError(f"{param.name} takes an enumeration text or index, "
                        f"not {type(value).__name__}") from None
    lo = int(param.minval) if param.minval is not None else 0
    hi = int(param.maxval) if param.maxval is not None else 0xFFFFFFFF
    if not lo <= n <= hi:
        raise _refuse(param, value, f"{param.name} takes an index from {lo} to {hi}")
    return n
