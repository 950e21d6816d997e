// The readers the page tests compare with: if they misread a frame or a
// core text, every comparison with the page would mislead.
import assert from 'node:assert/strict';
import { describe, it } from 'node:test';
import { comparePixels, readBmp24 } from './support/bmp.js';
import { coreTexts } from './support/core_texts.js';

// A 24-bit BMP of `width` x `height` whose pixel (x, y) is colour(x, y),
// stored bottom-up (the usual way) or top-down.
function bmp24(width, height, colour, topDown = false) {
  const stride = Math.ceil((width * 3) / 4) * 4;
  const buf = Buffer.alloc(54 + stride * height, 0xee); // padding filled, not zeroed
  buf.write('BM', 0, 'latin1');
  buf.writeUInt32LE(buf.length, 2);
  buf.writeUInt32LE(54, 10);
  buf.writeUInt32LE(40, 14);
  buf.writeInt32LE(width, 18);
  buf.writeInt32LE(topDown ? -height : height, 22);
  buf.writeUInt16LE(1, 26);
  buf.writeUInt16LE(24, 28);
  buf.writeUInt32LE(0, 30);
  for (let y = 0; y < height; ++y) {
    const row = 54 + stride * (topDown ? y : height - 1 - y);
    for (let x = 0; x < width; ++x) {
      const [r, g, b] = colour(x, y);
      buf.set([b, g, r], row + 3 * x);
    }
  }
  return buf;
}

const colour = (x, y) => [x * 10, y * 10, 200 + x + y];

describe('BMP reader', () => {
  it('gives the top row first whatever the row order, skipping row padding', () => {
    // Widths 1 to 4 cover every amount of padding (3, 2, 1, 0 bytes).
    for (const width of [1, 2, 3, 4]) {
      for (const topDown of [false, true]) {
        const picture = readBmp24(bmp24(width, 3, colour, topDown));
        assert.deepEqual([picture.width, picture.height], [width, 3]);
        for (let y = 0; y < 3; ++y) {
          for (let x = 0; x < width; ++x) {
            const p = 3 * (y * width + x);
            assert.deepEqual([...picture.rgb.subarray(p, p + 3)], colour(x, y), `${width} wide, (${x}, ${y})`);
          }
        }
      }
    }
  });

  it('refuses what it cannot read rather than misreading it', () => {
    const good = bmp24(2, 2, colour);
    const eightBit = Buffer.from(good);
    eightBit.writeUInt16LE(8, 28);
    const cases = {
      'no magic': Buffer.concat([Buffer.from('XX'), good.subarray(2)]),
      '8 bits per pixel': eightBit,
      truncated: good.subarray(0, good.length - 1),
      'shorter than a header': good.subarray(0, 20),
    };
    for (const [name, buf] of Object.entries(cases)) {
      assert.throws(() => readBmp24(buf), /not a BMP file/, name);
    }
  });
});

describe('pixel comparison', () => {
  const picture = readBmp24(bmp24(3, 2, colour));
  // The same pixels as RGBA, in a wider canvas (5 pixels a row).
  const rgba = Buffer.alloc(5 * 2 * 4, 0);
  for (let y = 0; y < 2; ++y) {
    for (let x = 0; x < 3; ++x) {
      rgba.set([...colour(x, y), 255], 4 * (y * 5 + x));
    }
  }

  it('compares only the region, row by row in the wider picture', () => {
    assert.equal(comparePixels(picture, rgba, 5, 3, 2), null);
  });

  it('names a pixel that differs in colour or is not opaque', () => {
    const off = Buffer.from(rgba);
    off[4 * (1 * 5 + 2) + 1] ^= 1;
    assert.match(comparePixels(picture, off, 5, 3, 2), /^1 of 6 pixels differ, first at \(2, 1\)/);
    const clear = Buffer.from(rgba);
    clear[3] = 0;
    assert.match(comparePixels(picture, clear, 5, 3, 2), /first at \(0, 0\)/);
  });
});

describe('core texts (core_texts.json, written by the web build)', () => {
  it('finds every text the page tests need in the core', () => {
    const texts = coreTexts();
    assert.deepEqual(Object.keys(texts).sort(), [
      'aboutCaption', 'aboutText', 'applicationTitle', 'invalidBitmap', 'malformedRule', 'menus',
      'noCourse', 'openFilter',
    ]);
    assert.ok(texts.menus.length > 0 && texts.menus.every((m) => m.entries.length > 0));
    for (const entry of texts.menus.flatMap((m) => m.entries)) {
      assert.ok(['item', 'separator'].includes(entry.kind) && entry.name && entry.caption, entry.name);
    }
    for (const [name, text] of Object.entries(texts)) {
      assert.ok(name === 'menus' || text.length > 0, name);
    }
    assert.match(texts.aboutText, /\r\n/); // a line break the page must show
  });
});
