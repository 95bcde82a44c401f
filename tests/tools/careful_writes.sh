#!/usr/bin/env bash
# Whole-file writes and script files at the command line: devices and links keep what
# they are, a file-size limit leaves no temporary, pipes named as scripts are refused at
# once, file words name their reasons on standard error, and sizes that mean nothing
# (in FLOCK_MEMORY_LIMIT_MB, script files, vex::train) are told about.
# Usage: careful_writes.sh BIN_DIR DATA_DIR
set -u
bin=$(realpath "$1")
data=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
temporaries() { find "$work" -name '.~*.tmp' | grep -q . && fail "a temporary was left: $*"; }
unset DISPLAY WAYLAND_DISPLAY

# Pipes named as scripts: refused at once, with the reason.
mkfifo fifo
for program in tala morrow; do
  timeout 10 "$bin/$program" fifo </dev/null >out.txt 2>err.txt
  status=$?
  [ $status -eq 1 ] && [ "$(cat err.txt)" = "$program: cannot open 'fifo': not a regular file" ] ||
    fail "$program fifo: status $status, $(cat err.txt)"
done

# morrow: the specified line on standard output, the reason on standard error, exit 1.
mkdir outdir
printf 'print_file outdir 1\n' >print.txt
"$bin/morrow" print.txt </dev/null >out.txt 2>err.txt
status=$?
[ $status -eq 1 ] && [ "$(cat out.txt)" = "Cannot open file 'outdir'" ] &&
  [ "$(cat err.txt)" = "Cannot open file 'outdir': Is a directory" ] || fail "morrow print_file outdir: $status"
printf 'file nosuch.txt\n' >missing.txt
"$bin/tala" missing.txt </dev/null >out.txt 2>err.txt
[ "$(cat out.txt)" = "Cannot open file 'nosuch.txt'" ] &&
  [ "$(cat err.txt)" = "Cannot open file 'nosuch.txt': No such file or directory" ] || fail "tala file nosuch.txt"

# A script larger than the budget is refused before it is read (1 GB of NUL bytes).
truncate -s 1G big.txt
printf 'file big.txt\n' >runbig.txt
FLOCK_MEMORY_LIMIT_MB=100 timeout 20 "$bin/tala" runbig.txt </dev/null >out.txt 2>err.txt
grep -q "^Error: Not enough memory for the script file 'big.txt': it needs 1024 MB" out.txt ||
  fail "big script: $(head -c 300 out.txt)"

# A limit beyond any memory is read without overflow: one notice, and the run goes on.
printf 'print "ran"\n' >ran.txt
FLOCK_MEMORY_LIMIT_MB=8796093022208 "$bin/tala" ran.txt </dev/null >out.txt 2>err.txt
[ "$(cat out.txt)" = "String (tala::interpreter)temp = ran" ] && [ "$(wc -l <err.txt)" -eq 1 ] &&
  grep -q "is more than the .* MB of memory available" err.txt || fail "huge limit: $(cat out.txt err.txt)"

# vex::train with a size below 1 says what it means.
cat >train.txt <<'SCRIPT'
global (new vex::QDM Q)
vex::qdm::new Q
vex::add_sensor Q center
global (new vex::TrainingSet T)
set T (vex::add_rule T (vex::State repeat (vex::SensorList center)) (vex::dist 0.5 0 0 0.5 0 2))
vex::train Q T 1 0 3 3
SCRIPT
"$bin/tala" <train.txt >out.txt 2>err.txt
grep -qx "vex::train: repetitions 0: no thinking step is taken, so fitness only measures the prepared state" err.txt ||
  fail "train repetitions 0: $(cat err.txt)"

# The flock's files: /dev/stdout prints, a link stays a link, a device stays a device.
flight=("$bin/flock" --headless --data "$data" --seconds 1)
"${flight[@]}" --csv /dev/stdout </dev/null >out.txt 2>err.txt
grep -qx "time,agent,x,y,heading,stimulus,decision" out.txt || fail "--csv /dev/stdout: $(head -n 3 out.txt)"
mkdir real
printf 'old\n' >real/flight.csv
ln -s real/flight.csv link.csv
"${flight[@]}" --csv "$work/link.csv" </dev/null >out.txt 2>err.txt
[ -L link.csv ] && head -n 1 real/flight.csv | grep -q "^time," || fail "--csv through a link"
if [ "$(id -u)" -eq 0 ]; then
  mkdir devs && mknod devs/full c 1 7
  "${flight[@]}" --csv "$work/devs/full" </dev/null >out.txt 2>err.txt
  status=$?
  [ $status -ne 0 ] && [ -c devs/full ] && grep -q "No space left on device" err.txt || fail "--csv to a full device: $status"
fi

# A file-size limit (the table of ten seconds is about 16 KB): the old file whole, no temporary, the limit named.
printf 'old\n' >fsz.csv
cp fsz.csv fsz.before
(ulimit -f 8 && exec "${flight[@]}" --seconds 10 --csv "$work/fsz.csv") </dev/null >out.txt 2>err.txt
status=$?
[ $status -eq 1 ] && cmp -s fsz.csv fsz.before && grep -q "File too large (the file-size limit is 8192 bytes)" err.txt ||
  fail "file-size limit: status $status, $(cat err.txt)"
temporaries "after every write"

[ $failures -eq 0 ] || exit 1
