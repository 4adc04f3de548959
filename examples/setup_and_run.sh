#!/usr/bin/env bash
# Installs the build dependencies and the package, then simulates the town network.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! [ -f /usr/include/eigen3/Eigen/Sparse ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq libeigen3-dev >/dev/null
fi
python3 -m pip install -q .
python3 examples/town_summary.py
