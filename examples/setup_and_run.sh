#!/usr/bin/env bash
# Builds and installs the package into .venv (Eigen comes from PyPI, so no
# root is needed), then simulates the town network.
set -euo pipefail
cd "$(dirname "$0")/.."
source examples/venv.sh
echo "building the engine and the modules (a few minutes)..."
python -m pip install .
python examples/town_summary.py
