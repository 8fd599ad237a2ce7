"""Subscriptions and events: typed values, the end of a stream, failures."""
from __future__ import annotations

import socket
import threading
import time

import pytest

import zevahvlink
from simulator import wait_until


def _first_board_parameter(system):
    """A readable board parameter, one that holds still where there is one."""
    readable = [p for p in system.crate[0].parameters.values() if p.readable]
    still = [p for p in readable if p.type != zevahvlink.ParamType.NUMERIC]
    return (still or readable or [None])[0]


def _until(stream, wanted, seconds: float = 10.0):
    """The first event of a stream that is wanted, within a time limit.

    A stream's own timeout ends only a silence; a device that keeps sending
    other values must not keep a test waiting for ever.
    """
    deadline = time.monotonic() + seconds
    for event in stream:
        if wanted(event):
            return event
        assert time.monotonic() < deadline, f"no wanted event in {seconds} s; last {event}"
    raise AssertionError("the stream ended before the wanted event")


def test_changes_from_outside_arrive_as_typed_events(opened):
    family, system = opened.family, opened.system
    last = min(1, family.channels - 1)
    board_param = _first_board_parameter(system)
    items = [(0, sorted({0, last}), family.panel_parameter)]
    if board_param is not None:
        items.append((0, board_param.name))
    seen = {}
    with system.events(items, timeout=10) as stream:
        expected = len(stream.items)
        # A polled device sends every value each cycle, a crate the new
        # items' values first: each of them comes at once.
        for event in stream:
            assert event.kind == zevahvlink.EventKind.PARAMETER
            seen[(event.channel, event.name)] = event
            if len(seen) == expected:
                break
        opened.change_from_outside(last)
        event = _until(stream, lambda e: e.channel == last and e.value == family.panel_value)
    assert type(event.value) is type(family.panel_value)
    assert seen[(0, family.panel_parameter)].slot == 0
    if board_param is not None:
        board_event = seen[(None, board_param.name)]
        assert board_event.slot == 0 and board_event.parameter is not None
        now = system.get(0, board_param.name)
        assert type(board_event.value) is type(now)
        if board_param.type != zevahvlink.ParamType.NUMERIC:
            assert board_event.value == now


def _polling_stopped(sim) -> bool:
    # The polling thread exchanges a command at least every half second
    # while anything is subscribed.
    first = sim.command_count()
    time.sleep(1.2)
    return sim.command_count() == first


def test_ending_the_loop_unsubscribes_and_the_next_stream_works(simulator):
    sim = simulator("q2904")
    with zevahvlink.open("q2904", "tcp", sim.address()) as system:
        for event in system.events([(0, 2, "Threshold")], timeout=10):
            break
        assert wait_until(lambda: _polling_stopped(sim), timeout=10)
        # Straight after an end the module may still hold its connection
        # to this system's port: the next stream must get events either way,
        # also after a stream that ended before reading anything.
        system.events([(0, 3, "Threshold")]).close()
        for round_ in range(3):
            system.set(0, "Threshold", 100 + round_, channels=[3])
            for event in system.events([(0, 3, "Threshold")], timeout=10):
                if event.value == 100 + round_:
                    break


def test_duration_ends_and_timeout_raises(simulator):
    sim = simulator("q2904")
    with zevahvlink.open("q2904", "tcp", sim.address()) as system:
        start = time.monotonic()
        events = list(system.events([(0, 0, "FineGain")], duration=1.2, timeout=10))
        assert time.monotonic() - start >= 1.2
        assert events and all(e.name == "FineGain" and e.channel == 0 for e in events)

        # A module that stops answering sends nothing: the wait ends.
        assert sim.control("fault silent").startswith("OK")
        stream = system.events([(0, 0, "FineGain")], timeout=1.5)
        with pytest.raises(zevahvlink.NoDataError) as nothing:
            for _ in stream:
                pass
        assert isinstance(nothing.value, TimeoutError) and nothing.value.code == 23
        stream.close()


def test_refused_items_and_a_second_stream_raise(simulator):
    sim = simulator("q3815")
    with zevahvlink.open("q3815", "tcp", sim.address()) as system:
        # ClrAlarm is write-only: nothing to watch.
        with pytest.raises(zevahvlink.SubscriptionError) as refused:
            system.events([(0, 0, "VMon"), (0, "ClrAlarm")])
        assert [str(i) for i in refused.value.refused] == ["ClrAlarm (slot 0)"]
        assert refused.value.code == 255
        with system.events([(0, 0, "VMon")]) as stream:
            with pytest.raises(RuntimeError, match="event stream"):
                system.events([(0, 1, "VMon")])
            assert next(stream).name == "VMon"
        with pytest.raises(zevahvlink.ParameterNotFoundError):
            system.events([(0, 0, "NoSuchPar")])
        with pytest.raises(TypeError):
            system.events([42])
        with pytest.raises(ValueError):
            system.events([])


def test_stray_peers_do_not_disturb_events(simulator):
    sim = simulator("p731x")
    with zevahvlink.open("p731x", "tcp", sim.address()) as system:
        with system.events([(0, 5, "FineGain")], timeout=10) as stream:
            next(stream)
            strays = []
            for source, payload in (("127.0.0.1", b"hello\0ZEVAXX junk"),
                                    ("127.0.0.9", b"hello"), ("127.0.0.1", b"")):
                s = socket.socket()
                s.bind((source, 0))
                s.connect(("127.0.0.1", stream.port))
                s.sendall(payload)
                strays.append(s)
            system.set(0, "FineGain", 99, channels=[5])
            for event in stream:
                if event.value == 99.0:
                    break
            for s in strays:
                s.close()


def test_closing_the_system_ends_its_stream(simulator):
    sim = simulator("q2906")
    system = zevahvlink.open("q2906", "tcp", sim.address())
    stream = system.events([(0, 0, "Threshold")], timeout=10)
    next(stream)
    system.close()
    assert list(stream) == []

    # A watcher in another thread, waiting without a time limit, ends too.
    system = zevahvlink.open("q2906", "tcp", sim.address())
    received, ended = [], threading.Event()

    def watch():
        for event in system.events([(0, 1, "Threshold")], timeout=None):
            received.append(event)
        ended.set()

    watcher = threading.Thread(target=watch, daemon=True)
    watcher.start()
    assert wait_until(lambda: len(received) >= 2)
    system.close()
    assert ended.wait(10)
    watcher.join(10)
