"""Inputs of task 7's batch, shared by its module and wntr variants
(bench/task_lines.py counts these lines into each of them)."""
import sys
from pathlib import Path

import numpy as np


def batch_inputs():
    network = sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[2] / "examples" / "town.inp"
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    workers = int(sys.argv[3]) if len(sys.argv) > 3 else None
    return network, count, workers, np.random.default_rng(1).uniform(0.5, 2.0, count)
