# Tala and decision makers from Python against the tala program.
import signal
import threading

import numpy as np
import pytest

import quantumflock as qf
from conftest import DATA, program

MAKE = ["global (new vex::QDM QDM)", "vex::qdm::new (get QDM)", "file flock_decision_maker.txt"]
SENSORS = ["vex::add_sensor (get QDM) center", "vex::add_sensor (get QDM) left", "vex::add_sensor (get QDM) right"]
RULES = ["global (new vex::TrainingSet rules)"] + [
    f"set rules (vex::add_rule (get rules) (vex::State repeat (vex::SensorList {s})) (vex::dist_str (get QDM) 1.0 {a}))"
    for s, a in [("center", "forward"), ("left", "left"), ("right", "right")]]


def test_training_prints_and_saves_what_vex_train_does(tmp_path):
    train = "vex::train (get QDM) (get rules) 3 2 6 4"
    save = f"vex::save (get QDM) {tmp_path / 'tala.bin'}"
    expected = program("tala", "--seed", 7, "--data", DATA, stdin="\n".join(MAKE + SENSORS + RULES + [train, save]))

    tala = qf.Tala(data=DATA, seed=7)
    printed = "".join(tala.run(command) for command in MAKE + SENSORS + RULES)
    told = []
    history = qf.DecisionMaker(tala).train("rules", 3, 2, 6, 4, progress=lambda *state: told.append(state))
    printed += history.attrs["output"] + tala.run(save.replace("tala.bin", "python.bin"))
    assert printed == expected.replace("tala.bin", "python.bin")
    assert (tmp_path / "python.bin").read_bytes() == (tmp_path / "tala.bin").read_bytes()
    assert history["generation"].tolist() == [1, 2, 3]
    assert list(history.columns[4:]) == ["rule 0", "rule 1", "rule 2"]
    assert (history["best"] >= history["worst"]).all() and (history["best"] <= 10).all()
    assert told and all(total == 3 for _, total, _ in told)

    stopped = qf.DecisionMaker(tala).train("rules", 50, 2, 6, 4, progress=lambda done, total, line: done < 2)
    assert len(stopped) == 2
    def ctrl_c_after_the_first(done, total, line):  # Ctrl-C to this thread: no timer
        if done == 1:
            signal.pthread_kill(threading.get_ident(), signal.SIGINT)
    with pytest.raises(KeyboardInterrupt):
        qf.DecisionMaker(tala).train("rules", 50, 2, 6, 4, progress=ctrl_c_after_the_first)
    with pytest.raises(qf.Failure, match="this interpreter is training"):
        qf.DecisionMaker(tala).train("rules", 2, 2, 6, 4, progress=lambda *state: tala.run("vex::qdm::free (get QDM)"))
    assert "trained yes (1 generations" in qf.DecisionMaker(tala).describe()  # stopped, not freed


def test_a_decision_makers_state_odds_description_and_score():
    tala = qf.Tala(data=DATA, seed=1, quiet=True)
    for command in MAKE + [f"vex::load (get QDM) {DATA / 'flock_sensors.bin'}"] + RULES:
        tala.run(command)
    maker = qf.DecisionMaker(tala)
    state = maker.state()
    assert state.dtype == np.complex128 and state.shape == (27,)
    assert np.sum(np.abs(state) ** 2) == pytest.approx(1)
    state[:] = 0
    assert np.sum(np.abs(maker.state()) ** 2) == pytest.approx(1)  # a copy

    odds = maker.odds()
    assert list(odds.index) == ["forward", "left", "right"] and odds.sum() == pytest.approx(1)
    tala.run("vex::qdm::apply_op (get QDM) left")
    tala.run("vex::qdm::think (get QDM)")
    assert maker.odds().idxmax() == "left"

    assert maker.describe() == tala.run("vex::qdm::describe (get QDM)")
    score = maker.score("rules", trials=20, steps=4)
    assert len(score) == 9 and (score.groupby("rule")["decided"].sum() == 20).all()
    assert score.loc[score["intended"] == 1, "share"].min() > 0.5


def test_failures_and_bad_arguments(tmp_path):
    tala = qf.Tala(data=DATA)
    with pytest.raises(qf.Failure) as failure:
        tala.run("vex::qdm::describe 3")
    assert f"Error: {failure.value}\n" == program("tala", stdin="vex::qdm::describe 3\n", check=False)
    with pytest.raises(FileNotFoundError, match="nowhere.txt"):
        tala.file(tmp_path / "nowhere.txt")
    script = tmp_path / "script.txt"
    script.write_text("print (string hello)\n")
    assert tala.file(script) == program("tala", script)
    with pytest.raises(qf.Failure, match="holds no decision maker"):
        tala.run("global (new vex::QDM QDM)")
        qf.DecisionMaker(tala).state()
    with pytest.raises(ValueError, match="no global 'other'"):
        qf.DecisionMaker(tala, "other").describe()
    with pytest.raises(TypeError, match="tala must be a quantumflock.Tala"):
        qf.DecisionMaker("QDM")
    for command in MAKE[1:]:
        tala.run(command)
    with pytest.raises(ValueError, match="space must be from 0 to 1"):
        qf.DecisionMaker(tala).odds(space=1)
    with pytest.raises(TypeError, match="is not a vex::TrainingSet"):
        qf.DecisionMaker(tala).train("QDM", 1, 1, 1, 1)
    with pytest.raises(ValueError, match="generations must be 1 or more"):
        qf.DecisionMaker(tala).train("rules", 0, 1, 1, 1)
