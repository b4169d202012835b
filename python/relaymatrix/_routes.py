"""Routes as the package gives them: the library's lines ("NAME FROM TO
b:r:c,b:r:c", "-" for no name) read into Route values, and what callers pass
for ends, names and orders checked before any C call."""

from __future__ import annotations

import ctypes
from dataclasses import dataclass
from typing import Any, Callable, List, Optional, Tuple

from ._arguments import relay_word
from ._errors import BadArgumentError
from ._library import shown

ORDERS = {"break-before-make": 0, "make-before-break": 1}


@dataclass(frozen=True)
class Route:
    """A route between two ends, as the boards hold it (or would).

    name: the wiring's route with these ends, or None. from_, to: the ends'
    names. relays: the path's crosspoints, "board:row:column" strings from
    from_ on, the form every call takes (m.is_closed(route.relays[0]))."""

    name: Optional[str]
    from_: str
    to: str
    relays: Tuple[str, ...]

    @property
    def ends(self) -> Tuple[str, str]:
        return (self.from_, self.to)

    def __str__(self) -> str:
        title = f"{self.name} ({self.from_} to {self.to})" if self.name else f"{self.from_} to {self.to}"
        return f"{title} through {', '.join(self.relays)}"


def routes_from(text: str) -> List[Route]:
    routes = []
    for line in text.splitlines():
        name, from_, to, relays = line.split(" ")
        routes.append(Route(None if name == "-" else name, from_, to, tuple(relays.split(",")) if relays != "-" else ()))
    return routes


def ends(first: Any, second: Any) -> Tuple[bytes, Optional[bytes]]:
    """connect(), disconnect() and find_route()'s ends: a Route, a route's
    name alone, or two ends' names."""
    if isinstance(first, Route):
        if second is not None:
            raise BadArgumentError(f"{first}: a Route names both its ends; give no second end")
        return first.from_.encode(), first.to.encode()
    if not isinstance(first, str) or (second is not None and not isinstance(second, str)):
        given = repr(first) if second is None else f"{first!r}, {second!r}"
        raise BadArgumentError(f"{shown(given)}: name a route, or its two ends (str), or give a Route")
    return relay_word(first).encode(), None if second is None else relay_word(second).encode()


def names(wanted: Any) -> bytes:
    """switch_to()'s routes: a group's or route's name, a Route, or a list of them."""
    items = [wanted] if isinstance(wanted, (str, Route)) else list(wanted) if hasattr(wanted, "__iter__") else None
    if not items:
        raise BadArgumentError(f"{shown(repr(wanted))}: name a group or route, or give a list of them")
    words = []
    for item in items:
        if isinstance(item, Route):
            words.append(f"{item.from_}/{item.to}")
        elif isinstance(item, str):
            words.append(relay_word(item))
        else:
            raise BadArgumentError(f"{shown(repr(item))}: not a group or route name, nor a Route")
    return ",".join(words).encode()


def order(value: Any) -> int:
    if not isinstance(value, str) or value not in ORDERS:
        raise BadArgumentError(f"order={shown(repr(value))}: \"break-before-make\" or \"make-before-break\"")
    return ORDERS[value]


def lines(call: Callable[..., None], *args: Any) -> str:
    """The lines a call gives, into a buffer grown until they fit."""
    size = 4096
    while True:
        text = ctypes.create_string_buffer(size)
        length = ctypes.c_int(0)
        call(*args, text, size, ctypes.byref(length))
        if length.value < size:
            return text.value.decode(errors="replace")
        size = length.value + 1
