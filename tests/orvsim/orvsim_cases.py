"""Networks of the orvsim tests: the town shipped in examples/, and Net3 of
the corpus (tests/fetch_networks.py) where it was fetched."""
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
TOWN = REPO / "examples" / "town.inp"
NET3 = REPO / "build" / "networks" / "epyt" / "asce-tf-wdst" / "Net3.inp"


def write(path, text):
    path.write_text(text)
    return path
