import os
import shutil
import subprocess
import time
from pathlib import Path

import pytest

import relaymatrix
from conftest import BENCH3, run_step


def judge(record: Path, *options: str) -> str:
    relaylog = os.environ.get("RELAYMATRIX_RELAYLOG") or shutil.which("relaylog")
    if not relaylog:
        pytest.skip("no relaylog to judge the record (RELAYMATRIX_RELAYLOG)")
    result = subprocess.run([relaylog, *options, str(record)], capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr
    return result.stdout


def test_worked_step_leaves_a_record_relaylog_passes(tmp_path):
    record = tmp_path / "step-12.log"
    with relaymatrix.Session(wiring=BENCH3, record=record, wait=10) as m:
        m.close("I+@J4.1", "V-@J4.2")
        assert m.is_closed("I+@J4.1")
        assert m.closed() == [258, 265]
        m.open("V-@J4.2")
        assert m.closed(2) == [258]
        m.open_all()
        assert m.closed() == []
    text = record.read_text()
    assert text.startswith("Relay matrix session\nSuccess\n")
    assert f"Wiring: {BENCH3} (checksum " in text
    assert "Command: close I+@J4.1,V-@J4.2\n" in text and text.endswith("Session complete\n")
    assert "PASS" in judge(record)
    assert "PASS" in judge(record, "--wiring", str(BENCH3))


@pytest.mark.parametrize("relays, words", [
    (("I+@J4.1", "0V@J4.1"), ["I+", "0V"]),                 # an exclusive pair joined
    (("2:4:7",), ["forbidden", "2:4:7"]),                     # a forbidden crosspoint
    (tuple(f"2:0:{c}" for c in range(13)), ["board 2", "12"]),  # over the file's limit
])
def test_a_broken_rule_switches_nothing(relays, words, tmp_path):
    record = tmp_path / "refused.log"
    with relaymatrix.Session(wiring=BENCH3, record=record, wait=0) as m:
        with pytest.raises(relaymatrix.RuleError) as refused:
            m.close(*relays)
        assert all(word in refused.value.message for word in words), refused.value.message
        assert m.closed() == []
    assert "Turning on" not in record.read_text()
    judge(record)


@pytest.mark.parametrize("name", ["NOPE@J4.1", "0:9:1", "1024", ""])
def test_a_bad_name_switches_nothing(name):
    with relaymatrix.Session(wiring=BENCH3, wait=0) as m:
        with pytest.raises(relaymatrix.BadArgumentError):
            m.close("I+@J4.1", name)
        assert m.closed() == []


def test_leaving_by_an_exception_opens_what_the_session_closed():
    with pytest.raises(ZeroDivisionError):
        with relaymatrix.Session(no_wiring=True, wait=0) as m:
            m.close("5", "0:4:12")
            1 / 0
    with relaymatrix.Session(no_wiring=True, wait=0) as m:
        assert m.closed() == []
        with pytest.raises(relaymatrix.SessionOpenError):
            relaymatrix.Session(no_wiring=True, wait=0).start()
    with pytest.raises(relaymatrix.NoSessionError):
        m.close("5")


def test_a_card_held_by_relaysweep_names_it(tmp_path):
    relaysweep = os.environ.get("RELAYMATRIX_RELAYSWEEP")
    if not relaysweep:
        pytest.skip("no relaysweep to hold the card (RELAYMATRIX_RELAYSWEEP)")
    env = dict(os.environ, RELAYSIM=f"slow=2000,state={tmp_path / 'sweep.card'}")
    sweep = subprocess.Popen([relaysweep, "--yes", "--boards", "0"], env=env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        lock = Path(os.environ["RELAYTEST_LOCK"])
        for _ in range(500):
            if lock.exists() and "relaysweep" in lock.read_text(errors="replace"):
                break
            time.sleep(0.01)
        with pytest.raises(relaymatrix.CardHeldError) as held:
            relaymatrix.Session(no_wiring=True, wait=1).start()
        assert "held by relaysweep (process " in held.value.message, held.value.message
    finally:
        sweep.terminate()
        sweep.wait()


def test_a_relay_that_does_not_follow_is_named(tmp_path):
    result = run_step("import relaymatrix\n"
                      "with relaymatrix.Session(no_wiring=True, wait=0) as m:\n"
                      "    try:\n        m.close('5,6')\n"
                      "    except relaymatrix.NotAsAskedError as e:\n        print(e.message)\n",
                      "stuck-off=6", tmp_path)
    assert result.returncode == 0 and result.stderr == "", result.stderr
    assert result.stdout.startswith("relay 6 (board 0, row 6, column 0) did not close"), result.stdout


def test_calls_from_several_threads_are_serialized():
    from concurrent.futures import ThreadPoolExecutor

    def step(relay: int) -> bool:
        m.close(relay)
        closed = m.is_closed(relay)
        m.open(relay)
        return closed

    with relaymatrix.Session(no_wiring=True, wait=0) as m:
        with ThreadPoolExecutor(max_workers=4) as pool:
            assert all(pool.map(step, [board * 128 + i for board in range(4) for i in range(5)]))
        assert m.closed() == []


@pytest.mark.parametrize("options, error, words", [
    ({"wiring": "no-such-station.toml"}, relaymatrix.BadArgumentError, ["no-such-station.toml"]),
    ({"wiring": "/tmp"}, relaymatrix.BadArgumentError, ["/tmp: not a regular file (a directory)"]),
    ({"wiring": "/dev/zero"}, relaymatrix.BadArgumentError, ["/dev/zero: not a regular file (a device)"]),
    ({"record": "/no/such/folder/step.log", "no_wiring": True}, relaymatrix.RecordError, ["/no/such/folder"]),
    ({"max_closed": 200, "no_wiring": True}, relaymatrix.BadArgumentError, ["200"]),
])
def test_a_session_that_cannot_start_holds_nothing(options, error, words):
    with pytest.raises(error) as failed:
        relaymatrix.Session(wait=0, **options).start()
    assert all(word in failed.value.message for word in words), failed.value.message
    with relaymatrix.Session(no_wiring=True, wait=0) as m:
        assert m.closed() == []
