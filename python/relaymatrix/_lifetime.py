"""A session always ends safely: its handle, kept where every way out can
reach it, and what stops it when the program does not end it: a Session
dropped (weakref.finalize), the interpreter's exit (atexit), SIGTERM and
SIGHUP (an Interrupted raised to unwind ``with``). A forked child never
touches its parent's session.

The library allows one session a process at a time, so one handle at most is
the current one; any other a Python object still holds is stale (its session
ended while an interrupt was being raised) and is never passed to C, where
its address could name a newer session.
"""

from __future__ import annotations

import atexit
import ctypes
import os
import signal
import threading
from typing import Any, Callable, Dict, Optional

from ._errors import Interrupted

# Statuses after which the library has ended the session itself.
ENDED_BY_LIBRARY = (6, 7)


class Handle:
    """One session's C handle, owned by its Session and by what stops it."""

    def __init__(self, lib: ctypes.CDLL) -> None:
        self.lib = lib
        self.pointer = ctypes.c_void_p()
        self.process = os.getpid()
        # Made for an open under way: from the C call's return until opened()
        # the handle is the session's, though not yet the current one.
        self.opening = True

    def is_current(self) -> bool:
        return _current is self and self.process == os.getpid() and bool(self.pointer.value)

    def for_call(self) -> Optional[int]:
        """The handle to pass to a call: none once this session is not the
        current one (the library then says no session is open); a forked
        child's copy, for the library to name the process it belongs to."""
        return self.pointer.value if _current is self or self.process != os.getpid() else None

    def opened(self) -> None:
        """The C call gave a handle: from now on this is the session to stop."""
        global _current
        if self.process == os.getpid() and self.pointer.value:
            _current = self
            _take_signals()
        self.opening = False

    def ended(self) -> None:
        """The session is over (ended, stopped, or ended by the library)."""
        global _current
        self.pointer.value = None
        self.opening = False
        if _current is self:
            _current = None
            _give_back_signals()

    def stop(self, why: str) -> Optional[int]:
        """relaymatrix_session_stop on this session, if it is this process's
        open one: its status, or None when there was nothing to stop."""
        mine = _current is self or (self.opening and _current is None)
        if self.process != os.getpid() or not self.pointer.value or not mine:
            return None
        status = None
        try:
            status = self.lib.relaymatrix_session_stop(self.pointer, why.encode(errors="replace"))
            return status
        finally:
            # Interrupted before the call returned, the handle is kept, for
            # the exit to stop the session if the call was never made.
            if status is not None:
                self.ended()


_current: Optional[Handle] = None


def _stop_at_exit() -> None:
    if _current is not None:
        _current.stop("the end of the process")


atexit.register(_stop_at_exit)


# SIGTERM and SIGHUP (a CI job cancelled, a runner's time-out, the terminal
# gone) while a session is open raise Interrupted in the main thread, so that
# ``with`` unwinds and stops the session. Only a signal left to its default is
# taken: one the program ignores stays ignored (nohup), one it handles itself
# stays its own. The default comes back when the session ends.
_SIGNALS = [s for s in (getattr(signal, "SIGTERM", None), getattr(signal, "SIGHUP", None)) if s is not None]
_taken: Dict[int, Any] = {}


def _on_signal(signum: int, frame: Any) -> None:
    if _current is not None and _current.process == os.getpid():
        raise Interrupted(signum)
    # No session any more (it ended in another thread, where the handler
    # could not be given back): the signal does what it did before.
    previous = _taken.pop(signum, signal.SIG_DFL)
    signal.signal(signum, previous)
    if callable(previous):
        previous(signum, frame)
    elif previous == signal.SIG_DFL:
        os.kill(os.getpid(), signum)


def _take_signals() -> None:
    if threading.current_thread() is not threading.main_thread():
        return
    for signum in _SIGNALS:
        if signum not in _taken and signal.getsignal(signum) == signal.SIG_DFL:
            signal.signal(signum, _on_signal)
            _taken[signum] = signal.SIG_DFL


def _give_back_signals() -> None:
    if threading.current_thread() is not threading.main_thread():
        return
    for signum, previous in list(_taken.items()):
        if signal.getsignal(signum) is _on_signal:
            signal.signal(signum, previous)
        del _taken[signum]


def _in_forked_child() -> None:
    # The parent's session is the parent's: every Handle keeps the parent's
    # process and so does nothing here, and the signals are as they were.
    global _current
    _current = None
    try:
        _give_back_signals()
    except ValueError:
        pass


if hasattr(os, "register_at_fork"):
    os.register_at_fork(after_in_child=_in_forked_child)


def dropped(handle: Handle) -> Callable[[], None]:
    """What stops a Session's handle once the Session is dropped unended."""
    def stop() -> None:
        handle.stop("the Session object dropped without end()")
    return stop
