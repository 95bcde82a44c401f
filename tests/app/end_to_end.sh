#!/usr/bin/env bash
# Runs flock as a user would: without a display, then under a private X server with software GL, from an
# empty folder with the shipped data named by --data. Usage: end_to_end.sh FLOCK-PROGRAM DATA-DIR
set -u -o pipefail
flock=$(realpath "$1") data=$(realpath "$2") here=$(cd "$(dirname "$0")" && pwd) work=$(mktemp -d)
xvfb_pid="" flock_pid=""
trap 'kill $flock_pid $xvfb_pid 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/err.log" 2>/dev/null; exit 1; }
# Third-party GL and X libraries keep some memory until exit; our code gets no pass.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/third_party_leaks.supp"

env -u DISPLAY -u WAYLAND_DISPLAY timeout 30 "$flock" </dev/null >/dev/null 2>"$work/err.log"; status=$?
[ "$status" -ne 0 ] && [ "$status" -ne 124 ] || fail "status $status without a display"
grep -qx "Failed To Register The Window Class." "$work/err.log" || fail "no failure message without a display"
grep -q "^flock: .*flock --headless flies the flock without one$" "$work/err.log" || fail "no hint of --headless"

# Xvfb writes the free display it picked to descriptor 3 when ready.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null </dev/null & xvfb_pid=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; kill -0 "$xvfb_pid" 2>/dev/null && sleep 0.1 || break; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"
# In a sanitizer build keep the GL driver loaded to the end, so that LeakSanitizer can name its library.
libasan=$(ldd "$flock" | awk '/libasan/ { print $3; exit }')
driver=$(ls /usr/lib/*/dri/swrast_dri.so 2>/dev/null | head -n 1) preload=""
[ -n "$libasan" ] && [ -n "$driver" ] && preload="$libasan $driver"
(mkdir "$work/elsewhere" && cd "$work/elsewhere" && LD_PRELOAD="$preload" exec "$flock" --data "$data") </dev/null \
  >"$work/out.log" 2>"$work/err.log" & flock_pid=$!
window=$(timeout 60 xdotool search --sync --name '^Open GL$' | head -n 1)
[ -n "$window" ] || fail "no window titled 'Open GL' appeared"
geometry=$(timeout 10 xdotool getwindowgeometry "$window" | tr -d '\n')
[[ $geometry == *"Position: 0,0"*"Geometry: 800x600"* ]] || fail "window at $geometry"

# The window's lit pixels: white grey blue green red other yellow, and how far a coloured one is from the centre.
shot() {
  timeout 20 xwd -root -silent >"$work/shot.xwd" || return 1
  timeout 30 convert "$work/shot.xwd" -crop 800x600+0+0 +repage -depth 8 txt:- | awk -F'[,:() ]+' '
    NR > 1 && (c = $3 " " $4 " " $5) != "0 0 0" {
      if (c == "255 255 255") white++; else if ($3 == $4 && $4 == $5) grey++; else if (c == "255 255 0") yellow++
      else { if (c == "0 0 255") blue++; else if (c == "0 255 0") green++; else if (c == "255 0 0") red++; else other++
        d = sqrt(($1 - 400) ^ 2 + ($2 - 300) ^ 2); if (d > far) far = d }
    }
    END { printf "%d %d %d %d %d %d %d %d\n", white, grey, blue, green, red, other, yellow, far }'
}
look() { sleep "$1"; read -r white grey blue green red other yellow far <<<"$(shot)"; }
tap() { timeout 10 xdotool keydown "$1"; sleep 0.05; timeout 10 xdotool keyup "$1"; }

# Only part of the particle field is in view, so a moment may show none.
baseline=""
for _ in $(seq 60); do
  look 0.5
  [ $((blue + green + red + other)) -eq 0 ] || fail "colours before P: $blue $green $red $other"
  [ $((white + grey)) -lt 24000 ] || fail "the background is not black"
  if [ $((white + grey)) -gt 0 ]; then baseline=$((white + grey)); break; fi
done
[ -n "$baseline" ] || fail "no background points drawn"

# Paused again, the agents vanish and the view goes back to the origin, among the trail dots they dropped.
timeout 10 xdotool windowfocus "$window"; tap p; sleep 1.5; tap p; look 0.3
[ $((blue + green + red)) -eq 0 ] || fail "agents drawn while paused"
[ $((white + grey)) -ge $((baseline + 20)) ] || fail "no trail dots: $((white + grey)) points against $baseline"
tap p; look 0.5
[ "$blue" -gt 0 ] && [ "$green" -gt 0 ] && [ "$red" -gt 0 ] && [ "$white" -gt 0 ] || fail "an agent colour is missing"
[ "$other" -eq 0 ] || fail "$other pixels of colours the flock does not use"
[ "$yellow" -eq 0 ] || fail "yellow before D"

# D shows the decision odds as yellow bars, a second D hides them; awaited, as a loaded machine draws slowly.
await() { for _ in $(seq 20); do look 0.3; eval "$1" && return 0; done; return 1; }
tap d; await '[ "$yellow" -gt 40 ]' || fail "no odds bars after D: $yellow yellow pixels"
[ $((blue + green + red)) -gt 0 ] || fail "agents not drawn with the odds shown"
tap d; await '[ "$yellow" -eq 0 ]' || fail "$yellow yellow pixels after a second D"
[ $((blue + green + red)) -gt 0 ] || fail "agents not drawn after the odds were hidden"

# R while paused, then P: all agents start from the origin, on top of each other.
tap p; tap r; sleep 0.3; tap p; look 0.1
[ $((blue + green + red)) -gt 0 ] || fail "agents not drawn after R and P"
[ "$far" -le 160 ] || fail "agents not together after R: a coloured pixel $far from the centre"

tap Escape; for _ in $(seq 300); do kill -0 "$flock_pid" 2>/dev/null && sleep 0.1 || break; done
kill -0 "$flock_pid" 2>/dev/null && fail "Escape did not end flock within 30 s"
wait "$flock_pid"; status=$? flock_pid=""
[ "$status" -eq 0 ] || fail "flock ended with status $status after Escape"
grep -q "Sanitizer" "$work/err.log" && fail "sanitizer report"
grep -q "Error: " "$work/out.log" && fail "a command failed: $(grep -am1 "Error: " "$work/out.log")"
echo "end-to-end: passed"
