// The page around the flock: keys and buttons, the flight's settings (also in the
// link), the live figures, downloads and the console. The program (flock.js and
// flock.wasm, or the threaded flock-mt.js and flock-mt.wasm as index.html chose) draws on
// #canvas and runs the console's lines in agent 1's interpreter.
'use strict';

(function () {
  const $ = (id) => document.getElementById(id);
  const status = $('status');
  const consoleArea = $('console');
  const line = $('line');
  const prompt = $('prompt');
  const progress = $('progress');
  const announce = $('announce');
  const stopButton = $('stop');
  // Times since the page's start, ms: the program compiled and its files in place, its agents made, the first frame.
  const stats = { pageStart: 0, runtime: null, readyAt: null, firstFrame: null, ready: false, busy: false,
    build: window.flockBuild ?? 'flock' };
  window.flockStats = stats;

  if (location.protocol === 'file:') {
    status.textContent = 'This page must be served over http, for example: ' +
      'python3 tools/serve-web.py build-web, then open http://127.0.0.1:8000/';
    return;
  }

  // --- Settings: read from the link, written back as they change -----------------
  const agents = $('agents');
  const sensors = $('sensors');
  const seed = $('seed');
  const sensorChoices = [];  // the program's, once it runs; the first is the default
  let sensorsInLink = null;  // [text, where its problem goes among linkProblems]
  const settings = { agents: 8, sensors: 0, seed: -1, world: new Map() };  // world: name -> value, if not default
  const linkProblems = [];
  const worldInLink = [];  // [name, text] of the link's other settings, checked by the program once it runs
  (function readLink() {
    const query = new URLSearchParams(location.search);
    const problems = linkProblems;
    const agentChoices = [...agents.options].map((option) => option.value);
    if (query.has('agents')) {
      const value = query.get('agents');
      if (agentChoices.includes(value)) settings.agents = Number(value);
      else problems.push(`agents=${value} is not one of ${agentChoices.join(', ')}: 8 agents fly`);
    }
    if (query.has('sensors')) sensorsInLink = [query.get('sensors'), problems.length];
    if (query.has('seed')) {
      const value = query.get('seed');
      if (/^\d{1,10}$/.test(value) && Number(value) <= 2147483647) settings.seed = Number(value);
      else problems.push(`seed=${value} is not a whole number from 0 to 2147483647: the seed is left to chance`);
    }
    for (const [name, value] of query) if (!['agents', 'sensors', 'seed'].includes(name)) worldInLink.push([name, value]);
    agents.value = String(settings.agents);
    seed.value = settings.seed >= 0 ? String(settings.seed) : '';
    showLinkProblems();
  })();
  function showLinkProblems() {
    $('url-problems').textContent = linkProblems.length ? 'In the link: ' + linkProblems.join('; ') + '.' : '';
    $('url-problems').hidden = linkProblems.length === 0;
  }
  // Once the program runs: its sensor choices, and the link's among them.
  function applySensorsFromLink() {
    for (const name of UTF8ToString(Module._flock_sensor_choices()).split('\n').filter(Boolean)) {
      sensors.add(new Option(name, String(sensorChoices.length)));
      sensorChoices.push(name);
    }
    const [value, at] = sensorsInLink ?? [sensorChoices[0], 0];
    const named = sensorChoices.length === 2 ? 'neither ' + sensorChoices.join(' nor ') : 'not one of ' + sensorChoices.join(', ');
    if (sensorChoices.includes(value)) settings.sensors = sensorChoices.indexOf(value);
    else linkProblems.splice(at, 0, `sensors=${value} is ${named}: ${sensorChoices[0]} sensors fly`);
    sensors.value = String(settings.sensors);
  }
  // The world settings come from the program's one table: name -> { defaultValue, unit, low, high, whole, meaning }.
  const worldTable = new Map();
  const kNumber = /^[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?$/;
  function setWorld(name, value) {
    const problem = UTF8ToString(Module.ccall('flock_set_world', 'number', ['string', 'number'], [name, value]));
    if (problem) return problem;
    if (value === worldTable.get(name).defaultValue) settings.world.delete(name);
    else settings.world.set(name, value);
    return '';
  }
  // Once the program runs: the link's world settings, each checked by its table; a bad one is named and its default
  // kept. Answers whether any differs from the defaults.
  function applyWorldFromLink() {
    for (const row of UTF8ToString(Module._flock_world_table()).split('\n').filter(Boolean)) {
      const [name, defaultValue, unit, low, high, whole, ...meaning] = row.split(' ');
      worldTable.set(name, { defaultValue: Number(defaultValue), unit, low: Number(low), high: Number(high),
        whole: whole === '1', meaning: meaning.join(' ') });
    }
    for (const [name, text] of worldInLink) {
      const row = worldTable.get(name);
      if (!row) {
        linkProblems.push(`${name} is not a setting of the page (agents, sensors, seed, ${[...worldTable.keys()].join(', ')}): ignored`);
        continue;
      }
      const problem = kNumber.test(text.trim()) ? setWorld(name, Number(text)) : `${name}=${text} is not a number`;
      if (problem) linkProblems.push(`${problem.startsWith(name + '=') ? '' : name + '=' + text + ': '}${problem}: the default ${row.defaultValue} is used`);
    }
    showLinkProblems();
    return settings.world.size > 0;
  }
  function linkToSettings() {
    const query = new URLSearchParams();
    query.set('agents', String(settings.agents));
    const sensorsWord = sensorChoices[settings.sensors] ?? sensorsInLink?.[0];
    if (sensorsWord !== undefined) query.set('sensors', sensorsWord);
    if (settings.seed >= 0) query.set('seed', String(settings.seed));
    for (const name of worldTable.keys()) if (settings.world.has(name)) query.set(name, String(settings.world.get(name)));
    return location.origin + location.pathname + '?' + query.toString();
  }
  function writeLink() { history.replaceState(null, '', linkToSettings()); }

  // --- The console: standard output and error, byte by byte ---------------------
  const kKeptLines = 2000;
  const decoder = new TextDecoder();
  // Standard error that is not a failure: training's debug and progress lines.
  const chatterPattern = /^(DEBUG|\s*\d+\/\d+\b|mutation|generation\b)/i;
  let pending = [];        // bytes of the line being written
  let current = null;      // its element
  let carriageReturn = false;
  let progressLine = false;  // the line being written rewrites itself (a progress line)
  let scheduled = false;
  let followBottom = true;   // the view follows new output only while at the bottom
  let followAsked = false;   // the next output shows at the bottom, wherever the view is
  const atBottom = () => consoleArea.scrollTop + consoleArea.clientHeight >= consoleArea.scrollHeight - 4;
  consoleArea.addEventListener('scroll', function () { followBottom = atBottom(); });
  function follow() { followBottom = followAsked = true; }
  let commandOutput = '';    // what the running command printed, for the screen reader

  function newLine(kind) {
    current = document.createElement('span');
    if (kind) current.className = kind;
    consoleArea.appendChild(current);
    while (consoleArea.childNodes.length > kKeptLines) consoleArea.removeChild(consoleArea.firstChild);
  }
  function render() {
    scheduled = false;
    if (progressLine) {
      // A progress line lives in its one status place, updated in place.
      progress.textContent = decoder.decode(new Uint8Array(pending));
      return;
    }
    // Output may come between a reader's scroll and its scroll event (the threaded
    // program's comes at any time): where the view was before this output decides.
    if (!followAsked && !atBottom()) followBottom = false;
    followAsked = false;
    if (!current) newLine();
    current.textContent = decoder.decode(new Uint8Array(pending));
    if (followBottom) consoleArea.scrollTop = consoleArea.scrollHeight;
  }
  function schedule() {
    if (!scheduled) { scheduled = true; requestAnimationFrame(render); }
  }
  function output(kind) {
    let escape = 0;  // 1 after ESC, 2 inside a control sequence
    return function (byte) {
      if (byte === null || byte === undefined) { schedule(); return; }
      // Control sequences: only "erase to the end of the line" means anything here.
      if (byte === 27) { escape = 1; return; }
      if (escape === 1) { escape = byte === 91 ? 2 : 0; return; }
      if (escape === 2) {
        if (byte >= 0x40 && byte <= 0x7e) {
          escape = 0;
          if (byte === 75 && carriageReturn) { pending = []; carriageReturn = false; render(); }
        }
        return;
      }
      if (byte === 10) {
        pending.push(10);
        if (progressLine) {
          // The last state of a progress line stays in the console, as at a terminal.
          progressLine = false;
          progress.textContent = '';
          if (!current || current.textContent !== '') newLine(kind);
        }
        render();
        const text = current.textContent;
        if (kind === 'err' && chatterPattern.test(text)) current.className = 'chatter';
        // A failure told on standard output and again, with its reason, on standard error
        // shows once: the line with the reason.
        const before = current.previousSibling;
        if (kind === 'err' && before && before.textContent.length > 1 &&
            text.startsWith(before.textContent.slice(0, -1) + ': ')) before.remove();
        if (stats.busy && commandOutput.length < 400) commandOutput += text;
        pending = [];
        newLine(kind);
        carriageReturn = false;
        return;
      }
      if (byte === 13) { carriageReturn = true; schedule(); return; }
      // A progress line rewrites itself after a carriage return.
      if (carriageReturn) {
        carriageReturn = false;
        if (!progressLine) {
          progressLine = true;
          if (current) current.textContent = '';
        }
        pending = [];
      }
      if (!progressLine && current && current.className !== kind && pending.length === 0) {
        if (current.textContent === '') current.className = kind;
        else { render(); newLine(kind); }
      }
      pending.push(byte);
      schedule();
    };
  }
  const writers = { '': output(''), err: output('err') };
  function say(text, kind) {
    for (const byte of new TextEncoder().encode(text)) writers[kind](byte);
  }

  // --- The program -------------------------------------------------------------
  window.Module = {
    canvas: $('canvas'),
    // The program that runs: 'flock-mt' (threaded) or 'flock'.
    flockBuild: stats.build,
    // Both programs unpack the one flock.data.
    locateFile: function (name, prefix) { return prefix + (name === 'flock-mt.data' ? 'flock.data' : name); },
    // Standard output and error stay terminals (a training's progress line shows), but
    // write here byte by byte; standard input is empty: reads see the end of input.
    onRuntimeInitialized: function () {
      stats.runtime = performance.now();
      for (const [fd, kind] of [[1, ''], [2, 'err']]) {
        const stream = FS.getStream(fd);
        if (stream && stream.tty) {
          const write = writers[kind];
          stream.tty.ops = { get_char: function () { return null; },
            put_char: function (tty, byte) { write(byte); }, fsync: function () { write(null); } };
        }
      }
    },
    print: function (text) { say(text + '\n', ''); },
    printErr: function (text) { say(text + '\n', 'err'); },
    onAbort: function (what) { status.textContent = 'The program stopped: ' + what; },
    onFlockEvent: function (what, text) {
      if (what === 'ready') {
        stats.ready = true;
        stats.readyAt = performance.now();
        status.textContent = 'P flies or pauses the flock; the console below speaks tala to agent 1 (the blue one).';
        applySensorsFromLink();
        const changedWorld = applyWorldFromLink();
        showNoise();
        if (settings.agents !== 8 || settings.sensors !== 0 || settings.seed >= 0 || changedWorld) restart();
        writeLink();
        noteFiles();
      } else if (what === 'first-frame') {
        // The first frame comes before the agents are made, paused as the page starts.
        stats.firstFrame = performance.now();
        $('paused').hidden = false;
      } else if (what === 'busy') {
        stats.busy = text === '1';
        prompt.classList.toggle('busy', stats.busy);
        stopButton.hidden = !stats.busy;
        if (stats.busy) commandOutput = '';
        else {
          const said = commandOutput.trim();
          announce.textContent = said ? said.slice(0, 300) : 'done';
          listFiles();
        }
      } else if (what === 'failed') status.textContent = 'The flock cannot fly here: ' + text;
    },
  };
  function load(build) {
    const script = document.createElement('script');
    script.src = build + '.js';
    script.onerror = function () {
      // Without the threaded program, the single-threaded one.
      if (build !== 'flock') { stats.build = Module.flockBuild = 'flock'; load('flock'); }
      else status.textContent = 'flock.js could not be loaded.';
    };
    document.body.appendChild(script);
  }
  load(stats.build);

  function started() { return stats.ready && typeof Module._flock_key === 'function'; }

  // --- Keys and buttons --------------------------------------------------------
  const keyCodes = { KeyP: 80, KeyR: 82, KeyZ: 90, KeyX: 88, KeyD: 68 };
  function key(code, down) { if (started()) Module._flock_key(code, down ? 1 : 0); }
  document.addEventListener('keydown', function (event) {
    if (event.target === line || event.ctrlKey || event.altKey || event.metaKey) return;
    const tag = event.target.tagName;
    if (tag === 'SELECT' || tag === 'INPUT' || tag === 'BUTTON') return;
    const code = keyCodes[event.code];
    if (code === undefined) return;
    key(code, true);
    event.preventDefault();
  });
  document.addEventListener('keyup', function (event) {
    const code = keyCodes[event.code];
    if (code !== undefined) key(code, false);
  });
  for (const button of document.querySelectorAll('#keys button[data-key]')) {
    const code = Number(button.dataset.key);
    button.addEventListener('pointerdown', function (event) { key(code, true); event.preventDefault(); });
    for (const end of ['pointerup', 'pointerleave', 'pointercancel'])
      button.addEventListener(end, function () { key(code, false); });
    // Enter and Space act as a press, held while held (Z and X move the camera).
    button.addEventListener('keydown', function (event) {
      if (event.key !== 'Enter' && event.key !== ' ') return;
      if (!event.repeat) key(code, true);
      event.preventDefault();
    });
    button.addEventListener('keyup', function (event) {
      if (event.key !== 'Enter' && event.key !== ' ') return;
      key(code, false);
      event.preventDefault();
    });
  }
  // "paused - press P" over the canvas while the flock is paused.
  const pausedNote = $('paused');
  setInterval(function () { if (started()) pausedNote.hidden = Module._flock_paused() === 0; }, 200);

  // --- A new flight ------------------------------------------------------------
  function restart() {
    settings.agents = Number(agents.value);
    settings.sensors = Number(sensors.value);
    const typed = seed.value.trim();
    settings.seed = /^\d{1,10}$/.test(typed) && Number(typed) <= 2147483647 ? Number(typed) : -1;
    writeLink();
    if (started()) Module._flock_restart(settings.agents, settings.sensors, settings.seed);
  }
  agents.addEventListener('change', restart);
  sensors.addEventListener('change', restart);
  seed.addEventListener('change', restart);
  // The noise changes the flock that flies, at once, and the next flight.
  const noise = $('noise');
  function showNoise() {
    const value = settings.world.get('noise') ?? 0;
    noise.value = String(value);
    $('noise-value').textContent = `\u00b1${value}\u00b0`;
  }
  noise.addEventListener('input', function () {
    if (!started()) return;
    const problem = setWorld('noise', Number(noise.value));
    if (problem) status.textContent = problem;
    showNoise();
    writeLink();
  });
  $('copy-link').addEventListener('click', async function () {
    const link = linkToSettings();
    try {
      await navigator.clipboard.writeText(link);
      status.textContent = 'Link copied: ' + link;
    } catch (error) {
      status.textContent = 'Copy this link: ' + link;
    }
  });

  // --- Live figures -------------------------------------------------------------
  // The program's table says which it shows and how: [name, scale, digits, unit].
  const figures = $('figures');
  let figureRows = null;
  setInterval(function () {
    if (!started()) return;
    figureRows ??= UTF8ToString(Module._flock_live_figures()).split('\n').filter(Boolean).map((row) => row.split(' '));
    const answer = UTF8ToString(Module._flock_figures());
    // Nothing while a command holds the threaded program.
    if (!answer) return;
    const values = answer.split(' ').map(Number);
    // Paused, nothing flew: the last figures stay.
    if (!Number.isFinite(values[0]) || Module._flock_paused()) return;
    figures.textContent = figureRows.map(([name, scale, digits, unit], i) => name + ' ' + (values[i] < 0 ? '\u2013' :
      (values[i] * Number(scale)).toFixed(Number(digits)) + (unit ? ' ' + unit : ''))).join(' \u00b7 ');
  }, 1000);

  // --- Downloads ---------------------------------------------------------------
  function offer(blob, name) {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(link.href); }, 10000);
  }
  $('get-png').addEventListener('click', function () {
    // Read the picture right after the program drew a frame.
    requestAnimationFrame(function () {
      $('canvas').toBlob(function (blob) { if (blob) offer(blob, 'flock.png'); }, 'image/png');
    });
  });
  // The figures of every second flown, and the flight's picture, as the program writes them.
  $('get-csv').addEventListener('click', function () {
    if (started()) offer(new Blob([UTF8ToString(Module._flock_series_csv())], { type: 'text/csv' }), 'flock_series.csv');
  });
  $('get-svg').addEventListener('click', function () {
    if (started()) offer(new Blob([UTF8ToString(Module._flock_picture_svg())], { type: 'image/svg+xml' }), 'flock_flight.svg');
  });
  // Files that commands wrote into the page's folder, each with a download link.
  const shippedFiles = new Map();  // name -> modification time when the page started
  function folderFiles() {
    const found = new Map();
    try {
      for (const name of FS.readdir('/data')) {
        if (name === '.' || name === '..') continue;
        const node = FS.stat('/data/' + name);
        if (FS.isFile(node.mode)) found.set(name, node.mtime.getTime());
      }
    } catch (error) { /* no folder yet */ }
    return found;
  }
  function noteFiles() { for (const [name, time] of folderFiles()) shippedFiles.set(name, time); }
  function listFiles() {
    const box = $('files');
    const written = [...folderFiles()].filter(([name, time]) => shippedFiles.get(name) !== time).map(([name]) => name);
    if (written.length === 0) { box.textContent = 'none yet'; return; }
    box.textContent = '';
    for (const name of written.sort()) {
      const link = document.createElement('a');
      link.href = '#';
      link.textContent = name;
      link.addEventListener('click', function (event) {
        event.preventDefault();
        const type = name.endsWith('.svg') ? 'image/svg+xml' : name.endsWith('.txt') || name.endsWith('.csv')
          ? 'text/plain' : 'application/octet-stream';
        offer(new Blob([FS.readFile('/data/' + name)], { type }), name);
      });
      box.appendChild(link);
    }
  }

  // --- The console's switches --------------------------------------------------
  const verbose = $('verbose');
  verbose.addEventListener('change', function () { if (started()) Module._flock_set_quiet(verbose.checked ? 0 : 1); });
  stopButton.addEventListener('click', function () { if (started() && stats.busy) Module._flock_console_key(3); });
  // The console speaks to agent 1's interpreter or to a fresh one of its own.
  const freshButton = $('fresh');
  let inFresh = false;
  freshButton.addEventListener('click', function () {
    if (!started()) return;
    inFresh = !inFresh;
    Module._flock_console_fresh(inFresh ? 1 : 0);
    freshButton.textContent = inFresh ? 'back to agent 1' : 'fresh interpreter';
    freshButton.setAttribute('aria-pressed', inFresh ? 'true' : 'false');
    $('prompt-text').textContent = inFresh ? 'tala (fresh)>' : 'tala>';
    follow();
  });

  // --- The console's input line ------------------------------------------------
  const kHistoryKept = 500;
  const kHistoryKey = 'flock-console-history';
  let lines = [];
  try { lines = JSON.parse(localStorage.getItem(kHistoryKey) || '[]').filter((x) => typeof x === 'string'); }
  catch (error) { lines = []; }
  let recalled = lines.length;
  function remember(text) {
    if (lines[lines.length - 1] !== text) lines.push(text);
    if (lines.length > kHistoryKept) lines.splice(0, lines.length - kHistoryKept);
    recalled = lines.length;
    try { localStorage.setItem(kHistoryKey, JSON.stringify(lines)); } catch (error) { /* storage full or off */ }
  }
  // The program keeps a line's first 2045 bytes and says when there were more: more than
  // that need not be copied. Through ccall, whose view of the memory follows its growth
  // on the command thread.
  const kLineBytesSent = 8192;
  function send(text) {
    const bytes = new TextEncoder().encode(text);
    const sent = new Uint8Array(Math.min(bytes.length, kLineBytesSent) + 1);
    sent.set(bytes.subarray(0, sent.length - 1));
    Module.ccall('flock_console_line', null, ['array'], [sent]);
  }
  let words = null;
  function complete() {
    if (!words) words = UTF8ToString(Module._flock_words()).split('\n').filter(Boolean);
    const end = line.selectionStart;
    const before = line.value.slice(0, end);
    const start = before.search(/[^\s()]*$/);
    const typed = before.slice(start);
    const session = ['!help'];
    const matches = (typed.startsWith('!') ? session : words).filter((word) => word.startsWith(typed));
    if (matches.length === 0) return;
    let common = matches[0];
    for (const word of matches) while (!word.startsWith(common)) common = common.slice(0, -1);
    const insert = matches.length === 1 ? common + ' ' : common;
    line.value = line.value.slice(0, start) + insert + line.value.slice(end);
    line.selectionStart = line.selectionEnd = start + insert.length;
    if (matches.length > 1 && common === typed) {
      follow();
      say(matches.slice(0, 60).join('  ') + (matches.length > 60 ? `  ... (${matches.length})` : '') + '\n', '');
    }
  }
  line.addEventListener('keydown', function (event) {
    if (!started()) return;
    if (stats.busy) {
      // While a command runs only q and Ctrl-C reach it, as at a terminal; every other key
      // edits the input line for the next command.
      if (event.ctrlKey && event.key.toLowerCase() === 'c') {
        Module._flock_console_key(3);
        event.preventDefault();
        return;
      }
      if (event.key === 'q' && !event.ctrlKey && !event.metaKey && !event.altKey) {
        Module._flock_console_key(113);
        event.preventDefault();
        return;
      }
    }
    if (event.key === 'Enter') {
      const text = line.value;
      line.value = '';
      follow();
      say($('prompt-text').textContent + ' ' + text + '\n', '');
      if (text.trim() !== '') remember(text);
      send(text);
      event.preventDefault();
    } else if (event.key === 'Tab' && !event.shiftKey && line.value.trim() !== '') {
      // An empty line lets Tab move on to the next control.
      complete();
      event.preventDefault();
    } else if (event.key === 'ArrowUp' && recalled > 0) {
      line.value = lines[--recalled];
      event.preventDefault();
    } else if (event.key === 'ArrowDown' && recalled < lines.length) {
      recalled += 1;
      line.value = recalled < lines.length ? lines[recalled] : '';
      event.preventDefault();
    }
  });
})();
