// The web page in headless Chromium: loads, flies, draws, answers keys and console commands; prints its speed.
// Usage: node browser_test.mjs BUILD_WEB_DIR [--bench BENCH_FLOCK] [--screenshot PNG]
import { createServer } from 'node:http';
import { readFile, stat, mkdtemp, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { execFileSync } from 'node:child_process';
import puppeteer from 'puppeteer-core';

const args = process.argv.slice(2);
const root = path.resolve(args[0] ?? 'build-web');
const option = (name) => { const i = args.indexOf(name); return i >= 0 ? args[i + 1] : undefined; };
const benchProgram = option('--bench') && path.resolve(option('--bench'));
const screenshotFile = option('--screenshot');
let failures = 0;
function check(ok, what, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? ': ' + detail : ''}`);
  if (!ok) failures += 1;
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A static server on loopback.
const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };
const server = createServer(async (request, response) => {
  const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
  const file = path.join(root, name === '/' ? 'index.html' : name);
  const body = file.startsWith(root) ? await readFile(file).catch(() => null) : null;
  response.writeHead(body ? 200 : 404, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream' });
  response.end(body ?? undefined);
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const url = `http://127.0.0.1:${server.address().port}/`;
const profile = await mkdtemp(path.join(tmpdir(), 'flock-chromium-'));
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium', headless: true, userDataDir: profile,
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-background-timer-throttling',
    '--disable-renderer-backgrounding'],
});

try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1000, height: 1100 });
  const consoleErrors = [];
  page.on('console', (message) => { if (message.type() === 'error') consoleErrors.push(message.text()); });
  page.on('pageerror', (error) => consoleErrors.push(String(error)));
  page.on('dialog', async (dialog) => { consoleErrors.push('dialog: ' + dialog.message()); await dialog.dismiss(); });
  await page.goto(url, { waitUntil: 'load' });
  await page.waitForFunction(() => window.flockStats && window.flockStats.firstFrame !== null, { timeout: 30000 });
  const firstFrameMs = await page.evaluate(() => window.flockStats.firstFrame);
  check(consoleErrors.length === 0, 'the page loads with no console error', consoleErrors.join(' | '));
  // R as the page's keys see it, whatever has the focus.
  await page.evaluate(() => {
    window.pressR = () => ['keydown', 'keyup'].forEach((type) =>
      document.dispatchEvent(new KeyboardEvent(type, { code: 'KeyR', key: 'r', bubbles: true })));
  });
  const recenter = async () => { await page.evaluate(() => window.pressR()); await sleep(300); };
  // Pixels of the canvas by kind, and the box around the agents' colours.
  const look = () => page.evaluate(() => {
    const source = document.getElementById('canvas');
    const copy = Object.assign(document.createElement('canvas'), { width: source.width, height: source.height });
    const context = copy.getContext('2d');
    context.drawImage(source, 0, 0);
    const data = context.getImageData(0, 0, copy.width, copy.height).data;
    const hi = (v) => v > 150, lo = (v) => v < 80;
    const colours = { blue: [lo, lo, hi], green: [lo, hi, lo], red: [hi, lo, lo], yellow: [hi, hi, lo] };
    const counts = { blue: 0, green: 0, red: 0, yellow: 0, grey: 0 };
    const box = { minX: 1e9, maxX: -1, minY: 1e9, maxY: -1 };
    const greys = [];
    for (let i = 0; i < data.length; i += 4) {
      const r = data[i], g = data[i + 1], b = data[i + 2];
      let kind = Object.keys(colours).find((name) => colours[name].every((test, c) => test(data[i + c])));
      if (!kind && r > 20 && Math.abs(r - g) < 12 && Math.abs(g - b) < 12) kind = 'grey';
      if (!kind) continue;
      counts[kind] += 1;
      if (kind === 'grey' && greys.length < 4000) greys.push(i / 4);
      if (kind === 'grey' || kind === 'yellow') continue;
      const x = (i / 4) % copy.width, y = Math.floor(i / 4 / copy.width);
      Object.assign(box, { minX: Math.min(box.minX, x), maxX: Math.max(box.maxX, x),
        minY: Math.min(box.minY, y), maxY: Math.max(box.maxY, y) });
    }
    return { counts, box, greys: greys.join(',') };
  });
  const frames = () => page.evaluate(() => Module._flock_frames());
  // An agent may hide behind another for a moment: the most of each colour over a few looks, with `untilAll` only
  // until every colour has shown.
  async function gather(looks = 5, untilAll = false) {
    const most = { blue: 0, green: 0, red: 0 };
    for (let i = 0; i < looks; ++i) {
      const { counts } = await look();
      for (const colour of Object.keys(most)) most[colour] = Math.max(most[colour], counts[colour]);
      if (untilAll && most.blue && most.green && most.red) break;
      await sleep(200);
    }
    return most;
  }

  // P: the flock flies. An agent that strays beyond the view is fetched back with R.
  await page.keyboard.press('p');
  await sleep(2500);
  let seen = await gather(25, true);
  if (!(seen.blue && seen.green && seen.red)) { await recenter(); seen = await gather(10, true); }
  const flying = await look();
  await sleep(300);
  check(seen.blue > 0 && seen.green > 0 && seen.red > 0, 'after P the canvas holds blue, green and red agents',
    JSON.stringify(seen));
  check(flying.counts.grey > 0 && (await look()).greys !== flying.greys, 'grey points and trails move on the canvas');
  // Speed over five seconds of flight (8 agents).
  await page.evaluate(() => Module._flock_frame_ms(0));
  const framesBefore = await frames();
  await sleep(5000);
  const framesPerSecond = ((await frames()) - framesBefore) / 5;
  const drawingMs = await page.evaluate(() => Module._flock_frame_ms(1));
  const wasmFrameMs = await page.evaluate(() => Module._flock_frame_ms(0));
  // D: the minds' odds as yellow bars.
  await page.keyboard.press('d');
  await sleep(800);
  const minds = await look();
  check(minds.counts.yellow > 0, 'D shows yellow bars', `${minds.counts.yellow} yellow pixels`);
  if (screenshotFile) {
    await (await page.$('body')).screenshot({ path: screenshotFile });
    console.log(`picture: ${screenshotFile}`);
  }
  await page.keyboard.press('d');
  // R: the camera follows the agents' centre, so the middle is where they gather: their mean distance from their
  // centre drops to about nothing, then grows as they fly. Measured frame by frame in the page, where no round trip
  // lets frames slip by.
  await sleep(2000);
  const [distanceBefore, distanceAfter] = await page.evaluate(async () => {
    const frame = () => new Promise((resolve) => requestAnimationFrame(resolve));
    const distance = () => Number(UTF8ToString(Module._flock_figures()).split(' ')[0]);
    distance();
    await frame();
    await frame();
    const before = distance();
    window.pressR();
    await frame();
    await frame();
    distance();
    await frame();
    return [before, distance()];
  });
  const { box } = await look();
  const near = box.minX > 300 && box.maxX < 500 && box.minY > 200 && box.maxY < 400;
  check(near && distanceAfter < 0.5 && distanceAfter < 0.25 * distanceBefore, 'R brings the agents back to the middle',
    `agents' box ${JSON.stringify(box)}, mean distance from their centre ${distanceAfter} (before: ${distanceBefore})`);

  // The console.
  const consoleText = () => page.evaluate(() => document.getElementById('console').textContent);
  const type = async (text) => {
    await page.focus('#line'); await page.keyboard.type(text); await page.keyboard.press('Enter');
  };
  async function waitIdle() {
    await page.waitForFunction(() => !window.flockStats.busy && Module._flock_busy() === 0, { timeout: 20000 });
    await sleep(300);
  }
  // Runs each command to its end; answers what the console shows after the first.
  async function run(...commands) {
    for (const command of commands) { await type(command); await waitIdle(); }
    return (await consoleText()).split(commands[0]).pop();
  }
  let text = await run('print (+ 1 2)', 'print (vex::qdm::decide_str (get QDM) 0)');
  check(/^\n.*3\ntala> /.test(text), 'a tala command typed into the console prints its value', JSON.stringify(text));
  check(/(forward|left|right)/.test(text.split('decide_str').pop()), "agent 1's decision maker answers a decision");
  for (const [command, expected, what] of [
    ['vex::qdm::describe (get QDM)', /system size 27/, "agent 1's decision maker describes itself"],
    ['!help while', /CONDITION/, '!help WORD describes the word'],
    ['vex::qdm::think (get nothing)', /Error: /, 'a line that raises shows "Error: ..."']]) {
    text = await run(command);
    check(expected.test(text), what, JSON.stringify(text.slice(0, 120)));
  }
  // A decision maker whose state space does not fit the page's heap.
  text = await run('global (new vex::QDM Big)', 'vex::qdm::new (get Big)', 'global (new vex::qdm::ActionSpace wide)',
    'vex::qdm::set_action_space degreeOfFreedom wide -1 0 1', 'vex::qdm::set_action_space gridSize wide 3000',
    'vex::qdm::set_action_space points wide (vex::qdm::ActionList (vex::qdm::Action (vex::qdm::Point 0) forward))',
    'vex::qdm::add_action_space (get Big) wide', 'print (vex::qdm::finalize (get Big) 1)', 'vex::qdm::prepare (get Big)');
  check(/memory/i.test(text) && !(await page.evaluate(() => document.getElementById('status').textContent)).includes('stopped'),
    'a command that asks for too much memory is refused and the page lives on', JSON.stringify(text.slice(0, 900)));
  // Training shows its progress line and stops at q.
  const rule = (stimulus, decision) => 'set rules (vex::add_rule (get rules) (vex::State repeat (vex::SensorList ' +
    `${stimulus})) (vex::dist_str (get QDM) 1.0 ${decision}))`;
  await run('global (new vex::TrainingSet rules)', rule('center', 'forward'), rule('left', 'left'));
  await type('vex::train (get QDM) (get rules) 300 4 20 20');
  await page.waitForFunction(() => /generation \d+\/300/.test(document.getElementById('console').textContent),
    { timeout: 20000 }).catch(() => {});
  await page.keyboard.press('q');
  await waitIdle();
  text = (await consoleText()).split('vex::train').pop();
  check(/generation \d+\/300/.test(text) && /Training stopped by key/.test(text),
    "training's progress line shows in the console and q stops it", JSON.stringify(text.slice(-300)));
  // A runaway loop: the page stays alive and Ctrl-C stops it.
  await type('while 1 (nop 0)');
  await sleep(1000);
  const busy = await page.evaluate(() => window.flockStats.busy);
  const [loopStart, loopFrames] = [await look(), await frames()];
  await sleep(1500);
  const loopRate = ((await frames()) - loopFrames) / 1.5;
  check(busy && loopRate > 5 && (await look()).greys !== loopStart.greys, 'the canvas keeps moving during a while loop',
    `${loopRate.toFixed(1)} frames a second`);
  // A new flight chosen while the command runs waits for it: the command runs in an agent of the old flight. R first,
  // so that no agent is out of view: the old flight's green and red ones show.
  await page.select('#agents', '2');
  await page.select('#sensors', '1');
  await recenter();
  const stillOld = await gather(10, true);
  check(stillOld.green + stillOld.red > 0 && await page.evaluate(() => window.flockStats.busy),
    'a new flight waits for the running command', JSON.stringify(stillOld));
  await page.focus('#line');
  await page.keyboard.down('Control');
  await page.keyboard.press('c');
  await page.keyboard.up('Control');
  await waitIdle();
  text = (await consoleText()).split('while 1 (nop 0)').pop();
  check(/User break/.test(text), 'Ctrl-C stops the loop', JSON.stringify(text.slice(0, 120)));
  const framesAfterBreak = await frames();
  await sleep(500);
  check((await frames()) > framesAfterBreak, 'the flock flies on after the break');
  await sleep(1500);
  await recenter();
  const two = await gather();
  check(two.blue > 0 && two.green === 0 && two.red === 0, 'then the page flies two agents with random sensors',
    JSON.stringify(two));
  check((await run('print (+ 40 2)')).includes('42'), 'the console speaks to the new agent 1');
  check(consoleErrors.length === 0, 'no console error while testing', consoleErrors.join(' | '));
  if (failures > 0) console.log('The console held:\n' + (await consoleText()));
  // Opened as a file: says how to serve it.
  const filePage = await browser.newPage();
  await filePage.goto('file://' + path.join(root, 'index.html'), { waitUntil: 'load' });
  const fileStatus = await filePage.evaluate(() => document.getElementById('status').textContent);
  check(/served over http/.test(fileStatus), 'a page opened from file:// says to serve it over http', fileStatus);
  await filePage.close();

  // The figures.
  let download = 0, native = '';
  for (const name of ['flock.wasm', 'flock.js', 'flock.data', 'index.html', 'page.js', 'page.css'])
    download += (await stat(path.join(root, name))).size;
  if (benchProgram) {
    try {
      const out = execFileSync(benchProgram, ['--benchmark_filter=^BM_FlockFrame$', '--benchmark_format=json'],
        { cwd: path.dirname(benchProgram), encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
      const run = JSON.parse(out).benchmarks[0];
      const nativeMs = run.real_time / ({ us: 1000, ns: 1e6 }[run.time_unit] ?? 1);
      native = `, native BM_FlockFrame ${nativeMs.toFixed(3)} ms, ratio ${(wasmFrameMs / nativeMs).toFixed(2)}x`;
    } catch (error) {
      native = ` (native BM_FlockFrame not measured: ${error.message.split('\n')[0]})`;
    }
  }
  console.log(`speed: ${framesPerSecond.toFixed(1)} frames a second over 5 s with 8 agents (headless Chromium, ` +
    `SwiftShader GL); WebAssembly frame ${wasmFrameMs.toFixed(3)} ms${native}, then ${drawingMs.toFixed(3)} ms ` +
    `handing it to WebGL; download ${(download / 1e6).toFixed(2)} MB; first frame ${Math.round(firstFrameMs)} ms ` +
    'after page load');
} catch (error) {
  check(false, 'the browser test ran to its end', error.stack ?? String(error));
} finally {
  await browser.close();
  server.close();
  await rm(profile, { recursive: true, force: true });
}
console.log(failures === 0 ? 'all browser checks passed' : `${failures} browser check(s) failed`);
process.exit(failures === 0 ? 0 : 1);
