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
  // What the studies' tasks share: the answer of a failure, and the answer
  // of a range of a study's work, `run(module)`, which writes its results
  // as bytes or returns a negative number for a failure the study words.
  const study = {
    failure: (error) => postMessage({ failed: String(error?.message ?? error) }),
    output: (module) => module.FS.readFile('/study/output.txt', { encoding: 'utf8' }),
    async results(run) {
      try {
        const module = await ready;
        if (run(module) < 0) {
          study.failure(study.output(module));
          return;
        }
        const bytes = module.FS.readFile('/study/results.bin');
        module.FS.unlink('/study/results.bin');
        postMessage({ bytes }, [bytes.buffer]);
      } catch (error) {
        study.failure(error);
      }
    },
  };
  for (const part of parts) part(tasks, () => ready, study);
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

// The workers of one study, each sent `begin` (the study's inputs) once; a
// worker that fails is dropped for good, its reason kept in `failures`, and
// `dropped(count)` hears how many have been.
function studyCrew(begin, dropped) {
  const crew = { failures: [], members: [] };
  crew.drop = (member, failure) => {
    crew.members = crew.members.filter((m) => m !== member);
    dropStudyWorker(member.worker);
    crew.failures.push(failure.message);
    dropped(crew.failures.length);
  };
  crew.members = takeStudyWorkers().map((worker) => {
    const begun = askWorker(worker, begin);
    // Its failure is met when the worker is first given a task.
    begun.catch(() => {});
    return { worker, begun };
  });
  return crew;
}

// Runs tasks 0 to count - 1 on the crew, `range` a task, handing a worker
// `message(first, count)` for the range from `first`; `take(answer)` hears
// each range's answer in task order, whatever order they come in. The
// range of a worker that fails goes to another. Settles once every answer
// is taken; rejects with what `take` raises, or, when no worker is left,
// with `noWorkers` and the workers' reasons.
async function shareOnCrew(crew, count, range, message, take, noWorkers) {
  const waiting = []; // firsts of ranges handed back by workers that failed
  let next = 0; // the first task not yet handed out
  let running = 0; // ranges under way
  const arrived = new Map(); // first -> its answer
  let taken = 0; // the first task whose answer is not taken yet
  let fault = null; // what `take` raised: the study ends
  let wake = () => {};
  let changed = new Promise((resolve) => (wake = resolve));
  const signal = () => {
    wake();
    changed = new Promise((resolve) => (wake = resolve));
  };

  function join() {
    while (fault === null && arrived.has(taken)) {
      const answer = arrived.get(taken);
      arrived.delete(taken);
      taken = Math.min(count, taken + range);
      try {
        take(answer);
      } catch (failure) {
        fault = failure;
      }
    }
  }

  async function serve(member) {
    let first = null;
    try {
      await member.begun;
      while (fault === null && taken < count) {
        if (waiting.length) first = waiting.shift();
        else if (next < count) first = (next += range) - range;
        else if (running > 0) {
          await changed;
          continue;
        } else break;
        ++running;
        const answer = await askWorker(member.worker, message(first, Math.min(range, count - first)));
        --running;
        arrived.set(first, answer);
        first = null;
        join();
        signal();
      }
    } catch (failure) {
      if (first !== null) {
        --running;
        waiting.push(first);
      }
      crew.drop(member, failure);
      signal();
    }
  }

  await Promise.all(crew.members.map(serve));
  if (fault !== null) throw fault;
  if (taken < count) throw new Error([noWorkers, ...new Set(crew.failures)].join('\n'));
}
