#!/usr/bin/env bash
# Installs what is missing, builds the flock program and opens its window (the
# program finds the project's data/ itself). Without a display it runs the program
# under a private X server for a few seconds and saves a screenshot instead.
# Options are passed on to flock (see flock --help); with --headless, --sweep or
# --summarize the flights run at once, without a display, and their table is printed.
# Usage: bash tools/start-flock.sh [FLOCK-OPTION...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${FLOCK_BUILD_DIR:-build}

bash tools/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build" -j "$(nproc)" --target flock
flock="$root/$build/bin/flock"

# A flight without a window, or a question for the program, needs no display.
for option in "$@"; do
  case $option in
    --headless | --sweep | --summarize | --help | -h | --version) exec "$flock" "$@" ;;
  esac
done
if [ -n "${DISPLAY:-}" ]; then
  exec "$flock" "$@"
fi

shot="$root/$build/flock-screenshot.png"
work=$(mktemp -d)
xvfb_pid=""
flock_pid=""
cleanup() {
  if [ -n "$flock_pid" ]; then kill "$flock_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "No display: running flock under Xvfb for a few seconds."
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null </dev/null &
xvfb_pid=$!
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "Xvfb did not start." >&2
  exit 1
fi
export DISPLAY=":$(head -n 1 "$work/display")"

"$flock" "$@" </dev/null &
flock_pid=$!
# A flock that cannot start (bad options, data that cannot fly) ends at once with its reason.
opened=""
for _ in $(seq 300); do
  if xdotool search --name '^Open GL$' >/dev/null 2>&1; then opened=yes; break; fi
  kill -0 "$flock_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$opened" ]; then
  echo "The flock window did not open." >&2
  exit 1
fi
# The agents are made before the window opens; P starts them. Let them fly, take
# the picture, then quit with Escape.
sleep 2
timeout 10 xdotool keydown p && sleep 0.1 && timeout 10 xdotool keyup p
sleep 4
timeout 20 xwd -root -silent > "$work/shot.xwd"
timeout 20 convert "$work/shot.xwd" -crop 800x600+0+0 +repage "$shot"
timeout 10 xdotool keydown Escape && sleep 0.1 && timeout 10 xdotool keyup Escape
for _ in $(seq 300); do
  kill -0 "$flock_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$flock_pid" 2>/dev/null; then
  echo "flock did not end after Escape." >&2
else
  status=0
  wait "$flock_pid" || status=$?
  flock_pid=""
  echo "flock ended with status $status."
fi
echo "Screenshot of the flock window saved to $shot"
