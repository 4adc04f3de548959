#!/usr/bin/env bash
# Builds the scripted engine (tests/scripted_engine) into the directory $1
# (default: build/scripted-engine under the repository root) and prints that
# directory's absolute path, and nothing else, on standard output:
#   LD_LIBRARY_PATH=$(bash tests/scripted_engine/build.sh) python -m pytest tests/binding
# Build messages go to standard error; a failed build exits non-zero.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
dir="${1:-$root/build/scripted-engine}"
mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"
cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=Release >&2
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)" >&2
test -f "$dir/libOrvelle_SIM_x64.so" || { echo "build.sh: $dir/libOrvelle_SIM_x64.so was not built" >&2; exit 1; }
echo "$dir"
