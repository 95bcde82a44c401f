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

[ $failures -eq 0 ] || exit 1
