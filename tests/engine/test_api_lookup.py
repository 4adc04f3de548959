"""Element lookup, attribute values, units, text attributes, positions,
setters and selections on the example town network."""
import ctypes as C
import math

import pytest

from api_harness import (BAD_ARGUMENT, BRANCH, NODE, NOT_AVAILABLE, TANK, TOWN, UNKNOWN_ATTRIBUTE,  # noqa: F401
                         UNKNOWN_NAME, L, engine, library, ref, town)
from reference_run import reference_steps


def text_attr(eng, typelt, sid, name):
    out = eng.out_text(48)
    b, a = eng.text(sid), eng.text(name)
    n = eng.lib.StrAttrbyID(ref(typelt), b, a, out, L(len(b)), L(len(a)), L(48))
    return eng.read_text(out, 48)[:n].decode()


def test_identifiers_and_numbers_round_trip_in_every_numbering(town):
    assert [town.count(t) for t in (BRANCH, NODE, TANK)] == [11, 10, 2]
    for typelt in (BRANCH, NODE, TANK):
        for num in range(1, town.count(typelt) + 1):
            sid, n = town.ident(typelt, num)
            assert n == len(sid) > 0
            assert town.index(typelt, sid) == (0, num)
    # Tanks and reservoirs have a tank number and a node number.
    assert [town.ident(TANK, k)[0] for k in (1, 2)] == ["R1", "T1"]
    assert town.index(NODE, "T1") == (0, 10)


@pytest.fixture(scope="module")
def reference(tmp_path_factory):
    return reference_steps(TOWN, tmp_path_factory.mktemp("ref"))


@pytest.mark.parametrize("hours", [0, 6, 13])
def test_values_at_the_chosen_instant_match_the_reference(town, reference, hours):
    town.ok(f"INSTANT {hours}")
    ref_values = reference[hours * 3600]
    for (kind, sid, attr), expected in ref_values.items():
        entry = "NodeValbyID" if kind == "node" else "LinkValbyID"
        got = town.value(entry, sid, attr)
        if attr == "S":  # reference: 0 closed, 1 open
            assert (got == 0) == (expected == 0), (sid, attr, hours)
            continue
        assert got == pytest.approx(expected, rel=1e-3, abs=2e-3), (sid, attr, hours)


def test_reads_by_number_vector_and_identifier_agree(town):
    town.ok("INSTANT 7")
    for typelt, entry, by_id, attrs in [(NODE, "GetNodeAttr", "NodeValbyID", "P H D Z BD"),
                                        (BRANCH, "GetLinkAttr", "LinkValbyID", "Q V DH HL DI R S"),
                                        (TANK, "GetTankAttr", "TankValbyID", "LV VO H LX")]:
        for attr in attrs.split():
            n, vector = town.all_values(typelt, attr)
            assert n == town.count(typelt)
            for num in range(1, n + 1):
                status, value = town.by_number(entry, num, attr)
                assert status == 0
                sid = town.ident(typelt, num)[0]
                assert value == vector[num - 1] == town.value(by_id, sid, attr), (attr, sid)


def test_derived_values_follow_their_definitions(town):
    town.ok("INSTANT 5")
    h = {n: town.value("NodeValbyID", n, "H") for n in ("J2", "J4", "T1")}
    assert town.value("LinkValbyID", "P5", "DH") == pytest.approx(h["J2"] - h["J4"], abs=1e-4)
    assert town.value("LinkValbyID", "P5", "HL") == pytest.approx((h["J2"] - h["J4"]) / 900 * 1000,
                                                                  rel=1e-5)
    level = town.value("TankValbyID", "T1", "LV")
    assert level == pytest.approx(h["T1"] - 90, abs=1e-4)
    assert town.value("TankValbyID", "T1", "VO") == pytest.approx(level * math.pi * 15 ** 2 / 4,
                                                                  rel=1e-4)
    # A tank's node attributes also read through the node numbering.
    status, value = town.by_number("GetNodeAttr", 10, "LV")
    assert status == 0 and value == level


def test_units_follow_the_display_flow_units(town):
    def unit(attr):
        b = attr.encode()
        out, n = town.out_text(48), C.c_int(-1)
        assert town.lib.GetUnitName(b, out, C.byref(n), L(len(b)), L(48)) == 0
        return town.read_text(out, 48)[:n.value].decode(), town.lib.GetUnitCoef(b, L(len(b)))

    assert unit("Q") == ("LPS", pytest.approx(1000.0, rel=1e-5))
    assert unit("P") == ("m", 1.0)
    assert unit("DI") == ("mm", 1000.0)
    assert town.value("LinkValbyID", "P1", "DI") == pytest.approx(300)
    q_lps = town.value("LinkValbyID", "P1", "Q")
    town.ok("OPTION UNITS GPM")
    assert unit("Q") == ("GPM", pytest.approx(1000 * 15.850323, rel=1e-5))
    assert unit("P")[0] == "psi" and unit("L") == ("ft", pytest.approx(1 / 0.3048))
    assert town.value("LinkValbyID", "P1", "DI") == pytest.approx(300 / 25.4, rel=1e-5)
    assert town.value("LinkValbyID", "P1", "Q") == pytest.approx(q_lps * 15.850323, rel=1e-5)
    assert town.value("LinkValbyID", "P1", "L") == pytest.approx(800 / 0.3048, rel=1e-6)


def test_text_attributes(town):
    assert text_attr(town, BRANCH, "V1", "TYPE") == "PRV"
    assert (text_attr(town, BRANCH, "P5", "NI"), text_attr(town, BRANCH, "P5", "NF")) == ("J2", "J4")
    assert text_attr(town, NODE, "J3", "CODES") == "DOM,COM"
    assert text_attr(town, TANK, "R1", "TYPE") == "RESERVOIR"
    assert text_attr(town, NODE, "J3", "PATTERN") == "DOM"
    assert text_attr(town, BRANCH, "P1", "STATUS") == "OPEN"
    town.ok("ZONE low LIST J6 J7 J8", "ZONE mid LIST J7")
    assert text_attr(town, NODE, "J7", "ZONE") == "LOW,MID"
    # Unknown text attributes or types give 0 and blanks.
    assert text_attr(town, BRANCH, "P5", "CODES") == ""
    assert text_attr(town, NODE, "J5", "NOPE") == ""


def test_branch_end_nodes(town):
    ni, nf = C.c_int(-1), C.c_int(-1)
    _, p5 = town.index(BRANCH, "P5")
    assert town.lib.cGetLinkNodes(ref(p5), C.byref(ni), C.byref(nf)) == 0
    assert (ni.value, nf.value) == (town.index(NODE, "J2")[1], town.index(NODE, "J4")[1])
    assert town.lib.cGetLinkNodes(ref(99), C.byref(ni), C.byref(nf)) == BAD_ARGUMENT
    assert (ni.value, nf.value) == (0, 0)


def test_node_position(town):
    x, y, z, dz = C.c_double(), C.c_double(), C.c_float(), C.c_float()
    town.ok("INSTANT 3")
    assert town.lib.NodePosbyID(b"J5", C.byref(x), C.byref(y), C.byref(z), C.byref(dz), L(2)) == 0
    assert (x.value, y.value, z.value) == (1700.0, -500.0, 57.0)
    assert dz.value == pytest.approx(town.value("NodeValbyID", "J5", "P"), abs=1e-4)
    assert town.lib.NodePosbyID(b"P1", C.byref(x), C.byref(y), C.byref(z), C.byref(dz), L(2)) \
        == UNKNOWN_NAME


def test_symmetric_node_is_across_the_single_device(town):
    def symmetric(sid):
        out = town.out_text(18)
        status = town.lib.GetSymmetricNodeID(sid.encode(), out, L(len(sid)), L(18))
        return status, town.read_text(out, 18).rstrip().decode()

    assert symmetric("J5") == (0, "J6")
    assert symmetric("R1") == (0, "J1")
    assert symmetric("J2") == (UNKNOWN_NAME, "")  # no device
    assert symmetric("ZZ") == (UNKNOWN_NAME, "")


def test_distance_from_a_point_to_a_branch_polyline(town):
    d, s1, s2, st = C.c_double(), C.c_double(), C.c_double(), C.c_int(-1)

    def dist(sid, xp, yp):
        b = sid.encode()
        town.lib.GetDistLink(b, ref(xp, C.c_double), ref(yp, C.c_double), C.byref(d), C.byref(s1),
                             C.byref(s2), C.byref(st), L(len(b)))
        return st.value, d.value, s1.value, s2.value

    # P5 runs J2 (900,0) -> bend (1000,-300) -> J4 (1300,-450).
    first, second = math.hypot(100, 300), math.hypot(300, 150)
    assert dist("P5", 1000, -300) == pytest.approx((0, 0.0, first, second))
    st_, dd, a, b = dist("P5", 800, 0)  # before the start: nearest is J2
    assert (st_, dd, a, b) == pytest.approx((0, 100.0, 0.0, first + second))
    st_, dd, a, _ = dist("P1", 500, 30)  # straight pipe J1 (100,0) -> J2 (900,0)
    assert (st_, dd, a) == pytest.approx((0, 30.0, 400.0))
    assert dist("NOPE", 0, 0)[0] == UNKNOWN_NAME
    assert dist("P1", float("nan"), 0)[0] == BAD_ARGUMENT


def test_setters_change_the_next_simulation_only(town):
    town.ok("INSTANT 4")
    _, p3 = town.index(BRANCH, "P3")
    _, j8 = town.index(NODE, "J8")
    q_before = town.value("LinkValbyID", "P3", "Q")
    d_before = town.value("NodeValbyID", "J8", "D")
    assert town.set_attr("SetBranchAttr", p3, "R", 60.0) == 0
    assert town.set_attr("SetNodeAttr", j8, "BD", 4.0) == 0
    assert town.value("LinkValbyID", "P3", "R") == 60.0
    assert town.value("NodeValbyID", "J8", "BD") == pytest.approx(4.0)
    assert town.value("LinkValbyID", "P3", "Q") == q_before  # results of the last run stay
    assert town.lib.SolveH() == 0
    assert town.value("LinkValbyID", "P3", "Q") < q_before * 0.9
    assert town.value("NodeValbyID", "J8", "D") == pytest.approx(2 * d_before, rel=1e-4)


def test_setters_refuse_results_bad_values_and_wrong_types(town):
    _, p1 = town.index(BRANCH, "P1")
    assert town.set_attr("SetBranchAttr", p1, "Q", 1.0) == UNKNOWN_ATTRIBUTE
    assert town.set_attr("SetBranchAttr", p1, "DI", -5.0) == BAD_ARGUMENT
    assert town.set_attr("SetBranchAttr", p1, "DI", float("nan")) == BAD_ARGUMENT
    assert town.set_attr("SetBranchAttr", p1, "P", 1.0) == UNKNOWN_ATTRIBUTE
    assert town.set_attr("SetNodeAttr", 1, "DI", 1.0) == UNKNOWN_ATTRIBUTE
    assert town.value("LinkValbyID", "P1", "DI") == pytest.approx(300)
    assert "DI" in town.last_error()


def test_selections_by_list_criterion_and_zone(town):
    def selection(name):
        nb, typelt = C.c_int(-1), C.c_int(-1)
        b = name.encode()
        status = town.lib.SelectLen(b, C.byref(nb), C.byref(typelt), L(len(b)))
        buf = (C.c_int * max(nb.value, 1))()
        n = town.lib.Selection(ref(nb.value), buf)
        return status, typelt.value, [town.ident(typelt.value, k)[0] for k in list(buf)[:n]]

    town.ok("SELECT big BRANCH WHERE DI >= 200", "select Few node list J3 J1",
            "ZONE upper LIST J1 J2 T1", "SELECT up TANK ZONE upper")
    assert selection("BIG") == (0, BRANCH, ["P1", "P2", "P3", "P5"])
    assert selection("few") == (0, NODE, ["J3", "J1"])
    assert selection("up") == (0, TANK, ["T1"])
    assert selection("none")[0] == UNKNOWN_NAME


def test_quality_attributes_follow_the_quality_option(town):
    assert town.value("NodeValbyID", "J8", "C") == 0.0  # no quality option in the file
    town.ok("QUALITY AGE", "SIMULATE", "INSTANT 12")
    out, n = town.out_text(48), C.c_int()
    town.lib.GetUnitName(b"C", out, C.byref(n), L(1), L(48))
    assert town.read_text(out, 48)[:n.value] == b"hours"
    assert 0.0 < town.value("NodeValbyID", "J8", "C") <= 12.0
    assert 0.0 < town.value("LinkValbyID", "P8", "CB") <= 12.0
    assert town.value("NodeValbyID", "R1", "C") == 0.0  # fresh water at the source
