#!/usr/bin/env bash
# Without a display the window cannot open: flock says why on standard error and
# ends with a non-zero status.
set -u
flock=$1
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/third_party_leaks.supp"
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT

env -u DISPLAY -u WAYLAND_DISPLAY timeout 30 "$flock" </dev/null >/dev/null 2>"$errors"
status=$?
if [ "$status" -eq 0 ] || [ "$status" -eq 124 ]; then
  echo "FAIL: status $status without a display"
  cat "$errors"
  exit 1
fi
if ! grep -qx "Failed To Register The Window Class." "$errors"; then
  echo "FAIL: no failure message on standard error:"
  cat "$errors"
  exit 1
fi
echo "no display: passed"
