"""Largest differences between our engine and the reference engine (owa-epanet)
per network, at the network's own ACCURACY and at 1e-6, at every reporting
instant, in display units (flows: relative, absolute below one unit).

    python bench/hydraulics_differences.py [--accuracy default,1e-6] [network.inp ...]

Networks default to the benchmark networks extracted by tests/fetch_networks.py,
then those shipped with wntr.
"""
import argparse
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "devtools"))
import hydraulics_reference as ref  # noqa: E402

SKIP = ("bad_syntax.inp", "bad_values.inp", "bad_times.inp")


def describe(worst):
    parts = []
    for attr in ("H", "P", "L", "Q"):
        if attr in worst:
            value, t, ident = worst[attr][:3]
            parts.append(f"{attr} {value:.1e} ({ident} {t / 3600:g} h)")
    if "S" in worst:
        t, links = worst["S"][0]
        parts.append(f"status differs at {len(worst['S'])} instants, first {t / 3600:g} h {links[:3]}")
    if "skipped_nodes" in worst:
        parts.append(f"{worst['skipped_nodes']} node-instants cut off")
    if "missing_instants" in worst:
        parts.append(f"{len(worst['missing_instants'])} instants missing")
    return "; ".join(parts) or "identical"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--accuracy", default="default,1e-6")
    parser.add_argument("networks", nargs="*")
    args = parser.parse_args()
    paths = [Path(p) for p in args.networks] or ref.library_networks() + [
        p for p in ref.networks() if p.name not in SKIP]
    ref.dump_tool()
    for accuracy in args.accuracy.split(","):
        print(f"ACCURACY {accuracy}")
        for path in paths:
            with tempfile.TemporaryDirectory() as tmp:
                inp = path if accuracy == "default" else ref.with_accuracy(path, float(accuracy), tmp)
                try:
                    worst = ref.compare(ref.run_ours(inp), ref.run_reference(inp))
                except Exception as exc:  # the reference rejects it
                    print(f"  {path.stem:32s} reference failed: {exc}")
                    continue
            print(f"  {path.stem:32s} {describe(worst)}")


if __name__ == "__main__":
    main()
