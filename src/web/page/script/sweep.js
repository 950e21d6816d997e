// The sweep over the course the window shows, with the settings the program
// runs with (the applied ones, not the editor's), a few starts per slice, so
// that the page stays responsive.
const kSweepSlice = 4;
let sweeping = false;
// The shown map as the tool's BMP file (`sweep --map`), what 保存... hands out.
let sweepBmp = null;

// Shows the map, 0xFFRRGGBB values row after row, at its own size; the style
// scales a map wider than the panel down.
function showSweepMap(pixels, width, height) {
  const map = $('#sweep-map');
  map.width = width;
  map.height = height;
  map.getContext('2d').putImageData(putPixels(new ImageData(width, height), pixels), 0, 0);
}

// No map, no progress: before a sweep, and what a failed one leaves.
function clearSweep() {
  const map = $('#sweep-map');
  map.width = 1;
  map.height = 1;
  const progress = $('#sweep-progress');
  progress.max = 1;
  progress.value = 0;
  sweepBmp = null;
  $('#sweep-save').disabled = true;
}

$('#sweep-run').addEventListener('click', async () => {
  if (sweeping) return;
  sweeping = true;
  $('#sweep-run').disabled = true;
  const summary = $('#sweep-summary');
  summary.textContent = '';
  clearSweep();
  try {
    const module = await studies();
    const course = '/study/course.bmp';
    module.FS.writeFile('/study/ormakin.ini', program && !program.dead ? program.api.settingsText : '');
    // Without a course the study says so, in the window's words.
    if (module.FS.analyzePath(course).exists) module.FS.unlink(course);
    if (lastCourse) module.FS.writeFile(course, lastCourse.bytes);
    const count = module._studies_sweep_begin();
    if (count < 0) {
      summary.textContent = output(module);
      return;
    }
    const progress = $('#sweep-progress');
    progress.max = Math.max(1, count);
    let done = 0;
    while (done < count) {
      done = module._studies_sweep_next(kSweepSlice);
      progress.value = done;
      await new Promise((resolve) => setTimeout(resolve, 0));
    }
    const size = module._studies_sweep_finish();
    summary.textContent = output(module);
    if (size < 0) {
      clearSweep();
      return;
    }
    showSweepMap(module.FS.readFile('/study/map.rgb'), size & 0xffff, size >>> 16);
    module.FS.unlink('/study/map.rgb');
    sweepBmp = module.FS.readFile('/study/map.bmp');
    module.FS.unlink('/study/map.bmp');
    $('#sweep-save').disabled = false;
  } finally {
    sweeping = false;
    $('#sweep-run').disabled = false;
  }
});

$('#sweep-save').addEventListener('click', () => {
  if (sweepBmp) saveFile(new Blob([sweepBmp], { type: 'image/bmp' }), 'sweep-map.bmp');
});
