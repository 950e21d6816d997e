// The page's workers: each its own instance of the module, all started from
// one blob (the module's script, then the workers' code) and given the
// module compiled once. A page opened from a file shares no memory with its
// workers, so each holds its own copy of what it works on.

// The code that runs in the workers, after the module's: every part adds its
// tasks, by the name that messages give in `kind`. Parts add themselves
// before the first worker starts.
const workerParts = [];

// The workers' side: the first message brings the compiled module, of which
// the worker makes its instance; every other one is a task. `ready()` is the
// promise of the instance, which tasks that come before the module wait for.
function workerMain(...parts) {
  let provide = null;
  const ready = new Promise((resolve) => (provide = resolve));
  const tasks = {};
  for (const part of parts) part(tasks, () => ready);
  self.onmessage = ({ data }) => {
    if (data.wasmModule) {
      provide(globalThis
        .OrmakinModule({
          noInitialRun: true,
          page: {},
          instantiateWasm(imports, receive) {
            WebAssembly.instantiate(data.wasmModule, imports).then((instance) => receive(instance, data.wasmModule));
            return {};
          },
          print: (text) => console.log(text),
          printErr: (text) => console.warn(text),
        })
        .then((module) => {
          module.FS.mkdirTree('/study');
          return module;
        }),
      );
    } else {
      tasks[data.kind](data);
    }
  };
}

let workerUrl = null; // the one blob every worker starts from

function startWorker() {
  if (!workerUrl) {
    const source = `${$('#module').textContent}\n(${workerMain})(${workerParts.join(',\n')});\n`;
    workerUrl = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
  }
  const worker = new Worker(workerUrl);
  compiledModule().then((wasmModule) => worker.postMessage({ wasmModule }));
  return worker;
}

// Sends a task to a worker that has no other under way; the answer comes as
// the promise's value. A worker that fails, or answers { failed: text },
// rejects it.
function askWorker(worker, message, transfer = []) {
  return new Promise((resolve, reject) => {
    worker.onmessage = ({ data }) => {
      if (data.failed === undefined) resolve(data);
      else reject(new Error(data.failed));
    };
    worker.onerror = (event) => {
      event.preventDefault();
      reject(new Error(event.message || 'the worker failed'));
    };
    worker.postMessage(message, transfer);
  });
}

// The studies' workers, kept from one study to the next. How many: the
// sweep panel's #workers, which starts at the machine's cores less the one
// the page itself runs on, and at least one.
const kMaxStudyWorkers = 64;
const studyWorkers = [];
$('#workers').value = String(Math.max(1, (navigator.hardwareConcurrency || 2) - 1));

function studyWorkerCount() {
  const value = $('#workers').valueAsNumber;
  return Number.isFinite(value) ? Math.min(kMaxStudyWorkers, Math.max(1, Math.floor(value))) : 1;
}

// As many workers as asked for now, fresh ones for those dropped.
function takeStudyWorkers() {
  const count = studyWorkerCount();
  while (studyWorkers.length < count) studyWorkers.push(startWorker());
  while (studyWorkers.length > count) studyWorkers.pop().terminate();
  return studyWorkers.slice();
}

// A worker that failed is ended; the next study starts another.
function dropStudyWorker(worker) {
  const index = studyWorkers.indexOf(worker);
  if (index >= 0) studyWorkers.splice(index, 1);
  worker.terminate();
}
