// Courses and runs: the bundled samples and a BMP from disk open as on the
// desktop, a cancelled chooser keeps what was open, bad files give the
// desktop's box, and a run at full speed ends at the stop tick with the
// tool's summary line and the tool's frame. Opening a course places the car
// but keeps its state number, as on the desktop, so each run compared with
// the tool's (a fresh car) starts from a fresh program.
import assert from 'node:assert/strict';
import { copyFileSync, mkdirSync, readdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { it } from 'node:test';
import { coreTexts } from './support/core_texts.js';
import { runSummary, simFailure, sweep, tune } from './support/native_tool.js';
import { coursePath, coursesDir } from './support/paths.js';
import { describePage } from './support/suite.js';
import { assertViewIsFrame } from './support/view.js';

const texts = coreTexts();

async function assertRunTo(session, course, ticks, dir) {
  assert.equal(await session.runToTick(ticks), runSummary(course, ticks), `${course} to tick ${ticks}`);
  await assertViewIsFrame(session, course, ticks, dir);
}

describePage('courses and runs', (get) => {
  it('offers every bundled sample, each opening with the tool’s first frame', async () => {
    const { session, dir } = get();
    const offered = await session.page.$$eval('#samples [data-sample]', (bs) => bs.map((b) => b.dataset.sample));
    const samples = readdirSync(coursesDir).filter((f) => f.endsWith('.bmp')).sort();
    assert.deepEqual([...offered].sort(), samples);
    for (const sample of samples) {
      await session.clickSample(sample);
      await session.settle(texts.aboutCaption);
      assert.equal(await session.status(), runSummary(coursePath(sample), 0), sample);
      await assertViewIsFrame(session, coursePath(sample), 0, dir);
    }
  });

  it('runs at full speed to the stop tick, counting on across Stop and Start', async () => {
    const { session, dir } = get();
    // A course of the view's size, and one larger than the view.
    const runs = [
      ['1-oval.bmp', [150, 400]],
      ['5-large.bmp', [300]],
    ];
    for (const [sample, stops] of runs) {
      await session.restart();
      await session.clickSample(sample);
      await session.settle(texts.aboutCaption);
      for (const ticks of stops) {
        await assertRunTo(session, coursePath(sample), ticks, dir);
      }
    }
  });

  it('opens a BMP from disk through the file chooser; a cancel keeps it', async () => {
    const { session, dir } = get();
    const course = join(dir, 'my course.bmp');
    copyFileSync(coursePath('2-bends.bmp'), course);
    await session.restart();
    await session.chooseCourse(course);
    await assertRunTo(session, course, 120, dir);

    const before = await session.boxesSeen();
    await session.chooseCourse(null);
    await session.settle(texts.aboutCaption);
    assert.equal((await session.boxesSeen()).length, before.length + 1, 'no box but About');
    assert.equal(await session.status(), runSummary(course, 120));
    await assertRunTo(session, course, 240, dir);
  });

  it('offers the window’s course from a file to the tune, after the samples, while the window shows it', async () => {
    const { session, dir } = get();
    const { page } = session;
    const course = join(dir, 'my eight.bmp');
    copyFileSync(coursePath('3-eight.bmp'), course);
    await session.chooseCourse(course);
    await session.settle(texts.aboutCaption);
    assert.equal(await page.$eval('#tune-file-label', (l) => !l.hidden && l.textContent.includes('my eight.bmp')), true);
    await page.$eval('#tune-courses input[data-sample="4-gap-corner.bmp"]', (box) => (box.checked = true));
    await page.$eval('#tune-file', (box) => (box.checked = true));
    await session.setField('#tune-evaluations', '12');
    await session.setField('#tune-seed', '4');
    await page.click('#tune-run');
    await session.waitFor(
      () => !document.querySelector('#tune-run').disabled && document.querySelector('#tune-summary').textContent !== '',
    );
    const line = (await page.$eval('#tune-summary', (pre) => pre.textContent)).split('\n')[0];
    assert.equal(line, tune([coursePath('4-gap-corner.bmp'), course], 12, 4, dir).line);

    await session.clickSample('1-oval.bmp');
    await session.settle(texts.aboutCaption);
    assert.equal(await page.$eval('#tune-file-label', (l) => l.hidden), true);
  });

  it('shows the desktop’s box for a bad file and goes on working', async () => {
    const { session, dir } = get();
    const sample = readFileSync(coursePath('1-oval.bmp'));
    // A 24-bit header that asks for more than a course may hold.
    const huge = Buffer.from(sample.subarray(0, 54));
    huge.writeInt32LE(60000, 18);
    huge.writeInt32LE(60000, 22);
    const files = [
      ['not a picture.bmp', Buffer.from('This is no picture.\n'), `${texts.invalidBitmap}.`],
      ['cut short.bmp', sample.subarray(0, 30), null],
      ['huge.bmp', huge, `${texts.invalidBitmap}.`],
    ];
    for (const [name, bytes, text] of files) {
      const path = join(dir, name);
      writeFileSync(path, bytes);
      // The tool reports what the desktop's box says.
      const told = simFailure(path);
      if (text !== null) {
        assert.equal(told, text, name);
      }
      await session.chooseCourse(path);
      const box = await session.waitForBox();
      assert.deepEqual(box, { caption: texts.applicationTitle, text: told, answers: ['ok'], modal: true }, name);
      await session.answerBox('ok');
      assert.equal(await session.state(), 'idle', name);
      await session.restart();
      await session.clickSample('3-eight.bmp');
      await session.settle(texts.aboutCaption);
      await assertRunTo(session, coursePath('3-eight.bmp'), 50, dir);
    }
  });
});

describePage('a file the browser cannot read', (get) => {
  it('gives the window’s box for a file it cannot open and keeps the course shown, the sweep’s too', async () => {
    const { session, dir } = get();
    const sample = '2-bends.bmp';
    await session.clickSample(sample);
    await session.settle(texts.aboutCaption);
    const shown = await session.status();
    // A folder handed to the chooser: the browser cannot read its bytes.
    const name = 'unreadable.bmp';
    mkdirSync(join(dir, name));
    const missing = join(dir, 'no such course.bmp');
    const want = simFailure(missing).replace(missing, `/courses/${name}`);
    await session.chooseCourse(join(dir, name));
    const box = await session.waitForBox();
    assert.deepEqual(box, { caption: texts.applicationTitle, text: want, answers: ['ok'], modal: true });
    await session.answerBox('ok');
    await session.settle(texts.aboutCaption);
    assert.equal(await session.status(), shown, 'the course before stays');

    // The sweep goes on with the course the window shows.
    const tool = sweep(coursePath(sample), dir);
    await session.page.click('#sweep-run');
    await session.waitFor(
      () => !document.querySelector('#sweep-run').disabled && document.querySelector('#sweep-summary').textContent !== '',
    );
    assert.equal((await session.page.$eval('#sweep-summary', (e) => e.textContent)).trimEnd(), tool.text.trimEnd());
    await assertRunTo(session, coursePath(sample), 80, dir);
  });
});

describePage('a course near the core’s bound on pixels', (get) => {
  it('runs as the tool does, and a sweep that needs more memory than an instance has says so', async () => {
    const { session, dir } = get();
    // 16000 x 16000 pixels in 32 bits: just under the core's 1 GiB, in a
    // 54-byte file that holds no pixel data, which the reader accepts as the
    // tool does. The window's instance holds it; the sweep's instance needs
    // the course and its copies, more than an instance's 2 GB.
    const header = Buffer.from(readFileSync(coursePath('1-oval.bmp')).subarray(0, 54));
    header.writeInt32LE(16000, 18);
    header.writeInt32LE(16000, 22);
    header.writeUInt16LE(32, 28);
    const course = join(dir, 'near the bound.bmp');
    writeFileSync(course, header);
    await session.chooseCourse(course);
    await session.settle(texts.aboutCaption);
    assert.equal(await session.runToTick(10), runSummary(course, 10));

    await session.page.click('#sweep-run');
    await session.waitFor(() => document.querySelector('#sweep-summary').textContent !== '');
    assert.match(await session.page.$eval('#sweep-summary', (e) => e.textContent), /bad_alloc/);

    await session.restart();
    await session.clickSample('3-eight.bmp');
    await session.settle(texts.aboutCaption);
    await assertRunTo(session, coursePath('3-eight.bmp'), 50, dir);
  });
});
