"""An open system: the handle, and every call that takes it."""
from __future__ import annotations

import ctypes
import operator
import threading
import warnings
from typing import Dict, Iterable, List, Optional, Sequence, Tuple, Union

from . import _clib, _lists
from ._values import Value, decode, encode, from_word
from .codes import Link, Mode, ParamType, SystemType, link_type, system_type
from .crate import Board
from .errors import (Error, InvalidArgumentError, NotConnectedError, OutOfRangeError,
                     ParameterNotFoundError, SlotNotPresentError, error_for)
from .parameters import Parameter, Parameters, describe
from .properties import SystemProperties

Numbers = Union[int, Iterable[int]]

# Room for one text value read from a parameter.
_TEXT_VALUE_SIZE = 4096
_USHORT_MAX = 0xFFFF


def _c_text(text: str, what: str) -> bytes:
    """A text for the library: ASCII, and no NUL that would cut it short."""
    if not isinstance(text, str):
        raise TypeError(f"{what} must be a str, not {type(text).__name__}")
    if "\0" in text:
        raise InvalidArgumentError(operation=what, detail=f"{text!r} holds a NUL character")
    try:
        return text.encode("ascii")
    except UnicodeEncodeError:
        raise InvalidArgumentError(operation=what, detail=f"{text!r} is not ASCII") from None


def _numbers(value: Numbers, what: str) -> Tuple[List[int], bool]:
    """Slot or channel numbers from one int or an iterable; and whether it was one."""
    single = not isinstance(value, Iterable)
    items = [value] if single else list(value)  # type: ignore[list-item]
    if len(items) > _USHORT_MAX:
        # The count travels as an unsigned short.
        raise OutOfRangeError(operation=f"{len(items)} {what}s", detail=f"at most {_USHORT_MAX}")
    out = []
    for item in items:
        if isinstance(item, bool):
            raise TypeError(f"a {what} number must be an int, not bool")
        try:
            n = operator.index(item)
        except TypeError:
            raise TypeError(f"a {what} number must be an int, not {type(item).__name__}") \
                from None
        if not 0 <= n <= _USHORT_MAX:
            raise OutOfRangeError(operation=f"{what} {n}", detail=f"no such {what}")
        out.append(n)
    return out, single


def _ushorts(values: Sequence[int]):
    return (ctypes.c_ushort * max(len(values), 1))(*values)


class System:
    """An open system. Use :func:`zevahvlink.open` to get one.

    Closing it (``close()``, or the end of its ``with`` block) closes the
    library's handle; afterwards every call raises :class:`NotConnectedError`.
    One :class:`System` may be used from several threads.
    """

    def __init__(self, system: Union[int, str, SystemType], link: Union[int, str, Link],
                 address: str, user: str = "", password: str = "") -> None:
        self.type = system_type(system)
        self.link = link_type(link)
        self.address = address
        self._handle: Optional[int] = None
        self._lock = threading.RLock()
        self._names: Dict[Tuple[int, Optional[int]], List[str]] = {}
        self._descriptions: Dict[Tuple[int, Optional[int], str], Parameter] = {}
        self._channel_counts: Optional[Dict[int, int]] = None
        self._hub = None
        self._stream = None
        what = f"open {self.label}"
        arg = _c_text(address, what)
        lib = _clib.load()
        handle = ctypes.c_int(-1)
        rc = lib.ZEVAHV_InitSystem(int(self.type), int(self.link), arg,
                                   _c_text(user, what), _c_text(password, what),
                                   ctypes.byref(handle))
        if rc != 0:
            raise error_for(rc, "", what)
        self._lib = lib
        self._handle = handle.value

    # -- life ---------------------------------------------------------------------
    def __enter__(self) -> "System":
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def __del__(self) -> None:
        if getattr(self, "_handle", None) is not None:
            warnings.warn(f"{self} was not closed", ResourceWarning, source=self)
            try:
                self.close()
            except Exception:
                pass

    def _current_stream(self):
        ref = self._stream
        return ref() if ref is not None else None

    @property
    def closed(self) -> bool:
        return self._handle is None

    @property
    def handle(self) -> int:
        """The library's handle of the system (0..99)."""
        return self._require_open("handle")

    def close(self) -> None:
        """Ends a running event stream and closes the system; a second close does nothing."""
        stream = self._current_stream()
        if stream is not None:
            try:
                stream.close()
            except Error:
                pass  # the subscriptions go with the system anyway
        with self._lock:
            if self._handle is None:
                return
            handle, self._handle = self._handle, None
            rc = self._lib.ZEVAHV_DeinitSystem(handle)
            if self._hub is not None:
                self._hub.close()
                self._hub = None
        if rc != 0:
            raise error_for(rc, "", f"close {self.label}")

    @property
    def label(self) -> str:
        """Type, link and address, as in messages: "P731X TCPIP 127.0.0.1:47001_0"."""
        kind = self.type.name if isinstance(self.type, SystemType) else f"type {self.type}"
        link = self.link.name if isinstance(self.link, Link) else f"link {self.link}"
        return f"{kind} {link} {self.address}"

    def __repr__(self) -> str:
        state = " (closed)" if self._handle is None else ""
        return f"<System {self.label}{state}>"

    __str__ = __repr__

    # -- calling the library ---------------------------------------------------------
    def _require_open(self, what: str) -> int:
        handle = self._handle
        if handle is None:
            raise NotConnectedError(operation=what, detail=f"{self.label} is closed")
        return handle

    def _call(self, function: str, *args, what: str, detail: str = "") -> None:
        """Calls a library function with the handle first; raises on failure."""
        with self._lock:
            handle = self._require_open(what)
            rc = getattr(self._lib, function)(handle, *args)
            if rc == 0:
                return
            text = self._error_text(handle)
        if rc == 20:
            self.forget()  # the layout changed: descriptions are stale
        raise error_for(rc, text, f"{what} on {self.label}", detail)

    def _error_text(self, handle: int) -> str:
        raw = self._lib.ZEVAHV_GetError(handle)
        return raw.decode("latin-1").strip() if raw else ""

    @property
    def error_text(self) -> str:
        """The library's text for the last failure ("" where the family keeps none)."""
        with self._lock:
            return self._error_text(self._require_open("error text"))

    def forget(self) -> None:
        """Drops the parameter descriptions read so far; they are read again when needed.

        Reading the crate does this too, and so does a live insertion event.
        """
        with self._lock:
            self._names.clear()
            self._descriptions.clear()
            self._channel_counts = None

    # -- crate ----------------------------------------------------------------------
    @property
    def crate(self) -> List[Board]:
        """The boards present, in slot order, read from the system now."""
        return [b for b in self._crate_map() if b.channel_count or b.model]

    def board(self, slot: int) -> Board:
        """The board in a slot; :class:`SlotNotPresentError` for an empty slot."""
        (slot,), _ = _numbers(slot, "slot")
        boards = self._crate_map()
        if slot >= len(boards) or not (boards[slot].channel_count or boards[slot].model):
            raise SlotNotPresentError(operation=f"board in slot {slot} of {self.label}")
        return boards[slot]

    def _crate_map(self) -> List[Board]:
        count = ctypes.c_ushort()
        with _lists.Owned(self._lib) as owned:
            channels = owned.pointer(_clib.c_ushort_p)
            models = owned.pointer()
            descriptions = owned.pointer()
            serials = owned.pointer(_clib.c_ushort_p)
            minor = owned.pointer(_clib.c_ubyte_p)
            major = owned.pointer(_clib.c_ubyte_p)
            self._call("ZEVAHV_GetCrateMap", ctypes.byref(count), ctypes.byref(channels),
                       ctypes.byref(models), ctypes.byref(descriptions), ctypes.byref(serials),
                       ctypes.byref(minor), ctypes.byref(major), what="read the crate map")
            n = count.value
            boards = [Board(self, slot, model, desc, serial, (hi, lo), nch)
                      for slot, (model, desc, serial, hi, lo, nch) in enumerate(zip(
                          _lists.packed_texts(models, n), _lists.packed_texts(descriptions, n),
                          _lists.array(serials, n), _lists.array(major, n),
                          _lists.array(minor, n), _lists.array(channels, n)))]
        self.forget()
        self._channel_counts = {b.slot: b.channel_count for b in boards}
        return boards

    def _check_channels(self, slot: int, channels: List[int], what: str) -> None:
        """Refuses channels beyond the slot's board, as the crate map counts them.

        Families differ in what they answer for such a channel (a mainframe
        says its configuration changed); this way every one says the same.
        """
        counts = self._channel_counts
        if counts is None:
            self._crate_map()
            counts = self._channel_counts or {}
        n = counts.get(slot, 0)
        beyond = [c for c in channels if c >= n]
        if n and beyond:
            raise OutOfRangeError(operation=f"{what} on {self.label}",
                                  detail=f"the board in slot {slot} has channels 0..{n - 1}")

    # -- parameters -------------------------------------------------------------------
    def _parameter_names(self, slot: int, channel: Optional[int]) -> List[str]:
        key = (slot, channel)
        names = self._names.get(key)
        if names is not None:
            return names
        with _lists.Owned(self._lib) as owned:
            listed = owned.pointer()
            if channel is None:
                self._call("ZEVAHV_GetBdParamInfo", slot, ctypes.byref(listed),
                           what=f"list the parameters of slot {slot}")
                names = _lists.field_names(listed)
            else:
                count = ctypes.c_int()
                self._call("ZEVAHV_GetChParamInfo", slot, channel, ctypes.byref(listed),
                           ctypes.byref(count),
                           what=f"list the parameters of slot {slot} channel {channel}")
                names = _lists.field_names(listed, count.value)
        self._names[key] = names
        return names

    def _where(self, slot: int, channel: Optional[int]) -> str:
        return f"slot {slot}" + ("" if channel is None else f" channel {channel}")

    def _describe(self, slot: int, channel: Optional[int], name: str) -> Parameter:
        key = (slot, channel, name)
        param = self._descriptions.get(key)
        if param is not None:
            return param
        if name not in self._parameter_names(slot, channel):
            raise self._not_found(slot, channel, name)
        param = describe(self, slot, channel, name)
        self._descriptions[key] = param
        return param

    def _not_found(self, slot: int, channel: Optional[int], name: str) -> Error:
        hint = ""
        try:
            if channel is None and name in self._parameter_names(slot, 0):
                hint = f"{name} is a channel parameter: give channels="
            elif channel is not None and name in self._parameter_names(slot, None):
                hint = f"{name} is a board parameter: leave channels out"
        except Error:
            pass
        return ParameterNotFoundError(operation=f"{name} of {self._where(slot, channel)}",
                                      detail=hint)

    def _parameters(self, slot: int, channel: Optional[int]) -> Parameters:
        names = self._parameter_names(slot, channel)
        return Parameters(self._where(slot, channel),
                          [self._describe(slot, channel, n) for n in names])

    def parameter(self, slot: int, name: str, channel: Optional[int] = None) -> Parameter:
        """The description of one board parameter, or of a channel's parameter."""
        (slot,), _ = _numbers(slot, "slot")
        if channel is not None:
            (channel,), _ = _numbers(channel, "channel")
        return self._describe(slot, channel, name)

    def get(self, slot: Numbers, name: str, channels: Optional[Numbers] = None, *,
            raw: bool = False) -> Union[Value, List[Value]]:
        """Reads a parameter.

        Without ``channels`` it is a board parameter of the slot (or of each
        slot of a list); with ``channels`` (an int, or a list or range) a
        channel parameter of those channels.  One number gives one value,
        a list gives a list in the same order.

        Values: ``float`` for numbers, ``bool`` for on/off parameters, the
        text for enumerations (the index with ``raw=True``), ``int`` for
        status words and ``str`` for texts.
        """
        param, slots, chans, single = self._target(slot, name, channels)
        if param is None:
            return []
        what = f"get {name} of " + self._where_list(slots, chans)
        detail = f"{name} is write-only" if param.mode == Mode.WRONLY else ""
        if param.type == ParamType.STRING:
            values = [self._read_text(param, s, c, what, detail)
                      for s, c in self._each(slots, chans)]
        else:
            values = self._read_words(param, slots, chans, what, detail)
        out = [decode(param, v, raw) for v in values]
        return out[0] if single else out

    def set(self, slot: Numbers, name: str, value: Value,
            channels: Optional[Numbers] = None) -> None:
        """Writes one value to a parameter of a slot (or slots), or of the listed channels.

        The value may be a number, a bool or an on/off text, an enumeration
        text or index, or a text, as the parameter takes; one outside the
        parameter's limits raises :class:`OutOfRangeError` before anything
        is sent.
        """
        param, slots, chans, _ = self._target(slot, name, channels)
        if param is None:
            return
        box = encode(param, value)
        if chans:
            self._check_every_channel(param, slots[0], chans, value)
        what = f"set {name} of {self._where_list(slots, chans)} to {value!r}"
        detail = f"{name} is read-only" if param.mode == Mode.RDONLY else ""
        cname = _c_text(name, what)
        if chans is None:
            self._call("ZEVAHV_SetBdParam", len(slots), _ushorts(slots), cname,
                       ctypes.byref(box), what=what, detail=detail)
        else:
            self._call("ZEVAHV_SetChParam", slots[0], cname, len(chans), _ushorts(chans),
                       ctypes.byref(box), what=what, detail=detail)

    def _check_every_channel(self, param: Parameter, slot: int, chans: List[int],
                             value: Value) -> None:
        """Checks a value against the limits of every listed channel.

        The channels of one board may have limits of their own (the
        outputs of a crate supply, the halves of a mixed board); a list is
        never written only up to the channel that refuses the value.
        """
        if param.type not in (ParamType.NUMERIC, ParamType.ENUM):
            return
        for c in chans[1:]:
            own = self._describe(slot, c, param.name)
            if (own.minval, own.maxval) == (param.minval, param.maxval):
                continue
            try:
                encode(own, value)
            except OutOfRangeError as e:
                e.operation = f"set {param.name} of {self._where(slot, c)} to {value!r}"
                raise

    def _target(self, slot: Numbers, name: str, channels: Optional[Numbers]):
        _c_text(name, "parameter name")
        if channels is None:
            slots, single = _numbers(slot, "slot")
            chans = None
            first = (slots[0], None) if slots else None
        else:
            (one_slot,), _ = _numbers(slot, "slot")
            slots = [one_slot]
            chans, single = _numbers(channels, "channel")
            self._check_channels(one_slot, chans, f"{name} of {self._where_list(slots, chans)}")
            first = (one_slot, chans[0]) if chans else None
        if first is None:
            return None, slots, chans, False
        return self._describe(first[0], first[1], name), slots, chans, single

    @staticmethod
    def _each(slots: List[int], chans: Optional[List[int]]):
        if chans is None:
            return [(s, None) for s in slots]
        return [(slots[0], c) for c in chans]

    def _where_list(self, slots: List[int], chans: Optional[List[int]]) -> str:
        s = f"slot {slots[0]}" if len(slots) == 1 else f"slots {slots}"
        if chans is None:
            return s
        return s + (f" channel {chans[0]}" if len(chans) == 1 else f" channels {chans}")

    def _read_words(self, param: Parameter, slots: List[int], chans: Optional[List[int]],
                    what: str, detail: str) -> List:
        n = len(slots) if chans is None else len(chans)
        buf = (ctypes.c_ubyte * (4 * n))()
        cname = param.name.encode()
        if chans is None:
            self._call("ZEVAHV_GetBdParam", n, _ushorts(slots), cname, buf, what=what,
                       detail=detail)
        else:
            self._call("ZEVAHV_GetChParam", slots[0], cname, n, _ushorts(chans), buf, what=what,
                       detail=detail)
        raw = bytes(buf)
        return [from_word(raw[4 * k:4 * k + 4], param.type) for k in range(n)]

    def _read_text(self, param: Parameter, slot: int, channel: Optional[int], what: str,
                   detail: str) -> str:
        # One call per element: the library does not say how far apart it
        # puts the texts of several elements.
        buf = ctypes.create_string_buffer(_TEXT_VALUE_SIZE)
        one = _ushorts([slot if channel is None else channel])
        if channel is None:
            self._call("ZEVAHV_GetBdParam", 1, one, param.name.encode(), buf, what=what,
                       detail=detail)
        else:
            self._call("ZEVAHV_GetChParam", slot, param.name.encode(), 1, one, buf, what=what,
                       detail=detail)
        return _lists.text(buf.raw)

    # -- channel names ------------------------------------------------------------------
    def channel_names(self, slot: int, channels: Numbers) -> List[str]:
        """The names of the listed channels of a slot."""
        (slot,), _ = _numbers(slot, "slot")
        chans, _ = _numbers(channels, "channel")
        if not chans:
            return []
        self._check_channels(slot, chans, f"names of {self._where_list([slot], chans)}")
        buf = ctypes.create_string_buffer(_clib.MAX_CH_NAME * len(chans))
        self._call("ZEVAHV_GetChName", slot, len(chans), _ushorts(chans), buf,
                   what=f"get the names of {self._where_list([slot], chans)}")
        raw = buf.raw
        return [_lists.text(raw[k * _clib.MAX_CH_NAME:(k + 1) * _clib.MAX_CH_NAME])
                for k in range(len(chans))]

    def set_channel_name(self, slot: int, channels: Numbers, name: str) -> None:
        """Gives the listed channels of a slot one name (mainframes only)."""
        (slot,), _ = _numbers(slot, "slot")
        chans, _ = _numbers(channels, "channel")
        what = f"name {self._where_list([slot], chans)} {name!r}"
        if len(name) >= _clib.MAX_CH_NAME:
            raise OutOfRangeError(operation=what,
                                  detail=f"at most {_clib.MAX_CH_NAME - 1} characters")
        if chans:
            self._check_channels(slot, chans, what)
            self._call("ZEVAHV_SetChName", slot, len(chans), _ushorts(chans),
                       _c_text(name, what), what=what)

    # -- system properties and commands -------------------------------------------------------
    @property
    def properties(self) -> SystemProperties:
        """The system properties as a mapping of name to value."""
        return SystemProperties(self)

    def _name_list(self, function: str, what: str) -> List[str]:
        count = ctypes.c_ushort()
        with _lists.Owned(self._lib) as owned:
            listed = owned.pointer()
            self._call(function, ctypes.byref(count), ctypes.byref(listed), what=what)
            return _lists.packed_texts(listed, count.value)

    @property
    def commands(self) -> List[str]:
        """The names of the commands that :meth:`execute` runs."""
        return self._name_list("ZEVAHV_GetExecCommList", "list the commands")

    def execute(self, command: str) -> None:
        """Runs a command of the system ("Kill", "ClearAlarm", "ClrAlarm" ...)."""
        what = f"execute {command}"
        self._call("ZEVAHV_ExecComm", _c_text(command, what), what=what)

    # -- events --------------------------------------------------------------------------
    def events(self, items, *, timeout: Optional[float] = 15.0,
               duration: Optional[float] = None, keepalive: bool = False,
               host: Optional[str] = None):
        """Subscribes to items and yields their events; see :class:`EventStream`."""
        from .events import EventStream
        return EventStream(self, items, timeout=timeout, duration=duration,
                           keepalive=keepalive, host=host)


def open(system: Union[int, str, SystemType], link: Union[int, str, Link], address: str, *,
         user: str = "", password: str = "") -> System:
    """Opens a system and returns it; use it in a ``with`` block to close it.

    ``system`` is a type name ("p731x", "kr2440"), a :class:`SystemType` or
    its code; ``link`` a link name ("tcp", "usbvcp", "usb", "optlink",
    "usb3", "b7301"), a :class:`Link` or its code.  ``address`` is what the
    family expects: "IP_BOARD" for modules over TCP ("192.168.0.50_0",
    with ":PORT" after the IP address for a simulator), "PORT_BAUD_DATA_STOP_PARITY_BOARD"
    over a serial port, the IP address of a mainframe.  ``user`` and
    ``password`` are for the mainframe login.
    """
    return System(system, link, address, user=user, password=password)


def library_release() -> str:
    """The library's release text ("6.4")."""
    raw = _clib.load().ZEVAHVLibSwRel()
    return raw.decode("latin-1") if raw else ""
