"""Hydraulics of every corpus network against the reference engine (owa-epanet),
at the file's own settings and at ACCURACY 1e-6, every reporting instant.

    python bench/corpus.py [--accuracy default,1e-6] [--max-nodes N] [--markdown FILE] [network.inp ...]

The corpus is what tests/fetch_networks.py extracts (build/networks/**).
Prints one row per network and setting: node count, verdict, worst
differences. With --markdown, also writes the table for docs/hydraulics.md.
"""
import argparse
import sys
import tempfile
from concurrent.futures import ProcessPoolExecutor
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "devtools"))
import hydraulics_reference as ref  # noqa: E402
from corpus import corpus, node_count  # noqa: E402
from hydraulics_differences import describe  # noqa: E402

TOLERANCE = 1e-3


def verdict(worst, ours):
    if ours.returncode != 0 or not ours.times:
        return "refused" if ours.returncode else "no results"
    if "missing_instants" in worst:
        return "instants differ"
    if "S" in worst:
        return "statuses differ"
    if any(worst.get(a, (0,))[0] > TOLERANCE for a in ("H", "P", "L", "Q")):
        return "values differ"
    return "agrees"


def compare_one(args):
    path, accuracy = args
    with tempfile.TemporaryDirectory() as tmp:
        inp = path if accuracy == "default" else ref.with_accuracy(path, float(accuracy), tmp)
        try:
            expected = ref.run_reference(inp)
        except Exception as exc:
            return path, accuracy, "reference refuses", str(exc)[:80]
        ours = ref.run_ours(inp)
        if ours.returncode != 0:
            return path, accuracy, "refused", ours.stderr.strip()[:120]
        worst = ref.compare(ours, expected)
        return path, accuracy, verdict(worst, ours), describe(worst)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--accuracy", default="default,1e-6")
    parser.add_argument("--max-nodes", type=int, default=0)
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--markdown")
    parser.add_argument("networks", nargs="*")
    args = parser.parse_args()
    paths = [Path(p) for p in args.networks] or corpus()
    sizes = {p: node_count(p) for p in paths}
    if args.max_nodes:
        paths = [p for p in paths if (sizes[p] or 0) <= args.max_nodes]
    ref.dump_tool()
    work = [(p, a) for a in args.accuracy.split(",") for p in paths]
    rows = []
    with ProcessPoolExecutor(args.jobs) as pool:
        for path, accuracy, what, detail in pool.map(compare_one, work):
            rows.append((path, accuracy, what, detail))
            print(f"{accuracy:8s} {path.stem[:34]:34s} {sizes[path] or 0:6d} {what:18s} {detail}", flush=True)
    for accuracy in args.accuracy.split(","):
        counts = {}
        for _, a, what, _ in rows:
            if a == accuracy:
                counts[what] = counts.get(what, 0) + 1
        print(f"{accuracy}: " + ", ".join(f"{v} {k}" for k, v in sorted(counts.items())))
    if args.markdown:
        lines = ["| network | nodes | accuracy | verdict | largest differences |", "|---|---|---|---|---|"]
        for path, accuracy, what, detail in sorted(rows, key=lambda r: (r[0].stem.lower(), str(r[0]), r[1])):
            where = f"{path.parent.name}/{path.stem}"
            lines.append(f"| {where} | {sizes[path] or ''} | {accuracy} | {what} | {detail} |")
        Path(args.markdown).write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
