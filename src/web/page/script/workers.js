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
  // of the range of a study's work from task `first`, `run(module)`, which
  // writes its results as bytes or returns a negative number for a failure
  // the study words; the answer names its range by `first`.
  const study = {
    failure: (error) => postMessage({ failed: String(error?.message ?? error) }),
    output: (module) => module.FS.readFile('/study/output.txt', { encoding: 'utf8' }),
    async results(first, run) {
      try {
        const module = await ready;
        if (run(module) < 0) {
          study.failure(study.output(module));
          return;
        }
        const bytes = module.FS.readFile('/study/results.bin');
        module.FS.unlink('/study/results.bin');
        postMessage({ bytes, first }, [bytes.buffer]);
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
// `dropped(count)` hears how many have been. `begun()` settles once every
// worker has answered `begin`.
function studyCrew(begin, dropped) {
  const crew = { failures: [], members: [] };
  crew.begun = () => Promise.allSettled(crew.members.map((member) => member.begun));
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

// Ranges a worker holds at once: while it runs one, the next is already
// there, so that it does not wait for the page between them.
const kRangesAhead = 2;

// Runs tasks 0 to count - 1 on the crew. A worker is handed
// `message(first, n, anew)` for the range of `n` tasks from `first`, where
// `n` is `size(left)` for the `left` tasks not handed out yet, and `anew`
// says that the range is the first the worker has in this call; it holds up
// to kRangesAhead ranges at once while there are enough left.
// `take(answer)` hears each range's answer in task order, whatever order
// they come in. The ranges of a worker that fails go to the others. Settles
// once every answer is taken and no range is under way; rejects with what
// `take` raises, or, when no worker is left, with `noWorkers` and the
// workers' reasons.
function shareOnCrew(crew, count, size, message, take, noWorkers) {
  return new Promise((resolve, reject) => {
    const waiting = []; // [first, n] of ranges handed back by workers that failed
    let next = 0; // the first task not yet handed out
    const arrived = new Map(); // first -> [n, answer]
    let taken = 0; // the first task whose answer is not taken yet
    let fault = null; // what `take` raised: the study ends
    const ranges = new Map(); // member -> Map(first -> n) of its ranges under way

    function join() {
      while (fault === null && arrived.has(taken)) {
        const [n, answer] = arrived.get(taken);
        arrived.delete(taken);
        taken += n;
        try {
          take(answer);
        } catch (failure) {
          fault = failure;
        }
      }
    }

    // Once no range is under way, the call ends: every answer taken, a
    // fault, or no worker left.
    function settle() {
      for (const held of ranges.values()) if (held.size) return;
      if (fault !== null) reject(fault);
      else if (taken >= count) resolve();
      else if (!crew.members.length) reject(new Error([noWorkers, ...new Set(crew.failures)].join('\n')));
    }

    const anew = new Set(); // members not handed a range yet in this call
    // A worker that holds a range is handed another ahead only while the
    // tasks not handed out are as many as the workers: at the end, a range
    // waiting behind another in one worker would keep the others idle.
    const aheadAllowed = () =>
      count - next + waiting.reduce((sum, [, n]) => sum + n, 0) >= crew.members.length;
    function hand(member) {
      const held = ranges.get(member);
      while (fault === null && held.size < kRangesAhead && (held.size === 0 || aheadAllowed())) {
        let first;
        let n;
        if (waiting.length) {
          [first, n] = waiting.shift();
        } else if (next < count) {
          first = next;
          n = Math.max(1, Math.min(size(count - next), count - next));
          next += n;
        } else {
          break;
        }
        held.set(first, n);
        member.worker.postMessage(message(first, n, anew.delete(member)));
      }
    }

    function fail(member, failure) {
      if (!crew.members.includes(member)) return;
      for (const range of ranges.get(member) ?? []) waiting.push(range);
      ranges.delete(member);
      crew.drop(member, failure);
      for (const other of ranges.keys()) hand(other);
      settle();
    }

    function start(member) {
      if (!crew.members.includes(member)) return;
      const held = new Map();
      ranges.set(member, held);
      anew.add(member);
      member.worker.onmessage = ({ data }) => {
        if (data.failed !== undefined || !held.has(data.first)) {
          fail(member, new Error(data.failed ?? 'the worker answered a range it was not given'));
          return;
        }
        arrived.set(data.first, [held.get(data.first), data]);
        held.delete(data.first);
        join();
        hand(member);
        settle();
      };
      member.worker.onerror = (event) => {
        event.preventDefault();
        fail(member, new Error(event.message || 'the worker failed'));
      };
      hand(member);
      settle();
    }

    for (const member of crew.members) {
      member.begun.then(
        () => start(member),
        (failure) => fail(member, failure),
      );
    }
    settle();
  });
}
