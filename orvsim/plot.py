"""Pictures with matplotlib: the network map (links with their vertices,
nodes coloured by any value, tanks, reservoirs, pumps and valves marked),
series plots and a map of a result at an instant."""
from __future__ import annotations

from typing import Mapping, Optional, Sequence, Union

import numpy as np
import pandas as pd

Values = Union[pd.Series, Mapping[str, float], None]

# How each kind of element is marked on the map.
MARKERS = {
    "junctions": dict(marker="o", s=12, zorder=3),
    "tanks": dict(marker="s", s=90, zorder=4, edgecolors="black"),
    "reservoirs": dict(marker="^", s=110, zorder=4, edgecolors="black"),
    "pumps": dict(marker=">", s=70, color="crimson", zorder=5),
    "valves": dict(marker="D", s=45, color="darkorange", zorder=5),
}
LINK_STYLE = dict(color="0.55", linewidth=1.2, zorder=1)


def network(net, node_values: Values = None, link_values: Values = None, ax=None, *,
            cmap: str = "viridis", node_label: str = "", link_label: str = "",
            title: Optional[str] = None, vmin: Optional[float] = None, vmax: Optional[float] = None):
    """Draws the network map and returns the matplotlib Axes.

    `node_values` / `link_values` (a Series or dict by id) colour the nodes
    / links and add a colour bar labelled `node_label` / `link_label`;
    nodes without a value are drawn grey. Tanks are squares, reservoirs
    triangles, pumps and valves markers at the middle of their link.
    """
    import matplotlib.pyplot as plt
    from matplotlib.collections import LineCollection

    if ax is None:
        _, ax = plt.subplots(figsize=(8, 6))
    tables = {k: net.table(k) for k in ("junctions", "reservoirs", "tanks", "pumps", "valves")}
    paths = net.link_paths()
    ids = list(paths)
    segments = [paths[i] for i in ids]
    if link_values is None:
        lines = LineCollection(segments, **LINK_STYLE)
    else:
        lines = LineCollection(segments, cmap=cmap if node_values is None else "plasma",
                               linewidth=2.5, zorder=LINK_STYLE["zorder"])
        lines.set_array(np.ma.masked_invalid(_aligned(link_values, ids)))
        ax.figure.colorbar(lines, ax=ax, label=link_label, shrink=0.8)
    ax.add_collection(lines)

    node_scale = None
    for kind in ("junctions", "tanks", "reservoirs"):
        t = tables[kind]
        if t.empty:
            continue
        style = dict(MARKERS[kind])
        if node_values is None:
            style.setdefault("color", "tab:blue" if kind == "junctions" else "black")
            ax.scatter(t["x"], t["y"], label=kind, **style)
            continue
        values = _aligned(node_values, list(t.index))
        known = np.isfinite(values)
        if (~known).any():
            ax.scatter(t["x"][~known], t["y"][~known], color="0.8", **style)
        if known.any():
            node_scale = ax.scatter(t["x"][known], t["y"][known], c=values[known], cmap=cmap,
                                    vmin=vmin if vmin is not None else np.nanmin(_aligned(node_values, None)),
                                    vmax=vmax if vmax is not None else np.nanmax(_aligned(node_values, None)),
                                    label=kind, **style)
    if node_scale is not None:
        ax.figure.colorbar(node_scale, ax=ax, label=node_label, shrink=0.8)

    for kind in ("pumps", "valves"):
        middles = [_middle(paths[i]) for i in tables[kind].index if i in paths]
        if middles:
            xy = np.array(middles)
            ax.scatter(xy[:, 0], xy[:, 1], label=kind, **MARKERS[kind])

    ax.autoscale_view()
    ax.set_aspect("equal", adjustable="datalim")
    ax.set_xticks([])
    ax.set_yticks([])
    ax.legend(loc="best", fontsize="small", framealpha=0.8)
    ax.set_title(title if title is not None else net.path.rsplit("/", 1)[-1])
    return ax


def snapshot(net, result, quantity: str = "pressure", time: Optional[float] = None, ax=None, **kwargs):
    """Map of a node result (pressure, head, demand, quality) at an instant
    (hours; the last one by default), with its unit on the colour bar."""
    frame = result.node[quantity]
    at = frame.index[-1] if time is None else frame.index[np.abs(frame.index - time).argmin()]
    label = f"{quantity} ({result.units[quantity]})" if result.units.get(quantity) else quantity
    kwargs.setdefault("title", f"{quantity} at {at:g} h")
    return network(net, node_values=frame.loc[at], ax=ax, node_label=label, **kwargs)


def series(frame: pd.DataFrame, ids: Optional[Sequence[str]] = None, ax=None, *,
           ylabel: str = "", title: str = ""):
    """Plots the columns `ids` (all by default) of a result DataFrame against
    time in hours; returns the Axes."""
    import matplotlib.pyplot as plt

    if ax is None:
        _, ax = plt.subplots(figsize=(8, 4))
    chosen = frame if ids is None else frame[[ids] if isinstance(ids, str) else list(ids)]
    for column in chosen.columns:
        ax.step(chosen.index, chosen[column], where="post", label=str(column))
    ax.set_xlabel("time (h)")
    ax.set_ylabel(ylabel)
    if title:
        ax.set_title(title)
    if len(chosen.columns) <= 12:
        ax.legend(fontsize="small")
    ax.grid(alpha=0.3)
    return ax


def _aligned(values: Values, ids: Optional[Sequence[str]]) -> np.ndarray:
    series = values if isinstance(values, pd.Series) else pd.Series(dict(values))
    if ids is None:
        return series.to_numpy(dtype=float)
    return series.reindex(ids).to_numpy(dtype=float)


def _middle(path: np.ndarray) -> np.ndarray:
    """Point halfway along a polyline."""
    import _pyorvutl as utl

    xs, ys = np.ascontiguousarray(path[:, 0]), np.ascontiguousarray(path[:, 1])
    total = utl.split_poly_at(xs, ys, 0.0)[3]
    _, x, y, _ = utl.split_poly_at(xs, ys, total / 2)
    return np.array([x, y])
