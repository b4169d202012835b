"""The relay matrix from Python test sequences, over the relaymatrix library.

    import relaymatrix

    with relaymatrix.Session(wiring="bench-3.toml", record="step-12.log", wait=10) as m:
        m.close("I+@J4.1", "V-@J4.2")      # names, "b:r:c" or numbers; all or none
        assert m.is_closed("I+@J4.1")
        m.open("V-@J4.2")

With a wiring file that has buses, routes join ends and the path is found:

    with relaymatrix.Session(wiring="bench-7.toml") as m:
        route = m.connect("DMM_HI", "P20")   # Route: name, from_, to, relays
        m.switch_to("measure_vcc")           # break before make by default
        m.disconnect(route)

A session holds the card (other programs wait for it, as they wait for each
other), keeps the station's wiring rules and writes its record, which relaylog
judges like any other. Every refusal and fault raises relaymatrix.Error (a
subclass says which) with the library's own words.

A session always ends safely: leaving ``with`` by any exception, a Session
dropped without end(), the interpreter's exit, SIGTERM or SIGHUP while it is
open (raised as relaymatrix.Interrupted, a KeyboardInterrupt) each stop it:
every board it pushed is pushed open and read back, its record ends "Session
stopped: interrupted by ..." and the card is let go.

The library is found through RELAYMATRIX_LIBRARY (a path), beside this file
(an installed copy carries it), in an install's lib folder, or on the
system's library path. On Linux it drives the simulated card, set up through
RELAYSIM as for the programs.
"""

from __future__ import annotations

import ctypes
import math
import os
import re
import sys
import time
import weakref
from types import TracebackType
from typing import Any, List, Optional, Type, Union

from . import _arguments as arguments
from ._errors import (BadArgumentError, CardHeldError, ControllerBusyError, Error, Interrupted, LibraryError,
                      NoCardError, NoSessionError, NotAsAskedError, RecordError, RuleError, SessionOpenError)
from ._library import check, last_error, library_path, load, shown, version
from ._lifetime import ENDED_BY_LIBRARY, Handle, dropped
from . import _routes as routing
from ._routes import Route

__all__ = [
    "Session", "Route", "Error", "BadArgumentError", "RuleError", "CardHeldError", "NoCardError",
    "NotAsAskedError", "ControllerBusyError", "RecordError", "NoSessionError", "SessionOpenError",
    "LibraryError", "Interrupted", "library_path", "version",
]

for _public in (Route, Error, BadArgumentError, RuleError, CardHeldError, NoCardError, NotAsAskedError, ControllerBusyError,
                RecordError, NoSessionError, SessionOpenError, LibraryError, Interrupted):
    _public.__module__ = __name__

Relay = Union[str, int]
_NO_WIRING = 1
_HOLDER = re.compile(r"held by (.*) after \d+ s")
_HELD_FOR = re.compile(r" after \d+ s(?=: nothing was switched)")


def _why(error: BaseException) -> str:
    """What the record's stop line names for the exception that left ``with``."""
    if isinstance(error, Interrupted):
        return error.signal.name
    if isinstance(error, KeyboardInterrupt):
        return "KeyboardInterrupt"
    return f"an exception ({type(error).__name__})"


class Session:
    """One session on the card: ``with Session(...) as m:`` or start()/end().

    wiring: the station's wiring file (None: RELAYTEST_WIRING's, if set;
    no_wiring=True: none at all, and no wiring= with it). record: the file
    for the record (None: no record). wait: seconds to wait while another
    program holds the card, a fraction rounded up (None: as long as it takes;
    0: not at all). max_closed: the most relays of one board closed, 0-127
    (0: the programs' 32; a wiring file may lower it). open_all_at_end: open
    every relay when the session ends normally. ledger: the station's relay
    ledger, which counts each relay's operations (None: RELAYTEST_LEDGER's,
    if set; docs/ledger.md).
    """

    def __init__(self, wiring: Optional[Union[str, os.PathLike]] = None,
                 record: Optional[Union[str, os.PathLike]] = None, wait: Optional[float] = 60,
                 max_closed: int = 0, no_wiring: bool = False, open_all_at_end: bool = False,
                 ledger: Optional[Union[str, os.PathLike]] = None) -> None:
        self.wiring = wiring
        self.ledger = ledger
        self.record = record
        self.wait = wait
        self.max_closed = max_closed
        self.no_wiring = no_wiring
        self.open_all_at_end = open_all_at_end
        self._opening()
        arguments.wait_seconds(wait)
        self._lib = load()
        self._handle = Handle(self._lib)
        self._finalizer: Optional[weakref.finalize] = None

    def _opening(self) -> tuple:
        """relaymatrix_session_open's arguments but the wait, checked."""
        if self.no_wiring and self.wiring is not None:
            raise BadArgumentError(f"wiring={shown(repr(self.wiring))} with no_wiring=True: give one or the other")
        arguments.file_path("ledger", self.ledger)
        return (arguments.file_path("wiring", self.wiring), arguments.file_path("record", self.record),
                arguments.max_closed(self.max_closed), _NO_WIRING if self.no_wiring else 0)

    # The session itself.
    def start(self) -> "Session":
        """Takes the card and starts the record; says once on standard error
        when it waits for a card another program holds."""
        wiring, record, max_closed, flags = self._opening()
        wait = arguments.wait_seconds(self.wait)
        if self._handle.is_current():
            raise SessionOpenError("this Session is open already: end it first")
        handle = self._handle = Handle(self._lib)
        if self._finalizer is not None:
            self._finalizer.detach()
        self._finalizer = weakref.finalize(self, dropped(handle))
        self._finalizer.atexit = False  # the exit stops it, naming the exit
        # None: the ledger RELAYTEST_LEDGER names, if any.
        check(self._lib, self._lib.relaymatrix_use_ledger(arguments.file_path("ledger", self.ledger)))
        try:
            status = self._open_waiting(wait, wiring, record, max_closed, flags, ctypes.byref(handle.pointer))
            handle.opened()
        except BaseException as error:
            # Interrupted with the card held: the session is stopped at once.
            handle.stop(_why(error))
            raise
        if status == CardHeldError.status:
            raise CardHeldError(_HELD_FOR.sub(f" after {wait} s", last_error(self._lib)), status)
        check(self._lib, status)
        return self

    def _open_waiting(self, wait: int, wiring: Optional[bytes], record: Optional[bytes], max_closed: int,
                      flags: int, pointer: Any) -> int:
        """relaymatrix_session_open, waiting for a held card a second at a
        time, so that Ctrl+C ends the wait; said once on standard error."""
        status = self._lib.relaymatrix_session_open(wiring, record, 0, max_closed, flags, pointer)
        if status != CardHeldError.status or wait == 0:
            return status
        held = _HOLDER.search(last_error(self._lib))
        how_long = "for it" if wait == arguments.WAIT_FOREVER else f"up to {wait} s for it"
        print(f"relaymatrix: the card is held by {shown(held.group(1)) if held else 'another program'}; "
              f"waiting {how_long}", file=sys.stderr, flush=True)
        deadline = time.monotonic() + wait
        while status == CardHeldError.status:
            left = 1 if wait == arguments.WAIT_FOREVER else min(1, math.ceil(deadline - time.monotonic()))
            if left <= 0:
                break
            status = self._lib.relaymatrix_session_open(wiring, record, left, max_closed, flags, pointer)
        return status

    def end(self, open_all: bool = False) -> None:
        """Ends the session (opening every relay first when asked) and lets the
        card go. A session not open here (ended, or a forked child's copy of
        its parent's) is left alone."""
        handle = self._handle
        if not handle.is_current():
            return
        status = None
        try:
            status = self._lib.relaymatrix_session_end(handle.pointer, 1 if open_all else 0)
        finally:
            if status is not None:
                handle.ended()
        check(self._lib, status)

    def __enter__(self) -> "Session":
        return self.start()

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        if error is None:
            try:
                self.end(open_all=self.open_all_at_end)
            except BaseException as late:
                self._handle.stop(_why(late))
                raise
            return
        # A failing step must not leave a source connected: the session is
        # stopped (every board it pushed opened), and the step's own exception
        # is the one raised.
        status = self._handle.stop(_why(error))
        if status and hasattr(error, "add_note"):
            error.add_note(f"relaymatrix: {last_error(self._lib)}")

    def _call(self, function: Any, *args: Any) -> None:
        status = function(self._handle.for_call(), *args)
        if status in ENDED_BY_LIBRARY:
            self._handle.ended()
        check(self._lib, status)

    # Switching.
    def close(self, *relays: Any) -> None:
        """Closes the relays, all or none: the request is checked whole first.
        Relays are numbers or names, and lists, tuples, sets or ranges of them."""
        self._call(self._lib.relaymatrix_close, arguments.relay_list(relays))

    def open(self, *relays: Any) -> None:
        """Opens the relays ("all": every one)."""
        self._call(self._lib.relaymatrix_open, arguments.relay_list(relays))

    def open_all(self) -> None:
        """Opens every relay of every board."""
        self._call(self._lib.relaymatrix_open_all)

    # What the card holds, read back from it.
    def closed(self, board: Optional[int] = None) -> List[int]:
        """Every closed relay by number, ascending: of one board (0-7) or all."""
        relays = (ctypes.c_int * 1024)()
        count = ctypes.c_int(0)
        self._call(self._lib.relaymatrix_closed, arguments.board(board), relays, 1024, ctypes.byref(count))
        return list(relays[:count.value])

    def is_closed(self, relay: Relay) -> bool:
        """Whether the relay reads back closed."""
        closed = ctypes.c_int(0)
        self._call(self._lib.relaymatrix_is_closed, arguments.one_relay(relay), ctypes.byref(closed))
        return closed.value != 0

    def number(self, relay: Relay) -> int:
        """The relay's number, through the session's wiring names (RELAYTEST_WIRING's
        when the session is not open)."""
        number = ctypes.c_int(0)
        check(self._lib, self._lib.relaymatrix_relay_number(self._handle.for_call(), arguments.one_relay(relay),
                                                           ctypes.byref(number)))
        return number.value

    # Routes between ends, through the station's buses (docs/routes.md). What
    # is connected is read from the boards every time; each call waits the
    # route's settle time before it returns.
    def connect(self, first: Union[str, Route], second: Optional[str] = None) -> Route:
        """Joins two ends (connect("DMM_HI", "P3")) or makes a route the wiring
        names (connect("dmm_vcc")): the shortest free path, or its pinned one,
        closed whole or not at all. Ends joined already: their route."""
        from_, to = routing.ends(first, second)
        return routing.routes_from(routing.lines(self._call, self._lib.relaymatrix_connect, from_, to))[0]

    def disconnect(self, first: Union[str, Route], second: Optional[str] = None) -> None:
        """Opens a route's relays that no other connection needs: a Route, a
        route's name, or its two ends. Ends not joined: nothing is switched."""
        from_, to = routing.ends(first, second)
        self._call(self._lib.relaymatrix_disconnect, from_, to)

    def routes(self) -> List[Route]:
        """Every route the boards connect now (made by anyone)."""
        return routing.routes_from(routing.lines(self._call, self._lib.relaymatrix_routes))

    def find_route(self, first: Union[str, Route], second: Optional[str] = None) -> Route:
        """The route connect() would close (or the one joining the ends now),
        switching nothing; RuleError when connect() would be refused."""
        from_, to = routing.ends(first, second)
        return routing.routes_from(routing.lines(self._call, self._lib.relaymatrix_find_route, from_, to))[0]

    def switch_to(self, routes: Any, order: str = "break-before-make") -> None:
        """Makes these the only routes connected: a group's or route's name, a
        Route, or a list of them. Relays the old and new routes share are never
        switched; order="make-before-break" closes first, refused unless every
        rule holds over both sets at once. All or nothing."""
        how = routing.order(order)
        self._call(self._lib.relaymatrix_switch_to, routing.names(routes), how)
