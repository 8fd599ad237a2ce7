"""Finding and loading libZEVAHVLink, and the prototypes of its calls.

The library is loaded at the first call that needs it, not at import, so
that ``import zevahvlink`` and ``help(zevahvlink)`` work on a machine
without it.  The search order:

1. ``ZEVAHVLINK_LIBRARY``: a library file, or a directory that holds one;
2. the dynamic loader's own path (``LD_LIBRARY_PATH``, the loader cache);
3. the ``lib`` folders of the installed prefixes: this Python's prefix
   (a virtual environment), ``/usr/local`` and ``/usr``.
"""
from __future__ import annotations

import ctypes
import os
import sys
import sysconfig
import threading
from typing import List, Optional

ENV_VARIABLE = "ZEVAHVLINK_LIBRARY"
SONAME = "libZEVAHVLink.so.6"
FILENAMES = (SONAME, "libZEVAHVLink.so")

MAX_PARAM_NAME = 10      # parameter name field, 9 characters and NUL
MAX_CH_NAME = 12         # channel name field, 11 characters and NUL
ENUM_TEXT_SIZE = 15      # one "Enum" text field
ENUM_COUNT = 10          # fields in the "Enum" property
EVENT_ITEM_SIZE = 20
EVENT_VALUE_SIZE = 1024
BOARD_STATES = 16

c_ushort_p = ctypes.POINTER(ctypes.c_ushort)
c_ubyte_p = ctypes.POINTER(ctypes.c_ubyte)
c_char_pp = ctypes.POINTER(ctypes.c_char_p)


class IDValue(ctypes.Structure):
    """One event record (``IDValue_t``, 1060 bytes)."""

    _fields_ = [
        ("Type", ctypes.c_int),
        ("SystemHandle", ctypes.c_int),
        ("BoardIndex", ctypes.c_int),
        ("ChannelIndex", ctypes.c_int),
        ("Item", ctypes.c_char * EVENT_ITEM_SIZE),
        ("Value", ctypes.c_ubyte * EVENT_VALUE_SIZE),
    ]


class SystemStatus(ctypes.Structure):
    """The system's state and the states of boards 0 to 15."""

    _fields_ = [("System", ctypes.c_int), ("Board", ctypes.c_int * BOARD_STATES)]


assert ctypes.sizeof(IDValue) == 1060
assert ctypes.sizeof(SystemStatus) == 17 * ctypes.sizeof(ctypes.c_int)


class LibraryNotFoundError(OSError):
    """libZEVAHVLink could not be loaded from any of the places searched."""


_P = ctypes.c_void_p
_I = ctypes.c_int
_US = ctypes.c_ushort
_U = ctypes.c_uint
_S = ctypes.c_short
_CP = ctypes.c_char_p

# name: (result type, argument types)
_PROTOTYPES = {
    "ZEVAHV_InitSystem": (_I, [_I, _I, _CP, _CP, _CP, ctypes.POINTER(_I)]),
    "ZEVAHV_DeinitSystem": (_I, [_I]),
    "ZEVAHVLibSwRel": (_CP, []),
    "ZEVAHV_GetError": (_CP, [_I]),
    "ZEVAHV_Free": (_I, [_P]),
    "ZEVAHV_GetCrateMap": (_I, [_I, c_ushort_p, ctypes.POINTER(c_ushort_p), ctypes.POINTER(_P),
                                ctypes.POINTER(_P), ctypes.POINTER(c_ushort_p),
                                ctypes.POINTER(c_ubyte_p), ctypes.POINTER(c_ubyte_p)]),
    "ZEVAHV_GetSysPropList": (_I, [_I, c_ushort_p, ctypes.POINTER(_P)]),
    "ZEVAHV_GetSysPropInfo": (_I, [_I, _CP, ctypes.POINTER(_U), ctypes.POINTER(_U)]),
    "ZEVAHV_GetSysProp": (_I, [_I, _CP, _P]),
    "ZEVAHV_SetSysProp": (_I, [_I, _CP, _P]),
    "ZEVAHV_GetExecCommList": (_I, [_I, c_ushort_p, ctypes.POINTER(_P)]),
    "ZEVAHV_ExecComm": (_I, [_I, _CP]),
    "ZEVAHV_GetBdParamInfo": (_I, [_I, _US, ctypes.POINTER(_P)]),
    "ZEVAHV_GetBdParamProp": (_I, [_I, _US, _CP, _CP, _P]),
    "ZEVAHV_GetBdParam": (_I, [_I, _US, c_ushort_p, _CP, _P]),
    "ZEVAHV_SetBdParam": (_I, [_I, _US, c_ushort_p, _CP, _P]),
    "ZEVAHV_GetChParamInfo": (_I, [_I, _US, _US, ctypes.POINTER(_P), ctypes.POINTER(_I)]),
    "ZEVAHV_GetChParamProp": (_I, [_I, _US, _US, _CP, _CP, _P]),
    "ZEVAHV_GetChParam": (_I, [_I, _US, _CP, _US, c_ushort_p, _P]),
    "ZEVAHV_SetChParam": (_I, [_I, _US, _CP, _US, c_ushort_p, _P]),
    "ZEVAHV_GetChName": (_I, [_I, _US, _US, c_ushort_p, _P]),
    "ZEVAHV_SetChName": (_I, [_I, _US, _US, c_ushort_p, _CP]),
    "ZEVAHV_SubscribeSystemParams": (_I, [_I, _S, _CP, _U, _P]),
    "ZEVAHV_SubscribeBoardParams": (_I, [_I, _S, _US, _CP, _U, _P]),
    "ZEVAHV_SubscribeChannelParams": (_I, [_I, _S, _US, _US, _CP, _U, _P]),
    "ZEVAHV_UnSubscribeSystemParams": (_I, [_I, _S, _CP, _U, _P]),
    "ZEVAHV_UnSubscribeBoardParams": (_I, [_I, _S, _US, _CP, _U, _P]),
    "ZEVAHV_UnSubscribeChannelParams": (_I, [_I, _S, _US, _US, _CP, _U, _P]),
    "ZEVAHV_GetEventData": (_I, [_I, ctypes.POINTER(SystemStatus),
                                 ctypes.POINTER(ctypes.POINTER(IDValue)), ctypes.POINTER(_U)]),
    "ZEVAHV_FreeEventData": (_I, [ctypes.POINTER(ctypes.POINTER(IDValue))]),
    # The legacy mainframes' reader: an array of 325-byte records.
    "ZEVAHVGetEventData": (_I, [_I, ctypes.POINTER(_P), ctypes.POINTER(_I)]),
    "ZEVAHVFreeEventData": (_I, [ctypes.POINTER(_P)]),
}


def candidates() -> List[str]:
    """The places searched for the library, in order."""
    found: List[str] = []
    explicit = os.environ.get(ENV_VARIABLE, "").strip()
    if explicit:
        if os.path.isdir(explicit):
            found.extend(os.path.join(explicit, n) for n in FILENAMES)
        else:
            found.append(explicit)
        # An explicit choice is the only one: a silent fallback to another
        # copy would hide a wrong setting.
        return found
    found.extend(FILENAMES)  # the loader's own path
    prefixes: List[str] = []
    for p in (sys.prefix, sys.base_prefix, "/usr/local", "/usr"):
        if p not in prefixes:
            prefixes.append(p)
    multiarch = sysconfig.get_config_var("MULTIARCH") or ""
    for p in prefixes:
        for sub in ("lib", "lib64", os.path.join("lib", multiarch) if multiarch else None):
            if sub:
                found.extend(os.path.join(p, sub, n) for n in FILENAMES)
    return found


_lock = threading.Lock()
_lib: Optional[ctypes.CDLL] = None


def _declare(lib: ctypes.CDLL) -> None:
    for name, (restype, argtypes) in _PROTOTYPES.items():
        fn = getattr(lib, name)
        fn.restype = restype
        fn.argtypes = argtypes


def _first_loadable() -> ctypes.CDLL:
    failures: List[str] = []
    empty: List[str] = []
    for path in candidates():
        # A bare file name goes to the loader's search; a path that does
        # not exist is not worth a dlopen.
        if os.sep in path and not os.path.exists(path):
            folder = os.path.dirname(path)
            if folder not in empty:
                empty.append(folder)
            continue
        try:
            lib = ctypes.CDLL(path)
            _declare(lib)
            return lib
        except OSError as e:
            failures.append(f"{path}: {e}")
        except AttributeError as e:
            failures.append(f"{path}: not the ZEVAHVLink library ({e})")
    if empty:
        failures.append("no such file in " + ", ".join(empty))
    raise LibraryNotFoundError(
        f"libZEVAHVLink could not be loaded; set {ENV_VARIABLE} to its file or folder, "
        "or install it (cmake --install).\n  " + "\n  ".join(failures))


def load() -> ctypes.CDLL:
    """The loaded library, loading it at the first call."""
    global _lib
    if _lib is not None:
        return _lib
    with _lock:
        if _lib is None:
            _lib = _first_loadable()
    return _lib


def library_path() -> Optional[str]:
    """The file the library was loaded from (after a first call), else None."""
    if _lib is None:
        return None
    name = _lib._name
    if os.sep not in name:
        # Found through the loader's path: the process's mappings tell where.
        try:
            with open("/proc/self/maps", encoding="utf-8", errors="replace") as maps:
                for line in maps:
                    path = line.split(maxsplit=5)[-1].strip()
                    if os.path.basename(path).startswith("libZEVAHVLink.so"):
                        return path
        except OSError:
            pass
    return name
