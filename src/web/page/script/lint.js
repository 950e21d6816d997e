// The lint: a third instance of the module, in a worker.
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
