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
let lintOutdated = false; // the text has changed since the last lint was asked

async function startLinter() {
  const worker = startWorker();
  worker.addEventListener('message', ({ data }) => {
    lintAnswered = data.id;
    if (data.id !== lintAsked || lintOutdated) return;
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
  lintOutdated = false;
  const id = ++lintAsked;
  const text = settings.value;
  linter.then((worker) => worker.postMessage({ kind: 'lint', id, text }));
}

// The text has changed and is not linted yet: the findings shown, and those
// of a lint under way, are of an earlier text until the next lint answers.
function lintOfEarlierText() {
  lintOutdated = true;
  $('#lint').setAttribute('aria-busy', 'true');
}

// The findings shown: { line, text, finding } in line order.
let lintShown = [];
let lintFindingsNow = []; // the last answer's findings: { line, code, values }

// A finding in the page's words: its code's text with its values.
function lintWords({ line, code, values }) {
  const text = words[`lint${code[0].toUpperCase()}${code.slice(1)}`] ?? code;
  return `ormakin.ini:${line}: ${text.replace(/\{(\w+)\}/g, (mark, name) => values[name] ?? mark)}`;
}

function showLintFindings() {
  lintShown = lintFindingsNow.map((finding) => ({ line: finding.line, text: lintWords(finding) }));
  $('#lint').replaceChildren(
    ...lintShown.map(({ text }) => {
      const item = document.createElement('li');
      item.textContent = text;
      return item;
    }),
  );
}

// The findings of the lint's answer (studies_lint's JSON).
function showFindings(report) {
  const answer = JSON.parse(report);
  lintFindingsNow = answer.findings ?? [];
  showLintFindings();
  if (answer.failure) {
    const item = document.createElement('li');
    item.textContent = answer.failure;
    $('#lint').append(item);
  }
  refreshRuleDetail();
}
document.addEventListener('words-changed', () => {
  showLintFindings();
  showRuleFindings();
});
