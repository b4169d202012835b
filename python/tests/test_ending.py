"""A session always ends safely: each way out of a step, in a child process
on a card of its own (its state file read back after), its record's last line."""

import pytest

from conftest import SOURCE, run_step

STEP = """import gc, os, signal, sys, threading, relaymatrix
def kill_soon(name, after=0.15):
    threading.Timer(after, os.kill, (os.getpid(), getattr(signal, name))).start()
def session():
    return relaymatrix.Session(no_wiring=True, wait=0, record=sys.argv[1])
"""
STOPPED = "Session stopped: interrupted by "
PUSHED = "; boards 0 pushed open and read back open"


def closed_on_card(state):
    """How many relays the simulated card's state file holds closed (none pushed: no file)."""
    lines = state.read_text().splitlines() if state.exists() else []
    return sum(bin(int(word, 16)).count("1") for line in lines for word in line.split()[2:])


@pytest.mark.parametrize("step, relaysim, last_line, closed", [
    ("with session() as m:\n    kill_soon('SIGINT')\n    m.close('0-19')", "slow=2000",
     STOPPED + "KeyboardInterrupt" + PUSHED, 0),
    ("with session() as m:\n    kill_soon('SIGTERM')\n    m.close('0-19')", "slow=2000", STOPPED + "SIGTERM" + PUSHED, 0),
    ("with session() as m:\n    kill_soon('SIGHUP')\n    m.close('0-19')", "slow=2000", STOPPED + "SIGHUP" + PUSHED, 0),
    ("signal.signal(signal.SIGHUP, signal.SIG_IGN)\nwith session() as m:\n    kill_soon('SIGHUP')\n    m.close('0-19')\n"
     "assert signal.getsignal(signal.SIGHUP) == signal.SIG_IGN and signal.getsignal(signal.SIGTERM) == signal.SIG_DFL",
     "slow=2000", "Session complete", 20),
    ("with relaymatrix.Session(wiring=sys.argv[2], wait=0, record=sys.argv[1]) as m:\n    kill_soon('SIGTERM')\n"
     "    m.connect('DMM_HI', 'P20')", "slow=2000", STOPPED + "SIGTERM; boards 0-1 pushed open and read back open", 0),
    ("with session() as m:\n    m.close('0-19')\n    int('x')", "", STOPPED + "an exception (ValueError)" + PUSHED, 0),
    ("m = session().start()\nm.close('0-19')\ndel m\ngc.collect()\nrelaymatrix.Session(no_wiring=True, wait=0).start()",
     "", STOPPED + "the Session object dropped without end()" + PUSHED, 0),
    ("m = session().start()\nm.close('0-19')", "", STOPPED + "the end of the process" + PUSHED, 0),
    ("kill_soon('SIGINT', 0.25)\ntry:\n    session().start()\nexcept KeyboardInterrupt:\n"
     "    relaymatrix.Session(no_wiring=True, wait=0).start()", "slow=250000", STOPPED + "KeyboardInterrupt; no board pushed", 0),
])
def test_every_way_out_opens_what_the_session_closed(step, relaysim, last_line, closed, tmp_path):
    record = tmp_path / "step.log"
    result = run_step(STEP + step, relaysim, tmp_path, str(record), str(SOURCE / "docs/examples/bench-7.toml"))
    assert record.read_text().splitlines()[-1] == last_line, result.stderr
    assert closed_on_card(tmp_path / "child.card") == closed
    assert "SessionOpenError" not in result.stderr


def test_a_forked_child_leaves_its_parents_session_alone(tmp_path):
    record = tmp_path / "step.log"
    step = ("m = session().start()\nm.close('5')\nchild = os.fork()\nif child == 0:\n"
            "    m.end()\n    del m\n    gc.collect()\n    sys.exit(0)\nos.waitpid(child, 0)\n"
            "other = 'import relaymatrix\\nrelaymatrix.Session(no_wiring=True, wait=0).start()'\n"
            "import subprocess\nheld = subprocess.run([sys.executable, '-c', other], capture_output=True, text=True)\n"
            "m.close('6')\nprint(m.closed(), 'CardHeldError' in held.stderr)\nm.end()")
    result = run_step(STEP + step, "", tmp_path, str(record))
    assert result.stdout == "[5, 6] True\n", result.stderr
    text = record.read_text()
    assert text.count("Session complete") == 1 and text.endswith("Session complete\n")
