"""Watching values change: subscriptions and the events that follow them.

The library does not call back.  A client listens on a TCP port of its own,
subscribes items naming that port, and accepts the connection that arrives:
from the library's polling thread on this host for modules (which first
sends one NUL-terminated identification text), from the mainframe itself
for mainframes.  Each frame on the connection is read with
``ZEVAHV_GetEventData``.  A legacy mainframe sends datagrams to the port
instead, read with ``ZEVAHVGetEventData`` (see ``_hub`` and ``_records``).
"""
from __future__ import annotations

import collections
import ctypes
import ipaddress
import time
import weakref
from dataclasses import dataclass, field
from typing import (TYPE_CHECKING, Any, Deque, Dict, Iterable, Iterator, List, NamedTuple,
                    Optional, Tuple, Union)

from . import _lists
from ._hub import INTERRUPTED, POLLING_PEER, Hub
from ._records import Record
from ._values import Value, decode, from_word
from .codes import EventKind, ParamType, SysPropType, SystemType
from .errors import NoDataError, SubscriptionError
from .parameters import Parameter

if TYPE_CHECKING:
    from .system import System

_ALWAYS_DELIVERED = {"KeepAlive", "LiveInsertion", "LiveInsRem"}
# Systems that send their events themselves, from their own address: as a
# stream to the port (current mainframes) or as datagrams (legacy ones).
# Every other family's events come from the library's polling thread here.
_CRATE_STREAM = {SystemType.KR2440, SystemType.KR2550}
_CRATE_DATAGRAMS = {SystemType.KR2210, SystemType.KR2220}


class Status(NamedTuple):
    """States of the system and its boards 0..15 sent with mainframe events (0..3)."""

    system: int
    boards: Tuple[int, ...]


@dataclass(frozen=True)
class Event:
    """One event.

    ``kind`` says what it is; parameter and property events carry ``name``,
    ``slot`` (None for a system property), ``channel`` (None for board
    parameters) and the new ``value`` in the same form as
    :meth:`System.get` returns it.  ``time`` is when it was read
    (``time.time()``), ``status`` the system's and boards' states as sent
    with it.
    """

    kind: EventKind
    name: str
    slot: Optional[int]
    channel: Optional[int]
    value: Value
    time: float
    status: Status = field(repr=False)
    parameter: Optional[Parameter] = field(default=None, repr=False, compare=False)

    def __str__(self) -> str:
        where = "" if self.slot is None else f" slot {self.slot}"
        if self.channel is not None:
            where += f" channel {self.channel}"
        shown = self.parameter.format(self.value) if self.parameter else repr(self.value)
        return f"{self.name}{where} = {shown}"


ItemSpec = Union[str, Parameter, Tuple[int, str], Tuple[int, Any, str]]


@dataclass
class _Item:
    slot: Optional[int]
    channel: Optional[int]
    name: str
    parameter: Optional[Parameter]   # None for a system property
    text: bool                       # a system property that holds text

    def __str__(self) -> str:
        where = "system" if self.slot is None else f"slot {self.slot}" + (
            "" if self.channel is None else f" channel {self.channel}")
        return f"{self.name} ({where})"


def _one_item(value: Any) -> bool:
    if isinstance(value, (str, Parameter)):
        return True
    return isinstance(value, tuple) and len(value) in (2, 3) and isinstance(value[-1], str) \
        and not isinstance(value[0], (str, tuple))


def _items(system: "System", items: Union[ItemSpec, Iterable[ItemSpec]]) -> List[_Item]:
    from .system import _numbers
    specs = [items] if _one_item(items) else list(items)  # type: ignore[arg-type]
    out: List[_Item] = []
    seen = set()

    def add(item: _Item) -> None:
        key = (item.slot, item.channel, item.name)
        if key not in seen:
            seen.add(key)
            out.append(item)

    for spec in specs:
        if isinstance(spec, Parameter):
            add(_Item(spec.slot, spec.channel, spec.name, spec, False))
        elif isinstance(spec, str):
            if spec in _ALWAYS_DELIVERED:
                continue
            info = system.properties.info(spec)
            add(_Item(None, None, spec, None, info.type == SysPropType.STR))
        elif isinstance(spec, tuple) and len(spec) == 2 and isinstance(spec[1], str):
            (slot,), _ = _numbers(spec[0], "slot")
            add(_Item(slot, None, spec[1], system.parameter(slot, spec[1]), False))
        elif isinstance(spec, tuple) and len(spec) == 3 and isinstance(spec[2], str):
            (slot,), _ = _numbers(spec[0], "slot")
            channels, _ = _numbers(spec[1], "channel")
            for ch in channels:
                add(_Item(slot, ch, spec[2], system.parameter(slot, spec[2], ch), False))
        else:
            raise TypeError(f"an event item is a system property name, (slot, name), "
                            f"(slot, channels, name) or a Parameter, not {spec!r}")
    return out


def _port_argument(port: int) -> int:
    # The port travels as a C short; the library reads it back as unsigned.
    return port - 0x10000 if port > 0x7FFF else port


def _listen_host(system_type: int, address: str) -> str:
    """Loopback unless the system is a mainframe elsewhere on the network.

    Polling threads connect from this host whatever the device's address;
    only a mainframe at another address sends from outside, and then the
    port must be reachable.
    """
    if system_type not in _CRATE_STREAM and system_type not in _CRATE_DATAGRAMS:
        return POLLING_PEER
    head = address.split(":", 1)[0].split("_", 1)[0]
    try:
        ip = ipaddress.IPv4Address(head)
    except ValueError:
        return POLLING_PEER
    return POLLING_PEER if ip.is_loopback else "0.0.0.0"


def _printable(value: bytes) -> bool:
    text = value.split(b"\0", 1)[0]
    return bool(text) and len(text) < len(value) and all(0x20 <= b < 0x7F for b in text)


class EventStream(Iterator[Event]):
    """The events of a set of subscribed items, as an iterator.

    Made by :meth:`System.events`, which subscribes the items at once.
    Iterating yields :class:`Event` objects as frames arrive; ending the
    loop (or ``close()``, or the end of a ``with`` block) unsubscribes
    the items.

    Items: a system property name, ``(slot, name)`` for a board parameter,
    ``(slot, channels, name)`` for a channel parameter (``channels`` an int
    or a list or range), or a :class:`Parameter`.

    ``timeout``: seconds to wait for the next event before raising
    :class:`NoDataError` (None waits for ever).  ``duration``: seconds after
    which the iteration ends by itself.  ``keepalive``: also yield the
    mainframes' keep-alive events.  ``host``: the address to listen on
    (by default this host's loopback, or every address for a mainframe
    elsewhere on the network).

    A system has one stream at a time.
    """

    def __init__(self, system: "System", items, *, timeout: Optional[float] = 15.0,
                 duration: Optional[float] = None, keepalive: bool = False,
                 host: Optional[str] = None) -> None:
        for name, v in (("timeout", timeout), ("duration", duration)):
            if v is not None and not v >= 0:
                raise ValueError(f"{name} must be a number of seconds, not {v!r}")
        self._system = system
        self._timeout = timeout
        self._keepalive = keepalive
        self._buffer: Deque[Event] = collections.deque()
        self._subscribed: List[_Item] = []
        self._closed = True
        parsed = _items(system, items)
        if not parsed:
            raise ValueError("no items to watch (keep-alive and live insertion events "
                             "come with any subscription)")
        self._by_key: Dict[Tuple[Optional[int], Optional[int], str], _Item] = {
            (i.slot, i.channel, i.name): i for i in parsed}
        with system._lock:
            if system._current_stream() is not None:
                raise RuntimeError(f"{system} has an event stream open already; close it first")
            system._require_open("listen for events")
            if system._hub is None:
                system._hub = Hub()
            self._hub: Hub = system._hub
            self._port = self._hub.listen(host or _listen_host(system.type, system.address),
                                          datagrams=system.type in _CRATE_DATAGRAMS)
            # Weakly held, so that a loop's stream ends (and unsubscribes)
            # as soon as the loop lets go of it.
            system._stream = weakref.ref(self)
            self._closed = False
        try:
            self._change(parsed, subscribe=True)
        except BaseException:
            self.close()
            raise
        self._end = None if duration is None else time.monotonic() + duration

    @property
    def port(self) -> int:
        """The local port the events arrive on."""
        return self._port

    @property
    def items(self) -> List[str]:
        """The subscribed items, as text."""
        return [str(i) for i in self._subscribed]

    def _change(self, items: List[_Item], subscribe: bool) -> None:
        """Subscribes or unsubscribes items, grouped by board and channel."""
        groups: Dict[Tuple[Optional[int], Optional[int]], List[_Item]] = {}
        for item in items:
            groups.setdefault((item.slot, item.channel), []).append(item)
        port = _port_argument(self._port)
        verb = "Subscribe" if subscribe else "UnSubscribe"
        refused: List[Tuple[int, _Item]] = []
        for (slot, channel), group in groups.items():
            names = ":".join(i.name for i in group).encode("ascii")
            results = (ctypes.c_ubyte * len(group))(*([0xFF] * len(group)))
            what = f"{verb.lower()} {', '.join(map(str, group))}"
            if slot is None:
                self._system._call(f"ZEVAHV_{verb}SystemParams", port, names, len(group),
                                   results, what=what)
            elif channel is None:
                self._system._call(f"ZEVAHV_{verb}BoardParams", port, slot, names,
                                   len(group), results, what=what)
            else:
                self._system._call(f"ZEVAHV_{verb}ChannelParams", port, slot, channel, names,
                                   len(group), results, what=what)
            for item, code in zip(group, results):
                if code == 0:
                    if subscribe:
                        self._subscribed.append(item)
                elif subscribe:
                    refused.append((code, item))
        if refused:
            raise SubscriptionError(refused[0][0], [i for _, i in refused],
                                    f"subscribe on {self._system.label}")

    # -- iteration --------------------------------------------------------------------------
    def __iter__(self) -> "EventStream":
        return self

    def __next__(self) -> Event:
        while not self._buffer:
            if self._closed:
                raise StopIteration
            now = time.monotonic()
            if self._end is not None and now >= self._end:
                self.close()
                raise StopIteration
            waits = [t for t in (self._end,
                                 None if self._timeout is None else now + self._timeout)
                     if t is not None]
            batch = self._hub.wait_batch(min(waits) if waits else None)
            if batch is INTERRUPTED:
                self._closed = True  # closed meanwhile, from another thread
                raise StopIteration
            if batch is None:
                if self._end is not None and time.monotonic() >= self._end:
                    continue
                raise NoDataError(operation=f"events of {self._system.label}",
                                  detail=f"none within {self._timeout:g} s")
            self._buffer.extend(self._decode(*batch))
        return self._buffer.popleft()

    def _decode(self, records: List[Record],
                status: Tuple[int, Tuple[int, ...]]) -> Iterator[Event]:
        now = time.time()
        for r in records:
            slot = r.board if r.board >= 0 else None
            chan = r.channel if r.channel >= 0 else None
            if r.kind != EventKind.PARAMETER:
                if r.kind == EventKind.KEEP_ALIVE and not self._keepalive:
                    continue
                if r.kind == EventKind.LIVE_INSERTION:
                    self._system.forget()
                try:
                    k = EventKind(r.kind)
                except ValueError:
                    continue
                yield Event(k, r.name, slot, chan, from_word(r.value, ParamType.BINARY), now,
                            Status(*status))
                continue
            item = self._by_key.get((slot, chan, r.name))
            if item is None:
                continue  # left over from an earlier subscription
            yield Event(EventKind.PARAMETER, r.name, slot, chan, self._value(item, r), now,
                        Status(*status), item.parameter)

    @staticmethod
    def _value(item: _Item, r: Record) -> Value:
        p = item.parameter
        if p is not None:
            raw = _lists.text(r.value) if p.type == ParamType.STRING else from_word(r.value, p.type)
            return decode(p, raw)
        # A system property.  A crate sends a text or a number whatever the
        # property's type says (a clock setting read as "1:0" arrives as
        # 256).  The legacy reader says which; the current one does not,
        # so there a text property's value that reads as text is taken for
        # one, anything else for a number.
        text = r.text if r.text is not None else item.text and _printable(r.value)
        return _lists.text(r.value) if text else from_word(r.value, ParamType.BINARY)

    # -- ending -----------------------------------------------------------------------------
    def close(self) -> None:
        """Unsubscribes the items; the stream yields nothing more."""
        if self._closed:
            return
        self._closed = True
        subscribed, self._subscribed = self._subscribed, []
        try:
            if subscribed and not self._system.closed:
                self._change(subscribed, subscribe=False)
        finally:
            self._hub.stop_listening()
            if self._system._current_stream() is self:
                self._system._stream = None

    def __enter__(self) -> "EventStream":
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def __del__(self) -> None:
        try:
            self.close()
        except Exception:
            pass
