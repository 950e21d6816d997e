// The tool's frames and sweep maps are uncompressed 24-bit BMP files; this
// reads them into top-down RGB rows to compare with a canvas.

// { width, height, rgb }: rgb holds width * height * 3 bytes, the top row
// first, whichever way the file stores its rows.
export function readBmp24(buf) {
  const fail = (why) => {
    throw new Error(`not a BMP file the tests can read: ${why}`);
  };
  if (buf.length < 54 || buf.toString('latin1', 0, 2) !== 'BM') {
    fail('no BM header');
  }
  const offset = buf.readUInt32LE(10);
  const headerSize = buf.readUInt32LE(14);
  const width = buf.readInt32LE(18);
  const rawHeight = buf.readInt32LE(22);
  const bits = buf.readUInt16LE(28);
  const compression = buf.readUInt32LE(30);
  if (headerSize < 40 || bits !== 24 || compression !== 0) {
    fail(`header of ${headerSize} bytes, ${bits} bits per pixel, compression ${compression}`);
  }
  if (width <= 0 || rawHeight === 0) {
    fail(`${width} x ${rawHeight} pixels`);
  }
  const height = Math.abs(rawHeight);
  const stride = Math.ceil((width * 3) / 4) * 4;
  if (offset + stride * height > buf.length) {
    fail('the pixels run past the end of the file');
  }
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; ++y) {
    // A positive height stores the bottom row first.
    const row = offset + stride * (rawHeight > 0 ? height - 1 - y : y);
    for (let x = 0; x < width; ++x) {
      const from = row + 3 * x;
      const to = 3 * (y * width + x);
      rgb[to] = buf[from + 2];
      rgb[to + 1] = buf[from + 1];
      rgb[to + 2] = buf[from];
    }
  }
  return { width, height, rgb };
}

// Compares the top-left `width` x `height` pixels of a picture with RGBA
// pixels (a canvas's, `rgbaWidth` wide). Returns null when they are equal,
// otherwise a message naming the count and the first pixel that differs.
export function comparePixels(picture, rgba, rgbaWidth, width, height) {
  let count = 0;
  let first = null;
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const p = 3 * (y * picture.width + x);
      const q = 4 * (y * rgbaWidth + x);
      const want = [picture.rgb[p], picture.rgb[p + 1], picture.rgb[p + 2], 255];
      const got = [rgba[q], rgba[q + 1], rgba[q + 2], rgba[q + 3]];
      if (want.some((v, i) => v !== got[i])) {
        ++count;
        first ??= `(${x}, ${y}): want rgba(${want}), got rgba(${got})`;
      }
    }
  }
  return count === 0 ? null : `${count} of ${width * height} pixels differ, first at ${first}`;
}
