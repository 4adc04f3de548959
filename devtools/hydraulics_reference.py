"""Runs networks through the reference engine (owa-epanet) and through the
engine's developer tool orv_dump, and compares their results. Shared by the
hydraulic validation tests and the benchmarks."""
import os
import subprocess
import tempfile
from pathlib import Path

import numpy as np

import engine_build
from engine_build import REPO

FT = 0.3048
CFS = FT ** 3
FLOW_PER_CFS = {0: 1.0, 1: 448.831, 2: 0.64632, 3: 0.5382, 4: 1.9837, 5: 28.317, 6: 1699.0,
                7: 2.4466, 8: 101.94, 9: 2446.6, 10: 0.028317}


def network_dir():
    """Networks shipped with wntr (the wheel carries its test networks)."""
    import wntr
    return Path(wntr.__file__).parent / "tests" / "networks_for_testing"


def networks():
    return sorted(network_dir().glob("*.inp"))


# Benchmark networks of newer wntr packages, extracted by tests/fetch_networks.py.
LIBRARY = REPO / "build" / "networks" / "library"


def library_networks():
    """Benchmark networks (Net1, Net2, Net3, Net6, ky4, ky10), or [] when not extracted."""
    return sorted(LIBRARY.glob("*.inp")) if LIBRARY.is_dir() else []


def dump_tool():
    """Path of orv_dump, built on first use."""
    return engine_build.build("orv_dump")


class Run:
    """Results of one run: times (s) and dict attr -> array [step, element], SI units."""

    def __init__(self):
        self.times = []
        self.values = {}
        self.ids = {}
        self.status = 0
        self.message = ""
        self.unstable = []

    def at(self, attr, t):
        i = self.times.index(t)
        return self.values[attr][i]


def run_ours(inp, extra_args=()):
    out = subprocess.run([str(dump_tool()), str(inp), *extra_args], capture_output=True, text=True,
                         encoding="latin-1")
    run = Run()
    rows = {}
    for line in out.stdout.splitlines():
        head, _, rest = line.partition(" ")
        if head == "ids":
            kind, _, ids = rest.partition(" ")
            run.ids[kind] = ids.split()
        elif head == "T":
            run.times.append(float(rest))
        elif head == "unstable":
            run.unstable.append(rest)
        elif head == "status":
            code, _, msg = rest.partition(" ")
            run.status, run.message = int(code), msg
        elif head in ("H", "P", "D", "Q", "V", "S", "L"):
            rows.setdefault(head, []).append(np.array(rest.split(), dtype=float) if rest else np.zeros(0))
    run.values = {k: np.array(v) for k, v in rows.items()}
    run.returncode = out.returncode
    run.stderr = out.stderr
    return run


def file_accuracy(inp):
    """ACCURACY option of an INP file, or None."""
    section = ""
    for line in Path(inp).read_text(encoding="latin-1").splitlines():
        s = line.split(";")[0].strip().upper()
        if s.startswith("["):
            section = s
        elif section == "[OPTIONS]" and s.startswith("ACCURACY"):
            try:
                return float(s.split()[1])
            except (IndexError, ValueError):
                return None
    return None


def run_reference(inp, accuracy=None, report_only=True):
    """Runs the reference engine; values converted to SI.

    The reference's INP reader raises an ACCURACY below 1e-5 to 1e-5 (its
    toolkit call accepts values down to 1e-8): such a value is passed through
    the toolkit, so that both engines converge to the accuracy the file asks for."""
    import epanet.toolkit as en
    if accuracy is None:
        given = file_accuracy(inp)
        if given is not None and given < 1e-5:
            accuracy = max(given, 1e-8)
    run = Run()
    ph = en.createproject()
    with tempfile.TemporaryDirectory() as tmp:
        rpt = os.path.join(tmp, "r.rpt")
        try:
            en.open(ph, str(inp), rpt, "")
            if accuracy is not None:
                en.setoption(ph, en.ACCURACY, accuracy)
            units = en.getflowunits(ph)
            us = units <= 4
            qf = CFS / FLOW_PER_CFS[units]  # m3/s per display unit (as the engine converts)
            lf = FT if us else 1.0
            run.flow_unit, run.length_unit = qf, lf
            nn = en.getcount(ph, en.NODECOUNT)
            nl = en.getcount(ph, en.LINKCOUNT)
            run.ids["node"] = [en.getnodeid(ph, i) for i in range(1, nn + 1)]
            run.ids["link"] = [en.getlinkid(ph, i) for i in range(1, nl + 1)]
            tanks = [i for i in range(1, nn + 1) if en.getnodetype(ph, i) != en.JUNCTION]
            run.sources = [i - 1 for i in tanks]
            run.link_nodes = np.array([en.getlinknodes(ph, k) for k in range(1, nl + 1)], dtype=int) - 1
            run.ids["tank"] = [en.getnodeid(ph, i) for i in tanks]
            elev = np.array([en.getnodevalue(ph, i, en.ELEVATION) for i in range(1, nn + 1)]) * lf
            rstep = en.gettimeparam(ph, en.REPORTSTEP)
            rstart = en.gettimeparam(ph, en.REPORTSTART)
            en.openH(ph)
            en.initH(ph, 0)
            rows = {k: [] for k in "HPDQSL"}
            while True:
                t = en.runH(ph)
                if not report_only or (t >= rstart and (t - rstart) % rstep == 0):
                    run.times.append(float(t))
                    h = np.array([en.getnodevalue(ph, i, en.HEAD) for i in range(1, nn + 1)]) * lf
                    rows["H"].append(h)
                    rows["P"].append(h - elev)
                    rows["D"].append(np.array([en.getnodevalue(ph, i, en.DEMAND) for i in range(1, nn + 1)]) * qf)
                    rows["Q"].append(np.array([en.getlinkvalue(ph, k, en.FLOW) for k in range(1, nl + 1)]) * qf)
                    rows["S"].append(np.array([en.getlinkvalue(ph, k, en.STATUS) for k in range(1, nl + 1)]))
                    rows["L"].append(np.array([h[i - 1] - elev[i - 1] for i in tanks]))
                if en.nextH(ph) <= 0:
                    break
            en.closeH(ph)
            run.values = {k: np.array(v) for k, v in rows.items()}
        finally:
            en.close(ph)
            en.deleteproject(ph)
    return run


def with_accuracy(inp, accuracy, folder):
    """Copy of an INP file with its ACCURACY option replaced."""
    lines = Path(inp).read_text(encoding="latin-1").splitlines()
    out, in_options, done = [], False, False
    for line in lines:
        s = line.strip().upper()
        if s.startswith("["):
            if in_options and not done:
                out.append(f" ACCURACY {accuracy}")
                done = True
            in_options = s.startswith("[OPTIONS]")
        if in_options and s.startswith("ACCURACY"):
            line = f" ACCURACY {accuracy}"
            done = True
        out.append(line)
    path = Path(folder) / Path(inp).name
    path.write_text("\n".join(out) + "\n", encoding="latin-1")
    return path


def _index_map(ours_ids, ref_ids):
    """Positions of the reference's elements in our numbering (by id, else by position)."""
    where = {n: i for i, n in enumerate(ours_ids)}
    if all(n in where for n in ref_ids):
        return np.array([where[n] for n in ref_ids], dtype=int)
    return np.arange(len(ref_ids), dtype=int)


ABSURD_HEAD = 1e5  # m: heads of nodes cut off from every source, meaningless in both engines


def cut_off(ref, ti):
    """Nodes that reach no tank or reservoir through links open in the reference
    at instant ti. Closed links keep a tiny conductance in both engines, so heads
    there hang on round-off (or are absurd when such nodes have demand)."""
    nn = len(ref.ids["node"])
    parent = list(range(nn))

    def root(i):
        while parent[i] != i:
            parent[i] = parent[parent[i]]
            i = parent[i]
        return i

    for (a, b), status in zip(ref.link_nodes, ref.values["S"][ti]):
        if status > 0:
            parent[root(a)] = root(b)
    fed = {root(i) for i in ref.sources}
    return np.array([root(i) not in fed for i in range(nn)])


def compare(ours, ref):
    """Largest differences at the reference's instants, in display units.

    Heads, pressures and levels: absolute difference. Flows: difference divided
    by max(|reference flow|, 1 display unit), i.e. relative, absolute near zero.
    Statuses: open/closed disagreements. Heads and pressures of nodes cut off
    from every source by closed links are left out (and counted); instants where
    the reference reports absurd heads are left out for flows and statuses too.
    """
    worst = {}
    node_map = _index_map(ours.ids["node"], ref.ids["node"])
    link_map = _index_map(ours.ids["link"], ref.ids["link"])
    tank_map = _index_map(ours.ids["tank"], ref.ids["tank"])
    lf, qf = ref.length_unit, ref.flow_unit
    for ti, t in enumerate(ref.times):
        if t not in ours.times:
            worst.setdefault("missing_instants", []).append(t)
            continue
        oi = ours.times.index(t)
        sane = np.abs(ref.values["H"][ti]) < ABSURD_HEAD
        fed = ~cut_off(ref, ti) & sane
        if not fed.all():
            worst["skipped_nodes"] = worst.get("skipped_nodes", 0) + int((~fed).sum())
        for attr, mp, kind in (("H", node_map, "node"), ("P", node_map, "node"), ("L", tank_map, "tank")):
            d = np.abs(ours.values[attr][oi][mp] - ref.values[attr][ti]) / lf
            if attr != "L":
                d = np.where(fed, d, 0.0)
            if d.size and d.max() > worst.get(attr, (0,))[0]:
                j = int(d.argmax())
                worst[attr] = (float(d.max()), t, ref.ids[kind][j])
        q_o, q_r = ours.values["Q"][oi][link_map] / qf, ref.values["Q"][ti] / qf
        err = np.abs(q_o - q_r) / np.maximum(np.abs(q_r), 1.0)
        if not sane.all():
            continue
        if err.size and err.max() > worst.get("Q", (0,))[0]:
            j = int(err.argmax())
            worst["Q"] = (float(err.max()), t, ref.ids["link"][j], float(q_o[j]), float(q_r[j]))
        s_o = (ours.values["S"][oi][link_map] > 0).astype(int)
        s_r = (ref.values["S"][ti] > 0).astype(int)
        bad = np.nonzero(s_o != s_r)[0]
        if bad.size:
            worst.setdefault("S", []).append((t, [ref.ids["link"][j] for j in bad[:5]]))
    return worst


def disagreement(ours, ref, tolerance):
    """Why a run of ours does not match the reference's run (the same instants,
    the same link statuses, values within `tolerance` as compare measures
    them), or None when it does."""
    worst = compare(ours, ref)
    if "missing_instants" in worst:
        return f"instants missing: {worst['missing_instants'][:5]}"
    if "S" in worst:
        return f"statuses differ: {worst['S'][:3]}"
    for attr in ("H", "P", "L", "Q"):
        if attr in worst and worst[attr][0] > tolerance:
            return f"{attr}: {worst[attr]}"
    return None
