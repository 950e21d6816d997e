// The view against the tool's frame.
import assert from 'node:assert/strict';
import { comparePixels } from './bmp.js';
import { runFrame } from './native_tool.js';

// The view shows Image1: the top-left 500 x 400 of the tool's whole frame.
export async function assertViewIsFrame(session, course, ticks, dir) {
  const frame = runFrame(course, ticks, dir);
  const view = await session.canvasPixels('#view');
  assert.deepEqual([view.width, view.height], [500, 400]);
  const difference = comparePixels(
    frame,
    view.rgba,
    view.width,
    Math.min(frame.width, 500),
    Math.min(frame.height, 400),
  );
  assert.equal(difference, null, `${course} at tick ${ticks}`);
}
