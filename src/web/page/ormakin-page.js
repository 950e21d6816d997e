// The page around the program: it starts a module instance (the window),
// queues the user's commands for it, answers its waits (boxes, the file
// chooser, the next event) and shows what it paints. The program itself
// lives in C++ (src/web); everything here is the browser's side.

const $ = (selector) => document.querySelector(selector);
const bundle = JSON.parse($('#bundle').textContent);
const kSettingsKey = 'ormakin.settings';
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
box.addEventListener('close', () => {
  if (boxAnswer) boxAnswer(box.querySelector('button[data-answer]')?.dataset.answer ?? 'ok');
});

// --- One run of the program: a module instance and what it waits for -----------

let program = null; // the running instance's side of the page

function makeProgram() {
  const queue = [];
  let wake = null; // the program waits for an event
  let fileRequest = null; // the program waits for the file chooser
  const fileAnswers = []; // answers that came before the program asked
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
        }).then((answer) => {
          if (answer) lastCourse = answer;
          return answer;
        });
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
let lastCourse = null; // the last course handed to the window: the sweep's

async function start() {
  if (program && !program.dead) program.abandon();
  $('#ended').hidden = true;
  $('#menubar').replaceChildren();
  $('#status').textContent = '';
  viewContext.clearRect(0, 0, view.width, view.height);
  document.body.dataset.state = 'starting';
  program = makeProgram();
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
  const bytes = new Uint8Array(await file.arrayBuffer());
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

function storeSettings() {
  try {
    localStorage.setItem(kSettingsKey, settings.value);
  } catch {
    // Storage may be off (a private window, a file:// policy): the text
    // then lasts as long as the page.
  }
}

function storedSettings() {
  try {
    return localStorage.getItem(kSettingsKey);
  } catch {
    return null;
  }
}

settings.value = storedSettings() ?? bundledSettings;
settings.addEventListener('input', storeSettings);
$('#settings-apply').addEventListener('click', () => {
  storeSettings();
  start();
});
$('#settings-reset').addEventListener('click', () => {
  settings.value = bundledSettings;
  storeSettings();
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
  storeSettings();
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

// The lint's findings, "ormakin.ini:LINE: message", as the text changes.
let lintTimer = 0;
async function lint() {
  const module = await studies();
  module.FS.writeFile('/study/ormakin.ini', settings.value);
  module._studies_lint();
  const findings = output(module)
    .split('\n')
    .filter((line) => /^ormakin\.ini:\d+:/.test(line));
  $('#lint').replaceChildren(
    ...findings.map((line) => {
      const item = document.createElement('li');
      item.textContent = line;
      return item;
    }),
  );
}
settings.addEventListener('input', () => {
  clearTimeout(lintTimer);
  lintTimer = setTimeout(lint, 150);
});

// The sweep over the open course with the window's settings, a few starts
// per slice, so that the page stays responsive.
const kSweepSlice = 4;
let sweeping = false;
$('#sweep-run').addEventListener('click', async () => {
  if (sweeping) return;
  const summary = $('#sweep-summary');
  if (!lastCourse) {
    summary.textContent = 'コースデータを指定してください';
    return;
  }
  sweeping = true;
  $('#sweep-run').disabled = true;
  try {
    const module = await studies();
    module.FS.writeFile('/study/ormakin.ini', program ? program.api.settingsText : settings.value);
    module.FS.writeFile('/study/course.bmp', lastCourse.bytes);
    summary.textContent = '';
    const count = module._studies_sweep_begin();
    if (count < 0) {
      summary.textContent = output(module);
      return;
    }
    const progress = $('#sweep-progress');
    progress.max = Math.max(1, count);
    progress.value = 0;
    let done = 0;
    while (done < count) {
      done = module._studies_sweep_next(kSweepSlice);
      progress.value = done;
      await new Promise((resolve) => setTimeout(resolve, 0));
    }
    const size = module._studies_sweep_finish();
    summary.textContent = output(module);
    if (size >= 0) {
      const width = size & 0xffff;
      const height = size >>> 16;
      const pixels = module.FS.readFile('/study/map.rgb');
      const map = $('#sweep-map');
      map.width = width;
      map.height = height;
      const image = new ImageData(width, height);
      const out = new Uint32Array(image.data.buffer);
      const source = new Uint32Array(pixels.buffer, pixels.byteOffset, width * height);
      for (let i = 0; i < source.length; ++i) {
        const v = source[i];
        out[i] = (v & 0xff00ff00) | ((v >>> 16) & 0xff) | ((v & 0xff) << 16);
      }
      map.getContext('2d').putImageData(image, 0, 0);
    }
  } finally {
    sweeping = false;
    $('#sweep-run').disabled = false;
  }
});

start();
lint();
