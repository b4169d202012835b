"""What the package raises: relaymatrix.Error and its subclasses, one a status
of the library, and Interrupted for a stop asked for by a signal."""

from __future__ import annotations

import signal
from typing import Optional


class Error(Exception):
    """A call the library refused or could not carry out; ``status`` is its code."""

    status: int = -1

    def __init__(self, message: str, status: Optional[int] = None) -> None:
        super().__init__(message)
        self.message = message
        if status is not None:
            self.status = status


class BadArgumentError(Error, ValueError):
    """A relay name, list, wiring file or other argument that cannot be taken: nothing switched."""
    status = 1


class RuleError(Error):
    """Refused by the station's wiring or the per-board limit: nothing switched."""
    status = 2


class CardHeldError(Error):
    """Another program (named) held the card past the wait."""
    status = 3


class NoCardError(Error):
    """The driver found no card, or the card lock cannot be used."""
    status = 4


class NotAsAskedError(Error):
    """A relay did not follow, or a board reads back all ones."""
    status = 5


class ControllerBusyError(Error):
    """The SPI controller stayed busy: boards pushed open, the session ended."""
    status = 6


class RecordError(Error):
    """The record could not be written: boards pushed open, the session ended."""
    status = 7


class NoSessionError(Error):
    """No session is open (or it belongs to another process)."""
    status = 8


class SessionOpenError(Error):
    """A session is open already in this process."""
    status = 9


class LibraryError(Error):
    """The relaymatrix library cannot be found or loaded."""


BY_STATUS = {cls.status: cls for cls in (BadArgumentError, RuleError, CardHeldError, NoCardError, NotAsAskedError,
                                         ControllerBusyError, RecordError, NoSessionError, SessionOpenError)}


class Interrupted(KeyboardInterrupt):
    """SIGTERM or SIGHUP arrived while a session was open (``signal`` says which).

    A KeyboardInterrupt, as Ctrl+C's: ``except Exception`` does not swallow
    it, pytest ends the run, and leaving ``with`` by it stops the session.
    """

    def __init__(self, signum: "int | str") -> None:
        self.signal = signal.Signals[signum] if isinstance(signum, str) else signal.Signals(signum)
        super().__init__(self.signal.name)
