#!/usr/bin/env bash
# Runs the flock window under a private X server with software GL and checks it
# as a user would: the window's place and size, grey points on black, a held key
# moving the camera, quick taps, and Escape ending the program with status 0.
# Usage: window_end_to_end.sh FLOCK-PROGRAM DATA-DIR
set -u -o pipefail
flock=$1
data=$2
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

# Third-party GL and X libraries keep some memory until exit; our code gets no pass.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/third_party_leaks.supp"

# Xvfb picks a free display itself and writes its number to descriptor 3 when ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" </dev/null &
xvfb_pid=$!
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
export DISPLAY=":$(head -n 1 "$work/display")"

# Mesa unloads its driver when the display closes, and LeakSanitizer then sees the
# driver's own memory as lost from a library it cannot name: keep it loaded in a
# sanitizer build so that its memory stays reachable.
preload=""
libasan=$(ldd "$flock" | awk '/libasan/ { print $3; exit }')
if [ -n "$libasan" ]; then
  for driver in /usr/lib/*/dri/swrast_dri.so /usr/lib/dri/swrast_dri.so; do
    if [ -f "$driver" ]; then preload="$libasan $driver"; break; fi
  done
fi

(cd "$data" && LD_PRELOAD="$preload" exec "$flock") </dev/null >"$work/out.log" 2>"$work/err.log" &
flock_pid=$!

window=$(timeout 30 xdotool search --sync --name '^Open GL$' | head -n 1)
[ -n "$window" ] || fail "no window titled 'Open GL' appeared"
geometry=$(timeout 10 xdotool getwindowgeometry "$window")
grep -q "Position: 0,0" <<<"$geometry" || fail "window not at the top-left: $geometry"
grep -q "Geometry: 800x600" <<<"$geometry" || fail "client area not 800x600: $geometry"

# Counts the window's pixels: "black grey other" (grey: equal channels, not black).
screen_counts() {
  timeout 20 xwd -root -silent >"$work/shot.xwd" || return 1
  timeout 20 convert "$work/shot.xwd" -crop 800x600+0+0 +repage -format %c histogram:info:- |
    tr -d ' ' |
    awk -F'[:(),]' '{ n = $1; r = $3; g = $4; b = $5
                      if (r == 0 && g == 0 && b == 0) black += n
                      else if (r == g && g == b) grey += n
                      else other += n }
                    END { print black + 0, grey + 0, other + 0 }'
}

# Only part of the particle field is in view, so a moment may show none: look
# again once a second until some have faded in.
sleep 1
seen=""
for _ in $(seq 12); do
  counts=$(screen_counts) || fail "no screenshot"
  read -r black grey other <<<"$counts"
  [ "$other" -eq 0 ] || fail "pixels that are neither black nor grey: $other"
  [ "$black" -ge 456000 ] || fail "the background is not black ($black of 480000 pixels)"
  if [ "$grey" -gt 0 ]; then seen=yes; break; fi
  sleep 1
done
[ -n "$seen" ] || fail "no grey points drawn"
kill -0 "$flock_pid" 2>/dev/null || fail "flock ended early"

timeout 10 xdotool windowfocus "$window"

# Holding Z moves the scene towards the viewer until it passes the camera.
timeout 10 xdotool keydown z
emptied=""
for _ in $(seq 40); do
  sleep 0.5
  counts=$(screen_counts) || fail "no screenshot"
  read -r black grey other <<<"$counts"
  if [ "$grey" -eq 0 ]; then emptied=yes; break; fi
done
timeout 10 xdotool keyup z
[ -n "$emptied" ] || fail "holding Z did not move the scene out of view"

# Quick taps of P and R: the program goes on.
for key in p r p; do
  timeout 10 xdotool keydown "$key"
  sleep 0.05
  timeout 10 xdotool keyup "$key"
done
sleep 0.5
kill -0 "$flock_pid" 2>/dev/null || fail "flock ended after P and R"

timeout 10 xdotool keydown Escape
sleep 0.1
timeout 10 xdotool keyup Escape
for _ in $(seq 200); do
  kill -0 "$flock_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$flock_pid" 2>/dev/null && fail "Escape did not end flock within 20 s"
wait "$flock_pid"
status=$?
flock_pid=""
[ "$status" -eq 0 ] || fail "flock ended with status $status after Escape"
echo "window end-to-end: passed"
