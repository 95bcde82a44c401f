# A sweep on a Dask cluster of two worker processes on loopback equals the sweep in children.
import os

import pytest

import quantumflock as qf
from quantumflock import _flights
from conftest import DATA, PATIENT_CLUSTER

distributed = pytest.importorskip("distributed")
dask = pytest.importorskip("dask")


@pytest.fixture(scope="module")
def client():
    with dask.config.set({**PATIENT_CLUSTER, "distributed.scheduler.allowed-failures": 1}):
        with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                                      dashboard_address=None) as cluster, \
                distributed.Client(cluster, timeout="600s") as client:
            client.wait_for_workers(2, timeout=600)  # both flying before the first run
            yield client


CHOICE = dict(seeds=[1, 2, 3], agents=[4], sensors=["setup", "random"], seconds=2, data=DATA, progress=False)


def test_cluster_rows_equal_the_rows_of_one_job(client):
    on_cluster = qf.sweep(client=client, **CHOICE)
    assert on_cluster["run"].tolist() == list(range(6))
    assert on_cluster.drop(columns="wall_seconds").equals(qf.sweep(jobs=1, **CHOICE).drop(columns="wall_seconds"))


def die_once(job, marker):
    """Kills its worker the first time run 1 is asked of it."""
    if job[0] == 1 and not os.path.exists(marker):
        open(marker, "w").close()
        os._exit(1)
    return _flights._run_on_worker(job)


def always_die(job):
    if job[0] == 1:
        os._exit(1)
    return _flights._run_on_worker(job)


def test_a_dead_worker_is_retried_or_reported_never_lost_or_doubled(client, tmp_path):
    runs = _flights._plan([1, 2], [3], [("random", "random", "")], [1], str(DATA))
    marker = tmp_path / "died"
    lines, failures = _flights._rows_on_cluster(client, runs, None,
                                               task=lambda job: die_once(job, str(marker)))
    assert marker.exists() and failures == []
    assert [line.split(",")[0] for line in lines] == ["0", "1"]

    # The worker that run 1 killed is back first: two runs queued on one worker would both be in its deaths.
    client.wait_for_workers(2, timeout=600)
    lines, failures = _flights._rows_on_cluster(client, runs, None, task=always_die)
    assert lines[0].startswith("0,") and lines[1] is None
    assert [run for run, _ in failures] == [1] and "KilledWorker" in failures[0][1]
