#!/usr/bin/env bash
# Builds the Python package quantumflock (in build/) and installs it, with the flock's
# data, into the site folder of Debian's /usr/bin/python3, so that
# `python3 -c "import quantumflock"` works from any folder.
# Usage: bash tools/install-python.sh [SITE-FOLDER]
# With FLOCK_BUILD_DIR set, the package of that build tree (configured with it, as the
# tests' is) is brought up to date and installed, and nothing else is installed or configured.
set -euo pipefail
cd "$(dirname "$0")/.."

python=/usr/bin/python3
site=${1:-$("$python" -c 'import site; print(site.getsitepackages()[0])')}
build=${FLOCK_BUILD_DIR:-}
if [ -z "$build" ]; then
  build=build
  bash tools/install-deps.sh
  [ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=Release > /dev/null
  cmake -S . -B build -DFLOCK_BUILD_PYTHON=ON > /dev/null
fi
cmake --build "$build" -j "$(nproc)" --target quantumflock_core

target="$site/quantumflock"
sudo=""
[ "$(id -u)" -ne 0 ] && [ ! -w "$(dirname "$site")" ] && sudo="sudo"
$sudo mkdir -p "$site"
$sudo rm -rf "$target.new"
$sudo cp -r "$build/python/quantumflock" "$target.new"
$sudo rm -rf "$target.new/__pycache__" "$target.new/data"
$sudo cp -r data "$target.new/data"
$sudo rm -rf "$target"
$sudo mv "$target.new" "$target"
# The installed copy imports from elsewhere, whatever PYTHONPATH holds.
(cd / && env -u PYTHONPATH "$python" - "$site" "$target" <<'CHECK'
import os, site, sys
site.addsitedir(sys.argv[1])  # already on the path for the default site folder
import quantumflock
where = quantumflock.__path__[0]
if os.path.realpath(where) != os.path.realpath(sys.argv[2]):
    sys.exit(f"install-python.sh: quantumflock imports from {where}, not {sys.argv[2]}")
print(f"quantumflock {quantumflock.__version__} in {where}")
CHECK
)
