// The sweep over the course the window shows, with the settings the program
// runs with (the applied ones, not the editor's). The studies' workers run
// its starts, a range at a time; the page's studies instance joins their
// results in start order and makes the summary and the map, the same
// whatever the number of workers. A worker that cannot hold the course is
// dropped and the others do its share.
// A worker's range holds this share of the starts not handed out yet,
// divided among the workers: large ranges first, for few answers to join,
// and small ones at the end, so that the workers end together.
const kSweepShare = 1 / 4;
let sweeping = false;
// The shown map as the tool's BMP file (`sweep --map`), what 保存... hands out.
let sweepBmp = null;

// The sweep's tasks in the workers' code (workers.js): `sweep-begin` opens
// the course and the settings as the window opens them and answers with the
// number of starts; `sweep-run` answers with the results of a range of
// starts as bytes.
function sweepTask(tasks, ready, study) {
  tasks['sweep-begin'] = async ({ settings, course }) => {
    try {
      const module = await ready();
      module.FS.writeFile('/study/ormakin.ini', settings);
      if (module.FS.analyzePath('/study/course.bmp').exists) module.FS.unlink('/study/course.bmp');
      if (course) module.FS.writeFile('/study/course.bmp', course);
      const count = module._studies_sweep_begin();
      if (count < 0) study.failure(study.output(module));
      else postMessage({ count });
    } catch (error) {
      study.failure(error);
    }
  };
  tasks['sweep-run'] = (task) => study.results(task, (module) => module._studies_sweep_run(task.first, task.count));
  // Runs the sweep's code once, a few starts, and answers nothing (see
  // warmSweep).
  tasks['sweep-warm'] = async ({ settings, course, starts }) => {
    try {
      const module = await ready();
      module.FS.writeFile('/study/ormakin.ini', settings);
      module.FS.writeFile('/study/course.bmp', course);
      const count = module._studies_sweep_begin();
      if (count >= 0) module._studies_sweep_run(0, Math.min(starts, count));
    } catch (error) {
      console.warn(`the sweep's warm-up: ${error?.message ?? error}`);
    }
  };
}
workerParts.push(sweepTask);

// Starts of the warm-up in each worker: some 50 ms of the car's ticks, about
// what the browser runs of them before it has compiled them fully.
const kWarmStarts = 40;

// The browser compiles the module's code as it first runs, and its fastest
// code only once a function has run for a while: in a fresh page the first
// sweep took a third longer than the next. So while the page waits for the
// user, the sweep's code runs once on the first sample course with the
// settings the program runs with: a few starts in each of `workers`, and
// the beginning and end of a sweep in the page's own instance. The compiled
// code is shared by all instances of the module, those made later among
// them. Nothing of it is kept or shown.
async function warmSweep(workers) {
  const [first] = Object.keys(bundle.courses).sort();
  if (!first || !program || program.dead) return;
  samples[first] ??= await inflate(bundle.courses[first]);
  const settings = program.api.settingsText;
  const course = samples[first];
  for (const worker of workers) worker.postMessage({ kind: 'sweep-warm', settings, course, starts: kWarmStarts });
  const module = await studies();
  if (sweeping || tuning) return;
  module.FS.writeFile('/study/ormakin.ini', settings);
  module.FS.writeFile('/study/course.bmp', course);
  if (module._studies_sweep_begin() < 0 || module._studies_sweep_finish() < 0) return;
  module.FS.unlink('/study/map.bmp');
}

// Shows the map that the studies instance `module` has left in its
// results, at its own size; the style scales a map wider than the panel
// down. The canvas copies the pixels straight from the module's memory.
function showSweepMap(module, width, height) {
  const map = $('#sweep-map');
  map.width = width;
  map.height = height;
  const rgba = new Uint8ClampedArray(module.HEAPU8.buffer, module._studies_results(-1), 4 * width * height);
  map.getContext('2d').putImageData(new ImageData(rgba, width, height), 0, 0);
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

// The sweep's workers, each sent the settings and the course to begin with.
function sweepCrew(settings, course) {
  return studyCrew({ kind: 'sweep-begin', settings, course }, (dropped) => {
    $('#sweep-note').textContent = words.workersDropped.replace('{count}', dropped);
  });
}

// Runs the `count` starts the studies instance `module` has begun on the
// crew, joining their results there in start order as they come. Settles
// once every start is joined; rejects, with the workers' failures, when no
// worker is left to run them.
async function sweepOnWorkers(module, crew, count) {
  const progress = progressShown((done) => {
    $('#sweep-progress').value = done;
  });
  const take = ({ bytes }) => {
    putResults(module, bytes);
    const done = module._studies_sweep_take();
    if (done < 0) throw new Error(output(module));
    progress.set(done);
  };
  const range = (first, n) => ({ kind: 'sweep-run', first, count: n });
  const size = (left) => Math.ceil((left * kSweepShare) / Math.max(1, crew.members.length));
  try {
    await shareOnCrew(crew, count, size, range, take, words.noWorkers);
  } finally {
    progress.flush();
  }
}

$('#sweep-run').addEventListener('click', async () => {
  if (sweeping || tuning) return;
  sweeping = true;
  $('#sweep-run').disabled = true;
  const summary = $('#sweep-summary');
  summary.textContent = '';
  $('#sweep-note').textContent = '';
  clearSweep();
  try {
    const course = '/study/course.bmp';
    const settings = program && !program.dead ? program.api.settingsText : '';
    const courseBytes = lastCourse?.bytes ?? null;
    // The workers begin while the page's own instance does.
    const crew = sweepCrew(settings, courseBytes);
    const module = await studies();
    module.FS.writeFile('/study/ormakin.ini', settings);
    // Without a course the study says so, in the window's words.
    if (module.FS.analyzePath(course).exists) module.FS.unlink(course);
    if (courseBytes) module.FS.writeFile(course, courseBytes);
    const count = module._studies_sweep_begin();
    if (count < 0) {
      summary.textContent = output(module);
      // No worker's answer to its beginning may reach the next study.
      await crew.begun();
      return;
    }
    const progress = $('#sweep-progress');
    progress.max = Math.max(1, count);
    try {
      await sweepOnWorkers(module, crew, count);
    } catch (failure) {
      // The sweep is dropped with its session.
      module._studies_sweep_finish();
      clearSweep();
      summary.textContent = failure.message;
      return;
    }
    const size = module._studies_sweep_finish();
    summary.textContent = output(module);
    if (size < 0) {
      clearSweep();
      return;
    }
    showSweepMap(module, size & 0xffff, size >>> 16);
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
