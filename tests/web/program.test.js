// The program's life in the page: settings applied restart it (with the
// boxes of malformed rules at start-up, as on the desktop), 終了 ends it and a
// new start is a fresh program that works.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { it } from 'node:test';
import { coreTexts } from './support/core_texts.js';
import { lintFindings, runSummary, simFailure } from './support/native_tool.js';
import { coursePath, settingsPath } from './support/paths.js';
import { describePage } from './support/suite.js';

const texts = coreTexts();
const bundled = readFileSync(settingsPath, 'utf8');

describePage('the program', (get) => {
  it('starts from the bundled settings, with the tool’s lint beside them', async () => {
    const { session, dir } = get();
    const { page } = session;
    assert.equal(await page.$eval('#settings', (t) => t.value), bundled);
    await session.waitForLint();
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
    await session.waitForLint();
    assert.deepEqual(await page.$$eval('#lint li', (lis) => lis.map((li) => li.textContent)), findings);

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

  it('shows each box of several malformed rules until it is answered, then the one that ends the car', async () => {
    const { session, dir } = get();
    const { page } = session;
    // Three rules without two commas, then one whose part is no number.
    const malformed = ['1-0=abc', '1-1=5,1', '1-2=x'];
    let edited = bundled;
    for (const rule of [...malformed, '1-3=5,x,2']) {
      const key = rule.slice(0, rule.indexOf('='));
      edited = edited.replace(new RegExp(`^${key}=.*$`, 'm'), rule);
    }
    const file = join(dir, 'several boxes.ini');
    writeFileSync(file, edited);
    const fatal = simFailure(coursePath('1-oval.bmp'), file).split('\n').at(-1);
    assert.match(fatal, /'x'/);
    const wanted = [
      ...malformed.map((rule) => ({ caption: texts.applicationTitle, text: `${texts.malformedRule}\n${rule}` })),
      { caption: texts.applicationTitle, text: fatal },
    ];

    await session.setField('#settings', edited);
    const before = (await session.boxesSeen()).length;
    const mark = await session.mark();
    await page.click('#settings-apply');
    for (const [i, want] of wanted.entries()) {
      // The box stays until answered: no later box has opened meanwhile.
      const count = await session.waitForBoxCountOrRest(before + i + 1);
      assert.equal(count, before + i + 1, `box ${i + 1} was answered without its OK`);
      const box = await session.waitForBox();
      assert.deepEqual([box.caption, box.text], [want.caption, want.text], `box ${i + 1}`);
      // The next box may open at once: the wait is for it, not for a closed box.
      await page.click('#box button[data-answer="ok"]');
    }
    await session.waitForPassage(mark, 'starting', 'idle');
    assert.deepEqual((await session.boxesSeen()).slice(before), wanted);

    // Back to the bundled settings for what follows.
    await page.click('#settings-reset');
    const again = await session.mark();
    await page.click('#settings-apply');
    await session.waitForPassage(again, 'starting', 'idle');
  });

  it('is heard running even when a run begins and ends within one frame, and stops at each stop tick', async () => {
    const { session, dir } = get();
    const { page } = session;
    // Rules that drive the car straight on from state to state up to one
    // without a row, where it stops by itself: a stop tick that is not heard
    // then shows as a longer run rather than a run that never ends.
    const states = 8;
    let rules = '[state]\n';
    for (let s = 1; s <= states; ++s) {
      for (let m = 0; m < 8; ++m) rules += `${s}-${m}=0,1,${s + 1}\n`;
    }
    const text = bundled.slice(0, bundled.indexOf('[state]')) + rules;
    const file = join(dir, 'stops by itself.ini');
    writeFileSync(file, text);
    const course = coursePath('1-oval.bmp');
    assert.match(runSummary(course, 1000, file), new RegExp(`^ticks=${states + 1} stopped=yes `, 'm'));

    await session.setField('#settings', text);
    const mark = await session.mark();
    await page.click('#settings-apply');
    await session.waitForPassage(mark, 'starting', 'idle');
    await session.clickSample('1-oval.bmp');
    await session.settle(texts.aboutCaption);
    // Each run goes on from where the last one stopped: a tick or a few.
    for (const tick of [1, 2, 5]) {
      const before = await session.mark();
      assert.equal(await session.runToTick(tick), runSummary(course, tick, file), `to tick ${tick}`);
      const passed = await page.evaluate((m) => window.__ormakinTestLog.states.slice(m), before);
      assert.ok(passed.includes('running'), `the run to tick ${tick} was never heard running: ${passed}`);
    }

    await page.click('#settings-reset');
    const again = await session.mark();
    await page.click('#settings-apply');
    await session.waitForPassage(again, 'starting', 'idle');
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
