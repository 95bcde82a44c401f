#!/usr/bin/env bash
# The flock's command line without a window: help and version, usage errors, data that cannot be found or
# cannot fly, and headless flights with their files. Usage: flock_cli.sh FLOCK-PROGRAM DATA-DIR
set -u -o pipefail
source "$(dirname "$0")/cli_test_start.sh"
mkdir empty out || exit 1
# run ARGS...: runs flock in $work/out; status in $status, output in out.txt, err.txt.
run() { (cd out && exec timeout 120 "$flock" "$@") </dev/null >out.txt 2>err.txt; status=$?; }
lines() { wc -l <"$1" | tr -d ' '; }
# refused STATUS LAST-LINE ARGS...: flock ends with STATUS, the last line of stderr matching LAST-LINE.
refused() {
  local want=$1 last=$2
  shift 2; run "$@"
  [ "$status" -eq "$want" ] && tail -1 err.txt | grep -qx -- "$last" || fail "$*: status $status: $(tail -1 err.txt)"
}
# alone: stderr was that one line, and nothing went to stdout.
alone() { [ "$(lines err.txt)" -eq 1 ] && [ ! -s out.txt ] || fail "$1: $(cat out.txt err.txt)"; }

run --help
[ "$status" -eq 0 ] && grep -q "^Usage: flock" out.txt && grep -q -- --headless out.txt || fail "--help: status $status"
[ -s err.txt ] && fail "--help wrote to stderr"
run --version
[ "$status" -eq 0 ] && grep -qE "^flock [0-9]+\.[0-9]+\.[0-9]+$" out.txt || fail "--version: $(cat out.txt)"
for bad in "--agents 0" "--headless --seconds -3" "--headless --seconds 1e12" "--frob" "--csv x.csv" \
  "--headless --csv same --svg ./same"; do
  # shellcheck disable=SC2086
  run $bad
  [ "$status" -eq 2 ] || fail "'$bad' ended with status $status, not 2"
  head -n 1 err.txt | grep -q "^flock: " || fail "'$bad': no reason first on stderr"
  grep -q "^Usage: flock" err.txt || fail "'$bad': no usage on stderr"
  [ -s out.txt ] && fail "'$bad' wrote to stdout"
done

# A copy of the program far from the build tree and any install finds nothing.
mkdir bin && cp "$flock" bin/flock && (cd empty && exec "$work/bin/flock") </dev/null >out.txt 2>err.txt
[ $? -eq 1 ] && grep -q -- "--data DIR" err.txt || fail "nothing to find: $(cat err.txt)"
alone "nothing to find"
refused 1 "flock: no vex_flock_setup.txt in '$work/empty' (given with --data)" --data "$work/empty"
alone "--data without a setup script"

# A damaged sensor file: one reason and exit 1, in the window before it opens and headless, and no flood from the minds.
cp -r "$data" damaged && head -c 40 "$data/flock_sensors.bin" >damaged/flock_sensors.bin
for mode in "" "--headless"; do
  refused 1 "flock: cannot fly with the data in '.*': no sensor named 'center'" ${mode:+"$mode"} --data "$work/damaged"
  grep -q "Window" err.txt && fail "damaged sensors $mode: a window was tried"
  [ $(($(lines out.txt) + $(lines err.txt))) -le 12 ] || fail "damaged sensors $mode: a flood"
done

# The same flight twice, byte for byte; the files land where flock was started.
flight=(--headless --data "$data" --seconds 5 --every 1 --csv flight.csv --svg flight.svg)
run "${flight[@]}"
[ "$status" -eq 0 ] || fail "headless: status $status: $(cat err.txt)"
outputs=(out.txt err.txt out/flight.csv out/flight.svg)
for file in "${outputs[@]}"; do mv "$file" "first-${file#out/}"; done
run "${flight[@]}"
for file in "${outputs[@]}"; do cmp -s "$file" "first-${file#out/}" || fail "$file differs between two runs"; done
[ "$(lines out.txt)" -eq 7 ] || fail "not a header, five rows and the whole: $(cat out.txt)"
[ "$(head -n 1 out.txt | tr -s ' ' | sed 's/^ //')" = "seconds distance polarisation following decisions failures" ] ||
  fail "table header: $(head -n 1 out.txt)"
# The CSV's rows are the table's decisions (their format is the unit tests').
decisions=$(awk '$1 == "all" { print $5 }' out.txt)
[ "$(head -n 1 out/flight.csv)" = "time,agent,x,y,heading,stimulus,decision" ] || fail "CSV header"
row='^[0-9.]*,[0-7],.*,\(center\|left\|right\),\(forward\|left\|right\)$'
[ "$(grep -c "$row" out/flight.csv)" -eq "$decisions" ] || fail "$decisions decisions: $(head -3 out/flight.csv)"
xmllint --noout out/flight.svg || fail "the SVG does not parse"
[ "$(grep -c "<polyline" out/flight.svg)" -eq 10 ] || fail "the SVG lacks the eight paths and two charts"

# Outputs that cannot be written stop the run before it flies, and leave no file.
refused 1 "flock: cannot write .*" --headless --data "$data" --csv "$work/missing/flight.csv"
alone "unwritable CSV"
refused 1 "flock: cannot write .*" --headless --data "$data" --svg "$work/out"
# Without QDM_Scripts/ no decision maker can be finalized: one line names what is missing, before any agent is made.
cp -r "$data" noscripts && rm -r noscripts/QDM_Scripts
refused 1 ".*has no QDM_Scripts/SetupTops.txt and QDM_Scripts/prepare.txt.*" --headless --data "$work/noscripts"
alone "no QDM_Scripts"
# A flight in which every decision fails exits 1 and quotes the first failure.
cp -r "$data" unmeasurable && : >unmeasurable/QDM_Scripts/prepare.txt
refused 1 "flock: every one of 80 decisions failed; the first failure: Measurement error." \
  --headless --data "$work/unmeasurable" --seconds 2

# Sensor files of --sensors that cannot be read or do not fit: the last line names the file.
printf '%s\n' "global (new vex::QDM QDM)" "vex::qdm::new (get QDM)" "file flock_decision_maker.txt" \
  "vex::add_sensor (get QDM) up" "vex::save (get QDM) $work/up.bin" "global (new vex::QDM small)" "vex::qdm::new (get small)" \
  "vex::add_sensor (get small) center" "vex::add_sensor (get small) left" "vex::add_sensor (get small) right" \
  "vex::save (get small) $work/small.bin" | (cd "$data" && "$(dirname "$flock")/tala" --quiet >/dev/null)
while IFS='|' read -r sensors reason; do
  refused 1 "flock: $reason" --headless --data "$data" --sensors "$sensors"
done <<TABLE
$work/missing.bin|cannot read the sensor file '$work/missing.bin': No such file or directory
$work|cannot read the sensor file '$work': Is a directory
/dev/zero|cannot read the sensor file '/dev/zero': not a regular file
$work/damaged/flock_sensors.bin|'$work/damaged/flock_sensors.bin' is not a sensor file, or it is damaged
$work/up.bin|cannot fly with the sensors of '$work/up.bin': no sensor named 'center'
$work/small.bin|cannot fly with the sensors of '$work/small.bin': sensor 'center' is 1 x 1, the decision maker needs 3 x 3
TABLE

# --quiet leaves out the sizes, at start-up and at every decision.
run --headless --data "$data" --seconds 2 --quiet
[ "$status" -eq 0 ] && ! grep -q "Size\|1, 3, 9" err.txt || fail "--quiet: $(cat err.txt)"
# Minds that train as they start: training's text goes to stderr with the minds' other text, stdout has the table.
cp -r "$data" training
printf '%s\n' "(new vex::TrainingSet rules)" \
  "(set rules (vex::add_rule (get rules) (vex::State repeat (vex::SensorList center)) (vex::dist_str (get QDM) 1.0 forward)))" \
  "(vex::train (get QDM) (get rules) 2 1 3 3)" >>training/vex_flock_setup.txt
run --headless --data "$work/training" --agents 2 --seconds 1
[ "$status" -eq 0 ] && grep -q "^DEBUG: final max fitness" err.txt && [ "$(lines out.txt)" -eq 2 ] &&
  [ "$(awk 'NR == 2 { print $1 }' out.txt)" = all ] || fail "training minds: status $status: $(cat out.txt err.txt)"
echo "flock command line: passed"
