"""Network-wide vectors and branch geometry: array order and types, and the
point count of a branch."""

import numpy as np
import pytest

import _pyorvsim as m

F32 = np.float32


def test_getall(engine):
    engine.program("cGetAll", ret=-1, vect=[0.1, -2.0])
    vect = m.getall(2, "PRES", 3)
    assert vect.dtype == np.float32 and vect.tolist() == [F32(0.1), -2.0, 0.0]
    assert engine.last() == {"typelt": 2, "attr": b"PRES", "nbval": 3, "lattr": 4}


def test_getallminmax_returns_values_before_instants(engine):
    # The engine takes (tmin, vmin, tmax, vmax, vmoy); Python gets vmin, vmax, vmoy, tmin, tmax.
    engine.program("cGetAllMinMax", tmin=[1, 11], vmin=[2, 12], tmax=[3, 13], vmax=[4, 14],
                   vmoy=[5, 15])
    result = m.getallminmax(1, "Q", 2)
    assert [a.tolist() for a in result] == [[2, 12], [4, 14], [5, 15], [1, 11], [3, 13]]
    assert all(a.dtype == np.float32 for a in result)
    assert engine.last() == {"typelt": 1, "attr": b"Q", "nbval": 2, "lattr": 1}


@pytest.mark.parametrize("call", [lambda: m.getall(1, "Q", -1), lambda: m.getallminmax(1, "Q", -2),
                                  lambda: m.branchxyzv("P", "Q", -3), lambda: m.branchxyzdv("P", "Q", -4)])
def test_negative_size_is_refused_before_the_engine(engine, call):
    with pytest.raises(ValueError, match="must have defined dimensions"):
        call()
    assert engine.count() == 0


@pytest.mark.parametrize("index,bends,nbval", [(0, 7, 0), (-2, 7, 0), (5, 0, 2), (5, 3, 5),
                                               (5, 0x1FFFF, 1), (5, 0x7FFF, 0x8001), (5, 0x8000, -32766)])
def test_branchxylen(engine, index, bends, nbval):
    # Bends come as the low 16 bits, signed; an unknown branch has no points.
    engine.program("GetElementIndex", ret=3, num=index)
    engine.program("GetNbCoudes", ret=bends)
    assert m.branchxylen("P12") == nbval
    assert engine.calls("GetElementIndex")[0].args == {"typelt": 1, "sid": b"P12", "lsid": 3}
    assert [c.args for c in engine.calls("GetNbCoudes")] == ([{"index": index}] if index > 0 else [])


@pytest.mark.parametrize("routine,entry", [("branchxyzv", "LinkXYZV"), ("branchxyzdv", "LinkXYZDV")])
def test_branch_points(engine, routine, entry):
    engine.program(entry, ret=2, xb=[0.1, 1e9 + 0.5], yb=[-0.1], zb=[0.1, 2], vb=[7, 8, 9])
    xb, yb, zb, vb, nbpts = getattr(m, routine)("P12", "V", 3)
    assert (xb.dtype, yb.dtype, zb.dtype, vb.dtype) == (np.float64, np.float64, np.float32, np.float32)
    assert xb.tolist() == [0.1, 1e9 + 0.5, 0.0] and yb.tolist() == [-0.1, 0.0, 0.0]
    assert zb.tolist() == [F32(0.1), 2.0, 0.0] and vb.tolist() == [7, 8, 9] and nbpts == 2
    assert engine.last() == {"sid": b"P12", "attr": b"V", "nbval": 3, "lsid": 3, "lattr": 1}
    engine.program(entry, ret=4)
    empty = getattr(m, routine)("P12", "V", 0)
    assert [a.shape for a in empty[:4]] == [(0,)] * 4 and empty[4] == 4 and engine.count(entry) == 2


@pytest.mark.parametrize("program,expected", [({"ret": -3}, (0.0, 0.0, 0.0, 0.0, -3)),
                                              ({"xmin": 0.1, "xmax": 2e9 + 0.25, "ymin": -1.5,
                                                "ymax": 3.0}, (0.1, 2e9 + 0.25, -1.5, 3.0, 0))])
def test_bbox(engine, program, expected):
    engine.program("LinkBBox", **program)
    assert m.bbox("P12") == expected
    assert engine.last() == {"sid": b"P12", "lsid": 3}
