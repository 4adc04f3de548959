"""Element lookup and attributes: what the engine receives and the binding's
own fallbacks (blank identifiers, 0.0 for unknown names, -1.0 distances)."""

import numpy as np
import pytest

import _pyorvsim as m

F32 = np.float32


@pytest.mark.parametrize("routine,entry", [("nodeattr", "NodeValbyID"), ("branchattr", "LinkValbyID"),
                                           ("nodemeanattr", "MeanValbyID"), ("rsvattr", "TankValbyID")])
def test_attribute_by_identifier(engine, routine, entry):
    engine.program(entry, ret=0.1)
    assert getattr(m, routine)("N12", "PRES") == F32(0.1)
    assert engine.names() == [entry]
    assert engine.last() == {"sid": b"N12", "sattr": b"PRES", "lsid": 3, "lsattr": 4}


@pytest.mark.parametrize("routine,getter", [("nnodeattr", "GetNodeAttr"), ("nlinkattr", "GetLinkAttr"),
                                            ("ntankattr", "GetTankAttr")])
@pytest.mark.parametrize("index,attr", [(0, None), (-3, None), (0x10000, None), (0x18000, None),
                                        (1, 1), (0x10005, 5)])
def test_attribute_by_index(engine, routine, getter, index, attr):
    # The attribute index is the low 16 bits, signed; below 1 means no attribute.
    engine.program("GetIndexAttr", ret=index)
    engine.program(getter, value=2.5)
    val = getattr(m, routine)(5, "XX")
    assert engine.last("GetIndexAttr") == {"sattr": b"XX", "lsattr": 2}
    if attr is None:
        assert val == 0.0 and engine.count(getter) == 0
    else:
        assert val == 2.5 and engine.last(getter) == {"num": 5, "iattr": attr}


@pytest.mark.parametrize("ret,written,sid,id_len", [(0, b"STALE", b" " * 48, 0),
                                                    (3, b"N12", b"N12" + b" " * 45, 3),
                                                    (-2, b"", b" " * 48, -2)])
def test_getid(engine, ret, written, sid, id_len):
    engine.program("GetIdElem", ret=ret, sid=written)
    assert m.getid(2, 17) == (sid, id_len)
    assert engine.last("GetIdElem") == {"typelt": 2, "num": 17, "lsid": 48}


@pytest.mark.parametrize("written,lnid", [(b"N01", 3), (b"X" * 18, 18), (b"", 0), (b"A B", 3),
                                          (b"AB\0", 3)])
def test_symmetric_node_counts_up_to_the_last_non_blank(engine, written, lnid):
    engine.program("GetSymmetricNodeID", ret=-1, sids=written)
    sids, n = m.symmetric_node("N1")
    assert n == lnid and len(sids) <= 18
    assert engine.last() == {"sid": b"N1", "lsid": 2, "lsids": 18}


@pytest.mark.parametrize("status,expected", [(0, (-4.0, 0.1, 7.25)), (1, (-1.0,) * 3), (-1, (-1.0,) * 3)])
def test_distlink(engine, status, expected):
    engine.program("GetDistLink", d=-4.0, s1=0.1, s2=7.25, status=status)
    assert m.distlink("P7", 0.1, -2.5) == expected
    assert engine.last() == {"sid": b"P7", "xp": 0.1, "yp": -2.5, "lsid": 2}


def test_nodexyz_keeps_doubles_and_rounds_floats(engine):
    engine.program("NodePosbyID", x=0.1, y=1e-9 + 3, z=0.1, dz=-0.3)
    assert m.nodexyz("N1") == (0.1, 1e-9 + 3, F32(0.1), F32(-0.3))


@pytest.mark.parametrize("ret,nbelt", [(0, 9), (1, 0), (-1, 0)])
def test_getselectlen(engine, ret, nbelt):
    engine.program("SelectLen", ret=ret, nbelt=9, typelt=2)
    assert m.getselectlen("SEL A") == (nbelt, 2)
    assert engine.last() == {"sname": b"SEL A", "lsname": 5}


@pytest.mark.parametrize("nbelt,written,expected", [(0, [], []), (3, [4, -5], [4, -5, 0])])
def test_getselect(engine, nbelt, written, expected):
    engine.program("Selection", selbuf=written)
    buf = m.getselect(nbelt)
    assert buf.dtype == np.int32 and buf.tolist() == expected
    assert engine.last() == {"nbelt": nbelt}


def test_getselect_refuses_a_negative_size(engine):
    with pytest.raises(ValueError, match=r"\(-1,\)$"):
        m.getselect(-1)
    assert engine.count() == 0


@pytest.mark.parametrize("routine,setter,typelt", [("setbranchattrbyid", "SetBranchAttr", 1),
                                                   ("setnodeattrbyid", "SetNodeAttr", 2)])
def test_set_by_identifier(engine, routine, setter, typelt):
    engine.program("GetElementIndex", num=41)
    engine.program("GetIndexAttr", ret=0x1FFFF)  # -1: not tested, handed on
    engine.program(setter, ret=-4)
    assert getattr(m, routine)("P1", "XX", 0.1) == -4
    assert engine.calls() == [("GetElementIndex", {"typelt": typelt, "sid": b"P1", "lsid": 2}),
                              ("GetIndexAttr", {"sattr": b"XX", "lsattr": 2}),
                              (setter, {"index": 41, "iattr": -1, "val": float(F32(0.1))})]


def test_text_attributes_and_units(engine):
    engine.program("StrAttrbyID", ret=3, str=b"PVC")
    engine.program("StrAttrbyNum", ret=2, str=b"PE")
    engine.program("GetUnitName", ret=0, att_name=b"m3/h", len_name=4)
    engine.program("GetUnitCoef", ret=3.6)
    assert m.strattr(1, "P1", "MAT") == (b"PVC" + b" " * 45, 3)
    assert m.nstrattr(1, 8, "MAT") == (b"PE" + b" " * 46, 2)
    assert m.getunit("Q") == (b"m3/h" + b" " * 44, 4) and m.getunitval("Q") == F32(3.6)
    assert [c.args for c in engine.calls()] == [
        {"typelt": 1, "sid": b"P1", "sattr": b"MAT", "lsid": 2, "lsattr": 3, "lstr": 48},
        {"typelt": 1, "num": 8, "sattr": b"MAT", "lsattr": 3, "lstr": 48},
        {"attr": b"Q", "lattr": 1, "lname": 48}, {"attr": b"Q", "lattr": 1}]


def test_counts_indices_and_end_nodes(engine):
    engine.program("GetNbObjects", ret=120)
    engine.program("GetElementIndex", ret=-9, num=33)
    engine.program("cGetLinkNodes", ni=4, nf=-6)
    assert (m.nbobjects(3), m.geteltindex(2, "N7"), m.extrnodes(12)) == (120, 33, (4, -6))
    assert [c.args for c in engine.calls()] == [{"typelt": 3}, {"typelt": 2, "sid": b"N7", "lsid": 2},
                                                {"iarc": 12}]
