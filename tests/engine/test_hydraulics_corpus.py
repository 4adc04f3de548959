"""Hydraulics of every corpus network up to 5,000 nodes (tests/fetch_networks.py)
against the reference engine, at the file's own settings and at ACCURACY 1e-6:
the same reporting instants, the same open/closed status of every link, heads,
pressures and levels within 1e-3 display units and flows within 1e-3 relative
(1e-3 display units near zero). Files the reference refuses must be refused
here too. Larger networks run in bench/corpus.py; docs/hydraulics.md lists the
results and the evidence for every difference kept below."""
import pytest

import hydraulics_reference as ref
from corpus import corpus, node_count

MAX_NODES = 5000

# Differences explained in docs/hydraulics.md ("Corpus"): the reference's own
# answer there hangs on round-off or on how loosely it converged.
KNOWN = {
    ("BWSN_Network_1", "default"): "ACCURACY 0.005: paths part by round-off in a zone cut off by closed PRVs; "
                                   "flows agree within the accuracy (1 gpm of 3,000), a tank drifts 0.1 ft",
    ("ky1", "default"): "ACCURACY 1e-4 convergence tail: flows within 1.3e-3 relative",
    ("ky1", "1e-6"): "flows of a few thousandths of a gpm in pipes without flow (round-off)",
    ("ky8", "default"): "ACCURACY 1e-4 convergence tail: flows within 1.6e-3 relative",
    ("ky8", "1e-6"): "flows of a few thousandths of a gpm in pipes without flow (round-off)",
    ("ky9", "default"): "ACCURACY 1e-4 convergence tail: flows within 2e-2 relative",
    ("ky9", "1e-6"): "flows of a few thousandths of a gpm in pipes without flow (round-off)",
    ("ky10", "default"): "a constant-power pump's flow lands on zero up to round-off at the first trial; "
                         "halved here, so PRV ~@RV-4 (no flow) stays open where the reference closes it",
    ("ky10", "1e-6"): "a constant-power pump's flow lands on zero up to round-off at the first trial; "
                      "halved here, so PRV ~@RV-4 (no flow) stays open where the reference closes it",
    ("ky14", "default"): "ACCURACY 1e-4 convergence tail: flows within 1.9e-3 relative",
    ("ky6", "1e-6"): "flows of a few thousandths of a gpm in pipes without flow (round-off)",
    ("ky11", "1e-6"): "flows of a few thousandths of a gpm in pipes without flow (round-off)",
    ("ky12", "1e-6"): "flows of a few thousandths of a gpm in pipes without flow (round-off)",
    ("KL", "1e-6"): "flows of a few thousandths of a gpm in dead-end pipes (round-off)",
    ("Richmond_standard", "default"): "heads within 1.8e-3 ft at ACCURACY 1e-3 (convergence tail)",
    ("Richmond_standard", "1e-6"): "heads within 1.5e-3 ft behind a closed link (round-off)",
    ("Net6", "default"): "96 h of 60 level-controlled pumps: tank levels drift by 6e-3 ft",
    ("Net6", "1e-6"): "96 h of 60 level-controlled pumps: tank levels drift by 1.2e-2 ft",
    ("gessler1985", "default"): "pipes of 0.0001 mm feed junction 10 from nodes whose heads are meaningless "
                                "in both engines (flow = conductance x absurd head difference)",
    ("gessler1985", "1e-6"): "pipes of 0.0001 mm feed junction 10 from nodes whose heads are meaningless",
    ("MICROPOLIS_v1", "default"): "ACCURACY 1e-3 convergence tail: flows within 2.8e-3 relative, heads 2.3e-4 ft",
    ("MICROPOLIS_v1", "1e-6"): "the reference does not balance from 4:42 (its flow change stalls at 1e-6 to 3e-6); "
                               "its pump statuses from there on are those of an unbalanced iterate",
}


def params():
    out = []
    for path in corpus():
        size = node_count(path)
        if size is not None and size > MAX_NODES:
            continue
        for accuracy in ("default", "1e-6"):
            reason = KNOWN.get((path.stem, accuracy))
            marks = [pytest.mark.xfail(reason=reason, strict=False)] if reason else []
            out.append(pytest.param(path, accuracy, id=f"{path.parent.name}-{path.stem}-{accuracy}", marks=marks))
    return out or [pytest.param(None, None, id="corpus", marks=pytest.mark.skip(
        reason="corpus not extracted (python tests/fetch_networks.py)"))]


@pytest.mark.parametrize("network, accuracy", params())
def test_corpus_network_matches_reference(network, accuracy, tmp_path, dump_tool):
    inp = network if accuracy == "default" else ref.with_accuracy(network, float(accuracy), tmp_path)
    try:
        expected = ref.run_reference(inp)
    except Exception:
        ours = ref.run_ours(inp)
        assert ours.returncode == 1 and not ours.times, "the reference refuses this file; so must we"
        return
    ours = ref.run_ours(inp)
    assert ours.returncode == 0, ours.stderr
    worst = ref.compare(ours, expected)
    assert "missing_instants" not in worst, worst["missing_instants"][:5]
    assert "S" not in worst, f"statuses differ: {worst['S'][:3]}"
    for attr in ("H", "P", "L", "Q"):
        if attr in worst:
            assert worst[attr][0] <= 1e-3, f"{attr}: {worst[attr]}"
