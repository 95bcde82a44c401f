// The page around the flock: keys and buttons, the agent choice, the live figures and
// the console. The program (flock.js, flock.wasm) draws on #canvas and runs the
// console's lines in agent 1's interpreter.
'use strict';

(function () {
  const status = document.getElementById('status');
  const consoleArea = document.getElementById('console');
  const line = document.getElementById('line');
  const prompt = document.getElementById('prompt');
  const stats = { pageStart: 0, firstFrame: null, ready: false, busy: false };
  window.flockStats = stats;

  if (location.protocol === 'file:') {
    status.textContent = 'This page must be served over http, for example: ' +
      'python3 -m http.server -d build-web --bind 127.0.0.1, then open http://127.0.0.1:8000/';
    return;
  }

  // --- The console: standard output and error, byte by byte ---------------------
  const kKeptLines = 2000;
  const decoder = new TextDecoder();
  let pending = [];        // bytes of the line being written
  let current = null;      // its element
  let carriageReturn = false;
  let scheduled = false;

  function newLine(kind) {
    current = document.createElement('span');
    if (kind) current.className = kind;
    consoleArea.appendChild(current);
    while (consoleArea.childNodes.length > kKeptLines) consoleArea.removeChild(consoleArea.firstChild);
  }
  function render() {
    scheduled = false;
    if (!current) newLine();
    current.textContent = decoder.decode(new Uint8Array(pending));
    consoleArea.scrollTop = consoleArea.scrollHeight;
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
        render();
        pending = [];
        newLine(kind);
        carriageReturn = false;
        return;
      }
      if (byte === 13) { carriageReturn = true; schedule(); return; }
      // A progress line rewrites itself after a carriage return.
      if (carriageReturn) { pending = []; carriageReturn = false; }
      if (current && current.className !== kind && pending.length === 0) { render(); newLine(kind); }
      pending.push(byte);
      schedule();
    };
  }
  function say(text, kind) {
    for (const byte of new TextEncoder().encode(text)) output(kind)(byte);
  }

  // --- The program -------------------------------------------------------------
  window.Module = {
    canvas: document.getElementById('canvas'),
    // Standard output and error stay terminals (a training's progress line shows), but
    // write here byte by byte; standard input is empty: reads see the end of input.
    onRuntimeInitialized: function () {
      for (const [fd, kind] of [[1, ''], [2, 'err']]) {
        const stream = FS.getStream(fd);
        if (stream && stream.tty) {
          const write = output(kind);
          stream.tty.ops = { get_char: function () { return null; },
            put_char: function (tty, byte) { write(byte); }, fsync: function () { write(null); } };
        }
      }
    },
    print: function (text) { say(text + '\n', ''); },
    printErr: function (text) { say(text + '\n', 'err'); },
    onAbort: function (what) { status.textContent = 'The program stopped: ' + what; },
    onFlockEvent: function (what, text) {
      if (what === 'ready') { stats.ready = true; status.textContent = 'P flies or pauses the flock; the console below speaks tala to agent 1 (the blue one).'; }
      else if (what === 'first-frame') stats.firstFrame = performance.now();
      else if (what === 'busy') {
        stats.busy = text === '1';
        prompt.classList.toggle('busy', stats.busy);
      } else if (what === 'failed') status.textContent = 'The flock cannot fly here: ' + text;
    },
  };
  const script = document.createElement('script');
  script.src = 'flock.js';
  script.onerror = function () { status.textContent = 'flock.js could not be loaded.'; };
  document.body.appendChild(script);

  function started() { return stats.ready && typeof Module._flock_key === 'function'; }

  // --- Keys and buttons --------------------------------------------------------
  const keyCodes = { KeyP: 80, KeyR: 82, KeyZ: 90, KeyX: 88, KeyD: 68 };
  function key(code, down) { if (started()) Module._flock_key(code, down ? 1 : 0); }
  document.addEventListener('keydown', function (event) {
    if (event.target === line || event.ctrlKey || event.altKey || event.metaKey) return;
    const code = keyCodes[event.code];
    if (code === undefined || event.target.tagName === 'SELECT') return;
    key(code, true);
    event.preventDefault();
  });
  document.addEventListener('keyup', function (event) {
    const code = keyCodes[event.code];
    if (code !== undefined) key(code, false);
  });
  for (const button of document.querySelectorAll('#keys button')) {
    const code = Number(button.dataset.key);
    button.addEventListener('pointerdown', function (event) { key(code, true); event.preventDefault(); });
    for (const end of ['pointerup', 'pointerleave', 'pointercancel'])
      button.addEventListener(end, function () { key(code, false); });
  }

  // --- A new flight ------------------------------------------------------------
  const agents = document.getElementById('agents');
  const sensors = document.getElementById('sensors');
  function restart() {
    if (started()) Module._flock_restart(Number(agents.value), Number(sensors.value));
  }
  agents.addEventListener('change', restart);
  sensors.addEventListener('change', restart);

  // --- Live figures ------------------------------------------------------------
  const figures = document.getElementById('figures');
  setInterval(function () {
    if (!started()) return;
    const [distance, polarisation, following] = UTF8ToString(Module._flock_figures()).split(' ').map(Number);
    if (!Number.isFinite(distance)) return;
    figures.textContent = 'distance ' + distance.toFixed(2) + ' \u00b7 polarisation ' + polarisation.toFixed(2) +
      ' \u00b7 following ' + (following < 0 ? '\u2013' : Math.round(following * 100) + ' %');
  }, 1000);

  // --- The console's input line ------------------------------------------------
  const history = [];
  let recalled = 0;
  function send(text) {
    const bytes = new TextEncoder().encode(text);
    const memory = Module._malloc(bytes.length + 1);
    HEAPU8.set(bytes, memory);
    HEAPU8[memory + bytes.length] = 0;
    Module._flock_console_line(memory);
    Module._free(memory);
  }
  line.addEventListener('keydown', function (event) {
    if (!started()) return;
    if (stats.busy) {
      // While a command runs, keys go to it, as at a terminal: q or Ctrl-C stops a loop.
      if (event.ctrlKey && event.key.toLowerCase() === 'c') Module._flock_console_key(3);
      else if (event.key.length === 1 && !event.ctrlKey && !event.metaKey) Module._flock_console_key(event.key.charCodeAt(0));
      else return;
      event.preventDefault();
      return;
    }
    if (event.key === 'Enter') {
      const text = line.value;
      line.value = '';
      say('tala> ' + text + '\n', '');
      if (text.trim() !== '') { history.push(text); recalled = history.length; }
      send(text);
      event.preventDefault();
    } else if (event.key === 'ArrowUp' && recalled > 0) {
      line.value = history[--recalled];
      event.preventDefault();
    } else if (event.key === 'ArrowDown' && recalled < history.length) {
      recalled += 1;
      line.value = recalled < history.length ? history[recalled] : '';
      event.preventDefault();
    }
  });
})();
