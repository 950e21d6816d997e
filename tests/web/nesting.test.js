// Commands nested in a run, on the page built with emscripten's assertions:
// the run loop yields to the page, an open runs inside it (and ends the run,
// as on the desktop), and a bad course's box inside that open; none of it may
// log an error, and the program must come back to rest and run again as the
// tool does.
import assert from 'node:assert/strict';
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { it } from 'node:test';
import { coreTexts } from './support/core_texts.js';
import { runSummary } from './support/native_tool.js';
import { coursePath } from './support/paths.js';
import { describePage } from './support/suite.js';

const texts = coreTexts();

describePage(
  'commands nested in a run (assertions on)',
  (get) => {
    // Starts a paced run on a sample and waits until it has ticked.
    async function runPaced(session, sample) {
      await session.setSpeed('1');
      await session.setField('#stop-tick', '');
      await session.clickSample(sample);
      await session.startRun();
      await session.waitFor(() => /^ticks=[1-9]/.test(document.querySelector('#status').value));
    }

    it('opens a sample during a paced run: the run stops, the car at its start', async () => {
      const { session } = get();
      await runPaced(session, '1-oval.bmp');
      const mark = await session.mark();
      await session.clickSample('2-bends.bmp');
      // Opening a course ends the run, as on the desktop, and the count
      // starts again from the car's new placement.
      await session.waitForPassage(mark, 'running', 'idle');
      await session.settle(texts.aboutCaption);
      // The car keeps its state number and its last sensor readings (drawn as
      // its markers), as on the desktop: only the placement is fresh.
      const placed = runSummary(coursePath('2-bends.bmp'), 0).replace(/ state=.*/, ' ');
      assert.ok((await session.status()).startsWith(placed), await session.status());
      // Start and 停止 go on working.
      await session.startRun();
      const running = await session.mark();
      await session.clickMenu('N2', 'N4');
      await session.waitForPassage(running, 'running', 'idle');
    });

    it('shows a bad course’s box inside an open inside a run, then rests', async () => {
      const { session, dir } = get();
      const broken = join(dir, 'broken.bmp');
      writeFileSync(broken, 'This is no picture.\n');
      await runPaced(session, '1-oval.bmp');
      await session.chooseCourse(broken);
      const box = await session.waitForBox();
      assert.deepEqual([box.caption, box.text], [texts.applicationTitle, `${texts.invalidBitmap}.`]);
      assert.equal(await session.state(), 'running', 'the box is shown inside the run');
      await session.answerBox('ok');
      await session.waitForState('idle');
    });

    it('ends during a paced run and starts afresh, running as the tool does', async () => {
      const { session } = get();
      await runPaced(session, '3-eight.bmp');
      await session.restart();
      await session.clickSample('3-eight.bmp');
      await session.settle(texts.aboutCaption);
      assert.equal(await session.runToTick(300), runSummary(coursePath('3-eight.bmp'), 300));
    });
  },
  'ormakin-assertions.html',
);
