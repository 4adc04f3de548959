"""Opening the engine and the stored version, command text, keywords, system
variables, the reference date and saving the model."""

import numpy as np
import pytest

import _pyorvsim as m

INT32_MIN = -2**31


@pytest.mark.parametrize("routine,entry,value,istat", [
    ("inimel", "VBOpenMelisto", 20161124, 20161124),
    ("inimel", "VBOpenMelisto", 20161123, -20161123),
    ("inimel", "VBOpenMelisto", 20240101, 20240101),
    ("inimelfld", "VBOpenMelistoFld", 20161123, 20161123),
    ("inimelfld", "VBOpenMelistoFld", 20160706, 20160706),
    ("inimelfld", "VBOpenMelistoFld", 20160705, -20160705),
    ("inimel", "VBOpenMelisto", -7, -7),
    ("inimelfld", "VBOpenMelistoFld", -7, -7),
    ("inimel", "VBOpenMelisto", 0, 0),
    ("inimel", "VBOpenMelisto", INT32_MIN, INT32_MIN),  # stays negative, no overflow
])
def test_open_stores_the_raw_version(engine, routine, entry, value, istat):
    engine.program(entry, ret=value)
    assert getattr(m, routine)() == istat
    assert m.pyorvsim.vers_orvdll == value and engine.names() == [entry]


@pytest.mark.parametrize("kw,folder", [({}, b""), ({"folder": None}, b""),
                                       ({"folder": "C:/models"}, b"C:/models")])
def test_inimelfld_folder(engine, kw, folder):
    m.inimelfld(**kw)
    assert engine.calls() == [("VBOpenMelistoFld", {"folder": folder, "lfolder": len(folder)})]


def test_closing_keeps_the_version_and_the_gates_open(engine):
    engine.program("VBOpenMelisto", ret=20170101)
    m.inimel()
    assert m.closemel() is None
    assert m.pyorvsim.vers_orvdll == 20170101
    engine.program("fSaveFile", ret=0)
    assert m.savefile("a", "b") == 0
    assert engine.names() == ["VBOpenMelisto", "VBCloseMelisto", "fSaveFile"]


def test_commands(engine):
    engine.program("SetBatchMode", ret=-2)
    assert m.batchmode("1") == -2
    assert m.addcmd("RUN 1") is None
    engine.program("CmdExec", ret=4)
    assert m.cmd(scmd=b"SOLVE") == 4
    assert engine.calls() == [("SetBatchMode", {"batch": 1}),
                              ("CmdAddForExec", {"scmd": b"RUN 1", "lcmd": 5}),
                              ("CmdExec", {"scmd": b"SOLVE", "lcmd": 5})]


@pytest.mark.parametrize("written,exists", [(None, 0), (1, 1), (255, -1), (-128, -128)])
def test_cwfold_flag_is_sign_extended(engine, written, exists):
    engine.program("cChangeWorkFolder", ret=9, **({} if written is None else {"exists": written}))
    assert m.cwfold("dir") == exists
    assert engine.last("cChangeWorkFolder") == {"folder": b"dir", "lfolder": 3}


@pytest.mark.parametrize("args,kw,passed", [
    ((1, 2), {}, {"word": 0, "scmd": b"", "extmode": 0, "lcmd": 0}),
    ((1, 2), {"extmode": [1]}, {"word": 0, "scmd": b"", "extmode": 1, "lcmd": 0}),
    ((1, 2), {"extmode": []}, {"word": 0, "scmd": b"", "extmode": 0, "lcmd": 0}),
    ((1, 2, 5, "NODE", 7), {}, {"word": 5, "scmd": b"NODE", "extmode": 1, "lcmd": 4}),
    ((1, 2), {"word": None, "scmd": None, "extmode": None},
     {"word": 0, "scmd": b"", "extmode": 0, "lcmd": 0}),
])
def test_gencmd_omission_values(engine, args, kw, passed):
    assert m.gencmd(*args, **kw) is None
    assert engine.calls() == [("CmdGen", {"mprinc": 1, "mmodul": 2, **passed})]


@pytest.mark.parametrize("args,flag", [((), 0), ((None,), 0), ((5,), 1), (("",), 0), (([0],), 1)])
def test_commit_flag(engine, args, flag):
    engine.program("CmdCommit", ret=-3)
    assert m.commit(*args) == -3
    assert engine.calls() == [("CmdCommit", {"flag": flag})]


@pytest.mark.parametrize("args,passed", [
    (("f.txt",), {"args": b"", "largs": 0}),
    (("f.txt", "a b"), {"args": b"a b", "largs": 3}),
])
def test_cmdfile_args(engine, args, passed):
    engine.program("ReadExecCmdFile", ret=12)
    assert m.cmdfile(*args) == 12
    assert engine.calls() == [("ReadExecCmdFile", {"filename": b"f.txt", "lfile": 5, **passed})]


@pytest.mark.parametrize("call,entry,args,size", [
    (lambda: m.keyword(3), "cMelKeyword", {"dict": 3, "lsout": 24}, 24),
    (lambda: m.modulekeyword(1, 2), "cMelModuleKW", {"mprinc": 1, "mmodul": 2, "lsout": 24}, 24),
])
def test_keywords_are_24_characters(engine, call, entry, args, size):
    engine.program(entry, ret=-1, ln=30, sout=b"K" * 30)
    assert call() == (30, b"K" * size)
    engine.program(entry, ln=2, sout=b"NO")
    assert call() == (2, b"NO" + b" " * 22)
    assert engine.last(entry) == args


def test_attribute_symbol_is_2_characters(engine):
    assert m.attrkeyword(5) == b"  "
    engine.program("GetAttr", ret=-1, sout=b"PQR")
    assert m.attrkeyword(5) == b"PQ"
    engine.program("GetAttr", sout=b"P\0")
    assert m.attrkeyword(5) == b"P"
    assert engine.last("GetAttr") == {"isym": 5, "lsout": 2}


def test_getvar(engine):
    engine.program("sGetSysVar", ret=-1, sval=b"C:/work", len_val=7)
    assert m.getvar("WORKDIR") == (b"C:/work" + b" " * 41, 7)
    assert engine.last("sGetSysVar") == {"varname": b"WORKDIR", "lvar": 7, "lsval": 48}


@pytest.mark.parametrize("version,open_", [(0, False), (20140815, False), (20140816, True),
                                           (-20140816, False)])
def test_refdate_gate(engine, version, open_):
    m.pyorvsim.vers_orvdll = version
    engine.program("cGetDateref", ret=10, sdate=b"2014-08-16")
    assert m.refdate() == ((b"2014-08-16" + b" " * 16, 10) if open_ else (b" " * 26, 0))
    assert engine.calls() == ([("cGetDateref", {"size": 26, "lsdate": 26})] if open_ else [])


def test_refdate_never_returns_partial_text(engine):
    m.pyorvsim.vers_orvdll = 20140816
    engine.program("cGetDateref", ret=0, sdate=b"2014-08")
    assert m.refdate() == (b" " * 26, 0)


@pytest.mark.parametrize("version,open_", [(0, False), (20140930, False), (20141001, True)])
def test_savefile_gate(engine, version, open_):
    m.pyorvsim.vers_orvdll = version
    engine.program("fSaveFile", ret=-5)
    assert m.savefile("model.dat", "V2") == (-5 if open_ else 1)
    expected = [("fSaveFile", {"sfile": b"model.dat", "sversion": b"V2", "lfile": 9,
                               "lversion": 2})]
    assert engine.calls() == (expected if open_ else [])


@pytest.mark.parametrize("call", [lambda: m.gencmd(1, 2, extmode=np.ones(2)),
                                  lambda: m.commit(np.ones(2))])
def test_failing_truth_tests_are_refused(engine, call):
    with pytest.raises(ValueError):
        call()
    assert engine.names() == []
