"""Per-call cost of the binding, side by side with reference calls.

    python bench/call_overhead.py [calls]

nodeattr and nnodeattr read node elevations through the real engine library
on the town network;
the reference is the same entry point called through ctypes (which does no
argument checking of its own). dist_p_seg is compared with the same
computation written in plain Python.
"""
import ctypes
import math
import pathlib
import sys
import time

import _pyorvsim as sim
import _pyorvutl as utl


def per_call(fn, calls, repeats=3):
    best = math.inf
    for _ in range(repeats):
        start = time.perf_counter()
        for _ in range(calls):
            fn()
        best = min(best, time.perf_counter() - start)
    return best / calls


def dist_p_seg_python(xp, yp, x1, y1, x2, y2):
    dx, dy = x2 - x1, y2 - y1
    l2 = dx * dx + dy * dy
    l = math.sqrt(l2)
    if l < 1e-8:
        return math.hypot(x1 - xp, y1 - yp), 0.0, l
    t = (dx * (xp - x1) + dy * (yp - y1)) / l2
    if t < 1e-5 or t > 1.0:
        da2 = (x1 - xp) ** 2 + (y1 - yp) ** 2
        db2 = (x2 - xp) ** 2 + (y2 - yp) ** 2
        return (math.sqrt(db2), l, l) if da2 > db2 else (math.sqrt(da2), 0.0, l)
    xq, yq = x1 + t * dx, y1 + t * dy
    return math.hypot(xq - xp, yq - yp), math.hypot(x1 - xq, y1 - yq), l


def engine_library():
    for line in open("/proc/self/maps"):
        if line.rstrip().endswith("libOrvelle_SIM_x64.so"):
            return ctypes.CDLL(line.split()[-1])
    raise RuntimeError("engine library not loaded")


def main(calls):
    town = pathlib.Path(__file__).resolve().parent.parent / "examples" / "town.inp"
    sim.inimel()
    if sim.cmd(f"LOAD {town}") != 0:
        sys.exit("the town network did not load")
    lib = engine_library()
    lib.NodeValbyID.restype = ctypes.c_float
    lib.NodeValbyID.argtypes = [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int64, ctypes.c_int64]
    rows = [
        ("nodeattr('J3', 'Z')", lambda: sim.nodeattr("J3", "Z"),
         "ctypes NodeValbyID", lambda: lib.NodeValbyID(b"J3", b"Z", 2, 1)),
        ("nnodeattr(3, 'Z')", lambda: sim.nnodeattr(3, "Z"),
         "ctypes NodeValbyID", lambda: lib.NodeValbyID(b"J3", b"Z", 2, 1)),
        ("dist_p_seg(...)", lambda: utl.dist_p_seg(4.0, 3.0, 0.0, 0.0, 10.0, 0.0),
         "plain Python", lambda: dist_p_seg_python(4.0, 3.0, 0.0, 0.0, 10.0, 0.0)),
    ]
    print(f"{'call':24} {'ns/call':>9}   {'reference':20} {'ns/call':>9}   ratio")
    for name, fn, ref_name, ref in rows:
        ours, theirs = per_call(fn, calls), per_call(ref, calls)
        print(f"{name:24} {ours * 1e9:9.0f}   {ref_name:20} {theirs * 1e9:9.0f}   {ours / theirs:5.2f}")
    sim.closemel()


if __name__ == "__main__":
    main(int(sys.argv[1]) if len(sys.argv) > 1 else 1_000_000)
