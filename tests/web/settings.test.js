// The settings text at sizes a user may load: linted in the background
// while the page stays responsive, kept between visits under the page's own
// key (and texts earlier pages kept read), and a text the browser cannot keep
// is said to be so. Chromium only:
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

// The bundled text with a malformed rule (a finding; `sound` leaves it out)
// and comment lines before the rules up to about `bytes`, so that every rule
// read passes them.
function largeText(bytes, { sound = false } = {}) {
  const text = sound ? bundled : bundled.replace(/^1-0=.*$/m, '1-0=abc');
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

// Waits until the page has kept the text now in the editor, or has said
// why not (`note`).
async function waitForKept(session, note) {
  await session.waitFor(
    (want) => {
      const shown = document.querySelector('#settings-note');
      return shown.getAttribute('aria-busy') === 'false' && shown.textContent === want;
    },
    note,
  );
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

  it('keeps a text beyond localStorage’s limit for the next visit', async () => {
    const { session } = get();
    const { page } = session;
    // More than the 5 M characters localStorage holds for all of a disk's
    // pages together; no box when the program starts with it.
    const text = largeText(6e6, { sound: true });
    await session.setField('#settings', text);
    await session.waitForLint();
    await waitForKept(session, '');
    await page.reload();
    await session.waitForState('idle');
    assert.ok(await page.$eval('#settings', (t, want) => t.value === want, text));
  });

  it('says when the browser refuses to keep the text, and keeps one that fits for the next visit', async () => {
    const { session, dir } = get();
    const { page } = session;
    // The browser's storage refuses texts over 10 MB, as a full disk does.
    await page.evaluate(() => {
      const put = IDBObjectStore.prototype.put;
      IDBObjectStore.prototype.put = function (value, key) {
        if (value.length > 1e7) throw new DOMException('the disk is full', 'QuotaExceededError');
        return put.call(this, value, key);
      };
    });
    await session.setField('#settings', largeText(12e6));
    await waitForKept(session, words.settingsTooLarge);

    // A finding for the lint, but no box when the program starts; the lint
    // of the large text, still under way, is not taken for this one's.
    const edited = bundled.replace('[state]', 'never_read=1\n[state]');
    await session.setField('#settings', edited);
    await assertLintOf(session, edited, dir);
    await waitForKept(session, '');
    await page.reload();
    await session.waitForState('idle');
    assert.equal(await page.$eval('#settings', (t) => t.value), edited);
  });
});

describePage('a settings text kept by an earlier page', (get) => {
  it('is read where the page has kept none of its own, and left as it is', async () => {
    const { session } = get();
    const { page } = session;
    const older = bundled.replace('[state]', '; the first page kept this\n[state]');
    const current = bundled.replace('[state]', '; this version kept this in localStorage\n[state]');
    // The first page's key alone, then with this version's beside it: the
    // newer wins.
    for (const [kept, shown] of [
      [{ 'ormakin.settings': older }, older],
      [{ 'ormakin.settings': older, 'ormakin-page/1/settings': current }, current],
    ]) {
      await page.evaluate((items) => {
        localStorage.clear();
        for (const [key, value] of Object.entries(items)) localStorage.setItem(key, value);
      }, kept);
      await page.reload();
      await session.waitForState('idle');
      assert.equal(await page.$eval('#settings', (t) => t.value), shown);
    }

    // What the page keeps now comes first at the next visit; what earlier
    // pages kept stays.
    const edited = bundled.replace('[state]', '; edited\n[state]');
    await session.setField('#settings', edited);
    await session.waitForLint();
    await waitForKept(session, '');
    await page.reload();
    await session.waitForState('idle');
    assert.equal(await page.$eval('#settings', (t) => t.value), edited);
    assert.deepEqual(
      await page.evaluate(() => [localStorage.getItem('ormakin.settings'), localStorage.getItem('ormakin-page/1/settings')]),
      [older, current],
    );
  });
});
