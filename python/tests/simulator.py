"""A zevahv-sim child process for the tests.

Started on a free loopback port, waited for until its READY line, driven
through its control channel (stdin/stdout) and stopped by its pid.  A
simulator serves until it is stopped, whatever its stdin does, so the
child asks the kernel to end it when the test process dies: it cannot
outlive a test run that is killed.
"""
from __future__ import annotations

import ctypes
import functools
import os
import re
import selectors
import signal
import subprocess
import time
from typing import List, Optional

READY_TIMEOUT = 10.0
CONTROL_TIMEOUT = 10.0


def binary() -> str:
    path = os.environ.get("ZEVAHV_SIM", "")
    if not path or not os.access(path, os.X_OK):
        raise RuntimeError("ZEVAHV_SIM must name the zevahv-sim program of the build "
                           "(scripts/pytest sets it)")
    return path


_PR_SET_PDEATHSIG = 1


def _end_with_parent() -> None:
    """In the child before exec: SIGTERM when the test process ends."""
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)


@functools.lru_cache(maxsize=None)
def _help() -> str:
    return subprocess.run([binary(), "--help"], capture_output=True, text=True,
                          timeout=30).stdout


def offers(device: str) -> bool:
    """Whether the build's simulator knows the device word."""
    return re.search(rf"^\s+{re.escape(device)}\b", _help(), re.M) is not None


class Simulator:
    """``zevahv-sim DEVICE ARGS...``; ARGS choose the TCP address ("--tcp 127.0.0.1:0")."""

    def __init__(self, device: str, *args: str) -> None:
        self.device = device
        self._pending = b""
        self.proc = subprocess.Popen([binary(), device, *args],
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     preexec_fn=_end_with_parent)
        try:
            line = self._read_line(READY_TIMEOUT)
            words = (line or "").split()
            if len(words) != 4 or words[:2] != ["READY", "tcp"]:
                raise RuntimeError(f"zevahv-sim {device} did not start: {line!r}")
            self.host, self.port = words[2], int(words[3])
        except BaseException:
            self.stop()
            raise

    def address(self, board: int = 0) -> str:
        """The connection argument of a module on this simulator."""
        return f"{self.host}:{self.port}_{board}"

    def _read_line(self, timeout: float) -> Optional[str]:
        deadline = time.monotonic() + timeout
        fd = self.proc.stdout.fileno()
        with selectors.DefaultSelector() as sel:
            sel.register(fd, selectors.EVENT_READ)
            while b"\n" not in self._pending:
                left = deadline - time.monotonic()
                if left <= 0 or not sel.select(left):
                    return None
                chunk = os.read(fd, 4096)
                if not chunk:
                    return None
                self._pending += chunk
        line, self._pending = self._pending.split(b"\n", 1)
        return line.decode().rstrip("\r")

    def control(self, command: str) -> str:
        """One control line, and the simulator's answer ("OK ..." or "ERR ...")."""
        self.proc.stdin.write(command.encode() + b"\n")
        self.proc.stdin.flush()
        answer = self._read_line(CONTROL_TIMEOUT)
        if answer is None:
            raise RuntimeError(f"no answer to {command!r}")
        return answer

    def command_count(self) -> int:
        return int(self.control("count").split()[1])

    def stop(self) -> None:
        """Ends the process by its pid, and reaps it."""
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        for f in (self.proc.stdin, self.proc.stdout):
            if f:
                f.close()


def wait_until(condition, timeout: float = 10.0, step: float = 0.02) -> bool:
    """Polls a condition until it holds or the time is up."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(step)
    return condition()


def private_loopback_host() -> str:
    """A loopback address of this test process's own (a crate's, whose port may be fixed).

    127.<pid>.<n>: the process id keeps parallel test runs apart, the
    counter the crates of one run.
    """
    global _hosts
    _hosts += 1
    pid = os.getpid()
    return f"127.{40 + (pid >> 16) % 200}.{(pid >> 8) & 255}.{1 + ((pid & 255) * 7 + _hosts) % 253}"


_hosts = 0


def free_port() -> int:
    """A loopback port where nothing listens (the kernel just handed it out)."""
    import socket
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


__all__: List[str] = ["Simulator", "wait_until", "free_port", "binary", "private_loopback_host"]
