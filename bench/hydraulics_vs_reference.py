"""Full extended-period hydraulic runs of our engine and of the reference
engine (owa-epanet) on the same networks, side by side.

    python bench/hydraulics_vs_reference.py [--runs N] [--nodes M] [network.inp ...]

For each network: median seconds of N runs of each engine, the two engines
taking turns run by run so that a busy machine slows both alike (model already
loaded: the hydraulic simulation alone; both in a process that has run before,
as in a script: ours is timed on the second of two runs in one process, the
reference runs in this one), the ratio ours/reference, the number
of hydraulic steps, and the bytes our results store holds per element and step.
Networks default to those of the validation corpus (tests/fetch_networks.py)
with at least M nodes (default 1000), largest first; then the median ratio and
the largest ratio among the five largest networks are printed.
"""
import argparse
import statistics
import subprocess
import sys
import tempfile
import time
import warnings
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "devtools"))
import hydraulics_reference as ref  # noqa: E402

# Results store: per node head, pressure, demand, quality; per link flow,
# velocity, head loss, status, setting, quality; per tank level, volume (float32).
BYTES_PER_STEP = {"node": 4 * 4, "link": 6 * 4, "tank": 2 * 4}


def ours_seconds(inp, runs):
    out = subprocess.run([str(ref.dump_tool()), str(inp), "--time", str(runs)], capture_output=True,
                         text=True, check=True)
    rows = [line.split() for line in out.stdout.splitlines()]
    return [float(r[0]) for r in rows], int(rows[0][1]), int(rows[0][2])


def alternating(inp, runs, until):
    """Seconds per run of each engine, taking turns."""
    ours, ref_t = [], []
    steps = status = 0
    for _ in range(runs):
        t, steps, status = ours_seconds(inp, 2)
        ours.append(t[-1])
        ref_t += reference_seconds(inp, 1, until)
    return ours, ref_t, steps, status


def large_corpus_networks(min_nodes):
    """Corpus networks with at least min_nodes nodes, largest first (each file once)."""
    import corpus
    sized, seen = [], set()
    for path in corpus.corpus():
        nodes = corpus.node_count(path)
        key = (path.name, nodes)
        if nodes is None or nodes < min_nodes or key in seen:
            continue
        seen.add(key)
        sized.append((nodes, path))
    return [p for _, p in sorted(sized, key=lambda x: -x[0])]


def reference_seconds(inp, runs, until=None):
    """Seconds of the reference's hydraulic steps, up to instant `until` when given
    (so that a run of ours that stopped early is compared over the same span)."""
    import epanet.toolkit as en
    times = []
    with tempfile.TemporaryDirectory() as tmp:
        ph = en.createproject()
        try:
            en.open(ph, str(inp), str(Path(tmp) / "r.rpt"), "")
            en.setstatusreport(ph, 0)  # no status log: compare the solvers, not report writing
            for _ in range(runs):
                t0 = time.perf_counter()
                en.openH(ph)
                en.initH(ph, 0)
                while True:
                    t = en.runH(ph)
                    if until is not None and t >= until:
                        break
                    if en.nextH(ph) <= 0:
                        break
                en.closeH(ph)
                times.append(time.perf_counter() - t0)
        finally:
            en.close(ph)
            en.deleteproject(ph)
    return times


def last_instant(inp):
    return ref.run_ours(inp).times[-1]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--nodes", type=int, default=1000, help="smallest corpus network taken by default")
    parser.add_argument("networks", nargs="*")
    args = parser.parse_args()
    warnings.simplefilter("ignore")  # the reference reports its warnings through Python's
    paths = [Path(p) for p in args.networks] or large_corpus_networks(args.nodes)
    if not paths:
        sys.exit("no networks: run python tests/fetch_networks.py first, or name some")
    print(f"{'network':34s} {'ours ms':>9s} {'ref ms':>9s} {'ratio':>6s} {'steps':>6s} {'status':>6s}")
    ratios = []
    for path in paths:
        _, _, status = ours_seconds(path, 1)
        # A run of ours that stopped early is compared with the reference over the same span.
        until = last_instant(path) if status >= 100 else None
        try:
            ours, ref_runs, steps, status = alternating(path, args.runs, until)
        except Exception as exc:  # the reference rejects it
            print(f"{path.name:34s} reference failed: {exc}")
            continue
        ours_t, ref_t = statistics.median(ours), statistics.median(ref_runs)
        ratio = ours_t / ref_t if ref_t > 0 else float("nan")
        ratios.append(ratio)
        note = f"  (both up to {until / 3600:.2f} h)" if until is not None else ""
        print(f"{path.name:34s} {ours_t * 1e3:9.3f} {ref_t * 1e3:9.3f} {ratio:6.2f} {steps:6d} {status:6d}{note}",
              flush=True)
    if ratios:
        print(f"median ratio ours/reference: {statistics.median(ratios):.2f}")
        if not args.networks:
            print(f"largest ratio among the five largest: {max(ratios[:5]):.2f}")
    print("results store, bytes per element per hydraulic step: "
          + ", ".join(f"{k} {v}" for k, v in BYTES_PER_STEP.items()))


if __name__ == "__main__":
    main()
