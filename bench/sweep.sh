#!/usr/bin/env bash
# The sweep's speed: 20 flights of 60 simulated seconds with 8 agents, --jobs 1 against
# --jobs 2, and what a run costs beyond its flight (the sweep's wall time at --jobs 1
# less the flights' own wall times, per run).
# Usage: bash bench/sweep.sh [FLOCK-PROGRAM]   (default build/bin/flock)
set -euo pipefail
flock=$(realpath "${1:-build/bin/flock}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sweep=(--sweep --seeds 1-20 --seconds 60 --agents 8)

timed() {  # timed JOBS: wall seconds of the sweep, rows in $work/JOBS.csv
  local start end
  start=$(date +%s.%N)
  "$flock" "${sweep[@]}" --jobs "$1" --csv "$work/$1.csv" >/dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}
one=$(timed 1)
two=$(timed 2)
flights=$(awk -F, 'NR > 1 { sum += $11 } END { printf "%.4f", sum }' "$work/1.csv")
awk -v one="$one" -v two="$two" -v flights="$flights" 'BEGIN {
  printf "jobs 1: %.2f s   jobs 2: %.2f s   speed-up %.2fx\n", one, two, one / two
  printf "flights %.2f s of the sweep at jobs 1, overhead per run %.1f ms\n", flights, (one - flights) * 1000 / 20
}'
