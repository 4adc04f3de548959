"""The engine library is bound when _pyorvsim loads: missing library or entry point fails the import."""
import pathlib
import re
import shutil
import subprocess
import sys

import pytest

import _pyorvsim

HEADER = pathlib.Path(__file__).resolve().parents[2] / "engine" / "include" / "orvelle_sim.h"


def entry_points():
    return re.findall(r"ORV_API \w+ (\w+)\(", HEADER.read_text())


def import_in(directory, library_path):
    env = {"PATH": "/usr/bin:/bin", "LD_LIBRARY_PATH": str(library_path)}
    code = f"import sys; sys.path.insert(0, {str(directory)!r}); import _pyorvsim"
    return subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, env=env, timeout=60)


@pytest.fixture
def lonely_module(tmp_path):
    """A copy of the installed module in a folder without the engine library."""
    if not shutil.which("readelf"):
        pytest.skip("readelf is needed to read the module's search path")
    dynamic = subprocess.run(["readelf", "-d", _pyorvsim.__file__], capture_output=True, text=True).stdout
    if "[$ORIGIN]" not in dynamic:
        pytest.skip("a build-tree module also searches the build folders")
    shutil.copy(_pyorvsim.__file__, tmp_path)
    return tmp_path


def test_header_declares_84_entry_points():
    assert len(entry_points()) == 84 == len(set(entry_points()))


def test_missing_library_fails_the_import(lonely_module):
    run = import_in(lonely_module, lonely_module)
    assert "ImportError" in run.stderr and "libOrvelle_SIM_x64.so" in run.stderr


def test_missing_entry_point_fails_the_import(lonely_module, tmp_path):
    if not shutil.which("cc"):
        pytest.skip("no C compiler")
    libdir = tmp_path / "lib"
    libdir.mkdir()
    source = libdir / "partial.c"
    source.write_text("".join(f"int {name}(void) {{ return 0; }}\n" for name in entry_points()
                              if name != "GetWQData"))
    subprocess.run(["cc", "-shared", "-fPIC", "-o", str(libdir / "libOrvelle_SIM_x64.so"), str(source)],
                   check=True)
    run = import_in(lonely_module, libdir)
    assert "ImportError" in run.stderr and "GetWQData" in run.stderr
