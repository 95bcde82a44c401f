#!/usr/bin/env bash
# Runs PROGRAM with INPUT on standard input; compares standard output with EXPECTED, the exit status with INPUT's
# .status file (0 without one) and standard error with its .err file (when there is one).
set -u
program=$1 input=$2 expected=$3 err_file=${2%.in}.err want_status=0
[ -f "${input%.in}.status" ] && want_status=$(cat "${input%.in}.status")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# With GOLDEN_SCRATCH set, PROGRAM runs in a fresh empty folder.
if [ -n "${GOLDEN_SCRATCH:-}" ]; then mkdir "$work/scratch" && cd "$work/scratch" || exit 1; fi
if [ -f "$err_file" ]; then exec 3> "$work/err"; else exec 3>&2; fi
"$program" < "$input" > "$work/out" 2>&3 3>&-
status=$?
same() { cmp -s "$2" "$3" && return; echo "$1 differs from $3:"; diff "$3" "$2" | head -40; exit 1; }
same output "$work/out" "$expected"
[ -f "$err_file" ] && same "standard error" "$work/err" "$err_file"
[ "$status" = "$want_status" ] || { echo "exit status $status, expected $want_status"; exit 1; }
