"""Water-quality cases of the validation corpus and their comparison with the
reference engine (owa-epanet), fed with the reference's own hydraulics: shared
by tests/engine/test_quality_corpus.py, which states the criteria, and
bench/quality_corpus.py, which runs the larger networks at full length."""
import os
import tempfile
from pathlib import Path

import numpy as np

from corpus import CORPUS, corpus
from quality_reference import ABS_TOL, REL_TOL, run_ours, run_reference, with_sections

REQUIRED_SHARE = 0.999
CASE_HOURS = 24          # test duration (networks of a single instant, and the long ones)
TEST_MAX_NODES = 5000    # larger networks: bench/quality_corpus.py
AGE_MAX_NODES = 20000    # networks without a (non-blank) quality run get an age run up to this size

# Files the engine does not take yet, with the reason.
REFUSED = {
    "net2-cl2.inp": "INP reader: SEGMENTS option not taken yet",
}
# Files the reference itself refuses (deliberately broken inputs).
BROKEN = {"Net1broken.inp"}
# Durations the reference's hydraulics get through (it stops at 12 h there).
MAX_HOURS = {"Battle of the Calibration Networks System.inp": 11}
# Lines the INP reader does not take yet, replaced by equivalents that change
# no quality result, so that the network is still compared.
# (The reference reads "0 am" as midnight and ignores a default pattern that
# does not exist.)
FIXUPS = {
    "foss_poly_1.inp": [("Start ClockTime    \t0 am", "Start ClockTime    \t12 am"),
                        (" Pattern            \ttime", ";")],
}


def label(inp):
    return str(Path(inp).relative_to(CORPUS))


def source_strength(en, ph, node):
    try:
        return en.getnodevalue(ph, node, en.SOURCEQUAL)
    except Exception:  # no source there
        return 0.0


def describe(inp):
    """(node count, quality type code, duration s, blank) as the reference
    reads the file; blank: a chemical without initial quality or source, whose
    run would compare zeros only."""
    import epanet.toolkit as en
    ph = en.createproject()
    try:
        with tempfile.TemporaryDirectory() as tmp:
            en.open(ph, str(inp), os.path.join(tmp, "r.rpt"), "")
            nodes, qual = en.getcount(ph, en.NODECOUNT), en.getqualinfo(ph)[0]
            blank = qual == en.CHEM and not any(
                en.getnodevalue(ph, i, en.INITQUAL) or source_strength(en, ph, i)
                for i in range(1, nodes + 1))
            info = (nodes, qual, en.gettimeparam(ph, en.DURATION), blank)
            en.close(ph)
            return info
    except Exception:
        return None
    finally:
        en.deleteproject(ph)


def cases(max_nodes=None, min_nodes=0):
    """(label, path, mode, nodes, duration) of every corpus network with a
    quality run (mode None: the file's own), and an age run where the file has
    none or a chemical that stays 0 everywhere; nodes below min_nodes or above
    max_nodes left out."""
    out = []
    for inp in corpus():
        if inp.name in BROKEN:
            continue
        info = describe(inp)
        if info is None:
            continue
        nodes, qual, duration, blank = info
        if nodes < min_nodes or (max_nodes and nodes > max_nodes):
            continue
        if qual != 0:
            out.append((label(inp), inp, None, nodes, duration))
        if (qual == 0 or blank) and nodes <= AGE_MAX_NODES:
            out.append((label(inp), inp, "AGE", nodes, duration))
    return out


class Agreement:
    """Share of node and link values within tolerance, per reporting instant."""

    def __init__(self, ours, ref):
        assert ours.node_ids == ref.node_ids and ours.link_ids == ref.link_ids
        self.instants, self.shares = [], []
        self.values = self.good = 0
        self.worst = (0.0, None)
        for ti, t in enumerate(ref.times):
            if t < ref.report_start or (t - ref.report_start) % ref.report_step:
                continue
            assert t in ours.times, f"instant {t} missing"
            oi = ours.times.index(t)
            good = total = 0
            for kind, o, r, ids in (("node", ours.node[oi], ref.node[ti], ref.node_ids),
                                    ("link", ours.link[oi], ref.link[ti], ref.link_ids)):
                ratio = np.abs(o - r) / (REL_TOL * np.abs(r) + ABS_TOL)
                ratio[~np.isfinite(ratio)] = np.inf
                good += int((ratio <= 1.0).sum())
                total += ratio.size
                j = int(ratio.argmax()) if ratio.size else 0
                if ratio.size and ratio[j] > self.worst[0]:
                    self.worst = (float(ratio[j]), (t / 3600, kind, ids[j], float(o[j]), float(r[j])))
            self.instants.append(t)
            self.shares.append(good / total if total else 1.0)
            self.values += total
            self.good += good

    @property
    def min_share(self):
        return min(self.shares) if self.shares else 1.0

    @property
    def share(self):
        return self.good / self.values if self.values else 1.0

    def worst_instant(self):
        i = int(np.argmin(self.shares))
        return self.instants[i] / 3600, self.shares[i]


def compare_network(inp, mode, hours=None, reference_conventions=True, folder=None):
    """Runs the reference and ours over the reference's hydraulics; hours
    replaces the duration (None: the file's own, 0 h becomes CASE_HOURS)."""
    with tempfile.TemporaryDirectory() as tmp:
        tmp = Path(folder or tmp)
        inp = Path(inp)
        if inp.name in FIXUPS:
            text = inp.read_text(encoding="latin-1")
            for old, new in FIXUPS[inp.name]:
                assert old in text, old
                text = text.replace(old, new)
            inp = tmp / inp.name
            inp.write_text(text, encoding="latin-1")
        if hours is not None:
            inp = with_sections(inp, tmp, "case.inp", add=f"[TIMES]\n Duration {hours}:00\n")
        hyd = tmp / "hyd.txt"
        ref = run_reference(inp, mode, hyd_file=hyd)
        ours = run_ours(inp, mode, hyd_file=hyd, reference_conventions=reference_conventions)
        assert ours.status == 0, ours.message
        return Agreement(ours, ref)


def case_hours(inp, duration, limit=CASE_HOURS):
    """Duration of a run in hours (None: the file's own): CASE_HOURS for
    single instants, at most limit (None: no limit) otherwise."""
    cap = MAX_HOURS.get(Path(inp).name)
    if duration == 0:
        return min(CASE_HOURS, cap or CASE_HOURS)
    if cap and duration > cap * 3600:
        return cap
    return limit if limit and duration > limit * 3600 else None
