"""What only the register-access boards have: the links of the
communication library by name, no system properties, and events of the
polling thread over the board's registers (on the stand-in library)."""
from __future__ import annotations

import pytest

import zevahvlink
from conftest import FAMILIES, StandIn

BOARDS = [f for f in FAMILIES if f.device is None]
# The links each kind is reached by: a desktop unit only by USB.
LINKS = {"w40xx": ["usb", "OPTLINK", "Usb3", "b7301", "tcp"], "rd40xx": ["usb", "usb3"]}
ADDRESSES = {"tcp": "127.0.0.1_0_32100000"}


@pytest.fixture(params=BOARDS, ids=str)
def board(request):
    if not StandIn.available():
        pytest.skip("no stand-in communication library (ZEVAHV_COMM_LIBRARY)")
    return request.param


def test_every_link_by_name(board):
    for link in LINKS[board.system]:
        address = ADDRESSES.get(link, board.address)
        with zevahvlink.open(board.system, link, address) as system:
            assert system.link.name == link.upper().replace("TCP", "TCPIP")
            assert board.model in system.crate[0].model
    with pytest.raises(zevahvlink.InvalidArgumentError):
        zevahvlink.open(board.system, "usbvcp", board.address)


def test_no_system_properties_and_a_ramp_as_events(board):
    with zevahvlink.open(board.system, board.link, board.address) as system:
        props = system.properties
        assert props.names() == [] and len(props) == 0 and "SymbolicName" not in props
        system.set(0, "VSet", 300.0, channels=[2])
        system.set(0, "Pw", True, channels=[2])
        values = []
        for event in system.events([(0, 2, "VMon")], timeout=10):
            values.append(event.value)
            if len(values) == 4:
                break
        assert values[-1] > values[0] and values[-1] <= 300.0
