"""Board and channel parameters, described by the properties the library reports."""
from __future__ import annotations

import ctypes
from typing import TYPE_CHECKING, Dict, Iterator, List, Mapping, Optional, Tuple

from . import _clib, _lists
from ._values import Value, float32
from .codes import PREFIXES, Mode, ParamType, Unit
from .errors import Error, ParameterNotFoundError, ParamPropertyNotFoundError

if TYPE_CHECKING:
    from .system import System

# Big enough for any on/off text a family reports.
_TEXT_PROPERTY_SIZE = 4096


def _enum_member(kind, value: int):
    try:
        return kind(value)
    except ValueError:
        return value


class Parameter:
    """One board or channel parameter and its properties.

    The properties are plain attributes; those that do not apply to the
    parameter's type are ``None``:

    ``type`` (:class:`ParamType`), ``mode`` (:class:`Mode`), ``minval`` and
    ``maxval`` (limits of numbers, first and last index of enumerations),
    ``unit`` (:class:`Unit`) with its power of ten ``exp``, ``decimals``,
    ``sign``, ``onstate`` and ``offstate`` (texts of the two states of an
    on/off parameter) and ``enum`` (the texts of an enumeration, index
    ``minval`` first).

    ``get()``, ``set(value)`` and the ``value`` attribute read and write it.
    """

    def __init__(self, system: "System", slot: int, channel: Optional[int], name: str,
                 props: Dict[str, object]) -> None:
        self._system = system
        self.slot = slot
        self.channel = channel
        self.name = name
        self.type: ParamType = props["Type"]  # type: ignore[assignment]
        self.mode: Mode = props["Mode"]  # type: ignore[assignment]
        self.minval: Optional[float] = props.get("Minval")  # type: ignore[assignment]
        self.maxval: Optional[float] = props.get("Maxval")  # type: ignore[assignment]
        self.unit: Optional[Unit] = props.get("Unit")  # type: ignore[assignment]
        self.exp: Optional[int] = props.get("Exp")  # type: ignore[assignment]
        self.decimals: Optional[int] = props.get("Decimal")  # type: ignore[assignment]
        self.sign: Optional[bool] = props.get("Sign")  # type: ignore[assignment]
        self.onstate: Optional[str] = props.get("Onstate")  # type: ignore[assignment]
        self.offstate: Optional[str] = props.get("Offstate")  # type: ignore[assignment]
        self.enum: Optional[Tuple[str, ...]] = props.get("Enum")  # type: ignore[assignment]

    # -- what kind of parameter it is ---------------------------------------
    @property
    def is_board_parameter(self) -> bool:
        return self.channel is None

    @property
    def readable(self) -> bool:
        return self.mode != Mode.WRONLY

    @property
    def writable(self) -> bool:
        return self.mode != Mode.RDONLY

    @property
    def has_limits(self) -> bool:
        """Whether ``minval``/``maxval`` bound a numeric value (0..0 bounds nothing)."""
        return (self.type == ParamType.NUMERIC and self.minval is not None and self.maxval is not None
                and self.maxval >= self.minval and not (self.minval == 0 == self.maxval))

    @property
    def unit_text(self) -> str:
        """The unit with its decimal prefix ("V", "µA", "ns"); "" when none."""
        if self.unit is None or self.unit == Unit.NONE or not isinstance(self.unit, Unit):
            return ""
        exp = self.exp or 0
        prefix = PREFIXES.get(exp, f"1e{exp} " if exp else "")
        return prefix + self.unit.symbol

    @property
    def range_text(self) -> str:
        lo, hi = self.minval, self.maxval
        unit = f" {self.unit_text}" if self.unit_text else ""
        return f"{lo:g}..{hi:g}{unit}" if lo is not None and hi is not None else "any value"

    # -- enumerations ----------------------------------------------------------
    @property
    def choices(self) -> Tuple[str, ...]:
        """The enumeration texts, in index order from ``minval``."""
        return self.enum or ()

    def enum_text(self, index: int):
        """The text of an enumeration index; the index itself when it has none."""
        first = int(self.minval or 0)
        k = index - first
        if self.enum and 0 <= k < len(self.enum) and self.enum[k]:
            return self.enum[k]
        return index

    def enum_index(self, text: str) -> Optional[int]:
        """The index of an enumeration text (exact, then ignoring case and blanks)."""
        first = int(self.minval or 0)
        for k, t in enumerate(self.choices):
            if t == text:
                return first + k
        folded = text.strip().lower()
        for k, t in enumerate(self.choices):
            if t.strip().lower() == folded:
                return first + k
        return None

    # -- values -----------------------------------------------------------------
    def format(self, value: Value) -> str:
        """A value as an operator reads it: "1250.5 V", "On", "0.5 µs"."""
        if self.type == ParamType.ONOFF and isinstance(value, (bool, int)):
            text = self.onstate if value else self.offstate
            return text or str(int(value))
        unit = self.unit_text
        if self.type == ParamType.NUMERIC and isinstance(value, float):
            shown = f"{value:.{self.decimals}f}" if self.decimals is not None else f"{value:g}"
        else:
            shown = str(value)
        return f"{shown} {unit}" if unit and self.type in (ParamType.NUMERIC, ParamType.ENUM) \
            else shown

    def get(self, raw: bool = False) -> Value:
        """Reads the parameter (see :meth:`System.get` for the value's form)."""
        return self._system.get(self.slot, self.name, channels=self.channel, raw=raw)

    def set(self, value: Value) -> None:
        """Writes the parameter (see :meth:`System.set`)."""
        self._system.set(self.slot, self.name, value, channels=self.channel)

    value = property(lambda self: self.get(), lambda self, v: self.set(v),
                     doc="The parameter's value, read from or written to the device.")

    def __repr__(self) -> str:
        where = f"slot {self.slot}" + ("" if self.channel is None else f" channel {self.channel}")
        bits = [f"{self.name!r} ({where})", getattr(self.type, "name", str(self.type)),
                getattr(self.mode, "name", str(self.mode))]
        if self.type == ParamType.NUMERIC:
            bits.append(self.range_text)
        elif self.type == ParamType.ONOFF:
            bits.append(f"{self.onstate!r}/{self.offstate!r}")
        elif self.type == ParamType.ENUM:
            bits.append(repr(list(self.choices)))
        return f"<Parameter {' '.join(bits)}>"


class Parameters(Mapping[str, Parameter]):
    """The parameters of one board or channel by name, in the library's order."""

    def __init__(self, where: str, items: List[Parameter]) -> None:
        self._where = where
        self._items = {p.name: p for p in items}

    def __getitem__(self, name: str) -> Parameter:
        try:
            return self._items[name]
        except KeyError:
            raise ParameterNotFoundError(
                operation=f"parameter {name!r} of {self._where}",
                detail=f"known: {', '.join(self._items) or 'none'}") from None

    def __iter__(self) -> Iterator[str]:
        return iter(self._items)

    def __len__(self) -> int:
        return len(self._items)

    def __repr__(self) -> str:
        return f"<Parameters of {self._where}: {', '.join(self._items)}>"


# -- reading the properties ------------------------------------------------------

def _number(ctype, convert=int):
    def read(fetch):
        box = ctype()
        fetch(ctypes.byref(box))
        return convert(box.value)
    return read


def _text(fetch) -> str:
    buf = ctypes.create_string_buffer(_TEXT_PROPERTY_SIZE)
    fetch(buf)
    return _lists.text(buf.raw)


def _enum_texts(fetch) -> Tuple[str, ...]:
    size = _clib.ENUM_COUNT * _clib.ENUM_TEXT_SIZE
    buf = ctypes.create_string_buffer(size + _clib.ENUM_TEXT_SIZE)
    fetch(buf)
    return tuple(_lists.text(buf.raw[k * _clib.ENUM_TEXT_SIZE:(k + 1) * _clib.ENUM_TEXT_SIZE])
                 for k in range(_clib.ENUM_COUNT))


_READERS = {
    "Type": _number(ctypes.c_uint, lambda v: _enum_member(ParamType, v & 0xFFFF)),
    "Mode": _number(ctypes.c_uint, lambda v: _enum_member(Mode, v)),
    "Sign": _number(ctypes.c_uint, bool),
    "Minval": _number(ctypes.c_float, float32),
    "Maxval": _number(ctypes.c_float, float32),
    "Unit": _number(ctypes.c_ushort, lambda v: _enum_member(Unit, v)),
    "Exp": _number(ctypes.c_short),
    "Decimal": _number(ctypes.c_ushort),
    "Onstate": _text,
    "Offstate": _text,
    "Enum": _enum_texts,
}

# The properties worth asking for, by the parameter's type.
_BY_TYPE = {
    ParamType.NUMERIC: ("Minval", "Maxval", "Unit", "Exp", "Decimal", "Sign"),
    ParamType.ONOFF: ("Onstate", "Offstate"),
    ParamType.ENUM: ("Minval", "Maxval", "Enum", "Unit", "Exp"),
}


def describe(system: "System", slot: int, channel: Optional[int], name: str) -> Parameter:
    """Reads a parameter's properties; those the family does not serve are None."""
    props: Dict[str, object] = {}

    def ask(prop: str):
        def fetch(pointer) -> None:
            if channel is None:
                system._call("ZEVAHV_GetBdParamProp", slot, name.encode(), prop.encode(),
                             pointer, what=f"property {prop} of {name}")
            else:
                system._call("ZEVAHV_GetChParamProp", slot, channel, name.encode(),
                             prop.encode(), pointer, what=f"property {prop} of {name}")
        try:
            props[prop] = _READERS[prop](fetch)
        except ParamPropertyNotFoundError:
            pass

    ask("Type")
    ask("Mode")
    if "Type" not in props:
        raise Error(operation=f"describe {name}", detail="the library reports no type")
    props.setdefault("Mode", Mode.RDWR)
    for prop in _BY_TYPE.get(props["Type"], ()):  # type: ignore[call-overload]
        ask(prop)
    enum = props.get("Enum")
    if enum is not None:
        # Only the texts from Minval to Maxval are the enumeration's.
        lo, hi = props.get("Minval"), props.get("Maxval")
        count = int(hi) - int(lo) + 1 if lo is not None and hi is not None else 0
        props["Enum"] = tuple(enum)[:max(0, min(count, _clib.ENUM_COUNT))]  # type: ignore[arg-type]
    return Parameter(system, slot, channel, name, props)
