# docs/python.md runs as written: its Python blocks in order, in one namespace, in an empty folder.
import contextlib
import io
import re

import dask

from conftest import PATIENT_CLUSTER, SOURCE


def test_the_page_runs_as_written(tmp_path, monkeypatch):
    page = (SOURCE / "docs" / "python.md").read_text()
    blocks = re.findall(r"^```python\n(.*?)^```", page, re.S | re.M)
    assert len(blocks) >= 6
    monkeypatch.chdir(tmp_path)
    printed = io.StringIO()
    namespace = {}
    with contextlib.redirect_stdout(printed), dask.config.set(PATIENT_CLUSTER):
        for block in blocks:
            exec(compile(block, "docs/python.md", "exec"), namespace)
    assert (tmp_path / "polarisation.png").read_bytes()[:4] == b"\x89PNG"
    assert "Failure: " in printed.getvalue() and "5 of 5" in printed.getvalue()
    settings, pairs = namespace["qf"].summarize(namespace["on_cluster"])
    assert pairs["seeds"].tolist() == [3]
