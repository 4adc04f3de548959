"""Water quality under arbitrary hydraulics: whatever the flows do (reverse,
stall, fall below the solver's noise, disagree with the demands), every
quality the transport reports is a mixture of the water that entered the
network. A traced share stays within 0 and 100 %, and water is never older
than the time since the start (the town's water starts at age 0)."""
import subprocess

from hypothesis import HealthCheck, given, settings, strategies as st

from quality_reference import TOWN, quality_tool, with_sections

NODES, LINKS, TANKS = 10, 11, 2  # the town: reservoir R1 and tank T1 are its two tanks

flow = st.one_of(st.just(0.0), st.sampled_from([1e-9, -1e-9, 2e-7, -2e-7]),
                 st.floats(1e-5, 0.05), st.floats(-0.05, -1e-5))
period = st.tuples(st.integers(1, 7200), st.lists(flow, min_size=LINKS, max_size=LINKS),
                   st.lists(st.floats(-0.02, 0.05), min_size=NODES, max_size=NODES))


def hydraulics_text(periods, tank_volumes):
    lines, t = [f"{NODES} {LINKS} {TANKS}"], 0
    for span, flows, demands in periods:
        lines += [str(t), " ".join(map(repr, flows)), " ".join(map(repr, demands)),
                  " ".join(map(repr, tank_volumes))]
        t += span
    return "\n".join(lines) + "\n"


def reported(inp, hyd, *args):
    res = subprocess.run([str(quality_tool()), str(inp), "--hydraulics", str(hyd), *args],
                         capture_output=True, text=True)
    assert res.returncode == 0, res.stderr
    for line in res.stdout.splitlines():
        if line[:2] in ("N,", "L,"):
            t, _, values = line[2:].partition(",")
            yield float(t), [float(v) for v in values.split()]


@settings(max_examples=120, deadline=None, suppress_health_check=[HealthCheck.function_scoped_fixture])
@given(periods=st.lists(period, min_size=1, max_size=8),
       tank_volumes=st.tuples(st.floats(0, 500), st.floats(0, 500)),
       mixing=st.sampled_from(["MIXED", "2COMP 0.4", "FIFO", "LIFO"]),
       mode=st.sampled_from(["age", "trace"]),
       conventions=st.sampled_from([[], ["--reference-conventions"]]))
def test_qualities_stay_mixtures_of_what_entered(tmp_path, periods, tank_volumes, mixing, mode, conventions):
    inp = with_sections(TOWN, tmp_path, "town.inp", add=f"[MIXING]\n T1 {mixing}\n")
    hyd = tmp_path / "hyd.txt"
    hyd.write_text(hydraulics_text(periods, tank_volumes))
    args = ["--age"] if mode == "age" else ["--trace", "R1"]
    seen = 0
    for t, values in reported(inp, hyd, *args, *conventions):
        high = t / 3600 if mode == "age" else 100.0
        assert all(-1e-6 <= v <= high * (1 + 1e-6) + 1e-6 for v in values), (t, values)
        seen += 1
    assert seen == 2 * len(periods)
