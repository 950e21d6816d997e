// The sweep over the start area, run in the page beside the program: the
// same summary and the same map as `ormakin-sim sweep` on one job.
import assert from 'node:assert/strict';
import { it } from 'node:test';
import { comparePixels } from './support/bmp.js';
import { coreTexts } from './support/core_source.js';
import { sweep } from './support/native_tool.js';
import { coursePath } from './support/paths.js';
import { describePage } from './support/suite.js';

const texts = coreTexts();

describePage('the sweep', (get) => {
  it('prints the tool’s summary and draws its map, the program usable meanwhile', async () => {
    const { session, dir } = get();
    const { page } = session;
    const sample = '4-gap-corner.bmp';
    const want = sweep(coursePath(sample), dir);
    await session.clickSample(sample);
    await session.settle(texts.aboutCaption);

    await page.click('#sweep-run');
    // The program answers while the sweep works.
    await session.settle(texts.aboutCaption);
    assert.equal(await session.state(), 'idle');
    await session.waitFor(() => {
      const progress = document.querySelector('#sweep-progress');
      return progress.max > 0 && progress.value === progress.max &&
        document.querySelector('#sweep-summary').textContent.length > 0;
    });

    const summary = await page.$eval('#sweep-summary', (pre) => pre.textContent);
    assert.equal(summary.trimEnd(), want.text.trimEnd());
    const map = await session.canvasPixels('#sweep-map');
    assert.deepEqual([map.width, map.height], [want.map.width, want.map.height]);
    assert.equal(comparePixels(want.map, map.rgba, map.width, map.width, map.height), null);
  });
});
