// A rule of the table in detail: the line shown is the one the program
// reads and the lint names, an edit changes that line only, and applying
// reopens the course the window showed.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { it } from 'node:test';
import { coreTexts } from './support/core_texts.js';
import { lintFindings, runSummary } from './support/native_tool.js';
import { coursePath, settingsPath } from './support/paths.js';
import { describePage } from './support/suite.js';

const texts = coreTexts();
const bundled = readFileSync(settingsPath, 'utf8');

// Once the lint and the detail have followed the text.
async function settled(session) {
  await session.waitFor(
    () =>
      document.querySelector('#lint').getAttribute('aria-busy') === 'false' &&
      document.querySelector('#rule-detail').getAttribute('aria-busy') === 'false',
  );
}

// The settled detail of a rule: the number and text of its line and the
// findings on it.
async function detail(session) {
  await settled(session);
  return session.page.$eval('#rule-detail', (d) => ({
    key: d.querySelector('#rule-key')?.textContent,
    line: Number(d.querySelector('#rule-line').dataset.line),
    text: d.querySelector('#rule-line-text')?.textContent ?? null,
    findings: [...d.querySelectorAll('#rule-findings li')].map((li) => li.textContent),
  }));
}

async function showRule(session, text, state, mask) {
  if ((await session.page.$eval('#settings', (t) => t.value)) !== text) {
    await session.setField('#settings', text);
    // The lint's answer to the new text changes the page's layout: a click
    // while it is on its way can land beside the button.
    await settled(session);
  }
  await session.setField('#rule-state', String(state));
  await session.setField('#rule-mask', String(mask));
  await session.page.click('#rule-show');
  await session.waitFor((k) => document.querySelector('#rule-key')?.textContent.endsWith(` ${k}`), `${state}-${mask}`);
  return detail(session);
}

// Writes `parts` (turn, advance, next state) into the shown rule, or clears
// it for null; returns the editor's text once the lint has followed it.
async function editRule(session, parts) {
  const { page } = session;
  const before = await page.$eval('#settings', (t) => t.value);
  if (parts) {
    for (const [id, value] of [['#rule-turn', parts[0]], ['#rule-advance', parts[1]], ['#rule-next', parts[2]]]) {
      await session.setField(id, value);
    }
    await page.click('#rule-write');
  } else {
    await page.click('#rule-clear');
  }
  await session.waitFor((b) => document.querySelector('#settings').value !== b, before);
  await detail(session);
  return page.$eval('#settings', (t) => t.value);
}

describePage('a rule in detail, and its edit', (get) => {
  it('an edit changes exactly the rule’s line, or adds one where the program reads it', async () => {
    const { session } = get();
    const edited = await (async () => {
      await showRule(session, bundled, 2, 0);
      return editRule(session, ['-12.5', '2', '3']);
    })();
    const [was, now] = [bundled.split('\n'), edited.split('\n')];
    assert.equal(now.length, was.length);
    const changed = now.map((line, i) => i).filter((i) => now[i] !== was[i]);
    assert.deepEqual(changed.map((i) => now[i]), ['2-0=-12.5,2,3']);

    const cases = [
      ['the first of two keys', '[state]\n1-0=0,1,1\n1-0=5,5,5\n', 1, 0, '[state]\n1-0=7,1,2\n1-0=5,5,5\n'],
      ['the first of two sections', '[state]\n1-0=0,1,1\n[car]\n[state]\n2-0=1,1,1\n', 2, 0,
        '[state]\n1-0=0,1,1\n2-0=7,1,2\n[car]\n[state]\n2-0=1,1,1\n'],
      ['case, no final newline', '[STATE]\n1-0=0,1,1', 1, 1, '[STATE]\n1-0=0,1,1\n1-1=7,1,2'],
      ['no section', '[car]\ninit_x=5\n', 1, 0, '[car]\ninit_x=5\n[state]\n1-0=7,1,2\n'],
      ['blank value', '[state]\n1-0=\n', 1, 0, '[state]\n1-0=7,1,2\n'],
      ['cleared', '[state]\n1-0=0,1,1\n1-0=5,5,5\n', 1, 0, '[state]\n1-0=\n1-0=5,5,5\n'],
    ];
    for (const [name, text, state, mask, want] of cases) {
      await showRule(session, text, state, mask);
      assert.equal(await editRule(session, name === 'cleared' ? null : ['7', '1', '2']), want, name);
    }
  });

  it('shows the line the lint names, with the lint’s findings on it', async () => {
    const { session, dir } = get();
    // A malformed rule, and the first rule repeated at the end.
    const text = `${bundled.replace(/^2-0=.*$/m, '2-0=abc')}1-0=9,9,9\n`;
    const findings = lintFindings(text, dir);
    const at = (pattern) => findings.find((f) => pattern.test(f));
    const repeated = /repeats the one on line (\d+)/.exec(at(/'1-0' repeats/))[1];
    const malformed = at(/2-0=abc/);

    const first = await showRule(session, text, 1, 0);
    assert.equal(first.line, Number(repeated));
    assert.equal(first.text, '1-0=0,2,6');
    const second = await showRule(session, text, 2, 0);
    assert.equal(`ormakin.ini:${second.line}:`, malformed.split(' ')[0]);
    assert.deepEqual(second.findings, [malformed]);
    const unset = await showRule(session, text, 20, 7);
    assert.deepEqual([unset.line, unset.text], [0, null]);

    // Escape in the edit form puts the rule's parts back and leaves the
    // text as it was.
    await showRule(session, text, 1, 0);
    await session.page.focus('#rule-turn');
    await session.page.keyboard.type('99');
    await session.page.keyboard.press('Escape');
    const fields = await session.page.$$eval('#rule-edit input', (inputs) => inputs.map((i) => i.value));
    assert.deepEqual(fields, ['0', '2', '6']);
    assert.equal(await session.page.evaluate(() => document.activeElement.id), 'rule-show');
    assert.equal(await session.page.$eval('#settings', (t) => t.value), text);
  });

  it('applying reopens the course the window showed, unless no car is built', async () => {
    const { session, dir } = get();
    const { page } = session;
    const sample = '4-gap-corner.bmp';
    await session.setField('#settings', bundled);
    await session.clickSample(sample);
    await session.settle(texts.aboutCaption);
    // The first rule sends the car to state 0: it stops.
    await showRule(session, bundled, 1, 0);
    const stopping = await editRule(session, ['0', '1', '0']);
    const file = join(dir, 'stopping.ini');
    writeFileSync(file, stopping);
    let mark = await session.mark();
    await page.click('#settings-apply');
    await session.waitForPassage(mark, 'starting', 'idle');
    await session.settle(texts.aboutCaption);
    const stopped = await session.runToTick(3000);
    assert.equal(stopped, runSummary(coursePath(sample), 3000, file).split('\n').at(-1));

    // A rule the core cannot read is refused, and the text stays.
    await showRule(session, stopping, 1, 0);
    await session.setField('#rule-turn', '1e999');
    await page.click('#rule-write');
    await session.waitFor(() => document.querySelector('#rule-error').textContent !== '');
    assert.equal(await page.$eval('#settings', (t) => t.value), stopping);
    // A sensor beyond a double ends building the car: the window shows its
    // error and no course.
    await session.setField('#settings', stopping.replace(/^sensor_pos=.*$/m, 'sensor_pos=1e999'));
    mark = await session.mark();
    await page.click('#settings-apply');
    await session.waitForBox();
    await session.answerBox('ok');
    await session.waitForPassage(mark, 'starting', 'idle');
    await session.settle(texts.aboutCaption);
    const { rgba } = await session.canvasPixels('#view');
    assert.equal(rgba.some((value, i) => i % 4 === 3 && value !== 0), false);
  });
});
