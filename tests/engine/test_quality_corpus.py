"""Water quality of the validation corpus against the reference engine.

Every network of build/networks/** (extracted by tests/fetch_networks.py)
that has a quality run, and an age run on the small ones without, is run
through the reference (owa-epanet) and through orv_quality fed with the
reference's own hydraulics and booking water by the reference's conventions
(`--reference-conventions`), so that only transport and reactions are
compared. At every reporting instant at least 99.9 % of the node and link
qualities must agree within 1e-3 relative + 1e-4 absolute.

Networks of a single instant run over CASE_HOURS instead, and the long runs
are cut to CASE_HOURS, to keep the file short (a few hundred steps of quality
transport per network still cross every pipe several times over).

The cases and helpers are in devtools/quality_corpus.py, shared with
bench/quality_corpus.py, which runs the larger networks at their full
durations and prints the table of docs/quality.md.
"""
import re

import pytest

from corpus import corpus
from quality_corpus import CASE_HOURS, REFUSED, REQUIRED_SHARE, TEST_MAX_NODES, case_hours, cases, compare_network
from quality_reference import with_sections


def _test_params():
    params = []
    for name, inp, mode, nodes, duration in cases(max_nodes=TEST_MAX_NODES):
        marks = [pytest.mark.skip(reason=REFUSED[inp.name])] if inp.name in REFUSED else []
        params.append(pytest.param(inp, mode, duration, id=f"{name}-{mode or 'own'}", marks=marks))
    return params or [pytest.param(None, None, None, marks=pytest.mark.skip(
        reason="corpus not fetched (python tests/fetch_networks.py)"))]


@pytest.mark.parametrize("inp,mode,duration", _test_params())
def test_corpus_quality_matches_reference(inp, mode, duration, tmp_path):
    agreement = compare_network(inp, mode, case_hours(inp, duration), folder=tmp_path)
    t, share = agreement.worst_instant()
    assert agreement.min_share >= REQUIRED_SHARE, (
        f"{share:.4%} within tolerance at {t:g} h; worst {agreement.worst}")


MIXING_NETWORK = "ky11.inp"  # 28 tanks, several full at the start and at times after


@pytest.mark.parametrize("model", ["2COMP 0.4", "FIFO", "LIFO"])
def test_tank_mixing_models_match_reference(model, tmp_path):
    """Every tank of a network whose tanks fill to the top and empty again,
    under each layered mixing model: the contents never exceed the tank, the
    zones of a two-compartment tank and the spill of a full layered tank as
    the reference books them."""
    found = [p for p in corpus() if p.name == MIXING_NETWORK and p.parent.name != "library"]
    if not found:
        pytest.skip("corpus not fetched (python tests/fetch_networks.py)")
    text = found[0].read_text(encoding="latin-1")
    tanks = re.search(r"^\[TANKS\]([^\[]*)", text, re.M | re.I).group(1)
    ids = [line.split()[0] for line in tanks.splitlines() if line.strip() and not line.strip().startswith(";")]
    inp = with_sections(found[0], tmp_path, "mixing.inp",
                        replace={"MIXING": "\n".join(f" {i} {model}" for i in ids)})
    for hours in (12, CASE_HOURS):  # full at the end of the run, and not
        agreement = compare_network(inp, None, hours, folder=tmp_path)
        t, share = agreement.worst_instant()
        assert agreement.min_share >= REQUIRED_SHARE, (
            f"{hours} h: {share:.4%} within tolerance at {t:g} h; worst {agreement.worst}")


TINY_PIPES = """[JUNCTIONS]
 J1 0 10
 J2 0 20
 J3 0 5
[RESERVOIRS]
 R1 100
[PIPES]
 P1 R1 J1 100 0.0001 130 0 Open
 P2 J1 J2 1350 0.0001 130 0 Open
 P3 J2 J3 900 0.0001 130 0 Open
 P4 J1 J3 500 0.0001 130 0 Open
[PATTERNS]
 D 1 1.5 0.5 1.2
[OPTIONS]
 Units CMH
 Headloss H-W
 Pattern D
 Quality {quality}
[QUALITY]
 R1 1.0
[TIMES]
 Duration 24:00
 Hydraulic Timestep 1:00
 Quality Timestep 0:05
 Pattern Timestep 1:00
[END]
"""


@pytest.mark.parametrize("quality", ["Age", "Chlorine mg/L", "Trace R1"])
def test_pipes_flushed_many_times_over_in_a_step(quality, tmp_path):
    """Pipes of 1e-13 m3 (diameters of 0.0001 mm, as some corpus files have)
    that every step flushes millions of times over report the quality of what
    they hold, not the rounding error of what passed through."""
    inp = tmp_path / "tiny.inp"
    inp.write_text(TINY_PIPES.format(quality=quality))
    agreement = compare_network(inp, None, folder=tmp_path)
    assert agreement.min_share == 1.0, agreement.worst
