"""Branch polylines: bends, points with elevation or distance and values,
bounding boxes."""
import ctypes as C
import math

import pytest

from api_harness import (BAD_ARGUMENT, BRANCH, NOT_AVAILABLE, UNKNOWN_ATTRIBUTE, UNKNOWN_NAME, L,  # noqa: F401
                         engine, library, ref, town)


def points(eng, entry, sid, attr, nbval):
    xb, yb = (C.c_double * max(nbval, 1))(), (C.c_double * max(nbval, 1))()
    zb, vb = (C.c_float * max(nbval, 1))(), (C.c_float * max(nbval, 1))()
    b, a = sid.encode(), attr.encode()
    n = getattr(eng.lib, entry)(b, a, ref(nbval), xb, yb, zb, vb, L(len(b)), L(len(a)))
    k = max(n, 0)
    return n, list(xb)[:k], list(yb)[:k], list(zb)[:k], list(vb)[:k]


def test_bends(town):
    bends = {town.ident(BRANCH, k)[0]: town.lib.GetNbCoudes(ref(k)) for k in range(1, 12)}
    assert bends["P5"] == bends["P9"] == 1
    assert all(v == 0 for k, v in bends.items() if k not in ("P5", "P9"))
    assert town.lib.GetNbCoudes(ref(0)) == -BAD_ARGUMENT
    assert town.lib.GetNbCoudes(ref(12)) == -BAD_ARGUMENT


def test_points_carry_elevation_and_values_along_the_branch(town):
    town.ok("INSTANT 9")
    n, xs, ys, zs, vs = points(town, "LinkXYZV", "P5", "P", 3)
    assert n == 3 and (xs, ys) == ([900, 1000, 1300], [0, -300, -450])
    first, second = math.hypot(100, 300), math.hypot(300, 150)
    f = first / (first + second)
    p2, p4 = town.value("NodeValbyID", "J2", "P"), town.value("NodeValbyID", "J4", "P")
    assert zs == pytest.approx([62, 62 + f * (58 - 62), 58], abs=1e-4)
    assert vs == pytest.approx([p2, p2 + f * (p4 - p2), p4], abs=1e-4)
    # A branch attribute is the same at every point.
    q = town.value("LinkValbyID", "P5", "Q")
    assert points(town, "LinkXYZV", "P5", "Q", 3)[4] == [q, q, q]
    # The distance variant puts the length along the polyline in place of the elevation.
    n, xs2, _, ds, vs2 = points(town, "LinkXYZDV", "P5", "P", 3)
    assert xs2 == xs and vs2 == vs and ds == pytest.approx([0, first, first + second], abs=1e-3)
    # An empty attribute gives no values; a short room gets the first points.
    assert points(town, "LinkXYZV", "P5", "", 3)[4] == [0.0, 0.0, 0.0]
    assert points(town, "LinkXYZV", "P5", "P", 2)[:2] == (2, [900, 1000])


def test_points_failures(town):
    assert points(town, "LinkXYZV", "NOPE", "P", 3)[0] == -UNKNOWN_NAME
    assert points(town, "LinkXYZV", "P5", "LV", 3)[0] == -UNKNOWN_ATTRIBUTE
    assert points(town, "LinkXYZDV", "P5", "XX", 3)[0] == -UNKNOWN_ATTRIBUTE


def test_bounding_box(town):
    box = [C.c_double(7.0) for _ in range(4)]
    assert town.lib.LinkBBox(b"P5", *[C.byref(v) for v in box], L(2)) == 0
    assert [v.value for v in box] == [900, 1300, -450, 0]
    box = [C.c_double(7.0) for _ in range(4)]
    assert town.lib.LinkBBox(b"NOPE", *[C.byref(v) for v in box], L(4)) == UNKNOWN_NAME
    assert [v.value for v in box] == [7.0] * 4


def test_branches_without_coordinates(engine, tmp_path):
    net = tmp_path / "bare.inp"
    net.write_text("[RESERVOIRS]\n R 50\n[JUNCTIONS]\n J 10 1\n[PIPES]\n P R J 100 100 100\n"
                   "[COORDINATES]\n R 0 0\n[END]\n")
    engine.ok(f'LOAD "{net}"')
    assert points(engine, "LinkXYZV", "P", "", 2)[0] == -NOT_AVAILABLE
    box = [C.c_double() for _ in range(4)]
    assert engine.lib.LinkBBox(b"P", *[C.byref(v) for v in box], L(1)) == NOT_AVAILABLE
    x, y = C.c_double(), C.c_double()
    assert engine.lib.NodePosbyID(b"J", C.byref(x), C.byref(y), None, None, L(1)) == 0
    assert math.isnan(x.value) and math.isnan(y.value)
