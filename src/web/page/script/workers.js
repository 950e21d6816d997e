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
  // of the range of a study's work that `task` names, `run(module)`, which
  // leaves its results as bytes (studies_results) or returns a negative
  // number for a failure the study words; the answer names its range by the
  // task's `first` and `batch`.
  const study = {
    failure: (error) => postMessage({ failed: String(error?.message ?? error) }),
    output: (module) => module.FS.readFile('/study/output.txt', { encoding: 'utf8' }),
    async results({ first, batch }, run) {
      try {
        const module = await ready;
        if (run(module) < 0) {
          study.failure(study.output(module));
          return;
        }
        const at = module._studies_results(-1);
        const bytes = module.HEAPU8.slice(at, at + module._studies_results_size());
        postMessage({ bytes, first, batch }, [bytes.buffer]);
      } catch (error) {
        study.failure(error);
      }
    },
  };
  for (const part of parts) part(tasks, () => ready, study);
  // Tasks run in the order they come. A range run ahead on a guess
  // (`speculative`) waits behind the messages come while the worker was
  // busy, so that a `drop` of its batch among them finds it not begun: the
  // ranges of that batch not begun are answered at once with no result, and
  // the worker goes on with work that counts. The wait is one message the
  // worker posts itself, numbered to tell it from the wait of a range
  // dropped meanwhile.
  const queue = [];
  const pass = new MessageChannel();
  let passes = 0;
  const pump = () => {
    while (queue.length) {
      const task = queue[0];
      if (task.speculative && task.pass !== true) {
        if (task.pass === undefined) pass.port2.postMessage((task.pass = ++passes));
        return;
      }
      queue.shift();
      tasks[task.kind](task);
    }
  };
  pass.port1.onmessage = ({ data }) => {
    if (queue.length && queue[0].pass === data) queue[0].pass = true;
    pump();
  };
  const drop = (batch) => {
    for (const task of queue.filter((t) => t.batch === batch)) {
      queue.splice(queue.indexOf(task), 1);
      postMessage({ first: task.first, batch, dropped: true });
    }
    pump();
  };
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
    } else if (data.kind === 'drop') {
      drop(data.batch);
    } else {
      queue.push(data);
      pump();
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

// The studies' workers and the page's own studies instance are made once
// the program first waits for the user, when the page has time for them, so
// that the first sweep or tune does not wait for them to start, and the
// sweep's code is warmed up then (warmSweep); so are the workers of a number
// set anew. A study under way keeps those it has.
function prepareStudies() {
  const prepare = (warm) =>
    requestIdleCallback(() => {
      if (sweeping || tuning) return;
      const workers = takeStudyWorkers();
      studies();
      if (warm) warmSweep(workers);
    });
  const observer = new MutationObserver(() => {
    if (document.body.dataset.state !== 'idle') return;
    observer.disconnect();
    prepare(true);
  });
  observer.observe(document.body, { attributes: true, attributeFilter: ['data-state'] });
  $('#workers').addEventListener('change', () => prepare(false));
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
// says that the range is the first the worker has in this call. `take(answer)`
// hears each range's answer in task order (see runOnCrew).
function shareOnCrew(crew, count, size, message, take, noWorkers) {
  return runOnCrew(crew, { first: { count, size, message }, take, next: () => null }, noWorkers);
}

// Runs a plan's batches of tasks on the crew, one after the other. A batch
// is { count, size(left), message(first, n, switched) }: a worker is handed
// `message` for the range of `n` of its tasks from `first` (`n` is
// `size(left)` for the `left` tasks not handed out yet; `switched` says
// that the worker's range before was of another batch, or none), and holds
// up to kRangesAhead ranges at once while there are enough left. The plan:
// - `first`: the batch to begin with;
// - `take(answer)`: each answer of the batch under way, in task order,
//   whatever order they come in;
// - `next(guess)`: once every answer of a batch is taken, the batch after
//   it, or null to end; `guess` is the batch guessed meanwhile, or null;
// - `guess()` (optional): once every task of the batch under way is handed
//   out, a batch that workers left without work may run meanwhile, or null.
//   It is asked once a batch, and again after `stale()`. Its answers count
//   only if `next` returns that very batch; otherwise they are dropped as
//   they come, and the workers skip its ranges they have not begun;
// - `stale()` (optional): after an answer is taken while a guessed batch
//   runs and the batch under way is not yet done, whether the answers taken
//   make another guess: the guess is then given up as above, and asked
//   again.
// The ranges of a worker that fails go to the others. Settles once the plan
// has ended and no range is under way, so that no late answer reaches
// another study; rejects with what the plan raises, or, when no worker is
// left, with `noWorkers` and the workers' reasons.
function runOnCrew(crew, plan, noWorkers) {
  return new Promise((resolve, reject) => {
    let current = plan.first; // the batch whose answers are being taken
    let guess = null; // the batch run ahead on the plan's guess, if any
    let guessAsked = false; // for the current batch
    let ended = false;
    let fault = null; // what the plan raised: the study ends
    let batchIds = 0;
    // Per batch: its id in the messages, the first task not handed out, the
    // ranges handed back by workers that failed, the answers come ([n,
    // answer] by first task), and the first task whose answer is not taken.
    const progress = new Map();
    const of = (batch) => {
      if (!progress.has(batch)) {
        progress.set(batch, { id: ++batchIds, next: 0, waiting: [], arrived: new Map(), taken: 0 });
      }
      return progress.get(batch);
    };
    const left = (batch) => {
      const p = of(batch);
      return batch.count - p.next + p.waiting.reduce((sum, [, n]) => sum + n, 0);
    };
    const ranges = new Map(); // member -> Map(`id:first` -> { batch, first, n }) under way
    const lastBatch = new Map(); // member -> the batch of its last range

    function attempt(step) {
      try {
        return step();
      } catch (failure) {
        fault = failure;
        return null;
      }
    }

    // The guess given up: the workers skip its ranges not begun.
    function dropGuess() {
      dropBatch(guess);
      progress.delete(guess);
      guess = null;
      guessAsked = false;
    }

    // The current batch's answers in task order; a batch fully taken gives
    // way to the plan's next.
    function join() {
      while (fault === null && !ended) {
        const p = of(current);
        if (p.arrived.has(p.taken)) {
          const [n, answer] = p.arrived.get(p.taken);
          p.arrived.delete(p.taken);
          p.taken += n;
          attempt(() => plan.take(answer));
          if (guess && p.taken < current.count && plan.stale && attempt(() => plan.stale())) dropGuess();
        } else if (p.taken >= current.count) {
          const after = attempt(() => plan.next(guess));
          if (fault !== null) return;
          progress.delete(current);
          if (guess && guess !== after) dropGuess();
          guess = null;
          guessAsked = false;
          if (after) current = after;
          else ended = true;
        } else {
          return;
        }
      }
    }

    // The batch a worker holding `held` ranges takes its next range from: the
    // current one while it has tasks, else the guess. A range waiting behind
    // another in one worker is handed only while a batch's tasks left are as
    // many as the workers: at the end it would keep the others idle.
    function source(held) {
      const open = (batch) => left(batch) > 0 && (held === 0 || left(batch) >= crew.members.length);
      if (left(current) > 0) return open(current) ? current : null;
      if (!guessAsked && plan.guess) {
        guessAsked = true;
        guess = attempt(() => plan.guess());
      }
      return guess && fault === null && open(guess) ? guess : null;
    }

    function hand(member) {
      const held = ranges.get(member);
      while (held && fault === null && !ended && held.size < kRangesAhead) {
        const batch = source(held.size);
        if (!batch) break;
        const p = of(batch);
        let first;
        let n;
        if (p.waiting.length) {
          [first, n] = p.waiting.shift();
        } else {
          first = p.next;
          n = Math.max(1, Math.min(batch.size(batch.count - p.next), batch.count - p.next));
          p.next += n;
        }
        held.set(`${p.id}:${first}`, { batch, first, n });
        const switched = lastBatch.get(member) !== batch;
        lastBatch.set(member, batch);
        const speculative = batch !== current;
        member.worker.postMessage({ ...batch.message(first, n, switched), batch: p.id, speculative });
      }
    }
    // The workers skip the ranges of a batch given up that they have not
    // begun, and answer them with no result. What a skipped range brought
    // (a batch's rule tables) is not there: the worker's next range brings
    // its own.
    function dropBatch(batch) {
      const id = of(batch).id;
      for (const [member, held] of ranges) {
        if (![...held.values()].some((range) => range.batch === batch)) continue;
        member.worker.postMessage({ kind: 'drop', batch: id });
        lastBatch.delete(member);
      }
    }
    const handAll = () => {
      for (const member of ranges.keys()) hand(member);
    };

    // Once no range is under way, the call ends: the plan ended, a fault, or
    // no worker left.
    function settle() {
      for (const held of ranges.values()) if (held.size) return;
      if (fault !== null) reject(fault);
      else if (ended) resolve();
      else if (!crew.members.length) reject(new Error([noWorkers, ...new Set(crew.failures)].join('\n')));
    }

    function fail(member, failure) {
      if (!crew.members.includes(member)) return;
      for (const range of ranges.get(member)?.values() ?? []) {
        if (range.batch === current || range.batch === guess) of(range.batch).waiting.push([range.first, range.n]);
      }
      ranges.delete(member);
      crew.drop(member, failure);
      handAll();
      settle();
    }

    // A worker's answers are heard once it has begun.
    function listen(member) {
      if (!crew.members.includes(member)) return;
      const held = ranges.get(member);
      member.worker.onmessage = ({ data }) => {
        const key = `${data.batch}:${data.first}`;
        const range = held.get(key);
        const live = range && (range.batch === current || range.batch === guess);
        if (data.failed !== undefined || !range || (live && data.dropped)) {
          const wrong = range ? 'the worker skipped a range that counts' : 'the worker answered a range it was not given';
          fail(member, new Error(data.failed ?? wrong));
          return;
        }
        held.delete(key);
        // The answer of a batch given up is dropped.
        if (live) of(range.batch).arrived.set(range.first, [range.n, data]);
        join();
        handAll();
        settle();
      };
      member.worker.onerror = (event) => {
        event.preventDefault();
        fail(member, new Error(event.message || 'the worker failed'));
      };
    }

    // Every worker is handed its first ranges at once: they wait in the
    // worker behind the study's beginning, and it runs them as soon as it
    // has begun, without waiting for the page to hear that it has. The
    // answer to the beginning comes first; a worker that could not begin
    // fails, and its ranges go to the others.
    for (const member of crew.members) {
      ranges.set(member, new Map());
      hand(member);
      member.begun.then(
        () => listen(member),
        (failure) => fail(member, failure),
      );
    }
    settle();
  });
}
