// The web page in headless Chromium: loads, flies, draws, answers keys and console commands; prints its speed.
// Usage: node browser_test.mjs BUILD_WEB_DIR [--bench BENCH_FLOCK] [--screenshots DIR] [--scale] [--single]
// (--screenshots writes web-paused.png, web-flying.png and web-page.png, with D, into DIR; --scale also measures
// flights of 64 and 256 agents). The page is served cross-origin isolated, so it runs the threaded program, and then
// briefly without the headers, where it runs the single-threaded one; --single runs it all without them.
import { readFile, stat, mkdtemp, rm } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { execFileSync } from 'node:child_process';
import { openPageSession } from './page_session.mjs';

const args = process.argv.slice(2);
const root = path.resolve(args[0] ?? 'build-web');
const option = (name) => { const i = args.indexOf(name); return i >= 0 ? args[i + 1] : undefined; };
const benchProgram = option('--bench') && path.resolve(option('--bench'));
const screenshots = option('--screenshots');
async function shoot(page, name) {
  if (!screenshots) return;
  await (await page.$('body')).screenshot({ path: path.join(screenshots, name) });
  console.log(`picture: ${path.join(screenshots, name)}`);
}
const scale = args.includes('--scale');
const single = args.includes('--single');
// The program the page runs, as index.html chooses it.
const expectedBuild = single ? 'flock' : 'flock-mt';
let failures = 0;
function check(ok, what, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? ': ' + detail : ''}`);
  if (!ok) failures += 1;
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

const session = await openPageSession(root, [], { isolated: !single });
const { url, browser } = session;

try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1000, height: 1100 });
  const consoleErrors = [];
  page.on('console', (message) => { if (message.type() === 'error') consoleErrors.push(message.text()); });
  page.on('pageerror', (error) => consoleErrors.push(String(error)));
  page.on('dialog', async (dialog) => { consoleErrors.push('dialog: ' + dialog.message()); await dialog.dismiss(); });
  await page.goto(url, { waitUntil: 'load' });
  await page.waitForFunction(() => window.flockStats && window.flockStats.firstFrame !== null &&
    window.flockStats.ready, { timeout: 30000 });
  // Where the first frame's time goes: the files, compiling and unpacking, making the agents, the frame itself.
  const arrival = await page.evaluate(() => {
    const loaded = (name) => performance.getEntriesByType('resource').find((entry) => entry.name.endsWith(name));
    const { runtime, readyAt, firstFrame } = window.flockStats;
    const build = Module.flockBuild;
    const files = Math.max(...[build + '.js', build + '.wasm', 'flock.data'].map((name) => loaded(name)?.responseEnd ?? 0));
    return { files, runtime, readyAt, firstFrame, build };
  });
  const firstFrameMs = arrival.firstFrame;
  check(consoleErrors.length === 0, 'the page loads with no console error', consoleErrors.join(' | '));
  check(arrival.build === expectedBuild, `the page runs ${expectedBuild}.js`, arrival.build);
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
    const hi = (v) => v > 150, lo = (v) => v < 80, mid = (v) => v >= 90 && v <= 170;
    // Agent 1's blue is lightened on the page to read well on black.
    const colours = { blue: [lo, mid, hi], green: [lo, hi, lo], red: [hi, lo, lo], yellow: [hi, hi, lo] };
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

  // The page explains itself: an introduction, the legend and links to the docs; paused, it says how to fly.
  const intro = await page.evaluate(() => ({
    text: document.getElementById('intro').textContent,
    legend: document.querySelectorAll('#legend li').length,
    docs: [...document.querySelectorAll('#intro a')].map((a) => a.getAttribute('href')),
    paused: !document.getElementById('paused').hidden && document.getElementById('paused').textContent,
  }));
  check(/decision maker/.test(intro.text) && /forward, left, right/.test(intro.text) && /polarisation/.test(intro.text) &&
    intro.legend >= 5 && intro.docs.includes('docs/web.md'), 'the introduction, the legend and links to the docs show',
  JSON.stringify(intro.docs));
  check(intro.paused === 'paused \u2014 press P or the button to fly', 'paused, the page says how to fly',
    String(intro.paused));
  await shoot(page, 'web-paused.png');
  // A button answers Enter and Space as a press.
  const isPaused = () => page.evaluate(() => Module._flock_paused());
  await page.focus('#keys button[data-key="80"]');
  await page.keyboard.press('Enter');
  await sleep(300);
  const afterEnter = await isPaused();
  await page.keyboard.press('Space');
  await sleep(300);
  const afterSpace = await isPaused();
  await sleep(300);
  check(afterEnter === 0 && afterSpace === 1 && await page.evaluate(() => !document.getElementById('paused').hidden),
    'Enter and Space on the P button fly and pause the flock', `paused after Enter ${afterEnter}, after Space ${afterSpace}`);
  await page.evaluate(() => document.activeElement.blur());

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
  await shoot(page, 'web-flying.png');
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
  await shoot(page, 'web-page.png');
  await page.keyboard.press('d');
  // The live figures, shown as the program's table of figures says.
  const shownFigures = await page.$eval('#figures', (line) => line.textContent);
  check(/^distance \d+\.\d\d units \u00b7 polarisation [01]\.\d\d \u00b7 following (\u2013|\d{1,3} %)$/.test(shownFigures) &&
    await page.evaluate(() => UTF8ToString(Module._flock_live_figures())) === 'distance 1 2 units\npolarisation 1 2 \nfollowing 100 0 %\n',
    'the live figures show as the table of figures says', shownFigures);
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

  // Z brings the camera closer, X takes it away, as far as the view reaches; R brings it back.
  const cameraZ = () => page.evaluate(() => Module._flock_camera_z());
  const startZ = await cameraZ();
  await page.keyboard.down('z'); await sleep(500); await page.keyboard.up('z');
  const closerZ = await cameraZ();
  await page.keyboard.down('x'); await sleep(7000); await page.keyboard.up('x');
  const farthestZ = await cameraZ();
  await recenter();
  const resetZ = await cameraZ();
  check(closerZ > startZ && farthestZ === -90 && resetZ === startZ,
    'Z brings the camera closer, X takes it no farther than the view, R resets it',
    `start ${startZ}, after Z ${closerZ}, after 7 s of X ${farthestZ}, after R ${resetZ}`);
  // The console.
  const consoleText = () => page.evaluate(() => document.getElementById('console').textContent);
  const type = async (text) => {
    await page.focus('#line'); await page.keyboard.type(text); await page.keyboard.press('Enter');
  };
  async function waitIdle() {
    // A typed line runs at the program's next pass: until then it is queued, not busy.
    await page.waitForFunction(() => !window.flockStats.busy && Module._flock_busy() === 0 &&
      Module._flock_queued() === 0, { timeout: 20000 });
    await sleep(300);
  }
  // Speaks to a fresh interpreter or to agent 1's, whichever the switch now says.
  async function useFresh(wanted) {
    const pressed = await page.evaluate(() => document.getElementById('fresh').getAttribute('aria-pressed') === 'true');
    if (pressed !== wanted) await page.click('#fresh');
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
  // While the flock flies the console is quiet (the screen reader's region too); with verbose on, agent 1's decisions
  // show, and a reader scrolled up stays where they are.
  const announced = await page.evaluate(async () => {
    let changes = 0;
    const watch = new MutationObserver((records) => { changes += records.length; });
    watch.observe(document.getElementById('announce'), { childList: true, characterData: true, subtree: true });
    await new Promise((resolve) => setTimeout(resolve, 3000));
    watch.disconnect();
    return changes + document.querySelectorAll('#console[aria-live="polite"], #console[aria-live="assertive"]').length;
  });
  check(announced === 0, 'idle flight changes no live region', `${announced} changes`);
  await page.click('#verbose');
  await type('while 1 (print 1)');
  await sleep(1000);
  // Lines counted as they come: the console keeps its last 2000, so its length may stay put.
  await page.evaluate(() => {
    const area = document.getElementById('console');
    area.scrollTop = 0;
    window.linesAdded = 0;
    new MutationObserver((records) => { for (const record of records) window.linesAdded += record.addedNodes.length; })
      .observe(area, { childList: true });
  });
  await sleep(1500);
  const scrolled = await page.evaluate(() => [document.getElementById('console').scrollTop, window.linesAdded]);
  await page.click('#stop');
  await waitIdle();
  await page.click('#verbose');
  check(scrolled[0] === 0 && scrolled[1] > 0, 'scrolled up, the console stays put while new lines come',
    `scrollTop ${scrolled[0]}, ${scrolled[1]} lines added`);
  await page.focus('#line');
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
  // Long enough that no machine finishes it before Stop is pressed.
  await type('vex::train (get QDM) (get rules) 1000000 4 20 20');
  const shownProgress = await page.waitForFunction(() => {
    const shown = document.getElementById('progress').textContent;
    return /generation \d+\/1000000/.test(shown) && shown;
  }, { timeout: 20000 }).then((handle) => handle.jsonValue()).catch(() => '');
  const stopShown = await page.evaluate(() => !document.getElementById('stop').hidden);
  await page.click('#stop');
  await waitIdle();
  text = (await consoleText()).split('vex::train').pop();
  const progressLines = text.split('\n').filter((row) => /generation \d+\/1000000/.test(row)).length;
  check(shownProgress && stopShown && progressLines <= 1 && /Training stopped by key/.test(text),
    "training's progress shows in one place, and the Stop button stops it",
    `${JSON.stringify(shownProgress)}, ${progressLines} progress line(s) in the console: ${JSON.stringify(text.slice(-300))}`);
  // q typed into the console stops it too.
  await type('vex::train (get QDM) (get rules) 1000000 4 20 20');
  await page.waitForFunction(() => /generation \d+\/1000000/.test(document.getElementById('progress').textContent),
    { timeout: 20000 }).catch(() => {});
  await page.focus('#line');
  await page.keyboard.press('q');
  await waitIdle();
  text = (await consoleText()).split('vex::train').pop();
  check(/Training stopped by key/.test(text) && await page.evaluate(() => document.getElementById('line').value === ''),
    'q typed into the console stops the training', JSON.stringify(text.slice(-200)));
  // A runaway loop: the page stays alive and Ctrl-C stops it.
  await type('while 1 (nop 0)');
  await sleep(1000);
  const busy = await page.evaluate(() => window.flockStats.busy);
  const [loopStart, loopFrames] = [await look(), await frames()];
  await sleep(1500);
  const loopRate = ((await frames()) - loopFrames) / 1.5;
  // Keys other than q typed meanwhile are kept for the next command.
  await page.focus('#line');
  await page.keyboard.type('print 5');
  await sleep(300);
  const keptLine = await page.evaluate(() => [document.getElementById('line').value, window.flockStats.busy]);
  check(keptLine[0] === 'print 5' && keptLine[1], 'keys typed during a loop stay in the input line, and the loop runs on',
    JSON.stringify(keptLine));
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
  check(/\nError: User break\.\n/.test(text) && !/Error: Error/.test(text), 'Ctrl-C stops the loop, saying so once',
    JSON.stringify(text.slice(0, 120)));
  await page.keyboard.press('Enter');
  await waitIdle();
  text = (await consoleText()).split('print 5').pop();
  check(/^\n.*5\n/.test(text), 'the kept line runs as typed', JSON.stringify(text.slice(0, 80)));
  const framesAfterBreak = await frames();
  await sleep(500);
  check((await frames()) > framesAfterBreak, 'the flock flies on after the break');
  await sleep(1500);
  await recenter();
  const two = await gather();
  check(two.blue > 0 && two.green === 0 && two.red === 0, 'then the page flies two agents with random sensors',
    JSON.stringify(two));
  check((await run('print (+ 40 2)')).includes('42'), 'the console speaks to the new agent 1');
  // The shipped scripts run in a fresh interpreter as at a terminal; a file that is missing is told once.
  await useFresh(true);
  text = await run('file check_flock.txt');
  check(/forward-after-center = /.test(text) && !/Error/.test(text), 'file check_flock.txt runs in a fresh interpreter',
    JSON.stringify(text.slice(0, 300)));
  text = await run('file nosuch.txt');
  check(text.split("Cannot open file 'nosuch.txt'").length === 2, 'a missing file is told once', JSON.stringify(text));
  await useFresh(false);
  await run('vex::save (get QDM) saved_sensors.bin');
  // Downloads: the picture, the figures and a file a command wrote.
  const downloads = await mkdtemp(path.join(tmpdir(), 'flock-downloads-'));
  const cdp = await page.createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  await page.click('#get-png');
  await page.click('#get-csv');
  await page.click('#get-svg');
  const fileLinks = await page.evaluate(() => [...document.querySelectorAll('#files a')].map((a) => a.textContent));
  await page.evaluate(() => [...document.querySelectorAll('#files a')].find((a) => a.textContent === 'saved_sensors.bin')?.click());
  const got = {};
  for (let i = 0; i < 50 && Object.keys(got).length < 4; ++i) {
    await sleep(200);
    for (const name of ['flock.png', 'flock_series.csv', 'flock_flight.svg', 'saved_sensors.bin'])
      got[name] = got[name] ?? await readFile(path.join(downloads, name)).catch(() => undefined);
    for (const name of Object.keys(got)) if (!got[name]) delete got[name];
  }
  const png = got['flock.png'], csv = got['flock_series.csv'], svg = got['flock_flight.svg'];
  const saved = got['saved_sensors.bin'];
  check(png && png.length > 1000 && png.subarray(1, 4).toString() === 'PNG', 'the picture downloads as a PNG',
    `${png?.length ?? 0} bytes`);
  // One row a second flown, the figures' columns as a headless flight's.
  const csvRows = csv ? csv.toString().trim().split('\n') : [];
  check(csvRows[0] === 'run,time,distance,polarisation,following,decisions,failures' && csvRows.length > 3 &&
    csvRows.slice(1).every((row, i) => row.startsWith(`0,${i + 1},`) && row.split(',').length === 7),
  'the figures of every second flown download as CSV', JSON.stringify(csvRows.slice(0, 3)));
  const svgText = svg?.toString() ?? '';
  check(/^<\?xml[^\n]*\n<svg /.test(svgText) && /<polyline/.test(svgText) && /Mean distance from the centroid/.test(svgText) &&
    /2 agents, [\d.]+ s on the web page, any seed, random sensors/.test(svgText) && !/NaN|\bnan\b/.test(svgText),
  "the flight's picture downloads as SVG, drawn as a headless flight's", `${svgText.length} bytes: ${svgText.slice(0, 80)}`);
  check(fileLinks.includes('saved_sensors.bin') && saved && saved.length > 0, 'a file a command wrote downloads',
    `${JSON.stringify(fileLinks)}, ${saved?.length ?? 0} bytes`);
  await rm(downloads, { recursive: true, force: true });
  check(consoleErrors.length === 0, 'no console error while testing', consoleErrors.join(' | '));
  if (failures > 0) console.log('The console held:\n' + (await consoleText()));
  // Settings in the link: applied and written back as they change; history kept; Tab completes.
  const linked = await browser.newPage();
  await linked.goto(url + '?agents=2&sensors=random&seed=3', { waitUntil: 'load' });
  await linked.waitForFunction(() => window.flockStats && window.flockStats.ready, { timeout: 30000 });
  await sleep(500);
  const applied = await linked.evaluate(() => [document.getElementById('agents').value,
    document.getElementById('sensors').value, document.getElementById('seed').value, document.getElementById('url-problems').hidden]);
  await linked.select('#agents', '4');
  await sleep(200);
  check(applied.join() === '2,1,3,true' && /agents=4&sensors=random&seed=3$/.test(linked.url()),
    'the link sets agents, sensors and seed, and changes are written back', `${JSON.stringify(applied)} ${linked.url()}`);
  await linked.focus('#line');
  await linked.keyboard.press('ArrowUp');
  const recalledLine = await linked.evaluate(() => document.getElementById('line').value);
  check(recalledLine === 'vex::save (get QDM) saved_sensors.bin', 'the console history lasts across pages', recalledLine);
  await linked.evaluate(() => { document.getElementById('line').value = ''; });
  await linked.keyboard.type('vex::qdm::descr');
  await linked.keyboard.press('Tab');
  const completed = await linked.evaluate(() => document.getElementById('line').value);
  check(completed === 'vex::qdm::describe ', 'Tab completes a word', JSON.stringify(completed));
  await linked.goto(url + '?agents=5&sensors=trained&seed=x', { waitUntil: 'load' });
  await linked.waitForFunction(() => window.flockStats && window.flockStats.ready, { timeout: 30000 });
  const named = await linked.evaluate(() => [document.getElementById('url-problems').textContent,
    document.getElementById('agents').value]);
  check(/agents=5/.test(named[0]) && /seed=x/.test(named[0]) && !/sensors/.test(named[0]) && named[1] === '8',
    'bad values in the link are named, and the defaults used', JSON.stringify(named));
  // The sensor choices come from the program's list of kinds; a bad one is named in the link's order.
  await linked.goto(url + '?agents=5&sensors=bogus&seed=x', { waitUntil: 'load' });
  await linked.waitForFunction(() => window.flockStats && window.flockStats.ready, { timeout: 30000 });
  const kinds = await linked.evaluate(() => [document.getElementById('url-problems').textContent,
    [...document.getElementById('sensors').options].map((o) => `${o.value}=${o.text}`).join(), document.getElementById('sensors').value]);
  check(/agents=5.*; sensors=bogus is neither trained nor random: trained sensors fly; seed=x/.test(kinds[0]) &&
    kinds[1] === '0=trained,1=random' && kinds[2] === '0', "the page's sensor choices are the program's", JSON.stringify(kinds));
  // World settings in the link: checked by the program's table, applied to the flight and written back; the noise
  // slider changes the flying flock at once, without a new flight.
  await linked.goto(url + '?agents=4&noise=30&speed=fast&turn_rate=99999&think_period=2.5&bogus=1',
    { waitUntil: 'load' });
  await linked.waitForFunction(() => window.flockStats && window.flockStats.ready, { timeout: 30000 });
  await linked.waitForFunction(() => UTF8ToString(Module._flock_world()) !== '', { timeout: 10000 }).catch(() => {});
  const world = await linked.evaluate(() => [document.getElementById('url-problems').textContent,
    document.getElementById('noise').value, UTF8ToString(Module._flock_world()), location.search]);
  check(world[1] === '30' && world[2] === 'noise=30' && /[?&]noise=30(&|$)/.test(world[3]) &&
    /speed=fast is not a number: the default 7\.2 is used/.test(world[0]) &&
    /turn_rate=99999: turn_rate must be from 0 to 36000 degrees\/s, not 99999: the default 576 is used/.test(world[0]) &&
    /think_period=2\.5: .*whole number.*the default 3 is used/.test(world[0]) && /bogus is not a setting/.test(world[0]) &&
    !/speed|turn_rate|think_period|bogus/.test(world[3]),
  'world settings in the link are applied and written back, and bad ones named with the default used',
  JSON.stringify(world));
  await linked.keyboard.press('p');
  await sleep(1500);
  const framesBeforeNoise = await linked.evaluate(() => Module._flock_frames());
  const secondsBeforeNoise = await linked.evaluate(() => UTF8ToString(Module._flock_series_csv()).trim().split('\n').length);
  await linked.$eval('#noise', (slider) => {
    slider.value = '90';
    slider.dispatchEvent(new Event('input', { bubbles: true }));
  });
  await sleep(1500);
  const noisy = await linked.evaluate(() => [UTF8ToString(Module._flock_world()), location.search,
    document.getElementById('noise-value').textContent,
    UTF8ToString(Module._flock_series_csv()).trim().split('\n').length]);
  check(noisy[0] === 'noise=90' && /noise=90/.test(noisy[1]) && noisy[2] === '\u00b190\u00b0' &&
    noisy[3] > secondsBeforeNoise && (await linked.evaluate(() => Module._flock_frames())) > framesBeforeNoise,
  'the noise slider changes the flying flock, with no new flight, and the link', JSON.stringify(noisy));
  await linked.close();
  // Opened as a file: says how to serve it.
  const filePage = await browser.newPage();
  await filePage.goto('file://' + path.join(root, 'index.html'), { waitUntil: 'load' });
  const fileStatus = await filePage.evaluate(() => document.getElementById('status').textContent);
  check(/served over http/.test(fileStatus), 'a page opened from file:// says to serve it over http', fileStatus);
  await filePage.close();

  // The figures.
  let download = 0, native = '';
  const programFiles = expectedBuild === 'flock' ? ['flock.wasm', 'flock.js'] :
    ['flock-mt.wasm', 'flock-mt.js', 'flock-mt.worker.js'];
  for (const name of [...programFiles, 'flock.data', 'index.html', 'page.js', 'page.css'])
    download += (await stat(path.join(root, name))).size;
  if (benchProgram) {
    try {
      const out = execFileSync(benchProgram, ['--benchmark_filter=^BM_FlockFrame/8$', '--benchmark_format=json'],
        { cwd: path.dirname(benchProgram), encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] });
      const run = JSON.parse(out).benchmarks[0];
      const nativeMs = run.real_time / ({ us: 1000, ns: 1e6 }[run.time_unit] ?? 1);
      native = `, native BM_FlockFrame/8 ${nativeMs.toFixed(3)} ms, ratio ${(wasmFrameMs / nativeMs).toFixed(2)}x`;
    } catch (error) {
      native = ` (native BM_FlockFrame not measured: ${error.message.split('\n')[0]})`;
    }
  }
  // Bigger flights, from the link: frames a second over 5 s and the WebAssembly frame.
  const flights = [];
  for (const agents of scale ? [32, 64, 256] : [32]) {
    const flight = await browser.newPage();
    await flight.goto(`${url}?agents=${agents}&seed=1`, { waitUntil: 'load' });
    await flight.waitForFunction(() => window.flockStats && window.flockStats.ready, { timeout: 60000 });
    const making = await flight.waitForFunction((count) => Module._flock_agent_count() === count &&
      performance.now(), { timeout: 120000 }, agents).then((handle) => handle.jsonValue());
    await flight.evaluate(() => document.activeElement.blur());
    await flight.keyboard.press('p');
    await sleep(1500);
    await flight.evaluate(() => Module._flock_frame_ms(0));
    const before = await flight.evaluate(() => Module._flock_frames());
    await sleep(5000);
    const rate = ((await flight.evaluate(() => Module._flock_frames())) - before) / 5;
    const frameMs = await flight.evaluate(() => Module._flock_frame_ms(0));
    flights.push(`${agents} agents ${rate.toFixed(1)} frames a second, frame ${frameMs.toFixed(3)} ms, flying ` +
      `${Math.round(making)} ms after the page's start`);
    await flight.close();
  }
  console.log(`arrival: files in ${Math.round(arrival.files)} ms, compiled and unpacked by ${Math.round(arrival.runtime)} ms, ` +
    `8 agents made by ${Math.round(arrival.readyAt)} ms, first frame at ${Math.round(arrival.firstFrame)} ms`);
  console.log(`flights: ${flights.join('; ')}`);
  console.log(`speed (${expectedBuild}): ${framesPerSecond.toFixed(1)} frames a second over 5 s with 8 agents (headless Chromium, ` +
    `SwiftShader GL); WebAssembly frame ${wasmFrameMs.toFixed(3)} ms${native}, then ${drawingMs.toFixed(3)} ms ` +
    `handing it to WebGL; download ${(download / 1e6).toFixed(2)} MB; first frame ${Math.round(firstFrameMs)} ms ` +
    'after page load');
} catch (error) {
  check(false, 'the browser test ran to its end', error.stack ?? String(error));
} finally {
  await session.close();
}

// Served without the headers the page runs the single-threaded program, whose long commands yield at their key polls.
if (!single) {
  const plain = await openPageSession(root, [], { isolated: false });
  try {
    const page = await plain.browser.newPage();
    const errors = [];
    page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
    page.on('pageerror', (error) => errors.push(String(error)));
    await page.goto(plain.url, { waitUntil: 'load' });
    await page.waitForFunction(() => window.flockStats && window.flockStats.ready, { timeout: 30000 });
    const build = await page.evaluate(() => [Module.flockBuild, window.crossOriginIsolated]);
    check(build[0] === 'flock' && build[1] === false, 'without the headers the page runs flock.js', JSON.stringify(build));
    await page.focus('#line');
    await page.keyboard.type('while 1 (nop 0)');
    await page.keyboard.press('Enter');
    await sleep(1000);
    const framesBefore = await page.evaluate(() => Module._flock_frames());
    await sleep(1000);
    const [busy, framesAfter] = await page.evaluate(() => [window.flockStats.busy, Module._flock_frames()]);
    await page.keyboard.down('Control');
    await page.keyboard.press('c');
    await page.keyboard.up('Control');
    await page.waitForFunction(() => !window.flockStats.busy, { timeout: 20000 }).catch(() => {});
    const shown = await page.evaluate(() => document.getElementById('console').textContent.split('while 1 (nop 0)').pop());
    check(busy && framesAfter - framesBefore > 5 && /\nError: User break\.\n/.test(shown) && errors.length === 0,
      'there too the canvas moves during a while loop and Ctrl-C stops it',
      `${framesAfter - framesBefore} frames in 1 s, ${JSON.stringify(shown.slice(0, 80))} ${errors.join(' | ')}`);
  } catch (error) {
    check(false, 'the single-threaded check ran to its end', error.stack ?? String(error));
  } finally {
    await plain.close();
  }
}
console.log(failures === 0 ? 'all browser checks passed' : `${failures} browser check(s) failed`);
process.exit(failures === 0 ? 0 : 1);
