// The run panel against the tool: at chosen ticks its readouts, framed cell
// and counts equal `run --trace` and `run --rules` to that tick, its stop in
// words names what the tool's stop line names, breakpoints stop where the
// trace first applies the rule or first enters the state, and the overlays
// leave the view equal to `--frame` while showing `--path`'s path.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { it } from 'node:test';
import { coreTexts } from './support/core_texts.js';
import { runPath, runReport } from './support/native_tool.js';
import { coursePath, repoRoot, settingsPath } from './support/paths.js';
import { describePage } from './support/suite.js';
import { assertViewIsFrame } from './support/view.js';

const texts = coreTexts();
// The panel's words are checked in Japanese, the page pinned to it.
const words = JSON.parse(readFileSync(join(repoRoot, 'src/web/page/words.ja.json'), 'utf8'));
const en = JSON.parse(readFileSync(join(repoRoot, 'src/web/page/words.en.json'), 'utf8'));
const fill = (text, values) =>
  Object.entries(values).reduce((t, [name, value]) => t.replaceAll(`{${name}}`, value), text);
const bundled = readFileSync(settingsPath, 'utf8');
// Without rule 3-4 the car stops on 2-bends after its first bend to the right.
const stopping = bundled.replace(/^3-4=.*\n/m, '');
const kLong = 3000;

// What the panel shows: readouts, the framed cell, every cell's count and mark.
function shownPanel(page) {
  return page.evaluate(() => {
    const value = (id) => document.querySelector(id).dataset.value;
    return {
      tick: value('#panel-tick'),
      state: value('#panel-state'),
      mask: value('#panel-mask'),
      rule: document.querySelector('#panel-rule').textContent,
      x: value('#panel-x'),
      y: value('#panel-y'),
      direction: value('#panel-heading'),
      heading: document.querySelector('#panel-heading').textContent,
      framed: [...document.querySelectorAll('#rule-grid td.applied')].map((td) => td.id),
      cells: [...document.querySelectorAll('#rule-grid td')].map((td) => ({
        count: Number(td.dataset.count),
        mark: td.dataset.mark,
      })),
      stop: document.querySelector('#panel-stop-reason').textContent,
      lit: [...document.querySelectorAll('#panel-mask .lamp')].map((l) => l.classList.contains('on')),
    };
  });
}

// The rule applied as the readout shows it: its line's value in the
// settings text, or that it is not set.
function appliedRule(text, key) {
  const value = new RegExp(`^${key}=(.*)$`, 'm').exec(text)?.[1];
  return value === undefined ? `${key} (${words.panelCellEmpty})` : `${key}=${value}`;
}

// The panel at tick `t` as the tool's trace and rule table say it, with the
// rule applied as the settings write it.
function wantedPanel(report, rules, t, settings) {
  const row = report.rows[t];
  const before = report.rows[t - 1];
  const key = `${before.state}-${row.mask}`;
  return {
    tick: String(t),
    state: String(row.state),
    mask: String(row.mask),
    rule: appliedRule(settings, key),
    x: row.x,
    y: row.y,
    direction: row.direction,
    heading: ((Number(row.direction) * 180) / Math.PI).toFixed(3),
    framed: [`rule-${key}`],
    cells: rules,
    // The lamps left, centre, right: bits 1, 4, 2.
    lit: [1, 4, 2].map((bit) => (row.mask & bit) !== 0),
  };
}

async function applySettings(session, text) {
  await session.setField('#settings', text);
  const mark = await session.mark();
  await session.page.click('#settings-apply');
  await session.waitForPassage(mark, 'starting', 'idle');
}

async function openSample(session, name) {
  await session.clickSample(name);
  await session.settle(texts.aboutCaption);
}

// Starts with the Start button beside the speed and waits for the run to end
// by itself or at a breakpoint.
async function runUntilRest(session) {
  await session.setSpeed('full');
  await session.setField('#stop-tick', '');
  const mark = await session.mark();
  await session.page.click('#run-start');
  await session.waitForPassage(mark, 'running', 'idle');
}

describePage('the run panel', (get) => {
  it('equals the tool’s trace and rule counts at the first tick, in a turn, before the stop and at the last', async () => {
    const { session, dir } = get();
    const cases = [
      { course: '2-bends.bmp', settings: bundled },
      { course: '2-bends.bmp', settings: stopping },
    ];
    for (const { course, settings } of cases) {
      const file = join(dir, 'panel.ini');
      writeFileSync(file, settings);
      await applySettings(session, settings);
      await openSample(session, course);
      const report = runReport(coursePath(course), kLong, file);
      const last = report.rows.at(-1).tick;
      const turn = report.rows.find((r, i) => i > 1 && r.direction !== report.rows[i - 1].direction).tick;
      for (const t of [...new Set([1, turn, last - 1, last])]) {
        await session.runToTick(t);
        const rules = runReport(coursePath(course), t, file).rules;
        const shown = await shownPanel(session.page);
        const want = wantedPanel(report, rules, t, settings);
        const { stop, ...rest } = shown;
        assert.deepEqual(rest, want, `${course} at tick ${t}`);
        if (t === last && report.stop) {
          const m = /^stop: tick (\d+), state (\d+), mask (\d+) .*rule (\S+) is not set/.exec(report.stop);
          assert.ok(m, report.stop);
          assert.equal(stop, fill(words.panelStopNotSet, { tick: m[1], state: m[2], mask: m[3], key: m[4] }));
          assert.ok(rules.some((r) => r.mark === 'E'), 'the unset rule applied is marked');
          // At rest, the panel says the same in the other language.
          await session.page.select('#language', 'en');
          const english = await shownPanel(session.page);
          assert.equal(english.stop, fill(en.panelStopNotSet, { tick: m[1], state: m[2], mask: m[3], key: m[4] }));
          assert.equal(english.rule, `${m[4]} (${en.panelCellEmpty})`);
          await session.page.select('#language', 'ja');
        } else {
          assert.equal(stop, '', `${course} at tick ${t}`);
        }
      }
    }
    await applySettings(session, bundled);
  });

  it('stops where the trace first applies a rule with a breakpoint, then where it first enters a state', async () => {
    const { session } = get();
    const course = '2-bends.bmp';
    const { rows } = runReport(coursePath(course), kLong);
    // A rule first applied well into the run, and the first entry into the
    // state the car starts in: being in it is not entering it.
    const firstApplied = new Map();
    for (let t = 1; t < rows.length; ++t) {
      const key = `${rows[t - 1].state}-${rows[t].mask}`;
      if (!firstApplied.has(key)) firstApplied.set(key, t);
    }
    const [ruleKey, ruleTick] = [...firstApplied].find(([, t]) => t > 20);
    const entry = rows.find((r, t) => t > 0 && r.state === 1 && rows[t - 1].state !== 1);
    assert.ok(entry && entry.tick > 1);
    const cases = [
      {
        add: async () => {
          await session.page.click(`#rule-${ruleKey}`);
          await session.page.click('#break-rule-add');
        },
        item: `#break-rule-${ruleKey}`,
        tick: ruleTick,
        stop: fill(words.panelStopBreakRule, { tick: ruleTick, key: ruleKey }),
      },
      {
        add: async () => {
          await session.setField('#break-state', String(entry.state));
          await session.page.click('#break-state-add');
        },
        item: `#break-state-${entry.state}`,
        tick: entry.tick,
        stop: fill(words.panelStopBreakState, { tick: entry.tick, state: entry.state }),
      },
    ];
    for (const { add, item, tick, stop } of cases) {
      await session.restart();
      await openSample(session, course);
      await add();
      try {
        assert.equal(await session.page.$$eval('#breakpoints li', (lis) => lis.length), 1);
        await runUntilRest(session);
        assert.equal(await session.ticks(), tick, item);
        assert.equal(await session.page.$eval('#panel-tick', (o) => o.textContent), String(tick));
        assert.equal(await session.page.$eval('#panel-stop-reason', (p) => p.textContent), stop);
      } finally {
        // Removed, so that it stops no later run.
        await session.page.click(`${item} button`);
      }
      assert.equal(await session.page.$$eval('#breakpoints li', (lis) => lis.length), 0);
    }
  });

  it('keeps the view equal to the frame with the overlays on or off, and overlays the tool’s path and the probes', async () => {
    const { session, dir } = get();
    const course = '1-oval.bmp';
    const ticks = 300;
    await session.restart();
    await openSample(session, course);
    await session.runToTick(ticks);
    assert.equal(await session.page.$eval('#overlay', (c) => c.hidden), true, 'off by default');
    await assertViewIsFrame(session, coursePath(course), ticks, dir);
    await session.page.click('#panel-overlays');
    // The overlays come with the next frame the program presents.
    await session.runToTick(ticks + 1);
    await assertViewIsFrame(session, coursePath(course), ticks + 1, dir);
    const overlay = await session.canvasPixels('#overlay');
    const probes = JSON.parse(await session.page.$eval('#overlay', (c) => c.dataset.probes));
    const path = runPath(coursePath(course), ticks + 1, dir);
    const { rows } = runReport(coursePath(course), ticks + 2);
    const at = (x, y) => overlay.rgba.readUInt32BE(4 * (y * overlay.width + x));
    // Each probe's own pixel: yellow where it is on the line, clear where not,
    // and on the line exactly where the next tick's mask says.
    const bits = [1, 2, 4];
    probes.forEach(([x, y, on], i) => {
      assert.equal(on === 1, (rows[ticks + 2].mask & bits[i]) !== 0, `probe ${i}`);
      assert.equal(at(x, y), on ? 0xffff00ff : 0, `probe ${i} at ${x},${y}`);
    });
    // The path: the tool's magenta pixels, away from the car and the probes
    // that are drawn over it.
    const car = rows[ticks + 1];
    const near = (x, y) => Math.hypot(x - Number(car.x), y - Number(car.y)) < 30;
    let compared = 0;
    for (let y = 0; y < Math.min(400, path.height); ++y) {
      for (let x = 0; x < Math.min(500, path.width); ++x) {
        if (near(x, y)) continue;
        const p = 3 * (y * path.width + x);
        const toolPath = path.rgb[p] === 255 && path.rgb[p + 1] === 0 && path.rgb[p + 2] === 255;
        assert.equal(at(x, y) === 0xff00ffff, toolPath, `path pixel ${x},${y}`);
        compared += toolPath ? 1 : 0;
      }
    }
    assert.ok(compared > ticks / 2, `${compared} path pixels`);
    await session.page.click('#panel-overlays');
  });

  it('moves through the grid by keyboard, and on a phone stacks the panel below a window scaled to the width', async () => {
    const { session } = get();
    const { page } = session;
    await page.focus('#rule-1-0');
    const keys = [
      ['ArrowDown', 'rule-2-0'],
      ['ArrowRight', 'rule-2-1'],
      ['End', 'rule-2-7'],
      ['ArrowRight', 'rule-2-7'],
      ['ArrowUp', 'rule-1-7'],
      ['ArrowUp', 'rule-1-7'],
    ];
    for (const [key, id] of keys) {
      await page.keyboard.press(key);
      const at = await page.evaluate(() => [document.activeElement.id, document.querySelector('[aria-selected=true]')?.id]);
      assert.deepEqual(at, [id, id], key);
    }
    assert.match(await page.$eval('#rule-usage', (p) => p.textContent), /1-7/);
    await page.keyboard.press('Escape');
    assert.equal(await page.$$eval('[aria-selected=true]', (s) => s.length), 0);

    const viewport = page.viewport();
    try {
      await page.setViewport({ width: 390, height: 800 });
      const boxes = () =>
        page.evaluate(() => {
          const box = (id) => {
            const { top, right, bottom, width, height } = document.querySelector(id).getBoundingClientRect();
            return { top, right, bottom, width, height };
          };
          return { view: box('#view'), overlay: box('#overlay'), window: box('#window'), panel: box('#panel') };
        });
      await page.click('#panel-overlays');
      let b = await boxes();
      assert.ok(b.view.right <= 390, `the view ends at ${b.view.right}`);
      assert.ok(b.panel.top >= b.window.bottom, 'the panel is below the window');
      assert.deepEqual([b.overlay.width, b.overlay.height], [b.view.width, b.view.height]);
      assert.ok(Math.abs(b.view.width / b.view.height - 500 / 400) < 0.01, 'scaled, not stretched');
      await page.click('#one-to-one');
      b = await boxes();
      assert.equal(b.view.width, 500, 'one to one');
      assert.deepEqual([b.overlay.width, b.overlay.height], [b.view.width, b.view.height]);
      await page.click('#one-to-one');
      await page.click('#panel-overlays');
    } finally {
      await page.setViewport(viewport);
    }
  });
}, 'ormakin.html', { lang: 'ja' });
