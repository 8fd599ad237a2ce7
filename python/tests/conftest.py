"""Fixtures: the devices of every family, and systems opened on them.

A family is one row of FAMILIES.  The tests find the parameters they
exercise from what the library reports, so a new family needs only its
row: how to start its device and open it, what its first board is, one
channel value that can be changed from outside (to see it arrive as an
event), and how to make the device refuse writes.  A family whose device
the build's simulator does not offer is skipped.

Modules and crates are simulators (zevahv-sim); the register-access
boards live in the stand-in communication library, which the library
loads into this very process: its call log shows their writes, and its
control file makes them fail.
"""
from __future__ import annotations

import os
import tempfile
from dataclasses import dataclass
from typing import Iterator, Optional, Tuple

import pytest

import zevahvlink
from simulator import Simulator, offers, private_loopback_host

MODULE = ("--tcp", "127.0.0.1:0", "--serial", "4242", "--fwrel", "2.7")


@dataclass(frozen=True)
class Family:
    system: str                  # system type name for zevahvlink.open
    model: str                   # model of the board in slot 0 (a part of it)
    channels: int                # its channels
    serial: int
    firmware: str
    # A change of channel {channel}'s value from outside: a simulator's
    # control line (or, for a board of the stand-in, a write of our own),
    # the parameter that shows it and the value expected.
    panel: str
    panel_parameter: str
    panel_value: object
    # Control lines that make the device refuse writes, and that end it;
    # the library's code for such a refusal.
    refuse: Tuple[str, str]
    refusal_code: int = 2
    device: Optional[str] = None  # zevahv-sim device; None: a board of the stand-in
    sim_args: Tuple[str, ...] = MODULE
    link: str = "tcp"
    address: str = "{host}:{port}_0"
    user: str = ""
    password: str = ""
    legacy: bool = False         # a legacy crate: its own address, port 2527

    def __str__(self) -> str:
        return self.system.lower()

    @property
    def crate(self) -> bool:
        return self.system.startswith("kr")


LOCAL = ("local 0 on", "local 0 off")
CRATE_REFUSES = ("fault refuse 2 for SETCHPARAM", "fault none")
STAND_IN_REFUSES = ("write16\nwrite32\n", "")


def _module(device, model, channels, panel, parameter, value, serial=4242, firmware="2.7"):
    return Family(device, model, channels, serial, firmware, panel, parameter, value, LOCAL,
                  device=device)


def _crate(device, legacy=False):
    return Family(device, "ZB3012P", 12, 1201, "1.4", "set 0 {channel} VSet 1234.5", "VSet",
                  1234.5, CRATE_REFUSES, device=device, sim_args=(),
                  address="{host}" if legacy else "{host}:{port}", user="admin",
                  password="admin", legacy=legacy)


def _board(system, model, channels, serial, firmware, link, address, refusal_code):
    return Family(system, model, channels, serial, firmware, "", "VSet",
                  123.4, STAND_IN_REFUSES, refusal_code=refusal_code, link=link,
                  address=address)


FAMILIES = [
    _module("q3815", "Q3815", 4, "set 0 VSET {channel} 1234.5", "VSet", 1234.5),
    _module("p731x", "P731X", 16, "set 0 FGAIN {channel} 77", "FineGain", 77.0),
    _module("q2904", "Q2904", 16, "set 0 THR {channel} 2345", "Threshold", 2345.0),
    _module("q2906", "Q2906", 16, "set 0 SLOWFGAIN {channel} 150", "SlowFGain", 150.0),
    _module("rd40xxe", "RD4020E", 2, "set 0 VSET {channel} 1234.5", "VSet", 1234.5),
    _module("w7300", "W7300", 8, "set 0 VSET {channel} 4.5", "VSet", 4.5),
    _module("lumenhv", "LUMENHV", 4, "set 0 VSet {channel} 1234.5", "VSet", 1234.5),
    # A board word of the supply: its one output's set point.
    _module("kqps", "KQPS300-30", 1, "set 0 MWVR -1 123.456", "VSet", 123.456, serial=0),
    # The supply's monitors follow its outputs: switched on at the panel.
    _module("zbk", "ZBK", 2, "set 0 ON {channel} 1", "Pw", True, serial=0),
    _crate("kr2440"),
    _crate("kr2210", legacy=True),
    # A failed write is a 3 of a VME board, a 2 of a desktop unit.
    _board("w40xx", "W4012", 12, 1234, "0.5", "usb", "0_0_32100000", 3),
    _board("rd40xx", "RD40XX", 4, 0, "1.3", "usb3", "0_0", 2),
]


@pytest.fixture(scope="session", autouse=True)
def library_from_build() -> None:
    """Every test loads the library of the build under test."""
    if not os.environ.get("ZEVAHVLINK_LIBRARY"):
        pytest.exit("ZEVAHVLINK_LIBRARY must name the build's libZEVAHVLink.so "
                    "(scripts/pytest sets it)", returncode=2)


class StandIn:
    """The stand-in communication library as this process loads it.

    It reads ZEVACOMM_LOG and ZEVACOMM_CONTROL when it is loaded (at the
    first open of a board), so they are set when this module is imported.
    """

    def __init__(self) -> None:
        self.folder = tempfile.mkdtemp(prefix="zevacomm-pytest-")
        self.log = os.path.join(self.folder, "calls.log")
        self.control = os.path.join(self.folder, "faults")
        open(self.log, "w").close()
        os.environ["ZEVACOMM_LOG"] = self.log
        os.environ["ZEVACOMM_CONTROL"] = self.control
        for name in ("ZEVACOMM_MODEL", "ZEVACOMM_DEVICES", "ZEVACOMM_FAULTS"):
            os.environ.pop(name, None)

    @staticmethod
    def available() -> bool:
        return os.path.exists(os.environ.get("ZEVAHV_COMM_LIBRARY", ""))

    def set_faults(self, rules: str) -> None:
        """Replaces the fault rules at once (a rename, as the stand-in wants)."""
        part = self.control + ".part"
        with open(part, "w") as f:
            f.write(rules)
        os.replace(part, self.control)

    def writes(self) -> int:
        with open(self.log) as f:
            return sum(1 for line in f if line.startswith("write"))


STAND_IN = StandIn()


class Opened:
    """A family's device and a system opened on it."""

    def __init__(self, family: Family) -> None:
        self.family = family
        self.sim: Optional[Simulator] = None
        if family.device is None:
            STAND_IN.set_faults("")
            address = family.address
        else:
            args = family.sim_args
            if family.crate:
                host = private_loopback_host()
                args = ("--tcp", f"{host}:{2527 if family.legacy else 0}")
            self.sim = Simulator(family.device, *args)
            address = family.address.format(host=self.sim.host, port=self.sim.port)
        try:
            self.system = zevahvlink.open(family.system, family.link, address,
                                          user=family.user, password=family.password)
        except BaseException:
            self.stop()
            raise

    def stop(self) -> None:
        if self.sim is not None:
            self.sim.stop()

    def close(self) -> None:
        try:
            self.system.close()
        finally:
            self.stop()

    # -- the device, as the tests see it ------------------------------------------
    def writes(self) -> int:
        """Writes (or, of a simulator, requests) the device has had so far."""
        return STAND_IN.writes() if self.sim is None else self.sim.command_count()

    def refuse_writes(self, refuse: bool = True) -> None:
        rule = self.family.refuse[0 if refuse else 1]
        if self.sim is None:
            STAND_IN.set_faults(rule)
        else:
            assert self.sim.control(rule).startswith("OK")

    def change_from_outside(self, channel: int) -> None:
        """Changes the panel parameter of a channel as someone else would."""
        f = self.family
        if self.sim is not None:
            assert self.sim.control(f.panel.format(channel=channel)).startswith("OK")
        else:
            # The stand-in's board lives in this process: a write of our own.
            self.system.set(0, f.panel_parameter, f.panel_value, channels=[channel])

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


def _offered(family: Family) -> bool:
    if family.device is None:
        return StandIn.available()
    return offers(family.device)


def _opened_family(family: Family) -> Iterator[Opened]:
    if not _offered(family):
        pytest.skip(f"this build offers no {family}")
    o = Opened(family)
    yield o
    o.close()


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


@pytest.fixture(scope="session", params=FAMILIES, ids=str)
def opened(request) -> Iterator[Opened]:
    """One device and open system per family, shared by all tests.

    Tests on it leave the system open and without event streams, and the
    device accepting writes; tests that need a fresh or a broken device
    start their own.
    """
    yield from _opened_family(request.param)


@pytest.fixture(scope="session", params=[f for f in FAMILIES if f.crate], ids=str)
def crate(request) -> Iterator[Opened]:
    """A crate of each generation, as `opened`, for what only crates have."""
    yield from _opened_family(request.param)
