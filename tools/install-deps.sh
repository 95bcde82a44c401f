#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running the project need,
# only those still missing. Works as root or through sudo, with no standard input.
# Usage: bash tools/install-deps.sh
set -euo pipefail

packages=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev
          libglfw3-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
          xvfb xdotool x11-apps imagemagick
          libedit-dev tmux clang libclang-rt-14-dev libeigen3-dev libxml2-utils
          procps bsdutils pkg-config nettle-dev
          pybind11-dev python3-dev python3-numpy python3-pandas python3-pytest python3-tqdm
          python3-distributed python3-matplotlib)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq < /dev/null
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" < /dev/null
