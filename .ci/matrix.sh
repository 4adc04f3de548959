#!/usr/bin/env bash
# CI matrix beside the main run: the package built and the tests run under
# other interpreters and NumPy builds, each in a venv of its own: all of them
# but those that compare with the reference engine and wntr, which exist only
# beside NumPy 1 (tests/engine/conftest.py leaves those out when they are
# missing). An interpreter this machine lacks is reported and skipped.
#   .ci/matrix.sh <python-version> "<numpy requirement>"
set -euo pipefail
cd "$(dirname "$0")/.."
version=$1
numpy=$2
python=""
for candidate in "$(pyenv root 2>/dev/null)/versions/$version"*/bin/python3 "python$version"; do
  if "$candidate" -c pass >/dev/null 2>&1; then python=$(command -v "$candidate"); break; fi
done
if [ -z "$python" ]; then
  echo "matrix: no Python $version on this machine, skipped"
  exit 0
fi
venv=".venv-$version"
"$python" -m venv "$venv"
# shellcheck disable=SC1091
source "$venv/bin/activate"
python -m pip install -q --upgrade pip >/dev/null 2>&1 || true
python -m pip install -q "$numpy" pytest hypothesis cmeel-eigen
echo "matrix: Python $version, building against $(python -c 'import numpy; print("NumPy", numpy.__version__)')..."
# The NumPy requirement again, so that the package's other dependencies
# are chosen to fit it rather than replacing it.
python -m pip install . "$numpy"
python -c 'import numpy, _pyorvsim; print("matrix: modules import under NumPy", numpy.__version__)'
scripted=$(bash tests/scripted_engine/build.sh "build/scripted-engine-$version")
ORVSIM_REQUIRE_SCRIPTED=1 LD_LIBRARY_PATH="$scripted" python -m pytest -q -p no:cacheprovider tests/binding
python -m pytest -q -p no:cacheprovider tests --ignore=tests/binding
