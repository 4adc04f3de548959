"""Time-weighted statistics of result series, per element, vectorised.

Means and quantiles weigh an instant by the time from it to the next
instant, the last one as much as the one before it: on a regular grid
(reporting instants) every instant weighs the same, while over the
irregular hydraulic steps a value that held for ten minutes weighs a sixth
of one that held for an hour. Durations integrate the series as a step
function (each value holds until the next instant) over the simulated
period, so they are exact at hydraulic steps and never exceed the duration.
"""
from __future__ import annotations

from typing import Optional, Sequence

import numpy as np
import pandas as pd


def time_weights(times: np.ndarray) -> np.ndarray:
    """Hours each instant stands for."""
    times = np.asarray(times, dtype=float)
    if len(times) < 2:
        return np.ones(len(times))
    gaps = np.diff(times)
    return np.append(gaps, gaps[-1])


def extremes(values: np.ndarray, times: np.ndarray, ids: Sequence[str]) -> pd.DataFrame:
    """min, min_time, max, max_time (first instant reaching each) and the time-weighted mean."""
    times = np.asarray(times, dtype=float)
    w = time_weights(times)
    low, high = np.nanargmin(values, axis=0), np.nanargmax(values, axis=0)
    columns = np.arange(values.shape[1])
    return pd.DataFrame({
        "min": values[low, columns], "min_time": times[low],
        "max": values[high, columns], "max_time": times[high],
        "mean": w @ values / w.sum(),
    }, index=pd.Index(ids, name="id"))


def weighted_quantiles(values: np.ndarray, times: np.ndarray, ids: Sequence[str],
                       q: Sequence[float]) -> pd.DataFrame:
    """Per element, for each q the smallest value v such that the share of
    time at or below v is at least q."""
    q = np.atleast_1d(np.asarray(q, dtype=float))
    if ((q < 0) | (q > 1)).any():
        from .errors import InvalidValueError
        raise InvalidValueError(f"quantiles must lie in [0, 1], not {q.tolist()}", 5)
    w = time_weights(times)
    order = np.argsort(values, axis=0, kind="stable")
    ranked = np.take_along_axis(values, order, axis=0)
    share = np.cumsum(w[order], axis=0) / w.sum()
    out = np.empty((values.shape[1], len(q)))
    for j in range(values.shape[1]):
        rows = np.searchsorted(share[:, j], q - 1e-12, side="left")
        out[j] = ranked[np.minimum(rows, len(ranked) - 1), j]
    return pd.DataFrame(out, index=pd.Index(ids, name="id"), columns=pd.Index(q, name="q"))


def durations(values: np.ndarray, times: np.ndarray, ids: Sequence[str],
              above: Optional[float] = None, below: Optional[float] = None) -> pd.Series:
    """Hours per element with the value above `above` and/or below `below`
    (strictly), each value holding until the next instant."""
    if above is None and below is None:
        from .errors import InvalidValueError
        raise InvalidValueError("give a threshold: duration(name, above=...) or below=...", 5)
    inside = np.ones(values.shape, dtype=bool)
    if above is not None:
        inside &= values > above
    if below is not None:
        inside &= values < below
    held = np.append(np.diff(np.asarray(times, dtype=float)), 0.0) if len(times) else np.zeros(0)
    return pd.Series(held @ inside, index=pd.Index(ids, name="id"), name="hours")
