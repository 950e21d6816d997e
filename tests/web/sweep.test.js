// The sweep over the start area, run in the page beside the program: the
// same summary and the same map as `ormakin-sim sweep` on one job, for the
// course the window shows and the settings the program runs with.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { it } from 'node:test';
import { comparePixels } from './support/bmp.js';
import { coreTexts } from './support/core_texts.js';
import { sweep } from './support/native_tool.js';
import { coursePath, settingsPath } from './support/paths.js';
import { describePage } from './support/suite.js';
import { failRun, failWorkers, holdFirstAnswers } from './support/workers.js';

const texts = coreTexts();
const bundled = readFileSync(settingsPath, 'utf8');

// Clicks スイープ開始 and waits until the sweep has said something.
async function runSweep(session) {
  await session.page.click('#sweep-run');
  await session.waitFor(
    () => !document.querySelector('#sweep-run').disabled && document.querySelector('#sweep-summary').textContent !== '',
  );
  return session.page.$eval('#sweep-summary', (pre) => pre.textContent);
}

// Waits until a sweep has run every start and printed its summary.
async function waitForSweep(session) {
  await session.waitFor(() => {
    const progress = document.querySelector('#sweep-progress');
    return !document.querySelector('#sweep-run').disabled && progress.max > 1 && progress.value === progress.max &&
      document.querySelector('#sweep-summary').textContent.length > 0;
  });
}

// The map's size and the progress bar's value and maximum.
function sweepShown(session) {
  return session.page.evaluate(() => {
    const map = document.querySelector('#sweep-map');
    const progress = document.querySelector('#sweep-progress');
    return { map: [map.width, map.height], progress: [progress.value, progress.max] };
  });
}

// The summary and the saved map are the tool's, and the note says one
// worker was dropped.
async function expectToolsSweepWithoutOne(session, want) {
  const { page } = session;
  assert.equal((await page.$eval('#sweep-summary', (pre) => pre.textContent)).trimEnd(), want.text.trimEnd());
  assert.match(await page.$eval('#sweep-note', (p) => p.textContent), / 1 /);
  const saved = await session.savedFile('#sweep-save');
  assert.ok(saved.bytes.equals(want.mapFile), 'the saved map differs from `sweep --map`');
}

describePage('the sweep', (get) => {
  it('without a course asks for one, in the window’s words', async () => {
    const { session } = get();
    assert.equal(await runSweep(session), texts.noCourse);
    assert.deepEqual(await sweepShown(session), { map: [1, 1], progress: [0, 1] });
    assert.equal(await session.page.$eval('#sweep-save', (b) => b.disabled), true);
  });

  // The sweep must come out the same whatever the number of workers.
  for (const workers of ['1', '2']) {
    it(`prints the tool’s summary and draws its map with the applied settings on ${workers} worker(s), the program usable meanwhile`, async () => {
      const { session, dir } = get();
      const { page } = session;
      const sample = '4-gap-corner.bmp';
      const want = sweep(coursePath(sample), dir);
      await session.setField('#workers', workers);
      if (workers !== '1') await holdFirstAnswers(session, 'sweep-run');
      await session.clickSample(sample);
      await session.settle(texts.aboutCaption);
      // Edited but not applied: the program, and so the sweep, still run with
      // the bundled text.
      const rule = /^1-0=.*$/m;
      assert.match(bundled, rule);
      await session.setField('#settings', bundled.replace(rule, '1-0=0,3,0'));

      await page.click('#sweep-run');
      // The program answers while the sweep works.
      await session.settle(texts.aboutCaption);
      assert.equal(await session.state(), 'idle');
      await waitForSweep(session);

      const summary = await page.$eval('#sweep-summary', (pre) => pre.textContent);
      assert.equal(summary.trimEnd(), want.text.trimEnd());
      assert.equal(await page.$eval('#sweep-note', (p) => p.textContent), '');
      const map = await session.canvasPixels('#sweep-map');
      assert.deepEqual([map.width, map.height], [want.map.width, want.map.height]);
      assert.equal(comparePixels(want.map, map.rgba, map.width, map.width, map.height), null);
      // Shown no wider than the panel that holds it.
      const fits = await page.$eval('#sweep-map', (m) => m.getBoundingClientRect().width <= m.parentElement.clientWidth);
      assert.equal(fits, true);
      // 保存... hands out the tool's BMP file, byte for byte.
      const saved = await session.savedFile('#sweep-save');
      assert.equal(saved?.name, 'sweep-map.bmp');
      assert.ok(saved.bytes.equals(want.mapFile), 'the saved map differs from `sweep --map`');
    });
  }

  it('drops a worker that cannot hold the course, says so, and ends the sweep on the others', async () => {
    const { session, dir } = get();
    const { page } = session;
    const want = sweep(coursePath('4-gap-corner.bmp'), dir);
    await session.setField('#workers', '3');
    // The second worker is handed a course too large for it: a picture whose
    // header claims 20000 x 20000 pixels.
    await failWorkers(session, 'sweep-begin', [2]);
    await page.click('#sweep-run');
    await waitForSweep(session);
    await expectToolsSweepWithoutOne(session, want);

    // No worker can: the sweep says why and leaves no map; the page goes on,
    // and the next sweep, with fresh workers, succeeds.
    await failWorkers(session, 'sweep-begin', [1, 2, 3]);
    await page.click('#sweep-run');
    await session.waitFor(() => !document.querySelector('#sweep-run').disabled && document.querySelector('#sweep-summary').textContent !== '');
    assert.notEqual((await page.$eval('#sweep-summary', (pre) => pre.textContent)).trimEnd(), want.text.trimEnd());
    assert.match(await page.$eval('#sweep-note', (p) => p.textContent), / 3 /);
    assert.deepEqual((await sweepShown(session)).map, [1, 1]);
    assert.equal(await page.$eval('#sweep-save', (b) => b.disabled), true);
    await failWorkers(session, 'sweep-begin', []);
    await page.click('#sweep-run');
    await waitForSweep(session);
    assert.equal((await page.$eval('#sweep-summary', (pre) => pre.textContent)).trimEnd(), want.text.trimEnd());
    assert.equal(await page.$eval('#sweep-note', (p) => p.textContent), '');
  });

  it('drops a worker whose range fails while it holds the next, and the other runs both', async () => {
    const { session, dir } = get();
    const { page } = session;
    const want = sweep(coursePath('4-gap-corner.bmp'), dir);
    await session.setField('#workers', '2');
    // The first range goes to the first worker with the second behind it.
    await failRun(session, 'sweep-run', 1);
    await page.click('#sweep-run');
    await waitForSweep(session);
    await expectToolsSweepWithoutOne(session, want);
    await failRun(session, 'sweep-run', 0);
  });

  it('after 適用して再起動 sweeps the course opened again; after a restart without a course the map and the progress go', async () => {
    const { session, dir } = get();
    await session.page.click('#settings-reset');
    const mark = await session.mark();
    await session.page.click('#settings-apply');
    await session.waitForPassage(mark, 'starting', 'idle');
    // The window opens the course again among its first commands.
    await session.settle(texts.aboutCaption);
    assert.equal((await runSweep(session)).trimEnd(), sweep(coursePath('4-gap-corner.bmp'), dir).text.trimEnd());

    await session.restart();
    assert.equal(await runSweep(session), texts.noCourse);
    assert.deepEqual(await sweepShown(session), { map: [1, 1], progress: [0, 1] });
    // Nothing to save once the map has gone.
    assert.equal(await session.page.$eval('#sweep-save', (b) => b.disabled), true);
    assert.equal(await session.savedFile('#sweep-save'), null);
  });
});
