#!/usr/bin/env bash
# Installs what the build needs (Debian packages), builds from scratch and runs the
# whole test suite twice: a normal build, then one with the address and
# undefined-behaviour sanitizers. Usage: bash tools/run-tests.sh
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev
          libglfw3-dev libgl1-mesa-dev libglu1-mesa-dev libgl1-mesa-dri
          xvfb xdotool x11-apps imagemagick)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
run_build() {  # run_build DIR CMAKE-OPTIONS...
  local dir=$1; shift
  rm -rf "$dir"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" > /dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" < /dev/null
}

echo "== normal build"
run_build build
echo "== sanitizer build (address, undefined behaviour)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_build build-sanitize -DFLOCK_SANITIZE=ON -DFLOCK_BUILD_BENCH=OFF
