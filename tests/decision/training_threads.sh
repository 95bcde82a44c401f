#!/usr/bin/env bash
# Trainings (the flock's, W = 27, and threads/train_450.txt, W = 450) on several threads and kernel paths write
# the standard output and sensor file one thread wrote. Usage: training_threads.sh TALA SOURCE_DIR
set -u
tala=$1 source=$2 here=$2/tests/decision/threads work=$(mktemp -d) failed=0
trap 'rm -rf "$work"' EXIT
# run FOLDER SCRIPT EXPECTED_OUT SENSOR_FILE EXPECTED_SENSORS [ENVIRONMENT...]
run() {
    local folder=$1 script=$2 expected=$3 sensors=$4 expectedSensors=$5; shift 5
    rm -f "$folder/$sensors"
    (cd "$folder" && env "$@" "$tala" "$script" > "$work/out.txt" 2> "$work/err.txt")
    cmp -s "$work/out.txt" "$expected" && cmp -s "$folder/$sensors" "$expectedSensors" ||
        { echo "FAIL $script $*"; diff "$expected" "$work/out.txt" | head -20; cat "$work/err.txt"; failed=1; }
}
cp -r "$source/data" "$work/flock" && mkdir "$work/w450"
cp -r "$source/bench/effect/QDM_Scripts" "$here/train_450.txt" "$work/w450/"
for threads in 1 2 4; do
    run "$work/flock" train_flock.txt "$here/train_flock.out" flock_sensors.bin "$source/data/flock_sensors.bin" \
        FLOCK_THREADS=$threads
done
for setting in FLOCK_THREADS=1 FLOCK_THREADS=2 FLOCK_THREADS=4 FLOCK_KERNELS=avx2 FLOCK_KERNELS=portable; do
    run "$work/w450" train_450.txt "$here/train_450.out" sensors_450.bin "$here/sensors_450.bin" FLOCK_THREADS=2 $setting
done
# tala --threads: a bad count is named on standard error, a later good one is taken.
(cd "$work/w450" && "$tala" --threads zero --threads=3 train_450.txt > "$work/out.txt" 2> "$work/err.txt")
cmp -s "$work/out.txt" "$here/train_450.out" &&
    grep -q "^--threads 'zero' is not a number of threads from 1 to 256; training uses [0-9]*\.$" "$work/err.txt" ||
    { echo "FAIL tala --threads"; cat "$work/err.txt"; failed=1; }
# A training whose evaluation runs out of memory fails where one candidate at a time fails: after the first
# candidate's line, with no draws or lines of the others first.
rule='(set rules (vex::add_rule (get rules) (vex::State repeat (vex::SensorList center)) (vex::dist_str (get QDM) 1.0 forward)))'
awk -v rule="$rule" '$0 == rule { for (i = 0; i < 2000; ++i) print; next }
    /^\(vex::train / { print "(vex::train (get QDM) (get rules) 2 4 6 6)"; next } { print }' \
    "$here/train_450.txt" > "$work/w450/many_rules.txt"
(cd "$work/w450" && FLOCK_MEMORY_LIMIT_MB=40 FLOCK_THREADS=2 "$tala" many_rules.txt > "$work/out.txt" 2>&1)
grep -q "^0/6     .Training ended by a failure in generation 1 of 2: Not enough memory" "$work/out.txt" ||
    { echo "FAIL a failing evaluation: $(tail -c 300 "$work/out.txt" | cat -v)"; failed=1; }
[ $failed = 0 ] && echo "all trainings wrote the recorded bytes"
exit $failed
