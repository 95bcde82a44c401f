#!/usr/bin/env bash
# The sweep's speed: 20 flights of 60 simulated seconds with 8 agents, --jobs 1 against
# --jobs 2, and what a run costs beyond its flight (the sweep's wall time at --jobs 1
# less the flights' own wall times, per run). The baseline flies the same 20 flights as
# separate `flock --headless` programs, one at a time and two at a time (xargs -P 2):
# what two cores give this machine for independent flights, with nothing shared.
# Usage: bash bench/sweep.sh [FLOCK-PROGRAM]   (default build/bin/flock)
set -euo pipefail
flock=$(realpath "${1:-build/bin/flock}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now() { date +%s%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b - a) / 1e9 }'; }

sweep() {  # sweep JOBS: wall seconds, rows in $work/JOBS.csv
  local start
  start=$(now)
  "$flock" --sweep --seeds 1-20 --seconds 60 --agents 8 --jobs "$1" --csv "$work/$1.csv" >/dev/null 2>&1
  seconds "$start" "$(now)"
}
separate() {  # separate JOBS: wall seconds of 20 single flights, JOBS at a time
  local start
  start=$(now)
  seq 1 20 | xargs -P "$1" -I{} "$flock" --headless --seconds 60 --agents 8 --seed {} >/dev/null 2>&1
  seconds "$start" "$(now)"
}

one=$(sweep 1)
two=$(sweep 2)
base_one=$(separate 1)
base_two=$(separate 2)
flights=$(grep -v '^#' "$work/1.csv" | awk -F, 'NR > 1 { sum += $11 } END { printf "%.4f", sum }')
awk -v one="$one" -v two="$two" -v b1="$base_one" -v b2="$base_two" -v flights="$flights" 'BEGIN {
  printf "Sweep:          jobs 1 %.2f s, jobs 2 %.2f s, speed-up %.2fx\n", one, two, one / two
  printf "Sweep_Baseline: 20 programs one at a time %.2f s, two at a time %.2f s, speed-up %.2fx\n", b1, b2, b1 / b2
  printf "flights %.2f s of the sweep at jobs 1: overhead per run %.1f ms\n", flights, (one - flights) * 1000 / 20
}'
