"""A sequence counts into the station's ledger: relayledger top names the
relays it switched most, in order; a ledger that cannot be used is refused
before the card is taken."""

import os
import subprocess

import pytest

import relaymatrix


def test_the_relays_switched_most_lead_the_ledger(tmp_path):
    program = os.environ.get("RELAYMATRIX_RELAYLEDGER")
    if not program:
        pytest.skip("relayledger was not built (no SQLite)")
    ledger = tmp_path / "station.ledger"
    with relaymatrix.Session(no_wiring=True, wait=0, ledger=ledger) as m:
        for relay, times in (("7", 3), ("0:1:2", 2), ("3", 1)):  # 0:1:2 is relay 17
            for _ in range(times):
                m.close(relay)
                m.close(relay)  # already closed: no operation
                m.open(relay)
    top = subprocess.run([program, "--ledger", str(ledger), "top", "-n", "3"], capture_output=True, text=True,
                         timeout=60)
    assert top.returncode == 0, top.stderr
    rows = [line.split()[:3] for line in top.stdout.splitlines()[2:]]
    assert rows == [["7", "0:7:0", "3"], ["17", "0:1:2", "2"], ["3", "0:3:0", "1"]]


def test_a_ledger_that_cannot_be_used_is_refused_before_the_card(tmp_path):
    with pytest.raises(relaymatrix.BadArgumentError, match="the relay ledger cannot be used"):
        relaymatrix.Session(no_wiring=True, wait=0, ledger=tmp_path).start()
