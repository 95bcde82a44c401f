#!/usr/bin/env bash
# morrow and tala at a real terminal: keys typed into a tmux pane, its screen read as a user would. Skipped (77)
# without tmux or a pseudo-terminal. Usage: terminal.sh BIN_DIR DATA_DIR CASE   (CASE: a function below)
set -u
bin=$1 data=$2 case=$3
command -v tmux > /dev/null || { echo "SKIP: tmux is not installed"; exit 77; }
work=$(mktemp -d) sessions=0
socket=$work/tmux-0.sock
export HOME=$work/home && mkdir -p "$HOME"
tm() { tmux -S "$socket" -f /dev/null "$@"; }
trap 'for socket in "$work"/tmux-*.sock; do tm kill-server 2>/dev/null; done; rm -rf "$work"' EXIT
fail() { echo "FAIL ($case): $*"; echo "---- screen:"; screen; exit 1; }
# COMMAND in a fresh pane, 150x50 unless COLUMNS and LINES are given, showing "[exit N]" once it ends. Each session
# has a server of its own: a server that is still going away cannot take the next one.
start() {
  tm kill-server 2>/dev/null
  sessions=$((sessions + 1)) && socket=$work/tmux-$sessions.sock
  tm new-session -d -s t -x "${2:-150}" -y "${3:-50}" "$1; echo \"[exit \$?]\"; sleep 600" && return
  [ $sessions -eq 1 ] || fail "tmux could not start session $sessions"
  echo "SKIP: tmux cannot start a session (no pseudo-terminal?)" && exit 77
}
screen() { tm capture-pane -p -J -t t -S - -E - 2>/dev/null; }
visible() { tm capture-pane -p -t t 2>/dev/null; }  # without the lines scrolled out of the pane
await() { local tries=0; until "$@"; do [ $((tries += 1)) -gt 600 ] && fail "waited in vain: $*"; sleep 0.05; done; }
shows() { [ "$(screen | grep -cF -- "$1")" -ge "${2:-1}" ]; }  # TEXT, COUNT times when given
last_line_is() { [ "$(screen | sed 's/ *$//' | grep -v '^$' | tail -n 1)" = "$1" ]; }
wait_for() { await shows "$@"; }
wait_for_last_line() { await last_line_is "$1"; }
keys() { tm send-keys -t t "$@"; }
type_line() { keys -l -- "$1"; keys Enter; }
ask() { type_line "$1"; wait_for "${@:2}"; }  # LINE, then the TEXT (COUNT) it brings
# Waits for the next PROMPT after the line: keys typed while a command runs would count as a key that stops a loop.
run_line() { local prompts; prompts=$(screen | grep -cF -- "$2"); ask "$1" "$2" $((prompts + 1)); }
refute() { screen | grep -qF -- "$1" && fail "the screen shows '$1'"; return 0; }
leave() { keys C-d; wait_for "[exit 0]"; }
morrow() { start "$bin/morrow" "$@"; wait_for "Morrow > "; }
tala() { start "cd '$data' && $bin/tala" "$@"; wait_for "type !help"; wait_for "tala> "; }
# Up recalls the previous line, also from the history file of an earlier session.
history_recall() {
  morrow; ask "print 42" "integer temp = 42"; keys Up Enter; wait_for "integer temp = 42" 2; leave
  grep -qxF "print 42" "$HOME/.morrow_history" || fail "history file lacks the line"
  morrow; keys Up; wait_for_last_line "Morrow > print 42"
}
# Ctrl-C, or any key, stops a running loop with the user break and leaves the next prompt empty; Ctrl-C at the
# prompt discards the line being typed.
interrupt() {
  morrow; type_line "while 1 (nop 0)"; sleep 0.2; keys C-c; wait_for "User break."; wait_for_last_line "Morrow >"
  # The Ctrl-C was used up: the next loop runs to its end.
  run_line "global (new integer n)" "Morrow > "; run_line "while (comp.lt (get n) 3) (set n (+ (get n) 1))" "Morrow > "
  ask "print (get n)" "integer n = 3"
  keys -l "print 1"; keys C-c; ask "print 2" "integer temp = 2"; refute "integer temp = 1"
  type_line "while 1 (nop 0)"; sleep 0.2; keys -l "x"; wait_for "User break." 2; wait_for_last_line "Morrow >"
  ask "print 3" "integer temp = 3"; refute "Syntax error"
}
completion() { morrow; keys -l "measure_d"; keys Tab; wait_for_last_line "Morrow > measure_distribution"; }
# A line over the shell's limit is cut as piped input is, with a notice, and the session goes on.
long_line() {
  morrow; type_line "begin 1$(printf '%*s' 2100 '')2"; wait_for "only the first 2045 are used"
  wait_for "integer temp = 1"; ask "print 4" "integer temp = 4"
}
# Neither a missing HOME nor a history file that cannot be used stops the shell.
unusable_history() {
  start "env -u HOME $bin/morrow"; wait_for "Morrow > "; ask "print 5" "integer temp = 5"; leave
  mkdir "$HOME/.morrow_history"; morrow; ask "print 6" "integer temp = 6"; leave
}
# !help WORD shows the word's synopsis, and !help alone fits an 80x24 screen: the line that asked for it is still in
# view above the next prompt.
help_screen() {
  morrow; run_line "!help apply_op" "Morrow > "; wait_for "apply_op SYSTEM INDEX OP STATE"
  morrow 80 24; run_line "!help" "Morrow > "
  visible | grep -qxF "Morrow > !help" || fail "!help scrolled out of an 80x24 screen"
  visible | grep -q "^comparison " || fail "the last group is not in view"
  tala 80 24; run_line "!help" "tala> "
  visible | grep -qxF "tala> !help" || fail "tala's !help scrolled out of an 80x24 screen"
  visible | grep -q "^vex sensors " || fail "the library's last group is not in view"
}
# tala's prompt runs commands, !state lists the globals, a decision maker's shell shares the terminal, Ctrl-C stops
# training as q does, and Ctrl-D leaves.
tala_session() {
  tala; ask 'print "hello"' "temp = hello"
  ask '!help vex::qdm::decide' "vex::qdm::decide QDM SPACE"
  wait_for "Measures action space SPACE and answers the index of the nearest action."
  ask '!help vex::qdm::de*' "vex::qdm::decide_str QDM SPACE"
  keys -l "vex::qdm::fin"; keys Tab; wait_for_last_line "tala> vex::qdm::finalize"; keys C-c; wait_for_last_line "tala>"
  for line in "global (new vex::QDM QDM)" "vex::qdm::new (get QDM)" "global (new integer n)"; do
    run_line "$line" "tala> "
  done
  ask "!state" "<vex::QDM, QDM>"
  screen | grep -A1 -xF "<vex::QDM, QDM>" | grep -qxF "<Integer, n>" || fail "!state: not each global with its type"
  ask "vex::qdm::shell (get QDM)" "Morrow > "; ask "print 7" "integer temp = 7"; keys C-d; wait_for_last_line "tala>"
  cat > "$work/train.txt" <<'EOF'
begin
(file flock_decision_maker.txt)
(vex::add_sensor (get QDM) center)
(new vex::TrainingSet rules)
(set rules (vex::add_rule (get rules) (vex::State repeat (vex::SensorList center)) (vex::dist_str (get QDM) 1.0 forward)))
(vex::train (get QDM) (get rules) 1000000 4 20 20)
EOF
  ask "file $work/train.txt" "generation "; keys C-c; wait_for "Training stopped by key after "
  wait_for " generations; the decision maker keeps the best sensors found."; wait_for_last_line "tala>"
  ask 'print "after"' "temp = after"; leave
}
# q stops a score and a training in the middle of a trial's steps, however many the trial has.
long_steps() {
  tala; cat > "$work/long.txt" <<'EOF'
begin
(file flock_decision_maker.txt)
(vex::add_sensor (get QDM) center)
(vex::qdm::prepare (get QDM))
(set rules (vex::add_rule (get rules) (vex::State repeat (vex::SensorList center)) (vex::dist_str (get QDM) 1.0 left)))
EOF
  for line in "global (new vex::QDM QDM)" "vex::qdm::new (get QDM)" "global (new vex::TrainingSet rules)" \
              "file $work/long.txt"; do run_line "$line" "tala> "; done
  type_line "vex::qdm::score (get QDM) (get rules) 1 2000000000"; sleep 0.3; keys -l q
  wait_for "Error: User break."; wait_for_last_line "tala>"
  type_line "vex::train (get QDM) (get rules) 3 2000000000 4 4"; wait_for "3/4"; sleep 0.3; keys -l q
  wait_for "Training stopped by key before its first generation"; wait_for_last_line "tala>"
  ask 'print "after"' "temp = after"
}
"$case"
