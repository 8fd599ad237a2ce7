"""Reading and writing numbers, switches and enumerations; refused values."""
from __future__ import annotations

import math

import pytest

import zevahvlink
from zevahvlink import ParamType


def _inside(p: zevahvlink.Parameter, fraction: float) -> float:
    """A value between the limits, at the parameter's resolution."""
    value = p.minval + (p.maxval - p.minval) * fraction
    return round(value, p.decimals or 0)


def _alike(system, p: zevahvlink.Parameter, channels) -> list:
    """The channels whose limits of the parameter are those of channel 0's."""
    return [c for c in channels
            if (lambda q: (q.minval, q.maxval) == (p.minval, p.maxval))(
                system.parameter(0, p.name, c))]


def test_numbers_round_trip_on_the_listed_channels(opened):
    system = opened.system
    p = opened.channel_parameter(ParamType.NUMERIC)
    if p is None:
        pytest.skip(f"{opened.family} has no writable number")
    # The last channel that takes the values channel 0 takes (a crate
    # supply's outputs have limits of their own).
    last = _alike(system, p, range(opened.family.channels))[-1]
    before = system.get(0, p.name, channels=range(last + 1))
    target = _inside(p, 0.25)
    if target == before[0]:
        target = _inside(p, 0.75)
    system.set(0, p.name, target, channels=[0, last])
    after = system.get(0, p.name, channels=range(last + 1))
    assert after[0] == after[last] == target
    assert after[1:last] == before[1:last]
    # One channel as an int gives one value, a list a list.
    assert system.get(0, p.name, channels=last) == target
    assert system.get(0, p.name, channels=[]) == []
    # The channel's own handle reads the same.
    assert system.crate[0].channels[last].get(p.name) == target


def test_switches_take_bools_ints_and_their_texts(opened):
    system, last = opened.system, opened.family.channels - 1
    p = opened.channel_parameter(ParamType.ONOFF, texts=True)
    if p is None:
        pytest.skip(f"{opened.family} has no channel switch")
    for value, expected in ((True, True), (0, False), (p.onstate, True),
                            (p.offstate.upper(), False), (1, True)):
        system.set(0, p.name, value, channels=[last])
        assert system.get(0, p.name, channels=last) is expected
        assert system.get(0, p.name, channels=last, raw=True) == int(expected)
    system.set(0, p.name, False, channels=[last])
    assert p.format(True) == p.onstate


def test_enumerations_take_texts_and_indexes(opened):
    system = opened.system
    p = opened.channel_parameter(ParamType.ENUM)
    if p is None:
        pytest.skip(f"{opened.family} has no enumerated parameter")
    last_text = p.choices[-1]
    some = range(min(3, opened.family.channels))
    system.set(0, p.name, last_text.lower(), channels=some)
    assert system.get(0, p.name, channels=some) == [last_text] * len(some)
    assert system.get(0, p.name, channels=0, raw=True) == int(p.maxval)
    first = int(p.minval)
    p_on_2 = system.crate[0].channels[some[-1]].parameters[p.name]
    p_on_2.value = first
    assert p_on_2.value == p.choices[0]


def test_board_parameters_round_trip(opened):
    system = opened.system
    params = [p for p in system.crate[0].parameters.values()
              if p.writable and p.readable and (p.type == ParamType.ONOFF or p.has_limits)]
    if not params:
        pytest.skip(f"{opened.family} has no board parameter to write")
    for p in params:
        if p.type == ParamType.NUMERIC:
            target = _inside(p, 0.5)
        else:
            target = not p.get()
        system.set(0, p.name, target)
        assert system.get(0, p.name) == target
        assert system.get([0], p.name) == [target]


def test_values_outside_the_limits_are_refused_before_sending(opened):
    system, family = opened.system, opened.family
    number = opened.channel_parameter(ParamType.NUMERIC)
    switch = opened.channel_parameter(ParamType.ONOFF, texts=True)
    enum = opened.channel_parameter(ParamType.ENUM)
    watched = family.panel_parameter
    before = system.get(0, watched, channels=0)
    refused = [(switch, 2), (switch, "maybe")] if switch is not None else []
    if number is not None:
        refused += [(number, number.maxval + 1), (number, number.minval - 1), (number, math.nan)]
    if enum is not None:
        refused += [(enum, int(enum.maxval) + 1), (enum, "no such choice")]
    # Channels whose limits differ from channel 0's (a crate supply's
    # outputs), described before counting: some devices are asked for
    # limits when they are described.
    others = [] if number is None else [
        c for c in range(family.channels)
        if c not in _alike(system, number, range(family.channels))]
    count = opened.writes()
    for p, value in refused:
        with pytest.raises(zevahvlink.OutOfRangeError) as out:
            system.set(0, p.name, value, channels=[0])
        assert out.value.code == 10 and isinstance(out.value, ValueError)
        assert p.name in str(out.value)
    if number is not None:
        # A value of channel 0's range, for a list with a channel whose
        # limits differ, is refused as a whole.
        if others:
            with pytest.raises(zevahvlink.OutOfRangeError, match=f"channel {others[0]}"):
                system.set(0, number.name, _inside(number, 0.5), channels=[0, others[0]])
        with pytest.raises(TypeError):
            system.set(0, number.name, "12", channels=[0])
    assert opened.writes() == count
    assert system.get(0, watched, channels=0) == before


def test_unknown_parameters_and_channels_raise(opened):
    system, family = opened.system, opened.family
    watched = family.panel_parameter
    with pytest.raises(zevahvlink.ParameterNotFoundError) as missing:
        system.get(0, "NoSuchPar", channels=[0])
    assert missing.value.code == 22 and isinstance(missing.value, KeyError)
    with pytest.raises(zevahvlink.ParameterNotFoundError):
        system.set(0, "NoSuchPar", 1.0, channels=[0])
    # A channel parameter asked for as a board parameter says so.
    with pytest.raises(zevahvlink.ParameterNotFoundError, match="channel parameter"):
        system.get(0, watched)
    with pytest.raises(zevahvlink.OutOfRangeError):
        system.get(0, watched, channels=[0, family.channels])
    with pytest.raises(zevahvlink.OutOfRangeError):
        system.get(0, watched, channels=[-1])


def test_a_refusal_of_the_device_raises(opened):
    system = opened.system
    p = opened.channel_parameter(ParamType.NUMERIC)
    value = _inside(p, 0.5) if p is not None else False
    if p is None:
        p = opened.channel_parameter(ParamType.ONOFF)
    opened.refuse_writes()
    try:
        with pytest.raises(zevahvlink.Error) as refused:
            system.set(0, p.name, value, channels=[0])
        assert refused.value.code == opened.family.refusal_code
        assert type(refused.value) is type(zevahvlink.error_for(opened.family.refusal_code))
    finally:
        opened.refuse_writes(False)
