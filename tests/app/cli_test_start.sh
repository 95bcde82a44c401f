# Sourced by the flock command-line tests with their arguments FLOCK-PROGRAM DATA-DIR: $flock and $data made
# absolute, fail, no display, and a scratch folder $work, entered, that goes at exit.
flock=$(realpath "$1") data=$(realpath "$2") work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
unset DISPLAY WAYLAND_DISPLAY  # no display anywhere here: nothing below may need one
cd "$work" || exit 1
