"""What the element tables of a Network hold: one declaration per column.

A column reads a numeric attribute (a symbol of docs/attributes.md, in the
model's display units) or a text attribute; those with a `settable` symbol
or text can be changed with `Network.set`.
"""
from __future__ import annotations

from dataclasses import dataclass
from typing import Optional, Tuple

from ._engine import BRANCH, NODE, TANK


@dataclass(frozen=True)
class Column:
    name: str
    source: str                    # attribute symbol, or text attribute name when `text`
    text: bool = False
    settable: bool = False
    numbering: int = 0             # element numbering read from (0: that of the table)


@dataclass(frozen=True)
class Kind:
    name: str                      # table name: junctions, pipes, ...
    numbering: int                 # NODE or BRANCH
    types: Tuple[str, ...]         # TYPE texts of its elements
    columns: Tuple[Column, ...]

    def column(self, name: str) -> Optional[Column]:
        return next((c for c in self.columns if c.name == name), None)


def _num(name, symbol, settable=False, numbering=0):
    return Column(name, symbol, settable=settable, numbering=numbering)


def _text(name, attribute, settable=False):
    return Column(name, attribute, text=True, settable=settable)


_XY = (_num("x", "X"), _num("y", "Y"))
_TAG = _text("tag", "TAG")
_ENDS = (_text("start_node", "NI"), _text("end_node", "NF"))
_STATUS = _text("status", "STATUS", settable=True)

KINDS = (
    Kind("junctions", NODE, ("JUNCTION",), (
        _num("elevation", "Z", True), _num("base_demand", "BD", True), _text("pattern", "PATTERN"),
        _num("emitter", "EC", True), *_XY, _TAG)),
    Kind("reservoirs", NODE, ("RESERVOIR",), (
        _num("head", "Z", True), _text("pattern", "PATTERN"), *_XY, _TAG)),
    Kind("tanks", NODE, ("TANK",), (
        _num("elevation", "Z", True), _num("init_level", "LI", True, TANK),
        _num("min_level", "LN", True, TANK), _num("max_level", "LX", True, TANK),
        _num("diameter", "TD", True, TANK), *_XY, _TAG)),
    Kind("pipes", BRANCH, ("PIPE", "CVPIPE"), (
        *_ENDS, _num("length", "L", True), _num("diameter", "DI", True), _num("roughness", "R", True),
        _num("minor_loss", "K", True), _STATUS, _text("type", "TYPE"), _TAG)),
    Kind("pumps", BRANCH, ("PUMP",), (
        *_ENDS, _num("setting", "SI", True), _STATUS, _TAG)),
    Kind("valves", BRANCH, ("PRV", "PSV", "PBV", "FCV", "TCV", "GPV"), (
        *_ENDS, _text("type", "TYPE"), _num("diameter", "DI", True), _num("setting", "SI", True),
        _num("minor_loss", "K", True), _STATUS, _TAG)),
)

KIND_BY_NAME = {k.name: k for k in KINDS}
KIND_OF_TYPE = {t: k for k in KINDS for t in k.types}
