"""Scenario batches on Dask distributed.

    def low_pressure(net, scenario):
        net.set(net.junctions.index, base_demand=net.junctions.base_demand * scenario["factor"])
        return {"min_pressure": net.run().node["pressure"].min().min()}

    table = orvsim.scenarios.run(low_pressure, [{"factor": f} for f in (0.8, 1.0, 1.2)],
                                 network="town.inp")

The engine holds one model per process and keeps the interpreter busy
during a run, so scenarios run in worker processes: a local cluster of
processes by default, or any `dask.distributed.Client` (or scheduler
address) given as `client`, so the same script runs on a laptop and on a
cluster. Each worker opens the network once and reverts the changes of a
scenario (`Network.revert`, which reads the file again) before the next one,
so a scenario's result does not depend on the worker that ran it.
"""
from __future__ import annotations

import os
import traceback
import warnings
from typing import Any, Callable, Dict, Hashable, Iterable, List, Mapping, Optional, Tuple, Union

import pandas as pd

from . import _engine as eng

# The network each worker process keeps loaded between its scenarios.
_worker_network: Dict[str, Any] = {}


def run(func: Callable, scenarios: Union[Iterable[Any], Mapping[Hashable, Any]], client: Any = None, *,
        network: Optional[Union[str, os.PathLike]] = None, progress: Optional[bool] = None,
        workers: Optional[int] = None) -> pd.DataFrame:
    """Maps `func` over `scenarios` on Dask workers and gathers one row per scenario.

    - `func(net, scenario)` when `network` (an INP path) is given, with that
      network loaded once per worker and reverted after every scenario;
      `func(scenario)` otherwise.
    - `scenarios`: a list (rows numbered from 0) or a dict (rows by key).
    - `client`: None for a local cluster of `workers` processes (default: the
      number of CPUs) made for this batch; a `dask.distributed.Client`; or a
      scheduler address.
    - `progress`: a tqdm progress bar (terminal or notebook); by default shown
      for batches of more than 20 scenarios.

    A dict or Series returned by `func` gives columns, anything else the
    column `value`. A failed scenario does not stop the batch: its row holds
    the failure in the column `error` (None where the scenario succeeded).
    Warnings of a scenario's runs go to the column `warnings`.
    """
    from dask.distributed import Client, LocalCluster, as_completed

    keys, items = _keyed(scenarios)
    path = os.path.abspath(os.fspath(network)) if network is not None else None
    own_cluster = own_client = None
    if client is None:
        own_cluster = LocalCluster(n_workers=workers or os.cpu_count() or 1, threads_per_worker=1,
                                   processes=True, dashboard_address=":0")
        client = own_client = Client(own_cluster)
    elif isinstance(client, str):
        client = own_client = Client(client)
    try:
        futures = client.map(_run_one, [func] * len(items), items, [path] * len(items),
                             key=[f"orvsim-scenario-{k}-{os.urandom(4).hex()}" for k in range(len(items))])
        position = {f.key: k for k, f in enumerate(futures)}
        rows: List[Optional[Dict[str, Any]]] = [None] * len(items)
        bar = _progress(len(items), progress)
        try:
            for future in as_completed(futures):
                try:
                    rows[position[future.key]] = future.result()
                except Exception as e:  # the worker itself failed (lost, killed, unpicklable result)
                    rows[position[future.key]] = {"error": f"{type(e).__name__}: {e}"}
                if bar is not None:
                    bar.update(1)
        finally:
            if bar is not None:
                bar.close()
    finally:
        if own_client is not None:
            own_client.close()
        if own_cluster is not None:
            own_cluster.close()
    return _table(keys, rows)


def run_local(func: Callable, scenarios: Union[Iterable[Any], Mapping[Hashable, Any]], *,
              network: Optional[Union[str, os.PathLike]] = None) -> pd.DataFrame:
    """The same batch in this process, one scenario after the other (for
    debugging a scenario function, and as the serial baseline)."""
    keys, items = _keyed(scenarios)
    path = os.path.abspath(os.fspath(network)) if network is not None else None
    return _table(keys, [_run_one(func, item, path) for item in items])


def _table(keys: List[Hashable], rows: List[Dict[str, Any]]) -> pd.DataFrame:
    table = pd.DataFrame(rows, index=pd.Index(keys, name="scenario"))
    if "error" not in table:
        table["error"] = None
    table["error"] = table["error"].astype(object).where(table["error"].notna(), None)
    return table


def _keyed(scenarios) -> Tuple[List[Hashable], List[Any]]:
    if isinstance(scenarios, Mapping):
        return list(scenarios.keys()), list(scenarios.values())
    items = list(scenarios)
    return list(range(len(items))), items


def _progress(total: int, wanted: Optional[bool]):
    if wanted is False or (wanted is None and total <= 20):
        return None
    from tqdm.auto import tqdm
    return tqdm(total=total, desc="scenarios", unit="scenario")


def _run_one(func: Callable, scenario: Any, path: Optional[str]) -> Dict[str, Any]:
    """One scenario in a worker: its row, or its failure in `error`; the
    warnings of its runs in `warnings` rather than on the worker's log."""
    from .errors import SimulationWarning
    with eng.lock, warnings.catch_warnings(record=True) as caught:  # one engine per process
        warnings.simplefilter("always", SimulationWarning)
        net = None
        try:
            if path is None:
                value = func(scenario)
            else:
                net = _network(path)
                value = func(net, scenario)
            row = _row(value)
            row["error"] = None
        except Exception as e:
            row = {"error": traceback.format_exception_only(type(e), e)[-1].strip()}
        finally:
            if net is not None:
                _reset(path)
        messages = [str(w.message) for w in caught if issubclass(w.category, SimulationWarning)]
        if messages:
            row["warnings"] = "; ".join(messages)
        return row


def _network(path: str):
    from .network import Network
    net = _worker_network.get(path)
    if net is None or net._closed or eng.model_serial() != net._serial:
        _worker_network.clear()
        net = _worker_network[path] = Network(path)
    return net


def _reset(path: str) -> None:
    net = _worker_network.get(path)
    try:
        net.revert()
    except Exception:  # a scenario that broke the model: load it afresh next time
        _worker_network.clear()


def _row(value: Any) -> Dict[str, Any]:
    if isinstance(value, pd.Series):
        return value.to_dict()
    if isinstance(value, Mapping):
        return dict(value)
    return {"value": value}
