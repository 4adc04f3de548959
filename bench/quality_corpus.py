"""Water quality of the validation corpus against the reference engine
(owa-epanet), over the reference's hydraulics, at the networks' full
durations (single instants run over 24 h), all sizes.

    python bench/quality_corpus.py [--min-nodes N] [--max-nodes N] [--ours] [--jobs 2] [name ...]

One row per network and quality run (the file's own, and an age run where the
file has none or a chemical that stays 0): node count, hours, values compared
at the reporting instants, the share within 1e-3 relative + 1e-4 absolute
overall and at the worst instant, and the worst value (ratio of its error to
the tolerance). --ours books water by our conventions instead of the
reference's. tests/engine/test_quality_corpus.py runs the same comparison,
shortened, for networks up to 5 000 nodes.
"""
import argparse
import sys
import time
import warnings
from concurrent.futures import ProcessPoolExecutor
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "devtools"))
import quality_corpus as qc  # noqa: E402
import quality_reference  # noqa: E402


def run_case(args):
    name, inp, mode, nodes, duration, ours = args
    warnings.simplefilter("ignore")
    hours = qc.case_hours(inp, duration, limit=None)
    start = time.perf_counter()
    try:
        a = qc.compare_network(inp, mode, hours, reference_conventions=not ours)
    except Exception as exc:  # noqa: BLE001 - reported in the table
        return name, mode, nodes, hours or duration / 3600, None, str(exc).strip().splitlines()[-1][:100], 0
    return name, mode, nodes, hours or duration / 3600, a, None, time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--min-nodes", type=int, default=0)
    parser.add_argument("--max-nodes", type=int, default=0)
    parser.add_argument("--ours", action="store_true", help="our conventions instead of the reference's")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("names", nargs="*", help="only networks whose path contains one of these")
    args = parser.parse_args()
    warnings.simplefilter("ignore")
    quality_reference.quality_tool()  # build once, before the workers start
    todo = [(name, inp, mode, nodes, duration, args.ours)
            for name, inp, mode, nodes, duration in qc.cases(args.max_nodes or None, args.min_nodes)
            if not args.names or any(n in name for n in args.names)]
    if not todo:
        print("no networks (python tests/fetch_networks.py extracts the corpus)")
        return
    print(f"{'network':58s} {'run':5s} {'nodes':>6s} {'hours':>5s} {'values':>10s} "
          f"{'share':>9s} {'worst instant':>17s} {'worst':>8s}  where")
    with ProcessPoolExecutor(args.jobs) as pool:
        for name, mode, nodes, hours, a, error, secs in pool.map(run_case, todo):
            run = mode or "own"
            if Path(name).name in qc.REFUSED:
                print(f"{name:58s} {run:5s} {nodes:6d}  skipped: {qc.REFUSED[Path(name).name]}", flush=True)
                continue
            if a is None:
                print(f"{name:58s} {run:5s} {nodes:6d} {hours:5g}  failed: {error}", flush=True)
                continue
            t, share = a.worst_instant()
            where = "" if a.worst[1] is None else "{:g} h {} {} ours {:.6g} ref {:.6g}".format(*a.worst[1])
            print(f"{name:58s} {run:5s} {nodes:6d} {hours:5g} {a.values:10d} {a.share:9.5%} "
                  f"{share:9.5%} @{t:5g} h {a.worst[0]:8.3g}  {where}  ({secs:.0f} s)", flush=True)


if __name__ == "__main__":
    main()
