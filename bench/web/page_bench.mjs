// The page's speed beside the same code built natively, on this machine, in
// one run: how soon the page is ready, the car's ticks in the page's
// WebAssembly against ormakin-sim built with the software extended type,
// and a whole sweep in the page (its slices and its second instance
// included) against that tool's one-job sweep. Prints a Markdown section and
// puts it at the end of docs/performance.md, after the marker below, so that
// `make bench` (which writes the rest of that file) keeps it.
//
//   node bench/web/page_bench.mjs [--output FILE]
// Needs build-web/ (make web), build-soft-extended/ormakin-sim (make
// test-soft) and the page tests' packages (scripts/install-deps.sh web-test).
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, renameSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { cpus, tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const require = createRequire(join(root, 'tests', 'web', 'package.json'));
const puppeteer = require('puppeteer-core');

export const kMarker = '<!-- The page: written by bench/web/page_bench.mjs -->';
const kRepetitions = 5;
const kCourse = '1-oval.bmp';
const kTargets = { readyMs: 1000, stepRatio: 0.8, sweepRatio: 3 };

const web = join(root, 'build-web');
const softTool = join(root, 'build-soft-extended', 'ormakin-sim');
const course = join(root, 'examples', 'courses', kCourse);
const settings = join(root, 'examples', 'ormakin.ini');
for (const needed of [join(web, 'ormakin.html'), join(web, 'ormakin.js'), softTool]) {
  if (!existsSync(needed)) {
    console.error(`page_bench: ${needed} is missing (make web, make test-soft)`);
    process.exit(2);
  }
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

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

// A whole sweep through the page's own button, on the sample course.
async function pageSweepMs(browser) {
  const page = await browser.newPage();
  await page.goto(pathToFileURL(join(web, 'ormakin.html')).href);
  await page.waitForFunction(() => document.body.dataset.state === 'idle', { timeout: 0 });
  await page.click(`button[data-sample="${kCourse}"]`);
  await page.waitForFunction(() => document.querySelector('#status').textContent !== '',
    { timeout: 0 });
  await page.evaluate(() => {
    window.benchStart = performance.now();
    document.querySelector('#sweep-run').click();
  });
  await page.waitForFunction(() => document.querySelector('#sweep-summary').textContent !== '',
    { polling: 'mutation', timeout: 0 });
  const ms = await page.evaluate(() => performance.now() - window.benchStart);
  await page.close();
  return ms;
}

// The same sweep in one call of the module's study (no slices, no page):
// the car's ticks in the page's WebAssembly, as the native tool runs them.
async function moduleSweepMs(browser) {
  const page = await browser.newPage();
  await page.goto('about:blank');
  await page.addScriptTag({ content: readFileSync(join(web, 'ormakin.js'), 'utf8') });
  const ms = await page.evaluate(async (wasm, ini, bmp) => {
    const bytes = (text) => Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
    const module = await globalThis.OrmakinModule({ wasmBinary: bytes(wasm), noInitialRun: true });
    module.FS.mkdirTree('/study');
    module.FS.writeFile('/study/ormakin.ini', bytes(ini));
    module.FS.writeFile('/study/course.bmp', bytes(bmp));
    const start = performance.now();
    const starts = module._studies_sweep_begin();
    if (starts < 0 || module._studies_sweep_next(starts) !== starts) return -1;
    return performance.now() - start;
  }, readFileSync(join(web, 'ormakin.wasm')).toString('base64'),
  readFileSync(settings).toString('base64'), readFileSync(course).toString('base64'));
  await page.close();
  if (ms < 0) throw new Error('the module could not sweep the sample course');
  return ms;
}

const profile = mkdtempSync(join(tmpdir(), 'ormakin-bench-'));
const browser = await launch(profile);
const runs = { ready: [], module: [], page: [], native: [] };
try {
  for (let i = 0; i < kRepetitions; ++i) {
    runs.ready.push(await readyMs(browser));
    runs.module.push(await moduleSweepMs(browser));
    runs.page.push(await pageSweepMs(browser));
    runs.native.push(nativeSweepMs());
  }
} finally {
  await browser.close();
  rmSync(profile, { recursive: true, force: true });
}

const m = Object.fromEntries(Object.entries(runs).map(([k, v]) => [k, median(v)]));
const version = execFileSync(process.env.ORMAKIN_CHROMIUM ?? '/usr/bin/chromium', ['--version'])
  .toString().trim();
const stepRatio = m.native / m.module;
const sweepRatio = m.page / m.native;
const row = (what, measured, target, met) =>
  `| ${what} | ${measured} | ${target} | ${met ? 'met' : '**missed**'} |`;
const text = [
  kMarker,
  '## The page',
  '',
  `${version}, headless, and the tool built with the software extended type (\`make test-soft\`),`,
  `on ${cpus()[0].model}; ${kRepetitions} repetitions each, medians. The sweep is`,
  `\`ormakin-sim sweep ${kCourse}\` with the default options (441 starts, up to 5000 ticks each)`,
  'and the same sweep in the page: once in one call of the module (the car\'s ticks alone), once',
  'through the page\'s button (its second instance, in slices between frames). The native',
  'time includes starting the tool and reading the course; from one run of this script to the',
  'next it has varied by up to a third on this shared machine, and the ratios with it.',
  '',
  '| Measure | Measured | Target | |',
  '|---|---|---|---|',
  row('Page ready after it is opened', `${m.ready.toFixed(0)} ms`, '< 1000 ms', m.ready < kTargets.readyMs),
  row('Step in the page / natively (software type)',
    `${stepRatio.toFixed(2)}× (${m.module.toFixed(0)} ms against ${m.native.toFixed(0)} ms)`,
    '≥ 0.8×', stepRatio >= kTargets.stepRatio),
  row('441-start sweep in the page / the tool\'s one-job sweep',
    `${sweepRatio.toFixed(2)}× (${m.page.toFixed(0)} ms against ${m.native.toFixed(0)} ms)`,
    '≤ 3×', sweepRatio <= kTargets.sweepRatio),
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
