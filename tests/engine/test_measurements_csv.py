"""Measured series loaded from CSV by MEASURE, read as measured or resampled."""
import pytest

from test_analysis_tool import TOWN, run, series, tool_path


@pytest.fixture(scope="module")
def tool():
    return tool_path()


def write(tmp_path, name, text):
    path = tmp_path / name
    path.write_text(text)
    return path


def test_series_are_sorted_and_resampled_linearly(tool, tmp_path):
    good = write(tmp_path, "good.csv",
                 "# pressures at J3\n"
                 "type,id,attribute,time,value\n"
                 "NODE,J3,P,2,40\n"
                 "node;J3;P;0:30;30\n"        # a line without commas splits at semicolons
                 "\n"
                 "2,J3,P,1:00:36,35\n"
                 "BRANCH,P4,Q,0,3.5\n"
                 "TANK,T1,LV,1.5,5.25\n")
    r = run(tool, f"cmd LOAD {TOWN}", f"cmd MEASURE {good}", "ms 2 J3 P 0", "ms 2 J3 P 0.5",
            "ms 1 P4 Q 0", "ms 3 T1 LV 0", "ms 2 J3 H 0")
    assert series(r[2]) == ([0.5, 1.01, 2.0], [30.0, 35.0, 40.0])
    hours, values = series(r[3])
    assert hours == [0.5, 1.0, 1.5, 2.0]
    assert values == [30.0, pytest.approx(30 + 5 * 0.5 / 0.51), pytest.approx(35 + 5 * 0.49 / 0.99), 40.0]
    assert series(r[4]) == ([0.0], [3.5])
    assert series(r[5]) == ([1.5], [5.25])
    assert r[6].values == []


def test_a_file_with_bad_lines_loads_nothing(tool, tmp_path):
    good = write(tmp_path, "good.csv", "NODE,J3,P,0,30\n")
    bad = write(tmp_path, "bad.csv",
                "NODE,J8,P,0,30\n"       # fine, but must not stay
                "NODE,NOPE,P,1,30\n"      # 2: unknown node
                "NODE,J3,Q,1,2\n"         # 3: not a node attribute
                "NODE,J3,Z,1,2\n"         # 4: not simulated
                "NODE,J3,P,1:75,3\n"      # 5: minutes
                "NODE,J3,P,-1,3\n"        # 6: negative time
                "NODE,J3,P,2,x\n"         # 7: value
                "PUMP,PU1,Q,1,2\n"        # 8: type
                "NODE,J8,P,0,31\n"        # 9: second value at 0 h
                "NODE,J3,P,3\n")          # 10: fields
    r = run(tool, f"cmd LOAD {TOWN}", f"cmd MEASURE {good}", f"cmd MEASURE {bad}", "ms 2 J8 P 0",
            "ms 2 J3 P 0", f"cmd MEASURE {tmp_path / 'missing.csv'}", "cmd MEASURE CLEAR",
            "ms 2 J3 P 0")
    assert r[2].status == 8 and "9 bad lines" in r[2].text
    assert r[3].values == []                 # nothing of the bad file
    assert series(r[4]) == ([0.0], [30.0])   # the earlier series stay
    assert r[5].status == 6
    assert r[7].values == []


def test_bad_lines_are_reported_by_number(tool, tmp_path):
    bad = write(tmp_path, "bad.csv", "NODE,J3,P,0,30\nNODE,NOPE,P,1,30\n\nNODE,J3,P,2,x\n")
    many = write(tmp_path, "many.csv", "".join(f"NODE,J3,P,{h},x\n" for h in range(12)))
    r = run(tool, f"cmd LOAD {TOWN}", f"cmd MEASURE {bad}", f"cmd MEASURE {many}")
    lines = r[1].text.split("|")
    assert lines[1:] == [f"{bad}:2: unknown node 'NOPE'", f"{bad}:4: malformed value 'x'"]
    lines = r[2].text.split("|")
    assert "12 bad lines" in lines[0] and len(lines) == 12 and lines[-1] == "..."
