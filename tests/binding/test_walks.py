"""Demand codes of a node, and the count-and-next walks over demand codes,
table entries and unstable elements."""

import numpy as np
import pytest

import _pyorvsim as m

F32 = np.float32
BLANKS = b" " * 18
GATE = 20140617

# routine call, entry point, its arguments, results with the gate closed
NODE_DEMAND = {
    "getdemandnodebycode": (lambda: m.getdemandnodebycode("N12", "DOM"), "CSNodebyID",
                            {"sid": b"N12", "scode": b"DOM", "lsid": 3, "lscode": 3}, (0.0, 3)),
    "getcodedemandinit": (lambda: m.getcodedemandinit("N12"), "GetNbCsmPair",
                          {"sid": b"N12", "lsid": 3}, (-1, 0)),
    "nextcodedemand": (lambda: m.nextcodedemand(), "GetNextCsmPair", {"lscode": 18},
                       (BLANKS, 0.0, 0)),
}


@pytest.mark.parametrize("name", NODE_DEMAND)
@pytest.mark.parametrize("version", [0, GATE - 1, -GATE])
def test_node_demands_closed_below_the_gate(engine, name, version):
    call, _, _, closed = NODE_DEMAND[name]
    m.pyorvsim.vers_orvdll = version
    assert call() == closed
    assert engine.names() == []


@pytest.mark.parametrize("name", NODE_DEMAND)
@pytest.mark.parametrize("version", [GATE, 20991231])
def test_node_demands_call_the_engine_from_the_gate(engine, name, version):
    call, entry, args, _ = NODE_DEMAND[name]
    m.pyorvsim.vers_orvdll = version
    call()
    assert engine.calls() == [(entry, args)]


def test_node_demand_results_when_open(engine):
    m.pyorvsim.vers_orvdll = GATE
    engine.program("CSNodebyID", ret=-2, csm=0.1)
    assert m.getdemandnodebycode("N1", "C") == (F32(0.1), -2)
    engine.program("GetNbCsmPair", ret=-9, nb=4, szcod=12)
    assert m.getcodedemandinit(sid="N1") == (4, 12)  # the function value is not used
    engine.program("GetNextCsmPair", ret=-9, scode=b"IND", csm=2.5, length=3)
    assert m.nextcodedemand() == (b"IND" + b" " * 15, 2.5, 3)


def test_open_gate_keeps_presets_the_engine_leaves(engine):
    m.pyorvsim.vers_orvdll = GATE
    assert m.getdemandnodebycode("N1", "C") == (0.0, 0)  # istat is the engine's value
    assert m.getcodedemandinit("N1") == (-1, 0)
    assert m.nextcodedemand() == (BLANKS, 0.0, 0)


# next routine, entry point, text output, other outputs programmed, their results
NEXT = {
    "nextcodedemand": ("GetNextCsmPair", "scode", {"csm": 1.25, "length": 2}, (1.25, 2)),
    "nextcodecsmnodecount": ("GetNextCodeCSMNodeCount", "code",
                             {"demand": 0.1, "nodecount": 40, "lncode": 2}, (F32(0.1), 40, 2)),
    "nexttableentry": ("GetNextTableEntry", "item", {"ncount": 6, "lnitem": 2}, (6, 2)),
    "nextunstableentry": ("GetNextSimErrDevice", "item", {"typelt": 1, "lnitem": 2}, (1, 2)),
}


@pytest.mark.parametrize("name", NEXT)
@pytest.mark.parametrize("written,returned", [
    (None, BLANKS),                                    # the engine writes nothing
    (b"AB", b"AB" + b" " * 16),                        # trailing blanks stay
    (b"ABCDEFGHIJKLMNOPQR", b"ABCDEFGHIJKLMNOPQR"),    # full buffer, no NUL
    (b"ABCDEFGHIJKLMNOPQRSTUV", b"ABCDEFGHIJKLMNOPQR"),  # told 18, never more
    (b"ABC\0DEF", b"ABC"),                             # a NUL at k cuts to k bytes
    (b"\0", b""),
])
def test_item_texts(engine, name, written, returned):
    entry, text, outputs, results = NEXT[name]
    m.pyorvsim.vers_orvdll = GATE
    engine.program(entry, ret=-1, **outputs, **({} if written is None else {text: written}))
    assert getattr(m, name)() == (returned, *results)
    assert engine.calls() == [(entry, {"l" + text: 18})]


@pytest.mark.parametrize("used_only,passed", [
    (2, 1), ("x", 1), ([0], 1), (True, 1), (0, 0), (None, 0), ("", 0), ([], 0)])
def test_getcodescount_passes_a_truth_value(engine, used_only, passed):
    engine.program("GetUsedCodes", ret=-4, nbc=17)
    assert m.getcodescount(used_only) == 17
    assert engine.calls() == [("GetUsedCodes", {"used_only": passed})]


def test_getcodescount_refuses_a_failing_truth_test(engine):
    with pytest.raises(ValueError):
        m.getcodescount(np.array([1, 2]))
    assert engine.names() == []


def test_counts(engine):
    engine.program("GetNbTableEntry", ret=-1, nbc=3)
    assert m.tablecount(b"MATERIAL", ityp="2") == 3
    assert engine.last("GetNbTableEntry") == {"table": b"MATERIAL", "ityp": 2, "ltable": 8}
    engine.program("GetNbSimErrDevice", ret=-1, nbelt=-5)
    assert m.unstablecount() == -5


def test_walk_follows_the_engine_past_its_announced_count(engine):
    # The binding neither counts nor ends a walk: every next call reaches the engine.
    engine.program("GetNbTableEntry", nbc=2)
    engine.program_seq("GetNextTableEntry", [{"item": b"PVC", "ncount": 4, "lnitem": 3},
                                             {"item": b"PE", "ncount": 2, "lnitem": 2},
                                             {"item": b"", "ncount": -1, "lnitem": 0}])
    assert m.tablecount("MATERIAL", 0) == 2
    items = [m.nexttableentry() for _ in range(3)]
    assert [(t.rstrip(), n, k) for t, n, k in items] == [(b"PVC", 4, 3), (b"PE", 2, 2), (b"", -1, 0)]
    assert engine.count("GetNextTableEntry") == 3


@pytest.mark.parametrize("call,message", [
    (lambda: m.getdemandnodebycode("N\u00e9", "C"), "1st argument `sid'"),
    (lambda: m.getdemandnodebycode("N", "\u00e9"), "2nd argument `scode'"),
    (lambda: m.tablecount("\u00e9", 1), "1st argument `table'"),
    (lambda: m.tablecount("T", "x"), "2nd argument (ityp)"),
])
def test_conversion_failures_stop_before_the_engine(engine, call, message):
    m.pyorvsim.vers_orvdll = GATE
    with pytest.raises(Exception, match=message.replace("(", r"\(").replace(")", r"\)")):
        call()
    assert engine.names() == []
