"""Fixtures: simulators of every family, and systems opened on them.

A family is one row of FAMILIES.  The tests find the parameters they
exercise from what the library reports, so a new family needs only its
row: how to start its simulator and open it, what its first board is, one
channel value its front panel can change (to see it arrive as an event),
and how to make the device refuse writes.  A family whose device the
build's simulator does not offer is skipped.
"""
from __future__ import annotations

import os
from dataclasses import dataclass
from typing import Iterator, Optional, Tuple

import pytest

import zevahvlink
from simulator import Simulator, offers

MODULE = ("--tcp", "127.0.0.1:0", "--serial", "4242", "--fwrel", "2.7")


@dataclass(frozen=True)
class Family:
    device: str                  # zevahv-sim device
    system: str                  # system type name for zevahvlink.open
    model: str                   # model of the board in slot 0 (a part of it)
    channels: int                # its channels
    serial: int
    firmware: str
    # A control line that changes channel {channel}'s value as the front
    # panel would, the parameter that shows it and the value expected.
    panel: str
    panel_parameter: str
    panel_value: object
    # Control lines that make the device refuse writes, and that end it.
    refuse: Tuple[str, str]
    sim_args: Tuple[str, ...] = MODULE
    address: str = "{host}:{port}_0"
    user: str = ""
    password: str = ""

    def __str__(self) -> str:
        return self.device


LOCAL = ("local 0 on", "local 0 off")

FAMILIES = [
    Family("q3815", "q3815", "Q3815", 4, 4242, "2.7",
           "set 0 VSET {channel} 1234.5", "VSet", 1234.5, LOCAL),
    Family("p731x", "p731x", "P731X", 16, 4242, "2.7",
           "set 0 FGAIN {channel} 77", "FineGain", 77.0, LOCAL),
    Family("q2904", "q2904", "Q2904", 16, 4242, "2.7",
           "set 0 THR {channel} 2345", "Threshold", 2345.0, LOCAL),
    Family("q2906", "q2906", "Q2906", 16, 4242, "2.7",
           "set 0 SLOWFGAIN {channel} 150", "SlowFGain", 150.0, LOCAL),
    Family("kr2440", "kr2440", "ZB3012P", 12, 1201, "1.4",
           "set 0 {channel} VSet 1234.5", "VSet", 1234.5,
           ("fault refuse 2 for SETCHPARAM", "fault none"),
           sim_args=("--tcp", "127.0.0.2:0"), address="{host}:{port}",
           user="admin", password="admin"),
]


@pytest.fixture(scope="session", autouse=True)
def library_from_build() -> None:
    """Every test loads the library of the build under test."""
    if not os.environ.get("ZEVAHVLINK_LIBRARY"):
        pytest.exit("ZEVAHVLINK_LIBRARY must name the build's libZEVAHVLink.so "
                    "(scripts/pytest sets it)", returncode=2)


@pytest.fixture
def simulator() -> Iterator:
    """A factory for simulators that are stopped when the test ends."""
    started = []

    def start(device: str, *args: str) -> Simulator:
        sim = Simulator(device, *(args or ("--tcp", "127.0.0.1:0")))
        started.append(sim)
        return sim

    yield start
    for sim in started:
        sim.stop()


class Opened:
    """A family's simulator and a system opened on it."""

    def __init__(self, family: Family) -> None:
        self.family = family
        self.sim = Simulator(family.device, *family.sim_args)
        try:
            address = family.address.format(host=self.sim.host, port=self.sim.port)
            self.system = zevahvlink.open(family.system, "tcp", address,
                                          user=family.user, password=family.password)
        except BaseException:
            self.sim.stop()
            raise

    def close(self) -> None:
        try:
            self.system.close()
        finally:
            self.sim.stop()

    def channel_parameter(self, ptype, *, writable: bool = True,
                          texts: bool = False) -> Optional[zevahvlink.Parameter]:
        """The first channel parameter of a type (and writable, with on/off texts)."""
        for p in self.system.crate[0].channels[0].parameters.values():
            if p.type != ptype or (writable and not p.writable):
                continue
            if ptype == zevahvlink.ParamType.NUMERIC and writable and not p.has_limits:
                continue
            if texts and not (p.onstate and p.offstate):
                continue
            return p
        return None


@pytest.fixture(scope="session", params=FAMILIES, ids=str)
def opened(request) -> Iterator[Opened]:
    """One simulator and open system per family, shared by all tests.

    Tests on it leave the system open and without event streams; tests
    that need a fresh or a broken device start their own.
    """
    if not offers(request.param.device):
        pytest.skip(f"this zevahv-sim offers no {request.param.device}")
    o = Opened(request.param)
    yield o
    o.close()
