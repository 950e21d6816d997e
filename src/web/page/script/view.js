// The view: the window's client area, as the program paints it.

const view = $('#view');
const viewContext = view.getContext('2d');
const viewImage = viewContext.createImageData(view.width, view.height);

// One course pixel per CSS pixel, scaled by whole device pixels only.
function fitView() {
  const ratio = window.devicePixelRatio || 1;
  const scale = Math.max(1, Math.floor(ratio));
  view.style.width = `${(view.width * scale) / ratio}px`;
  view.style.height = `${(view.height * scale) / ratio}px`;
  matchMedia(`(resolution: ${ratio}dppx)`).addEventListener('change', fitView, { once: true });
}
fitView();

// Fills `image` from `pixels`, 0xFFRRGGBB values row after row in the
// program's (little-endian) memory: BGRA bytes in, RGBA bytes out.
function putPixels(image, pixels) {
  const out = new Uint32Array(image.data.buffer);
  const source = new Uint32Array(pixels.buffer, pixels.byteOffset, image.width * image.height);
  for (let i = 0; i < source.length; ++i) {
    const v = source[i];
    out[i] = (v & 0xff00ff00) | ((v >>> 16) & 0xff) | ((v & 0xff) << 16);
  }
  return image;
}

// Shows a frame of the window, at the view's size.
function paint(pixels) {
  viewContext.putImageData(putPixels(viewImage, pixels), 0, 0);
}
