"""Codes of the library's interface as Python enumerations.

The numbers are those of ``ZEVAHVLink.h``.  System types and links can be
given to :func:`zevahvlink.open` by member, by number or by name
(``"p731x"``, ``"tcp"``); the name lookups live here too.
"""
from __future__ import annotations

import enum
from typing import Type, Union


class _Code(enum.IntEnum):
    """A code that prints as its name ("NUMERIC"), and compares as its number."""

    def __str__(self) -> str:
        return self.name

    def __format__(self, spec: str) -> str:
        return format(self.name, spec)


class SystemType(_Code):
    """The first argument of the open call: which kind of system it is."""

    KR2210 = 0
    KR2220 = 1
    KR2440 = 2
    KR2550 = 3
    W40XX = 5
    Q3815 = 6
    W7300 = 7
    P731X = 8
    RD40XX = 9
    ZBK = 10
    RD40XXE = 11
    Q2904 = 12
    LUMENHV = 13
    KQPS = 14
    Q2906 = 15


class Link(_Code):
    """The second argument of the open call: how the system is reached."""

    TCPIP = 0
    USB = 3
    OPTLINK = 4
    USBVCP = 5
    USB3 = 6
    B7301 = 7


class ParamType(_Code):
    """The "Type" property of a parameter: how its value travels."""

    NUMERIC = 0
    ONOFF = 1
    CHSTATUS = 2
    BDSTATUS = 3
    BINARY = 4
    STRING = 5
    ENUM = 6
    COMMAND = 7


class Mode(_Code):
    """The "Mode" property of a parameter (and of a system property)."""

    RDONLY = 0
    WRONLY = 1
    RDWR = 2


class SysPropType(_Code):
    """The type of a system property, as the library describes it."""

    STR = 0
    UINT2 = 2
    UINT4 = 3
    FREQ = 4


class Unit(_Code):
    """The "Unit" property of a numeric parameter."""

    NONE = 0
    AMPERE = 1
    VOLT = 2
    WATT = 3
    CELSIUS = 4
    HERTZ = 5
    BAR = 6
    VPS = 7
    SECOND = 8
    RPM = 9
    COUNT = 10
    BIT = 11

    @property
    def symbol(self) -> str:
        """The unit's usual symbol ("V", "A", "V/s"); empty for NONE."""
        return _UNIT_SYMBOLS[self]


_UNIT_SYMBOLS = {
    Unit.NONE: "", Unit.AMPERE: "A", Unit.VOLT: "V", Unit.WATT: "W",
    Unit.CELSIUS: "°C", Unit.HERTZ: "Hz", Unit.BAR: "bar", Unit.VPS: "V/s",
    Unit.SECOND: "s", Unit.RPM: "rpm", Unit.COUNT: "counts", Unit.BIT: "bit",
}

# Decimal prefixes by power of ten, for unit texts such as "uA" or "ns".
PREFIXES = {-12: "p", -9: "n", -6: "µ", -3: "m", 0: "", 3: "k", 6: "M", 9: "G"}


class EventKind(_Code):
    """What an event reports."""

    PARAMETER = 0
    LIVE_INSERTION = 1
    KEEP_ALIVE = 2
    TR_MODE = 3


# Other spellings a user may type for a link; the members' own names
# (case-insensitive) are accepted as well.
_LINK_ALIASES = {
    "tcp": Link.TCPIP,
    "tcp/ip": Link.TCPIP,
    "ip": Link.TCPIP,
    "vcp": Link.USBVCP,
    "vcp usb": Link.USBVCP,
    "usb vcp": Link.USBVCP,
    "serial": Link.USBVCP,
}

def _lookup(kind: Type[_Code], value: Union[int, str], aliases: dict,
            what: str) -> int:
    # bool is an int too, and True as a system type is surely a mistake.
    if isinstance(value, bool):
        raise TypeError(f"{what} must be a name or a code, not {value!r}")
    if isinstance(value, int):
        try:
            return kind(value)
        except ValueError:
            # A code this package does not know: the library decides.
            return int(value)
    if isinstance(value, str):
        key = value.strip().lower()
        if key in aliases:
            return aliases[key]
        for member in kind:
            if member.name.lower() == key.replace("/", "").replace(" ", ""):
                return member
        names = ", ".join(m.name.lower() for m in kind)
        raise ValueError(f"unknown {what} {value!r}; known: {names}")
    raise TypeError(f"{what} must be a name or a code, not {type(value).__name__}")


def system_type(value: Union[int, str, SystemType]) -> int:
    """The system type code for a name ("p731x"), a member or a number."""
    return _lookup(SystemType, value, {}, "system type")


def link_type(value: Union[int, str, Link]) -> int:
    """The link code for a name ("tcp", "usbvcp"), a member or a number."""
    return _lookup(Link, value, _LINK_ALIASES, "link")
