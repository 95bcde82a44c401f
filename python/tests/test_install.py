# The install script's copy imports and flies from any folder, without the build tree.
import json
import os
import subprocess

import quantumflock as qf
from conftest import BIN, DATA, SOURCE

FLY = """
import json, site, sys
site.addsitedir(sys.argv[1])
import quantumflock as qf
print(json.dumps([qf.__file__, qf.data_folder(), qf.flight(seed=2, agents=3, seconds=2, sensors="random")]))
"""


def test_the_installed_package_flies_from_an_empty_folder(tmp_path):
    site, elsewhere = tmp_path / "site", tmp_path / "elsewhere"
    elsewhere.mkdir()
    # Only the sanitizers' settings of the test's environment go on: no path to the build tree.
    environment = {name: value for name, value in os.environ.items()
                   if not name.startswith(("PYTHON", "FLOCK_"))}
    subprocess.run(["bash", SOURCE / "tools" / "install-python.sh", site], check=True, capture_output=True,
                   env={**environment, "FLOCK_BUILD_DIR": str(BIN.parent)}, timeout=600)
    done = subprocess.run(["/usr/bin/python3", "-c", FLY, site], cwd=elsewhere, env=environment,
                          capture_output=True, text=True, timeout=600)
    assert done.returncode == 0, done.stderr
    module, folder, figures = json.loads(done.stdout)
    assert module == str(site / "quantumflock" / "__init__.py")
    assert folder == str(site / "quantumflock" / "data")
    assert figures == qf.flight(seed=2, agents=3, seconds=2, sensors="random", data=DATA)
