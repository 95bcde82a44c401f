#!/usr/bin/env bash
# Installs what the build needs (Debian packages), builds from scratch and runs the
# whole test suite twice: a normal build, then one with the address and
# undefined-behaviour sanitizers. Usage: bash tools/run-tests.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

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
