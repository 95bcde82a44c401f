#!/usr/bin/env bash
# The flock's command line without a window: help and version, usage errors, data
# that cannot be found or cannot fly, and headless flights with their files.
# Usage: flock_cli.sh FLOCK-PROGRAM DATA-DIR
set -u -o pipefail
flock=$(realpath "$1")
data=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
mkdir "$work/empty" "$work/out"
# No display anywhere here: nothing below may need one.
unset DISPLAY WAYLAND_DISPLAY

# run ARGS...: runs flock in $work/out; status in $status, output in out.txt, err.txt.
run() {
  (cd "$work/out" && exec timeout 120 "$flock" "$@") </dev/null >"$work/out.txt" 2>"$work/err.txt"
  status=$?
}
lines() { wc -l <"$1" | tr -d ' '; }

run --help
[ "$status" -eq 0 ] && grep -q "^Usage: flock" "$work/out.txt" && grep -q -- "--headless" "$work/out.txt" ||
  fail "--help: status $status"
[ -s "$work/err.txt" ] && fail "--help wrote to stderr"
run --version
[ "$status" -eq 0 ] && grep -qE "^flock [0-9]+\.[0-9]+\.[0-9]+$" "$work/out.txt" || fail "--version: $(cat "$work/out.txt")"

for bad in "--agents 0" "--headless --seconds -3" "--headless --seconds 1e12" "--frob" "--csv x.csv" \
  "--headless --csv same --svg ./same"; do
  # shellcheck disable=SC2086
  run $bad
  [ "$status" -eq 2 ] || fail "'$bad' ended with status $status, not 2"
  head -n 1 "$work/err.txt" | grep -q "^flock: " || fail "'$bad': no reason first on stderr"
  grep -q "^Usage: flock" "$work/err.txt" || fail "'$bad': no usage on stderr"
  [ -s "$work/out.txt" ] && fail "'$bad' wrote to stdout"
done

# refused STATUS LAST-LINE ARGS...: flock ends with STATUS, the last line of stderr matching LAST-LINE.
refused() {
  local expected=$1 last=$2
  shift 2
  run "$@"
  [ "$status" -eq "$expected" ] && tail -n 1 "$work/err.txt" | grep -qx -- "$last" ||
    fail "$*: status $status: $(tail -n 1 "$work/err.txt")"
}
# alone: stderr was that one line, and nothing went to stdout.
alone() { [ "$(lines "$work/err.txt")" -eq 1 ] && [ ! -s "$work/out.txt" ] || fail "$1: $(cat "$work/out.txt" "$work/err.txt")"; }

# A copy of the program far from the build tree and any install finds nothing.
mkdir "$work/bin"
cp "$flock" "$work/bin/flock"
(cd "$work/empty" && exec "$work/bin/flock") </dev/null >"$work/out.txt" 2>"$work/err.txt"
[ $? -eq 1 ] && grep -q -- "--data DIR" "$work/err.txt" || fail "nothing to find: $(cat "$work/err.txt")"
alone "nothing to find"
refused 1 "flock: no vex_flock_setup.txt in '$work/empty' (given with --data)" --data "$work/empty"
alone "--data without a setup script"

# A damaged sensor file: one reason and exit 1, in the window before it opens and
# headless alike, and no flood of messages from the minds.
cp -r "$data" "$work/damaged"
head -c 40 "$data/flock_sensors.bin" >"$work/damaged/flock_sensors.bin"
for mode in "" "--headless"; do
  # shellcheck disable=SC2086
  refused 1 "flock: cannot fly with the data in '.*': no sensor named 'center'" $mode --data "$work/damaged"
  grep -q "Window" "$work/err.txt" && fail "damaged sensors $mode: a window was tried"
  [ $(($(lines "$work/out.txt") + $(lines "$work/err.txt"))) -le 12 ] || fail "damaged sensors $mode: a flood"
done

# The same flight twice, byte for byte; the files land where flock was started.
flight=(--headless --data "$data" --seconds 5 --every 1 --csv flight.csv --svg flight.svg)
run "${flight[@]}"
[ "$status" -eq 0 ] || fail "headless: status $status: $(cat "$work/err.txt")"
outputs=(out.txt err.txt out/flight.csv out/flight.svg)
for file in "${outputs[@]}"; do mv "$work/$file" "$work/first-${file#out/}"; done
run "${flight[@]}"
for file in "${outputs[@]}"; do
  cmp -s "$work/$file" "$work/first-${file#out/}" || fail "$file differs between two runs"
done
[ "$(lines "$work/out.txt")" -eq 7 ] || fail "not a header, five rows and the whole: $(cat "$work/out.txt")"
[ "$(head -n 1 "$work/out.txt" | tr -s ' ' | sed 's/^ //')" = "seconds distance polarisation following decisions failures" ] ||
  fail "table header: $(head -n 1 "$work/out.txt")"
# The CSV's rows are the table's decisions (their format is the unit tests').
decisions=$(awk '$1 == "all" { print $5 }' "$work/out.txt")
[ "$(head -n 1 "$work/out/flight.csv")" = "time,agent,x,y,heading,stimulus,decision" ] || fail "CSV header"
row='^[0-9.]*,[0-7],.*,\(center\|left\|right\),\(forward\|left\|right\)$'
[ "$(grep -c "$row" "$work/out/flight.csv")" -eq "$decisions" ] ||
  fail "CSV rows for $decisions decisions: $(head -n 3 "$work/out/flight.csv")"
xmllint --noout "$work/out/flight.svg" || fail "the SVG does not parse"
[ "$(grep -c "<polyline" "$work/out/flight.svg")" -eq 10 ] || fail "the SVG lacks the eight paths and two charts"

# Outputs that cannot be written stop the run before it flies, and leave no file.
refused 1 "flock: cannot write .*" --headless --data "$data" --csv "$work/missing/flight.csv"
alone "unwritable CSV"
refused 1 "flock: cannot write .*" --headless --data "$data" --svg "$work/out"
# A data folder without QDM_Scripts/ cannot finalize a decision maker: one line names
# what is missing, before any agent is made.
cp -r "$data" "$work/noscripts"
rm -r "$work/noscripts/QDM_Scripts"
refused 1 ".*has no QDM_Scripts/SetupTops.txt and QDM_Scripts/prepare.txt.*" --headless --data "$work/noscripts"
alone "no QDM_Scripts"

# A flight in which every decision fails exits 1 and quotes the first failure.
cp -r "$data" "$work/unmeasurable"
: >"$work/unmeasurable/QDM_Scripts/prepare.txt"
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
[ "$status" -eq 0 ] && ! grep -q "Size\|1, 3, 9" "$work/err.txt" || fail "--quiet: $(cat "$work/err.txt")"
# Minds that train as they start: training's text goes to stderr with the minds' other
# text, and stdout holds the table alone.
cp -r "$data" "$work/training"
printf '%s\n' "(new vex::TrainingSet rules)" \
  "(set rules (vex::add_rule (get rules) (vex::State repeat (vex::SensorList center)) (vex::dist_str (get QDM) 1.0 forward)))" \
  "(vex::train (get QDM) (get rules) 2 1 3 3)" >>"$work/training/vex_flock_setup.txt"
run --headless --data "$work/training" --agents 2 --seconds 1
[ "$status" -eq 0 ] && grep -q "^DEBUG: final max fitness" "$work/err.txt" && [ "$(lines "$work/out.txt")" -eq 2 ] &&
  [ "$(awk 'NR == 2 { print $1 }' "$work/out.txt")" = all ] ||
  fail "training minds: status $status: $(cat "$work/out.txt" "$work/err.txt")"
echo "flock command line: passed"
