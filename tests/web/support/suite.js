// One browser and one page for a group of tests that run in order, as one
// user session; the group ends by checking that the whole session logged no
// console error and made no network request.
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, describe, it } from 'node:test';
import { PageSession } from './page.js';

// body(get) declares the tests; get() returns { session, dir } (dir: a
// scratch folder of the group's own). `options` go to PageSession.open.
export function describePage(name, body, file = 'ormakin.html', options = {}) {
  describe(name, () => {
    const ctx = {};
    before(async () => {
      ctx.dir = mkdtempSync(join(tmpdir(), 'ormakin-web-files-'));
      ctx.session = await PageSession.open(file, options);
    });
    after(async () => {
      await ctx.session?.close();
      rmSync(ctx.dir, { recursive: true, force: true });
    });
    body(() => ctx);
    it('logs no console error and makes no network request', () => {
      assert.deepEqual(ctx.session.problems(), { consoleErrors: [], requests: [] });
    });
  });
}
