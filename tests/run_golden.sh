#!/usr/bin/env bash
# Runs PROGRAM with INPUT on standard input and compares standard output with EXPECTED.
# An optional file INPUT minus ".in" plus ".status" holds the expected exit status (default 0).
set -u
program=$1 input=$2 expected=$3
status_file=${input%.in}.status
want_status=0
[ -f "$status_file" ] && want_status=$(cat "$status_file")
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
"$program" < "$input" > "$actual"
status=$?
if ! cmp -s "$actual" "$expected"; then
  echo "output differs from $expected:"
  diff "$expected" "$actual" | head -40
  exit 1
fi
if [ "$status" != "$want_status" ]; then
  echo "exit status $status, expected $want_status"
  exit 1
fi
