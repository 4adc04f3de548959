"""Lines per everyday task: the same job written with the modules alone
(bench/task_lines/module/), with orvsim (examples/) and with wntr
(bench/task_lines/wntr/). Counts code lines: no blank lines, comments or
docstrings; a statement over several lines counts each line.

    python bench/task_lines.py
"""
import ast
import io
import tokenize
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
TASKS = ["pressures_at_hour", "tank_and_pump_series", "extremes", "water_quality", "edit_and_compare",
         "pressure_map", "demand_scenarios"]
# Task 7's module and wntr variants take their batch inputs from one helper;
# its body counts in place of the call, its import lines not at all, so that
# they count as if written inline like orvsim's.
SHARED = REPO / "bench" / "task_lines" / "batch_inputs.py"
VARIANTS = {"modules": REPO / "bench" / "task_lines" / "module", "orvsim": REPO / "examples",
            "wntr": REPO / "bench" / "task_lines" / "wntr"}


def code_lines(path: Path) -> int:
    count = len(_lines(path.read_text()))
    if path != SHARED and "from batch_inputs import" in path.read_text():
        count += _shared_body_lines() - _shared_plumbing_lines(path)
    return count


def _shared_body_lines() -> int:
    source = SHARED.read_text()
    (function,) = [n for n in ast.parse(source).body if isinstance(n, ast.FunctionDef)]
    return len({k for k in _lines(source) if function.body[0].lineno <= k <= function.end_lineno})


def _shared_plumbing_lines(path: Path) -> int:
    """The helper's import lines and its call, which the body replaces."""
    text = path.read_text().splitlines()
    return sum(1 for line in text if "batch_inputs" in line or line.startswith("sys.path.insert"))


def _lines(source: str) -> set:
    """Numbers of the code lines of a source."""
    docstrings = set()
    for node in ast.walk(ast.parse(source)):
        body = getattr(node, "body", None)
        if isinstance(body, list) and body and isinstance(body[0], ast.Expr) \
                and isinstance(body[0].value, ast.Constant) and isinstance(body[0].value.value, str):
            docstrings.update(range(body[0].lineno, body[0].end_lineno + 1))
    lines = set()
    for tok in tokenize.generate_tokens(io.StringIO(source).readline):
        if tok.type in (tokenize.COMMENT, tokenize.NL, tokenize.NEWLINE, tokenize.INDENT, tokenize.DEDENT,
                        tokenize.ENDMARKER):
            continue
        lines.update(range(tok.start[0], tok.end[0] + 1))
    return lines - docstrings


def main():
    print(f"{'task':<22}" + "".join(f"{v:>9}" for v in VARIANTS))
    totals = dict.fromkeys(VARIANTS, 0)
    for task in TASKS:
        counts = {v: code_lines(folder / f"{task}.py") for v, folder in VARIANTS.items()}
        for v, c in counts.items():
            totals[v] += c
        print(f"{task:<22}" + "".join(f"{counts[v]:>9}" for v in VARIANTS))
    print(f"{'total':<22}" + "".join(f"{totals[v]:>9}" for v in VARIANTS))


if __name__ == "__main__":
    main()
