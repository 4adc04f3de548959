"""Water-quality runs through the reference engine (owa-epanet) and through the
engine's developer tool orv_quality, and their comparison: the cases and
helpers shared by the quality tests and bench/quality_vs_reference.py.
Qualities are compared at every reporting instant, node by node and link by
link: |ours - ref| <= 1e-3 |ref| + 1e-4."""
import os
import re
import subprocess
import tempfile
from pathlib import Path

import numpy as np

from engine_build import REPO
from hydraulics_reference import CFS, FLOW_PER_CFS

REL_TOL, ABS_TOL = 1e-3, 1e-4


def wntr_networks():
    import wntr
    return Path(wntr.__file__).parent / "tests" / "networks_for_testing"


def quality_tool():
    """Path of orv_quality, built on first use."""
    import engine_build
    return engine_build.build("orv_quality")


class Series:
    """Qualities per instant: times (s), node and link arrays [step, element]."""

    def __init__(self):
        self.times, self.node, self.link = [], [], []
        self.node_ids, self.link_ids = [], []
        self.status, self.message = 0, ""


def mode_args(mode):
    if mode is None:
        return []
    if mode == "AGE":
        return ["--age"]
    if mode.startswith("TRACE "):
        return ["--trace", mode.split()[1]]
    if mode == "CHEMICAL":
        return ["--chemical"]
    raise ValueError(mode)


def run_reference(inp, mode=None, qstep=None, hyd_file=None, timing=False):
    """Reference qualities at every hydraulic instant; optionally writes its
    hydraulics (SI, as it computes with them) for orv_quality --hydraulics."""
    import time
    import epanet.toolkit as en
    out = Series()
    ph = en.createproject()
    with tempfile.TemporaryDirectory() as tmp:
        try:
            en.open(ph, str(inp), os.path.join(tmp, "r.rpt"), "")
            if mode == "AGE":
                en.setqualtype(ph, en.AGE, "", "", "")
            elif mode and mode.startswith("TRACE "):
                en.setqualtype(ph, en.TRACE, "", "", mode.split()[1])
            elif mode == "CHEMICAL":
                en.setqualtype(ph, en.CHEM, "Chemical", "mg/L", "")
            if qstep is not None:
                en.settimeparam(ph, en.QUALSTEP, qstep)
            units = en.getflowunits(ph)
            # The factors the reference converts with (a litre is 1/28.317 ft3 there,
            # not 1/28.3168466): ours is fed the flows it computes with, not the
            # ones it reports, which keeps fronts in step.
            qf = CFS / FLOW_PER_CFS[units]
            vf = CFS if units <= 4 else 1.0
            nn, nl = en.getcount(ph, en.NODECOUNT), en.getcount(ph, en.LINKCOUNT)
            out.node_ids = [en.getnodeid(ph, i) for i in range(1, nn + 1)]
            out.link_ids = [en.getlinkid(ph, k) for k in range(1, nl + 1)]
            tanks = [i - 1 for i in range(1, nn + 1) if en.getnodetype(ph, i) != en.JUNCTION]
            nodes, links = en.doubleArray(nn), en.doubleArray(nl)

            def values(get, array, count, what):
                get(ph, what, array.cast())
                return np.array([array[i] for i in range(count)])

            en.openH(ph)
            en.initH(ph, en.SAVE)
            lines = [f"{nn} {nl} {len(tanks)}"]
            while True:
                t = en.runH(ph)
                if hyd_file:
                    q = values(en.getlinkvalues, links, nl, en.FLOW) * qf
                    d = values(en.getnodevalues, nodes, nn, en.DEMAND) * qf
                    v = values(en.getnodevalues, nodes, nn, en.TANKVOLUME)[tanks] * vf
                    lines += [str(t), " ".join(map(repr, q)), " ".join(map(repr, d)), " ".join(map(repr, v))]
                if en.nextH(ph) <= 0:
                    break
            en.closeH(ph)
            if hyd_file:
                Path(hyd_file).write_text("\n".join(lines) + "\n")
            start = time.perf_counter()
            en.openQ(ph)
            en.initQ(ph, en.NOSAVE)
            while True:
                t = en.runQ(ph)
                if not timing:
                    out.times.append(float(t))
                    out.node.append(values(en.getnodevalues, nodes, nn, en.QUALITY))
                    out.link.append(values(en.getlinkvalues, links, nl, en.LINKQUAL))
                if en.nextQ(ph) <= 0:
                    break
            en.closeQ(ph)
            out.seconds = time.perf_counter() - start
            out.report_step = en.gettimeparam(ph, en.REPORTSTEP)
            out.report_start = en.gettimeparam(ph, en.REPORTSTART)
        finally:
            en.close(ph)
            en.deleteproject(ph)
    out.node, out.link = np.array(out.node), np.array(out.link)
    return out


def run_ours(inp, mode=None, qstep=None, hyd_file=None, every=None, reference_conventions=False):
    args = [str(quality_tool()), str(inp), *mode_args(mode)]
    if reference_conventions:
        args.append("--reference-conventions")
    if qstep is not None:
        args += ["--qstep", str(qstep)]
    if hyd_file:
        args += ["--hydraulics", str(hyd_file)]
    if every:
        args += ["--every", str(every)]
    res = subprocess.run(args, capture_output=True, text=True, encoding="latin-1")
    assert res.returncode == 0, res.stderr
    out = Series()
    for line in res.stdout.splitlines():
        head, rest = line[:2], line[2:]
        if line.startswith("#status"):
            _, code, msg = line.split(",", 2)
            out.status, out.message = int(code), msg
        elif line.startswith("ids,N,"):
            out.node_ids = line[6:].split(",")
        elif line.startswith("ids,L,"):
            out.link_ids = line[6:].split(",")
        elif head in ("N,", "L,"):
            t, _, values = rest.partition(",")
            row = np.array(values.split(), dtype=float)
            if head == "N,":
                out.times.append(float(t))
                out.node.append(row)
            else:
                out.link.append(row)
    out.node, out.link = np.array(out.node), np.array(out.link)
    return out


def compare(ours, ref):
    """Worst error ratio |o - r| / (REL_TOL |r| + ABS_TOL) over reporting
    instants (<= 1 passes), with where it happened."""
    assert ours.node_ids == ref.node_ids and ours.link_ids == ref.link_ids
    worst = (0.0, None)
    for ti, t in enumerate(ref.times):
        if t < ref.report_start or (t - ref.report_start) % ref.report_step:
            continue
        assert t in ours.times, f"instant {t} missing"
        oi = ours.times.index(t)
        for kind, o, r, ids in (("node", ours.node[oi], ref.node[ti], ref.node_ids),
                                ("link", ours.link[oi], ref.link[ti], ref.link_ids)):
            ratio = np.abs(o - r) / (REL_TOL * np.abs(r) + ABS_TOL)
            j = int(ratio.argmax())
            if ratio[j] > worst[0]:
                worst = (float(ratio[j]), (t / 3600, kind, ids[j], float(o[j]), float(r[j])))
    return worst


def with_sections(inp, folder, name, replace=None, add=""):
    """Copy of an INP file with sections replaced or lines added (before [END])."""
    text = Path(inp).read_text(encoding="latin-1")
    for section, body in (replace or {}).items():
        pattern = re.compile(r"^\[%s\][^\[]*" % re.escape(section), re.M | re.I)
        if pattern.search(text):
            text = pattern.sub(lambda _: f"[{section}]\n{body}\n\n", text)
        else:
            add += f"\n[{section}]\n{body}\n"
    text = re.sub(r"^\[END\]", add.replace("\\", "\\\\") + "\n[END]", text, flags=re.M | re.I)
    path = Path(folder) / name
    path.write_text(text, encoding="latin-1")
    return path


# ---------------------------------------------------------------- test cases

TOWN = REPO / "examples" / "town.inp"
LONG_TIMES = (" Duration 72:00\n Hydraulic Timestep 1:00\n Quality Timestep 0:05\n"
              " Pattern Timestep 2:00\n Report Timestep 1:00")
CHLORINE = " Units LPS\n Headloss H-W\n Quality Chlorine mg/L"


def town_variant(folder, name, options=CHLORINE, add=""):
    return with_sections(TOWN, folder, name, replace={"TIMES": LONG_TIMES, "OPTIONS": options}, add=add)


REACTIVE = ("[REACTIONS]\n Order Bulk 1\n Global Bulk -0.5\n Global Wall -0.3\n Tank T1 -0.2\n"
            "[QUALITY]\n R1 1.0\n T1 0.5\n J4 0.2\n")
CASES = {
    "age": (" Units LPS\n Headloss H-W\n Quality Age", ""),
    "trace": (" Units LPS\n Headloss H-W\n Quality Trace R1", ""),
    "mixed": (CHLORINE, "[MIXING]\n T1 MIXED\n" + REACTIVE),
    "two_compartment": (CHLORINE, "[MIXING]\n T1 2COMP 0.4\n" + REACTIVE),
    "fifo": (CHLORINE, "[MIXING]\n T1 FIFO\n" + REACTIVE),
    "lifo": (CHLORINE, "[MIXING]\n T1 LIFO\n" + REACTIVE),
    "sources": (CHLORINE, "[QUALITY]\n T1 0.5\n[SOURCES]\n R1 CONCEN 1.2 SRC\n J3 MASS 60\n"
                          " J7 SETPOINT 0.8\n J5 FLOWPACED 0.1 SRC\n[PATTERNS]\n SRC 1 1.5 0.5\n"),
    "zero_order_wall_limited": (CHLORINE + "\n Diffusivity 1.0", "[QUALITY]\n R1 1.0\n T1 0.8\n"
                                "[REACTIONS]\n Order Wall 0\n Global Wall -0.05\n Order Bulk 1.5\n"
                                " Global Bulk -0.3\n Limiting Potential 0.1\n Bulk P3 -1.2\n Wall P4 -0.2\n"),
    "growth_second_order": (CHLORINE, "[QUALITY]\n R1 0.2\n[REACTIONS]\n Order Bulk 2\n Global Bulk 0.4\n"
                            " Limiting Potential 2.0\n Order Tank 0\n Global Wall 0\n Tank T1 0.01\n"),
    "roughness_correlation": (CHLORINE, "[QUALITY]\n R1 1.0\n[REACTIONS]\n Roughness Correlation -20\n"
                              " Global Bulk -0.1\n"),
}
