# Flights, sweeps and summaries from Python against what flock prints and writes.
import os
import re
import signal
import threading

import pandas as pd
import pytest

import quantumflock as qf
from conftest import DATA, program


def table_rows(text):
    """flock --headless's table: {label: [numbers]}."""
    rows = {}
    for line in text.splitlines()[1:]:
        label, *numbers = line.replace("%", "").split()
        rows[label] = [float(n) for n in numbers]
    return rows


def test_flight_and_its_series_are_flock_headless(tmp_path):
    figures, series = qf.flight(seed=3, agents=4, seconds=6, sensors="random", every=2, data=DATA)
    printed = table_rows(program("flock", "--headless", "--seed", 3, "--agents", 4, "--seconds", 6,
                                 "--random-sensors", "--every", 2, "--data", DATA, "--series", tmp_path / "s.csv"))
    written = pd.read_csv(tmp_path / "s.csv", comment="#").drop(columns="run")
    pd.testing.assert_frame_equal(series, written, check_dtype=False)  # at full precision
    assert list(printed) == ["2.00", "4.00", "6.00", "all"]
    assert series["time"].tolist() == [2, 4, 6]
    for values, shown in [(figures, printed["all"]), *[(row, printed[f"{t:.2f}"])
                                                      for t, (_, row) in zip([2, 4, 6], series.iterrows())]]:
        assert [round(values[name], 3) for name in qf.FIGURES] == pytest.approx(shown, abs=0.051)
    # The same flight again is the same flight: nothing is left over in the process.
    assert qf.flight(seed=3, agents=4, seconds=6, sensors="random", data=DATA) == figures
    assert isinstance(figures["decisions"], int) and figures["decisions"] > 0


def test_sweep_rows_and_summary_are_flock_sweep(tmp_path):
    sensors = tmp_path / "trained.bin"
    sensors.write_bytes((DATA / "flock_sensors.bin").read_bytes())
    choice = dict(seeds=[2, 5, 9], agents=[3, 5], sensors=["random", str(sensors)], seconds=3, data=DATA,
                  progress=False)
    rows = qf.sweep(jobs=2, **choice)
    csv = tmp_path / "rows.csv"
    program("flock", "--sweep", "--seeds", "2,5,9", "--agents", "3,5", "--sensors", f"random,{sensors}",
            "--seconds", 3, "--data", DATA, "--csv", csv, "--jobs", 2)
    written = pd.read_csv(csv, comment="#", dtype={"sensors": str})
    assert list(rows.columns) == list(written.columns)
    pd.testing.assert_frame_equal(rows.drop(columns="wall_seconds"), written.drop(columns="wall_seconds"))
    pd.testing.assert_frame_equal(qf.sweep(jobs=1, **choice).drop(columns="wall_seconds"),
                                  rows.drop(columns="wall_seconds"))

    settings, pairs = qf.summarize(rows)
    printed = program("flock", "--summarize", csv)
    assert settings.attrs["text"] == printed
    assert settings.equals(qf.summarize(csv)[0])
    numbers = lambda line: [float(n) for n in re.findall(r"-?\d+\.\d+", line)]
    can_be = {"distance": (0, 1e9), "polarisation": (0, 1), "following": (0, 100)}  # flock prints within these
    for line, (_, row) in zip(printed.splitlines()[1:], settings.iterrows()):
        ours = [row[f + part] if part == "_sd" else min(max(row[f + part], can_be[f][0]), can_be[f][1])
                for f in can_be for part in ("", "_sd", "_low", "_high")]
        assert numbers(line) == pytest.approx([round(v, 3) for v in ours], abs=0.051)
        assert line.split()[:4] == [str(row.agents), row.sensors, "3", str(row.runs)]
    pairs_file = tmp_path / "pairs.csv"
    program("flock", "--summarize", csv, "--pairs", pairs_file)
    pd.testing.assert_frame_equal(pairs, pd.read_csv(pairs_file, comment="#", dtype=pairs.dtypes.to_dict()))
    assert len(pairs) == 2 and (pairs["seeds"] == 3).all()

    # Rows written from Python are a row file flock reads, provenance and all.
    qf.write_rows(rows, tmp_path / "python.csv")
    assert program("flock", "--summarize", tmp_path / "python.csv") == printed
    assert (tmp_path / "python.csv").read_text().splitlines()[2:4] == csv.read_text().splitlines()[2:4]


def test_summarize_refuses_a_run_held_twice():
    rows = qf.rows_frame(["0,3,random,1,1,2.0,0.5,50.0,10,0,0.1"])
    with pytest.raises(ValueError, match="run 0 .*is also at"):
        qf.summarize([rows, rows])


@pytest.mark.parametrize("call, error, message", [
    (lambda: qf.flight(sead=1), ValueError, "no argument sead; it takes seed, agents"),
    (lambda: qf.sweep(job=2), TypeError, "no argument job"),
    (lambda: qf.flight(settings={"gravity": 1}), ValueError, "no setting 'gravity'"),
    (lambda: qf.flight(agents="8"), TypeError, "agents must be a whole number, not str"),
    (lambda: qf.flight(agents=True), TypeError, "agents must be a whole number"),
    (lambda: qf.flight(agents=0), ValueError, "agents must be from 1 to 256"),
    (lambda: qf.flight(seconds=float("nan")), ValueError, "seconds must be a finite number"),
    (lambda: qf.flight(seconds=200, agents=256), ValueError, "agents x seconds must be at most"),
    (lambda: qf.flight(seconds=2, every=3), ValueError, "every must be above 0 and at most 2"),
    (lambda: qf.flight(sensors=3), TypeError, "sensors must be a string or a path"),
    (lambda: qf.flight(sensors="trained"), ValueError, "neither setup, random nor a sensor file"),
    (lambda: qf.flight(sensors="/no/such.bin"), FileNotFoundError, "/no/such.bin"),
    (lambda: qf.flight(data="/no/such/folder"), FileNotFoundError, "/no/such/folder"),
    (lambda: qf.sweep(seeds=[1, 1]), ValueError, "a seed is given twice"),
    (lambda: qf.sweep(seeds=[]), ValueError, "seeds must not be empty"),
    (lambda: qf.sweep(seeds=range(3)), ValueError, "seed 0 flies as seed 1 does"),
    (lambda: qf.sweep(jobs=0), ValueError, "jobs must be from 1"),
    (lambda: qf.sweep(seeds=range(1, 100002)), ValueError, "more than 100000"),
    (lambda: qf.sweep(jobs=2, client=object()), ValueError, "give jobs or client, not both"),
    (lambda: qf.summarize("/no/rows.csv"), FileNotFoundError, "/no/rows.csv"),
])
def test_bad_arguments_are_refused_with_their_name(call, error, message):
    with pytest.raises(error, match=re.escape(message)):
        call()


def test_a_sensor_file_that_does_not_load_fails_before_the_sweep(tmp_path):
    damaged = tmp_path / "damaged.bin"
    damaged.write_bytes((DATA / "flock_sensors.bin").read_bytes()[:40])
    with pytest.raises(qf.Failure, match="damaged.bin' does not load: .*not a sensor file"):
        qf.sweep(seeds=[1], sensors=[damaged], seconds=1, data=DATA, progress=False)
    with pytest.raises(qf.Failure, match="not a sensor file"):
        qf.flight(sensors=damaged, seconds=1, data=DATA)


def test_failed_runs_are_reported_with_the_rows_of_the_others(tmp_path):
    broken = tmp_path / "data"
    broken.mkdir()
    for name in os.listdir(DATA):
        os.symlink(DATA / name, broken / name)
    (broken / "flock_sensors.bin").unlink()
    (broken / "flock_sensors.bin").write_bytes(b"not sensors")
    with pytest.raises(qf.SweepFailure, match="2 of 4 runs failed: run 0: cannot fly") as failed:
        qf.sweep(seeds=[1, 2], sensors=["setup", "random"], seconds=1, data=broken, progress=False, jobs=2)
    assert failed.value.rows["run"].tolist() == [2, 3]
    assert [run for run, _ in failed.value.failures] == [0, 1]


def children():
    """This process's forked children (a sweep's, flying or ended and not yet waited
    for), not the programs it started, such as the resource tracker a Dask test may
    start at any time."""
    def command(pid):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as read:
                return read.read()
        except FileNotFoundError:  # waited for meanwhile
            return None
    own = command(os.getpid())
    with open(f"/proc/{os.getpid()}/task/{os.getpid()}/children") as listed:
        return [pid for pid in listed.read().split() if command(pid) in (own, b"")]  # b"": ended


def interrupt_this_thread():
    """Ctrl-C, delivered to this very thread: no timer that a busy machine could make late."""
    signal.pthread_kill(threading.get_ident(), signal.SIGINT)


def test_ctrl_c_stops_a_sweep_and_leaves_no_child(monkeypatch):
    before = children()
    told = []

    class Bar:  # the progress bar is told of each finished run: Ctrl-C after the first
        def __init__(self, total, **shown):
            pass

        def update(self, count):
            told.append(count)
            if len(told) == 1:
                assert len(children()) > len(before)  # the other job's child is flying
                interrupt_this_thread()

        def close(self):
            pass

    monkeypatch.setattr(qf._flights, "tqdm", Bar)
    with pytest.raises(KeyboardInterrupt):
        qf.sweep(seeds=range(1, 1001), agents=[2], sensors=["random"], seconds=60, jobs=2, data=DATA)
    assert len(told) <= 2  # the run that was flying is not waited for
    assert children() == before
    # Python's own Ctrl-C is back afterwards.
    with pytest.raises(KeyboardInterrupt):
        interrupt_this_thread()
        for _ in range(10**8):
            pass


def test_a_grid_point_is_the_single_flight_with_its_setting_and_setup():
    setup = DATA / "vex_flock_setup.txt"
    rows = qf.sweep(seeds=[4, 6], agents=[3], sensors=["random"], seconds=[2, 3], data=DATA, progress=False,
                    settings={"noise": [0, 15], "speed": [7.2, 8]}, setups=[setup], jobs=2)
    assert list(rows.columns[-10:]) == ["setup", *qf.SETTINGS]
    # Settings in the table's order (speed before noise), then seconds, then seeds.
    assert rows["speed"].tolist() == [7.2] * 8 + [8] * 8
    assert rows[["noise", "seconds", "seed"]].values.tolist() == 2 * [
        [0, 2, 4], [0, 2, 6], [0, 3, 4], [0, 3, 6], [15, 2, 4], [15, 2, 6], [15, 3, 4], [15, 3, 6]]
    assert (rows["setup"] == str(setup)).all() and (rows["turn_rate"] == qf.SETTINGS["turn_rate"]).all()
    stored = {figure["name"]: figure["stored"] for figure in qf._core.figures()}  # as rows round them
    shown = lambda values: [stored[name] % values[name] for name in qf.FIGURES]
    for _, row in rows.iloc[[0, 3, 5]].iterrows():
        alone = qf.flight(seed=row.seed, agents=3, sensors="random", seconds=row.seconds,
                          settings={"noise": row.noise}, setup=setup, data=DATA)
        assert shown(alone) == shown(row)
    plain = qf.flight(seed=4, agents=3, sensors="random", seconds=2, data=DATA)
    assert shown(plain) == shown(rows.iloc[0]) and shown(plain) != shown(rows.iloc[4])

    settings, pairs = qf.summarize(rows)
    assert settings[["speed", "noise", "seconds", "runs"]].values.tolist() == [
        [7.2, 0, 2, 2], [7.2, 0, 3, 2], [7.2, 15, 2, 2], [7.2, 15, 3, 2], [8, 0, 2, 2], [8, 0, 3, 2], [8, 15, 2, 2],
        [8, 15, 3, 2]]
    assert "turn_rate" not in settings.columns and pairs.empty
    with pytest.raises(ValueError, match="settings: .*noise"):
        qf.flight(settings={"noise": -1})
    with pytest.raises(FileNotFoundError, match="nowhere.txt"):
        qf.sweep(setups=["nowhere.txt"])


def test_threads_take_turns_and_the_sweep_shows_its_progress(monkeypatch):
    from concurrent.futures import ThreadPoolExecutor
    ask = lambda seed: qf.flight(seed=seed, agents=3, seconds=2, sensors="random", data=DATA)
    alone = [ask(seed) for seed in range(1, 7)]
    with ThreadPoolExecutor(3) as pool:
        assert list(pool.map(ask, range(1, 7))) == alone
    bars = []

    class Bar:
        def __init__(self, total, **shown):
            self.total, self.done, self.closed = total, 0, False
            bars.append(self)

        def update(self, count):
            self.done += count

        def close(self):
            self.closed = True

    monkeypatch.setattr(qf._flights, "tqdm", Bar)
    qf.sweep(seeds=[1, 2, 3], agents=[2], sensors=["random"], seconds=1, data=DATA, jobs=2)
    assert [(bar.total, bar.done, bar.closed) for bar in bars] == [(3, 3, True)]
