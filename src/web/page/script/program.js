// One run of the program: a module instance and what it waits for.

let program = null; // the running instance's side of the page

// `reopen`: a course ({ name, bytes }) that the window opens as soon as it
// has built its car, as the menu's open command opens a chosen file.
function makeProgram(reopen) {
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
        if (!self.dead && path) showPanelCourse(path);
        if (!self.dead && chosen.has(path)) lastCourse = chosen.get(path);
        chosen.clear();
        showTuneFile();
      },
      paint(pixels) {
        if (!self.dead) paint(pixels);
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
      carBuilt(built) {
        if (built && reopen && !self.dead) {
          self.answerFile(reopen);
          self.post({ kind: 'command', name: 'Open1' });
        }
      },
      ...panelImports(() => self.dead),
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

// Starts the program afresh; with `course`, the window reopens it once its
// car is built (a settings text that builds no car opens none).
async function start(course = null) {
  if (program && !program.dead) program.abandon();
  $('#ended').hidden = true;
  $('#menubar').replaceChildren();
  $('#status').textContent = '';
  viewContext.clearRect(0, 0, view.width, view.height);
  document.body.dataset.state = 'starting';
  program = makeProgram(course);
  lastCourse = null;
  program.api.settingsText = $('#settings').value;
  // A fresh instance each time: nothing of the last one is shared but the
  // compiled module, which every instance of the page makes from once.
  const wasmModule = await compiledModule();
  globalThis.OrmakinModule({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(wasmModule, imports).then((instance) => receive(instance, wasmModule));
      return {};
    },
    page: program.api,
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
  });
}
