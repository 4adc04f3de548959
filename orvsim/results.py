"""Results of a run as pandas DataFrames (index: time in hours, columns:
element ids), at reporting instants or at every hydraulic step, with
time-weighted statistics per element."""
from __future__ import annotations

import warnings
from typing import TYPE_CHECKING, Dict, List, Optional, Sequence, Tuple

import numpy as np
import pandas as pd

import _pyorvsim as sim

from . import _engine as eng
from ._engine import NODE, TANK, text
from .errors import NoResultsError, SimulationWarning, UnknownAttributeError
from .network import unit_of
from .quantities import GROUPS, QUALITY_SYMBOLS
from .statistics import durations, extremes, time_weights, weighted_quantiles

if TYPE_CHECKING:
    import xarray

_COPY_ON_WRITE = int(pd.__version__.split(".")[0]) >= 3 or bool(pd.get_option("mode.copy_on_write"))
_SIM_WARNINGS = {1: "unbalanced instants", 2: "negative pressures", 3: "unstable devices",
                 4: "incomplete water-quality results"}


class _Run:
    """What one run left in the engine, shared by its reporting and step views."""

    def __init__(self, network):
        self.network = network
        self.live = True
        tables = network._all_tables()
        tank_ids = [text(*sim.getid(TANK, k)) for k in range(1, sim.nbobjects(TANK) + 1)]
        is_tank = set(tables["tanks"].index)
        self.tank_columns = [k for k, i in enumerate(tank_ids) if i in is_tank]
        self.all_tank_ids = tank_ids
        self.ids = {"node": list(tables["_nodes"].index), "link": list(tables["_links"].index),
                    "tank": [tank_ids[k] for k in self.tank_columns]}
        self.units = {name: unit_of(symbol) for _, quantities in GROUPS.values()
                      for name, symbol in quantities.items()}
        self.has_quality = bool(self.units["quality"])
        self.status = int(eng.variable("SIMSTATUS") or 0)
        self.message = eng.variable("SIMMESSAGE")
        self.unstable = _unstable_devices()
        self.last_hours = _last_instant()
        self.times = {"report": _report_times(self.last_hours), "steps": None}
        self.report_commands = _instant_commands(self.times["report"])
        self.frames: Dict[Tuple[str, str, str], pd.DataFrame] = {}
        self.columns = {group: pd.Index(ids, name="id") for group, ids in self.ids.items()}
        self._time_index: Dict[str, pd.Index] = {}

    def index(self, timing: str) -> pd.Index:
        if timing not in self._time_index:
            times = self.step_times() if timing == "steps" else self.times["report"]
            self._time_index[timing] = pd.Index(times, name="time")
        return self._time_index[timing]

    def step_times(self) -> np.ndarray:
        if self.times["steps"] is None:
            first = self.ids["node"][0]
            n = sim.tslen()
            t, _, got = eng.checked(lambda: sim.ts(NODE, first, "P", n))
            self.times["steps"] = t[:got].astype(float)
        return self.times["steps"]

    def frame(self, timing: str, group: str, name: str) -> Tuple[pd.DataFrame, bool]:
        """The frame, and whether it is a new object of the caller's own.

        While the engine holds this run, reporting-instant frames are read
        anew on every access (cheaper than copying a kept one); step frames,
        one series call per element, are kept. A kept frame is shared.
        """
        key = (timing, group, name)
        if key in self.frames:
            return self.frames[key], False
        numbering, quantities = GROUPS[group]
        if name not in quantities:
            raise UnknownAttributeError(f"no {group} result '{name}': one of {', '.join(quantities)}", 4)
        symbol = quantities[name]
        if symbol in QUALITY_SYMBOLS and not self.has_quality:
            raise NoResultsError("this run had no water-quality simulation: run(quality='age'|'trace'|'chemical')", 2)
        if not self.live:
            raise NoResultsError(
                f"the results of this run were replaced by a later run or load: read {group}['{name}'] "
                "at every step before running again", 2)
        with eng.lock:
            self.network._check()
            if timing == "report":
                values = _read_at_instants(numbering, symbol, self.report_commands)
            else:
                ids = self.all_tank_ids if group == "tank" else self.ids[group]
                values = _read_series(numbering, symbol, ids, len(self.step_times()))
        if group == "tank":
            values = values[:, self.tank_columns]
        frame = pd.DataFrame(values, index=self.index(timing), columns=self.columns[group], copy=False)
        if timing == "report":
            return frame, True
        self.frames[key] = frame
        return frame, False

    def _release(self) -> None:
        """Before the engine's results change: keeps every reporting-instant frame."""
        if not self.live:
            return
        try:
            for group, (_, quantities) in GROUPS.items():
                for name, symbol in quantities.items():
                    if symbol not in QUALITY_SYMBOLS or self.has_quality:
                        self.frames[("report", group, name)] = self.frame("report", group, name)[0]
        except Exception:  # the model went already (closed or replaced): nothing left to keep
            pass
        self.live = False


class Group:
    """Results of one element group (`res.node`, `res.link`, `res.tank`):
    `group[name]` is a DataFrame (time x id); statistics are per element,
    weighted by time (see `orvsim.statistics.time_weights`)."""

    def __init__(self, run: _Run, timing: str, name: str):
        self._run, self._timing, self._name = run, timing, name

    @property
    def names(self) -> List[str]:
        """The quantities available."""
        return [n for n, s in GROUPS[self._name][1].items() if s not in QUALITY_SYMBOLS or self._run.has_quality]

    def __getitem__(self, name: str) -> pd.DataFrame:
        frame, own = self._run.frame(self._timing, self._name, name)
        # With copy-on-write a shallow copy already protects a kept frame.
        return frame if own else frame.copy(deep=not _COPY_ON_WRITE)

    def __contains__(self, name: str) -> bool:
        return name in self.names

    def _values(self, name: str, ids: Optional[Sequence[str]]) -> pd.DataFrame:
        frame = self._run.frame(self._timing, self._name, name)[0]
        if ids is None:
            return frame
        ids = [ids] if isinstance(ids, str) else list(ids)
        missing = [i for i in ids if i not in frame.columns]
        if missing:
            from .errors import UnknownElementError
            raise UnknownElementError(f"no {self._name} '{missing[0]}' in these results", 3)
        return frame[ids]

    def stats(self, name: str, ids: Optional[Sequence[str]] = None) -> pd.DataFrame:
        """Per element: min, min_time, max, max_time (first instants reaching
        them, hours) and the time-weighted mean."""
        frame = self._values(name, ids)
        return extremes(frame.to_numpy(), frame.index.to_numpy(), frame.columns)

    def mean(self, name: str, ids: Optional[Sequence[str]] = None) -> pd.Series:
        """Time-weighted mean per element."""
        return self.stats(name, ids)["mean"]

    def quantiles(self, name: str, q: Sequence[float], ids: Optional[Sequence[str]] = None) -> pd.DataFrame:
        """Time-weighted quantiles per element (rows: ids, columns: q)."""
        frame = self._values(name, ids)
        return weighted_quantiles(frame.to_numpy(), frame.index.to_numpy(), frame.columns, q)

    def duration(self, name: str, above: Optional[float] = None, below: Optional[float] = None,
                 ids: Optional[Sequence[str]] = None) -> pd.Series:
        """Hours per element during which the value is above `above` and/or below `below`."""
        frame = self._values(name, ids)
        return durations(frame.to_numpy(), frame.index.to_numpy(), frame.columns, above, below)


class Result:
    """The results of one run. `node`, `link`, `tank` hold the quantities
    (node: pressure, head, demand, quality; link: flow, velocity, headloss,
    status, setting, quality; tank: level, volume) at reporting instants;
    `steps` the same at every hydraulic step. `warnings` lists the run's
    warnings, `units` the display units."""

    def __init__(self, run: _Run, timing: str = "report"):
        self._run, self._timing = run, timing
        self.node = Group(run, timing, "node")
        self.link = Group(run, timing, "link")
        self.tank = Group(run, timing, "tank")

    @classmethod
    def _after_run(cls, network) -> "Result":
        run = _Run(network)
        eng.hold_results(run)
        result = cls(run)
        for message in result.warnings:
            warnings.warn(message, SimulationWarning, stacklevel=3)
        return result

    @property
    def steps(self) -> "Result":
        """The same results at every hydraulic step."""
        return Result(self._run, "steps")

    @property
    def times(self) -> np.ndarray:
        """Instants of this view, hours from the start."""
        return self._run.step_times() if self._timing == "steps" else self._run.times["report"]

    @property
    def weights(self) -> np.ndarray:
        """Hours each instant stands for in the statistics."""
        return time_weights(self.times)

    @property
    def units(self) -> Dict[str, str]:
        """Display unit of every quantity, by name (quality: that of the run's option)."""
        return dict(self._run.units)

    @property
    def status(self) -> int:
        """0 for a clean run, 1-4 for a run with warnings (docs/commands.md, SIMSTATUS)."""
        return self._run.status

    @property
    def unstable(self) -> List[str]:
        """Pumps and valves whose status did not settle or that could not meet their setting."""
        return list(self._run.unstable)

    @property
    def warnings(self) -> List[str]:
        """The run's warnings, as they were warned."""
        if self._run.status in (0, -1):
            return []
        if self._run.status > 100:
            message = f"the run stopped early, results end at {self._run.last_hours:g} h: {self._run.message}"
        else:
            what = _SIM_WARNINGS.get(self._run.status, f"status {self._run.status}")
            message = f"the run completed with {what}: {self._run.message}".rstrip(": ")
        if self._run.unstable:
            message += f" (unstable: {', '.join(self._run.unstable)})"
        return [message]

    def to_xarray(self) -> "xarray.Dataset":
        """Every available quantity as one xarray Dataset (dimensions time and
        node / link / tank); needs the `xarray` package (pip install orvsim[xarray])."""
        try:
            import xarray as xr
        except ImportError as e:
            raise ImportError("to_xarray needs the xarray package: pip install xarray") from e
        data = {}
        for group in (self.node, self.link, self.tank):
            for name in group.names:
                frame = self._run.frame(self._timing, group._name, name)[0]
                data[f"{group._name}_{name}"] = xr.DataArray(
                    frame.to_numpy(), dims=("time", group._name),
                    coords={"time": frame.index.to_numpy(), group._name: list(frame.columns)},
                    attrs={"units": self._run.units[name]})
        return xr.Dataset(data, attrs={"network": self._run.network.path})


# --- engine reads -------------------------------------------------------------------
def _last_instant() -> float:
    before = eng.variable("INSTANT")
    eng.status_checked(sim.cmd("INSTANT LAST"))
    last = float(eng.variable("INSTANT"))
    eng.status_checked(sim.cmd(f"INSTANT {before}"))
    return last


def _report_times(last: float) -> np.ndarray:
    start, step = float(eng.variable("REPORTSTART")), float(eng.variable("REPORTSTEP"))
    if start > last:
        return np.array([last])
    count = int(np.floor((last - start) / step + 1e-9)) + 1 if step > 0 else 1
    return start + step * np.arange(count)


def _instant_commands(hours: np.ndarray) -> List[str]:
    return [f"INSTANT {int(round(h * 3600))} SEC" for h in hours]


def _read_at_instants(numbering: int, symbol: str, commands: List[str]) -> np.ndarray:
    n = sim.nbobjects(numbering)
    out = np.empty((len(commands), n), dtype=np.float32)
    # The symbol comes from orvsim's table and the run's results are checked
    # to be the engine's: the vectors cannot fail, the instants are checked.
    before_instant = eng.variable("INSTANT")
    cmd, getall, refused = sim.cmd, sim.getall, 0
    for row, command in enumerate(commands):
        refused |= cmd(command)
        out[row] = getall(numbering, symbol, n)
    eng.status_checked(sim.cmd(f"INSTANT {before_instant}") | refused)
    return out


def _read_series(numbering: int, symbol: str, ids: List[str], steps: int) -> np.ndarray:
    out = np.empty((steps, len(ids)), dtype=np.float32)
    before = eng.failures()
    for column, element_id in enumerate(ids):
        _, values, got = sim.ts(numbering, element_id, symbol, steps)
        out[:, column] = values[:steps]
    if eng.failures() != before:
        raise eng.last_failure()
    return out


def _unstable_devices() -> List[str]:
    devices = []
    for _ in range(max(sim.unstablecount(), 0)):
        item, _, length = sim.nextunstableentry()
        devices.append(text(item, length))
    return devices
