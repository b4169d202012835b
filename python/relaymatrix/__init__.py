"""The relay matrix from Python test sequences, over the relaymatrix library.

    import relaymatrix

    with relaymatrix.Session(wiring="bench-3.toml", record="step-12.log", wait=10) as m:
        m.close("I+@J4.1", "V-@J4.2")      # names, "b:r:c" or numbers; all or none
        assert m.is_closed("I+@J4.1")
        m.open("V-@J4.2")

A session holds the card (other programs wait for it, as they wait for each
other), keeps the station's wiring rules and writes its record, which relaylog
judges like any other. Every refusal and fault raises relaymatrix.Error (a
subclass says which) with the library's own words. Leaving the ``with`` block
by an exception opens every relay the session closed.

The library is found through RELAYMATRIX_LIBRARY (a path), beside this file
(an installed copy carries it), in an install's lib folder, or on the
system's library path. On Linux it drives the simulated card, set up through
RELAYSIM as for the programs.
"""

from __future__ import annotations

import ctypes
import ctypes.util
import os
import sys
import threading
from pathlib import Path
from types import TracebackType
from typing import Iterable, List, Optional, Type, Union

__all__ = [
    "Session", "Error", "BadArgumentError", "RuleError", "CardHeldError", "NoCardError",
    "NotAsAskedError", "ControllerBusyError", "RecordError", "NoSessionError", "SessionOpenError",
    "library_path", "version",
]

Relay = Union[str, int]


class Error(Exception):
    """A call the library refused or could not carry out; ``status`` is its code."""

    status: int = -1

    def __init__(self, message: str, status: Optional[int] = None) -> None:
        super().__init__(message)
        self.message = message
        if status is not None:
            self.status = status


class BadArgumentError(Error, ValueError):
    """A relay name, list or wiring file that cannot be read: nothing switched."""
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
    """No session is open."""
    status = 8


class SessionOpenError(Error):
    """A session is open already in this process."""
    status = 9


_ERRORS = {cls.status: cls for cls in (BadArgumentError, RuleError, CardHeldError, NoCardError, NotAsAskedError,
                                       ControllerBusyError, RecordError, NoSessionError, SessionOpenError)}
_NO_WIRING = 1
_NAMES = {"linux": "librelaymatrix.so", "win32": "relaymatrix.dll", "darwin": "librelaymatrix.dylib"}
_lock = threading.Lock()
_library: Optional[ctypes.CDLL] = None


def library_path() -> str:
    """Where the library is taken from (RELAYMATRIX_LIBRARY first)."""
    given = os.environ.get("RELAYMATRIX_LIBRARY")
    if given:
        return given
    name = _NAMES.get(sys.platform, "librelaymatrix.so")
    here = Path(__file__).resolve().parent
    for candidate in (here / name, here.parent.parent / "lib" / name, here.parent.parent / "bin" / name,
                      Path(sys.prefix) / "lib" / name):
        if candidate.is_file():
            return str(candidate)
    found = ctypes.util.find_library("relaymatrix")
    if found:
        return found
    raise Error(f"the relaymatrix library was not found: set RELAYMATRIX_LIBRARY to {name}")


def _load() -> ctypes.CDLL:
    global _library
    with _lock:
        if _library is not None:
            return _library
        # On Windows the library imports TEVRIS.DLL: found as the programs find
        # it (the system folders, the current folder, PATH).
        options = {"winmode": 0} if sys.platform == "win32" else {}
        lib = ctypes.CDLL(library_path(), **options)
        c_int, c_char_p, c_int_p = ctypes.c_int, ctypes.c_char_p, ctypes.POINTER(ctypes.c_int)
        handle = ctypes.c_void_p
        signatures = {
            "relaymatrix_session_open": [c_char_p, c_char_p, c_int, c_int, ctypes.c_uint, ctypes.POINTER(handle)],
            "relaymatrix_session_end": [handle, c_int],
            "relaymatrix_session_stop": [handle, c_char_p],
            "relaymatrix_close": [handle, c_char_p],
            "relaymatrix_open": [handle, c_char_p],
            "relaymatrix_open_all": [handle],
            "relaymatrix_closed": [handle, c_int, c_int_p, c_int, c_int_p],
            "relaymatrix_is_closed": [handle, c_char_p, c_int_p],
            "relaymatrix_relay_number": [handle, c_char_p, c_int_p],
            "relaymatrix_last_error": [c_char_p, c_int],
        }
        for name, args in signatures.items():
            function = getattr(lib, name)
            function.argtypes = args
            function.restype = c_int
        lib.relaymatrix_version.argtypes = []
        lib.relaymatrix_version.restype = c_char_p
        _library = lib
        return lib


def version() -> str:
    """The library's version, "1.0.0"."""
    return _load().relaymatrix_version().decode()


def _text(value: Optional[Union[str, os.PathLike]]) -> Optional[bytes]:
    return None if value is None else os.fsencode(value)


def _check(lib: ctypes.CDLL, status: int) -> None:
    if status == 0:
        return
    buffer = ctypes.create_string_buffer(4096)
    lib.relaymatrix_last_error(buffer, len(buffer))
    message = buffer.value.decode(errors="replace")
    raise _ERRORS.get(status, Error)(message, status)


def _listed(relays: Iterable[Relay]) -> str:
    items = [str(relay).strip() for relay in relays]
    if not items:
        raise BadArgumentError("no relays named")
    return ",".join(items)


class Session:
    """One session on the card: ``with Session(...) as m:`` or start()/end().

    wiring: the station's wiring file (None: RELAYTEST_WIRING's, if set;
    no_wiring=True: none at all). record: the file for the record (None: no
    record). wait: seconds to wait while another program holds the card (None:
    as long as it takes; 0: not at all). max_closed: the most relays of one
    board closed (0: the programs' 32; a wiring file may lower it).
    open_all_at_end: open every relay when the session ends normally.
    """

    def __init__(self, wiring: Optional[Union[str, os.PathLike]] = None,
                 record: Optional[Union[str, os.PathLike]] = None, wait: Optional[float] = 60,
                 max_closed: int = 0, no_wiring: bool = False, open_all_at_end: bool = False) -> None:
        self.wiring = wiring
        self.record = record
        self.wait = wait
        self.max_closed = max_closed
        self.no_wiring = no_wiring
        self.open_all_at_end = open_all_at_end
        self._handle = ctypes.c_void_p()
        self._open = False
        self._lib = _load()

    # The session itself.
    def start(self) -> "Session":
        wait = -1 if self.wait is None else int(self.wait)
        flags = _NO_WIRING if self.no_wiring else 0
        _check(self._lib, self._lib.relaymatrix_session_open(_text(self.wiring), _text(self.record), wait,
                                                             int(self.max_closed), flags, ctypes.byref(self._handle)))
        self._open = True
        return self

    def end(self, open_all: bool = False) -> None:
        """Ends the session (opening every relay first when asked) and lets the card go."""
        if not self._open:
            return
        self._open = False
        _check(self._lib, self._lib.relaymatrix_session_end(self._handle, 1 if open_all else 0))

    def __enter__(self) -> "Session":
        return self.start()

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        if kind is None:
            self.end(open_all=self.open_all_at_end)
            return
        # A failing step must not leave a source connected: the session is
        # stopped (every board it pushed opened), and the step's own exception
        # is the one raised.
        if self._open:
            self._open = False
            self._lib.relaymatrix_session_stop(self._handle, kind.__name__.encode())

    # Switching.
    def close(self, *relays: Relay) -> None:
        """Closes the relays, all or none: the request is checked whole first."""
        _check(self._lib, self._lib.relaymatrix_close(self._handle, _listed(relays).encode()))

    def open(self, *relays: Relay) -> None:
        """Opens the relays ("all": every one)."""
        _check(self._lib, self._lib.relaymatrix_open(self._handle, _listed(relays).encode()))

    def open_all(self) -> None:
        """Opens every relay of every board."""
        _check(self._lib, self._lib.relaymatrix_open_all(self._handle))

    # What the card holds, read back from it.
    def closed(self, board: Optional[int] = None) -> List[int]:
        """Every closed relay by number, ascending: of one board (0-7) or all."""
        relays = (ctypes.c_int * 1024)()
        count = ctypes.c_int(0)
        _check(self._lib, self._lib.relaymatrix_closed(self._handle, -1 if board is None else int(board), relays, 1024,
                                                       ctypes.byref(count)))
        return list(relays[:count.value])

    def is_closed(self, relay: Relay) -> bool:
        """Whether the relay reads back closed."""
        closed = ctypes.c_int(0)
        _check(self._lib, self._lib.relaymatrix_is_closed(self._handle, str(relay).encode(), ctypes.byref(closed)))
        return closed.value != 0

    def number(self, relay: Relay) -> int:
        """The relay's number, through the session's wiring names."""
        number = ctypes.c_int(0)
        _check(self._lib, self._lib.relaymatrix_relay_number(self._handle if self._open else None, str(relay).encode(), ctypes.byref(number)))
        return number.value
