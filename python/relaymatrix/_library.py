"""The relaymatrix C library: where it is, its functions' types, and a call's
status turned into the package's exception."""

from __future__ import annotations

import ctypes
import ctypes.util
import os
import sys
import threading
from pathlib import Path
from typing import List, Optional

from ._errors import BY_STATUS, Error, LibraryError

_NAMES = {"linux": "librelaymatrix.so", "win32": "relaymatrix.dll", "darwin": "librelaymatrix.dylib"}
_lock = threading.Lock()
_library: Optional[ctypes.CDLL] = None


def shown(text: str) -> str:
    """The text with every character that is not printable written as an escape."""
    return "".join(c if c.isprintable() else repr(c)[1:-1] for c in text)


def _given_library(given: str) -> str:
    path = os.path.abspath(os.path.expanduser(given))
    if os.path.isfile(path):
        return path
    taken = "" if os.path.isabs(os.path.expanduser(given)) else f" (a relative path is taken from the current folder, {shown(os.getcwd())})"
    raise LibraryError(f'RELAYMATRIX_LIBRARY is "{shown(given)}": {shown(path)} is not a file{taken}; '
                       "set it to the library's absolute path")


def library_path() -> str:
    """Where the library is taken from: RELAYMATRIX_LIBRARY (a file; a relative
    path from the current folder), the library beside the package, the
    install's lib/ or bin/, then the system's library path."""
    given = os.environ.get("RELAYMATRIX_LIBRARY")
    if given:
        return _given_library(given)
    name = _NAMES.get(sys.platform, "librelaymatrix.so")
    here = Path(__file__).resolve().parent
    places: List[Path] = [here / name, here.parent.parent / "lib" / name, here.parent.parent / "bin" / name,
                          Path(sys.prefix) / "lib" / name]
    for candidate in places:
        if candidate.is_file():
            return str(candidate)
    found = ctypes.util.find_library("relaymatrix")
    if found:
        return found
    raise LibraryError(f"the relaymatrix library was not found (looked for {name} in "
                       f"{', '.join(str(p.parent) for p in places)} and on the system's library path): "
                       "set RELAYMATRIX_LIBRARY to its absolute path")


def _typed(lib: ctypes.CDLL) -> None:
    c_int, c_char_p, c_int_p, handle = ctypes.c_int, ctypes.c_char_p, ctypes.POINTER(ctypes.c_int), ctypes.c_void_p
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
        "relaymatrix_connect": [handle, c_char_p, c_char_p, c_char_p, c_int, c_int_p],
        "relaymatrix_disconnect": [handle, c_char_p, c_char_p],
        "relaymatrix_routes": [handle, c_char_p, c_int, c_int_p],
        "relaymatrix_find_route": [handle, c_char_p, c_char_p, c_char_p, c_int, c_int_p],
        "relaymatrix_switch_to": [handle, c_char_p, c_int],
        "relaymatrix_last_error": [c_char_p, c_int],
        "relaymatrix_use_ledger": [c_char_p],
    }
    for name, args in signatures.items():
        function = getattr(lib, name)
        function.argtypes = args
        function.restype = c_int
    lib.relaymatrix_version.argtypes = []
    lib.relaymatrix_version.restype = c_char_p


def load() -> ctypes.CDLL:
    """The library, loaded once a process; LibraryError when it cannot be."""
    global _library
    with _lock:
        if _library is not None:
            return _library
        path = library_path()
        # On Windows the library imports TEVRIS.DLL: found as the programs find
        # it (the system folders, the current folder, PATH).
        options = {"winmode": 0} if sys.platform == "win32" else {}
        try:
            lib = ctypes.CDLL(path, **options)
        except OSError as error:
            raise LibraryError(f"the relaymatrix library {shown(path)} cannot be loaded: {error}") from None
        try:
            _typed(lib)
        except AttributeError as error:
            raise LibraryError(f"{shown(path)} is not a relaymatrix library this package can use: {error}") from None
        _library = lib
        return lib


def last_error(lib: ctypes.CDLL) -> str:
    """This thread's last call's error text."""
    buffer = ctypes.create_string_buffer(4096)
    lib.relaymatrix_last_error(buffer, len(buffer))
    return buffer.value.decode(errors="replace")


def check(lib: ctypes.CDLL, status: int) -> None:
    """Raises the status's exception, with this thread's error text from the library."""
    if status != 0:
        raise BY_STATUS.get(status, Error)(last_error(lib), status)


def version() -> str:
    """The library's version, "1.0.0"."""
    return load().relaymatrix_version().decode()
