#!/usr/bin/env bash
# The figures users feel, for one build: retraining the shipped decision maker, 300
# training generations at W = 450, and one frame of the eight-agent flock.
#   bash bench/effect/measure.sh BUILD_DIR [SOURCE_DIR]
# BUILD_DIR holds bin/tala and bin/bench_flock (a Release build). The data come from
# SOURCE_DIR (default: this tree), copied to a temporary folder, so nothing shipped
# is written; the retrained sensor file is compared with the shipped one.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
source=$(cd "${2:-$here/../..}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Processor seconds (user + system) and wall-clock seconds of a command run in a
# folder, output discarded. On a shared machine the processor time is the figure
# to compare; the wall-clock time includes waiting for other work.
seconds() {
    local folder=$1
    shift
    local TIMEFORMAT='%U %S %R'
    local times
    times=$( { time (cd "$folder" && "$@" > /dev/null < /dev/null) ; } 2>&1 )
    echo "$times" | awk '{printf "%.2f s processor, %.2f s wall clock", $1 + $2, $3}'
}

cp -r "$source/data" "$work/shipped"
echo "retraining the shipped decision maker: $(seconds "$work/shipped" "$build/bin/tala" train_flock.txt)"
if cmp -s "$work/shipped/flock_sensors.bin" "$source/data/flock_sensors.bin"; then
    echo "  retrained sensor file: identical to the shipped one"
else
    echo "  retrained sensor file: DIFFERS from the shipped one"
fi

mkdir "$work/w450"
cp -r "$here/QDM_Scripts" "$work/w450/"
cp "$here/train_450.txt" "$work/w450/"
echo "300 generations at W = 450: $(seconds "$work/w450" "$build/bin/tala" train_450.txt)"
cp "$work/w450/sensors_450.bin" "$work/sensors_450.bin"
echo "  trained sensor file: $(sha256sum < "$work/sensors_450.bin" | cut -c1-16)"

"$build/bin/bench_flock" --benchmark_filter='BM_FlockFrame' --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true 2>/dev/null | grep -E 'BM_FlockFrame.*(mean|median)'
