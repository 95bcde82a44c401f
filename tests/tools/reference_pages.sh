#!/usr/bin/env bash
# Checks (or with --write rewrites) the generated parts of docs/morrow.md and docs/tala.md and the README's
# session lines. Usage: reference_pages.sh BIN_DIR [--write]
set -u
bin=$(cd "$1" && pwd) write=${2:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
sessions=$root/tests/tools/sessions work=$(mktemp -d) failures=0
trap 'rm -rf "$work"' EXIT
# The lines of FILE between the markers "<!-- NAME:" and "<!-- end of NAME -->"; given NEW, FILE with those lines
# replaced by the file NEW.
part() {
  awk -v start="<!-- $2:" -v end="<!-- end of $2 -->" -v new="${3:-}" 'index($0, end) == 1 { inside = 0 }
    (inside ? new == "" : new != "") { print }
    index($0, start) == 1 { inside = 1; if (new != "") while ((getline line < new) > 0) print line }' "$1"
}
# Writes the NAME part of PAGE, or compares it with the file EXPECTED.
keep() {
  if [ "$write" = "--write" ]; then part "$@" > "$work/page" && cat "$work/page" > "$1"
  elif ! part "$1" "$2" | cmp -s - "$3"; then
    echo "FAIL: the $2 part of ${1#"$root"/} differs from what the program gives (rewrite: $0 BIN_DIR --write)"
    part "$1" "$2" | diff - "$3" | head -20 && failures=$((failures + 1))
  fi
}
# interleave PROMPT INPUT OUTPUT: the session as a terminal shows it, each line of INPUT typed after the next PROMPT
# of the text OUTPUT.
interleave() {
  local prompt=$1 rest=$3 line
  while IFS= read -r line && [[ $rest == *"$prompt"* ]]; do
    printf '%s%s%s\n' "${rest%%"$prompt"*}" "$prompt" "$line" && rest=${rest#*"$prompt"}
  done < "$2"
  printf '%s' "$rest"
}
morrow_session() {
  local out
  out=$(cd "$work" && "$bin/morrow" < "$sessions/morrow.in"; printf .)
  interleave "Morrow > " "$sessions/morrow.in" "${out%.}"
}
# Piped tala shows no prompt: a marker printed after each line splits the answers. It runs in data/.
tala_session() {
  local marker="String (tala::interpreter)temp = end-of-answer" line out
  while IFS= read -r line; do printf '%s\nprint end-of-answer\n' "$line"; done < "$sessions/tala.in" > "$work/tala.in"
  out=$(cd "$root/data" && "$bin/tala" < "$work/tala.in"; printf .) && out=${out%.}
  while IFS= read -r line; do
    printf 'tala> %s\n%s' "$line" "${out%%"$marker"*}" && out=${out#*"$marker"$'\n'}
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
  "$bin/$program" --reference > "$work/words" && keep "$page" words "$work/words"
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
