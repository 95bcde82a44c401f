// What the browser test and the page's profile share: the built page served from its folder on loopback, and a
// headless Chromium (software GL, no background throttling) with a profile folder of its own to open it in. The
// server sends the headers that make the page cross-origin isolated, as tools/serve-web.py does, so that the page runs
// its threaded program; with `isolated` false it sends none and the page runs the single-threaded one.
import { createServer } from 'node:http';
import { readFile, mkdtemp, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };
const isolation = { 'Cross-Origin-Opener-Policy': 'same-origin', 'Cross-Origin-Embedder-Policy': 'require-corp' };

// { url, browser, close() }: close ends the browser and the server and removes the profile folder.
export async function openPageSession(root, extraFlags = [], { isolated = true } = {}) {
  const server = createServer(async (request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(root, name === '/' ? 'index.html' : name);
    const body = file.startsWith(root) ? await readFile(file).catch(() => null) : null;
    response.writeHead(body ? 200 : 404, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream',
      ...(isolated ? isolation : {}) });
    response.end(body ?? undefined);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const profile = await mkdtemp(path.join(tmpdir(), 'flock-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium', headless: true, userDataDir: profile,
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-background-timer-throttling',
      '--disable-renderer-backgrounding', ...extraFlags],
  });
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    browser,
    async close() {
      await browser.close();
      server.close();
      await rm(profile, { recursive: true, force: true });
    },
  };
}
