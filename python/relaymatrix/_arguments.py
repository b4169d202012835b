"""What Python callers pass, checked and turned into the C functions'
arguments: every refusal a BadArgumentError naming what was given."""

from __future__ import annotations

import decimal
import math
import numbers
import operator
import os
import unicodedata
from typing import Any, List, Optional

from ._errors import BadArgumentError
from ._library import shown

# The C int's largest wait; RELAYMATRIX_WAIT_FOREVER.
_LONGEST_WAIT = 2**31 - 1
WAIT_FOREVER = -1


def _text_bytes(text: str, what: str) -> bytes:
    """The UTF-8 bytes of a name: a control character (a NUL would cut the
    name short in C) is refused."""
    for c in text:
        if unicodedata.category(c) == "Cc":
            raise BadArgumentError(f'"{shown(text)}": {what} holds the control character {repr(c)[1:-1]}')
    try:
        return text.encode()
    except UnicodeEncodeError:
        raise BadArgumentError(f'"{shown(text)}": {what} cannot be written as UTF-8') from None


def relay_word(relay: Any) -> str:
    """One relay as the library takes it: a number or a name (a str)."""
    if isinstance(relay, str):
        _text_bytes(relay, "a relay name")
        word = relay.strip()
        if not word:
            raise BadArgumentError(f'"{shown(relay)}" names no relay')
        return word
    if not isinstance(relay, bool) and hasattr(relay, "__index__"):
        return str(operator.index(relay))
    raise BadArgumentError(f"{shown(repr(relay))} is not a relay: a relay is a number or a name (a str)")


def _flattened(relays: Any, words: List[str]) -> None:
    for item in relays:
        if isinstance(item, (str, bytes, bytearray)) or not hasattr(item, "__iter__"):
            words.append(relay_word(item))
        else:
            _flattened(item, words)


def relay_list(relays: Any) -> bytes:
    """close() and open()'s arguments: relays, and lists, tuples, sets or
    ranges of them (nested too), as one comma list."""
    words: List[str] = []
    _flattened(relays, words)
    if not words:
        raise BadArgumentError("no relays named")
    return ",".join(words).encode()


def one_relay(relay: Any) -> bytes:
    """is_closed() and number()'s relay: one, not a list."""
    if not isinstance(relay, (str, bytes, bytearray)) and hasattr(relay, "__iter__"):
        raise BadArgumentError(f"{shown(repr(relay))}: name one relay (a number or a name)")
    return relay_word(relay).encode()


def wait_seconds(wait: Any) -> int:
    """The wait for a held card: None (or infinity) for as long as it takes,
    else whole seconds, a fraction rounded up (0.5 waits 1 s, never 0)."""
    if wait is None:
        return WAIT_FOREVER
    if isinstance(wait, bool) or not isinstance(wait, (numbers.Real, decimal.Decimal)):
        raise BadArgumentError(f"wait={shown(repr(wait))}: not a number of seconds (None: as long as it takes)")
    if math.isnan(wait) or wait < 0:
        raise BadArgumentError(f"wait={wait!r}: not a number of seconds from 0 (None: as long as it takes)")
    if math.isinf(wait):
        return WAIT_FOREVER
    seconds = math.ceil(wait)
    if seconds > _LONGEST_WAIT:
        raise BadArgumentError(f"wait={wait!r}: longer than {_LONGEST_WAIT} s (None: as long as it takes)")
    return seconds


def max_closed(value: Any) -> int:
    if isinstance(value, bool) or not isinstance(value, int) or not 0 <= value <= 127:
        raise BadArgumentError(f"max_closed={shown(repr(value))}: not a number of relays from 1 to 127 (0: 32)")
    return value


def board(value: Any) -> int:
    """closed()'s board: None for all eight (-1), else 0-7."""
    if value is None:
        return -1
    if isinstance(value, bool) or not isinstance(value, int) or not 0 <= value <= 7:
        raise BadArgumentError(f"board {shown(repr(value))}: not a board from 0 to 7 (None: all)")
    return value


def file_path(name: str, value: Any) -> Optional[bytes]:
    """wiring=, record= or ledger=: None, or a path (str, bytes or os.PathLike) naming a file."""
    if value is None:
        return None
    try:
        path = os.fsencode(value)
    except TypeError:
        raise BadArgumentError(f"{name}={shown(repr(value))}: not a path") from None
    if not path:
        none = {'record': 'none', 'ledger': 'RELAYTEST_LEDGER'}.get(name, 'RELAYTEST_WIRING')
        raise BadArgumentError(f"{name}='': names no file (None: {none})")
    if b"\0" in path:
        raise BadArgumentError(f"{name}={shown(repr(value))}: a path holds no NUL")
    return path
