#!/usr/bin/env bash
# Runs the flock under a private X server with software GL and checks it as a user
# would: P starts the agents (white, blue, green and red triangle outlines), their
# trail dots stay behind when P pauses them, R brings them back to the origin, and
# Escape ends the program with status 0 after releasing every decision maker.
# Usage: flock_end_to_end.sh FLOCK-PROGRAM DATA-DIR [SCREENSHOT-DIR]
set -u -o pipefail
flock=$(realpath "$1")
data=$(realpath "$2")
shots=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
xvfb_pid=""
flock_pid=""

cleanup() {
  [ -n "$flock_pid" ] && kill "$flock_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- flock's standard error:"
  cat "$work/err.log" 2>/dev/null
  exit 1
}

export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/third_party_leaks.supp"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" </dev/null &
xvfb_pid=$!
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
export DISPLAY=":$(head -n 1 "$work/display")"

# In a sanitizer build keep Mesa's driver loaded to the end, so that LeakSanitizer
# can still name the library that holds the driver's memory.
preload=""
libasan=$(ldd "$flock" | awk '/libasan/ { print $3; exit }')
if [ -n "$libasan" ]; then
  for driver in /usr/lib/*/dri/swrast_dri.so /usr/lib/dri/swrast_dri.so; do
    if [ -f "$driver" ]; then preload="$libasan $driver"; break; fi
  done
fi

(cd "$data" && LD_PRELOAD="$preload" exec "$flock") </dev/null >"$work/out.log" 2>"$work/err.log" &
flock_pid=$!

window=$(timeout 60 xdotool search --sync --name '^Open GL$' | head -n 1)
[ -n "$window" ] || fail "no window titled 'Open GL' appeared"

# Classifies the window's pixels. Prints: white grey blue green red other, then the
# largest distance of a blue, green or red pixel from the window's centre. With a
# screenshot folder given, the picture is kept there as NAME.png.
screen_pixels() {  # screen_pixels NAME
  timeout 20 xwd -root -silent >"$work/shot.xwd" || return 1
  if [ -n "$shots" ]; then
    timeout 20 convert "$work/shot.xwd" -crop 800x600+0+0 +repage "$shots/$1.png" || return 1
  fi
  timeout 30 convert "$work/shot.xwd" -crop 800x600+0+0 +repage -depth 8 txt:- |
    awk -F'[,:() ]+' '
      NR > 1 && !($3 == 0 && $4 == 0 && $5 == 0) {
        r = $3; g = $4; b = $5; coloured = 1
        if (r == 255 && g == 255 && b == 255) { white++; coloured = 0 }
        else if (r == g && g == b) { grey++; coloured = 0 }
        else if (r == 0 && g == 0 && b == 255) blue++
        else if (r == 0 && g == 255 && b == 0) green++
        else if (r == 255 && g == 0 && b == 0) red++
        else other++
        if (coloured) { d = sqrt(($1 - 400) ^ 2 + ($2 - 300) ^ 2); if (d > far) far = d }
      }
      END { printf "%d %d %d %d %d %d %d\n", white, grey, blue, green, red, other, far }'
}

tap() {
  timeout 10 xdotool keydown "$1"
  sleep 0.05
  timeout 10 xdotool keyup "$1"
}

# Frames are drawn once the eight agents are made: wait for the first grey points.
baseline=""
for _ in $(seq 60); do
  read -r white grey blue green red other far <<<"$(screen_pixels start)" || fail "no screenshot"
  if [ $((white + grey)) -gt 0 ]; then baseline=$((white + grey)); break; fi
  sleep 0.5
done
[ -n "$baseline" ] || fail "no background points drawn"
[ $((blue + green + red)) -eq 0 ] || fail "agents drawn before P was pressed"

timeout 10 xdotool windowfocus "$window"
tap p
sleep 2.5
read -r white grey blue green red other far <<<"$(screen_pixels flying)" || fail "no screenshot"
echo "flying: white $white grey $grey blue $blue green $green red $red other $other"
[ "$blue" -gt 0 ] || fail "no blue agent"
[ "$green" -gt 0 ] || fail "no green agent"
[ "$red" -gt 0 ] || fail "no red agent"
[ "$white" -gt 0 ] || fail "no white agents"
[ "$other" -eq 0 ] || fail "$other pixels of colours the flock does not use"
kill -0 "$flock_pid" 2>/dev/null || fail "flock ended while flying"

# Paused, the agents vanish and the view goes back to the origin, where the first
# trail dots still glow or fade among the background points.
tap p
sleep 0.5
read -r white grey blue green red other far <<<"$(screen_pixels paused)" || fail "no screenshot"
echo "paused: points $((white + grey)) (background alone: $baseline)"
[ $((blue + green + red)) -eq 0 ] || fail "agents drawn while paused"
[ $((white + grey)) -ge $((baseline + 20)) ] || fail "no trail dots: $((white + grey)) points against $baseline"

# R while paused, then P: all agents start from the origin, on top of each other.
tap r
sleep 0.3
tap p
sleep 0.1
read -r white grey blue green red other far <<<"$(screen_pixels reset)" || fail "no screenshot"
echo "after R: coloured pixels within $far of the centre"
[ $((blue + green + red)) -gt 0 ] || fail "agents not drawn after R and P"
[ "$far" -le 160 ] || fail "agents not together after R: a coloured pixel $far from the centre"

tap Escape
for _ in $(seq 300); do
  kill -0 "$flock_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$flock_pid" 2>/dev/null && fail "Escape did not end flock within 30 s"
wait "$flock_pid"
status=$?
flock_pid=""
[ "$status" -eq 0 ] || fail "flock ended with status $status after Escape"
grep -q "Sanitizer" "$work/err.log" && fail "sanitizer report"
grep -q "Error: " "$work/out.log" && fail "a command failed: $(tr '\r' '\n' <"$work/out.log" | grep -m1 "Error: ")"
echo "flock end-to-end: passed"
