#!/usr/bin/env bash
# The programs' command-line conventions: --help, --version, unknown options, script
# files named on the command line, and the exit statuses.
# Usage: command_line.sh BIN_DIR
set -u
bin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0

# The file's whole text matches the regular expression (Perl's, with "." matching line
# ends too); "^$" asks for nothing. grep would take each line of a pattern for a pattern
# of its own, so the pattern's line ends are written as \n.
matches() {
  if [ "$2" = "^$" ]; then [ ! -s "$1" ]; else grep -qzP -- "(?s)${2//$'\n'/\\n}" "$1"; fi
}

# expect STATUS STDOUT-PATTERN STDERR-PATTERN COMMAND...: the command exits with STATUS
# and its outputs match the patterns.
expect() {
  local status=$1 out=$2 err=$3
  shift 3
  "$@" > out.txt 2> err.txt < /dev/null
  local actual=$?
  if [ $actual -ne "$status" ] || ! matches out.txt "$out" || ! matches err.txt "$err"; then
    echo "FAIL: $*: status $actual (expected $status)"
    echo "-- stdout:"; cat out.txt
    echo "-- stderr:"; cat err.txt
    failures=$((failures + 1))
  fi
}

version=$(sed -n 's/^project([^)]*VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")

for program in morrow tala; do
  expect 0 "^Usage: $program \[OPTION\]\.\.\. \[FILE\]\.\.\..*--help.*--version.*--reference.*docs/$program\.md" "^$" \
    "$bin/$program" --help
  # The word reference: one heading per group, an item per word, nothing run.
  expect 0 "^### control

- \`global [^\n]*\n.*### " "^$" "$bin/$program" --reference no-such-file.txt
  expect 0 "^$program $version
$" "^$" "$bin/$program" --version
  expect 2 "^$" "^$program: unknown option '--bogus'
Usage: $program " "$bin/$program" --bogus
  expect 2 "^$" "unknown option '-x'" "$bin/$program" ok.txt -x
done

expect 0 "- \`gate NAME QUBITS \[CONTROL TARGET\]\`: " "^$" "$bin/morrow" --reference
expect 0 "### vex decision maker

- \`vex::qdm::new QDM\`: " "^$" "$bin/tala" --reference

# morrow FILE... runs each file in one table, then exits.
printf 'begin\n(global (new integer n))\n(global (set n 41))\n' > first.txt
printf 'print (+ (get n) 1)\n' > "second file.txt"
printf 'begin (print 1) (rowSize 5)\n' > failing.txt
printf 'print 9\n' > -dash.txt
expect 0 "^integer temp = 42
$" "^$" "$bin/morrow" first.txt "second file.txt"
expect 0 "^integer temp = 9
$" "^$" "$bin/morrow" -- -dash.txt
expect 1 "^integer temp = 1
Error: getMatrix error - type is NULL or not matrix
$" "^$" "$bin/morrow" failing.txt
# A file that cannot be opened stops the program before anything runs.
mkdir folder
expect 1 "^$" "^morrow: cannot open 'missing.txt': No such file or directory
morrow: cannot open 'folder': Is a directory
$" "$bin/morrow" first.txt missing.txt folder
printf 'print 1\n' > "a(b).txt"
expect 1 "^$" "^morrow: cannot open 'a\(b\)\.txt': " "$bin/morrow" "a(b).txt"

# tala FILE... likewise; a failure does not stop the files after it.
printf 'print "one"\n' > one.txt
printf 'if abc 1 2\n' > raising.txt
expect 1 "^Error: getInteger error - type is NULL or not int
String \(tala::interpreter\)temp = one
$" "^$" "$bin/tala" raising.txt one.txt
expect 1 "^$" "^tala: cannot open 'missing.txt': No such file or directory
$" "$bin/tala" one.txt missing.txt
if [ "$(id -u)" -ne 0 ]; then
  printf 'print 1\n' > secret.txt
  chmod 000 secret.txt
  expect 1 "^$" "^tala: cannot open 'secret.txt': Permission denied
$" "$bin/tala" secret.txt
fi

# -h is --help; --seed takes a whole number, and the options of a value say what is wrong.
for program in morrow tala; do
  expect 0 "^Usage: $program " "^$" "$bin/$program" -h
  expect 2 "^$" "^$program: --seed needs a whole number from 0 to 4294967295, not '7x'
Usage: $program " "$bin/$program" --seed 7x
  expect 2 "^$" "^$program: --seed needs a value
" "$bin/$program" --seed
done
expect 2 "^$" "^tala: --strict takes no value
" "$bin/tala" --strict=yes
expect 2 "^$" "^tala: --data needs a folder, and 'nowhere' is none
" "$bin/tala" --data nowhere one.txt

# --data: the file word finds scripts there, as after "path DIR".
mkdir scripts
printf 'print "found"\n' > scripts/found.txt
printf 'file found.txt\n' > finding.txt
expect 0 "^String \(tala::interpreter\)temp = found
$" "^$" "$bin/tala" --data=scripts finding.txt

# --strict: the first problem ends the run with status 1; without it the run goes on.
printf 'begin\n(print 1)\n(frobnicate 2)\n(print 3)\n' > mistaken.txt
expect 0 "^Integer \(tala::interpreter\)temp = 1
Syntax error 'frobnicate 2'
Integer \(tala::interpreter\)temp = 3
$" "^$" "$bin/tala" mistaken.txt
expect 1 "^Integer \(tala::interpreter\)temp = 1
Syntax error 'frobnicate 2'
$" "^tala: stopped at the first problem \(--strict\)
$" "$bin/tala" --strict mistaken.txt one.txt
expect 1 "^Error: getInteger error - type is NULL or not int
$" "stopped at the first problem" "$bin/tala" --strict raising.txt one.txt

# --seed: a run that decides with untrained sensors repeats byte for byte with one seed,
# and another seed changes it. --quiet leaves out the sizes each decision prints.
data=$(cd "$(dirname "$0")/../../data" && pwd)
cat > deciding.txt <<'EOF'
global (new vex::QDM QDM)
vex::qdm::new (get QDM)
file flock_decision_maker.txt
vex::add_sensor (get QDM) center
vex::qdm::prepare (get QDM)
begin (new integer i) (while (< i 30) (vex::qdm::apply_op (get QDM) center) (vex::qdm::think (get QDM)) (print (vex::qdm::decide_str QDM 0)) (set i (+ i 1)))
EOF
decide() { (cd "$data" && "$bin/tala" "$@" < "$work/deciding.txt"); }
decide --seed 7 > seven.txt
decide --seed=7 > again.txt
decide --seed 8 > eight.txt
grep -q "1, 3, 9" seven.txt && cmp -s seven.txt again.txt && ! cmp -s seven.txt eight.txt ||
  { echo "FAIL: --seed 7 does not repeat, or --seed 8 does not differ"; failures=$((failures + 1)); }
decide --seed 7 --quiet > quiet.txt
[ "$(grep -c "temp = " quiet.txt)" -eq 30 ] && ! grep -q "Size\|1, 3, 9" quiet.txt ||
  { echo "FAIL: --quiet:"; cat quiet.txt; failures=$((failures + 1)); }

# Training quietly: no generation, mutation or DEBUG lines, and the same sensors.
cp -r "$data" quiet-data
(cd quiet-data && "$bin/tala" --quiet train_flock.txt) > training.txt 2>&1
[ "$(cat training.txt)" = "Saving sensors to file 'flock_sensors.bin'
Double forward-after-center = 1
Double left-after-left = 1
Double right-after-right = 1" ] && cmp -s quiet-data/flock_sensors.bin "$data/flock_sensors.bin" ||
  { echo "FAIL: quiet training:"; head -20 training.txt; failures=$((failures + 1)); }

[ $failures -eq 0 ] || exit 1
