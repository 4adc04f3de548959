#!/usr/bin/env bash
# Runs every test of the project against the installed modules: the binding's
# tests against the scripted engine (it replaces the real engine in that
# process through LD_LIBRARY_PATH), then all the others against the real engine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripted=$(bash tests/scripted_engine/build.sh build/scripted-engine)
ORVSIM_REQUIRE_SCRIPTED=1 LD_LIBRARY_PATH="$scripted" python -m pytest -q -p no:cacheprovider tests/binding
python -m pytest -q -p no:cacheprovider tests --ignore=tests/binding
