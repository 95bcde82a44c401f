#!/usr/bin/env bash
# World settings, setups of one's own and sweeps over them: refusals before any flight, noise 0 as no noise,
# a grid's run as the single flight, and rows that carry their settings. Usage: grid_cli.sh FLOCK-PROGRAM DATA-DIR
set -u -o pipefail
source "$(dirname "$0")/cli_test_start.sh"
run() { timeout 300 "$flock" "$@" </dev/null >out.txt 2>err.txt; status=$?; }

mkdir own broken bare
cp "$data/flock_decision_maker.txt" "$data/flock_sensors.bin" own/
printf 'begin\n(file flock_decision_maker.txt)\n(vex::load (get QDM) flock_sensors.bin)\n' >own/mine.txt
printf 'begin\n(nop no decision maker at all)\n' >broken/setup.txt
cp own/mine.txt "own/with space.txt"

# Refused before any flight, with a reason and status 2 (the parse's own refusals: options_test).
while IFS='|' read -r args reason; do
  # shellcheck disable=SC2086
  run $args
  [ "$status" -eq 2 ] || fail "'$args' ended with status $status, not 2"
  grep -q -- "$reason" err.txt || fail "'$args': $(cat err.txt)"
  [ -s out.txt ] && fail "'$args' wrote to stdout"
done <<TABLE
--headless --data $data --set noise=181|noise must be from 0 to 180 degrees
--sweep --data $data --set noise=0:180:1000 --seeds 1-101|101000 runs: a sweep has at most 100000
--headless --setup own/missing.txt|--setup: no file 'own/missing.txt'
--headless --setup broken/setup.txt|--setup: cannot fly with the setup 'setup.txt': action space 0
--sweep --seconds 1 --setup own/mine.txt,broken/setup.txt --csv never.csv|--setup: cannot fly with the setup 'setup.txt'
TABLE
[ -e never.csv ] && fail "a sweep with a broken setup flew"
run --headless --setup "own/with space.txt"
[ "$status" -eq 2 ] && grep -q "holds a space" err.txt || fail "a name with a space: $status $(cat err.txt)"

run --settings
[ "$status" -eq 0 ] && grep -q "^  noise  *0  *degrees  *0 to 180$" out.txt || fail "--settings: $(cat out.txt)"

# noise 0 is no noise, to the byte; noise above 0 changes the flight.
flight=(--headless --data "$data" --seconds 6 --every 2 --seed 4)
run "${flight[@]}" --csv plain.csv && cp out.txt plain.txt
run "${flight[@]}" --set noise=0 --csv zero.csv
cmp -s out.txt plain.txt && cmp -s zero.csv plain.csv || fail "noise=0 is not the flight without noise"
run "${flight[@]}" --set noise=45
cmp -s out.txt plain.txt && fail "noise=45 changed nothing"

# A setup of one's own that is the shipped one flies the shipped flight, with QDM_Scripts/ from the data.
run "${flight[@]}" --setup own/mine.txt
[ "$status" -eq 0 ] && cmp -s out.txt plain.txt || fail "own setup: $status $(cat err.txt)"

# Every run of a grid is the single flight with the same settings; the rows say which.
run --sweep --data "$data" --seeds 1-2 --seconds 3,5 --set noise=0,30 --set decision_turn=10:30:2 --random-sensors \
  --csv grid.csv
[ "$status" -eq 0 ] || fail "grid: $status $(cat err.txt)"
[ "$(grep -v '^#' grid.csv | tail -n +2 | wc -l)" -eq 16 ] || fail "grid rows: $(cat grid.csv)"
grep -v '^#' grid.csv | head -1 | grep -q ",wall_seconds,setup,neighbour_distance,.*,noise$" || fail "grid header: $(head -1 grid.csv)"
# Run 11: decision_turn 30 (outermost: the table puts it before noise), noise 0, 5 seconds, seed 2.
row=$(awk -F, '$1 == 11' grid.csv)
[ "$(echo "$row" | cut -d, -f4,5,12,16,21)" = "5,2,vex_flock_setup.txt,30,0" ] || fail "run 11: $row"
run --headless --data "$data" --seconds 5 --seed 2 --random-sensors --set decision_turn=30
[ "$(awk '$1 == "all" { print $2, $3, $4, $5, $6 }' out.txt)" = \
  "$(echo "$row" | awk -F, '{ printf "%.3f %.3f %.1f%% %d %d\n", $6, $7, $8, $9, $10 }')" ] || fail "run 11 is not its flight: $row"
# The rows read back, and the table keeps the settings apart.
run --summarize grid.csv
[ "$status" -eq 0 ] && [ "$(grep -c ' random ' out.txt)" -eq 8 ] || fail "summarized grid: $(cat out.txt)"
grep -q "decision_turn  noise  runs" out.txt || fail "grid columns: $(head -1 out.txt)"
cp out.txt whole.txt
# Shards of the grid, merged, are the whole: table and rows.
for k in 1 2 3; do
  run --sweep --data "$data" --seeds 1-2 --seconds 3,5 --set noise=0,30 --set decision_turn=10:30:2 --random-sensors \
    --shard "$k/3" --csv "shard$k.csv"
  [ "$status" -eq 0 ] || fail "shard $k: $status $(cat err.txt)"
done
run --summarize shard3.csv shard1.csv shard2.csv --csv merged.csv
cmp -s out.txt whole.txt || fail "merged shards: $(diff out.txt whole.txt)"
[ "$(grep -v "^#" merged.csv | cut -d, -f1-10,12-)" = "$(grep -v "^#" grid.csv | cut -d, -f1-10,12-)" ] || fail "merged rows differ"
# Rows with and without the grid columns merge; the plain ones are the default world.
run --sweep --data "$data" --seeds 1-20 --shard 20/20 --seconds 3 --random-sensors --csv plain.csv  # run 19
run --summarize grid.csv plain.csv --csv both.csv
[ "$status" -eq 0 ] || fail "plain and grid rows: $(cat err.txt)"
tail -1 both.csv | grep -q ",vex_flock_setup.txt,1.4142135623730951,10,20,20,576,7.2,3,4,0$" || fail "$(tail -1 both.csv)"
exit 0
