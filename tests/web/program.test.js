// The program's life in the page: settings applied restart it (with the
// boxes of malformed rules at start-up, as on the desktop), 終了 ends it and a
// new start is a fresh program that works.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { it } from 'node:test';
import { coreTexts } from './support/core_source.js';
import { lintFindings, runSummary } from './support/native_tool.js';
import { coursePath, settingsPath } from './support/paths.js';
import { describePage } from './support/suite.js';

const texts = coreTexts();
const bundled = readFileSync(settingsPath, 'utf8');

describePage('the program', (get) => {
  it('starts from the bundled settings, with the tool’s lint beside them', async () => {
    const { session, dir } = get();
    const { page } = session;
    assert.equal(await page.$eval('#settings', (t) => t.value), bundled);
    const lint = await page.$$eval('#lint li', (lis) => lis.map((li) => li.textContent));
    assert.deepEqual(lint, lintFindings(bundled, dir));
  });

  it('shows a malformed rule’s box when edited settings restart it', async () => {
    const { session, dir } = get();
    const { page } = session;
    // The first rule read (state 1, mask 0) cut into fewer than three parts.
    const rule = /^1-0=.*$/m;
    assert.match(bundled, rule);
    const edited = bundled.replace(rule, '1-0=abc');
    await session.setField('#settings', edited);
    // The lint follows the text as it changes, in the tool's words.
    const findings = lintFindings(edited, dir);
    assert.ok(findings.some((f) => f.includes('1-0=abc')), findings.join('\n'));
    await session.waitFor(
      (want) => JSON.stringify([...document.querySelectorAll('#lint li')].map((li) => li.textContent)) === want,
      JSON.stringify(findings),
    );

    const mark = await session.mark();
    await page.click('#settings-apply');
    const box = await session.waitForBox();
    assert.deepEqual(box, {
      caption: texts.applicationTitle,
      text: `${texts.malformedRule}\n1-0=abc`,
      answers: ['ok'],
      modal: true,
    });
    await session.answerBox('ok');
    await session.waitForPassage(mark, 'starting', 'idle');
    assert.equal(await session.status(), '', 'a fresh program has no course');

    // Back to the bundled settings: a fresh start without a box that runs as
    // the tool does.
    const boxes = (await session.boxesSeen()).length;
    await page.click('#settings-reset');
    assert.equal(await page.$eval('#settings', (t) => t.value), bundled);
    const again = await session.mark();
    await page.click('#settings-apply');
    await session.waitForPassage(again, 'starting', 'idle');
    await session.clickSample('4-gap-corner.bmp');
    await session.settle(texts.aboutCaption);
    assert.equal((await session.boxesSeen()).length, boxes + 1, 'no box but About');
    const course = coursePath('4-gap-corner.bmp');
    assert.equal(await session.runToTick(200), runSummary(course, 200));
  });

  it('ends with 終了, during a run too, and starts afresh', async () => {
    const { session } = get();
    const { page } = session;
    const course = coursePath('1-oval.bmp');
    for (const duringRun of [false, true]) {
      if (duringRun) {
        await session.setSpeed('1');
        await session.setField('#stop-tick', '');
        await session.clickSample('1-oval.bmp');
        await session.startRun();
      }
      assert.equal(await session.isShown('#ended'), false);
      await session.clickMenu('File1', 'Exit1');
      await session.waitForState('ended');
      assert.equal(await session.isShown('#ended'), true);

      const mark = await session.mark();
      await page.click('#restart');
      await session.waitForPassage(mark, 'starting', 'idle');
      assert.equal(await session.isShown('#ended'), false);
      assert.equal(await session.status(), '', 'nothing of the last program lingers');
      await session.clickSample('1-oval.bmp');
      await session.settle(texts.aboutCaption);
      assert.equal(await session.runToTick(100), runSummary(course, 100), duringRun ? 'after a run' : 'idle');
    }
  });
});
