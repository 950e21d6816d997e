// The functions that src/web/never_wait.txt leaves uninstrumented, each
// passed through on the page built with emscripten's assertions. Were one of
// them on the stack when the program waits for the page, the wait would
// unwind through a function that cannot be resumed, and the page would stop
// with an error in the console (which the group's last test checks) or show
// a result other than the tool's. The groups and the tests that reach them:
// - a frame being painted (the car's Draw, Redraw, ComposeFrame, DrawCar,
//   the bitmap, canvas and pixel store, WebPlatform's Present, Paint and
//   ReportState), the car's tick (CarRun, Step, Sense, SinCosOf, the sine
//   and cosine, IsOnLine, the tally and its hash) and the status
//   (RunSummaryLine and its number texts): the paced run, which waits
//   between its ticks;
// - the panel's stop tick (StopAtTick) and the car's own stop (StopReason):
//   the runs at full speed;
// - the settings read (ProfileScanner, ReadProfileString, ReadOnlyFile,
//   EqualsIgnoringAsciiCase), with the malformed rules' boxes waiting
//   between its keys; the lint of the same text (studies_lint, LintSettings,
//   the linter, its findings and their codes); a rule's line and its edit
//   (studies_rule_line, studies_rule_edit, FindRuleLine, RewriteRule);
// - the sweep (studies_sweep_*, Controller::Read, MakeCar, Sweep, ScoreRun,
//   the run's score, LineCourse, the path picture, the sweep map and its
//   lettering);
// - the search for a rule table (studies_tune_*, RuleSearch, its tasks and
//   random numbers, the rule tables' bytes, its report and tuned text).
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { it } from 'node:test';
import { coreTexts } from './support/core_texts.js';
import { lintFindings, runSummary, sweep, tune } from './support/native_tool.js';
import { coursePath, settingsPath } from './support/paths.js';
import { describePage } from './support/suite.js';

const texts = coreTexts();
const bundled = readFileSync(settingsPath, 'utf8');
const firstRule = /^1-0=.*$/m;

// Puts `text` into the settings editor and applies it; the program starts
// afresh with it, answering each box it shows with OK. Returns the boxes.
async function applySettings(session, text) {
  const { page } = session;
  await session.setField('#settings', text);
  const before = (await session.boxesSeen()).length;
  const mark = await session.mark();
  await page.click('#settings-apply');
  for (let n = before + 1; (await session.waitForBoxCountOrRest(n)) === n; n++) {
    await session.waitForBox();
    await page.click('#box button[data-answer="ok"]');
  }
  await session.waitForPassage(mark, 'starting', 'idle');
  return (await session.boxesSeen()).slice(before);
}

describePage(
  'the functions that never wait, passed through (assertions on)',
  (get) => {
    it('paints each frame of a paced run and its status, as the tool runs', async () => {
      const { session } = get();
      await session.clickSample('1-oval.bmp');
      await session.settle(texts.aboutCaption);
      await session.setSpeed('1');
      await session.setField('#stop-tick', '');
      await session.startRun();
      await session.waitFor(() => /^ticks=([3-9]|\d\d+) /.test(document.querySelector('#status').value));
      const mark = await session.mark();
      await session.clickMenu('N2', 'N4');
      await session.waitForPassage(mark, 'running', 'idle');
      const ticks = await session.ticks();
      assert.equal(await session.status(), runSummary(coursePath('1-oval.bmp'), ticks));
    });

    it('runs at full speed to the stop tick, and to the car’s own stop', async () => {
      const { session, dir } = get();
      const course = coursePath('4-gap-corner.bmp');
      // A fresh car: one that has run keeps its state through an open.
      await session.restart();
      await session.clickSample('4-gap-corner.bmp');
      await session.settle(texts.aboutCaption);
      assert.equal(await session.runToTick(400), runSummary(course, 400));

      // A first rule that sends the car to state 0 off the line: it stops.
      const stopping = bundled.replace(firstRule, '1-0=0,1,0');
      const file = join(dir, 'stopping.ini');
      writeFileSync(file, stopping);
      assert.deepEqual(await applySettings(session, stopping), []);
      await session.clickSample('4-gap-corner.bmp');
      await session.settle(texts.aboutCaption);
      const stopped = await session.runToTick(3000);
      assert.match(stopped, / stopped=yes /);
      // The tool prints the stop's reason on a line of its own before the summary.
      assert.equal(stopped, runSummary(course, 3000, file).split('\n').at(-1));
    });

    it('lints a settings text, and reads it with a box for each malformed rule', async () => {
      const { session, dir } = get();
      const { page } = session;
      const malformed = ['1-0=abc', '2-0=xyz'];
      // Two malformed rules, and a key before any section, which the lint
      // names in quotes.
      const edited = `stray=1\n${bundled.replace(firstRule, malformed[0]).replace(/^2-0=.*$/m, malformed[1])}`;
      await session.setField('#settings', edited);
      const findings = lintFindings(edited, dir);
      assert.ok(findings.some((f) => f.includes("'stray'")), findings.join('\n'));
      await session.waitForLint();
      assert.deepEqual(await page.$$eval('#lint li', (lis) => lis.map((li) => li.textContent)), findings);

      const boxes = await applySettings(session, edited);
      assert.deepEqual(
        boxes,
        malformed.map((rule) => ({ caption: texts.applicationTitle, text: `${texts.malformedRule}\n${rule}` })),
      );

      // A rule's line found and rewritten (studies_rule_line, FindRuleLine,
      // studies_rule_edit, RewriteRule).
      await session.setField('#rule-state', '2');
      await session.setField('#rule-mask', '0');
      await page.click('#rule-show');
      await session.waitFor(() => document.querySelector('#rule-line-text')?.textContent === '2-0=xyz');
      await session.setField('#rule-turn', '1');
      await session.setField('#rule-advance', '2');
      await session.setField('#rule-next', '3');
      await page.click('#rule-write');
      await session.waitFor(() => /^2-0=1,2,3$/m.test(document.querySelector('#settings').value));
    });

    it('sweeps the window’s course as the tool sweeps it', async () => {
      const { session, dir } = get();
      const { page } = session;
      assert.deepEqual(await applySettings(session, bundled), []);
      const sample = '4-gap-corner.bmp';
      const want = sweep(coursePath(sample), dir);
      await session.clickSample(sample);
      await session.settle(texts.aboutCaption);
      await page.click('#sweep-run');
      await session.waitFor(() => {
        const progress = document.querySelector('#sweep-progress');
        return progress.max > 1 && progress.value === progress.max &&
          document.querySelector('#sweep-summary').textContent.length > 0;
      });
      const summary = await page.$eval('#sweep-summary', (pre) => pre.textContent);
      assert.equal(summary.trimEnd(), want.text.trimEnd());
    });

    it('tunes as the tool tunes', async () => {
      const { session, dir } = get();
      const { page } = session;
      const want = tune([coursePath('4-gap-corner.bmp')], 10, 2, dir);
      await page.$eval('#tune-courses input[data-sample="4-gap-corner.bmp"]', (box) => (box.checked = true));
      await session.setField('#tune-evaluations', '10');
      await session.setField('#tune-seed', '2');
      await page.click('#tune-run');
      await session.waitFor(
        () => !document.querySelector('#tune-run').disabled && document.querySelector('#tune-summary').textContent !== '',
      );
      const summary = await page.$eval('#tune-summary', (pre) => pre.textContent);
      assert.equal(summary.split('\n')[0], want.line);
    });
  },
  'ormakin-assertions.html',
);
