"""INP input: every failure names the file, the line and the reason; what is
read is what is written back (display units, categories, curve kinds, times)."""
import subprocess

import pytest

BASE = """[TITLE]
Two loops

[JUNCTIONS]
;ID  Elev  Demand  Pattern
 J1  10    1.5     P1
 J2  12    2.0
 J3  8     0

[RESERVOIRS]
 R1  50

[TANKS]
 T1  30  2  0.5  6  10  0  *  YES

[PIPES]
 P1  R1  J1  1000  300  100
 P2  J1  J2  500   200  100  0.5  OPEN
 P3  J2  J3  400   150  100  0    CV
 P4  J3  T1  300   200  100

[PUMPS]

[VALVES]
 V1  J1  J3  150  PRV  20

[PATTERNS]
 P1  1.0  1.2  0.8

[CURVES]

[DEMANDS]

[STATUS]

[CONTROLS]

[RULES]

[EMITTERS]

[MIXING]

[SOURCES]

[TIMES]
 DURATION  6:00
 HYDRAULIC TIMESTEP  1:00

[OPTIONS]
 UNITS  LPS
 HEADLOSS  H-W

[END]
"""


def run_tool(tool, path, *args):
    return subprocess.run([str(tool), str(path), *args], capture_output=True, text=True)


def load(tool, tmp_path, text, name="net.inp"):
    """Loads text; returns the tool's result and the INP text it writes back."""
    path = tmp_path / name
    path.write_text(text)
    out = tmp_path / ("saved_" + name)
    res = run_tool(tool, path, "--save", out)
    return res, (out.read_text() if out.exists() else None)


def edit(section, new_lines, text=BASE):
    """BASE with lines added at the end of a section."""
    start = text.index(f"[{section}]\n")
    end = text.index("\n[", start)
    body = text[start:end].rstrip("\n")
    return text[:start] + body + "\n" + new_lines + "\n" + text[end:]


def line_of(text, fragment):
    return next(i for i, line in enumerate(text.splitlines(), 1) if fragment in line)


@pytest.mark.parametrize(
    "section, lines, fragment, reason",
    [
        ("JUNCTIONS", " J9  abc", "J9  abc", "invalid number for elevation"),
        ("JUNCTIONS", " J9  nan", "J9  nan", "invalid number for elevation"),
        ("JUNCTIONS", " J1  5", "J1  5", "duplicate node identifier J1"),
        ("JUNCTIONS", " J9  5  1  NOPAT", "NOPAT", "unknown pattern NOPAT"),
        ("PIPES", " P9  J1  JX  100  100  100", "JX", "unknown node JX"),
        ("PIPES", " P9  J1  J2  -100  100  100", "-100", "negative length"),
        ("PIPES", " P9  J1  J2  100  -5  100", "-5", "negative diameter"),
        ("PIPES", " P9  J1  J2  100  0  100", "P9  J1  J2  100  0", "pipe diameter must be positive"),
        ("PIPES", " P9  J1  J2  100", "P9  J1  J2  100", "too few fields"),
        ("PIPES", " P1  J1  J2  100  100  100", "P1  J1  J2", "duplicate link identifier P1"),
        ("PIPES", " P9  J1  J1  100  100  100", "P9  J1  J1", "connects a node to itself"),
        ("VALVES", " V9  J1  J2  100  XYZ  1", "XYZ", "unknown valve type XYZ"),
        ("VALVES", " V9  J1  T1  100  PRV  1", "V9  J1  T1", "cannot be connected to a tank"),
        ("TANKS", " T9  1  9  0  5  10  0", "T9  1  9", "initial level outside"),
        ("CURVES", " C1  10  5\n C1  5  3", "C1  5  3", "x values must increase"),
        ("TANKS", " T9  1  2  0  5  0  0  VC\n[CURVES]\n VC  0  10\n VC  5  8", "VC  0  10",
         "volume must not decrease"),
        ("OPTIONS", " WIBBLE  3", "WIBBLE", "unknown option WIBBLE"),
        ("OPTIONS", " UNITS  FURLONGS", "FURLONGS", "unknown flow units"),
        ("TIMES", " DURATION  soon", "soon", "invalid time value"),
        ("DEMANDS", " T1  5", "T1  5", "not a junction"),
        ("STATUS", " P3  CLOSED", "P3  CLOSED", "check valve cannot be closed"),
        ("CONTROLS", " LINK P2 OPEN IF NODE J1 SIDEWAYS 3", "SIDEWAYS", "ABOVE or BELOW"),
        ("RULES", "RULE R1\nIF TANK T1 LEVEL > 3\nTHEN LINK PX STATUS IS OPEN", "PX", "unknown link PX"),
        ("PATTERNS", " P2  1  x", "P2  1  x", "invalid number for pattern factor"),
        ("RULES", "RULE R1\nTHEN LINK P2 STATUS IS OPEN", "THEN LINK P2", "THEN without IF"),
        ("RULES", "RULE R1\nIF TANK T1 LEVEL > 3\nELSE LINK P2 STATUS IS OPEN", "ELSE LINK", "ELSE without THEN"),
        ("RULES", "RULE R1\nIF TANK T1 LEVEL > 3\nTHEN LINK P2 STATUS IS OPEN\nRULE R1", "RULE R1\n", ""),
        ("RULES", "RULE R1\nIF TANK T1 WARMTH > 3", "WARMTH", "unknown rule variable WARMTH"),
        ("RULES", "RULE R1\nIF TANK T1 LEVEL ~ 3", "LEVEL ~", "unknown rule relation ~"),
        ("PUMPS", " PU1  R1  J2  HEAD  NOCURVE", "NOCURVE", "unknown curve NOCURVE"),
        ("PUMPS", " PU1  R1  J2  SPIN  2", "SPIN", "unknown pump keyword SPIN"),
        ("PUMPS", " PU1  R1  J2  SPEED  1", "SPEED  1", "neither head curve nor power"),
        ("OPTIONS", " QUALITY  TRACE  NOWHERE", None, "unknown trace node NOWHERE"),
        ("OPTIONS", " PATTERN  NOPAT", None, "unknown default pattern NOPAT"),
        ("OPTIONS", " DEMAND MODEL  XYZ", "MODEL  XYZ", "DDA or PDA"),
        ("EMITTERS", " R1  0.5", "R1  0.5", "not a junction"),
        ("MIXING", " J1  MIXED", "J1  MIXED", "J1 is not a tank"),
        ("SOURCES", " J1  SPRINKLE  1", "SPRINKLE", "unknown source type SPRINKLE"),
    ],
)
def test_faults_name_file_line_and_reason(dump_tool, tmp_path, section, lines, fragment, reason):
    text = edit(section, lines)
    res, saved = load(dump_tool, tmp_path, text)
    assert res.returncode == 1 and saved is None
    if fragment is None:  # a fault found once the whole file is read names no line
        assert "net.inp: " in res.stderr
    elif section == "RULES" and fragment == "RULE R1\n":  # the second RULE R1
        second = [i for i, l in enumerate(text.splitlines(), 1) if l == "RULE R1"][1]
        assert f"net.inp:{second}: duplicate rule identifier R1" in res.stderr
    else:
        assert f"net.inp:{line_of(text, fragment)}: " in res.stderr
    assert reason in res.stderr


def test_unknown_section_and_missing_file(dump_tool, tmp_path):
    res, _ = load(dump_tool, tmp_path, BASE.replace("[CURVES]", "[CURVEZ]"))
    assert res.returncode == 1
    assert f"net.inp:{line_of(BASE, '[CURVES]')}: unknown section [CURVEZ]" in res.stderr
    res = run_tool(dump_tool, tmp_path / "absent.inp")
    assert res.returncode == 1 and "absent.inp: cannot open file" in res.stderr


def test_network_without_fixed_head_is_refused(dump_tool, tmp_path):
    text = BASE.replace(" R1  50", "").replace(" T1  30  2  0.5  6  10  0  *  YES", "")
    text = text.replace(" P1  R1  J1  1000  300  100", "").replace(" P4  J3  T1  300   200  100", "")
    res, _ = load(dump_tool, tmp_path, text)
    assert res.returncode == 1 and "no tank or reservoir" in res.stderr


def test_sections_may_come_in_any_order(dump_tool, tmp_path):
    # Patterns after the junctions that use them, options last: same model.
    _, reference = load(dump_tool, tmp_path, BASE, "a.inp")
    moved = BASE.replace("[PATTERNS]\n P1  1.0  1.2  0.8\n", "")
    moved = moved.replace("[TITLE]", "[PATTERNS]\n P1  1.0  1.2  0.8\n\n[TITLE]")
    _, saved = load(dump_tool, tmp_path, moved, "b.inp")
    assert saved == reference


def test_demands_section_replaces_junction_demand_and_keeps_categories(dump_tool, tmp_path):
    text = edit("DEMANDS", " J1  0.7  P1  ;Domestic\n J1  0.3  ;Industry")
    _, saved = load(dump_tool, tmp_path, text)
    demands = saved.split("[DEMANDS]")[1].split("[")[0]
    j1 = [line.split() for line in demands.splitlines() if line.split()[:1] == ["J1"]]
    assert j1 == [["J1", "0.7", "P1", ";Domestic"], ["J1", "0.3", ";Industry"]]
    assert " J2\t2\t\n" in demands  # a junction absent from [DEMANDS] keeps its own


def test_values_come_back_in_display_units(dump_tool, tmp_path):
    us = BASE.replace("UNITS  LPS", "UNITS  GPM")
    _, saved = load(dump_tool, tmp_path, edit("CURVES", " C1  0  100\n C1  500  80\n C1  1000  40", us))
    saved = saved.replace("\t", " ")
    assert " P1 R1 J1 1000 300 100 0 OPEN" in saved
    assert " T1 30 2 0.5 6 10 0 * YES" in saved
    assert " V1 J1 J3 150 PRV 20 0" in saved
    assert " C1 500 80" in saved


def test_curve_kind_follows_its_use(dump_tool, tmp_path):
    text = edit("CURVES", " HC  50  40")
    text = edit("PUMPS", " PU1  R1  J2  HEAD HC  SPEED 1.1", text)
    _, saved = load(dump_tool, tmp_path, text)
    assert ";PUMP: \n HC\t50\t40" in saved
    assert "HEAD HC\tSPEED 1.1" in saved


@pytest.mark.parametrize("field, value, seconds", [
    ("DURATION", "6:30", "23400"),
    ("DURATION", "1.5 HOURS", "5400"),
    ("DURATION", "90 MIN", "5400"),
    ("DURATION", "2 DAYS", "172800"),
    ("DURATION", "3600 SEC", "3600"),
    ("REPORT START", "0:00:30", "30"),
])
def test_time_formats(dump_tool, tmp_path, field, value, seconds):
    _, saved = load(dump_tool, tmp_path, BASE.replace(" DURATION  6:00", f" {field}  {value}"))
    assert f" {field}\t{seconds} SEC" in saved


def test_clock_times(dump_tool, tmp_path):
    _, saved = load(dump_tool, tmp_path, edit("TIMES", " START CLOCKTIME 6:30 PM"))
    assert " START CLOCKTIME\t6:30:00 PM" in saved
    _, saved = load(dump_tool, tmp_path, edit("CONTROLS", " LINK P2 CLOSED AT CLOCKTIME 12 AM"))
    assert " LINK P2 CLOSED AT CLOCKTIME 12:00:00 AM" in saved


def test_failed_load_leaves_no_output_and_no_stray_files(dump_tool, tmp_path):
    before = set(p.name for p in tmp_path.iterdir())
    res, saved = load(dump_tool, tmp_path, edit("PIPES", " P9  J1  JX  100  100  100"))
    assert res.returncode == 1 and saved is None
    assert set(p.name for p in tmp_path.iterdir()) - before == {"net.inp"}
