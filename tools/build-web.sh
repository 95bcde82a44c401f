#!/usr/bin/env bash
# Builds the web page into build-web/: index.html, flock.js, flock.wasm and flock.data
# (the data folder, packed). Installs what it and its browser test need first (Debian's
# emscripten and chromium, npm's puppeteer-core into tests/web/node_modules), as
# tools/install-deps.sh does; the objects are kept in build-web-obj/ between builds.
# Serve it with: python3 -m http.server -d build-web --bind 127.0.0.1
# Usage: bash tools/build-web.sh [OUT_DIR [CMAKE_OPTION...]]
#   OUT_DIR (build-web) gets the page, OUT_DIR-obj/ (build-web-obj/) the objects; the
#   options go to the configure step, e.g. a build for measuring:
#   bash tools/build-web.sh build-web-wasm -DFLOCK_WEB_EXCEPTIONS=wasm -DFLOCK_WEB_ASYNCIFY=OFF
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build-web}"
[ $# -gt 0 ] && shift
objects="$out-obj"

# emcc (through cmake and make) builds the page; chromium, Node.js and npm's
# puppeteer-core run its test.
missing=()
for p in emscripten chromium cmake make; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Node.js and npm from elsewhere than Debian will do.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq < /dev/null
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" < /dev/null
fi
if [ ! -d tests/web/node_modules/puppeteer-core ]; then
  # The test drives Debian's chromium: puppeteer downloads no browser of its own.
  (cd tests/web && PUPPETEER_SKIP_DOWNLOAD=1 npm install --no-audit --no-fund --silent < /dev/null)
fi
# Debian's emcc finds its JavaScript parser among the system's node modules.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
emcmake cmake -S web -B "$objects" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@" > /dev/null
nice -n 10 cmake --build "$objects" -j"${FLOCK_WEB_JOBS:-2}"

mkdir -p "$out"
cp web/index.html web/page.js web/page.css "$out/"
cp "$objects/flock.js" "$objects/flock.wasm" "$objects/flock.data" "$out/"
# The docs the page links to.
mkdir -p "$out/docs"
cp docs/*.md docs/*.png docs/*.svg "$out/docs/"
# Compressed copies beside the files, for servers that send them as they are.
for f in flock.wasm flock.js flock.data index.html page.js page.css; do gzip -9 -k -f -n "$out/$f"; done
echo "Compressed: $(cat "$out"/{flock.wasm,flock.js,flock.data,index.html,page.js,page.css}.gz | wc -c) bytes"
echo "Built $out/ ($(du -cb "$out"/flock.{js,wasm,data} | tail -1 | cut -f1) bytes to download)"
