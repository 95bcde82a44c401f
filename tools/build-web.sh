#!/usr/bin/env bash
# Builds the web page into build-web/: index.html, flock.js, flock.wasm and flock.data
# (the data folder, packed), and the threaded program beside them (flock-mt.js,
# flock-mt.wasm, flock-mt.worker.js, unpacking the same flock.data) that a cross-origin
# isolated page runs. Installs what it and its browser test need first (Debian's
# emscripten and chromium, npm's puppeteer-core into tests/web/node_modules), as
# tools/install-deps.sh does; the objects are kept in build-web-obj/ and build-web-mt-obj/
# between builds. Serve it with: python3 tools/serve-web.py build-web
# Usage: bash tools/build-web.sh [OUT_DIR [CMAKE_OPTION...]]
#   OUT_DIR (build-web) gets the page, OUT_DIR-obj/ and OUT_DIR-mt-obj/ the objects; the
#   options go to both configure steps (the threaded one sets its own exceptions and
#   yielding), e.g. a build for measuring:
#   bash tools/build-web.sh build-web-wasm -DFLOCK_WEB_EXCEPTIONS=wasm -DFLOCK_WEB_ASYNCIFY=OFF
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build-web}"
[ $# -gt 0 ] && shift
objects="$out-obj"
threaded="$out-mt-obj"

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
emcmake cmake -S web -B "$threaded" -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" "$@" -DFLOCK_WEB_THREADS=ON > /dev/null
nice -n 10 cmake --build "$threaded" -j"${FLOCK_WEB_JOBS:-2}"
# The page ships one data file for both programs.
if ! cmp -s "$objects/flock.data" "$threaded/flock-mt.data"; then
  echo "The two programs packed the data folder differently: flock.data and flock-mt.data differ" >&2
  exit 1
fi

mkdir -p "$out"
cp web/index.html web/page.js web/page.css "$out/"
cp "$objects/flock.js" "$objects/flock.wasm" "$objects/flock.data" "$out/"
cp "$threaded/flock-mt.js" "$threaded/flock-mt.wasm" "$threaded/flock-mt.worker.js" "$out/"
# The docs the page links to.
mkdir -p "$out/docs"
cp docs/*.md docs/*.png docs/*.svg "$out/docs/"
# Compressed copies beside the files, for servers that send them as they are.
for f in flock.wasm flock.js flock.data flock-mt.wasm flock-mt.js flock-mt.worker.js index.html page.js page.css; do
  gzip -9 -k -f -n "$out/$f"
done
echo "Compressed: $(cat "$out"/{flock.wasm,flock.js,flock.data,index.html,page.js,page.css}.gz | wc -c) bytes" \
  "(threaded: $(cat "$out"/{flock-mt.wasm,flock-mt.js,flock-mt.worker.js,flock.data,index.html,page.js,page.css}.gz | wc -c))"
echo "Built $out/ ($(du -cb "$out"/flock.{js,wasm,data} | tail -1 | cut -f1) bytes to download;" \
  "threaded $(du -cb "$out"/flock-mt.{js,wasm,worker.js} "$out"/flock.data | tail -1 | cut -f1))"
