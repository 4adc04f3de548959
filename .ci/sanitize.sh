#!/usr/bin/env bash
# CI step: the engine and both modules built with AddressSanitizer and
# UndefinedBehaviorSanitizer (g++), the binding's tests and the engine's tests
# run under them, the C++ unit tests, then every fuzz target for a bounded time.
# About 10 minutes on 2 cores; FUZZ_SECONDS (per target, 45 by default) sets
# the fuzzing time. Needs no root: the sanitizer runtimes come with g++, clang
# and doctest are unpacked from Debian's packages (tests/fuzz/run.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
source examples/venv.sh
python -m pip install cmeel-eigen >/dev/null  # Eigen's headers, where the system has none

build=build/asan
site=$PWD/$build/site
echo "sanitizers: building the engine and the modules..."
cmake -S . -B "$build" -G Ninja -DCMAKE_PROJECT_INCLUDE="$PWD/tests/sanitizers.cmake" \
  -DCMAKE_INSTALL_PREFIX="$site" -DPython_EXECUTABLE="$(command -v python)" >/dev/null
cmake --build "$build" -j2 >/dev/null
cmake --install "$build" >/dev/null

# Python itself is not instrumented: the runtime is preloaded so that it comes
# first, with the C++ runtime whose exceptions it intercepts (other extension
# modules throw too). Python keeps its objects to the end: leaks are not looked for.
export LD_PRELOAD
LD_PRELOAD="$(g++ -print-file-name=libasan.so) $(g++ -print-file-name=libstdc++.so)"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export PYTHONPATH="$site${PYTHONPATH:+:$PYTHONPATH}"
export ORV_ENGINE_LIB="$site/libOrvelle_SIM_x64.so"
python -c "import _pyorvsim, sys; assert _pyorvsim.__file__.startswith('$site'), _pyorvsim.__file__"

scripted=$(LD_PRELOAD= bash tests/scripted_engine/build.sh build/asan-scripted-engine)
ORVSIM_REQUIRE_SCRIPTED=1 LD_LIBRARY_PATH="$scripted" python -m pytest -q -p no:cacheprovider tests/binding
# The engine's own tests, without those that compare whole corpora with the
# reference tools (the same code paths at many times the cost), those that run
# the developer tools (built apart, without sanitizers), and the memory-growth
# checks (the sanitizers hold freed memory on purpose).
python -m pytest -q -p no:cacheprovider tests/engine tests/frame tests/utl \
  --ignore-glob='*corpus*' --ignore-glob='*reference*' --ignore=tests/engine/test_hydraulics_validation.py \
  --ignore=tests/engine/test_quality_bounds.py --ignore=tests/engine/test_analysis_tool.py -k "not memory"
unset LD_PRELOAD

bash tests/unit/run.sh
bash tests/fuzz/run.sh "${FUZZ_SECONDS:-45}"
