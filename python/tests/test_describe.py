"""The crate, the parameters with their properties, system properties and commands."""
from __future__ import annotations

import pytest

import zevahvlink
from zevahvlink import Mode, ParamType

PYTHON_TYPES = {
    ParamType.NUMERIC: float, ParamType.ONOFF: bool, ParamType.ENUM: str,
    ParamType.STRING: str, ParamType.CHSTATUS: int, ParamType.BDSTATUS: int,
    ParamType.BINARY: int,
}


def test_crate_reports_the_boards(opened):
    family = opened.family
    crate = opened.system.crate
    assert [b.slot for b in crate] == sorted({b.slot for b in crate})
    board = crate[0]
    assert board.slot == 0
    assert family.model in board.model
    assert board.serial == family.serial
    major, minor = (int(x) for x in family.firmware.split("."))
    assert (board.firmware, board.firmware_release) == (family.firmware, (major, minor))
    assert board.channel_count == family.channels
    assert [c.index for c in board.channels] == list(range(family.channels))
    names = [c.name for c in board.channels]
    assert all(names) and len(set(names)) == len(names)
    assert opened.system.board(0).model == board.model
    with pytest.raises(zevahvlink.SlotNotPresentError):
        opened.system.board(99)


def _check_properties(p: zevahvlink.Parameter) -> None:
    assert isinstance(p.type, ParamType), p
    assert isinstance(p.mode, Mode), p
    if p.type == ParamType.NUMERIC:
        # Limits come in pairs; a crate supply's own values have none.
        assert (p.minval is None) == (p.maxval is None), p
        assert p.minval is None or p.minval <= p.maxval, p
        assert not p.writable or p.has_limits or p.minval is None, p
    elif p.type == ParamType.ENUM:
        assert len(p.choices) == int(p.maxval) - int(p.minval) + 1, p
        assert all(p.choices), p
    elif p.type == ParamType.ONOFF and p.readable:
        assert p.onstate and p.offstate and p.onstate != p.offstate, p


def test_every_parameter_is_described_and_reads_as_its_type(opened):
    board = opened.system.crate[0]
    described = list(board.parameters.values())
    for channel in (board.channels[0], board.channels[-1]):
        described += list(channel.parameters.values())
    assert described
    for p in described:
        _check_properties(p)
        if p.readable:
            value = p.get()
            assert isinstance(value, PYTHON_TYPES[p.type]), (p, value)
            raw = p.get(raw=True)
            assert isinstance(raw, float if p.type == ParamType.NUMERIC else
                              str if p.type == ParamType.STRING else int), (p, raw)


def test_parameter_mappings_refuse_unknown_names(opened):
    board = opened.system.crate[0]
    channel = board.channels[0]
    assert set(board.parameters).isdisjoint(channel.parameters)
    with pytest.raises(zevahvlink.ParameterNotFoundError) as missing:
        channel.parameters["NoSuchPar"]
    assert isinstance(missing.value, KeyError) and missing.value.code == 22
    assert channel.parameters.get("NoSuchPar") is None
    assert "NoSuchPar" not in board.parameters


def test_system_properties_read_as_their_type(opened):
    props = opened.system.properties
    names = props.names()
    assert len(props) == len(names) == len(set(names))
    for name in names:
        info = props.info(name)
        if info.mode == Mode.WRONLY:
            continue
        try:
            value = props[name]
        except zevahvlink.PropertyNotAvailableError:
            continue
        assert isinstance(value, str if info.type == zevahvlink.SysPropType.STR else int), name
    assert "NoSuchProp" not in props
    with pytest.raises(KeyError):
        props["NoSuchProp"]


def test_commands_listed_are_the_ones_that_run(opened):
    system = opened.system
    for command in system.commands:
        try:
            system.execute(command)
        except zevahvlink.CommandNotAvailableError:
            pass  # listed, but this system does not offer it
    with pytest.raises(zevahvlink.Error) as unknown:
        system.execute("NoSuchCmd")
    # Not found (15, or 22 where commands are parameters); a system
    # without any may say that it has none (11).
    assert unknown.value.code in (15, 22) or (not system.commands and unknown.value.code == 11)
