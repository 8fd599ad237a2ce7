"""What only the crates have: users, empty slots, system properties and
commands, channel names, and events that the crate itself sends from its
own address (a stream to our port, or datagrams from a legacy crate)."""
from __future__ import annotations

import pytest

import zevahvlink
from conftest import Opened
from simulator import wait_until


def _address(crate) -> str:
    return crate.family.address.format(host=crate.sim.host, port=crate.sim.port)


# The other model of each generation: the same crate opens under it a
# second time (the library folds it into the generation's family only after
# its check for systems already open).
TWIN = {"kr2440": "kr2550", "kr2210": "kr2220"}


def test_users_and_the_crate_map_with_empty_slots(crate):
    system, family = crate.system, crate.family
    twin = TWIN[family.system]
    with pytest.raises(zevahvlink.LoginFailedError) as denied:
        zevahvlink.open(twin, "tcp", _address(crate), user="admin", password="nimda")
    assert denied.value.code == 4103
    # A user who may only read.
    with zevahvlink.open(twin, "tcp", _address(crate), user="guest",
                         password="guest") as guest:
        assert guest.get(0, "VSet", channels=0) == system.get(0, "VSet", channels=0)
        with pytest.raises(zevahvlink.PropertyNotWritableError, match="no write access"):
            guest.set(0, "VSet", 10.0, channels=[0])

    assert [b.slot for b in system.crate] == [0, 1, 3, 4]
    assert system.crate[3].channel_count == 48
    for empty in (2, 5):
        with pytest.raises(zevahvlink.SlotNotPresentError):
            system.board(empty)
        with pytest.raises(zevahvlink.SlotNotPresentError) as absent:
            system.get(empty, "VMon", channels=[0])
        assert absent.value.code == 7
    assert system.properties["ModelName"] == family.system.upper()


def test_properties_commands_and_channel_names(crate):
    system, sim = crate.system, crate.sim
    props = system.properties
    assert {"SymbolicName", "ModelName"} <= set(props)
    props["SymbolicName"] = "HV crate 2"
    assert props["SymbolicName"] == "HV crate 2"
    assert sim.control("sys SymbolicName") == "OK HV crate 2"
    with pytest.raises(KeyError):
        props["NoSuchProp"] = "x"

    # A tripped channel, cleared by ClearAlarm; Kill switches outputs off.
    for line in ("set 0 3 VSet 100", "set 0 3 Pw 1", "trip 0 3"):
        assert sim.control(line).startswith("OK")
    assert system.get(0, "Status", channels=3) & (1 << 9)
    system.execute("ClearAlarm")
    assert not system.get(0, "Status", channels=3) & (1 << 9)
    system.set(0, "Pw", True, channels=[3])
    system.execute("Kill")
    assert system.get(0, "Pw", channels=3) is False
    with pytest.raises(zevahvlink.CommandNotFoundError):
        system.execute("NoSuchCommand")

    channel = system.crate[1].channels[5]
    channel.name = "Anode 5"
    assert channel.name == "Anode 5"
    assert system.channel_names(1, [4, 5]) == [system.channel_names(1, 4)[0], "Anode 5"]
    with pytest.raises(zevahvlink.OutOfRangeError):
        channel.name = "twelve chars"


def test_events_come_from_the_crate(crate):
    # A crate of its own: a board is pulled out of it.
    fresh = Opened(crate.family)
    try:
        system, sim = fresh.system, fresh.sim
        items = [(0, 3, "VMon"), (0, "HVMax"), "SymbolicName"]
        current = not crate.family.legacy
        with system.events(items, timeout=10) as stream:
            first = {next(stream).name for _ in range(3)}
            assert first == {"VMon", "HVMax", "SymbolicName"}
            for line in ("set 0 3 VSet 500", "set 0 3 Pw 1", "set 0 -1 HVMax 2500",
                         "sys SymbolicName Crate B") + (("pull 4",) if current else ()):
                assert sim.control(line).startswith("OK")
            rising, last, hvmax, text, pulled = 0, 0.0, False, False, not current
            for event in stream:
                if event.name == "VMon":
                    assert (event.slot, event.channel) == (0, 3)
                    assert isinstance(event.value, float)
                    rising += event.value > last
                    last = event.value
                elif event.name == "HVMax":
                    assert (event.slot, event.channel) == (0, None)
                    hvmax = hvmax or event.value == 2500.0
                elif event.name == "SymbolicName":
                    text = text or event.value == "Crate B"
                elif event.kind == zevahvlink.EventKind.LIVE_INSERTION:
                    pulled = True
                if rising >= 3 and hvmax and text and pulled:
                    break
            if current:
                # The frames carry the states of the crate's slots: 2 and 5
                # are empty (3), and now 4 too.
                assert event.status.boards[2] == event.status.boards[5] == 3
        if current:
            assert [b.slot for b in system.crate] == [0, 1, 3]
    finally:
        fresh.close()


def test_a_stream_that_ends_unsubscribes(crate):
    system, sim = crate.system, crate.sim
    with system.events([(1, 0, "VSet")], timeout=10) as stream:
        next(stream)
        assert int(sim.control("subscriptions").split()[1]) >= 1
    assert wait_until(lambda: sim.control("subscriptions") == "OK 0")
