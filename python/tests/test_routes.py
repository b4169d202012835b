"""Routes through the package on bench-7's station: instruments on board 0,
pins on boards 0 and 1, two buses between them."""

import pytest

import relaymatrix
from conftest import SOURCE, run_step

BENCH7 = SOURCE / "docs" / "examples" / "bench-7.toml"


def pushes(text):
    """The record's push lines, in order: "off" and "on" with the relay's number."""
    return [(line.split()[1], int(line.split()[-1])) for line in text.splitlines() if line.startswith("Turning ")]


def test_a_route_across_boards_closes_its_shortest_path_and_is_read_back(tmp_path):
    with relaymatrix.Session(wiring=BENCH7, wait=0) as m:
        route = m.connect("DMM_HI", "P20")
        assert route == relaymatrix.Route(None, "DMM_HI", "P20", ("0:0:14", "1:0:5"))
        assert m.closed() == sorted(m.number(r) for r in route.relays) == [112, 168]
        assert m.find_route("DMM_HI", "P20") == route
    with relaymatrix.Session(wiring=BENCH7, wait=0, record=tmp_path / "next.log") as m:
        assert m.routes() == [route]
        m.disconnect(route)
        assert m.routes() == [] and m.closed() == []


@pytest.mark.parametrize("first, second, words", [
    (("DMM_HI", "P21"), ("scope_p20",), ["ABUS1 is held by the route DMM_HI to P21"]),   # its pinned bus
    (("dmm_vcc",), ("SCOPE", "VCC"), ["VCC is in use by the route dmm_vcc"]),             # an end in use
])
def test_a_route_needing_what_another_holds_is_refused_and_nothing_pushed(first, second, words, tmp_path):
    record = tmp_path / "refused.log"
    with relaymatrix.Session(wiring=BENCH7, wait=0, record=record) as m:
        made = m.connect(*first)
        with pytest.raises(relaymatrix.RuleError) as refused:
            m.connect(*second)
        assert all(word in refused.value.message for word in words), refused.value.message
        assert m.routes() == [made]
    assert pushes(record.read_text().split("Command: connect " + " ".join(second))[1]) == []


@pytest.mark.parametrize("start, group, order, after, pushed", [
    (["dmm_gnd", ("DMM_HI", "P20")], "measure_vcc", "break-before-make", ["dmm_gnd", "dmm_vcc"],
     [("off", 112), ("off", 168), ("on", 0)]),
    (["dmm_vcc", "dmm_gnd"], ["dmm_gnd", "scope_p20"], "break-before-make", ["dmm_gnd", "scope_p20"],
     [("off", 0), ("on", 116), ("on", 168)]),
    (["dmm_vcc"], "dmm_gnd", "make-before-break", ["dmm_gnd"], [("on", 9), ("off", 0)]),
])
def test_a_switch_between_groups_keeps_order_and_leaves_common_relays_alone(start, group, order, after, pushed,
                                                                            tmp_path):
    record = tmp_path / "switch.log"
    with relaymatrix.Session(wiring=BENCH7, wait=0, record=record) as m:
        for ends in start:
            m.connect(*([ends] if isinstance(ends, str) else ends))
        m.switch_to(group, order=order)
        assert sorted(r.name for r in m.routes()) == after
        with pytest.raises(relaymatrix.BadArgumentError):
            m.switch_to(group, order="make-after-break")
    text = record.read_text()
    assert pushes(text.split("Command: switch ")[1]) == pushed
    assert text.count("Command: switch ") == 1


def test_a_relay_of_the_path_stuck_open_fails_the_route_and_leaves_none_of_it(tmp_path):
    result = run_step("import sys, relaymatrix\n"
                      "with relaymatrix.Session(wiring=sys.argv[1], wait=0) as m:\n"
                      "    try:\n        m.connect('SRC_HI', 'P25')\n"
                      "    except relaymatrix.NotAsAskedError as e:\n        print(e.message)\n"
                      "    print(m.closed(), m.routes())\n", "stuck-off=208", tmp_path, str(BENCH7))
    assert result.stdout.startswith("relay 208 (board 1, row 0 ABUS1, column 10 P25) did not close"), result.stderr
    assert result.stdout.endswith("; the relays this call closed are open again\n[] []\n"), result.stdout
