"""The pure parts: number conversion, names and codes, errors, arguments."""
from __future__ import annotations

import struct

import pytest

import zevahvlink
from zevahvlink import Link, SystemType, codes, errors
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
    assert _listen_host("127.0.0.1:47001_0") == "127.0.0.1"
    assert _listen_host("/dev/ttyUSB0_9600_8_0_0_0") == "127.0.0.1"
    assert _listen_host("192.168.0.5") == "0.0.0.0"  # a mainframe connects from afar
