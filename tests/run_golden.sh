#!/usr/bin/env bash
# Runs PROGRAM with INPUT on standard input and compares standard output with EXPECTED.
# An optional file INPUT minus ".in" plus ".status" holds the expected exit status (default 0);
# an optional ".err" file beside it, the expected standard error (else it is not compared).
# With GOLDEN_SCRATCH set, PROGRAM runs in a fresh empty folder, removed afterwards.
set -u
program=$1 input=$2 expected=$3
status_file=${input%.in}.status
want_status=0
[ -f "$status_file" ] && want_status=$(cat "$status_file")
err_file=${input%.in}.err
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
actual=$work/out actual_err=$work/err
if [ -n "${GOLDEN_SCRATCH:-}" ]; then
  mkdir "$work/scratch" && cd "$work/scratch" || exit 1
fi
if [ -f "$err_file" ]; then
  "$program" < "$input" > "$actual" 2> "$actual_err"
else
  "$program" < "$input" > "$actual"
fi
status=$?
if ! cmp -s "$actual" "$expected"; then
  echo "output differs from $expected:"
  diff "$expected" "$actual" | head -40
  exit 1
fi
if [ -f "$err_file" ] && ! cmp -s "$actual_err" "$err_file"; then
  echo "standard error differs from $err_file:"
  diff "$err_file" "$actual_err" | head -40
  exit 1
fi
if [ "$status" != "$want_status" ]; then
  echo "exit status $status, expected $want_status"
  exit 1
fi
