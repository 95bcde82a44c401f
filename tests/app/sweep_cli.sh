#!/usr/bin/env bash
# flock --sweep and --summarize: refused command lines, one run against the single flight, --jobs and shards
# that do not change the output, and an interrupted sweep. Usage: sweep_cli.sh FLOCK-PROGRAM DATA-DIR
set -u -o pipefail
source "$(dirname "$0")/cli_test_start.sh"
run() { timeout 300 "$flock" "$@" </dev/null >out.txt 2>err.txt; status=$?; }  # status in $status
rows() { grep -v '^#' "$1" | tail -n +2 | wc -l | tr -d ' '; }
body() { grep -v '^#' "$1"; }  # a row file without its provenance

cp "$data/flock_sensors.bin" trained.bin && head -c 40 trained.bin >damaged.bin
header=run,agents,sensors,seconds,seed,distance,polarisation,following,decisions,failures,wall_seconds
printf '# flock 1\n%s\n0,8,setup,60,1,3.9,0.9,93.0,10,0,1.0\n1,8,setup,60,2,4.1,zero,93.0,10,0,1.0\n' "$header" >bad.csv
printf '%s\n0,8,setup,60,1,3.9,0.9,93.0,10,0,1.0\n' "$header" >bare.csv

# Refused before any flight, with a reason and status 2.
while IFS='|' read -r args reason; do
  # shellcheck disable=SC2086
  run $args
  [ "$status" -eq 2 ] || fail "'$args' ended with status $status, not 2"
  grep -q -- "$reason" err.txt || fail "'$args': $(cat err.txt)"
  [ -s out.txt ] && fail "'$args' wrote to stdout"
done <<'TABLE'
--sweep --seeds 5-3|the range '5-3' is reversed
--sweep --seeds=|empty item
--sweep --seeds 1-100001|more than 100000 seeds
--sweep --seeds 1-40000 --agents 1,2,3|120000 runs: a sweep has at most 100000
--sweep --jobs 0|--jobs needs a whole number from 1
--sweep --shard 0/3|--shard needs K/N
--sweep --shard 4/3|--shard needs K/N
--sweep --seeds 1,2,1|seed 1 is given twice
--sweep --sensors random,setup,random|'random' is given twice
--jobs 2|--jobs needs --sweep
--sweep --seed 3|give --seeds
--summarize|needs one or more row files
--summarize trained.bin|trained.bin:1: not a sweep row file: no provenance
--summarize nothing.csv|cannot read 'nothing.csv': No such file
--summarize /dev/zero|cannot read '/dev/zero': not a regular file
--summarize bad.csv|bad.csv:4: not a sweep row file: polarisation 'zero' is not a number
--summarize bare.csv|bare.csv:1: not a sweep row file: no provenance
--sweep --every 5|--every in a sweep needs --series FILE
--headless --series s.csv|--series needs --every T
--headless --pairs p.csv|--pairs needs --sweep or --summarize
--sweep --every 5 --series s.csv --csv s.csv|--csv and --series name one file
TABLE

# Sensor files that are missing or do not load: named, before any flight.
while IFS='|' read -r sensors reason; do
  run --sweep --data "$data" --seconds 1 --sensors "$sensors" --csv never.csv
  [ "$status" -eq 2 ] || fail "--sensors $sensors: status $status"
  tail -n 1 err.txt | grep -q "^flock: --sensors: $reason" || fail "--sensors $sensors: $(cat err.txt)"
  [ -e never.csv ] && fail "--sensors $sensors: it flew"
done <<'TABLE'
trained.bin,missing.bin|no file 'missing.bin'
random,/dev/zero|not a regular file '/dev/zero'
random,damaged.bin|'damaged.bin' does not load: .*damaged
TABLE

# Damaged setup sensors: those runs cannot fly, random ones fail once per agent; the sweep goes on and ends with 1.
cp -r "$data" damaged-data && cp damaged.bin damaged-data/flock_sensors.bin
run --sweep --data damaged-data --seeds 1-2 --sensors setup,random --seconds 2 --jobs 2 --csv failing.csv
[ "$status" -eq 1 ] || fail "failing runs: status $status"
for r in 0 1; do
  grep -q "^flock: run $r (8 agents, setup, seed $((r + 1))) failed: cannot fly" err.txt || fail "run $r: $(cat err.txt)"
done
[ "$(body failing.csv | cut -d, -f1,3,10 | sed 1d | paste -sd' ')" = "2,random,8 3,random,8" ] || fail "$(cat failing.csv)"
[ "$(awk '$2 == "random" { print $NF }' out.txt)" = 16 ] || fail "failures in the table: $(cat out.txt)"

# One run is the single flight: its figures as the flight's table prints them.
same_as_flight() {
  local seed=$1 agents=$2 sensors=$3
  shift 3; run --sweep --data "$data" --seconds 4 --seeds "$seed" --agents "$agents" --csv one.csv \
    ${sensors:+--sensors "$sensors"}
  [ "$status" -eq 0 ] || fail "one run: status $status: $(cat err.txt)"
  run --headless --data "$data" --seconds 4 --seed "$seed" --agents "$agents" "$@"
  local flight sweep=$(body one.csv | awk -F, 'NR == 2 { printf "%.3f %.3f %.1f%% %d %d\n", $6, $7, $8, $9, $10 }')
  flight=$(awk '$1 == "all" { print $2, $3, $4, $5, $6 }' out.txt)
  [ "$flight" = "$sweep" ] || fail "seed $seed, $sensors: the flight's '$flight', the run's '$sweep'"
}
same_as_flight 3 8 trained.bin --sensors trained.bin
same_as_flight 2 3 random --random-sensors
same_as_flight 5 8 ""  # the setup's sensors, by default

# The shipped sensors beat random ones in every seed; --jobs changes nothing; three shards merged give the same.
sweep=(--sweep --data "$data" --seconds 10 --seeds 1-4 --agents 4,6 --sensors trained.bin,random)
run "${sweep[@]}" --jobs 1 --csv all.csv --svg all.svg --pairs all-pairs.csv
[ "$status" -eq 0 ] || fail "sweep: status $status: $(cat err.txt)"
[ "$(rows all.csv)" -eq 16 ] || fail "16 runs, $(rows all.csv) rows"
grep -q "of 16 runs" err.txt && fail "progress drawn without a terminal"
mv out.txt all.txt
[ "$(awk '/trained.bin - random/ { print $11 $16 $21 }' all.txt | tr -d '\n')" = 444444 ] ||
  fail "the shipped sensors do not win every seed at both agent counts: $(cat all.txt)"
xmllint --noout all.svg || fail "the SVG does not parse"
run "${sweep[@]}" --jobs 3 --csv jobs.csv --svg jobs.svg
cmp -s out.txt all.txt && cmp -s jobs.svg all.svg && cmp -s <(body jobs.csv | cut -d, -f1-10) <(body all.csv | cut -d, -f1-10) ||
  fail "--jobs 3 changed the table, the picture or the rows"
for k in 1 2 3; do
  run "${sweep[@]}" --shard "$k/3" --csv "shard$k.csv"; [ "$status" -eq 0 ] || fail "shard $k: status $status"
done
[ $(($(rows shard1.csv) + $(rows shard2.csv) + $(rows shard3.csv))) -eq 16 ] || fail "the shards do not add up"
run --summarize shard3.csv shard1.csv shard2.csv --svg merged.svg --pairs merged-pairs.csv --csv merged.csv
[ "$status" -eq 0 ] || fail "summarize: status $status: $(cat err.txt)"
cmp -s merged.svg all.svg && cmp -s out.txt all.txt && cmp -s <(body merged-pairs.csv) <(body all-pairs.csv) ||
  fail "the merged shards' picture, table or pairs: $(diff out.txt all.txt)"
grep -q '^# command: flock --summarize shard3.csv' merged-pairs.csv || fail "pairs without provenance: $(head -3 merged-pairs.csv)"
cmp -s <(body merged.csv | cut -d, -f1-10) <(body all.csv | cut -d, -f1-10) || fail "the merged rows: $(diff merged.csv all.csv)"
run --summarize merged.csv; cmp -s out.txt all.txt || fail "the merged rows read back to another table: $(diff out.txt all.txt)"
# The same setup's name with other contents: refused, naming both files.
cp -r "$data" changed-data && echo '# changed' >>changed-data/vex_flock_setup.txt
run --sweep --data changed-data --seconds 10 --seeds 1-4 --agents 4,6 --sensors trained.bin,random --shard 3/3 --csv changed.csv
run --summarize shard1.csv changed.csv
[ "$status" -eq 2 ] && grep -q "changed.csv: its setup 'vex_flock_setup.txt' (.*) is not the one of shard1.csv" err.txt ||
  fail "another setup of one name: status $status: $(cat err.txt)"

# Row files held to the memory budget, and the pairs of 3000 sensors (4.5 million) refused before they are made.
big() {  # big ROWS SETTINGS: a row file of ROWS runs over SETTINGS sensors
  { echo '# flock 1'; echo "$header"
    awk -v n="$1" -v k="$2" 'BEGIN { for (i = 0; i < n; i++) printf "%d,8,s%d,60,%d,3.5,0.9,90,2400,0,0.400\n", i, i % k, int(i / k) + 1 }'
  } >big.csv
}
big 99000 10
FLOCK_MEMORY_LIMIT_MB=20 run --summarize big.csv
[ "$status" -eq 2 ] && grep -q "Not enough memory for the rows of 'big.csv'" err.txt || fail "a large row file: status $status: $(cat err.txt)"
big 3000 3000
run --summarize big.csv
[ "$status" -eq 2 ] && grep -q "more than 100000 pairs" err.txt || fail "4.5 million pairs: status $status: $(head -c 300 err.txt)"

# The figures of every period: in a flight, the table's rows; in a sweep, one row per run and period.
run --headless --data "$data" --seconds 4 --every 1 --series series.csv
[ "$(awk '$1 != "all" && NR > 1 { print $2 }' out.txt | paste -sd' ')" = \
  "$(body series.csv | awk -F, 'NR > 1 { printf "%.3f\n", $3 }' | paste -sd' ')" ] || fail "flight series: $(cat series.csv)"
run --sweep --data "$data" --seconds 4 --seeds 1-2 --sensors setup,random --every 2 --series series.csv
[ "$status" -eq 0 ] && [ "$(body series.csv | cut -d, -f1,2 | paste -sd' ')" = "run,time 0,2 0,4 1,2 1,4 2,2 2,4 3,2 3,4" ] ||
  fail "sweep series: status $status: $(cat series.csv)"
run --summarize shard1.csv shard1.csv
[ "$status" -eq 2 ] && grep -q "shard1.csv:6: run 0 is also at shard1.csv:6" err.txt || fail "a shard twice: $(cat err.txt)"

# Progress when standard error is a terminal (script gives it one), and not after the sweep.
script -qec "'$flock' --sweep --data '$data' --seconds 1 --seeds 1-3 --jobs 1 >table.txt" terminal.txt >/dev/null
grep -q "flock: 0 of 3 runs, 0:00 elapsed, ? left" terminal.txt || fail "no progress at a terminal: $(cat -v terminal.txt)"
[ "$(grep -vc "^\*" table.txt)" -eq 2 ] || fail "at a terminal: $(cat table.txt)"

# The sweep alone interrupted (it must stop its flights) while 64 agents fly, after the four 1-agent runs ended,
# one flight stopped (SIGSTOP): the finished runs in the CSV, a line saying how many, the stopped flight named, no
# child left, and no waiting.
setsid "$flock" --sweep --data "$data" --seconds 450 --seeds 1-4 --agents 1,64 --jobs 2 --csv stopped.csv \
  </dev/null >out.txt 2>err.txt & sweeper=$!
sleep 3; children=$(pgrep -P "$sweeper")
[ -n "$children" ] || fail "no flights running"
kill -STOP "$(echo "$children" | head -n 1)" && sleep 0.2
kill -INT "$sweeper"
for _ in $(seq 20); do kill -0 "$sweeper" 2>/dev/null && sleep 0.1; done
kill -0 "$sweeper" 2>/dev/null && { kill -KILL -- "-$sweeper"; fail "the interrupted sweep waited for its flights"; }
wait "$sweeper"; status=$?
[ "$status" -eq 130 ] || fail "interrupted: status $status"
finished=$(sed -n 's/^flock: interrupted: \([0-9]*\) of 8 runs finished, their rows are in .*/\1/p' err.txt)
[ -n "$finished" ] || fail "interrupted: $(cat err.txt)"
[ "$(rows stopped.csv)" -eq "$finished" ] || fail "$finished runs finished, $(rows stopped.csv) rows"
grep -q "failed" err.txt && fail "the stopped flights were reported as failed: $(cat err.txt)"
grep -q "^flock: run [0-9]* (64 agents, .*) was stopped: continued (SIGCONT)" err.txt || fail "stopped flight: $(cat err.txt)"
for child in $children; do kill -0 "$child" 2>/dev/null && fail "flight $child still runs"; done
[ -s out.txt ] && fail "an interrupted sweep printed a table"
echo "flock sweeps: passed"
