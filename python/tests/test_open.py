"""Opening and closing systems, and finding the library."""
from __future__ import annotations

import os
import subprocess
import sys

import pytest

import zevahvlink
from simulator import free_port


def test_context_manager_opens_and_closes(simulator):
    sim = simulator("q2904")
    with zevahvlink.open("Q2904", "TCP/IP", sim.address()) as system:
        assert not system.closed
        assert 0 <= system.handle < 100
        assert system.type == zevahvlink.SystemType.Q2904
        assert system.link == zevahvlink.Link.TCPIP
        assert system.crate[0].model.startswith("Q2904")
    assert system.closed
    with pytest.raises(zevahvlink.NotConnectedError):
        system.get(0, "Threshold", channels=0)
    system.close()  # a second close does nothing

    # The same system opens again once closed; codes work as names do.
    with zevahvlink.open(zevahvlink.SystemType.Q2904, 0, sim.address()) as again:
        assert again.crate[0].channel_count == 16


def test_closed_system_never_reaches_a_reused_handle(simulator):
    sim_a, sim_b = simulator("p731x"), simulator("q2906")
    a = zevahvlink.open("p731x", "tcp", sim_a.address())
    handle = a.handle
    a.close()
    with zevahvlink.open("q2906", "tcp", sim_b.address()) as b:
        assert b.handle == handle  # the library hands the slot out again
        before = sim_b.command_count()
        with pytest.raises(zevahvlink.NotConnectedError):
            a.set(0, "Offset", 12)
        with pytest.raises(zevahvlink.NotConnectedError):
            a.crate
        assert sim_b.command_count() == before


def test_open_failures_raise_with_their_codes(simulator):
    # Nothing listens on the port: the module cannot be reached.
    with pytest.raises(zevahvlink.OpenFailedError) as failed:
        zevahvlink.open("p731x", "tcp", f"127.0.0.1:{free_port()}_0")
    assert failed.value.code == 4100
    assert isinstance(failed.value, ConnectionError)
    assert "open" in str(failed.value) and "4100" in str(failed.value)

    sim = simulator("p731x")
    with zevahvlink.open("p731x", "tcp", sim.address()):
        with pytest.raises(zevahvlink.AlreadyOpenError) as twice:
            zevahvlink.open("p731x", "tcp", sim.address())
        assert twice.value.code == 24
    # A module that is not the family asked for is refused.
    with pytest.raises(zevahvlink.OpenFailedError):
        zevahvlink.open("q2906", "tcp", sim.address())
    with pytest.raises(zevahvlink.InvalidLinkError):
        zevahvlink.open("p731x", 2, sim.address())


def test_bad_arguments_are_refused_before_the_library(simulator):
    sim = simulator("p731x")
    with pytest.raises(ValueError, match="unknown system type"):
        zevahvlink.open("p7310", "tcp", sim.address())
    with pytest.raises(ValueError, match="unknown link"):
        zevahvlink.open("p731x", "carrier pigeon", sim.address())
    with pytest.raises(TypeError):
        zevahvlink.open(True, "tcp", sim.address())
    # A NUL would cut the address short in C and open something else.
    with pytest.raises(zevahvlink.InvalidArgumentError):
        zevahvlink.open("p731x", "tcp", sim.address() + "\0" + "junk")
    assert sim.command_count() == 0


def _run(code: str, library: str, python: str = sys.executable) -> subprocess.CompletedProcess:
    env = dict(os.environ, ZEVAHVLINK_LIBRARY=library)
    env.pop("LD_LIBRARY_PATH", None)
    return subprocess.run([python, "-c", code], env=env, capture_output=True,
                          text=True, timeout=60)


def test_library_lookup_by_file_folder_and_failure():
    library = os.environ["ZEVAHVLINK_LIBRARY"]
    code = "import zevahvlink; print(zevahvlink.library_release())"
    for choice in (library, os.path.dirname(os.path.abspath(library))):
        done = _run(code, choice)
        assert done.returncode == 0, done.stderr
        assert done.stdout.strip() == "6.4"

    # A wrong setting is reported, naming the variable; importing still works.
    done = _run("import zevahvlink\n"
                "try:\n    zevahvlink.library_release()\n"
                "except zevahvlink.LibraryNotFoundError as e:\n    print('missing:', e)\n",
                "/nonexistent/libZEVAHVLink.so")
    assert done.returncode == 0, done.stderr
    assert "missing:" in done.stdout and "ZEVAHVLINK_LIBRARY" in done.stdout


def test_library_found_in_the_installed_prefix():
    venv = os.environ.get("ZEVAHV_TEST_VENV")
    if not venv:
        pytest.skip("no virtual environment with the library installed (scripts/pytest makes one)")
    code = "import zevahvlink; print(zevahvlink.library_release(), zevahvlink.library_path())"
    done = _run(code, "", os.path.join(venv, "bin", "python"))
    assert done.returncode == 0, done.stderr
    release, path = done.stdout.split()
    assert release == "6.4"
    assert os.path.realpath(path).startswith(os.path.realpath(venv) + os.sep)
