"""The pure parts: number conversion, names and codes, errors, arguments."""
from __future__ import annotations

import struct

import pytest

import zevahvlink
from zevahvlink import Link, SystemType, codes, errors
from zevahvlink._records import LEGACY_RECORD, legacy_records
from zevahvlink._values import float32
from zevahvlink.events import _listen_host, _port_argument
from zevahvlink.system import _numbers


def test_single_precision_values_read_as_typed():
    for typed in (100.2, 0.1, 1234.5, 7999.9, 2999.99, 1e-6, -3.3, 0.0, 255.0):
        single = struct.unpack("<f", struct.pack("<f", typed))[0]
        assert float32(single) == typed
    # Values that need more digits keep them.
    assert struct.pack("<f", float32(16777217.0)) == struct.pack("<f", 16777217.0)


def test_system_types_and_links_by_name_member_or_code():
    assert codes.system_type("p731x") is SystemType.P731X
    assert codes.system_type(" KR2440 ") is SystemType.KR2440
    assert codes.system_type(15) is SystemType.Q2906
    assert codes.system_type(42) == 42  # unknown codes go to the library as they are
    for name in ("tcp", "TCP/IP", "tcpip"):
        assert codes.link_type(name) is Link.TCPIP
    for name in ("usbvcp", "VCP USB", "serial"):
        assert codes.link_type(name) is Link.USBVCP
    assert codes.link_type("b7301") is Link.B7301


def test_each_result_code_has_its_class():
    table = {1: zevahvlink.OperatingSystemError, 4: zevahvlink.ReplyTimeoutError,
             10: zevahvlink.OutOfRangeError, 22: zevahvlink.ParameterNotFoundError,
             23: zevahvlink.NoDataError, 4098: zevahvlink.NotConnectedError,
             4103: zevahvlink.LoginFailedError}
    for code, cls in table.items():
        e = errors.error_for(code, "", "op")
        assert type(e) is cls and e.code == code and isinstance(e, zevahvlink.Error)
    assert isinstance(errors.error_for(4, ""), TimeoutError)
    odd = errors.error_for(777, "server says no", "op")
    assert type(odd) is zevahvlink.Error and odd.code == 777
    # The library's own text is shown when it gave one.
    assert "Slot 3 busy" in str(errors.error_for(7, "Slot 3 busy", "op"))
    assert "Slot NOT Present" in str(errors.error_for(7, "", "op"))


def test_slot_and_channel_numbers_are_checked():
    assert _numbers(3, "channel") == ([3], True)
    assert _numbers(range(2, 5), "channel") == ([2, 3, 4], False)
    for bad in (-1, 65536, [0, 70000], [0] * 65536):
        with pytest.raises(zevahvlink.OutOfRangeError):
            _numbers(bad, "channel")
    for bad in (True, 1.5, "3"):
        with pytest.raises(TypeError):
            _numbers(bad, "channel")


def test_event_port_and_listening_address():
    assert _port_argument(47001) == 47001 - 65536  # travels as a C short
    assert _port_argument(1234) == 1234
    # A module's events come from the library's polling thread on this
    # host, wherever the module is; a crate sends its own, from afar too.
    for address in ("127.0.0.1:47001_0", "/dev/ttyUSB0_9600_8_0_0_0", "192.168.0.5:23_0"):
        assert _listen_host(SystemType.P731X, address) == "127.0.0.1"
    assert _listen_host(SystemType.KR2440, "127.0.0.7:4000") == "127.0.0.1"
    assert _listen_host(SystemType.KR2440, "192.168.0.5:4000") == "0.0.0.0"
    assert _listen_host(SystemType.KR2210, "192.168.0.5") == "0.0.0.0"


def _legacy(level: int, name: bytes, number: bytes = b"\0" * 4, text: bytes = b"") -> bytes:
    record = bytes([level]) + name.ljust(64, b"\0")[:64] + number + text.ljust(256, b"\0")[:256]
    assert len(record) == LEGACY_RECORD
    return record


def test_legacy_datagram_records():
    raw = (_legacy(0, b"crate.Board01.CHAN002.VMon", struct.pack("<f", 12.5))
           + _legacy(1, b"crate.Board03.HVMax", struct.pack("<f", 2500.0))
           + _legacy(2, b"crate.SymbolicName", text=b"Crate B")
           + _legacy(3, b"crate.KeepAlive") + _legacy(3, b"crate.LiveInsRem"))
    vmon, hvmax, name, alive, inserted = legacy_records(raw, 5)
    assert (vmon.board, vmon.channel, vmon.name, vmon.text) == (1, 2, "VMon", False)
    assert struct.unpack("<f", vmon.value)[0] == 12.5
    assert (hvmax.board, hvmax.channel, hvmax.name) == (3, -1, "HVMax")
    assert (name.board, name.value, name.text) == (-1, b"Crate B", True)
    assert alive.kind == 2 and inserted.kind == 1
    # A count beyond the bytes handed over, a cut record, a name without its
    # NUL: nothing is read past the end.
    assert len(legacy_records(raw[:LEGACY_RECORD + 10], 5)) == 1
    assert legacy_records(b"", 3) == []
    (long,) = legacy_records(_legacy(1, b"c.Board01." + b"X" * 80), 1)
    assert long.board == 1 and len(long.name) <= 64
