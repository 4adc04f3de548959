"""Saving a model and reading it back gives the same model (the second save
writes the very same text) and the same results, on every network of wntr's
set that we read."""
import subprocess

import pytest

import hydraulics_reference as ref

READABLE = [p for p in ref.networks() if p.name not in ("bad_syntax.inp", "bad_values.inp", "bad_times.inp")]


@pytest.mark.parametrize("network", READABLE, ids=lambda p: p.stem)
def test_save_then_reload_gives_same_model_and_results(network, tmp_path, dump_tool):
    first, second = tmp_path / "first.inp", tmp_path / "second.inp"
    subprocess.run([str(dump_tool), str(network), "--save", str(first)], check=True)
    subprocess.run([str(dump_tool), str(first), "--save", str(second)], check=True)
    assert first.read_bytes() == second.read_bytes()
    # Extremes with their steps and the means of every head and flow: a compact
    # fingerprint of all results.
    original = subprocess.run([str(dump_tool), str(network), "--extremes"], capture_output=True).stdout
    reloaded = subprocess.run([str(dump_tool), str(first), "--extremes"], capture_output=True).stdout
    assert original and original == reloaded


def test_save_keeps_verbatim_sections_and_comments(tmp_path, dump_tool):
    src = tmp_path / "in.inp"
    src.write_text("""[TITLE]
First line
Second line
[JUNCTIONS]
 J1 10 1 ;a junction
[RESERVOIRS]
 R1 50
[PIPES]
 P1 R1 J1 100 100 100 ;main
[TAGS]
 NODE J1 ZoneA
[LABELS]
 1.5 2.5 "North"
[BACKDROP]
 UNITS Meters
[REPORT]
 Status Yes
[OPTIONS]
 UNITS LPS
[END]
""")
    out = tmp_path / "out.inp"
    subprocess.run([str(dump_tool), str(src), "--save", str(out)], check=True)
    text = out.read_text()
    assert text.startswith("[TITLE]\nFirst line\nSecond line\n")
    assert " J1\t10\t;a junction" in text and ";main" in text
    assert " NODE\tJ1\tZoneA" in text
    assert ' 1.5 2.5 "North"' in text and " UNITS Meters" in text and " Status Yes" in text
