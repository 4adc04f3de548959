# Sourced by examples/setup_and_run.sh and .ci/run: creates the project's
# virtual environment .venv on first use (no root needed; Debian's own Python
# refuses installs outside one) and activates it. ORVSIM_PYTHON chooses the
# interpreter that creates it (python3 by default).
if [ -z "${VIRTUAL_ENV:-}" ]; then
  if ! [ -x .venv/bin/python ]; then
    "${ORVSIM_PYTHON:-python3}" -m venv .venv || {
      echo "cannot create .venv: install the venv module (Debian: python3-venv)" >&2
      exit 1
    }
  fi
  # shellcheck disable=SC1091
  source .venv/bin/activate
fi
python -m pip install --upgrade pip >/dev/null 2>&1 || true
