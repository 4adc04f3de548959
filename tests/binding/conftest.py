"""Fixtures of the binding's tests, which run _pyorvsim against the scripted engine.

Run them as

    LD_LIBRARY_PATH=$(bash tests/scripted_engine/build.sh) python -m pytest tests/binding

(after `pip install .` has installed _pyorvsim). LD_LIBRARY_PATH makes the
process load the scripted libOrvelle_SIM_x64.so instead of the real engine that
is installed beside the module. When the process has the real engine (or no
engine at all), every test of this directory is skipped with that hint; with
ORVSIM_REQUIRE_SCRIPTED=1 in the environment they fail instead (use it in CI so
that a broken build can't pass as skipped tests).

Fixtures:
- engine: the scripted engine (scripted.ScriptedEngine), reset (empty log, no
  programs) before each test that uses it. See scripted.py for its API.
- reset_vers_orvdll (autouse): sets _pyorvsim.pyorvsim.vers_orvdll back to 0
  after each test.
"""

import os
import pathlib
import sys

import pytest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))

import scripted  # noqa: E402


def _probe():
    """(engine, None) when the process runs the scripted engine, else (None, reason)."""
    binding_error = None
    try:
        import _pyorvsim  # noqa: F401  (binds its engine library now)
    except ImportError as exc:
        binding_error = exc
    mapped = scripted.mapped_engine_paths()
    if binding_error is None and not mapped:
        return None, "_pyorvsim is imported but no libOrvelle_SIM_x64.so is mapped in the process"
    if len(mapped) > 1:
        return None, f"several libOrvelle_SIM_x64.so are mapped in the process: {mapped}"
    path = scripted.find_library(import_binding=False)
    if path is None:
        return None, (f"_pyorvsim can't be imported ({binding_error}) and no libOrvelle_SIM_x64.so "
                      "is on LD_LIBRARY_PATH")
    try:
        eng = scripted.engine()
    except scripted.NotScripted:
        return None, f"_pyorvsim is bound to {path}, which is not the scripted engine"
    if binding_error is None and not eng.in_process():
        return None, f"the scripted engine handle {eng.path} is not the library _pyorvsim is bound to"
    return eng, None


_ENGINE, _REASON = None, None


@pytest.fixture(scope="session", autouse=True)
def scripted_engine_process():
    """Checks once that the process runs the scripted engine; skips (or fails,
    with ORVSIM_REQUIRE_SCRIPTED=1) every test of this directory otherwise."""
    global _ENGINE, _REASON
    if _ENGINE is None and _REASON is None:
        _ENGINE, _REASON = _probe()
    if _ENGINE is None:
        message = f"{_REASON}; {scripted.RUN_HINT}"
        if os.environ.get("ORVSIM_REQUIRE_SCRIPTED", "") not in ("", "0"):
            pytest.fail(message, pytrace=False)
        pytest.skip(message)
    return _ENGINE


@pytest.fixture
def engine(scripted_engine_process):
    """A freshly reset scripted engine."""
    scripted_engine_process.reset()
    yield scripted_engine_process
    scripted_engine_process.reset()


@pytest.fixture(autouse=True)
def reset_vers_orvdll():
    """Puts the binding's stored engine version back to 0 after each test."""
    yield
    module = sys.modules.get("_pyorvsim")
    group = getattr(module, "pyorvsim", None) if module is not None else None
    if group is not None:
        group.vers_orvdll = 0
