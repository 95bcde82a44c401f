#!/usr/bin/env bash
# Builds the web page into build-web/: index.html, flock.js, flock.wasm and flock.data
# (the data folder, packed). Installs what it and its browser test need first (Debian's
# emscripten and chromium, npm's puppeteer-core into tests/web/node_modules), as
# tools/install-deps.sh does; the objects are kept in build-web-obj/ between builds.
# Serve it with: python3 -m http.server -d build-web --bind 127.0.0.1
# Usage: bash tools/build-web.sh
set -euo pipefail
cd "$(dirname "$0")/.."

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
emcmake cmake -S web -B build-web-obj -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" > /dev/null
nice -n 10 cmake --build build-web-obj -j"${FLOCK_WEB_JOBS:-2}"

mkdir -p build-web
cp web/index.html web/page.js web/page.css build-web/
cp build-web-obj/flock.js build-web-obj/flock.wasm build-web-obj/flock.data build-web/
# The docs the page links to.
mkdir -p build-web/docs
cp docs/*.md docs/*.png docs/*.svg build-web/docs/
# Compressed copies beside the files, for servers that send them as they are.
for f in flock.wasm flock.js flock.data index.html page.js page.css; do gzip -9 -k -f -n "build-web/$f"; done
echo "Compressed: $(cat build-web/{flock.wasm,flock.js,flock.data,index.html,page.js,page.css}.gz | wc -c) bytes"
echo "Built build-web/ ($(du -cb build-web/flock.{js,wasm,data} | tail -1 | cut -f1) bytes to download)"
