"""Boards in their slots and their channels, as the crate map reports them."""
from __future__ import annotations

from typing import TYPE_CHECKING, List, Optional, Tuple

from ._values import Value
from .parameters import Parameters

if TYPE_CHECKING:
    from .system import System


class Board:
    """The board in one slot of a system (a module is one board in slot 0).

    Attributes: ``slot``, ``model``, ``description``, ``serial``,
    ``firmware`` ("major.minor"), ``firmware_release`` ((major, minor)),
    ``channel_count``.  ``parameters`` holds the board parameters and
    ``channels`` the channels, each with its own ``parameters``.
    """

    def __init__(self, system: "System", slot: int, model: str, description: str,
                 serial: int, firmware_release: Tuple[int, int], channel_count: int) -> None:
        self._system = system
        self.slot = slot
        self.model = model
        self.description = description
        self.serial = serial
        self.firmware_release = firmware_release
        self.channel_count = channel_count
        self._parameters: Optional[Parameters] = None

    @property
    def firmware(self) -> str:
        return f"{self.firmware_release[0]}.{self.firmware_release[1]}"

    @property
    def channels(self) -> List["Channel"]:
        return [Channel(self, n) for n in range(self.channel_count)]

    @property
    def parameters(self) -> Parameters:
        """The board parameters by name, with their properties."""
        if self._parameters is None:
            self._parameters = self._system._parameters(self.slot, None)
        return self._parameters

    def get(self, name: str, raw: bool = False) -> Value:
        """Reads a board parameter."""
        return self._system.get(self.slot, name, raw=raw)

    def set(self, name: str, value: Value) -> None:
        """Writes a board parameter."""
        self._system.set(self.slot, name, value)

    def __repr__(self) -> str:
        return (f"<Board slot {self.slot}: {self.model} serial {self.serial} "
                f"firmware {self.firmware}, {self.channel_count} channels>")


class Channel:
    """One channel of a board."""

    def __init__(self, board: Board, index: int) -> None:
        self.board = board
        self.index = index
        self._parameters: Optional[Parameters] = None

    @property
    def slot(self) -> int:
        return self.board.slot

    @property
    def name(self) -> str:
        """The channel's name as the system keeps it; writable on mainframes."""
        return self.board._system.channel_names(self.slot, [self.index])[0]

    @name.setter
    def name(self, text: str) -> None:
        self.board._system.set_channel_name(self.slot, [self.index], text)

    @property
    def parameters(self) -> Parameters:
        """The channel parameters by name, with their properties."""
        if self._parameters is None:
            self._parameters = self.board._system._parameters(self.slot, self.index)
        return self._parameters

    def get(self, name: str, raw: bool = False) -> Value:
        """Reads a parameter of this channel."""
        return self.board._system.get(self.slot, name, channels=self.index, raw=raw)

    def set(self, name: str, value: Value) -> None:
        """Writes a parameter of this channel."""
        self.board._system.set(self.slot, name, value, channels=self.index)

    def __repr__(self) -> str:
        return f"<Channel {self.index} of slot {self.slot}>"
