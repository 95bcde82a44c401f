#!/usr/bin/env bash
# Keeps the worked example of docs/decision-makers.md true: its "<!-- file: NAME -->" blocks, written to an empty folder
# (DATA is data/), print what each "<!-- transcript: tala --quiet --data "$DATA" < NAME -->" block shows, nothing on
# standard error.
# Usage: guide_example.sh BIN_DIR [--write]   (--write rewrites the transcripts)
set -u
bin=$(cd "$1" && pwd) write=${2:-} root=$(cd "$(dirname "$0")/../.." && pwd)
page=$root/docs/decision-makers.md work=$(mktemp -d) failures=0
trap 'rm -rf "$work"' EXIT
mkdir "$work/example"
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# The fenced lines after each "<!-- KIND: NAME -->" marker, written to $work/KIND.N, NAME to $work/KIND.N.name.
awk -v dir="$work" '
  index($0, "<!-- end of ") == 1 { inside = 0; next }
  match($0, /^<!-- (file|transcript): .* -->$/) {
    kind = ($0 ~ /^<!-- file:/) ? "file" : "transcript"; n[kind]++
    name = $0; sub(/^<!-- [a-z]+: /, "", name); sub(/ -->$/, "", name)
    print name > (dir "/" kind "." n[kind] ".name"); close(dir "/" kind "." n[kind] ".name")
    inside = 1; fence = 0; next }
  inside && /^```/ { fence++; next }
  inside && fence == 1 { print > (dir "/" kind "." n[kind]) }
' "$page"
for name_file in "$work"/file.*.name; do
  [ -e "$name_file" ] || { echo "FAIL: no script files in ${page#"$root"/}"; exit 1; }
  cp "${name_file%.name}" "$work/example/$(cat "$name_file")"
done
for name_file in "$work"/transcript.*.name; do
  [ -e "$name_file" ] || { echo "FAIL: no transcripts in ${page#"$root"/}"; exit 1; }
  command=$(cat "$name_file") expected=${name_file%.name}
  script=${command#tala --quiet --data \"\$DATA\" < }
  [ "$script" != "$command" ] && [ -f "$work/example/$script" ] ||
    { fail "transcript '$command' is not 'tala --quiet --data \"\$DATA\" < FILE' for one of the page's files"; continue; }
  (cd "$work/example" && "$bin/tala" --quiet --data "$root/data" < "$script" 2> "$work/errors") > "$work/actual"
  [ -s "$work/errors" ] && { fail "'$command' reports problems on standard error:"; head -5 "$work/errors"; }
  if [ "$write" = "--write" ]; then
    awk -v start="<!-- transcript: $command -->" -v new="$work/actual" '
      $0 == start { print; print "```text"; while ((getline line < new) > 0) print line; print "```"; skip = 1; next }
      skip && index($0, "<!-- end of transcript -->") == 1 { skip = 0 }
      !skip { print }' "$page" > "$work/page" && cat "$work/page" > "$page"
  elif ! cmp -s "$expected" "$work/actual"; then
    fail "the transcript of '$command' in ${page#"$root"/} differs from what tala prints (rewrite: $0 BIN_DIR --write)"
    diff "$expected" "$work/actual" | head -20
  fi
done
[ $failures -eq 0 ] || exit 1
