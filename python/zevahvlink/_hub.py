"""The event connections of one system: a listening port per stream, and
the connections accepted on it, read with ``ZEVAHV_GetEventData``; or, for
a legacy mainframe, a datagram port read with ``ZEVAHVGetEventData``.

Two kinds of peers connect.  The library's polling thread (modules) comes
from this host's loopback address and first sends one NUL-terminated
identification text.  A mainframe comes from its own address and sends
frames at once.  A legacy mainframe connects to nothing: it sends
datagrams from its address to the port.

A polling thread keeps its connection while anything is subscribed and for
up to one cycle after the last item goes, and connects again only when it
has none, whatever port a new subscription names.  So its connection
outlives the stream that made it and serves the next one; everything else
(the listening port, a mainframe's connections) goes when the stream ends.

One thread reads (the stream's); another may end the stream or close the
system at any time.  Those wake the reader and touch the sockets only once
it has let go of them, so the reader never hands the library a socket
number that was closed and reused meanwhile.
"""
from __future__ import annotations

import selectors
import socket
import threading
import time
from typing import List, Optional

from . import _lists
from ._records import NO_STATUS, read_datagram, read_frame

POLLING_PEER = "127.0.0.1"      # where the library's polling threads connect from
_IDENT_LIMIT = 256              # an identification text longer than this is not one

# What Hub.wait_batch returns when it was interrupted by stop_listening or close.
INTERRUPTED = object()


class _Connection:
    def __init__(self, sock: socket.socket, peer: str) -> None:
        self.sock = sock
        self.peer = peer
        self.polling = peer == POLLING_PEER
        # A polling thread's connection starts with its identification text.
        self.ident: Optional[str] = None if self.polling else ""
        self._ident_bytes = b""

    def read_ident(self) -> bool:
        """Reads what has arrived of the identification text; False: drop the connection."""
        try:
            data = self.sock.recv(_IDENT_LIMIT, socket.MSG_PEEK)
            if not data:
                return False
            end = data.find(b"\0")
            taken = self.sock.recv(len(data) if end < 0 else end + 1)
        except OSError:
            return False
        self._ident_bytes += taken
        if end >= 0:
            self.ident = _lists.text(self._ident_bytes)
        return len(self._ident_bytes) <= _IDENT_LIMIT


class Hub:
    def __init__(self) -> None:
        self._wake_r, self._wake_w = socket.socketpair()
        self._wake_r.setblocking(False)
        self._selector = selectors.DefaultSelector()
        self._selector.register(self._wake_r, selectors.EVENT_READ, "wake")
        self._listener: Optional[socket.socket] = None
        self._connections: List[_Connection] = []
        self._reading = threading.Lock()
        self._interrupt = False
        self._closed = False
        self.port = 0

    # -- the listening port of a stream ----------------------------------------------------
    def listen(self, host: str, datagrams: bool = False) -> int:
        """Opens the port for a new stream (a listening one, or one for
        datagrams); returns its number."""
        with self._reading:
            listener = socket.socket(socket.AF_INET,
                                     socket.SOCK_DGRAM if datagrams else socket.SOCK_STREAM)
            try:
                listener.bind((host, 0))
                if not datagrams:
                    listener.listen(8)
                listener.setblocking(False)
            except OSError:
                listener.close()
                raise
            self._listener = listener
            self._selector.register(listener, selectors.EVENT_READ,
                                    "datagrams" if datagrams else "listener")
            self.port = listener.getsockname()[1]
            return self.port

    def stop_listening(self) -> None:
        """The end of a stream: the port and every connection but a polling thread's go."""
        with self._interrupted():
            # A polling thread that connected but was not accepted yet would
            # be cut off with the port, and would not connect again.
            self._accept()
            self._close_listener()
            for c in list(self._connections):
                if not c.polling:
                    self._drop(c)

    def close(self) -> None:
        """The end of the system: everything goes."""
        if self._closed:
            return
        for c in list(self._connections):
            try:
                c.sock.shutdown(socket.SHUT_RDWR)  # ends a read in progress
            except OSError:
                pass
        with self._interrupted():
            self._closed = True
            self._close_listener()
            for c in list(self._connections):
                self._drop(c)
            self._selector.close()
            self._wake_r.close()
            self._wake_w.close()

    class _Interrupt:
        def __init__(self, hub: "Hub") -> None:
            self.hub = hub

        def __enter__(self) -> None:
            hub = self.hub
            hub._interrupt = True
            try:
                hub._wake_w.send(b"x")
            except OSError:
                pass
            hub._reading.acquire()

        def __exit__(self, *exc) -> None:
            hub = self.hub
            hub._interrupt = False
            if not hub._closed:
                try:
                    while hub._wake_r.recv(64):
                        pass
                except OSError:
                    pass
            hub._reading.release()

    def _interrupted(self) -> "_Interrupt":
        """Holds the reader off (waking it first) for a change of the sockets."""
        return Hub._Interrupt(self)

    def _close_listener(self) -> None:
        if self._listener is not None:
            self._selector.unregister(self._listener)
            self._listener.close()
            self._listener = None

    def _drop(self, conn: _Connection) -> None:
        self._connections.remove(conn)
        try:
            self._selector.unregister(conn.sock)
        except (KeyError, ValueError):
            pass
        conn.sock.close()

    def _accept(self) -> None:
        while self._listener is not None and self._listener.type == socket.SOCK_STREAM:
            try:
                sock, (peer, _) = self._listener.accept()
            except OSError:  # none waiting any more
                return
            sock.setblocking(True)  # the library's reader expects a blocking socket
            conn = _Connection(sock, peer)
            self._connections.append(conn)
            self._selector.register(sock, selectors.EVENT_READ, conn)

    # -- reading -----------------------------------------------------------------------------
    def wait_batch(self, deadline: Optional[float]):
        """The records and status of the next frame on any connection; None at the
        deadline, INTERRUPTED when the stream ended or the system closed meanwhile."""
        with self._reading:
            while not self._interrupt and not self._closed:
                remaining = None if deadline is None else deadline - time.monotonic()
                if remaining is not None and remaining <= 0:
                    return None
                for key, _ in self._selector.select(remaining):
                    conn = key.data
                    if self._interrupt or conn == "wake":
                        break
                    if conn == "listener":
                        self._accept()
                    elif conn == "datagrams":
                        # Strangers' and broken datagrams give nothing: the
                        # next one may be good.
                        _, records = read_datagram(self._listener.fileno())
                        if records:
                            return records, NO_STATUS
                    elif conn.ident is None:
                        if not conn.read_ident():
                            self._drop(conn)
                    else:
                        batch = read_frame(conn.sock.fileno())
                        if batch is None:
                            # Closed by the peer, or not an event stream: a
                            # polling thread connects again when it must.
                            self._drop(conn)
                        else:
                            return batch
            return INTERRUPTED
