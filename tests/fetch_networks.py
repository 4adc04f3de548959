"""Extracts the benchmark networks that newer wntr packages ship under
wntr/library/networks into build/networks/library, without installing that
package (it needs NumPy 2, the modules here need NumPy 1). Run by .ci/run;
tests that compare against the reference use these networks when present."""
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

TARGET = Path(__file__).resolve().parents[1] / "build" / "networks" / "library"
WNTR = "wntr==1.5.0"


def main():
    if any(TARGET.glob("*.inp")):
        return
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run([sys.executable, "-m", "pip", "download", "-q", "--no-deps", "--only-binary",
                        ":all:", "--dest", tmp, WNTR], check=True)
        wheel = next(Path(tmp).glob("wntr-*.whl"))
        TARGET.mkdir(parents=True, exist_ok=True)
        with zipfile.ZipFile(wheel) as z:
            for name in z.namelist():
                if name.startswith("wntr/library/networks/") and name.endswith(".inp"):
                    (TARGET / Path(name).name).write_bytes(z.read(name))
    print(f"networks in {TARGET}: {sorted(p.name for p in TARGET.glob('*.inp'))}")


if __name__ == "__main__":
    main()
