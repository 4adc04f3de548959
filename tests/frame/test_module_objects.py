"""Module import, routine objects and the module-variable group."""
import subprocess
import sys
import textwrap

import numpy as np
import pytest

import _pyorvsim
import _pyorvutl


@pytest.fixture
def restore_version():
    saved = int(_pyorvsim.pyorvsim.vers_orvdll)
    yield
    _pyorvsim.pyorvsim.vers_orvdll = saved


def test_namespace_and_version():
    assert _pyorvsim.__version__ == b"$Revision: $"
    assert not hasattr(_pyorvsim, "error") and not hasattr(_pyorvutl, "error")
    names = [n for n in vars(_pyorvsim) if not n.startswith("__")]
    assert len(names) == 84 and "pyorvsim" in names
    assert not hasattr(_pyorvutl, "pyorvsim")


def test_module_docstrings():
    lines = _pyorvsim.__doc__.split("\n")
    assert lines[0] == "This module '_pyorvsim' is auto-generated with f2py (version:2)."
    assert lines[1] == "Functions:"
    assert lines[2:5] == ["  istat = inimel()", "  istat = inimelfld(folder='')", "  closemel()"]
    assert "  gencmd(mprinc,mmodul,word=,scmd='',extmode=)" in lines
    assert "  tabres = stat_quantiles(typres,sattr,qtl,bufres,lres=len(bufres),nqtl=len(qtl))" in lines
    assert lines[-2:] == ["Fortran 90/95 modules:", "  pyorvsim --- vers_orvdll,sz_sid,sz_lid."]
    assert len(lines) == 2 + 83 + 2
    assert _pyorvutl.__doc__ == (
        "This module '_pyorvutl' is auto-generated with f2py (version:2).\nFunctions:\n"
        "  d = dist(x1,y1,x2,y2)\n  d,s,l = dist_p_seg(xp,yp,x1,y1,x2,y2)\n"
        "  ds,s1,s2 = dist_to_poly(xn,yn,xpoly,ypoly,nb=len(xpoly))\n"
        "  ksplit,xsplit,ysplit,totlen = split_poly_at(xpoly,ypoly,split,nb=len(xpoly))\n.")


def test_routine_docstrings():
    assert _pyorvsim.closemel.__doc__ == "closemel()\n\nWrapper for ``closemel``.\n\n"
    assert _pyorvsim.inimel.__doc__ == (
        "istat = inimel()\n\nWrapper for ``inimel``.\n\nReturns\n-------\nistat : int\n")
    assert _pyorvsim.getid.__doc__.startswith(
        "sid,id_len = getid(typelt,num)\n\nWrapper for ``getid``.\n\nParameters\n----------\n"
        "typelt : input int\nnum : input int\n\nReturns\n-------\nsid : string(len=48)\n")
    doc = _pyorvsim.stat_quantiles.__doc__
    assert "qtl : input rank-1 array('f') with bounds (nqtl)\n" in doc
    assert "lres : input int, optional\n    Default: len(bufres)\n" in doc
    assert doc.endswith("tabres : rank-2 array('f') with bounds (lres,nqtl)\n")
    assert "word : input int\n" in _pyorvsim.gencmd.__doc__  # constant defaults are not shown
    assert _pyorvutl.dist_to_poly.__doc__ == (
        "ds,s1,s2 = dist_to_poly(xn,yn,xpoly,ypoly,[nb])\n\nWrapper for ``dist_to_poly``.\n\n"
        "Parameters\n----------\nxn : input float\nyn : input float\n"
        "xpoly : input rank-1 array('d') with bounds (nb)\nypoly : input rank-1 array('d') with bounds (nb)\n\n"
        "Other Parameters\n----------------\nnb : input int, optional\n    Default: len(xpoly)\n\n"
        "Returns\n-------\nds : float\ns1 : float\ns2 : float\n")
    # An assigned docstring replaces the built one.
    _pyorvutl.dist.__doc__ = "mine"
    assert _pyorvutl.dist.__doc__ == "mine"


def test_routine_object_attributes():
    f = _pyorvsim.nodeattr
    assert type(f).__name__ == "fortran"
    assert repr(f) == "<fortran object>"
    assert type(_pyorvsim.getid._cpointer).__name__ == "PyCapsule"
    with pytest.raises(AttributeError, match="over-writing fortran routine"):
        f.nodeattr = 1
    f.tag = 1
    assert f.tag == 1 and f.__dict__["tag"] == 1
    del f.tag
    with pytest.raises(AttributeError, match="delete non-existing fortran attribute"):
        del f.missing
    f.__name__ = "nodeattr"
    assert repr(f) == "<fortran nodeattr>"
    f.__name__ = 5
    assert repr(f) == "<fortran object>"
    del f.__name__
    with pytest.raises(TypeError):
        type(f)("x")  # not subclassable nor constructible from Python
    with pytest.raises(TypeError):
        class Sub(type(f)):
            pass


def test_group_views_follow_the_storage(restore_version):
    group = _pyorvsim.pyorvsim
    assert (int(group.sz_sid), int(group.sz_lid)) == (18, 48)
    assert group.__doc__ == "'i'-scalar\n" * 3
    assert repr(group) == "<fortran object>"
    view = group.vers_orvdll
    assert view is group.vers_orvdll and view.dtype == np.int32 and view.ndim == 0
    group.vers_orvdll = 20150526.9  # forced cast
    assert int(view) == 20150526
    group.vers_orvdll = [20140617]
    assert int(view) == 20140617
    with pytest.raises(ValueError):
        group.vers_orvdll = [1, 2]
    assert int(view) == 20140617
    with pytest.raises(TypeError, match="this fortran object is not callable"):
        group()
    with pytest.raises(AttributeError):
        group._cpointer
    with pytest.raises(AttributeError):
        del group.vers_orvdll
    assert int(group.vers_orvdll) == 20140617


def test_constants_cannot_be_changed():
    group = _pyorvsim.pyorvsim
    view = group.sz_sid
    with pytest.raises(AttributeError):
        group.sz_sid = 3
    with pytest.raises(ValueError):
        view[...] = 5
    with pytest.raises(ValueError):
        view.flags.writeable = True
    assert int(group.sz_sid) == 18 and int(view) == 18


# The modules are built against the NumPy they run with: NumPy 2's interface
# lives in numpy._core, with its own ABI and feature versions.
NUMPY2 = int(np.__version__.split(".")[0]) >= 2
MULTIARRAY = "numpy._core.multiarray" if NUMPY2 else "numpy.core.multiarray"
ABI, OTHER_ABI = (0x2000000, 0x1000009) if NUMPY2 else (0x1000009, 0x2000000)
FEATURE = 0x12 if NUMPY2 else 0xc

FAKE_NUMPY = textwrap.dedent("""
    import ctypes, sys, types
    import numpy
    fn = ctypes.CFUNCTYPE(ctypes.c_uint)
    abi, feature, endian = fn(lambda: {abi}), fn(lambda: {feature}), fn(lambda: {endian})
    table = (ctypes.c_void_p * 300)()
    table[0] = ctypes.cast(abi, ctypes.c_void_p).value
    table[211] = ctypes.cast(feature, ctypes.c_void_p).value
    table[210] = ctypes.cast(endian, ctypes.c_void_p).value
    new_capsule = ctypes.pythonapi.PyCapsule_New
    new_capsule.restype = ctypes.py_object
    new_capsule.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_void_p]
    fake = types.ModuleType("{multiarray}")
    fake._ARRAY_API = {api}
    sys.modules["{multiarray}"] = fake
    try:
        import {module}
    except ImportError as e:
        print("ImportError:", e)
""")


@pytest.mark.parametrize("abi,feature,endian,api,expected", [
    (ABI, FEATURE - 1, "1", "new_capsule(table, None, None)",
     f"module compiled against API version {FEATURE:#x} but this version of numpy is {FEATURE - 1:#x}"),
    (OTHER_ABI, FEATURE + 5, "1", "new_capsule(table, None, None)",
     f"module compiled against ABI version {ABI:#x} but this version of numpy is {OTHER_ABI:#x}"),
    (ABI, FEATURE + 5, "2", "new_capsule(table, None, None)",
     "FATAL: module compiled as little endian, but detected different endianness at runtime"),
    (ABI, FEATURE + 5, "0", "new_capsule(table, None, None)", "FATAL: module compiled as unknown endian"),
    (ABI, FEATURE + 5, "1", "42", "_ARRAY_API is not PyCapsule object"),
])
@pytest.mark.parametrize("module", ["_pyorvsim", "_pyorvutl"])
def test_numpy_interface_checks(abi, feature, endian, api, expected, module):
    code = FAKE_NUMPY.format(abi=abi, feature=feature, endian=endian, api=api, module=module, multiarray=MULTIARRAY)
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=60)
    assert f"ImportError: {MULTIARRAY} failed to import" in run.stdout
    assert expected in run.stderr


FAILING_NUMPY = textwrap.dedent("""
    import sys
    import numpy

    class Broken:
        def find_spec(self, name, path=None, target=None):
            if name == "{multiarray}":
                raise RuntimeError("multiarray cannot load here")

    sys.modules.pop("{multiarray}", None)
    sys.meta_path.insert(0, Broken())
    try:
        import {module}
    except ImportError as e:
        print("ImportError:", e)
""")


@pytest.mark.parametrize("module", ["_pyorvsim", "_pyorvutl"])
def test_a_failing_numpy_import_shows_its_cause(module):
    code = FAILING_NUMPY.format(module=module, multiarray=MULTIARRAY)
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=60)
    assert f"ImportError: {MULTIARRAY} failed to import" in run.stdout
    assert "RuntimeError: multiarray cannot load here" in run.stderr
