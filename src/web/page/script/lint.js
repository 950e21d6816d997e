// The lint: an instance of the module in a worker of its own.
// However long the text, linting it never holds up the page.

// The lint's task in the workers' code (workers.js): it lints the latest
// text it was given, one at a time, and answers with the report.
function lintTask(tasks, ready) {
  let latest = null;
  let busy = false;
  async function lintLatest() {
    busy = true;
    const module = await ready();
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
  tasks.lint = (data) => {
    latest = data;
    if (!busy) lintLatest();
  };
}
workerParts.push(lintTask);

let linter = null; // the worker, once it has been given the module
let lintAsked = 0; // the id of the last text sent
let lintAnswered = 0; // the id of the last text the worker answered

async function startLinter() {
  const worker = startWorker();
  worker.addEventListener('message', ({ data }) => {
    lintAnswered = data.id;
    if (data.id !== lintAsked) return;
    showFindings(data.report);
    $('#lint').setAttribute('aria-busy', 'false');
  });
  worker.addEventListener('error', (event) => {
    console.error(`the lint failed: ${event.message}`);
  });
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
  linter.then((worker) => worker.postMessage({ kind: 'lint', id, text }));
}

// The findings shown: { line, text } in line order.
let lintShown = [];

// The findings of a report: its lines "ormakin.ini:LINE: message".
function showFindings(report) {
  lintShown = report
    .split('\n')
    .filter((line) => /^ormakin\.ini:\d+: /.test(line))
    .map((text) => ({ line: Number(text.split(':')[1]), text }));
  $('#lint').replaceChildren(
    ...lintShown.map(({ text }) => {
      const item = document.createElement('li');
      item.textContent = text;
      return item;
    }),
  );
  refreshRuleDetail();
}
