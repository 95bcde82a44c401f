#!/usr/bin/env bash
# Builds the Python package quantumflock (in build/) and installs it, with the flock's
# data, into the site folder of Debian's /usr/bin/python3, so that
# `python3 -c "import quantumflock"` works from any folder.
# Usage: bash tools/install-python.sh [SITE-FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
python=/usr/bin/python3
site=${1:-$("$python" -c 'import site; print(site.getsitepackages()[0])')}
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake -S . -B build -DFLOCK_BUILD_PYTHON=ON > /dev/null
cmake --build build -j "$(nproc)" --target quantumflock_core

target="$site/quantumflock"
sudo=""
[ "$(id -u)" -ne 0 ] && [ ! -w "$(dirname "$site")" ] && sudo="sudo"
$sudo mkdir -p "$site"
$sudo rm -rf "$target.new"
$sudo cp -r build/python/quantumflock "$target.new"
$sudo rm -rf "$target.new/__pycache__" "$target.new/data"
$sudo cp -r data "$target.new/data"
$sudo rm -rf "$target"
$sudo mv "$target.new" "$target"
(cd / && "$python" -c 'import quantumflock, sys; sys.stdout.write("quantumflock " + quantumflock.__version__ + " in " + quantumflock.__path__[0] + "\n")')
