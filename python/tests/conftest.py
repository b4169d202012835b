"""Each test on the simulated card with a card lock of its own, every relay open
at its start. The card's state file is the process's (RELAYSIM is read once,
at the first driver call): the tests that need a card of their own, or faults,
run their step in a child process."""

import os
import subprocess
import sys
from pathlib import Path

import pytest

import relaymatrix

SOURCE = Path(__file__).resolve().parents[2]
BENCH3 = SOURCE / "docs" / "examples" / "bench-3.toml"


@pytest.fixture(autouse=True)
def own_card(tmp_path, monkeypatch):
    monkeypatch.setenv("RELAYTEST_LOCK", str(tmp_path / "card.lock"))
    monkeypatch.delenv("RELAYTEST_WIRING", raising=False)
    with relaymatrix.Session(no_wiring=True, wait=0) as m:
        m.open_all()
    yield tmp_path


def run_step(code: str, relaysim: str, tmp_path: Path, *args: str) -> subprocess.CompletedProcess:
    """A step in a child process (given args), on a card of its own set up by relaysim."""
    env = dict(os.environ, RELAYSIM=f"{relaysim},state={tmp_path / 'child.card'}".lstrip(","),
               PYTHONPATH=str(Path(relaymatrix.__file__).parent.parent))
    return subprocess.run([sys.executable, "-c", code, *args], env=env, capture_output=True, text=True, timeout=60)
