"""Hydraulic results against the reference engine (owa-epanet) on every
network shipped with wntr that the reference runs: heads, pressures and tank
levels within 1e-3 display units, flows within 1e-3 relative (1e-3 display
units near zero) and the same open/closed status of every link, at every
reporting instant, with ACCURACY 1e-6 in both engines."""
import pytest

import hydraulics_reference as ref

TOLERANCE = 1e-3

# Networks the reference rejects (deliberately faulty input in wntr's set) and
# the one we reject although the reference reads it.
NOT_COMPARED = {
    "bad_syntax.inp": "the reference rejects it",
    "bad_values.inp": "the reference rejects it",
    "bad_times.inp": "a four-field time 0:00:00:00, which we reject as malformed",
}

# Ill-posed networks where both engines fail to balance some instant (or hold
# nodes cut off from every source); the two iterate along different paths.
KNOWN_DIFFERENCES = {
    "Net6_plus.inp": "tank event times (whole seconds) shift by 1 s under flow differences of 1e-6, "
                     "moving some levels by 0.003 ft at 8 h; over 300 h of pump controls the runs drift apart",
    "io.inp": "a constant-power pump feeding a dead end: the reference closes it, we keep it open",
    "fcv_open_no_upstream_sources.inp": "FCV with no source upstream: unbalanced instants",
    "prv_closed_no_upstream_sources.inp": "PRV with no source upstream: unbalanced instants",
}


def compared_networks():
    params = []
    for path in ref.networks():
        if path.name in NOT_COMPARED:
            continue
        marks = []
        if path.name in KNOWN_DIFFERENCES:
            marks.append(pytest.mark.xfail(reason=KNOWN_DIFFERENCES[path.name], strict=False))
        params.append(pytest.param(path, id=path.stem, marks=marks))
    return params


@pytest.mark.parametrize("network", compared_networks())
def test_matches_reference_at_every_report_instant(network, tmp_path, dump_tool):
    inp = ref.with_accuracy(network, 1e-6, tmp_path)
    expected = ref.run_reference(inp)
    ours = ref.run_ours(inp)
    assert ours.status < 100, ours.message
    worst = ref.compare(ours, expected)
    assert "missing_instants" not in worst
    assert "S" not in worst, f"statuses differ: {worst.get('S')}"
    for attr in ("H", "P", "L", "Q"):
        if attr in worst:
            assert worst[attr][0] <= TOLERANCE, f"{attr}: {worst[attr]}"


def test_faulty_input_is_rejected_like_the_reference(dump_tool):
    for name in ("bad_syntax.inp", "bad_values.inp"):
        ours = ref.run_ours(ref.network_dir() / name)
        assert ours.returncode == 1 and not ours.times
        assert name in ours.stderr
