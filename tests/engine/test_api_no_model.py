"""An opened engine without a model answers every query with its empty value."""
import ctypes as C
import math

from api_harness import (BRANCH, NO_MODEL, NODE, TANK, UNKNOWN_NAME, L, engine, library,  # noqa: F401
                         ref)


def test_counts_and_lookups_are_empty(engine):
    assert [engine.count(t) for t in (BRANCH, NODE, TANK)] == [0, 0, 0]
    assert engine.index(NODE, "J1") == (NO_MODEL, 0)
    assert engine.ident(NODE, 1) == ("", 0)
    assert math.isnan(engine.value("NodeValbyID", "J1", "P"))
    assert engine.lib.SolveH() == NO_MODEL
    assert engine.lib.GetNbTimeSteps() == 0 and engine.lib.GetNbValProfilResultat() == 0
    tmin, tmax = C.c_float(5), C.c_float(5)
    assert engine.lib.GetDateMinMax(C.byref(tmin), C.byref(tmax)) == 0
    assert (tmin.value, tmax.value) == (0.0, 0.0)
    out = engine.out_text(26)
    assert engine.lib.cGetDateref(ref(26), out, L(26)) == 0
    assert engine.read_text(out, 26) == b" " * 26


def test_queries_that_need_a_model_say_so(engine):
    assert engine.cmd("SIMULATE") == NO_MODEL
    assert engine.lib.fSaveFile(b"x.inp", b"", L(5), L(0)) == NO_MODEL
    assert engine.all_values(NODE, "P", 2)[0] == -NO_MODEL
    nb = C.c_int(9)
    assert engine.lib.SelectLen(b"S", C.byref(nb), C.byref(C.c_int()), L(1)) == UNKNOWN_NAME
    assert nb.value == 0
    assert engine.var("NNODES") == "0" and engine.var("MODELFILE") == ""


def test_later_features_give_no_data(engine):
    nvec = C.c_int(5)
    assert engine.lib.GetWQDataInit(b"J1", C.byref(nvec), L(2)) >= 0 and nvec.value == 0
    assert engine.lib.GetNBMaxWQcomp() == 0
    assert engine.lib.NbMesbyId(ref(NODE), b"J1", b"P", L(2), L(1)) == 0
    nbc = C.c_int(5)
    engine.lib.GetUsedCodes(ref(1), C.byref(nbc))
    assert nbc.value == 0
