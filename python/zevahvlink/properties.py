"""System properties: named values of the whole system (mainframes)."""
from __future__ import annotations

import ctypes
from typing import TYPE_CHECKING, Iterator, List, MutableMapping, NamedTuple, Union

from . import _lists
from .codes import Mode, SysPropType
from .errors import NotOfferedError, OutOfRangeError

if TYPE_CHECKING:
    from .system import System

# Room for the longest text a system property may hold.
_TEXT_SIZE = 65536

PropertyValue = Union[str, int]


class PropertyInfo(NamedTuple):
    """Access mode and type of one system property."""

    mode: Union[Mode, int]
    type: Union[SysPropType, int]


class SystemProperties(MutableMapping[str, PropertyValue]):
    """The system properties by name: ``props["SymbolicName"]``, ``props[n] = v``.

    Texts are ``str``, 16- and 32-bit numbers ``int``.  The names are those
    the library lists; a family without system properties lists none.
    Properties cannot be deleted.
    """

    def __init__(self, system: "System") -> None:
        self._system = system

    def names(self) -> List[str]:
        """The names of the readable and writable properties (commands excluded)."""
        try:
            return self._system._name_list("ZEVAHV_GetSysPropList", "list the system properties")
        except NotOfferedError:
            # Register-access boards offer no list at all: none to name.
            return []

    def info(self, name: str) -> PropertyInfo:
        """The access mode and type of a property."""
        mode, ptype = ctypes.c_uint(), ctypes.c_uint()
        self._system._call("ZEVAHV_GetSysPropInfo", name.encode(), ctypes.byref(mode),
                           ctypes.byref(ptype), what=f"describe system property {name}")
        try:
            m: Union[Mode, int] = Mode(mode.value)
        except ValueError:
            m = mode.value
        try:
            t: Union[SysPropType, int] = SysPropType(ptype.value)
        except ValueError:
            t = ptype.value
        return PropertyInfo(m, t)

    def _box(self, name: str, ptype: int, value=None):
        if ptype == SysPropType.STR:
            if value is None:
                return ctypes.create_string_buffer(_TEXT_SIZE)
            if not isinstance(value, str):
                raise TypeError(f"system property {name} takes a str")
            return ctypes.create_string_buffer(value.encode("ascii"))
        ctype = ctypes.c_uint if ptype == SysPropType.UINT4 else ctypes.c_ushort
        if value is None:
            return ctype()
        if isinstance(value, bool) or not isinstance(value, int):
            raise TypeError(f"system property {name} takes an int")
        bits = 32 if ctype is ctypes.c_uint else 16
        if not 0 <= value < 1 << bits:
            raise OutOfRangeError(operation=f"set system property {name} to {value}",
                                  detail=f"not a {bits}-bit unsigned number")
        return ctype(value)

    def __getitem__(self, name: str) -> PropertyValue:
        info = self.info(name)
        box = self._box(name, info.type)
        self._system._call("ZEVAHV_GetSysProp", name.encode(), ctypes.byref(box),
                           what=f"get system property {name}")
        if isinstance(box, ctypes.Array):
            return _lists.text(box.raw)
        return int(box.value)

    def __setitem__(self, name: str, value: PropertyValue) -> None:
        info = self.info(name)
        box = self._box(name, info.type, value)
        self._system._call("ZEVAHV_SetSysProp", name.encode(), ctypes.byref(box),
                           what=f"set system property {name}")

    def __delitem__(self, name: str) -> None:
        raise TypeError("system properties cannot be deleted")

    def __contains__(self, name: object) -> bool:
        return name in self.names()

    def __iter__(self) -> Iterator[str]:
        return iter(self.names())

    def __len__(self) -> int:
        return len(self.names())

    def __repr__(self) -> str:
        return f"<SystemProperties {self.names()}>"
