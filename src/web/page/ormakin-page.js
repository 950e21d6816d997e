// The page around the program: it starts a module instance (the window),
// queues the user's commands for it, answers its waits (boxes, the file
// chooser, the next event) and shows what it paints. The program itself
// lives in C++ (src/web); everything here is the browser's side.

const $ = (selector) => document.querySelector(selector);
const bundle = JSON.parse($('#bundle').textContent);
// The page's own words (the program's come from the program).
const words = bundle.words;
const kStates = ['starting', 'idle', 'running'];

function base64Bytes(text) {
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

// The bundle's files are gzipped; the browser inflates them.
async function inflate(text) {
  const stream = new Blob([base64Bytes(text)]).stream().pipeThrough(new DecompressionStream('gzip'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

// Settings text from a file: UTF-8, or else the code page the program's
// files were first written in.
function decodeSettings(bytes) {
  try {
    return new TextDecoder('utf-8', { fatal: true }).decode(bytes);
  } catch {
    return new TextDecoder('shift_jis').decode(bytes);
  }
}

// --- The view --------------------------------------------------------------

const view = $('#view');
const viewContext = view.getContext('2d');
const viewImage = viewContext.createImageData(view.width, view.height);

// One course pixel per CSS pixel, scaled by whole device pixels only.
function fitView() {
  const ratio = window.devicePixelRatio || 1;
  const scale = Math.max(1, Math.floor(ratio));
  view.style.width = `${(view.width * scale) / ratio}px`;
  view.style.height = `${(view.height * scale) / ratio}px`;
  matchMedia(`(resolution: ${ratio}dppx)`).addEventListener('change', fitView, { once: true });
}
fitView();

// `pixels`: 0xFFRRGGBB values in the program's (little-endian) memory.
function paint(pixels, width, height) {
  const out = new Uint32Array(viewImage.data.buffer);
  const source = new Uint32Array(pixels.buffer, pixels.byteOffset, width * height);
  for (let i = 0; i < source.length; ++i) {
    const v = source[i];
    // BGRA bytes in, RGBA bytes out.
    out[i] = (v & 0xff00ff00) | ((v >>> 16) & 0xff) | ((v & 0xff) << 16);
  }
  viewContext.putImageData(viewImage, 0, 0);
}

// --- The message box -------------------------------------------------------

const box = $('#box');
const kBoxAnswers = { ok: 1, cancel: 2, yes: 6, no: 7 };
let boxAnswer = null; // resolves the box that is shown

function showBox(text, caption, flags) {
  return new Promise((resolve) => {
    box.querySelector('.caption').textContent = caption;
    box.querySelector('.text').textContent = text.replace(/\r\n/g, '\n');
    box.classList.toggle('error', (flags & 0xf0) === 0x10);
    const buttons = box.querySelector('.buttons');
    buttons.replaceChildren();
    const ok = document.createElement('button');
    ok.dataset.answer = 'ok';
    ok.textContent = 'OK';
    buttons.append(ok);
    boxAnswer = (answer) => {
      boxAnswer = null;
      if (box.open) box.close();
      resolve(kBoxAnswers[answer] ?? 1);
    };
    box.showModal();
    ok.focus();
  });
}

box.addEventListener('click', (event) => {
  const button = event.target.closest('button[data-answer]');
  if (button && boxAnswer) boxAnswer(button.dataset.answer);
});
box.addEventListener('keydown', (event) => {
  if (event.key === 'Enter' && boxAnswer) {
    event.preventDefault();
    const chosen = event.target.closest('button[data-answer]') ?? box.querySelector('button[data-answer]');
    boxAnswer(chosen.dataset.answer);
  }
});
// Escape answers the Cancel button; a box without one stays.
box.addEventListener('cancel', (event) => {
  const cancel = box.querySelector('button[data-answer=cancel]');
  event.preventDefault();
  if (cancel && boxAnswer) boxAnswer('cancel');
});
// Should the browser close the box by itself, that is its default answer.
// The close event comes after the box has closed, and the program may have
// shown its next box by then: that one is open and waits for its own answer.
box.addEventListener('close', () => {
  if (boxAnswer && !box.open) boxAnswer(box.querySelector('button[data-answer]')?.dataset.answer ?? 'ok');
});

// --- One run of the program: a module instance and what it waits for -----------

let program = null; // the running instance's side of the page

function makeProgram() {
  const queue = [];
  let wake = null; // the program waits for an event
  let fileRequest = null; // the program waits for the file chooser
  const fileAnswers = []; // answers that came before the program asked
  const chosen = new Map(); // path in the module -> the file written there
  const self = {
    dead: false,
    post(event) {
      queue.push(event);
      if (wake) {
        const w = wake;
        wake = null;
        // The program goes on once this handler is done.
        queueMicrotask(w);
      }
    },
    answerFile(answer) {
      if (fileRequest) {
        const r = fileRequest;
        fileRequest = null;
        r(answer);
      } else {
        fileAnswers.push(answer);
      }
    },
    // The page gives this instance up (a restart): it ends as the window's
    // close ends it, and nothing it shows reaches the page any more.
    abandon() {
      self.dead = true;
      if (boxAnswer && self.boxOpen) boxAnswer('ok');
      self.answerFile(null);
      self.post({ kind: 'close' });
    },
    boxOpen: false,
    // Module.page: what the program's imports call (page_imports.js).
    api: {
      settingsText: '',
      menuEntry(kind, name, caption) {
        if (!self.dead) addMenuEntry(kind, name, caption);
      },
      setFilter(filter) {
        if (self.dead) return;
        const [description, pattern] = filter.split('|');
        $('#course-filter').textContent = `${description} (${pattern})`;
      },
      nextEvent: () => queue.shift(),
      waitEvent(w) {
        if (queue.length) w();
        else wake = w;
      },
      showBox(text, caption, flags) {
        if (self.dead) return Promise.resolve(1);
        self.boxOpen = true;
        return showBox(text, caption, flags).then((answer) => {
          self.boxOpen = false;
          return answer;
        });
      },
      chooseFile() {
        return new Promise((resolve) => {
          if (fileAnswers.length) resolve(fileAnswers.shift());
          else fileRequest = resolve;
        });
      },
      chosen(path, file) {
        chosen.set(path, file);
      },
      // The command that chose files has ended; the window shows the course
      // at `path` if it opened one: the sweep's from now.
      courseOpened(path) {
        if (!self.dead && chosen.has(path)) lastCourse = chosen.get(path);
        chosen.clear();
      },
      paint(pixels, width, height) {
        if (!self.dead) paint(pixels, width, height);
      },
      setStatus(line) {
        if (!self.dead) $('#status').textContent = line;
      },
      setState(state) {
        if (!self.dead) document.body.dataset.state = kStates[state];
      },
      speed() {
        const value = $('#speed').value;
        return value === 'full' ? 0 : Number(value);
      },
      stopTick() {
        const value = $('#stop-tick').valueAsNumber;
        return Number.isFinite(value) && value >= 1 ? Math.floor(value) : 0;
      },
      ended() {
        if (self.dead) return;
        self.dead = true;
        lastCourse = null;
        closeMenus();
        document.body.dataset.state = 'ended';
        $('#ended').hidden = false;
        $('#restart').focus();
      },
    },
  };
  return self;
}

let wasmBinary = null;
let lastCourse = null; // the course the window shows, { name, bytes }: the sweep's

async function start() {
  if (program && !program.dead) program.abandon();
  $('#ended').hidden = true;
  $('#menubar').replaceChildren();
  $('#status').textContent = '';
  viewContext.clearRect(0, 0, view.width, view.height);
  document.body.dataset.state = 'starting';
  program = makeProgram();
  lastCourse = null;
  program.api.settingsText = $('#settings').value;
  wasmBinary ??= await inflate(bundle.wasm);
  // A fresh instance each time: nothing of the last one is shared.
  globalThis.OrmakinModule({
    wasmBinary,
    page: program.api,
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
  });
}

// --- The menu bar, built from the program's menu table ---------------------------

const menubar = $('#menubar');
let currentPopup = null;

function addMenuEntry(kind, name, caption) {
  if (kind === 0) {
    const holder = document.createElement('div');
    holder.className = 'menu';
    const top = document.createElement('button');
    top.setAttribute('role', 'menuitem');
    top.setAttribute('aria-haspopup', 'menu');
    top.setAttribute('aria-expanded', 'false');
    top.dataset.name = name;
    top.textContent = caption;
    top.tabIndex = menubar.childElementCount === 0 ? 0 : -1;
    const popup = document.createElement('div');
    popup.setAttribute('role', 'menu');
    popup.setAttribute('aria-label', caption);
    popup.dataset.menu = name;
    popup.hidden = true;
    holder.append(top, popup);
    menubar.append(holder);
    currentPopup = popup;
  } else if (kind === 1) {
    const item = document.createElement('button');
    item.setAttribute('role', 'menuitem');
    item.dataset.name = name;
    item.textContent = caption;
    item.tabIndex = -1;
    currentPopup.append(item);
  } else {
    const line = document.createElement('div');
    line.setAttribute('role', 'separator');
    currentPopup.append(line);
  }
}

const topItems = () => [...menubar.querySelectorAll(':scope > .menu > button[role=menuitem]')];
const popupOf = (top) => top.nextElementSibling;
const itemsOf = (popup) => [...popup.querySelectorAll('button[role=menuitem]')];

function closeMenus() {
  for (const top of topItems()) {
    top.setAttribute('aria-expanded', 'false');
    popupOf(top).hidden = true;
  }
}

function openMenu(top, focusFirst) {
  closeMenus();
  top.setAttribute('aria-expanded', 'true');
  popupOf(top).hidden = false;
  if (focusFirst) itemsOf(popupOf(top))[0]?.focus();
  else top.focus();
}

// Runs a menu item. The file chooser opens here, in the click's own
// handler, as browsers require; its answer follows the command.
function runItem(name) {
  closeMenus();
  if (!program || program.dead) return;
  if (name === 'Open1') {
    const input = $('#course-file');
    input.value = '';
    input.click();
  }
  program.post({ kind: 'command', name });
}

menubar.addEventListener('click', (event) => {
  const button = event.target.closest('button[role=menuitem]');
  if (!button) return;
  if (button.hasAttribute('aria-haspopup')) {
    if (button.getAttribute('aria-expanded') === 'true') closeMenus();
    else openMenu(button, false);
  } else {
    runItem(button.dataset.name);
  }
});

menubar.addEventListener('keydown', (event) => {
  const button = event.target.closest('button[role=menuitem]');
  if (!button) return;
  const tops = topItems();
  const isTop = button.hasAttribute('aria-haspopup');
  const top = isTop ? button : button.closest('.menu').firstElementChild;
  const index = tops.indexOf(top);
  const step = (delta) => tops[(index + delta + tops.length) % tops.length];
  switch (event.key) {
    case 'ArrowLeft':
    case 'ArrowRight': {
      const next = step(event.key === 'ArrowLeft' ? -1 : 1);
      if (isTop && top.getAttribute('aria-expanded') !== 'true') {
        next.focus();
      } else {
        openMenu(next, !isTop);
      }
      break;
    }
    case 'ArrowDown':
    case 'ArrowUp':
      if (isTop) {
        openMenu(top, true);
      } else {
        const items = itemsOf(popupOf(top));
        const at = items.indexOf(button) + (event.key === 'ArrowDown' ? 1 : -1);
        items[(at + items.length) % items.length].focus();
      }
      break;
    case 'Enter':
    case ' ':
      if (isTop) openMenu(top, true);
      else runItem(button.dataset.name);
      break;
    case 'Escape':
      if (isTop && top.getAttribute('aria-expanded') !== 'true') top.blur();
      else {
        closeMenus();
        top.focus();
      }
      break;
    default:
      return;
  }
  event.preventDefault();
});

document.addEventListener('click', (event) => {
  if (!menubar.contains(event.target)) closeMenus();
});

// F10, or Alt pressed and released alone, goes to the menu bar.
let altAlone = false;
document.addEventListener('keydown', (event) => {
  altAlone = event.key === 'Alt' && !event.repeat;
  if (event.key === 'F10' && !box.open) {
    event.preventDefault();
    topItems()[0]?.focus();
  }
});
document.addEventListener('keyup', (event) => {
  if (event.key === 'Alt' && altAlone && !box.open) {
    event.preventDefault();
    topItems()[0]?.focus();
  }
  altAlone = false;
});

// --- The course file chooser and the samples --------------------------------------

const courseInput = $('#course-file');
courseInput.addEventListener('change', async () => {
  const target = program;
  const file = courseInput.files[0];
  if (!file) {
    target?.answerFile(null);
    return;
  }
  // A file the browser cannot read (gone, a folder, no permission) goes to
  // the program without bytes, which then reports that it cannot open it.
  let bytes = null;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch (failure) {
    console.warn(`${file.name}: ${failure.message}`);
  }
  target?.answerFile({ name: file.name, bytes });
});
courseInput.addEventListener('cancel', () => program?.answerFile(null));

const samples = {};
for (const name of Object.keys(bundle.courses).sort()) {
  const button = document.createElement('button');
  button.dataset.sample = name;
  button.textContent = name;
  $('#samples').append(button);
}
$('#samples').addEventListener('click', async (event) => {
  const button = event.target.closest('button[data-sample]');
  if (!button || !program || program.dead) return;
  const target = program;
  const name = button.dataset.sample;
  samples[name] ??= await inflate(bundle.courses[name]);
  target.answerFile({ name, bytes: samples[name] });
  target.post({ kind: 'command', name: 'Open1' });
});

// --- Settings -----------------------------------------------------------------

const settings = $('#settings');
const bundledSettings = decodeSettings(await inflate(bundle.settings));
// Work that follows the text waits for this pause in typing.
const kTypingPause = 300;

// The text is kept in the browser under the page's own key. A page from disk
// shares its storage with every other file there, so the key names the page
// and the version of what it keeps; the first page kept it under
// kEarlierSettingsKey, which is read but never written or removed.
const kSettingsKey = 'ormakin-page/1/settings';
const kEarlierSettingsKey = 'ormakin.settings';

// Keeps the text for the next visit, or says why it cannot.
function storeSettings() {
  let note = '';
  try {
    localStorage.setItem(kSettingsKey, settings.value);
  } catch (failure) {
    note = failure?.name === 'QuotaExceededError' ? words.settingsTooLarge : words.settingsNotKept;
  }
  $('#settings-note').textContent = note;
}

function storedSettings() {
  try {
    return localStorage.getItem(kSettingsKey) ?? localStorage.getItem(kEarlierSettingsKey);
  } catch {
    // Storage that is off keeps nothing to read; storeSettings says so.
    return null;
  }
}

// After a pause in typing: the text kept and linted.
let typingTimer = null;
function textSettled() {
  clearTimeout(typingTimer);
  typingTimer = null;
  storeSettings();
  lint();
}
function settingsChanged() {
  // The findings shown are of an earlier text until the lint answers.
  $('#lint').setAttribute('aria-busy', 'true');
  clearTimeout(typingTimer);
  typingTimer = setTimeout(textSettled, kTypingPause);
}

settings.value = storedSettings() ?? bundledSettings;
settings.addEventListener('input', settingsChanged);
$('#settings-apply').addEventListener('click', () => {
  // What is applied is kept and linted now, without waiting for the pause.
  if (typingTimer !== null) textSettled();
  start();
});
$('#settings-reset').addEventListener('click', () => {
  settings.value = bundledSettings;
  settings.dispatchEvent(new Event('input'));
});
$('#settings-load').addEventListener('click', () => {
  $('#settings-file').value = '';
  $('#settings-file').click();
});
$('#settings-file').addEventListener('change', async () => {
  const file = $('#settings-file').files[0];
  if (!file) return;
  settings.value = decodeSettings(new Uint8Array(await file.arrayBuffer()));
  settings.dispatchEvent(new Event('input'));
});
$('#settings-save').addEventListener('click', () => {
  const url = URL.createObjectURL(new Blob([settings.value], { type: 'text/plain' }));
  const link = document.createElement('a');
  link.href = url;
  link.download = 'ormakin.ini';
  link.click();
  setTimeout(() => URL.revokeObjectURL(url), 0);
});

$('#restart').addEventListener('click', start);

// --- The studies: a second instance of the same module, without the window ----------

let studiesInstance = null;
async function studies() {
  wasmBinary ??= await inflate(bundle.wasm);
  studiesInstance ??= globalThis.OrmakinModule({
    wasmBinary,
    noInitialRun: true,
    page: {},
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
  }).then((module) => {
    module.FS.mkdirTree('/study');
    return module;
  });
  return studiesInstance;
}

const output = (module) => module.FS.readFile('/study/output.txt', { encoding: 'utf8' });

// --- The lint: a third instance of the module, in a worker -------------------
// However long the text, linting it never holds up the page.

// The worker's own code, put after the module's in the worker's script: it
// lints the latest text it was given, one at a time, and answers with the
// report.
function lintWorker() {
  let ready = null;
  let latest = null;
  let busy = false;
  async function lintLatest() {
    busy = true;
    const module = await ready;
    while (latest) {
      const { id, text } = latest;
      latest = null;
      module.FS.writeFile('/study/ormakin.ini', text);
      module._studies_lint();
      postMessage({ id, report: module.FS.readFile('/study/output.txt', { encoding: 'utf8' }) });
      // Texts that came meanwhile replace one another: only the last counts.
      await new Promise((resolve) => setTimeout(resolve, 0));
    }
    busy = false;
  }
  self.onmessage = ({ data }) => {
    if (data.wasm) {
      ready = globalThis
        .OrmakinModule({
          wasmBinary: data.wasm,
          noInitialRun: true,
          page: {},
          print: (text) => console.log(text),
          printErr: (text) => console.warn(text),
        })
        .then((module) => {
          module.FS.mkdirTree('/study');
          return module;
        });
    } else {
      latest = data;
      if (!busy) lintLatest();
    }
  };
}

let linter = null; // the worker, once it has been given the module
let lintAsked = 0; // the id of the last text sent
let lintAnswered = 0; // the id of the last text the worker answered

async function startLinter() {
  const source = `${$('#module').textContent}\n(${lintWorker.toString()})();\n`;
  const url = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
  const worker = new Worker(url);
  worker.addEventListener('message', ({ data }) => {
    URL.revokeObjectURL(url);
    lintAnswered = data.id;
    if (data.id !== lintAsked) return;
    showFindings(data.report);
    $('#lint').setAttribute('aria-busy', 'false');
  });
  worker.addEventListener('error', (event) => {
    console.error(`the lint failed: ${event.message}`);
  });
  wasmBinary ??= await inflate(bundle.wasm);
  worker.postMessage({ wasm: wasmBinary });
  return worker;
}

// Lints the settings text as it is now; the findings show when the worker
// answers, unless the text has changed again meanwhile. A lint still under
// way is of an older text: its worker is dropped for a fresh one.
function lint() {
  if (linter && lintAnswered !== lintAsked) {
    const dropped = linter;
    linter = null;
    dropped.then((worker) => worker.terminate());
  }
  linter ??= startLinter();
  $('#lint').setAttribute('aria-busy', 'true');
  const id = ++lintAsked;
  const text = settings.value;
  linter.then((worker) => worker.postMessage({ id, text }));
}

// The findings of a report: its lines "ormakin.ini:LINE: message".
function showFindings(report) {
  const findings = report.split('\n').filter((line) => /^ormakin\.ini:\d+: /.test(line));
  $('#lint').replaceChildren(
    ...findings.map((line) => {
      const item = document.createElement('li');
      item.textContent = line;
      return item;
    }),
  );
}

// The sweep over the course the window shows, with the settings the program
// runs with (the applied ones, not the editor's), a few starts per slice, so
// that the page stays responsive.
const kSweepSlice = 4;
let sweeping = false;

// Shows the map, 0xFFRRGGBB values row after row, at its own size; the style
// scales a map wider than the panel down.
function showSweepMap(pixels, width, height) {
  const map = $('#sweep-map');
  map.width = width;
  map.height = height;
  const image = new ImageData(width, height);
  const out = new Uint32Array(image.data.buffer);
  const source = new Uint32Array(pixels.buffer, pixels.byteOffset, width * height);
  for (let i = 0; i < source.length; ++i) {
    const v = source[i];
    // BGRA bytes in, RGBA bytes out.
    out[i] = (v & 0xff00ff00) | ((v >>> 16) & 0xff) | ((v & 0xff) << 16);
  }
  map.getContext('2d').putImageData(image, 0, 0);
}

// No map, no progress: before a sweep, and what a failed one leaves.
function clearSweep() {
  const map = $('#sweep-map');
  map.width = 1;
  map.height = 1;
  const progress = $('#sweep-progress');
  progress.max = 1;
  progress.value = 0;
}

$('#sweep-run').addEventListener('click', async () => {
  if (sweeping) return;
  sweeping = true;
  $('#sweep-run').disabled = true;
  const summary = $('#sweep-summary');
  summary.textContent = '';
  clearSweep();
  try {
    const module = await studies();
    const course = '/study/course.bmp';
    module.FS.writeFile('/study/ormakin.ini', program && !program.dead ? program.api.settingsText : '');
    // Without a course the study says so, in the window's words.
    if (module.FS.analyzePath(course).exists) module.FS.unlink(course);
    if (lastCourse) module.FS.writeFile(course, lastCourse.bytes);
    const count = module._studies_sweep_begin();
    if (count < 0) {
      summary.textContent = output(module);
      return;
    }
    const progress = $('#sweep-progress');
    progress.max = Math.max(1, count);
    let done = 0;
    while (done < count) {
      done = module._studies_sweep_next(kSweepSlice);
      progress.value = done;
      await new Promise((resolve) => setTimeout(resolve, 0));
    }
    const size = module._studies_sweep_finish();
    summary.textContent = output(module);
    if (size < 0) {
      clearSweep();
      return;
    }
    showSweepMap(module.FS.readFile('/study/map.rgb'), size & 0xffff, size >>> 16);
    module.FS.unlink('/study/map.rgb');
  } finally {
    sweeping = false;
    $('#sweep-run').disabled = false;
  }
});

start();
lint();
