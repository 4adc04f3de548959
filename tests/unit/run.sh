#!/usr/bin/env bash
# Builds and runs the C++ unit tests with the sanitizers (g++):
#   bash tests/unit/run.sh [doctest options]
# doctest's header comes from Debian's doctest-dev, unpacked into
# build/toolchain without root (.ci/debian_packages.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."
toolchain=$(bash .ci/debian_packages.sh build/toolchain doctest-dev)
build=build/unit
cmake -S tests/unit -B "$build" -G Ninja -DDOCTEST_INCLUDE_DIR="$toolchain/usr/include" -DPython_EXECUTABLE="$(command -v python3)" >/dev/null
cmake --build "$build" -j2 >/dev/null
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 "$build/unit_tests" "$@"
