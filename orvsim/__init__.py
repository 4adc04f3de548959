"""orvsim: water distribution network models from Python.

    import orvsim
    with orvsim.Network("town.inp") as net:
        res = net.run(quality="age")
        res.node["pressure"].loc[12.0]          # pressures at 12 h, by node id

Built on the engine modules `_pyorvsim` and `_pyorvutl`; the engine holds one
model per process (see `Network`). `orvsim.plot` draws maps and series,
`orvsim.scenarios` runs scenario batches on Dask.
"""
from .errors import (InputError, InvalidValueError, NoModelError, NoResultsError, OrvsimError,
                     SimulationError, SimulationWarning, UnknownAttributeError, UnknownElementError)
from .network import Network
from .results import Group, Result

__all__ = ["Network", "Result", "Group", "OrvsimError", "InputError", "UnknownElementError",
           "UnknownAttributeError", "NoModelError", "NoResultsError", "SimulationError",
           "InvalidValueError", "SimulationWarning", "plot", "scenarios"]


def __getattr__(name):
    # matplotlib and dask are imported only by the scripts that use them
    if name in ("plot", "scenarios"):
        import importlib
        return importlib.import_module(f".{name}", __name__)
    raise AttributeError(f"module 'orvsim' has no attribute {name!r}")
