#!/usr/bin/env bash
# Usage: bash tools/fuzz.sh TARGET|all SECONDS (README.md, "Fuzzing"): libFuzzer targets built with clang and the
# sanitizers in build-fuzz/; a timeout (30 s) lets the run go on, a crash, sanitizer report or oom exits with 1.
set -euo pipefail
cd "$(dirname "$0")/.."
targets=(tokenizer typed_evaluator object_interpreter sensor_file file_writer)
if [ $# -ne 2 ] || ! [[ $2 =~ ^[0-9]+$ ]]; then
  echo "usage: bash tools/fuzz.sh {$(IFS='|'; echo "${targets[*]}")|all} SECONDS" >&2 && exit 2
fi
if [ "$1" = all ]; then
  status=0
  for target in "${targets[@]}"; do bash "$0" "$target" "$2" || status=1; done
  exit $status
fi
target=$1 seconds=$2 build=$(pwd)/build-fuzz
[[ " ${targets[*]} " == *" $target "* ]] || { echo "unknown target '$target'" >&2; exit 2; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -DFLOCK_FUZZ=ON -DCMAKE_BUILD_TYPE=Release > /dev/null
fi
cmake --build "$build" -j "$(nproc)" --target "fuzz_$target" fuzz_dictionary > /dev/null
# Seeds are copies, so that the fuzzer never writes into the project; new inputs go to corpus/TARGET.
seeds=$build/seeds/$target findings=$build/findings/$target
rm -rf "$seeds" && mkdir -p "$seeds" "$build/corpus/$target" "$findings" "$build/dict"
seed() { for f in "$@"; do [ -f "$f" ] && cp "$f" "$seeds/$(echo "$f" | tr '/' '_')"; done; return 0; }
shopt -s nullglob
case $target in
  tokenizer) seed tests/*/golden/*/*.in data/*.txt data/QDM_Scripts/* ;;
  typed_evaluator) seed tests/qlang/golden/*/*.in tests/qlang/golden/*/scripts/* data/QDM_Scripts/* ;;
  object_interpreter) seed tests/interp/golden/*/*.in tests/decision/golden/*/*.in data/*.txt ;;
  sensor_file) seed data/*.bin tests/decision/golden/sensors/*.sensors ;;
esac
seed tests/fuzz/corpus/"$target"/*
# The dictionary: the evaluators' words (fuzz_dictionary), or what the formats turn on.
dictionary=$build/dict/$target.dict
case $target in
  tokenizer) printf '"("\n")"\n"\\""\n","\n" "\n"\\x09"\n"\\x00"\n' > "$dictionary" ;;
  typed_evaluator|object_interpreter) "$build/bin/fuzz_dictionary" "$target" > "$dictionary" ;;
  sensor_file) printf '"\\x0a\\x00\\x00\\x00"\n"\\x00\\x00\\xf8\\x7f"\n"\\xff\\xff\\xff\\x7f"\n' > "$dictionary" ;;
  file_writer) printf '"\\x00\\x01"\n"\\x81\\x02"\n"\\x06\\x00"\n' > "$dictionary" ;;
esac
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
fuzzer=$build/bin/fuzz_$target log=$findings/fuzz.log
options=(-timeout=30 -rss_limit_mb=2048 -dict="$dictionary" -artifact_prefix="$findings/")
fail() { tail -60 "$log"; echo "fuzz $target failed: reproducers in $findings/" >&2; exit 1; }
# Every seed and kept reproducer once: a finding that comes back fails at once.
echo "== fuzz $target: $(ls "$seeds" | wc -l) seeds, then ${seconds}s of fuzzing"
"$fuzzer" "${options[@]}" -runs=0 "$seeds" < /dev/null > "$log" 2>&1 || fail
# Fuzzing in a child process, started again after a timeout (not after anything else).
start=$(date +%s) status=0
"$fuzzer" "${options[@]}" -fork=1 -ignore_timeouts=1 -ignore_ooms=0 -ignore_crashes=0 \
  -max_total_time="$seconds" "$build/corpus/$target" "$seeds" < /dev/null >> "$log" 2>&1 || status=$?
elapsed=$(( $(date +%s) - start ))
last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
runs=$(echo "$last" | sed -nE 's/^#([0-9]+).*/\1/p')
echo "fuzz $target: ${runs:-0} runs in ${elapsed}s, $(( ${runs:-0} / (elapsed > 0 ? elapsed : 1) )) runs/s," \
     "oom/timeout/crash $(echo "$last" | sed -nE 's/.*oom\/timeout\/crash: ([0-9\/]+).*/\1/p' | grep . || echo 0/0/0)"
[ $status -eq 0 ] || fail
