"""Bad arguments at the entry points: out-of-range indices, unknown names,
short or empty output buffers, null pointers, negative lengths and counts.
Each gives its documented failure value, never a crash, and nothing is
written past a buffer."""
import ctypes as C
import math

import pytest

from api_harness import (BAD_ARGUMENT, BRANCH, GUARD, NODE, TANK, UNKNOWN_ATTRIBUTE, UNKNOWN_NAME,
                         L, engine, library, ref, town)  # noqa: F401

# Entry points that fill one output text: name -> call(eng, buffer, length).
TEXT_OUTPUTS = {
    "GetIdElem": lambda e, b, n: e.lib.GetIdElem(ref(NODE), ref(1), b, L(n)),
    "StrAttrbyID": lambda e, b, n: e.lib.StrAttrbyID(ref(BRANCH), b"P1", b"NI", b, L(2), L(2), L(n)),
    "StrAttrbyNum": lambda e, b, n: e.lib.StrAttrbyNum(ref(NODE), ref(2), b"TYPE", b, L(4), L(n)),
    "GetUnitName": lambda e, b, n: e.lib.GetUnitName(b"Q", b, C.byref(C.c_int()), L(1), L(n)),
    "GetSymmetricNodeID": lambda e, b, n: e.lib.GetSymmetricNodeID(b"J5", b, L(2), L(n)),
    "cMelKeyword": lambda e, b, n: e.lib.cMelKeyword(ref(1), C.byref(C.c_int()), b, L(n)),
    "cMelModuleKW": lambda e, b, n: e.lib.cMelModuleKW(ref(4), ref(1), C.byref(C.c_int()), b, L(n)),
    "GetAttr": lambda e, b, n: e.lib.GetAttr(ref(2), b, L(n)),
    "sGetSysVar": lambda e, b, n: e.lib.sGetSysVar(b"MODELFILE", b, C.byref(C.c_int()), L(9), L(n)),
    "cGetDateref": lambda e, b, n: e.lib.cGetDateref(ref(26), b, L(n)),
    "GetNextSimErrDevice": lambda e, b, n: e.lib.GetNextSimErrDevice(
        b, C.byref(C.c_int()), C.byref(C.c_int()), L(n)),
}


@pytest.mark.parametrize("name", sorted(TEXT_OUTPUTS))
@pytest.mark.parametrize("length", [0, 1, 3, -5])
def test_output_texts_stay_inside_their_buffer(town, name, length):
    if name == "GetNextSimErrDevice":
        town.lib.GetNbSimErrDevice(C.byref(C.c_int()))
    room = max(length, 0)
    buf = C.create_string_buffer(b"x" * 4 + GUARD, 4 + len(GUARD))
    TEXT_OUTPUTS[name](town, buf, length)
    raw = buf.raw
    assert raw[room:4] == b"x" * (4 - room)  # nothing beyond the given length
    assert raw[4:4 + len(GUARD)] == GUARD
    assert b"\0" not in raw[:room]


def test_long_texts_are_cut_to_the_buffer_and_blank_padded(town):
    out = town.out_text(2)
    n = town.lib.GetIdElem(ref(BRANCH), ref(10), out, L(2))  # "PU1"
    assert (n, town.read_text(out, 2)) == (2, b"PU")
    out = town.out_text(10)
    n = town.lib.GetIdElem(ref(BRANCH), ref(10), out, L(10))
    assert (n, town.read_text(out, 10)) == (3, b"PU1       ")


@pytest.mark.parametrize("typelt,num", [(NODE, 0), (NODE, -1), (NODE, 11), (BRANCH, 12),
                                        (TANK, 3), (0, 1), (4, 1), (-2, 1)])
def test_out_of_range_numbers_and_types_give_failure_values(town, typelt, num):
    assert town.ident(typelt, num) == ("", 0)
    assert town.lib.StrAttrbyNum(ref(typelt), ref(num), b"ID", town.out_text(8), L(2), L(8)) == 0
    if typelt == NODE:
        status, value = town.by_number("GetNodeAttr", num, "P")
        assert status == BAD_ARGUMENT and math.isnan(value)
        assert town.set_attr("SetNodeAttr", num, "Z", 1.0) == BAD_ARGUMENT


def test_unknown_types_are_refused_by_every_typed_entry_point(town):
    assert town.count(9) == -BAD_ARGUMENT
    assert town.index(9, "J1") == (BAD_ARGUMENT, 0)
    assert town.all_values(9, "P", 3)[0] == -BAD_ARGUMENT
    assert town.series(0, "J1", "P", 5)[0] == -BAD_ARGUMENT


def test_unknown_identifiers_and_attributes(town):
    assert town.index(NODE, "NOPE") == (UNKNOWN_NAME, 0)
    assert town.index(NODE, "P1") == (UNKNOWN_NAME, 0)  # a branch, not a node
    assert math.isnan(town.value("NodeValbyID", "NOPE", "P"))
    assert math.isnan(town.value("NodeValbyID", "J1", "XX"))
    assert math.isnan(town.value("NodeValbyID", "J1", "Q"))  # a branch attribute
    assert math.isnan(town.value("LinkValbyID", "J1", "Q"))
    assert math.isnan(town.value("TankValbyID", "J1", "LV"))  # a junction is no tank
    assert town.attr_index("XX") == 0 and town.attr_index("") == 0
    assert town.lib.GetUnitCoef(b"XX", L(2)) == 0.0
    status, value = town.by_number("GetLinkAttr", 1, "LV")
    assert status == UNKNOWN_ATTRIBUTE and math.isnan(value)
    bad_index = C.c_float(1.0)
    assert town.lib.GetNodeAttr(ref(1), ref(999, C.c_int16), C.byref(bad_index)) == UNKNOWN_ATTRIBUTE


def test_negative_text_lengths_and_null_texts(town):
    assert town.lib.GetElementIndex(ref(NODE), b"J1", C.byref(C.c_int()), L(-1)) == BAD_ARGUMENT
    assert town.lib.GetElementIndex(ref(NODE), None, C.byref(C.c_int()), L(2)) == BAD_ARGUMENT
    assert math.isnan(town.lib.NodeValbyID(b"J1", b"P", L(2), L(-3)))
    assert math.isnan(town.lib.NodeValbyID(None, b"P", L(2), L(1)))
    assert town.lib.CmdExec(None, L(4)) == BAD_ARGUMENT
    assert town.lib.CmdExec(b"SIMULATE", L(-8)) == BAD_ARGUMENT
    assert town.lib.GetIndexAttr(b"P", L(-1)) < 1
    # A null text with length 0 is the empty text.
    assert town.lib.GetIndexAttr(None, L(0)) == 0


def test_texts_are_read_only_up_to_their_length(town):
    # "J1" followed by other characters: only the first two count.
    assert town.lib.GetElementIndex(ref(NODE), b"J1XYZ", C.byref(C.c_int()), L(2)) == 0
    # Trailing blanks of fixed-length callers are padding.
    assert town.index(NODE, "J1      ") == (0, 1)


def test_null_outputs_and_counts(town):
    assert town.lib.GetElementIndex(ref(NODE), b"J1", None, L(2)) == BAD_ARGUMENT
    assert town.lib.GetNodeAttr(ref(1), ref(town.attr_index("P"), C.c_int16), None) == BAD_ARGUMENT
    assert town.lib.GetNbObjects(None) == -BAD_ARGUMENT
    assert town.lib.cGetAll(ref(NODE), b"P", None, None, L(1)) == -BAD_ARGUMENT
    assert town.lib.cGetAll(ref(NODE), b"P", ref(3), None, L(1)) == -BAD_ARGUMENT
    assert town.lib.cGetAll(ref(NODE), b"P", ref(0), None, L(1)) == 0  # nothing to write
    assert town.lib.Selection(ref(2), None) < 0
    # Outputs given as null are simply not written.
    assert town.lib.cGetLinkNodes(ref(1), None, None) == 0
    assert town.lib.NodePosbyID(b"J1", None, None, None, None, L(2)) == 0


@pytest.mark.parametrize("nbval", [-1, -100])
def test_negative_counts_are_refused(town, nbval):
    assert town.all_values(NODE, "P", nbval)[0] == -BAD_ARGUMENT
    assert town.series(NODE, "J1", "P", nbval)[0] == -BAD_ARGUMENT
    xb, yb = (C.c_double * 2)(), (C.c_double * 2)()
    zb, vb = (C.c_float * 2)(), (C.c_float * 2)()
    assert town.lib.LinkXYZV(b"P1", b"P", ref(nbval), xb, yb, zb, vb, L(2), L(1)) == -BAD_ARGUMENT
    assert town.lib.Selection(ref(nbval), (C.c_int * 2)()) == -BAD_ARGUMENT


def float_guarded(n):
    """A float array of n values followed by 4 guard values."""
    arr = (C.c_float * (n + 4))(*([0.0] * n + [-777.0] * 4))
    return arr


def test_short_arrays_receive_only_their_count(town):
    n_nodes = town.count(NODE)
    vect = float_guarded(3)
    assert town.lib.cGetAll(ref(NODE), b"H", ref(3), vect, L(1)) == 3
    assert list(vect)[3:] == [-777.0] * 4
    arrays = [float_guarded(2) for _ in range(5)]
    assert town.lib.cGetAllMinMax(ref(NODE), b"P", ref(2), *arrays, L(1)) == 2
    assert all(list(a)[2:] == [-777.0] * 4 for a in arrays)
    # A larger room gets the element count only.
    vect = float_guarded(n_nodes + 5)
    assert town.lib.cGetAll(ref(NODE), b"H", ref(n_nodes + 5), vect, L(1)) == n_nodes
    tim, val = float_guarded(4), float_guarded(4)
    assert town.lib.TSValbyId(ref(NODE), b"J1", b"P", ref(4), tim, val, None, L(2), L(1)) == 4
    assert list(tim)[4:] == [-777.0] * 4 and list(val)[4:] == [-777.0] * 4
    town.ok("SELECT all NODE ALL")
    town.lib.SelectLen(b"all", C.byref(C.c_int()), C.byref(C.c_int()), L(3))
    sel = (C.c_int * 7)(*([0] * 3 + [-9] * 4))
    assert town.lib.Selection(ref(3), sel) == 3
    assert list(sel) == [1, 2, 3, -9, -9, -9, -9]


def test_identifier_without_terminator_is_refused_by_shear_stress(engine):
    # cShearStr reads its identifier up to a NUL: one far beyond reach is refused.
    long_text = C.create_string_buffer(b"A" * 5000, 5000)
    s, ds = C.c_float(-1.0), C.c_float(-1.0)
    status = engine.lib.cShearStr(long_text, ref(1.0, C.c_float), C.byref(s), C.byref(ds))
    assert status != 0 and (s.value, ds.value) == (0.0, 0.0)
