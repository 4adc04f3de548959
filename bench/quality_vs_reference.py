"""Water-quality simulation time: the engine against the reference (owa-epanet).

For each network and quality mode, both engines run the quality over the same
hydraulics: the reference's solveQ after its solveH, ours (orv_quality
--repeat) over the reference's hydraulics, so that only the quality part is
timed. Prints the median of several runs per engine and the ratio ours/ref
(below 1: ours is faster).

    python bench/quality_vs_reference.py [--runs 5] [--nodes 1000]

Besides the small cases, every corpus network (tests/fetch_networks.py) with at
least --nodes nodes and a duration runs its own quality, water age, and a trace
from its first reservoir or tank.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "devtools"))
from quality_reference import (  # noqa: E402
    CASES, quality_tool, run_reference, town_variant, wntr_networks)


def reference_seconds(inp, mode, runs):
    import epanet.toolkit as en
    out = []
    for _ in range(runs):
        ph = en.createproject()
        with tempfile.TemporaryDirectory() as tmp:
            en.open(ph, str(inp), os.path.join(tmp, "r.rpt"), "")
            if mode == "AGE":
                en.setqualtype(ph, en.AGE, "", "", "")
            elif mode and mode.startswith("TRACE "):
                en.setqualtype(ph, en.TRACE, "", "", mode.split()[1])
            en.solveH(ph)
            start = time.perf_counter()
            en.solveQ(ph)
            out.append(time.perf_counter() - start)
            en.close(ph)
            en.deleteproject(ph)
    return statistics.median(out)


def our_seconds(inp, mode, hyd, runs):
    args = [str(quality_tool()), str(inp), "--hydraulics", str(hyd), "--repeat", str(runs)]
    if mode == "AGE":
        args.append("--age")
    elif mode and mode.startswith("TRACE "):
        args += ["--trace", mode.split()[1]]
    res = subprocess.run(args, capture_output=True, text=True, check=True)
    return statistics.median(float(x) for x in res.stdout.split())


def large_quality_cases(min_nodes):
    """(inp, mode, label) for the corpus's large extended-period networks."""
    import epanet.toolkit as en
    sys.path.insert(0, str(Path(__file__).resolve().parent))
    from hydraulics_vs_reference import large_corpus_networks
    cases = []
    for inp in large_corpus_networks(min_nodes):
        ph = en.createproject()
        try:
            with tempfile.TemporaryDirectory() as tmp:
                en.open(ph, str(inp), os.path.join(tmp, "r.rpt"), "")
                hours = en.gettimeparam(ph, en.DURATION) / 3600
                sources = [en.getnodeid(ph, i) for i in range(1, en.getcount(ph, en.NODECOUNT) + 1)
                           if en.getnodetype(ph, i) != en.JUNCTION]
                own = en.getqualinfo(ph)[0]
                en.close(ph)
        finally:
            en.deleteproject(ph)
        if hours <= 0 or not sources:
            continue
        name = f"{inp.stem} {hours:g} h"
        if own == en.CHEM:
            cases.append((inp, None, f"{name}, chemical"))
        cases += [(inp, "AGE", f"{name}, age"), (inp, f"TRACE {sources[0]}", f"{name}, trace {sources[0]}")]
    return cases


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--nodes", type=int, default=1000)
    args = parser.parse_args()
    import warnings
    warnings.simplefilter("ignore")
    with tempfile.TemporaryDirectory() as tmp:
        tmp = Path(tmp)
        cases = [(town_variant(tmp, f"town_{c}.inp", *CASES[c]), None, f"town 72 h, {c}")
                 for c in ("age", "trace", "mixed", "fifo", "sources")]
        anytown = wntr_networks() / "Anytown.inp"
        net6 = wntr_networks() / "Net6_plus.inp"
        library = Path(__file__).resolve().parents[1] / "build" / "networks" / "library"
        if (library / "Net3.inp").exists():  # fetched by tests/fetch_networks.py
            cases += [(library / "Net2.inp", None, "Net2 55 h, fluoride"),
                      (library / "Net3.inp", None, "Net3 168 h, trace"),
                      (library / "Net3.inp", "AGE", "Net3 168 h, age")]
        cases += [(anytown, "AGE", "Anytown 24 h, age (1-min steps)"),
                  (net6, "AGE", "Net6_plus 300 h, age"),
                  (net6, None, "Net6_plus 300 h, chemical")]
        cases += large_quality_cases(args.nodes)
        print(f"{'network':40s} {'ours (s)':>10s} {'ref (s)':>10s} {'ours/ref':>9s}")
        for inp, mode, label in cases:
            hyd = tmp / "hyd.txt"
            try:
                run_reference(inp, mode, hyd_file=hyd, timing=True)
            except Exception as exc:  # the reference cannot run it
                print(f"{label:40s} reference failed: {exc}")
                continue
            ours = our_seconds(inp, mode, hyd, args.runs)
            ref = reference_seconds(inp, mode, args.runs)
            print(f"{label:40s} {ours:10.4f} {ref:10.4f} {ours / ref:9.2f}", flush=True)


if __name__ == "__main__":
    main()
