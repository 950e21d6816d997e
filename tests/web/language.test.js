// The page's own words in Japanese and English: every key in both
// catalogues; the page follows the browser's language until the switch
// chooses one, which the next visit keeps; the program's texts never change.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { it } from 'node:test';
import { coreTexts } from './support/core_texts.js';
import { lintFindings } from './support/native_tool.js';
import { repoRoot } from './support/paths.js';
import { describePage } from './support/suite.js';

const catalogue = (language) =>
  JSON.parse(readFileSync(join(repoRoot, `src/web/page/words.${language}.json`), 'utf8'));
const ja = catalogue('ja');
const en = catalogue('en');

it('every key of the page’s words has both languages, with the same placeholders', () => {
  assert.deepEqual(Object.keys(en).sort(), Object.keys(ja).sort());
  const placeholders = (text) => (text.match(/\{\w+\}/g) ?? []).sort();
  for (const key of Object.keys(ja)) {
    assert.ok(ja[key] && en[key], key);
    assert.deepEqual(placeholders(en[key]), placeholders(ja[key]), key);
  }
});

// What shows the language: a heading, a button, a label that only the
// page's script writes, and the program's own menu captions.
async function shown(session) {
  return session.page.evaluate(() => ({
    lang: document.documentElement.lang,
    heading: document.querySelector('#run-title').textContent,
    apply: document.querySelector('#settings-apply').textContent,
    menuLabel: document.querySelector('#menubar').getAttribute('aria-label'),
    menus: [...document.querySelectorAll('#menubar button[role=menuitem]')].map((b) => b.textContent),
  }));
}

const menuCaptions = coreTexts().menus.flatMap((menu) => [
  menu.caption,
  ...menu.entries.filter((e) => e.kind === 'item').map((e) => e.caption),
]);

describePage(
  'the page’s language',
  (get) => {
    it('follows the browser’s, and the switch is remembered; the program’s words stay', async () => {
      const { session, dir } = get();
      const { page } = session;
      // The browser's languages, given before the page's script runs.
      let speaking = null;
      const speak = async (languages) => {
        if (speaking) await page.removeScriptToEvaluateOnNewDocument(speaking.identifier);
        speaking = await page.evaluateOnNewDocument((l) => {
          Object.defineProperty(navigator, 'languages', { get: () => l, configurable: true });
        }, languages);
        await page.reload();
        await session.waitForState('idle');
      };
      // The first of the browser's languages that the page has.
      await speak(['de-DE', 'ja-JP', 'en']);
      assert.equal((await shown(session)).heading, ja.runHeading);
      await speak(['de-DE', 'en-GB']);
      assert.deepEqual(await shown(session), {
        lang: 'en',
        heading: en.runHeading,
        apply: en.settingsApply,
        menuLabel: en.menuBar,
        menus: menuCaptions,
      });
      await page.select('#language', 'ja');
      const japanese = {
        lang: 'ja',
        heading: ja.runHeading,
        apply: ja.settingsApply,
        menuLabel: ja.menuBar,
        menus: menuCaptions,
      };
      assert.deepEqual(await shown(session), japanese);
      await page.reload();
      await session.waitForState('idle');
      assert.deepEqual(await shown(session), japanese);
      // A word the page's script writes follows too.
      await session.setField('#rule-state', '3');
      await session.setField('#rule-mask', '5');
      await page.click('#rule-show');
      await session.waitFor(() => document.querySelector('#rule-key') !== null);
      assert.equal(await page.$eval('#rule-key', (h) => h.textContent), ja.ruleTitle.replace('{key}', '3-5'));
      await page.select('#language', 'en');
      assert.equal(await page.$eval('#rule-key', (h) => h.textContent), en.ruleTitle.replace('{key}', '3-5'));
      // What is typed into the rule's form stays when the language changes,
      // and a refused write is said again in the new words.
      const typed = () => page.$$eval('#rule-edit input', (fields) => fields.map((f) => f.value));
      const [, , next] = await typed();
      await session.setField('#rule-turn', 'left');
      await page.click('#rule-write');
      await session.waitFor(() => document.querySelector('#rule-error').textContent !== '');
      assert.equal(await page.$eval('#rule-error', (p) => p.textContent), en.ruleBadTurn);
      await session.setField('#rule-advance', '2.5');
      await page.select('#language', 'ja');
      assert.deepEqual(await typed(), ['left', '2.5', next]);
      assert.equal(await page.$eval('#rule-error', (p) => p.textContent), ja.ruleBadTurn);
      await page.select('#language', 'en');

      // The lint's findings are worded by the page from their codes: in
      // English as the tool words them, in Japanese from the catalogue.
      const text = 'stray=1\n[car]\n';
      await session.setField('#settings', text);
      await session.waitForLint();
      const lint = () => page.$$eval('#lint li', (lis) => lis.map((li) => li.textContent));
      assert.deepEqual(await lint(), lintFindings(text, dir));
      await page.select('#language', 'ja');
      assert.deepEqual(await lint(), [`ormakin.ini:1: ${ja.lintBeforeAnySection.replace('{key}', 'stray')}`]);
    });
  },
  'ormakin.html',
  { lang: null },
);
