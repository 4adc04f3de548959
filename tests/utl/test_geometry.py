"""Planar distances and polyline splitting of _pyorvutl."""
import math

import numpy as np
import pytest
from hypothesis import given, settings, strategies as st

import _pyorvutl as u

POLY = ([0.0, 3.0, 3.0], [0.0, 0.0, 4.0])  # total length 7


@pytest.mark.parametrize("args,expected", [
    ((5, 6, 2, 2, 2, 2), (5.0, 0.0, 0.0)),          # degenerate segment
    ((0, 1, 0, 0, 10, 0), (1.0, 0.0, 10.0)),        # foot at the start end
    ((12, 0, 0, 0, 10, 0), (2.0, 10.0, 10.0)),      # beyond the second end
    ((4, 3, 0, 0, 10, 0), (3.0, 4.0, 10.0)),        # inside the window
])
def test_point_to_segment(args, expected):
    assert u.dist_p_seg(*args) == expected


def test_lower_projection_bound_measures_to_the_start():
    d, s, l = u.dist_p_seg(0.00005, 1, 0, 0, 10, 0)
    assert s == 0.0 and d == math.sqrt(0.00005 ** 2 + 1) and d != 1.0


def test_point_distance_and_keywords():
    assert u.dist(0, 0, 3, 4) == 5.0
    assert u.dist(y2=4, x2=3, y1=0, x1=0) == 5.0
    assert u.dist("3", [4], 0j, np.float32(0)) == 5.0


@pytest.mark.parametrize("point,expected", [
    ((1, 1), (1.0, 1.0, 6.0)),
    ((3, -1), (1.0, 3.0, 4.0)),   # nearest point is vertex 2, reached from segment 1
    ((-1, 0), (1.0, 0.0, 7.0)),
])
def test_point_to_polyline(point, expected):
    assert u.dist_to_poly(*point, *POLY) == expected


def test_equidistant_point_keeps_the_earlier_segment():
    # (1, 1) lies 1 away from segments 1, 2 and 3: the first one wins.
    ds, s1, s2 = u.dist_to_poly(1, 1, [0, 2, 2, 0], [0, 0, 2, 2])
    assert (ds, s1, s2) == (1.0, 1.0, 5.0)


@pytest.mark.parametrize("split,expected", [
    (3, (1, 3.0, 0.0, 7.0)),
    (5, (2, 3.0, 2.0, 7.0)),
    (7, (2, 3.0, 4.0, 7.0)),
    (8, (3, 3.0, 4.0, 7.0)),
    (0, (0, 0.0, 0.0, 7.0)),
    (-1, (0, 0.0, 0.0, 7.0)),
    (-0.0, (0, 0.0, 0.0, 7.0)),
    (float("nan"), (3, 3.0, 4.0, 7.0)),
])
def test_split(split, expected):
    assert u.split_poly_at(*POLY, split) == expected


def test_repeated_vertices_never_become_the_split_segment():
    assert u.split_poly_at([0, 0, 1, 1, 2], [0, 0, 0, 0, 0], 1) == (2, 1.0, 0.0, 2.0)


def test_one_vertex_polyline():
    assert u.dist_to_poly(3, 4, [0.0], [0.0]) == (5.0, 0.0, 0.0)
    assert u.split_poly_at([1.0], [2.0], 0) == (0, 1.0, 2.0, 0.0)
    assert u.split_poly_at([1.0], [2.0], 1) == (1, 1.0, 2.0, 0.0)


def test_default_nb_counts_every_vertex_of_a_nested_list():
    # The third vertex is the nearest: a count of 1 or 2 would miss it.
    assert u.dist_to_poly(4, 3, [[0, 3, 3]], [[0, 0, 4]]) == u.dist_to_poly(4, 3, [0, 3, 3], [0, 0, 4])
    assert u.dist_to_poly(4, 3, [[0, 3, 3]], [[0, 0, 4]])[0] == 1.0


def test_non_positive_nb_behaves_as_a_single_vertex():
    assert u.split_poly_at([1.0, 5.0], [2.0, 5.0], 1, nb=-2) == (-2, 1.0, 2.0, 0.0)
    assert u.dist_to_poly(1, 2, [1.0, 9.0], [2.0, 5.0], nb=-1) == (0.0, 0.0, 0.0)


def test_explicit_nb_reads_a_prefix_of_xpoly():
    assert u.split_poly_at([0.0, 3.0, 3.0], [0.0, 0.0], 10, nb=2) == (2, 3.0, 0.0, 3.0)


@pytest.mark.parametrize("call,message", [
    (lambda: u.dist_to_poly(0, 0, [], []), "(len(xpoly)>=1) failed for 3rd argument xpoly"),
    (lambda: u.split_poly_at([], [], 1), "(len(xpoly)>=1) failed for 1st argument xpoly"),
    (lambda: u.split_poly_at([0, 1], [0, 1], 1, nb=3),
     "(len(xpoly)>=nb) failed for 1st keyword nb: split_poly_at:nb=3"),
    (lambda: u.dist_to_poly(0, 0, [0, 1], [], nb=-1), "(len(ypoly)>=1) failed for 4th argument ypoly"),
])
def test_refusals_before_any_vertex_is_read(call, message):
    with pytest.raises(Exception) as info:
        call()
    assert type(info.value).__name__ == "error" and str(info.value) == message


@pytest.mark.parametrize("call,kind,message", [
    (lambda: u.dist("x", 0, 0, 0), ValueError, "_pyorvutl.dist() 1st argument (x1) can't be converted to double"),
    (lambda: u.dist_p_seg(0, 0, 0, 0, 0, None), TypeError,
     "_pyorvutl.dist_p_seg() 6th argument (y2) can't be converted to double"),
    (lambda: u.dist_to_poly(0, 0, [0, 1], [0, 1], nb="z"), ValueError,
     "_pyorvutl.dist_to_poly() 1st keyword (nb) can't be converted to int"),
    (lambda: u.split_poly_at([0, 1], [0, 1, 2], 1), ValueError, "0-th dimension must be fixed to 2 but got 3\n"),
    (lambda: u.split_poly_at([0, 1], [0], 1), ValueError,
     "unexpected array size: new_size=2, got array with arr_size=1\n"),
    (lambda: u.split_poly_at([0, 1], [0, 1], "s"), ValueError,
     "_pyorvutl.split_poly_at() 3rd argument (split) can't be converted to double"),
])
def test_conversion_failures(call, kind, message):
    with pytest.raises(kind) as info:
        call()
    assert str(info.value) == message


coords = st.floats(-1e3, 1e3, allow_nan=False)


@settings(max_examples=200, deadline=None)
@given(st.lists(st.tuples(coords, coords), min_size=2, max_size=8), st.floats(0.01, 0.99))
def test_split_point_lies_on_the_polyline(points, fraction):
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    *_, totlen = u.split_poly_at(xs, ys, 0)
    k, x, y, _ = u.split_poly_at(xs, ys, fraction * totlen)
    ds, s1, s2 = u.dist_to_poly(x, y, xs, ys)
    assert ds <= 1e-6 * max(1.0, totlen)
    assert 1 <= k <= len(xs) - 1 or totlen == 0
    assert abs(s1 + s2 - totlen) <= 1e-9 * max(1.0, totlen)
