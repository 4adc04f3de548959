"""The network corpus that tests/fetch_networks.py extracts (build/networks/**)."""
import os
import tempfile

from engine_build import REPO

CORPUS = REPO / "build" / "networks"


def corpus():
    """Every network tests/fetch_networks.py extracted, or []."""
    return sorted(CORPUS.rglob("*.inp")) if CORPUS.is_dir() else []


def node_count(inp):
    import epanet.toolkit as en
    ph = en.createproject()
    try:
        with tempfile.TemporaryDirectory() as tmp:  # its report, not standard output
            en.open(ph, str(inp), os.path.join(tmp, "r.rpt"), "")
            return en.getcount(ph, en.NODECOUNT)
    except Exception:
        return None
    finally:
        try:
            en.close(ph)
        except Exception:
            pass
        en.deleteproject(ph)
