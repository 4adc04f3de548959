"""Result quantities by the names users type, and their attribute symbols."""
from __future__ import annotations

from ._engine import BRANCH, NODE, TANK

NODE_RESULTS = {"pressure": "P", "head": "H", "demand": "D", "quality": "C"}
LINK_RESULTS = {"flow": "Q", "velocity": "V", "headloss": "HL", "status": "S", "setting": "ST",
                "quality": "CB"}
TANK_RESULTS = {"level": "LV", "volume": "VO"}

# Element group name -> (element numbering, quantities).
GROUPS = {
    "node": (NODE, NODE_RESULTS),
    "link": (BRANCH, LINK_RESULTS),
    "tank": (TANK, TANK_RESULTS),
}
QUALITY_SYMBOLS = {"C", "CB"}
