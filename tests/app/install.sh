#!/usr/bin/env bash
# Installs the build into a fresh prefix and runs the installed programs from an
# empty folder. Usage: install.sh CMAKE BUILD-DIR DATA-INSTALL-DIR
set -u -o pipefail
cmake=$1 build=$2 data_dir=$3 prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cmake" --install "$build" --prefix "$prefix/usr" >/dev/null || fail "cmake --install failed"
for program in flock morrow tala; do [ -x "$prefix/usr/bin/$program" ] || fail "no $program in bin"; done
[ -f "$prefix/usr/$data_dir/vex_flock_setup.txt" ] && [ -f "$prefix/usr/$data_dir/QDM_Scripts/SetupTops.txt" ] ||
  fail "no data in $data_dir"
[ -f "$prefix/usr/share/doc/QuantumFlock/tala.md" ] && [ -f "$prefix/usr/share/doc/QuantumFlock/flock.md" ] ||
  fail "no pages in share/doc/QuantumFlock"

mkdir "$prefix/empty" && cd "$prefix/empty" || exit 1
table=$(env -u DISPLAY timeout 120 "$prefix/usr/bin/flock" --headless --seconds 2 2>../err.txt </dev/null); status=$?
[ "$status" -eq 0 ] || fail "installed flock: status $status: $(cat "$prefix/err.txt")"
grep -qE "^ +all +[0-9.]+ +0\.[0-9]+ +[0-9.]+% +80 +0$" <<<"$table" || fail "installed flock: $table"
[ -z "$(ls -A "$prefix/empty")" ] || fail "the installed flock wrote into the folder it ran in"
echo "exit" | "$prefix/usr/bin/morrow" >/dev/null || fail "installed morrow"
printf 'print hello\n' | "$prefix/usr/bin/tala" >/dev/null || fail "installed tala"
echo "install: passed"
