"""The model: `Network(path)` with its element tables, element access,
vectorised setters, saving, runs and the graph."""
from __future__ import annotations

import os
from typing import TYPE_CHECKING, Any, Dict, Iterable, List, Mapping, Optional, Tuple, Union

import numpy as np
import pandas as pd

import _pyorvsim as sim

from . import _engine as eng
from ._engine import BRANCH, NODE, TANK, text
from .errors import InvalidValueError, NoModelError, OrvsimError, UnknownAttributeError, UnknownElementError
from .tables import KIND_BY_NAME, KIND_OF_TYPE, KINDS, Column, Kind

if TYPE_CHECKING:
    import networkx

    from .results import Result

Ids = Union[str, Iterable[str]]
QUALITY_WORDS = {"none": "NONE", "age": "AGE", "trace": "TRACE", "chemical": "CHEMICAL"}


class Network:
    """A network model loaded from an INP file.

    One model per process: loading another `Network` replaces this one's
    model in the engine, after which every use of this object raises
    `NoModelError` instead of reading the other model's data.

    Tables (`junctions`, `reservoirs`, `tanks`, `pipes`, `pumps`, `valves`)
    are pandas DataFrames indexed by id, in the model's display units
    (`units` names them).
    """

    def __init__(self, path: Union[str, os.PathLike]):
        self.path = os.path.abspath(os.fspath(path))
        eng.open_engine()
        with eng.lock:
            eng.command(f"LOAD {eng.quote(self.path)}", path=self.path)
            self._serial = eng.model_serial()
        self._closed = False
        self._tables: Optional[Dict[str, pd.DataFrame]] = None
        self._file_tables: Optional[Dict[str, pd.DataFrame]] = None  # as the file gives them
        self._changed = False

    # --- ownership of the engine's model ------------------------------------
    def _check(self) -> None:
        if self._closed:
            raise NoModelError(f"the network {self.path} is closed")
        if eng.model_serial() != self._serial:
            raise NoModelError(
                f"the model of this network ({self.path}) was replaced by another load: the engine holds "
                "one model per process; open it again with orvsim.Network(path)", 1)

    def close(self) -> None:
        """Drops the model from the engine (when it still holds this one)."""
        with eng.lock:
            if not self._closed and eng.model_serial() == self._serial:
                eng.command("UNLOAD")
            self._closed = True

    def __enter__(self) -> "Network":
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def __repr__(self) -> str:
        state = "closed" if self._closed else f"{sim.nbobjects(NODE)} nodes, {sim.nbobjects(BRANCH)} links"
        return f"<orvsim.Network {os.path.basename(self.path)}: {state}>"

    # --- tables ---------------------------------------------------------------
    def _all_tables(self) -> Dict[str, pd.DataFrame]:
        with eng.lock:
            self._check()
            if self._tables is None:
                self._tables = _read_tables()
                if not self._changed:
                    self._file_tables = self._tables
            return self._tables

    def table(self, name: str) -> pd.DataFrame:
        """The element table `name` (junctions, reservoirs, tanks, pipes, pumps, valves); a copy."""
        if name not in KIND_BY_NAME:
            raise UnknownAttributeError(f"no element table '{name}': one of {', '.join(KIND_BY_NAME)}")
        return self._all_tables()[name].copy()

    junctions = property(lambda self: self.table("junctions"), doc="Junctions, indexed by id.")
    reservoirs = property(lambda self: self.table("reservoirs"), doc="Reservoirs, indexed by id.")
    tanks = property(lambda self: self.table("tanks"), doc="Tanks, indexed by id.")
    pipes = property(lambda self: self.table("pipes"), doc="Pipes (check-valve pipes: type CVPIPE), indexed by id.")
    pumps = property(lambda self: self.table("pumps"), doc="Pumps, indexed by id.")
    valves = property(lambda self: self.table("valves"), doc="Valves, indexed by id.")

    @property
    def node_ids(self) -> List[str]:
        """Every node id in the engine's numbering (junctions, reservoirs, tanks)."""
        return list(self._all_tables()["_nodes"].index)

    @property
    def link_ids(self) -> List[str]:
        """Every link id in the engine's numbering (pipes, pumps, valves)."""
        return list(self._all_tables()["_links"].index)

    def kind_of(self, element_id: str, links: Optional[bool] = None) -> str:
        """Table name of an element (`links` True/False restricts to links/nodes)."""
        t = self._all_tables()
        found = [g for g, wanted in (("_nodes", links is not True), ("_links", links is not False))
                 if wanted and element_id in t[g].index]
        if not found:
            raise UnknownElementError(f"unknown {'link' if links else 'node' if links is False else 'element'} "
                                      f"'{element_id}' in {os.path.basename(self.path)}", 3)
        if len(found) > 1:
            raise UnknownElementError(f"'{element_id}' is both a node and a link: use net.node() or net.link()", 3)
        return t[found[0]].at[element_id, "kind"]

    def node(self, node_id: str) -> pd.Series:
        """The table row of a node, with its table name as `kind`."""
        return self._row(node_id, False)

    def link(self, link_id: str) -> pd.Series:
        """The table row of a link, with its table name as `kind`."""
        return self._row(link_id, True)

    def __getitem__(self, element_id: str) -> pd.Series:
        return self._row(element_id, None)

    def _row(self, element_id: str, links: Optional[bool]) -> pd.Series:
        kind = self.kind_of(element_id, links)
        row = self._all_tables()[kind].loc[element_id].copy()
        row["kind"] = kind
        return row

    @property
    def units(self) -> Dict[str, str]:
        """Display unit of every numeric column and result quantity, by name."""
        from .quantities import GROUPS
        with eng.lock:
            self._check()
            names = {c.name: c.source for k in KINDS for c in k.columns if not c.text}
            for _, quantities in GROUPS.values():
                names.update(quantities)
            return {name: unit_of(symbol) for name, symbol in names.items()}

    def variable(self, name: str) -> str:
        """A system variable of the engine (docs/commands.md), whole."""
        with eng.lock:
            self._check()
            return eng.variable(name)

    # --- editing ----------------------------------------------------------------
    def set(self, ids: Optional[Ids] = None, **columns: Any) -> None:
        """Sets table columns of one element or many: `net.set("P3", roughness=95)`,
        `net.set(["P1", "P2"], status="closed")`, `net.set(demands_series_by_id)`...

        Each value is a scalar (for every id), a sequence (one per id) or a
        mapping / pandas Series by id (then `ids` may be left out). Settable
        columns: elevation, base_demand, emitter, head, init_level, min_level,
        max_level, diameter, length, roughness, minor_loss, setting, status
        (open/closed/active). Everything is checked first; when the engine
        refuses a value, the values already set by this call are restored.
        """
        if not columns:
            raise InvalidValueError("nothing to set: name a column, e.g. net.set('P1', roughness=100)")
        with eng.lock:
            tables = self._all_tables()
            changes = self._plan(tables, ids, columns)
            done: List[Tuple[Kind, Column, str, Any]] = []
            try:
                for kind, column, element_id, value in changes:
                    old = tables[kind.name].at[element_id, column.name]
                    try:
                        _assign(kind, column, element_id, value)
                    except OrvsimError as e:
                        shown = value.lower() if column.text else format(value, "g")
                        e.message = f"cannot set {column.name} of {element_id} to {shown}: {e.message}"
                        raise
                    done.append((kind, column, element_id, old))
            except Exception:
                for kind, column, element_id, old in reversed(done):
                    _assign(kind, column, element_id, old)
                raise
            finally:
                self._tables = None
                self._changed = True

    def _plan(self, tables, ids, columns) -> List[Tuple[Kind, Column, str, Any]]:
        plan = []
        for name, values in columns.items():
            targets = _ids_for(ids, values, name)
            per_id = _spread(values, targets, name)
            for element_id, value in zip(targets, per_id):
                kind = KIND_BY_NAME[self.kind_of(element_id, links=_is_link_column(name))]
                column = kind.column(name)
                if column is None or not column.settable:
                    settable = [c.name for c in kind.columns if c.settable]
                    raise UnknownAttributeError(f"'{name}' cannot be set for {kind.name[:-1]} {element_id}: "
                                                f"settable are {', '.join(settable)}", 4)
                if column.text:
                    value = str(value).upper()
                    if value not in ("OPEN", "CLOSED", "ACTIVE"):
                        raise InvalidValueError(
                            f"status of {element_id} must be open, closed or active, not {value!r}", 5)
                else:
                    try:
                        value = float(value)
                    except (TypeError, ValueError):
                        raise InvalidValueError(f"{name} of {element_id} must be a number, not {value!r}", 5) from None
                    if not np.isfinite(value):
                        raise InvalidValueError(f"{name} of {element_id} must be finite, not {value}", 5)
                plan.append((kind, column, element_id, value))
        return plan

    def open_links(self, ids: Ids) -> None:
        """Opens links (initial status OPEN)."""
        self.set(ids, status="open")

    def close_links(self, ids: Ids) -> None:
        """Closes links (initial status CLOSED)."""
        self.set(ids, status="closed")

    def command(self, line: str) -> None:
        """Runs a line of the command language (docs/commands.md) on this
        network's model; raises on failure. `revert()` afterwards reloads the file."""
        with eng.lock:
            self._check()
            word = line.split(None, 1)[0].upper() if line.strip() else ""
            if word in ("LOAD", "UNLOAD", "RUN"):
                raise InvalidValueError(f"{word} would replace this network's model: use orvsim.Network(path)", 7)
            eng.command(line)
            self._tables = None
            self._changed = self._changed or word not in ("INSTANT", "SELECT", "SAVE")

    def revert(self) -> None:
        """Undoes every change made through `set`, `command` or a run's
        quality option: the model is read again from its file (values pass
        the setters as 4-byte display values, so setting the old ones back
        would not give the file's model exactly). Nothing to do without changes."""
        with eng.lock:
            self._check()
            if self._changed:
                eng.command(f"LOAD {eng.quote(self.path)}", path=self.path)
                self._serial = eng.model_serial()
                self._changed = False
                self._tables = self._file_tables

    def save(self, path: Union[str, os.PathLike]) -> None:
        """Writes the model, with every change, as an INP file."""
        path = os.path.abspath(os.fspath(path))
        with eng.lock:
            self._check()
            eng.command(f"SAVE {eng.quote(path)}", path=path)

    # --- runs -------------------------------------------------------------------
    def run(self, quality: Optional[str] = None, source: Optional[str] = None,
            chemical: str = "Chlorine", chemical_unit: str = "mg/L") -> "Result":
        """Runs the extended-period simulation and returns its `Result`.

        `quality`: None keeps the model's own water-quality option; "none",
        "age", "trace" (with `source`, the traced node) or "chemical" sets it
        (it stays the model's option, and is saved with it). Warnings of the
        run become `SimulationWarning`s and stay on `Result.warnings`.
        """
        from .results import Result
        with eng.lock:
            self._check()
            if quality is not None:
                eng.command(_quality_line(quality, source, chemical, chemical_unit))
                self._changed = True
            eng.command("SIMULATE")
            return Result._after_run(self)

    # --- geometry and graph -----------------------------------------------------
    def link_paths(self) -> Dict[str, np.ndarray]:
        """Polyline of every link (start node, vertices, end node) as an (n, 2)
        array of coordinates, by id; links whose ends lack coordinates are left out."""
        with eng.lock:
            self._check()
            paths = {}
            for link_id in self.link_ids:
                n = sim.branchxylen(link_id)
                if n < 2:
                    continue
                xb, yb, _, _, got = sim.branchxyzv(link_id, "", n)
                xy = np.column_stack([xb[:got], yb[:got]]).astype(float)
                if np.isfinite(xy).all():
                    paths[link_id] = xy
            return paths

    def to_networkx(self) -> "networkx.MultiDiGraph":
        """The network as a networkx MultiDiGraph: nodes by id with `kind`,
        `elevation` (reservoirs: head), `pos` (x, y); edges start -> end keyed
        by link id with `kind`, `length` (pipes; 0 for pumps and valves) and `diameter`."""
        import networkx as nx
        tables = self._all_tables()
        graph = nx.MultiDiGraph(name=os.path.basename(self.path))
        for kind in ("junctions", "reservoirs", "tanks"):
            t = tables[kind]
            height = t["head"] if kind == "reservoirs" else t["elevation"]
            for node_id, x, y, z in zip(t.index, t["x"], t["y"], height):
                graph.add_node(node_id, kind=kind, elevation=float(z), pos=(float(x), float(y)))
        for kind in ("pipes", "pumps", "valves"):
            t = tables[kind]
            length = t["length"] if "length" in t else pd.Series(0.0, index=t.index)
            diameter = t["diameter"] if "diameter" in t else pd.Series(np.nan, index=t.index)
            for link_id, a, b, ln, d in zip(t.index, t["start_node"], t["end_node"], length, diameter):
                graph.add_edge(a, b, key=link_id, id=link_id, kind=kind, length=float(ln), diameter=float(d))
        return graph


# --- helpers -----------------------------------------------------------------------
def unit_of(symbol: str) -> str:
    name, length = sim.getunit(symbol)
    return text(name, length)


def _count(numbering: int) -> int:
    n = sim.nbobjects(numbering)
    eng.status_checked(0 if n >= 0 else n)
    return n


def _read_tables() -> Dict[str, pd.DataFrame]:
    """Every element table, read in one pass per numbering."""
    tables: Dict[str, pd.DataFrame] = {}
    ids = {}
    types = {}
    for numbering in (NODE, BRANCH, TANK):
        n = _count(numbering)
        ids[numbering] = [text(*sim.getid(numbering, k)) for k in range(1, n + 1)]
        if numbering != TANK:
            types[numbering] = [text(*sim.nstrattr(numbering, k, "TYPE")) for k in range(1, n + 1)]
    tank_row = {tank_id: k for k, tank_id in enumerate(ids[TANK])}
    numeric_cache: Dict[Tuple[int, str], np.ndarray] = {}

    def numeric(numbering: int, symbol: str) -> np.ndarray:
        key = (numbering, symbol)
        if key not in numeric_cache:
            n = len(ids[numbering])
            numeric_cache[key] = eng.checked(lambda: sim.getall(numbering, symbol, n)).astype(float)
        return numeric_cache[key]

    for group, numbering in (("_nodes", NODE), ("_links", BRANCH)):
        kinds = []
        for element_type in types[numbering]:
            kind = KIND_OF_TYPE.get(element_type.upper())
            kinds.append(kind.name if kind else element_type.lower())
        tables[group] = pd.DataFrame({"kind": kinds}, index=pd.Index(ids[numbering], name="id"))
    for kind in KINDS:
        rows = [k for k, t in enumerate(types[kind.numbering]) if t.upper() in kind.types]
        element_ids = [ids[kind.numbering][k] for k in rows]
        data = {}
        for column in kind.columns:
            if column.text:
                data[column.name] = [text(*sim.nstrattr(kind.numbering, k + 1, column.source)) for k in rows]
            elif column.numbering == TANK:
                values = numeric(TANK, column.source)
                data[column.name] = [values[tank_row[i]] for i in element_ids]
            else:
                data[column.name] = numeric(kind.numbering, column.source)[rows]
        tables[kind.name] = pd.DataFrame(data, index=pd.Index(element_ids, name="id"),
                                         columns=[c.name for c in kind.columns])
    return tables


def _is_link_column(name: str) -> Optional[bool]:
    in_nodes = any(k.column(name) for k in KINDS if k.numbering == NODE)
    in_links = any(k.column(name) for k in KINDS if k.numbering == BRANCH)
    if not (in_nodes or in_links):
        known = sorted({c.name for k in KINDS for c in k.columns if c.settable})
        raise UnknownAttributeError(f"unknown column '{name}': settable are {', '.join(known)}", 4)
    return None if in_nodes and in_links else in_links


def _ids_for(ids: Optional[Ids], values: Any, name: str) -> List[str]:
    if ids is None:
        if isinstance(values, (Mapping, pd.Series)):
            return [str(i) for i in values.keys()]
        raise InvalidValueError(f"give the ids whose {name} to set, or the values as a Series or dict by id")
    if isinstance(ids, str):
        return [ids]
    return [str(i) for i in ids]


def _spread(values: Any, ids: List[str], name: str) -> List[Any]:
    if isinstance(values, (Mapping, pd.Series)):
        missing = [i for i in ids if i not in values]
        if missing:
            raise UnknownElementError(f"no {name} given for {', '.join(missing[:5])}", 3)
        return [values[i] for i in ids]
    if isinstance(values, (str, bytes)) or np.ndim(values) == 0:
        return [values] * len(ids)
    values = list(values)
    if len(values) != len(ids):
        raise InvalidValueError(f"{len(values)} values of {name} for {len(ids)} ids", 5)
    return values


def _assign(kind: Kind, column: Column, element_id: str, value: Any) -> None:
    if column.text:
        eng.command(f"SET BRANCH {eng.quote(element_id)} STATUS {value}")
    elif kind.numbering == NODE:
        eng.status_checked(sim.setnodeattrbyid(element_id, column.source, float(value)))
    else:
        eng.status_checked(sim.setbranchattrbyid(element_id, column.source, float(value)))


def _quality_line(quality: str, source: Optional[str], chemical: str, unit: str) -> str:
    word = QUALITY_WORDS.get(str(quality).lower())
    if word is None:
        raise InvalidValueError(f"quality must be None, 'none', 'age', 'trace' or 'chemical', not {quality!r}", 5)
    if word == "TRACE":
        if not source:
            raise InvalidValueError("a trace run needs the traced node: run(quality='trace', source='R1')", 5)
        return f"QUALITY TRACE {eng.quote(source)}"
    if word == "CHEMICAL":
        return f"QUALITY CHEMICAL {eng.quote(chemical)} {unit}"
    return f"QUALITY {word}"
