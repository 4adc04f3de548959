"""Networks of the orvsim tests: the town shipped in examples/, and Net3 of
the corpus (tests/fetch_networks.py) where it was fetched."""
import warnings
from pathlib import Path

import pytest

pytest.importorskip("pandas")

import orvsim  # noqa: E402

REPO = Path(__file__).resolve().parents[2]
TOWN = REPO / "examples" / "town.inp"
NET3 = REPO / "build" / "networks" / "epyt" / "asce-tf-wdst" / "Net3.inp"


@pytest.fixture
def town():
    with orvsim.Network(TOWN) as net:
        yield net


@pytest.fixture
def town_result(town):
    with warnings.catch_warnings():
        warnings.simplefilter("error", orvsim.SimulationWarning)
        return town.run(quality="age")


@pytest.fixture
def net3():
    if not NET3.exists():
        pytest.skip("the corpus is not fetched (python tests/fetch_networks.py)")
    with orvsim.Network(NET3) as net:
        yield net


def write(path, text):
    path.write_text(text)
    return path
