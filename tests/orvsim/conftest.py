"""Fixtures of the orvsim tests: the town network with a run of it, and Net3."""
import warnings

import pytest

pytest.importorskip("pandas")

import orvsim  # noqa: E402
from orvsim_cases import NET3, TOWN  # noqa: E402


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
