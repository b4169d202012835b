import os
import shutil
import subprocess
import sys
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


@pytest.mark.parametrize("name", ["NOPE@J4.1", "0:9:1", "1024", "", "19\x0020", "5\x1b[31m", True, 7.0, b"5"])
def test_a_bad_name_switches_nothing(name):
    with relaymatrix.Session(wiring=BENCH3, wait=0) as m:
        with pytest.raises(relaymatrix.BadArgumentError) as refused:
            m.close("I+@J4.1", name)
        assert m.closed() == []
        assert not any(c in refused.value.message for c in "\0\x1b"), refused.value.message


@pytest.mark.parametrize("relays, closed", [
    (([7, 8],), [7, 8]),
    ((range(3), (4,), {5}, [[6, "7"]], 9), [0, 1, 2, 4, 5, 6, 7, 9]),
])
def test_lists_of_relays_are_taken(relays, closed):
    with relaymatrix.Session(no_wiring=True, wait=0) as m:
        m.close(*relays)
        assert m.closed() == closed
        m.open(*relays)
        with pytest.raises(relaymatrix.BadArgumentError) as refused:
            m.close([7, "x"])
        assert "[" not in refused.value.message, refused.value.message


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


def test_each_thread_reads_its_own_error():
    # A refusal's text is fetched after its status: another thread's call in
    # between must not replace it (it did, with an empty text, 864 times in 20,000).
    from concurrent.futures import ThreadPoolExecutor

    def refusals(name: str) -> int:
        wrong = 0
        for _ in range(1000):
            try:
                m.number(name)
            except relaymatrix.BadArgumentError as e:
                wrong += 0 if name in e.message else 1
        return wrong

    with relaymatrix.Session(no_wiring=True, wait=0) as m:
        with ThreadPoolExecutor(max_workers=4) as pool:
            assert list(pool.map(refusals, ["0:9:1", "5", "1:1:99", "7"])) == [0, 0, 0, 0]


@pytest.mark.parametrize("options, error, words", [
    ({"wiring": "no-such-station.toml"}, relaymatrix.BadArgumentError, ["no-such-station.toml"]),
    ({"wiring": "/tmp"}, relaymatrix.BadArgumentError, ["/tmp: not a regular file (a directory)"]),
    ({"wiring": "/dev/zero"}, relaymatrix.BadArgumentError, ["/dev/zero: not a regular file (a device)"]),
    ({"record": "/no/such/folder/step.log", "no_wiring": True}, relaymatrix.RecordError, ["/no/such/folder"]),
    ({"max_closed": 200, "no_wiring": True}, relaymatrix.BadArgumentError, ["200"]),
    ({"max_closed": 1.5, "no_wiring": True}, relaymatrix.BadArgumentError, ["max_closed=1.5"]),
    ({"wiring": BENCH3, "no_wiring": True}, relaymatrix.BadArgumentError, ["no_wiring=True"]),
    ({"record": "step\0.log", "no_wiring": True}, relaymatrix.BadArgumentError, ["record="]),
    ({"wait": -1, "no_wiring": True}, relaymatrix.BadArgumentError, ["wait=-1"]),
    ({"wait": float("nan"), "no_wiring": True}, relaymatrix.BadArgumentError, ["wait=nan"]),
    ({"wait": "10", "no_wiring": True}, relaymatrix.BadArgumentError, ["wait='10'"]),
])
def test_a_session_that_cannot_start_holds_nothing(options, error, words):
    with pytest.raises(error) as failed:
        relaymatrix.Session(**{"wait": 0, **options}).start()
    assert all(word in failed.value.message for word in words), failed.value.message
    with relaymatrix.Session(no_wiring=True, wait=0) as m:
        assert m.closed() == []


def test_a_held_card_is_waited_for_a_whole_second_and_said_once(capfd, tmp_path):
    holder = subprocess.Popen([sys.executable, "-c", "import relaymatrix, time\n"
                               "m = relaymatrix.Session(no_wiring=True, wait=0).start()\nprint(flush=True)\ntime.sleep(60)"],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=dict(os.environ, RELAYSIM=f"state={tmp_path / 'held.card'}"))
    try:
        holder.stdout.readline()
        with pytest.raises(relaymatrix.CardHeldError) as held:
            relaymatrix.Session(no_wiring=True, wait=0.5).start()
        # Ctrl+C ends a wait for as long as it takes.
        waiter = subprocess.run([sys.executable, "-c", "import os, signal, threading, relaymatrix\n"
                                 "threading.Timer(0.5, os.kill, (os.getpid(), signal.SIGINT)).start()\n"
                                 "relaymatrix.Session(no_wiring=True, wait=None).start()"],
                                capture_output=True, text=True, timeout=30)
    finally:
        holder.terminate()
        holder.wait()
    assert " after 1 s" in held.value.message, held.value.message
    said = capfd.readouterr().err
    assert said.startswith(f"relaymatrix: the card is held by relaymatrix (process {holder.pid}) since "), said
    assert said.endswith("; waiting up to 1 s for it\n") and said.count("\n") == 1, said
    assert waiter.stderr.endswith("KeyboardInterrupt\n"), waiter.stderr


@pytest.mark.parametrize("given, in_folder, said", [
    ("no/such/librelaymatrix.so", None, "current folder"),
    (__file__, None, "cannot be loaded"),
    (Path(relaymatrix.library_path()).name, Path(relaymatrix.library_path()).parent, relaymatrix.version()),
])
def test_the_library_is_taken_from_any_folder_or_named_as_missing(given, in_folder, said, tmp_path):
    step = "import relaymatrix\ntry:\n    print(relaymatrix.version())\nexcept relaymatrix.LibraryError as e:\n    print(e)"
    result = subprocess.run([sys.executable, "-c", step], capture_output=True, text=True, cwd=in_folder or tmp_path,
                            env=dict(os.environ, RELAYMATRIX_LIBRARY=given,
                                     PYTHONPATH=str(Path(relaymatrix.__file__).parent.parent)))
    assert said in result.stdout and result.stderr == "", result.stdout + result.stderr


def test_a_call_without_a_handle_names_by_the_station_wiring(monkeypatch):
    # relaymatrix_relay_number(NULL, ...) reads RELAYTEST_WIRING's names, as
    # the header says, even while a session without a wiring is open.
    import ctypes
    from relaymatrix._library import load
    monkeypatch.setenv("RELAYTEST_WIRING", str(BENCH3))
    number = ctypes.c_int(-1)
    with relaymatrix.Session(no_wiring=True, wait=0):
        assert load().relaymatrix_relay_number(None, b"I+@J4.1", ctypes.byref(number)) == 0
    assert number.value == 258
