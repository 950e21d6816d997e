// The page's speed beside the same code built natively, on this machine, in
// one run: how soon the page is ready, the car's ticks in the page's
// WebAssembly against ormakin-sim built with the software extended type,
// a whole sweep in the page on one worker (the workers' start and the
// joining included) against that tool's one-job sweep, the page's sweep on
// two workers against two one-worker sweeps started at once in two pages, the
// same for the page's tune, what a large settings text costs (its
// lint, its application, the longest task while typing in it) and the tab's
// memory for courses whose header asks for far more pixels than the file
// holds, the car's ticks per second at full speed with the run panel updating
// against with it hidden, and the page's size. Prints a Markdown section and
// puts it at the end of docs/performance.md, after the marker below, so that
// `make bench` (which writes the rest of that file) keeps it.
//
//   node bench/web/page_bench.mjs [--output FILE]
//   node bench/web/page_bench.mjs --only ready,panel,size,sweep,tune,apply
// (--only runs those parts alone and prints their rows, writing nothing.)
// Needs build-web/ (make web), build-soft-extended/ormakin-sim (make
// test-soft) and the page tests' packages (scripts/install-deps.sh web-test).
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, readFileSync, renameSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { cpus, tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const require = createRequire(join(root, 'tests', 'web', 'package.json'));
const puppeteer = require('puppeteer-core');

export const kMarker = '<!-- The page: written by bench/web/page_bench.mjs -->';
const kRepetitions = 5;
// Ticks of each full-speed run with the panel shown or hidden.
const kPanelTicks = 20000;
// A large settings text takes seconds per step: fewer repetitions.
const kSettingsRepetitions = 3;
const kCourse = '1-oval.bmp';
// The tune's budget on kCourse, in evaluations.
const kTuneEvaluations = 2000;
const kTargets = { pageBytes: 2 * 1024 * 1024, panelRatio: 0.9, readyMs: 1000, stepRatio: 0.8, sweepRatio: 1.5, twoWorkers: 0.9, applyRatio: 2 };
const kMiB = 1024 * 1024;
// The margin a course may add to the tab beyond its file and its store's
// written pages.
const kCourseMargin = 64 * kMiB;
const kLargeSettingsBytes = 5 * 1000 * 1000;

const web = join(root, 'build-web');
// ORMAKIN_SIM names another build of the tool (its name goes into the table).
const softTool = process.env.ORMAKIN_SIM ?? join(root, 'build-soft-extended', 'ormakin-sim');
const course = join(root, 'examples', 'courses', kCourse);
const settings = join(root, 'examples', 'ormakin.ini');
for (const needed of [join(web, 'ormakin.html'), join(web, 'ormakin.js'), softTool]) {
  if (!existsSync(needed)) {
    console.error(`page_bench: ${needed} is missing (make web, make test-soft)`);
    process.exit(2);
  }
}

function nativeSweepMs() {
  const start = process.hrtime.bigint();
  execFileSync(softTool, ['sweep', course, '--settings', settings, '--jobs', '1'], {
    stdio: ['ignore', 'pipe', 'ignore'],
  });
  return Number(process.hrtime.bigint() - start) / 1e6;
}

async function launch(profile) {
  const args = ['--disable-gpu', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync'];
  if (process.getuid?.() === 0) args.push('--no-sandbox');
  return puppeteer.launch({
    executablePath: process.env.ORMAKIN_CHROMIUM ?? '/usr/bin/chromium',
    headless: true, userDataDir: profile, args, protocolTimeout: 0,
  });
}

// Milliseconds from the page's navigation until it waits for the user.
async function readyMs(browser) {
  const page = await browser.newPage();
  await page.goto(pathToFileURL(join(web, 'ormakin.html')).href);
  await page.waitForFunction(() => document.body.dataset.state === 'idle',
    { polling: 'mutation', timeout: 0 });
  const ms = await page.evaluate(() => performance.now());
  await page.close();
  return ms;
}

// A page with the sample course open and the sweep set to `workers` workers.
// Ticks per second of a full-speed run of kPanelTicks ticks on the sample
// course, from the Start button to the run at rest at the stop tick, with the
// run panel updating (`shown`) or hidden.
async function panelTicksPerSecond(browser, shown) {
  const page = await browser.newPage();
  await page.goto(pathToFileURL(join(web, 'ormakin.html')).href);
  await page.waitForFunction(() => document.body.dataset.state === 'idle', { polling: 'mutation', timeout: 0 });
  await page.click(`#samples [data-sample="${kCourse}"]`);
  await page.waitForFunction((c) => document.querySelector('#panel-course').textContent === c,
    { polling: 'mutation', timeout: 0 }, kCourse);
  const ms = await page.evaluate((ticks, updates) => {
    const $ = (s) => document.querySelector(s);
    $('#speed').value = 'full';
    $('#panel-updates').checked = updates;
    $('#panel-updates').dispatchEvent(new Event('change'));
    $('#stop-tick').value = String(ticks);
    return new Promise((resolve) => {
      const start = performance.now();
      const observer = new MutationObserver(() => {
        const m = /^ticks=(\d+) /.exec($('#status').value);
        if (document.body.dataset.state === 'idle' && m && Number(m[1]) >= ticks) {
          observer.disconnect();
          resolve(performance.now() - start);
        }
      });
      observer.observe(document.body, { attributes: true, attributeFilter: ['data-state'] });
      observer.observe($('#status'), { childList: true, characterData: true, subtree: true });
      $('#run-start').click();
    });
  }, kPanelTicks, shown);
  await page.close();
  return (kPanelTicks * 1000) / ms;
}

// Sets the number of workers as typing it does: the page makes them ready.
async function setWorkers(page, workers) {
  await page.$eval('#workers', (field, n) => {
    field.value = n;
    field.dispatchEvent(new Event('change'));
  }, String(workers));
}

// A user's pause between setting a study up and starting it: 300 ms, then
// the page's next idle moment. A worker of a number just set starts in it,
// as it would for a user, instead of inside the timed study.
async function pause(page) {
  await page.evaluate(() => new Promise((resolve) => setTimeout(() => requestIdleCallback(resolve), 300)));
}

async function sweepPage(browser, workers) {
  const page = await browser.newPage();
  await page.goto(pathToFileURL(join(web, 'ormakin.html')).href);
  await page.waitForFunction(() => document.body.dataset.state === 'idle', { timeout: 0 });
  await setWorkers(page, workers);
  await page.click(`button[data-sample="${kCourse}"]`);
  await page.waitForFunction(() => document.querySelector('#status').textContent !== '',
    { timeout: 0 });
  await pause(page);
  return page;
}

// Clicks スイープ開始 on every page at once; returns the milliseconds until
// the last has printed its summary.
async function sweepAll(pages) {
  const start = process.hrtime.bigint();
  await Promise.all(pages.map((page) => page.evaluate(() => document.querySelector('#sweep-run').click())));
  await Promise.all(pages.map((page) => page.waitForFunction(
    () => document.querySelector('#sweep-summary').textContent !== '', { polling: 'mutation', timeout: 0 })));
  const ms = Number(process.hrtime.bigint() - start) / 1e6;
  for (const page of pages) {
    const summary = await page.$eval('#sweep-summary', (pre) => pre.textContent);
    if (!summary.startsWith('starts=')) throw new Error(`the page could not sweep: ${summary}`);
  }
  await Promise.all(pages.map((page) => page.close()));
  return ms;
}

// A whole sweep through the page's own button, on the sample course, on
// `workers` workers.
async function pageSweepMs(browser, workers) {
  return sweepAll([await sweepPage(browser, workers)]);
}

// Two one-worker sweeps started at once, in two pages: what the machine
// gives two independent sweeps.
async function pairedSweepsMs(browser) {
  return sweepAll([await sweepPage(browser, 1), await sweepPage(browser, 1)]);
}

// A page set to tune on kCourse alone on `workers` workers.
async function tunePage(browser, workers) {
  const page = await browser.newPage();
  await page.goto(pathToFileURL(join(web, 'ormakin.html')).href);
  await page.waitForFunction(() => document.body.dataset.state === 'idle', { timeout: 0 });
  await setWorkers(page, workers);
  await page.$eval(`#tune-courses input[data-sample="${kCourse}"]`, (box) => { box.checked = true; });
  await page.$eval('#tune-evaluations', (field, n) => { field.value = n; }, String(kTuneEvaluations));
  await pause(page);
  return page;
}

// Clicks 調整開始 on every page at once; returns the milliseconds until the
// last has printed its result.
async function tuneAll(pages) {
  const start = process.hrtime.bigint();
  await Promise.all(pages.map((page) => page.evaluate(() => document.querySelector('#tune-run').click())));
  await Promise.all(pages.map((page) => page.waitForFunction(
    () => document.querySelector('#tune-summary').textContent !== '', { polling: 'mutation', timeout: 0 })));
  const ms = Number(process.hrtime.bigint() - start) / 1e6;
  for (const page of pages) {
    const summary = await page.$eval('#tune-summary', (pre) => pre.textContent);
    if (!summary.startsWith(`evaluations=${kTuneEvaluations} `)) throw new Error(`the page could not tune: ${summary}`);
  }
  await Promise.all(pages.map((page) => page.close()));
  return ms;
}

const pageTuneMs = async (browser, workers) => tuneAll([await tunePage(browser, workers)]);
const pairedTunesMs = async (browser) => tuneAll([await tunePage(browser, 1), await tunePage(browser, 1)]);

function nativeTuneMs() {
  const scratchOut = join(tmpdir(), `ormakin-bench-tuned-${process.pid}.ini`);
  const start = process.hrtime.bigint();
  execFileSync(softTool, ['tune', course, '--settings', settings, '--jobs', '1', '--evaluations',
    String(kTuneEvaluations), '--out', scratchOut], { stdio: ['ignore', 'pipe', 'ignore'] });
  const ms = Number(process.hrtime.bigint() - start) / 1e6;
  rmSync(scratchOut, { force: true });
  return ms;
}

// The median of the ratios that each repetition's own figures give: both
// figures of a ratio are taken within seconds of each other, where the
// medians of each side may come from minutes apart, and this machine's
// speed moves by more than the targets' margins within minutes.
function ratio(runs, numerator, denominator, scale = 1) {
  return median(runs[numerator].map((value, i) => value / (scale * runs[denominator][i])));
}

// The sweep's rows: on one worker against the tool's one job, and sweeps per
// second on two workers against two one-worker sweeps started at once.
function sweepRows(m, runs, row) {
  const stepRatio = ratio(runs, 'native', 'module');
  const compiledRatio = ratio(runs, 'native', 'moduleCompiled');
  const sweepRatio = ratio(runs, 'page', 'native');
  const twoWorkers = ratio(runs, 'paired', 'page2', 2);
  return [
    row('Step in the page / natively (software type)',
      `${stepRatio.toFixed(2)}× (${m.module.toFixed(0)} ms against ${m.native.toFixed(0)} ms)`,
      `≥ ${kTargets.stepRatio}×`, stepRatio >= kTargets.stepRatio),
    row('The same, the module\'s second call in its page (its code compiled)',
      `${compiledRatio.toFixed(2)}× (${m.moduleCompiled.toFixed(0)} ms against ${m.native.toFixed(0)} ms)`,
      '—', true),
    row('441-start sweep in the page on one worker / the tool\'s one-job sweep',
      `${sweepRatio.toFixed(2)}× (${m.page.toFixed(0)} ms against ${m.native.toFixed(0)} ms)`,
      `≤ ${kTargets.sweepRatio}×`, sweepRatio <= kTargets.sweepRatio),
    row('Sweeps per second on two workers / two one-worker sweeps started at once',
      `${twoWorkers.toFixed(2)}× (${m.page2.toFixed(0)} ms a sweep against ${m.paired.toFixed(0)} ms for two)`,
      `≥ ${kTargets.twoWorkers}×`, twoWorkers >= kTargets.twoWorkers),
  ];
}

// The tune's rows: on one worker against the tool's one job, and tunes per
// second on two workers against two one-worker tunes started at once.
function tuneRows(m, runs, row) {
  const twoWorkersTune = ratio(runs, 'tunePaired', 'tune2', 2);
  return [
    row(`${kTuneEvaluations}-evaluation tune in the page on one worker / the tool's one-job tune`,
      `${ratio(runs, 'tune', 'tuneNative').toFixed(2)}× (${m.tune.toFixed(0)} ms against ${m.tuneNative.toFixed(0)} ms)`,
      '—', true),
    row('Tunes per second on two workers / two one-worker tunes started at once',
      `${twoWorkersTune.toFixed(2)}× (${m.tune2.toFixed(0)} ms a tune against ${m.tunePaired.toFixed(0)} ms for two)`,
      `≥ ${kTargets.twoWorkers}×`, twoWorkersTune >= kTargets.twoWorkers),
  ];
}

// The same sweep in one call of the module's study (no slices, no page):
// the car's ticks in the page's WebAssembly, as the native tool runs them.
// Twice in one page: the first call's time, with the browser compiling the
// code as it first runs, and the second's, with that code compiled.
async function moduleSweepMs(browser) {
  const page = await browser.newPage();
  await page.goto('about:blank');
  await page.addScriptTag({ content: readFileSync(join(web, 'ormakin.js'), 'utf8') });
  const ms = await page.evaluate(async (wasm, ini, bmp) => {
    const bytes = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
    const module = await globalThis.OrmakinModule({ wasmBinary: bytes(wasm), noInitialRun: true });
    module.FS.mkdirTree('/study');
    const times = [];
    for (let call = 0; call < 2; ++call) {
      module.FS.writeFile('/study/ormakin.ini', bytes(ini));
      module.FS.writeFile('/study/course.bmp', bytes(bmp));
      const start = performance.now();
      const starts = module._studies_sweep_begin();
      if (starts < 0 || module._studies_sweep_run(0, starts) !== starts) return [-1];
      times.push(performance.now() - start);
    }
    return times;
  }, readFileSync(join(web, 'ormakin.wasm')).toString('base64'),
  readFileSync(settings).toString('base64'), readFileSync(course).toString('base64'));
  await page.close();
  if (ms[0] < 0) throw new Error('the module could not sweep the sample course');
  return ms;
}

// Each repetition's first and second call of the module's sweep.
async function moduleRuns(browser, runs) {
  const [first, second] = await moduleSweepMs(browser);
  runs.module.push(first);
  runs.moduleCompiled.push(second);
}

// --- Memory -------------------------------------------------------------------

// The resident memory of the browser's processes, in bytes: the browser and
// every process under it (the tab's renderer among them).
function browserResident(browser) {
  const parents = new Map();
  for (const pid of readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      const stat = readFileSync(`/proc/${pid}/stat`, 'utf8');
      parents.set(Number(pid), Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]));
    } catch {
      // The process has ended since the listing.
    }
  }
  const root = browser.process().pid;
  const within = (pid) => {
    for (let p = pid; p > 1; p = parents.get(p) ?? 0) if (p === root) return true;
    return false;
  };
  let bytes = 0;
  for (const pid of parents.keys()) {
    if (!within(pid)) continue;
    try {
      const m = /VmRSS:\s+(\d+) kB/.exec(readFileSync(`/proc/${pid}/status`, 'utf8'));
      if (m) bytes += Number(m[1]) * 1024;
    } catch {
      // Ended meanwhile.
    }
  }
  return bytes;
}

// A BMP of a header alone (no pixel data) that asks for width x height
// pixels of `bits` bits.
function headerOnlyCourse(dir, width, height, bits) {
  const header = Buffer.from(readFileSync(course).subarray(0, 62));
  header.writeUInt32LE(62, 2);
  header.writeUInt32LE(62, 10);
  header.writeInt32LE(width, 18);
  header.writeInt32LE(height, 22);
  header.writeUInt16LE(bits, 28);
  header.writeUInt32LE(0, 34);
  const file = join(dir, `header ${width} x ${height} x ${bits}.bmp`);
  writeFileSync(file, header);
  return file;
}

// Opens `file` `times` times through the page's file chooser in a fresh
// page; returns the growth of the browser's memory from the page at rest
// to the page at rest after the opens, and the status line.
async function courseGrowth(browser, file, times) {
  const page = await browser.newPage();
  await page.goto(pathToFileURL(join(web, 'ormakin.html')).href);
  await page.waitForFunction(() => document.body.dataset.state === 'idle', { timeout: 0 });
  const before = browserResident(browser);
  for (let i = 0; i < times; ++i) {
    await page.click('#menubar [data-name="File1"]');
    await page.waitForSelector('[data-menu="File1"] [data-name="Open1"]', { visible: true, timeout: 0 });
    const [chooser] = await Promise.all([
      page.waitForFileChooser({ timeout: 0 }),
      page.click('[data-menu="File1"] [data-name="Open1"]'),
    ]);
    await chooser.accept([file]);
    // The program takes commands in order: once About's box shows, the open
    // is over; a box captioned with the program's title is a failure.
    await page.click('#menubar [data-name="About1"]');
    await page.waitForSelector('[data-menu="About1"] [data-name="About2"]', { visible: true, timeout: 0 });
    await page.click('[data-menu="About1"] [data-name="About2"]');
    await page.waitForFunction(() => document.querySelector('#box').open, { timeout: 0 });
    const box = await page.$eval('#box', (b) => `${b.querySelector('.caption').textContent}: ${b.querySelector('.text').textContent}`);
    await page.click('#box button[data-answer="ok"]');
    await page.waitForFunction(() => !document.querySelector('#box').open, { timeout: 0 });
    if (box.startsWith('Ormakin:')) throw new Error(`the page did not open ${file}: ${box}`);
  }
  const growth = browserResident(browser) - before;
  const status = await page.$eval('#status', (o) => o.value);
  await page.close();
  if (!status) throw new Error(`the page did not open ${file}`);
  return growth;
}

// --- A large settings text ---------------------------------------------------

// The bundled settings with comment lines before the rules, to the given size:
// every rule read passes them.
function largeSettings() {
  const bundled = readFileSync(settings, 'utf8');
  const at = bundled.indexOf('[state]');
  const line = '; a comment line of the kind a long settings file holds, repeated\n';
  const padding = line.repeat(Math.ceil((kLargeSettingsBytes - bundled.length) / line.length));
  return bundled.slice(0, at) + padding + bundled.slice(at);
}

function toolMs(args) {
  const start = process.hrtime.bigint();
  execFileSync(softTool, args, { stdio: ['ignore', 'pipe', 'pipe'] });
  return Number(process.hrtime.bigint() - start) / 1e6;
}

// The large text in the page: it is put into the editor as a loaded file is,
// then the lint's time, a few keystrokes at its end with the longest task
// they cause, and 適用して再起動 until the program rests again.
async function settingsTimes(browser, text) {
  const page = await browser.newPage();
  await page.goto(pathToFileURL(join(web, 'ormakin.html')).href);
  await page.waitForFunction(() => document.body.dataset.state === 'idle', { timeout: 0 });
  await page.evaluate(() => {
    window.benchLongest = 0;
    new PerformanceObserver((list) => {
      for (const entry of list.getEntries()) window.benchLongest = Math.max(window.benchLongest, entry.duration);
    }).observe({ type: 'longtask' });
  });
  const lintDone = () => page.waitForFunction(
    () => document.querySelector('#lint').getAttribute('aria-busy') === 'false', { timeout: 0 });
  const lintMs = await page.evaluate((t) => {
    const area = document.querySelector('#settings');
    window.benchStart = performance.now();
    area.value = t;
    area.dispatchEvent(new Event('input'));
  }, text).then(lintDone).then(() => page.evaluate(() => performance.now() - window.benchStart));
  const loadLongest = await page.evaluate(() => window.benchLongest);
  await page.evaluate(() => {
    window.benchLongest = 0;
    const area = document.querySelector('#settings');
    area.focus();
    area.setSelectionRange(area.value.length, area.value.length);
  });
  await page.keyboard.type('; typed');
  await page.waitForFunction(() => document.querySelector('#settings').value.endsWith('; typed'), { timeout: 0 });
  await lintDone();
  const typingLongest = await page.evaluate(() => window.benchLongest);
  // Timed in the page, from the click to the moment the program waits for
  // the user again, as the tool's run is timed to its end: a round trip
  // to this script and the frame the browser draws next are not the
  // program's.
  const applyMs = await page.evaluate(() => new Promise((resolve) => {
    const start = performance.now();
    new MutationObserver((changes, observer) => {
      if (document.body.dataset.state !== 'idle') return;
      observer.disconnect();
      resolve(performance.now() - start);
    }).observe(document.body, { attributes: true, attributeFilter: ['data-state'] });
    document.querySelector('#settings-apply').click();
  }));
  await page.close();
  return { lintMs, loadLongest, typingLongest, applyMs };
}

// The same keystrokes at the end of the same text in a bare text box of the
// same style (no form state kept, as the page's), without the page: what
// the browser's own text box costs.
async function bareTypingLongest(browser, text) {
  const page = await browser.newPage();
  await page.setContent('<textarea id="settings" spellcheck="false" autocomplete="off" rows="14" ' +
    'style="width: 100%; font-family: monospace; font-size: 12px"></textarea>');
  await page.evaluate((t) => {
    const area = document.querySelector('#settings');
    area.value = t;
    window.benchLongest = 0;
    new PerformanceObserver((list) => {
      for (const entry of list.getEntries()) window.benchLongest = Math.max(window.benchLongest, entry.duration);
    }).observe({ type: 'longtask' });
    area.focus();
    area.setSelectionRange(area.value.length, area.value.length);
  }, text);
  await page.keyboard.type('; typed');
  await page.waitForFunction(() => document.querySelector('#settings').value.endsWith('; typed'), { timeout: 0 });
  // A task still running when the last key lands is reported after it.
  await page.evaluate(() => new Promise((resolve) => setTimeout(resolve, 0)));
  const longest = await page.evaluate(() => window.benchLongest);
  await page.close();
  return longest;
}

// The large text's runs: in the page, in a bare text box and in the tool.
async function settingsRuns(browser, scratch, runs) {
  const text = largeSettings();
  const large = join(scratch, 'ormakin.ini');
  writeFileSync(large, text);
  for (let i = 0; i < kSettingsRepetitions; ++i) {
    const t = await settingsTimes(browser, text);
    runs.lint.push(t.lintMs);
    runs.apply.push(t.applyMs);
    runs.loadLongest.push(t.loadLongest);
    runs.typingLongest.push(t.typingLongest);
    runs.bareTypingLongest.push(await bareTypingLongest(browser, text));
    runs.toolLint.push(toolMs(['lint', large]));
    runs.toolRun.push(toolMs(['run', course, '--settings', large, '--ticks', '0']));
  }
}

const pageBytes = statSync(join(web, 'ormakin.html')).size;
const panelRows = (m) => {
  const ratio = m.panelShown / m.panelHidden;
  return [
    row('Full-speed ticks per second with the run panel updating / with it hidden',
      `${ratio.toFixed(2)}× (${m.panelShown.toFixed(0)} against ${m.panelHidden.toFixed(0)} ticks a second)`,
      `≥ ${kTargets.panelRatio}×`, ratio >= kTargets.panelRatio),
  ];
};
const applyRow = (m) => row('適用して再起動 with that text / `ormakin-sim run --ticks 0` with it',
  `${(m.apply / m.toolRun).toFixed(2)}× (${m.apply.toFixed(0)} ms against ${m.toolRun.toFixed(0)} ms)`,
  `≤ ${kTargets.applyRatio}×`, m.apply <= kTargets.applyRatio * m.toolRun);
// The large text's rows: medians, and the longest task of all repetitions.
const longest = (values) => Math.max(...values);
const settingsRows = (m, runs) => [
  row(`Lint of a ${(kLargeSettingsBytes / 1e6).toFixed(0)} MB settings text in the page's worker / \`ormakin-sim lint\``,
    `${(m.lint / m.toolLint).toFixed(2)}× (${m.lint.toFixed(0)} ms against ${m.toolLint.toFixed(0)} ms)`,
    '—', true),
  row('Longest task on the page while that text is put in and linted',
    `${longest(runs.loadLongest).toFixed(0)} ms`, '— (the browser\'s text box lays it out)', true),
  row('Longest task on the page while typing in it',
    `${longest(runs.typingLongest).toFixed(0)} ms`, '— (the browser\'s text box: the next row)', true),
  row('Longest task while typing the same keys into a bare text box with that text, without the page',
    `${longest(runs.bareTypingLongest).toFixed(0)} ms`, '— (the browser\'s own)', true),
  applyRow(m),
];
const sizeRow = () => row('The page\'s size (build-web/ormakin.html)', `${(pageBytes / kMiB).toFixed(2)} MiB`,
  '< 2 MiB', pageBytes < kTargets.pageBytes);
const row = (what, measured, target, met) =>
  `| ${what} | ${measured} | ${target} | ${met ? 'met' : '**missed**'} |`;

// The panel's runs, shown and hidden in turn.
async function panelRuns(browser, runs) {
  for (let i = 0; i < kRepetitions; ++i) {
    runs.panelShown.push(await panelTicksPerSecond(browser, true));
    runs.panelHidden.push(await panelTicksPerSecond(browser, false));
  }
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// --only PART,...: those parts alone (ready, panel, size, sweep, tune, apply,
// and settings: the large text's lint, longest tasks and apply), their rows
// printed and nothing written.
const onlyIndex = process.argv.indexOf('--only');
if (onlyIndex > 0) {
  const parts = new Set(process.argv[onlyIndex + 1].split(','));
  const profile = mkdtempSync(join(tmpdir(), 'ormakin-bench-'));
  const browser = await launch(profile);
  const scratch = mkdtempSync(join(tmpdir(), 'ormakin-bench-files-'));
  const runs = {
    ready: [], panelShown: [], panelHidden: [], module: [], moduleCompiled: [], page: [], page2: [], paired: [], native: [],
    tune: [], tune2: [], tunePaired: [], tuneNative: [],
    lint: [], toolLint: [], apply: [], toolRun: [], loadLongest: [], typingLongest: [], bareTypingLongest: [],
  };
  try {
    if (parts.has('ready')) for (let i = 0; i < kRepetitions; ++i) runs.ready.push(await readyMs(browser));
    if (parts.has('panel')) await panelRuns(browser, runs);
    if (parts.has('sweep')) {
      for (let i = 0; i < kRepetitions; ++i) {
        await moduleRuns(browser, runs);
        runs.page.push(await pageSweepMs(browser, 1));
        runs.page2.push(await pageSweepMs(browser, 2));
        runs.paired.push(await pairedSweepsMs(browser));
        runs.native.push(nativeSweepMs());
      }
    }
    if (parts.has('tune')) {
      for (let i = 0; i < kRepetitions; ++i) {
        runs.tune.push(await pageTuneMs(browser, 1));
        runs.tune2.push(await pageTuneMs(browser, 2));
        runs.tunePaired.push(await pairedTunesMs(browser));
        runs.tuneNative.push(nativeTuneMs());
      }
    }
    if (parts.has('settings')) {
      await settingsRuns(browser, scratch, runs);
    } else if (parts.has('apply')) {
      const text = largeSettings();
      const large = join(scratch, 'ormakin.ini');
      writeFileSync(large, text);
      for (let i = 0; i < kSettingsRepetitions; ++i) {
        runs.apply.push((await settingsTimes(browser, text)).applyMs);
        runs.toolRun.push(toolMs(['run', course, '--settings', large, '--ticks', '0']));
      }
    }
  } finally {
    await browser.close();
    rmSync(profile, { recursive: true, force: true });
    rmSync(scratch, { recursive: true, force: true });
  }
  // Every repetition's figures, for the spread between them.
  for (const [k, v] of Object.entries(runs)) if (v.length) console.error(`${k}: ${v.map((x) => x.toFixed(0)).join(' ')}`);
  const m = Object.fromEntries(Object.entries(runs).map(([k, v]) => [k, median(v)]));
  const rows = [];
  if (parts.has('ready')) rows.push(row('Page ready after it is opened', `${m.ready.toFixed(0)} ms`, '< 1000 ms', m.ready < kTargets.readyMs));
  if (parts.has('panel')) rows.push(...panelRows(m));
  if (parts.has('size')) rows.push(sizeRow());
  if (parts.has('sweep')) rows.push(...sweepRows(m, runs, row));
  if (parts.has('tune')) rows.push(...tuneRows(m, runs, row));
  if (parts.has('settings')) rows.push(...settingsRows(m, runs));
  else if (parts.has('apply')) rows.push(applyRow(m));
  console.log(['| Measure | Measured | Target | |', '|---|---|---|---|', ...rows].join('\n'));
  process.exit(0);
}

const profile = mkdtempSync(join(tmpdir(), 'ormakin-bench-'));
const browser = await launch(profile);


const runs = {
  ready: [], module: [], moduleCompiled: [], page: [], page2: [], paired: [], native: [],
  tune: [], tune2: [], tunePaired: [], tuneNative: [],
  lint: [], toolLint: [], apply: [], toolRun: [], loadLongest: [], typingLongest: [], bareTypingLongest: [],
  panelShown: [], panelHidden: [],
};
const scratch = mkdtempSync(join(tmpdir(), 'ormakin-bench-files-'));
let memory;
try {
  for (let i = 0; i < kRepetitions; ++i) {
    runs.ready.push(await readyMs(browser));
    await moduleRuns(browser, runs);
    runs.page.push(await pageSweepMs(browser, 1));
    runs.page2.push(await pageSweepMs(browser, 2));
    runs.paired.push(await pairedSweepsMs(browser));
    runs.native.push(nativeSweepMs());
    runs.tune.push(await pageTuneMs(browser, 1));
    runs.tune2.push(await pageTuneMs(browser, 2));
    runs.tunePaired.push(await pairedTunesMs(browser));
    runs.tuneNative.push(nativeTuneMs());
  }
  await panelRuns(browser, runs);
  await settingsRuns(browser, scratch, runs);
  // Memory: once each, in a fresh page; the pixels are not in the files, so
  // the store's written pages are none.
  const wide = headerOnlyCourse(scratch, 60000, 60000, 1);
  const bound = headerOnlyCourse(scratch, 16000, 16000, 32);
  memory = [
    { what: '60000 x 60000, 1 bpp, opened once', file: wide, times: 1 },
    { what: '16000 x 16000, 32 bpp, opened twice', file: bound, times: 2 },
  ].map((m) => ({ ...m, size: statSync(m.file).size }));
  for (const m of memory) m.growth = await courseGrowth(browser, m.file, m.times);
} finally {
  await browser.close();
  rmSync(profile, { recursive: true, force: true });
  rmSync(scratch, { recursive: true, force: true });
}

const m = Object.fromEntries(Object.entries(runs).map(([k, v]) => [k, median(v)]));
const version = execFileSync(process.env.ORMAKIN_CHROMIUM ?? '/usr/bin/chromium', ['--version'])
  .toString().trim();
const text = [
  kMarker,
  '## The page',
  '',
  process.env.ORMAKIN_SIM
    ? `${version}, headless, and the tool at ${process.env.ORMAKIN_SIM} (ORMAKIN_SIM),`
    : `${version}, headless, and the tool built with the software extended type (\`make test-soft\`),`,
  `on ${cpus()[0].model}; ${kRepetitions} repetitions each, medians (a ratio is the median of`,
  'the ratios of each repetition\'s own figures, taken seconds apart). The sweep is',
  `\`ormakin-sim sweep ${kCourse}\` with the default options (441 starts, up to 5000 ticks each)`,
  'and the same sweep in the page: once in one call of the module (the car\'s ticks alone), and',
  'through the page\'s button on one worker, on two, and on one worker in each of two pages',
  'started at once (the machine\'s ceiling for two sweeps in this run). The native',
  'time includes starting the tool and reading the course; from one run of this script to the',
  'next it has varied by up to a third on this shared machine, and the ratios with it.',
  `The tune is \`ormakin-sim tune ${kCourse} --evaluations ${kTuneEvaluations}\` (seed 1, 5000 ticks a run) and`,
  'the same in the page, on one worker, on two, and on one worker in each of two pages at once.',
  '',
  '| Measure | Measured | Target | |',
  '|---|---|---|---|',
  row('Page ready after it is opened', `${m.ready.toFixed(0)} ms`, '< 1000 ms', m.ready < kTargets.readyMs),
  ...sweepRows(m, runs, row),
  ...tuneRows(m, runs, row),
  ...settingsRows(m, runs),
  ...memory.map((c) => row(`The tab's growth for a header-only BMP of ${c.size} bytes, ${c.what}`,
    `${(c.growth / kMiB).toFixed(1)} MiB`, '≤ the file + the written pages (none) + 64 MiB',
    c.growth <= c.size + kCourseMargin)),
  ...panelRows(m),
  sizeRow(),
  '',
  'The settings text is the bundled one with comment lines before its rules, to',
  `${(kLargeSettingsBytes / 1e6).toFixed(0)} MB, so that every rule read passes them (${kSettingsRepetitions} repetitions); the longest tasks are`,
  'Chromium\'s `longtask` entries (the largest of all repetitions). The memory is the resident',
  'memory of the browser and all its processes, from the page at rest to the page at rest',
  'after the opens, once each.',
  '',
  `The panel's rows: ${kPanelTicks} ticks of \`${kCourse}\` at full speed from the Start button to`,
  'the run at rest at the stop tick, in a fresh page each, with the panel updating (its snapshot once a',
  'frame) and hidden, in turn.',
  '',
  'Chromium\'s own text box holding a few megabytes takes each keystroke in a task far',
  'above 200 ms, with or without the page (the bare text box\'s row; at 1 MB up to about',
  'half a second, at 300 KB none): the page stores and lints only after a pause in typing and',
  'adds no work to a keystroke, and its test types into 300 KB, with no task over 200 ms.',
  '適用して再起動 is timed in the page from the click until the program waits for the user again',
  '(the tool\'s run until it ends, its start and the course\'s reading included); the frame the',
  'browser draws after it is not counted.',
  '',
].join('\n');
console.log(text);

const outputIndex = process.argv.indexOf('--output');
const output = outputIndex > 0 ? process.argv[outputIndex + 1] : join(root, 'docs', 'performance.md');
const before = existsSync(output) ? readFileSync(output, 'utf8') : '';
const kept = before.includes(kMarker) ? before.slice(0, before.indexOf(kMarker)) : before;
const temporary = `${output}.tmp`;
writeFileSync(temporary, `${kept.trimEnd()}\n\n${text}`);
renameSync(temporary, output);
console.log(`Written to ${output}`);
