// The settings text at sizes a user may load: linted in the background
// while the page stays responsive, kept between visits under the page's own
// key, and a text the browser cannot keep is said to be so. Chromium only:
// its `longtask` entries time the page's main thread.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { it } from 'node:test';
import { lintFindings } from './support/native_tool.js';
import { repoRoot, settingsPath } from './support/paths.js';
import { describePage } from './support/suite.js';

const bundled = readFileSync(settingsPath, 'utf8');
const words = JSON.parse(readFileSync(join(repoRoot, 'src/web/page/words.en.json'), 'utf8'));

// The bundled text with a malformed rule (a finding) and comment lines before
// the rules up to about `bytes`, so that every rule read passes them.
function largeText(bytes) {
  const text = bundled.replace(/^1-0=.*$/m, '1-0=abc');
  const at = text.indexOf('[state]');
  const line = '; a comment line of the kind a long settings file holds, repeated\n';
  return text.slice(0, at) + line.repeat(Math.ceil(bytes / line.length)) + text.slice(at);
}

// Waits until the lint has answered for the text now in the editor; its
// findings are then the tool's.
async function assertLintOf(session, text, dir) {
  const want = lintFindings(text, dir);
  assert.ok(want.length > 0);
  await session.waitForLint();
  assert.deepEqual(await session.page.$$eval('#lint li', (lis) => lis.map((li) => li.textContent)), want);
}

describePage('the settings text', (get) => {
  it('lists only the findings that name a line, even beyond the lint’s limit', async () => {
    const { session, dir } = get();
    // More keys that are never read than the lint reports: its report ends
    // with a count of the rest, on no line, and a summary of the values.
    const at = bundled.indexOf('[state]');
    const keys = Array.from({ length: 10050 }, (_, i) => `unread_${i}=1\n`).join('');
    const text = bundled.slice(0, at) + keys + bundled.slice(at);
    await session.setField('#settings', text);
    await assertLintOf(session, text, dir);
  });

  it('lints a large text after typing stops, with no long task on the page', async () => {
    const { session, dir } = get();
    const { page } = session;
    // Large enough that its lint on the page's own thread takes a second or
    // more, small enough that the browser's text box itself takes its
    // keystrokes without a long task (it does not at a few megabytes).
    const text = largeText(3e5);
    await session.setField('#settings', text);
    await assertLintOf(session, text, dir);

    await page.evaluate(() => {
      window.longestTask = 0;
      new PerformanceObserver((list) => {
        for (const entry of list.getEntries()) window.longestTask = Math.max(window.longestTask, entry.duration);
      }).observe({ type: 'longtask' });
      const area = document.querySelector('#settings');
      area.focus();
      area.setSelectionRange(area.value.length, area.value.length);
    });
    // A rule at the end, in a [state] section of its own, which the tool's
    // lint reports.
    const typed = '\n[state]\n1-1=x';
    await page.keyboard.type(typed);
    await assertLintOf(session, text + typed, dir);
    const longest = await page.evaluate(() => window.longestTask);
    assert.ok(longest <= 200, `a task of ${longest} ms while typing`);
  });

  it('says when the text is too large to keep, and keeps one that fits for the next visit', async () => {
    const { session, dir } = get();
    const { page } = session;
    const tooLarge = largeText(12e6);
    await session.setField('#settings', tooLarge);
    await session.waitFor((w) => document.querySelector('#settings-note').textContent === w, words.settingsTooLarge);

    // A finding for the lint, but no box when the program starts.
    const edited = bundled.replace('[state]', 'never_read=1\n[state]');
    await session.setField('#settings', edited);
    await assertLintOf(session, edited, dir);
    await session.waitFor(() => document.querySelector('#settings-note').textContent === '');
    await page.reload();
    await session.waitForState('idle');
    assert.equal(await page.$eval('#settings', (t) => t.value), edited);
  });
});
