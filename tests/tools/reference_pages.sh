#!/usr/bin/env bash
# Keeps the reference pages docs/morrow.md and docs/tala.md in step with the programs.
# Each page holds two generated parts between marker lines:
#   "<!-- words: ..." to "<!-- end of words -->"     what `PROGRAM --reference` prints;
#   "<!-- session: ..." to "<!-- end of session -->" the transcript of the first session:
#     the lines of tests/tools/sessions/PROGRAM.in typed after the prompts, each followed
#     by what the program answers (tala runs in data/), as a terminal shows it.
# README.md shows the first three lines typed in each session.
# Usage: reference_pages.sh BIN_DIR           checks the pages (a test)
#        reference_pages.sh BIN_DIR --write   rewrites the generated parts
set -u
bin=$(cd "$1" && pwd)
write=${2:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
sessions=$root/tests/tools/sessions
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# The lines between the NAME markers of FILE.
part() {
  awk -v start="<!-- $2:" -v end="<!-- end of $2 -->" \
    'index($0, end) == 1 { inside = 0 } inside { print } index($0, start) == 1 { inside = 1 }' "$1"
}

# Replaces the lines between the NAME markers of FILE by the file NEW.
replace_part() {
  awk -v start="<!-- $2:" -v end="<!-- end of $2 -->" -v new="$3" '
    index($0, end) == 1 { inside = 0 }
    !inside { print }
    index($0, start) == 1 { inside = 1; while ((getline line < new) > 0) print line }' "$1" > "$work/page"
  cat "$work/page" > "$1"
}

# Writes the part of PAGE or compares it with the file EXPECTED.
keep() {
  local page=$1 name=$2 expected=$3
  if [ "$write" = "--write" ]; then
    replace_part "$page" "$name" "$expected"
  elif ! part "$page" "$name" | cmp -s - "$expected"; then
    echo "FAIL: the $name part of ${page#"$root"/} differs from what the program gives (rewrite: $0 BIN_DIR --write)"
    part "$page" "$name" | diff - "$expected" | head -20
    failures=$((failures + 1))
  fi
}

# interleave PROMPT INPUT OUTPUT: the session as a terminal shows it, each line of INPUT
# typed after the next PROMPT of the text OUTPUT.
interleave() {
  local prompt=$1 rest=$3 line
  while IFS= read -r line; do
    [[ $rest == *"$prompt"* ]] || break
    printf '%s%s%s\n' "${rest%%"$prompt"*}" "$prompt" "$line"
    rest=${rest#*"$prompt"}
  done < "$2"
  printf '%s' "$rest"
}

# The morrow shell prompts for every line.
morrow_session() {
  local out
  out=$(cd "$work" && "$bin/morrow" < "$sessions/morrow.in"; printf .)
  interleave "Morrow > " "$sessions/morrow.in" "${out%.}"
}

# Piped tala shows no prompt: a marker printed after each line splits the answers.
tala_session() {
  local marker="String (tala::interpreter)temp = end-of-answer" line out
  while IFS= read -r line; do printf '%s\nprint end-of-answer\n' "$line"; done < "$sessions/tala.in" > "$work/tala.in"
  out=$(cd "$root/data" && "$bin/tala" < "$work/tala.in"; printf .)
  out=${out%.}
  while IFS= read -r line; do
    printf 'tala> %s\n%s' "$line" "${out%%"$marker"*}"
    out=${out#*"$marker"$'\n'}
  done < "$sessions/tala.in"
}

# As a terminal shows the text: what follows a carriage return overwrites its line.
overwritten() {
  awk '{ n = split($0, parts, "\r"); line = ""
         for (i = 1; i <= n; i++) line = parts[i] substr(line, length(parts[i]) + 1)
         print line }'
}

for program in morrow tala; do
  page=$root/docs/$program.md
  "$bin/$program" --reference > "$work/words"
  keep "$page" words "$work/words"
  { echo '```text'; "${program}_session" | overwritten; echo '```'; } > "$work/session"
  keep "$page" session "$work/session"
done

# README shows the first three lines of each session as typed after the prompt.
for prompt in "Morrow > :morrow" "tala> :tala"; do
  head -n 3 "$sessions/${prompt#*:}.in" | while IFS= read -r line; do
    sed 's/^ *//' "$root/README.md" | grep -qxF -- "${prompt%:*}$line" || echo "FAIL: README.md lacks the line '${prompt%:*}$line'"
  done
done | grep . && failures=$((failures + 1))

[ $failures -eq 0 ] || exit 1
