"""Fixtures: simulators of every family, and systems opened on them.

A family is one row of FAMILIES.  The tests find the parameters they
exercise from what the library reports, so a new family needs only its
row: the simulator's device name, the system type, its channel count, and
one value its front panel can change (to see it arrive as an event).
"""
from __future__ import annotations

import os
from dataclasses import dataclass
from typing import Iterator, Optional

import pytest

import zevahvlink
from simulator import Simulator


@dataclass(frozen=True)
class Family:
    device: str        # zevahv-sim device
    system: str        # system type name for zevahvlink.open
    channels: int
    # A channel value turned at the front panel: simulator word, the
    # parameter that shows it, the panel's text and the value expected.
    panel_word: str
    panel_parameter: str
    panel_text: str
    panel_value: object

    def __str__(self) -> str:
        return self.device


FAMILIES = [
    Family("q3815", "q3815", 4, "VSET", "VSet", "1234.5", 1234.5),
    Family("p731x", "p731x", 16, "FGAIN", "FineGain", "77", 77.0),
    Family("q2904", "q2904", 16, "THR", "Threshold", "2345", 2345.0),
    Family("q2906", "q2906", 16, "SLOWFGAIN", "SlowFGain", "150", 150.0),
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
        sim = Simulator(device, *args)
        started.append(sim)
        return sim

    yield start
    for sim in started:
        sim.stop()


class Opened:
    """A family's simulator and a system opened on it."""

    def __init__(self, family: Family) -> None:
        self.family = family
        self.sim = Simulator(family.device, "--serial", "4242", "--fwrel", "2.7")
        try:
            self.system = zevahvlink.open(family.system, "tcp", self.sim.address())
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
    o = Opened(request.param)
    yield o
    o.close()
