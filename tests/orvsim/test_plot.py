"""Maps and series drawn with the Agg backend, checked for what they show."""
import matplotlib

matplotlib.use("Agg")

import numpy as np  # noqa: E402
import pytest  # noqa: E402
from matplotlib.collections import LineCollection, PathCollection  # noqa: E402

import orvsim.plot as oplot  # noqa: E402


def scatter_offsets(ax, label):
    (found,) = [c for c in ax.collections if isinstance(c, PathCollection) and c.get_label() == label]
    return found.get_offsets()


def test_map_draws_every_link_with_its_vertices_and_marks_devices(town):
    ax = oplot.network(town)
    (lines,) = [c for c in ax.collections if isinstance(c, LineCollection)]
    segments = {len(s) for s in lines.get_segments()}
    assert len(lines.get_segments()) == 11 and segments == {2, 3}  # P5 and P9 bend once
    assert scatter_offsets(ax, "tanks").tolist() == [[900.0, 150.0]]
    assert len(scatter_offsets(ax, "junctions")) == 8 and len(scatter_offsets(ax, "reservoirs")) == 1
    # pump and valve marked halfway along their links
    pu1 = town.link_paths()["PU1"]
    assert scatter_offsets(ax, "pumps").tolist() == [pu1.mean(axis=0).tolist()]
    assert len(scatter_offsets(ax, "valves")) == 1
    assert ax.get_title() == "town.inp"


def test_nodes_and_links_coloured_by_values(town, town_result):
    p = town_result.node["pressure"].loc[12.0]
    ax = oplot.network(town, node_values=p, link_values=town_result.link["flow"].loc[12.0].abs(),
                       node_label="pressure (m)")
    junctions = [c for c in ax.collections if c.get_label() == "junctions"][0]
    assert junctions.get_array().tolist() == pytest.approx(p[town.junctions.index].tolist())
    lines = [c for c in ax.collections if isinstance(c, LineCollection)][0]
    assert np.ma.count(lines.get_array()) == 11
    labels = [a.get_ylabel() for a in ax.figure.axes if a is not ax]
    assert "pressure (m)" in labels and len(labels) == 2  # two colour bars
    ax.figure.canvas.draw()
    image = np.asarray(ax.figure.canvas.buffer_rgba())
    assert len(np.unique(image.reshape(-1, 4), axis=0)) > 50  # colours, not a blank canvas


def test_missing_values_are_grey_and_snapshot_names_the_instant(town, town_result):
    ax = oplot.network(town, node_values={"J1": 1.0, "J2": 2.0})
    grey = [c for c in ax.collections if isinstance(c, PathCollection) and c.get_label().startswith("_")]
    assert sum(len(c.get_offsets()) for c in grey) == 8  # 6 junctions, the tank and the reservoir
    ax = oplot.snapshot(town, town_result, "quality", 6.4)
    assert ax.get_title() == "quality at 6 h"


def test_series(town_result):
    ax = oplot.series(town_result.tank["level"], ylabel="level (m)")
    (line,) = ax.get_lines()
    assert line.get_label() == "T1" and len(line.get_xdata()) == 25
    ax = oplot.series(town_result.node["pressure"], ids=["J1", "J2"])
    assert [l.get_label() for l in ax.get_lines()] == ["J1", "J2"]
