"""Reading the lists the library hands out, and giving them back.

Every list comes as a pointer into the C heap that belongs to the caller
until it is released with ``ZEVAHV_Free``.  :class:`Owned` collects such
pointers and frees every one of them when its block ends, whatever happens
inside it; the parse functions copy what they need into Python objects
first and never keep a pointer.
"""
from __future__ import annotations

import ctypes
from typing import List, Optional

from . import _clib


class Owned:
    """Pointer slots for library-allocated lists, freed at the end of a block.

    ``with Owned(lib) as owned: p = owned.pointer(); lib.Call(..., byref(p))``
    """

    def __init__(self, lib: ctypes.CDLL) -> None:
        self._lib = lib
        self._slots: List[object] = []

    def pointer(self, ctype=ctypes.c_void_p):
        """A new null pointer of ``ctype`` whose target the block will free."""
        slot = ctype()
        self._slots.append(slot)
        return slot

    def __enter__(self) -> "Owned":
        return self

    def __exit__(self, *exc) -> None:
        for slot in self._slots:
            address = ctypes.cast(slot, ctypes.c_void_p).value
            if address:
                self._lib.ZEVAHV_Free(address)
        self._slots.clear()


def _address(pointer) -> Optional[int]:
    return ctypes.cast(pointer, ctypes.c_void_p).value


def text(raw: bytes) -> str:
    """A text of the library or a device: bytes up to the first NUL."""
    return raw.split(b"\0", 1)[0].decode("latin-1")


def field_names(pointer, count: Optional[int] = None, field: int = _clib.MAX_PARAM_NAME,
                limit: int = 4096) -> List[str]:
    """Names from a run of fixed fields that ends with an empty field.

    With ``count`` the list holds that many names (the end field is not
    read); without it the run is read up to its empty field, and at most
    ``limit`` fields.
    """
    address = _address(pointer)
    if not address:
        return []
    names: List[str] = []
    n = limit if count is None else max(count, 0)
    for k in range(n):
        name = text(ctypes.string_at(address + k * field, field))
        if not name and count is None:
            break
        names.append(name)
    return names


def packed_texts(pointer, count: int) -> List[str]:
    """``count`` NUL-terminated texts one after the other (no end marker)."""
    address = _address(pointer)
    if not address or count <= 0:
        return []
    texts: List[str] = []
    offset = 0
    for _ in range(count):
        raw = ctypes.string_at(address + offset)  # up to its NUL
        texts.append(raw.decode("latin-1"))
        offset += len(raw) + 1
    return texts


def array(pointer, count: int) -> List[int]:
    """The first ``count`` elements of a typed array pointer, as ints."""
    if not _address(pointer) or count <= 0:
        return [0] * max(count, 0)
    return [int(pointer[k]) for k in range(count)]
