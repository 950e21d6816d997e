// The README's pictures of the page, made from the page itself (build-web,
// `make web`) in headless Chromium: a run on 2-bends.bmp whose settings lack
// rule 3-4, so that the car stops and the panel says which rule it missed; a
// breakpoint on that rule, the rule written back from its cell, the run
// paused where the rule first fires; and the car lapping with the overlays
// on.
//
//   node scripts/page-pictures.mjs [OUTPUT_DIR]   (default: docs)
// Needs the page tests' packages (scripts/install-deps.sh web-test).
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { PageSession } from '../tests/web/support/page.js';
import { settingsPath } from '../tests/web/support/paths.js';

const outDir = process.argv[2] ?? 'docs';
const kCourse = '2-bends.bmp';
const kLapTicks = '3000';
// The rule whose absence stops the car on that course, and its bundled value.
const [kState, kMask] = [3, 4];
const [turn, advance, next] = new RegExp(`^${kState}-${kMask}=(.*)$`, 'm')
  .exec(readFileSync(settingsPath, 'utf8'))[1]
  .split(',');
const cell = `#rule-${kState}-${kMask}`;

const session = await PageSession.open('ormakin.html', { lang: 'en' });
const { page } = session;
try {
  await page.setViewport({ width: 1400, height: 1000 });
  await session.waitForState('idle');

  const settled = () =>
    session.waitFor(
      () =>
        document.querySelector('#lint').getAttribute('aria-busy') === 'false' &&
        document.querySelector('#rule-detail').getAttribute('aria-busy') !== 'true',
    );
  // Applies the editor's text; the page reopens the course the window showed.
  const apply = async () => {
    await page.click('#settings-apply');
    await session.waitForState('idle');
    await session.waitFor((name) => document.querySelector('#panel-course').textContent === name, kCourse);
  };
  // Starts the run and waits until it rests on a later tick.
  const runToRest = async () => {
    const before = await page.$eval('#panel-tick', (o) => o.dataset.value);
    await page.click('#run-start');
    await session.waitFor(
      (b) => document.body.dataset.state === 'idle' && document.querySelector('#panel-tick').dataset.value !== b,
      before,
    );
  };
  // The window and the run panel beside it.
  const picture = async (name) => {
    const clip = await page.evaluate(() => {
      const boxes = ['#window', '#run-panel'].map((id) => document.querySelector(id).getBoundingClientRect());
      const left = Math.min(...boxes.map((b) => b.left));
      const top = Math.min(...boxes.map((b) => b.top));
      const right = Math.max(...boxes.map((b) => b.right));
      const bottom = Math.max(...boxes.map((b) => b.bottom));
      return { x: left, y: top + window.scrollY, width: right - left, height: bottom - top };
    });
    await page.screenshot({ path: join(outDir, name), clip, captureBeyondViewport: true });
    console.log(join(outDir, name));
  };

  // The rule cleared from its cell, then the sample run until the car stops.
  await page.click(`#samples button[data-sample="${kCourse}"]`);
  await session.waitFor((name) => document.querySelector('#panel-course').textContent === name, kCourse);
  await page.select('#speed', 'full');
  await page.click(cell);
  await settled();
  await page.click('#rule-clear');
  await settled();
  await apply();
  await runToRest();
  await page.click(cell);
  await settled();
  await picture('page-stop.png');

  // A breakpoint on the rule, the rule written back, and the run paused on
  // its first firing.
  await page.click('#break-rule-add');
  for (const [id, value] of [
    ['#rule-turn', turn],
    ['#rule-advance', advance],
    ['#rule-next', next],
  ]) {
    await session.setField(id, value);
  }
  await page.click('#rule-write');
  await settled();
  await apply();
  await runToRest();
  await page.click(cell);
  await settled();
  await picture('page-breakpoint.png');

  // The breakpoint removed, the overlays on, and the car on its laps.
  await page.click(`#break-rule-${kState}-${kMask} button`);
  await page.click('#panel-overlays');
  await session.setField('#stop-tick', kLapTicks);
  await runToRest();
  await picture('page-lapping.png');
} finally {
  await session.close();
}
