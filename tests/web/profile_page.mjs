// A CPU profile of the flying page in headless Chromium: where the frame's time goes. Build the page with its
// function names kept (bash tools/build-web.sh build-web-prof -DFLOCK_WEB_PROFILING=ON), then
//   node tests/web/profile_page.mjs build-web-prof [--agents 8,64] [--seconds 5] [--top 25] [--save DIR] [--measure]
// For each flight it prints the WebAssembly frame (as the page measures it), the self time of the busiest
// functions and the shares of a few kinds of work; --save writes each flight's .cpuprofile into DIR. With
// --measure it only measures the frame, unprofiled (any build of the page will do).
import { writeFile } from 'node:fs/promises';
import path from 'node:path';
import { openPageSession } from './page_session.mjs';

const args = process.argv.slice(2);
const root = path.resolve(args[0] ?? 'build-web-prof');
const option = (name, fallback) => { const i = args.indexOf(name); return i >= 0 ? args[i + 1] : fallback; };
const flights = option('--agents', '8,64').split(',').map(Number);
const seconds = Number(option('--seconds', '5'));
const top = Number(option('--top', '25'));
const saveDir = option('--save');
const measureOnly = args.includes('--measure');
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Kinds of work, by function name; the first that matches counts.
const kinds = [
  ['JS exception trampolines (invoke_*, dynCall)', /^(invoke_|dynCall_|dynCall$|getWasmTableEntry)/],
  ['exception runtime (throw, catch, unwind)', /(__cxa_|_Unwind|__resumeException|setThrew|___cxa|findMatchingCatch|getTempRet|setTempRet)/],
  ['Asyncify', /(asyncify|Asyncify)/],
  ['malloc/free/new/delete', /^(dlmalloc|dlfree|malloc|free|emmalloc|operator new|operator delete|sbrk|dlrealloc|realloc|prepend_alloc|tmalloc|internal_memalign|posix_memalign|aligned_alloc|calloc)\b|^(_Znwm|_Znwj|_ZdlPv|_Znam|_ZdaPv)/],
  ['memcpy/memset/memmove', /^(memcpy|memset|memmove|memcmp|__memcpy|emscripten_memcpy)/],
  ['string work', /(basic_string|char_traits|strlen|strcmp|strncmp|string_view|__str|std::__2::to_string|ostream|istream|basic_ios|streambuf|ostringstream|stringstream|num_put|num_get|locale|ctype|snprintf|vfprintf|printf_core|fmt_fp|strtod|strtol|__floatscan|__intscan)/],
  ['math kernels (linalg, libm)', /(^linalg::|^sin|^cos|^tan|^atan|^exp|^log|^pow|^sqrt|^hypot|^fmod|__sin|__cos|__rem_pio2|__tan|__expo|scalbn|^floor|^ceil)/],
  ['JS imports: time, random', /(emscripten_get_now|_emscripten_get_now|performance|clock_gettime|Math\.random|_emscripten_random|getRandomValues|_time$|^time$)/],
  ['JS imports: GL, canvas', /(^_?gl[A-Z]|^_?emscripten_gl|GL\.|webgl|WebGL|drawArrays|bufferData|uniform)/],
];
const kindOf = (name) => (kinds.find(([, pattern]) => pattern.test(name)) ?? ['other'])[0];

const session = await openPageSession(root, (process.env.CHROMIUM_FLAGS ?? '').split(' ').filter(Boolean));
const { url, browser } = session;

// Self time by function and inclusive time under the page's frame (drawFrame: the simulation and handing it to WebGL), from a CDP profile.
function summarise(profile) {
  const nodes = new Map(profile.nodes.map((node) => [node.id, node]));
  const parent = new Map();
  for (const node of profile.nodes) for (const child of node.children ?? []) parent.set(child, node.id);
  const self = new Map();
  const inFrame = new Map();  // self time within runLoopPass's subtree
  let total = 0, frame = 0, idle = 0;
  const underFrame = new Map();
  const isUnderFrame = (id) => {
    if (underFrame.has(id)) return underFrame.get(id);
    const node = nodes.get(id);
    const result = /drawFrame/.test(node.callFrame.functionName) ||
      (parent.has(id) ? isUnderFrame(parent.get(id)) : false);
    underFrame.set(id, result);
    return result;
  };
  profile.samples.forEach((id, i) => {
    const dt = (profile.timeDeltas[i + 1] ?? 0) / 1000;  // ms spent in this sample
    const name = nodes.get(id).callFrame.functionName || '(anonymous)';
    total += dt;
    if (name === '(idle)') { idle += dt; return; }
    self.set(name, (self.get(name) ?? 0) + dt);
    if (isUnderFrame(id)) { frame += dt; inFrame.set(name, (inFrame.get(name) ?? 0) + dt); }
  });
  return { self, inFrame, total, frame, idle };
}

try {
  for (const agents of flights) {
    const page = await browser.newPage();
    await page.setViewport({ width: 1000, height: 1100 });
    await page.goto(`${url}?agents=${agents}&seed=1`, { waitUntil: 'load' });
    await page.waitForFunction((count) => window.flockStats && window.flockStats.ready &&
      Module._flock_agent_count() === count, { timeout: 120000 }, agents);
    await page.evaluate(() => document.activeElement.blur());
    await page.keyboard.press('p');
    await sleep(1500);
    if (measureOnly) {
      // One-second windows: on a shared machine the least of them is the steadiest figure, the median the usual.
      const windows = [];
      for (let i = 0; i < seconds; ++i) {
        await page.evaluate(() => Module._flock_frame_ms(0));
        await sleep(1000);
        windows.push(await page.evaluate(() => Module._flock_frame_ms(0)));
      }
      windows.sort((a, b) => a - b);
      console.log(`${path.basename(root)}: ${agents} agents, WebAssembly frame least ${windows[0].toFixed(3)} ms, ` +
        `median ${windows[Math.floor(windows.length / 2)].toFixed(3)} ms over ${seconds} one-second windows`);
      await page.close();
      continue;
    }
    const session = await page.createCDPSession();
    await session.send('Profiler.enable');
    await session.send('Profiler.setSamplingInterval', { interval: 100 });
    await page.evaluate(() => Module._flock_frame_ms(0));
    const framesBefore = await page.evaluate(() => Module._flock_frames());
    await session.send('Profiler.start');
    await sleep(seconds * 1000);
    const { profile } = await session.send('Profiler.stop');
    const frames = (await page.evaluate(() => Module._flock_frames())) - framesBefore;
    const frameMs = await page.evaluate(() => Module._flock_frame_ms(0));
    await page.close();
    if (saveDir) await writeFile(path.join(saveDir, `flock-${agents}.cpuprofile`), JSON.stringify(profile));

    const { self, inFrame, total, frame, idle } = summarise(profile);
    const busy = total - idle;
    console.log(`\n${agents} agents: ${frames} frames in ${seconds} s, WebAssembly frame ${frameMs.toFixed(3)} ms ` +
      `(the page's own measure); profile ${total.toFixed(0)} ms, ${busy.toFixed(0)} ms busy, ` +
      `${frame.toFixed(0)} ms under drawFrame (${(frame / frames).toFixed(3)} ms a frame, profiled)`);
    const shares = new Map();
    for (const [name, ms] of inFrame) shares.set(kindOf(name), (shares.get(kindOf(name)) ?? 0) + ms);
    console.log('  share of the time under drawFrame, by kind:');
    for (const [kind, ms] of [...shares].sort((a, b) => b[1] - a[1]))
      console.log(`    ${(100 * ms / frame).toFixed(1).padStart(5)} %  ${(ms / frames).toFixed(4)} ms/frame  ${kind}`);
    console.log(`  top ${top} functions by self time under drawFrame:`);
    for (const [name, ms] of [...inFrame].sort((a, b) => b[1] - a[1]).slice(0, top))
      console.log(`    ${(100 * ms / frame).toFixed(1).padStart(5)} %  ${name.slice(0, 110)}  [${kindOf(name)}]`);
    console.log(`  top 10 by self time on the whole page (busy ${busy.toFixed(0)} ms):`);
    for (const [name, ms] of [...self].sort((a, b) => b[1] - a[1]).slice(0, 10))
      console.log(`    ${(100 * ms / busy).toFixed(1).padStart(5)} %  ${name.slice(0, 110)}`);
  }
} finally {
  await session.close();
}
