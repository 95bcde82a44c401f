#!/usr/bin/env bash
# The browser test of the web page (browser_test.mjs): skipped (77) without the page (bash tools/build-web.sh),
# Chromium or Node.js. Usage: run-browser-test.sh BUILD_WEB_DIR [--bench BENCH_FLOCK] [--screenshot PNG]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)" web="$1"
shift
skip() { echo "SKIP: $1"; [ "${FLOCK_WEB_TEST_REQUIRED:-0}" = 1 ] && exit 1; exit 77; }
[ -f "$web/flock.wasm" ] || skip "no web build in $web (bash tools/build-web.sh builds it)"
for tool in node chromium; do command -v "$tool" > /dev/null 2>&1 || skip "$tool is not installed"; done
if [ ! -d "$here/node_modules/puppeteer-core" ]; then
  (cd "$here" && PUPPETEER_SKIP_DOWNLOAD=1 npm install --no-audit --no-fund --silent < /dev/null)
fi
exec node "$here/browser_test.mjs" "$web" "$@"
