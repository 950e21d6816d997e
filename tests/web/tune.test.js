// The search for a rule table in the page: the tool's `tune --evaluations N
// --seed S` on the same courses and settings, whatever the number of
// workers; cancel keeps the best so far; a worker that cannot hold the
// courses is dropped and the others end the search.
import assert from 'node:assert/strict';
import { it } from 'node:test';
import { coreTexts } from './support/core_texts.js';
import { tune, withoutComments } from './support/native_tool.js';
import { coursePath } from './support/paths.js';
import { describePage } from './support/suite.js';
import { askKeptWorker, failRun, failWorkers, holdFirstAnswers, keepWorker } from './support/workers.js';

const texts = coreTexts();
// Two courses, so that a task's course is not always its controller's.
const samples = ['3-eight.bmp', '4-gap-corner.bmp'];
const paths = samples.map(coursePath);

// Ticks the samples, sets the budget and seed and starts the search.
async function startTune(session, evaluations, seed) {
  const { page } = session;
  await page.$$eval('#tune-courses input[data-sample]', (boxes, names) => {
    for (const box of boxes) box.checked = names.includes(box.dataset.sample);
  }, samples);
  await session.setField('#tune-evaluations', String(evaluations));
  await session.setField('#tune-seed', String(seed));
  await page.click('#tune-run');
}

// Waits until the search has ended; its summary's first line.
async function tuneEnded(session) {
  await session.waitFor(
    () => !document.querySelector('#tune-run').disabled && document.querySelector('#tune-summary').textContent !== '',
  );
  return (await session.page.$eval('#tune-summary', (pre) => pre.textContent)).split('\n')[0];
}

// What "use these settings" puts into the editor, without its comments;
// the program is not started again with it.
async function usedRules(session) {
  const { page } = session;
  await page.click('#tune-use');
  assert.equal(await session.state(), 'idle');
  return withoutComments(await page.$eval('#settings', (t) => t.value));
}

describePage('the search for a rule table', (get) => {
  // Held: the first answer of each generation comes last. Otherwise the
  // answers come as they are ready, and over more generations some guesses
  // change before their generation ends.
  for (const [workers, evaluations, held] of [
    ['1', 20, false],
    ['2', 20, true],
    ['2', 120, false],
  ]) {
    it(`finds the tool’s rules and result on ${workers} worker(s), ${evaluations} evaluations`, async () => {
      const { session, dir } = get();
      const want = tune(paths, evaluations, 5, dir);
      await session.setField('#workers', workers);
      if (held) await holdFirstAnswers(session, 'tune-run');
      await startTune(session, evaluations, 5);
      assert.equal(await tuneEnded(session), want.line);
      const progress = await session.page.$eval('#tune-progress', (p) => [p.value, p.max]);
      assert.deepEqual(progress, [evaluations, evaluations]);
      assert.equal(await session.page.$eval('#tune-note', (p) => p.textContent), '');
      assert.equal(await usedRules(session), want.rules);
      // Each change listed is a rule of the tuned text.
      const changes = await session.page.$$eval('#tune-changes li', (lis) => lis.map((li) => li.textContent));
      assert.ok(changes.length > 0);
      for (const change of changes) {
        const [, key, after] = /^(\d+-\d+): .* → (.*)$/.exec(change);
        assert.ok(want.rules.includes(`\n${key}=${after}\n`), change);
      }
    });
  }

  it('cancel ends the search after its generation, keeping the best, and the page goes on', async () => {
    const { session, dir } = get();
    const { page } = session;
    await session.setField('#workers', '2');
    await startTune(session, 1000000, 9);
    await session.waitFor(() => document.querySelector('#tune-progress').value >= 16);
    await page.click('#tune-cancel');
    const line = await tuneEnded(session);
    const tried = Number(/^evaluations=(\d+) .* interrupted=yes$/.exec(line)?.[1]);
    assert.ok(tried >= 16 && tried % 8 === 0, line);
    const want = tune(paths, tried, 9, dir);
    assert.equal(line, `${want.line} interrupted=yes`);
    assert.equal(await usedRules(session), want.rules);
    // The program answers, and the next search runs to its end.
    await session.settle(texts.aboutCaption);
    await startTune(session, 8, 9);
    assert.equal(await tuneEnded(session), tune(paths, 8, 9, dir).line);
  });

  it('drops a worker that cannot hold the courses, says so, and ends the search on the others', async () => {
    const { session, dir } = get();
    const want = tune(paths, 20, 3, dir);
    await session.setField('#workers', '3');
    await failWorkers(session, 'tune-begin', [2]);
    await startTune(session, 20, 3);
    assert.equal(await tuneEnded(session), want.line);
    assert.match(await session.page.$eval('#tune-note', (p) => p.textContent), / 1 /);
    assert.equal(await usedRules(session), want.rules);
    await failWorkers(session, 'tune-begin', []);
  });

  it('a worker skips a guessed range dropped before it begins, and no other', async () => {
    const { session, dir } = get();
    await session.setField('#workers', '1');
    await keepWorker(session, 'tune-run');
    await startTune(session, 8, 2);
    assert.equal(await tuneEnded(session), tune(paths, 8, 2, dir).line);
    // The worker still holds the last generation's rule tables. While it
    // runs all of them, a guessed range comes and then its drop: it is
    // skipped. A range that counts begins at once, before its drop comes;
    // a guessed range not dropped runs too, and both score alike.
    const range = { kind: 'tune-run', first: 0, count: 1 };
    const answers = await askKeptWorker(session, [
      { ...range, count: 16, batch: -1, speculative: false },
      { ...range, batch: -2, speculative: true },
      { kind: 'drop', batch: -2 },
      { ...range, batch: -3, speculative: false },
      { kind: 'drop', batch: -3 },
      { ...range, batch: -4, speculative: true },
    ], 4);
    const kinds = answers.map((a) => [a.batch, a.dropped, a.bytes !== null]);
    assert.deepEqual(kinds, [[-1, false, true], [-2, true, false], [-3, false, true], [-4, false, true]]);
    assert.deepEqual(answers[2].bytes, answers[3].bytes);
    // (failRun with 0 puts back the plain postMessage.)
    await failRun(session, 'tune-run', 0);
    // The page takes the worker back for its next search.
    await startTune(session, 8, 2);
    assert.equal(await tuneEnded(session), tune(paths, 8, 2, dir).line);
  });

  it('drops a worker whose task fails while it holds the next, and the other ends the search', async () => {
    const { session, dir } = get();
    const want = tune(paths, 20, 4, dir);
    await session.setField('#workers', '2');
    // The start's two tasks go out one a worker; the third task asked for is
    // the first of the next generation, with the second behind it.
    await failRun(session, 'tune-run', 3);
    await startTune(session, 20, 4);
    assert.equal(await tuneEnded(session), want.line);
    assert.match(await session.page.$eval('#tune-note', (p) => p.textContent), / 1 /);
    assert.equal(await usedRules(session), want.rules);
    await failRun(session, 'tune-run', 0);
  });
});
