"""Water quality against the reference engine (owa-epanet).

Each case runs one network in one quality mode through the reference and
through orv_quality twice: once with our own hydraulics, once fed with the
reference's hydraulics, which isolates transport and reaction errors from
hydraulic differences. Qualities are compared at every reporting instant,
node by node and link by link: |ours - ref| <= 1e-3 |ref| + 1e-4.

The cases and helpers are in devtools/quality_reference.py.
"""
import pytest

from hydraulics_reference import LIBRARY
from quality_reference import CASES, compare, run_ours, run_reference, town_variant, with_sections, wntr_networks


@pytest.mark.parametrize("case", sorted(CASES))
def test_quality_matches_reference_with_its_hydraulics(case, tmp_path):
    options, add = CASES[case]
    inp = town_variant(tmp_path, f"{case}.inp", options, add)
    hyd = tmp_path / "hyd.txt"
    ref = run_reference(inp, hyd_file=hyd)
    ours = run_ours(inp, hyd_file=hyd)
    assert ours.status == 0, ours.message
    ratio, where = compare(ours, ref)
    assert ratio <= 1.0, where


@pytest.mark.parametrize("mode", ["AGE", "TRACE 40"])
def test_anytown_matches_reference(mode, tmp_path):
    inp = wntr_networks() / "Anytown.inp"
    hyd = tmp_path / "hyd.txt"
    ref = run_reference(inp, mode, hyd_file=hyd)
    ratio, where = compare(run_ours(inp, mode, hyd_file=hyd), ref)
    assert ratio <= 1.0, where




def library_network(name):
    inp = LIBRARY / name
    if not inp.exists():
        pytest.skip("benchmark networks not fetched (python tests/fetch_networks.py)")
    return inp


@pytest.mark.parametrize("name,mode,tolerance", [
    ("Net1.inp", None, None),
    ("Net3.inp", "AGE", None),
    ("Net3.inp", "TRACE Lake", None),
    # Net2's fluoride source steps between 0.09 and 0.08 mg/L, exactly its
    # tolerance of 0.01 apart: whether the reference merges such parcels
    # depends on the last bit of its flows. Off that edge both engines agree.
    ("Net2.inp", None, "0.0099"),
    ("Net2.inp", None, "0.0101"),
    pytest.param("Net2.inp", None, None, marks=pytest.mark.xfail(
        strict=False, reason="parcels exactly the tolerance apart merge or not by rounding in the reference")),
])
def test_benchmark_networks_match_reference(name, mode, tolerance, tmp_path):
    """Benchmark networks extracted by tests/fetch_networks.py, with our own hydraulics."""
    inp = library_network(name)
    if tolerance:
        inp = with_sections(inp, tmp_path, name, add=f"[OPTIONS]\n Tolerance {tolerance}\n")
    ratio, where = compare(run_ours(inp, mode), run_reference(inp, mode))
    assert ratio <= 1.0, where


@pytest.mark.parametrize("name,mode", [
    ("Net6.inp", "AGE"),
    ("Net6.inp", "TRACE RESERVOIR-3323"),
    ("ky4.inp", "TRACE R-1"),   # 48 h instead of a single instant
    ("ky10.inp", "AGE"),        # pump loops, pressure-reducing valves
])
def test_networks_match_reference_under_its_conventions(name, mode, tmp_path):
    """Networks with check-valve pipes, pipes whose flow reverses across a
    standstill and junctions fed by flows below the solvers' noise: with the
    reference's hydraulics and bookkeeping conventions the transport agrees
    everywhere; with ours it differs exactly there."""
    inp = library_network(name)
    if name.startswith("ky"):
        inp = with_sections(inp, tmp_path, name, add="[TIMES]\n Duration 48:00\n")
    hyd = tmp_path / "hyd.txt"
    ref = run_reference(inp, mode, hyd_file=hyd)
    ratio, where = compare(run_ours(inp, mode, hyd_file=hyd, reference_conventions=True), ref)
    assert ratio <= 1.0, where
    ratio, where = compare(run_ours(inp, mode, hyd_file=hyd), ref)
    assert ratio > 1.0
