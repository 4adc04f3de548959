"""Calibration, statistics, shear stress and water quality: the engine's
argument orders, the refused counts, the shear-stress velocity and the
water-quality data set."""

import math

import numpy as np
import pytest

import _pyorvsim as m

F32 = np.float32


def module_error(excinfo):
    return f"{excinfo.type.__module__}.{excinfo.type.__name__}" == "_pyorvsim.error"


def test_calibration(engine):
    assert m.defcalind(0.1, 2, "-3.5") is None
    assert engine.last("cSetIndCal") == {"seuilb": float(F32(0.1)), "seuiln": 2.0, "seuilr": -3.5}
    assert m.getcalind(4, "P12") == (0.0, 0)  # nothing written
    assert engine.last("GetIndCal") == {"typelt": 4, "sid": b"P12", "lsid": 3}
    engine.program("GetIndCal", ret=-1, val=0.1, ival=-2)
    assert m.getcalind(4, "P12") == (F32(0.1), -2)
    engine.program("Kalibra_Summary", ret=-1, iter=12, iter100=7, fobjmin=0.5, fobj100=1.5,
                   fobj0=2.5, flambda=0.1)
    assert m.inv_summary() == (12, 7, 0.5, 1.5, 2.5, F32(0.1))
    engine.program("GetNBMaxWQcomp", ret=31)
    assert m.wqcompmaxcount() == 31


@pytest.mark.parametrize("routine", ["inv_summary", "wqcompmaxcount"])
def test_routines_without_arguments(engine, routine):
    with pytest.raises(TypeError):
        getattr(m, routine)(1)
    assert engine.names() == []


def test_quantiles_engine_order_and_shape(engine):
    tab = np.arange(1, 7, dtype=F32).reshape(3, 2, order="F")
    engine.program("cQuantiles", ret=-1, tabres=tab)
    res = m.stat_quantiles(2, "PRES", [0.5, 0.9], [7, 8, 9])
    assert engine.calls() == [("cQuantiles", {
        "typres": 2, "sattr": b"PRES", "nqtl": 2, "qtl": [0.5, float(F32(0.9))], "lres": 3,
        "bufres": [7, 8, 9], "lsattr": 4})]
    assert res.dtype == F32 and res.shape == (3, 2) and res.flags.f_contiguous
    assert (res == tab).all()  # tabres[i, j]: element i, level j


@pytest.mark.parametrize("kw,shape,lres,nqtl", [
    ({"lres": 2}, (2, 2), 2, 2), ({"nqtl": 1}, (3, 1), 3, 1), ({"lres": 0}, (0, 2), 0, 2),
    ({"lres": None, "nqtl": None}, (3, 2), 3, 2)])
def test_quantiles_explicit_counts(engine, kw, shape, lres, nqtl):
    assert m.stat_quantiles(2, "P", [0.5, 0.9], [7, 8, 9], **kw).shape == shape
    args = engine.last("cQuantiles")
    assert (args["lres"], args["nqtl"]) == (lres, nqtl)
    assert args["bufres"] == [7, 8, 9][:lres] and len(args["qtl"]) == nqtl


@pytest.mark.parametrize("call,text", [
    (lambda: m.stat_quantiles(2, "P", [0.5], [7, 8], lres=3),
     "(len(bufres)>=lres) failed for 1st keyword lres: stat_quantiles:lres=3"),
    (lambda: m.stat_quantiles(2, "P", [0.5], [7, 8], nqtl=2),
     "(len(qtl)>=nqtl) failed for 2nd keyword nqtl: stat_quantiles:nqtl=2"),
    (lambda: m.stat_squantiles("S", "P", 4, [0.5, 0.9], 3),
     "(len(qtl)>=nqtl) failed for 1st keyword nqtl: stat_squantiles:nqtl=3"),
    (lambda: m.stat_duration(2, "P", ">", 1.0, [7], lres=2),
     "(len(bufres)>=lres) failed for 1st keyword lres: stat_duration:lres=2"),
])
def test_counts_beyond_the_arrays_are_refused(engine, call, text):
    # The engine would read past the indices or levels given.
    with pytest.raises(Exception) as excinfo:
        call()
    assert module_error(excinfo) and str(excinfo.value) == text
    assert engine.names() == []


@pytest.mark.parametrize("call", [
    lambda: m.stat_quantiles(2, "P", [0.5], [7, 8], lres=-1),
    lambda: m.stat_squantiles("S", "P", -1, [0.5]),
    lambda: m.stat_duration(2, "P", ">", 1.0, [7], lres=-2),
    lambda: m.stat_sduration("S", "P", ">", 1.0, -1),
    lambda: m.wqdata(-1),
])
def test_negative_counts_fail_creating_the_result(engine, call):
    with pytest.raises(ValueError, match=r"must have defined dimensions but got \(-\d,"):
        call()
    assert engine.names() == []


def test_selection_quantiles(engine):
    engine.program("cSQuantiles", tabres=[1, 2, 3, 4])
    res = m.stat_squantiles("ZONE A", "Q", 2, [0.1, 0.5])
    assert engine.calls() == [("cSQuantiles", {
        "sel": b"ZONE A", "sattr": b"Q", "nqtl": 2, "qtl": [float(F32(0.1)), 0.5], "lres": 2,
        "lsel": 6, "lsattr": 1})]
    assert res.shape == (2, 2) and res.tolist() == [[1, 3], [2, 4]]
    assert m.stat_squantiles("ZONE A", "Q", 2, [0.1, 0.5], nqtl=1).shape == (2, 1)


def test_durations_engine_order(engine):
    engine.program("cDuree_Cumulee", tabres=[5, 6])
    res = m.stat_duration(3, "VIT", ">=", 0.1, np.array([4, 9], dtype=np.int64))
    assert engine.calls() == [("cDuree_Cumulee", {
        "typres": 3, "sattr": b"VIT", "sop": b">=", "seuil": float(F32(0.1)), "lres": 2,
        "bufres": [4, 9], "lsattr": 3, "lsop": 2})]
    assert res.dtype == F32 and res.tolist() == [5, 6]
    assert m.stat_duration(3, "VIT", ">=", 0.1, [4, 9], lres=1).shape == (1,)
    engine.clear_log()
    assert m.stat_sduration("SEL", "P", "<", 2.5, 3).tolist() == [0, 0, 0]
    assert engine.calls() == [("cSDuree_Cumulee", {
        "sel": b"SEL", "sattr": b"P", "sop": b"<", "seuil": 2.5, "lres": 3, "lsel": 3,
        "lsattr": 1, "lsop": 1})]


@pytest.mark.parametrize("call,entry", [
    (lambda: m.stat_squantiles("S", "P", 0, [0.5]), "cSQuantiles"),
    (lambda: m.stat_sduration("S", "P", "<", 1.0, 0), "cSDuree_Cumulee")])
def test_empty_selection_results_still_call_the_engine(engine, call, entry):
    assert call().size == 0 and engine.names() == [entry]


@pytest.mark.parametrize("v,passed", [(-2.5, 2.5), (2.5, 2.5), (-0.0, 0.0), (-0.1, F32(0.1)),
                                      (-math.inf, math.inf)])
def test_shearstr_passes_the_absolute_velocity(engine, v, passed):
    engine.program("cShearStr", ret=-1, s=1.5, ds=0.1)
    assert m.shearstr("P12", v) == (1.5, F32(0.1))
    args = engine.last("cShearStr")
    assert args == {"sid": b"P12", "v": passed} and math.copysign(1.0, args["v"]) == 1.0


@pytest.mark.parametrize("ret,written,nvec", [(0, 4, 4), (3, 7, 7), (-1, 7, 0), (-2, None, 0)])
def test_wqdatainit_count(engine, ret, written, nvec):
    engine.program("GetWQDataInit", ret=ret, **({} if written is None else {"nvec": written}))
    assert m.wqdatainit("N7") == nvec
    assert engine.calls() == [("GetWQDataInit", {"snode": b"N7", "lsnode": 2})]


def test_wqdata_result_order(engine):
    engine.program("GetWQData", ret=-3, nvec=2, tvec=[1, 2], cvec=[0.1, 4], snode=b"N7",
                   scode=b"CL\0X", attr=b"C2X", lnod=2, lcod=2)
    iret, nvec, tvec, cvec, snode, scode, attr, lnod, lcod = m.wqdata(4)
    assert (iret, nvec, snode, scode, attr, lnod, lcod) == (-3, 2, b"N7" + b" " * 16, b"CL", b"C2",
                                                            2, 2)
    assert tvec.dtype == cvec.dtype == F32
    assert tvec.tolist() == [1, 2, 0, 0] and cvec.tolist() == [F32(0.1), 4, 0, 0]
    assert engine.calls() == [("GetWQData", {"nvecx": 4, "lsnode": 18, "lscode": 18, "lattr": 2})]


def test_wqdata_without_room(engine):
    iret, nvec, tvec, cvec, snode, scode, attr, lnod, lcod = m.wqdata(0)
    assert tvec.size == cvec.size == 0 and (snode, scode, attr) == (b" " * 18, b" " * 18, b"  ")
    assert engine.names() == ["GetWQData"]
