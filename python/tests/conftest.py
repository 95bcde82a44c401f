import os
import pathlib
import subprocess

import pytest

SOURCE = pathlib.Path(os.environ.get("FLOCK_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
BIN = pathlib.Path(os.environ.get("FLOCK_BUILD_BIN", SOURCE / "build" / "bin"))
DATA = SOURCE / "data"

# Dask settings for a cluster on a busy machine, where a worker may take minutes to
# start, answer or come back: no deadline of the cluster's decides a test, and a worker
# is lost only when it dies.
PATIENT_CLUSTER = {"distributed.comm.timeouts.connect": "600s", "distributed.comm.timeouts.tcp": "600s",
                   "distributed.scheduler.worker-ttl": None, "distributed.deploy.lost-worker-timeout": "600s"}


def program(name, *arguments, stdin=None, cwd=None, check=True):
    """Runs one of the programs; answers its standard output, or fails with its stderr."""
    done = subprocess.run([str(BIN / name), *map(str, arguments)], input=stdin and stdin.encode(),
                          capture_output=True, cwd=cwd, timeout=600)
    assert done.returncode == 0 or not check, done.stderr.decode()
    return done.stdout.decode()  # as written: no newline translation


@pytest.fixture
def run_program():
    return program
