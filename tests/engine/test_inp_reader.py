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
        ("PIPES", " P9  J1  J2  100  100  100  0.5  SHUT", "SHUT", "pipe status must be OPEN, CLOSED or CV"),
        ("PIPES", " P9  J1  J2  100  100  0", "P9  J1  J2  100  100  0", "pipe roughness must be positive"),
        ("PIPES", " P9  J1  T9  100  100  100\n[TANKS]\n T9  1  2  0  5  10  0", "T9  100", "used before its definition"),
        ("TANKS", " T9  1  2  0", "T9  1  2  0", "too few fields for tank"),
        ("VALVES", " V9  J1  J2  100  PCV  1", "PCV", "(PCV) are not supported"),
        ("VALVES", " V9  J2  J3  100  PRV  1", "V9", "illegal valve arrangement with valve V1"),
        ("STATUS", " V1  ACTIVE", "V1  ACTIVE", "invalid number for status setting"),
        ("CONTROLS", " LINK P2 OPEN AT TIME soon", "soon", "invalid control time"),
        ("RULES", "RULE R1\nIF PUMP P2 LEVEL > 3", "LEVEL >", "does not apply to a link"),
        ("OPTIONS", " MINIMUM PRESSURE 5\n REQUIRED PRESSURE 5.05", "REQUIRED", "exceed the minimum pressure"),
        ("OPTIONS", "[REACTIONS]\n ORDER WALL 2", "ORDER WALL", "wall reaction order must be 0 or 1"),
        ("OPTIONS", "[REPORT]\n NODES J1 JX", "NODES J1 JX", "unknown node JX"),
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
        ("STATUS", " P3  CLOSED", "P3  CLOSED", "check valve cannot be closed"),
        ("STATUS", " P3  OPEN", "P3  OPEN", "check valve cannot be closed or opened"),
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
        ("OPTIONS", " QUALITY  TRACE  NOWHERE", "TRACE  NOWHERE", "unknown trace node NOWHERE"),
        ("OPTIONS", " DEMAND MODEL  XYZ", "MODEL  XYZ", "DDA or PDA"),
        ("SOURCES", " J1  SPRINKLE  1", "SPRINKLE", "unknown source type SPRINKLE"),
        ("JUNCTIONS", " J" + "x" * 31 + "  5", "Jxxx", "longer than 31 characters"),
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


@pytest.mark.parametrize("field, value, written", [
    ("DURATION", "6:30", "6:30:00"),
    ("DURATION", "1.5 HOURS", "1:30:00"),
    ("DURATION", "90 MIN", "1:30:00"),
    ("DURATION", "2 DAYS", "48:00:00"),
    ("DURATION", "3600 SEC", "1:00:00"),
    ("DURATION", "86400 seconds", "24:00:00"),
    ("DURATION", "24", "24:00:00"),
    ("DURA", "0:00:00:00", "0:00:00"),  # a fourth field is not read
    ("REPORT START", "0:00:30", "0:00:30"),
    ("Duration", "5 AM", "5:00:00"),
])
def test_time_formats(dump_tool, tmp_path, field, value, written):
    # Written as h:mm:ss, which every reader of the format takes as it is meant.
    _, saved = load(dump_tool, tmp_path, BASE.replace(" DURATION  6:00", f" DURATION  6:00\n {field}  {value}"))
    key = "DURATION" if field.upper().startswith("DURA") else field
    assert f" {key}\t{written}\n" in saved


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


@pytest.mark.parametrize(
    "section, lines, fragment, warning",
    [
        # Lines the reference engine reads past: the model loads, the warning names the line.
        ("PIPES", " P9  J1  J2  100", "P9  J1  J2  100", "defaults are used"),
        ("PIPES", " P9  J1", "P9  J1", "fewer than three fields skipped"),
        ("VALVES", " V9  J1  J2  100", "V9  J1  J2  100", "fewer than five fields skipped"),
        ("DEMANDS", " T1  5", "T1  5", "not a junction, skipped"),
        ("EMITTERS", " R1  0.5", "R1  0.5", "not a junction, skipped"),
        ("MIXING", " J1  MIXED", "J1  MIXED", "not a tank, skipped"),
        ("OPTIONS", " PATTERN  NOPAT", "NOPAT", "unknown default pattern NOPAT"),
        ("OPTIONS", " SEGMENTS  1000", "SEGMENTS", "SEGMENTS is obsolete"),
        ("OPTIONS", " WIBBLE", "WIBBLE", "without a value is skipped"),
        ("OPTIONS", "[COORDINATES]\n JX  1  2", "JX  1  2", "coordinates of unknown node JX skipped"),
        ("OPTIONS", "[VERTICES]\n PX  1  2", "PX  1  2", "vertex of unknown link PX skipped"),
        ("OPTIONS", "[ROUGHNESS]\n P1  5", "[ROUGHNESS]", "not used"),
        ("OPTIONS", "[LEAKAGE]\n P1  0.5  0.1", "P1  0.5  0.1", "leakage is kept but not simulated"),
        ("TANKS", " T9  1  2  0  5  0  0", "T9  1  2", "a reservoir at its initial level"),
        ("OPTIONS", "[REACTIONS]\n TANK  J1  -0.1", "TANK  J1", "not a tank, skipped"),
    ],
)
def test_tolerated_lines_load_with_a_warning(dump_tool, tmp_path, section, lines, fragment, warning):
    text = edit(section, lines)
    res, saved = load(dump_tool, tmp_path, text)
    assert res.returncode == 0 and saved is not None, res.stderr
    assert f"net.inp:{line_of(text, fragment)}: " in res.stderr and warning in res.stderr


def test_data_before_any_section_is_skipped_with_a_warning(dump_tool, tmp_path):
    res, _ = load(dump_tool, tmp_path, "stray words\n" + BASE)
    assert res.returncode == 0 and "net.inp:1: data outside of any section is skipped" in res.stderr


@pytest.mark.parametrize(
    "old, new, expected",
    [
        # Forms other programs write and the reference engine reads.
        (" UNITS  LPS", " UNITS  SI", " UNITS\tLPS"),
        (" UNITS  LPS", " units  si", " UNITS\tLPS"),
        (" UNITS  LPS", " Units  lps", " UNITS\tLPS"),
        (" DURATION  6:00", " START CLOCKTIME  0 am", " START CLOCKTIME\t12:00:00 AM"),
        (" DURATION  6:00", " START CLOCKTIME  00:00:00 AM", " START CLOCKTIME\t12:00:00 AM"),
        (" DURATION  6:00", " START CLOCKTIME  0", " START CLOCKTIME\t12:00:00 AM"),
        (" DURATION  6:00", " START CLOCKTIME  0.000000 SEC", " START CLOCKTIME\t12:00:00 AM"),
        (" DURATION  6:00", " Start ClockTime  1:30 pm", " START CLOCKTIME\t1:30:00 PM"),
        (" DURATION  6:00", " START CLOCKTIME  12:00:00 PM", " START CLOCKTIME\t12:00:00 PM"),
        (" DURATION  6:00", " STATISTIC  Average", " STATISTIC\tAVERAGED"),
        (" T1  30  2  0.5  6  10  0  *  YES", " T1  30  2  0.5  6  10", " T1\t30\t2\t0.5\t6\t10\t0\t*\n"),
        (" P2  J1  J2  500   200  100  0.5  OPEN", " P2  J1  J2  500   200  100  closed", " P2\tJ1\tJ2\t500\t200\t100\t0\tCLOSED"),
        (" HEADLOSS  H-W", " HEADLOSS  D-W\n PRESSURE  BAR", " PRESSURE\tBAR"),
        (" HEADLOSS  H-W", " BACKFLOW ALLOWED  NO", " BACKFLOW ALLOWED\tNO"),
        (" HEADLOSS  H-W", " EMITTER BACKFLOW  NO", " BACKFLOW ALLOWED\tNO"),
        (" HEADLOSS  H-W", " HTOL  0.001", " HTOL  0.001\n"),
        (" HEADLOSS  H-W", " QUALITY  AGE", " QUALITY\tAGE"),
        (" HEADLOSS  H-W", ' QUALITY  "Free Chlorine"  mg/L', ' QUALITY\t"Free Chlorine" mg/L'),
        (" HEADLOSS  H-W", ' QUALITY  ""  ug/L', ' QUALITY\t"" ug/L'),
        (" HEADLOSS  H-W", " QUALITY  Chlorine", " QUALITY\tChlorine\n"),
    ],
)
def test_reference_forms_are_read_and_written_back(dump_tool, tmp_path, old, new, expected):
    res, saved = load(dump_tool, tmp_path, BASE.replace(old, new))
    assert res.returncode == 0, res.stderr
    assert expected in saved
    # Reading what was written gives the same text again.
    res, again = load(dump_tool, tmp_path, saved, "again.inp")
    assert res.returncode == 0 and again == saved


@pytest.mark.parametrize(
    "section, lines, expected",
    [
        # Control lines as other programs write them: the words around the ids are not checked.
        ("CONTROLS", "Pipe P2 Closed IF Tank T1 below 1.5", " LINK P2 CLOSED IF NODE T1 BELOW 1.5"),
        ("CONTROLS", " LINK P2 OPEN AT TIME 90 MIN", " LINK P2 OPEN AT TIME 1:30:00"),
        ("CONTROLS", " LINK P2 OPEN AT CLOCKTIME 0:00:00 AM", " LINK P2 OPEN AT CLOCKTIME 12:00:00 AM"),
        ("CONTROLS", " LINK P2 1 AT TIME 2 DISABLED", " LINK P2 OPEN AT TIME 2:00:00 DISABLED"),
        ("CONTROLS", " LINK V1 25 IF NODE J2 ABOVE 30", " LINK V1 25 IF NODE J2 ABOVE 30"),
        ("RULES", "RULE R1\nIF SYSTEM CLOCKTIME >= 6 AM\nTHEN PIPE P2 STATUS IS closed\nPRIORITY 2\nDISABLED",
         "RULE R1\nIF SYSTEM CLOCKTIME >= 6:00:00 AM\nTHEN LINK P2 STATUS IS CLOSED\nPRIORITY 2\nDISABLED\n"),
        ("RULES", "RULE R2\nIF TANK T1 FILLTIME > 2\nTHEN VALVE V1 SETTING IS 15",
         "IF TANK T1 FILLTIME > 2\nTHEN LINK V1 SETTING IS 15\n"),
        ("STATUS", " P1  P2  CLOSED", " P1\tR1\tJ1\t1000\t300\t100\t0\tCLOSED"),
        ("OPTIONS", "[REACTIONS]\n GLOB  BULK  -0.5\n BULK  P1  P2  -0.2", " BULK\tP2\t-0.2"),
        ("OPTIONS", "[QUALITY]\n J1  J3  0.7", " J2\t0.7"),
        ("OPTIONS", "[SOURCES]\n R1  1.5", " R1\tCONCEN\t1.5"),
        ("OPTIONS", "[ENERGY]\n Global Effic 80\n DEMAND CHARGE 3", " GLOBAL EFFICIENCY\t80\n GLOBAL PRICE\t0\n DEMAND CHARGE\t3"),
    ],
)
def test_sections_in_the_reference_forms(dump_tool, tmp_path, section, lines, expected):
    res, saved = load(dump_tool, tmp_path, edit(section, lines))
    assert res.returncode == 0, res.stderr
    assert expected in saved
    res, again = load(dump_tool, tmp_path, saved, "again.inp")
    assert res.returncode == 0 and again == saved


def test_curve_kind_comes_from_its_use_not_its_comment(dump_tool, tmp_path):
    # A rising efficiency curve labelled ";PUMP:" is no pump curve to check.
    text = edit("CURVES", ";PUMP: efficiency of PU1\n E1  10  50\n E1  20  70\n HC  50  40")
    text = edit("PUMPS", " PU1  R1  J2  HEAD HC", text)
    text = edit("OPTIONS", "[ENERGY]\n PUMP  PU1  EFFIC  E1", text)
    res, saved = load(dump_tool, tmp_path, text)
    assert res.returncode == 0, res.stderr
    assert ";EFFICIENCY: PUMP: efficiency of PU1\n E1\t10\t50" in saved
    # A curve no element uses keeps its kind through a type word.
    res, saved = load(dump_tool, tmp_path, edit("CURVES", " VC  0  0  VOLUME\n VC  5  100"))
    assert res.returncode == 0 and " VC\t5\t100\tVOLUME" in saved


def test_saving_keeps_element_order(dump_tool, tmp_path):
    # Pumps and valves before pipes, a tank before a reservoir, a second [PIPES]:
    # numbering follows the lines, and the saved file numbers them alike.
    text = """[JUNCTIONS]
 J1 10 1
 J2 12 1
[TANKS]
 T1 30 2 0.5 6 10
[RESERVOIRS]
 R1 5
[PUMPS]
 PU1 R1 J1 POWER 5
[VALVES]
 V1 J1 J2 150 TCV 2
[PIPES]
 P1 J2 T1 300 200 100
[PUMPS]
 PU2 J2 T1 POWER 2
[PIPES]
 P2 J1 J2 300 200 100
[OPTIONS]
 UNITS LPS
"""
    path = tmp_path / "order.inp"
    path.write_text(text)
    saved = tmp_path / "saved.inp"
    assert run_tool(dump_tool, path, "--save", saved).returncode == 0

    def ids(p):
        out = run_tool(dump_tool, p).stdout.splitlines()
        return [line.split()[2:] for line in out[:2]]

    assert ids(path) == [["J1", "J2", "T1", "R1"], ["PU1", "V1", "P1", "PU2", "P2"]]
    assert ids(saved) == ids(path)


def test_every_bad_line_is_reported_in_file_order(dump_tool, tmp_path):
    # Bad lines in sections read at different stages: [OPTIONS] is read
    # first, yet its line comes last in the file.
    text = edit("JUNCTIONS", " J9  abc")
    text = edit("PIPES", " P9  J1  J2  -100  100  100", text)
    text = edit("CONTROLS", " LINK P2 OPEN AT TIME soon", text)
    text = edit("OPTIONS", " UNITS  FURLONGS", text)
    res, saved = load(dump_tool, tmp_path, text)
    assert res.returncode == 1 and saved is None
    expected = [(line_of(text, "J9  abc"), "invalid number for elevation"),
                (line_of(text, "P9  J1"), "negative length"),
                (line_of(text, "soon"), "invalid control time"),
                (line_of(text, "FURLONGS"), "unknown flow units")]
    reported = res.stderr.strip().splitlines()
    assert len(reported) == len(expected)
    for got, (line, reason) in zip(reported, expected):
        assert got.startswith(f"{tmp_path / 'net.inp'}:{line}: ") and reason in got
    # Each line's report is the one it gives alone.
    alone, _ = load(dump_tool, tmp_path, edit("OPTIONS", " UNITS  FURLONGS"))
    assert alone.stderr.strip().split(": ", 1)[1] == reported[-1].split(": ", 1)[1]


@pytest.mark.parametrize(
    "section, lines, fragment",
    [
        # A bad definition is reported; the lines using what it defined are not.
        ("TANKS", " T9  1  9  0  5  10  0\n[PIPES]\n P9  J1  T9  100  100  100\n[STATUS]\n P9  CLOSED", "T9  1  9"),
        ("PIPES", " P9  J1  J2  100  0  100\n[STATUS]\n P9  CLOSED\n[CONTROLS]\n LINK P9 OPEN AT TIME 2", "P9  J1"),
        ("PATTERNS", " PX\n[JUNCTIONS]\n J9  5  1  PX", " PX"),
        ("CURVES", " CX  1\n[PUMPS]\n PU1  R1  J2  HEAD  CX", "CX  1"),
        ("RULES", "RULE R1 EXTRA\nIF TANK T1 LEVEL > 3\nTHEN LINK P2 STATUS IS OPEN", "RULE R1 EXTRA"),
        # A pump whose line is bad is still a pump for the lines below.
        ("PUMPS", " PU1  R1  J2  SPIN  2\n[ENERGY]\n PUMP  PU1  PRICE  0.1", "SPIN"),
        # The only reservoir is bad: no second report that the network has none.
        (None, "[RESERVOIRS]\n R1  x\n[JUNCTIONS]\n J1  1\n J2  2\n[PIPES]\n P1  J1  J2  10  10  10\n", "R1  x"),
    ],
)
def test_consequences_of_a_bad_line_are_not_reported_again(dump_tool, tmp_path, section, lines, fragment):
    text = edit(section, lines) if section else lines
    res, _ = load(dump_tool, tmp_path, text)
    assert res.returncode == 1 and len(res.stderr.strip().splitlines()) == 1, res.stderr
    assert f"net.inp:{line_of(text, fragment)}: " in res.stderr


def test_a_file_of_garbage_lists_a_bounded_number_of_lines(dump_tool, tmp_path):
    res, _ = load(dump_tool, tmp_path, "[JUNCTIONS]\n" + "".join(f" J{i}  x\n" for i in range(250)))
    lines = res.stderr.strip().splitlines()
    assert res.returncode == 1 and len(lines) == 101 and lines[-1] == "... 150 more bad lines"
    assert lines[0].endswith("net.inp:2: invalid number for elevation: x")
