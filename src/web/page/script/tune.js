// The search for a better rule table on the courses ticked here, from the
// settings the program runs with. The page's studies instance makes every
// decision of the search, a generation at a time; the studies' workers
// score its (controller, course) tasks, and their scores are taken back in
// task order, so what is found is the tool's for the same courses,
// settings, budget and seed, whatever the number of workers. Cancel ends
// the search after the generation under way and keeps the best so far.
let tuning = false;
let tuneCancelled = false;
let tunedText = null; // the tuned settings, what "use these settings" puts into the editor

// The search's tasks in the workers' code (workers.js): `tune-begin` opens
// the settings as the window opens them and reads the courses; `tune-run`
// answers with the scores of a range of a generation's tasks as bytes. The
// generation's rule tables come only with a worker's first range of it
// after ranges of another.
function tuneTask(tasks, ready, study) {
  tasks['tune-begin'] = async ({ settings, courses }) => {
    try {
      const module = await ready();
      module.FS.mkdirTree('/study/tune');
      module.FS.writeFile('/study/ormakin.ini', settings);
      courses.forEach((bytes, k) => module.FS.writeFile(`/study/tune/${k}.bmp`, bytes));
      if (module._studies_tune_work_begin(courses.length) < 0) study.failure(study.output(module));
      else postMessage({});
    } catch (error) {
      study.failure(error);
    }
  };
  tasks['tune-run'] = (task) =>
    study.results(task, (module) => {
      if (task.tasks) {
        // The room first: making it may move the module's memory.
        const at = module._studies_tune_work_tables(task.tasks.length);
        module.HEAPU8.set(task.tasks, at);
      }
      return module._studies_tune_work(task.first, task.count);
    });
}
workerParts.push(tuneTask);

// A checkbox for each sample, and one for the course the window shows when
// it came from a file.
for (const name of Object.keys(bundle.courses).sort()) {
  const label = document.createElement('label');
  const box = document.createElement('input');
  box.type = 'checkbox';
  box.dataset.sample = name;
  label.append(box, ` ${name}`);
  $('#tune-courses').append(label);
}

function windowFile() {
  return lastCourse && lastCourse.bytes !== samples[lastCourse.name] ? lastCourse : null;
}

let shownFile = null; // the course from a file that the file's checkbox stands for
function showTuneFile() {
  const file = windowFile();
  if (file === shownFile) return;
  shownFile = file;
  const label = $('#tune-file-label');
  label.hidden = !file;
  $('#tune-file').checked = false;
  $('#tune-file-name').textContent = file ? words.tuneWindowCourse.replace('{name}', file.name) : '';
}
// The window's course changes with each course opened (program.js says so)
// and is gone when the program starts again or ends, which changes its
// state.
new MutationObserver(showTuneFile).observe(document.body, { attributes: true, attributeFilter: ['data-state'] });
showTuneFile();

// The ticked courses, samples in name order and then the window's file:
// [{ name, bytes }].
async function tuneCourses() {
  const chosen = [];
  for (const box of document.querySelectorAll('#tune-courses input[data-sample]:checked')) {
    const name = box.dataset.sample;
    samples[name] ??= await inflate(bundle.courses[name]);
    chosen.push({ name, bytes: samples[name] });
  }
  if ($('#tune-file').checked && shownFile) chosen.push(shownFile);
  return chosen;
}

// The budget and the seed as the tool takes them, or null.
function tuneOptions() {
  const evaluations = $('#tune-evaluations').value.trim();
  const seed = $('#tune-seed').value.trim();
  const whole = (text, most) => /^\d+$/.test(text) && BigInt(text) <= most;
  if (!whole(evaluations, 0xffffffffn) || BigInt(evaluations) === 0n || !whole(seed, 0xffffffffffffffffn)) {
    return null;
  }
  return { evaluations: BigInt(evaluations).toString(), seed: BigInt(seed).toString() };
}

// Where the search stands: its progress line, "EVALUATIONS SCORE LAPS...".
const tuneProgress = progressShown((line) => {
  const [evaluations, best, ...laps] = line.trim().split(' ');
  $('#tune-progress').value = Number(evaluations);
  $('#tune-best').textContent = words.tuneBest.replace('{score}', best).replace('{laps}', laps.join(', '));
});

// The rules that changed, each "KEY: BEFORE → AFTER".
function showTuneChanges(text) {
  const list = $('#tune-changes');
  list.replaceChildren();
  for (const line of text.split('\n').filter(Boolean)) {
    const [key, before, after] = line.split('\t');
    const item = document.createElement('li');
    item.textContent = `${key}: ${before || words.tuneRuleUnset} → ${after || words.tuneRuleUnset}`;
    list.append(item);
  }
  if (!list.children.length) {
    const item = document.createElement('li');
    item.textContent = words.tuneNoChange;
    list.append(item);
  }
}

function clearTune() {
  $('#tune-progress').max = 1;
  $('#tune-progress').value = 0;
  $('#tune-best').textContent = '';
  $('#tune-summary').textContent = '';
  $('#tune-note').textContent = '';
  $('#tune-changes').replaceChildren();
  tunedText = null;
  $('#tune-use').disabled = true;
}

// A generation's tasks, `count` of them with their rule tables `tables`,
// as the workers run them: one a range, since they are few and of unequal
// length, so that the workers end the generation together.
function tuneBatch(tables, count) {
  return {
    count,
    tables,
    size: () => 1,
    message: (first, n, switched) => ({ kind: 'tune-run', first, count: n, ...(switched && { tasks: tables }) }),
  };
}

function sameBytes(a, b) {
  if (a.length !== b.length) return false;
  for (let i = 0; i < a.length; ++i) if (a[i] !== b[i]) return false;
  return true;
}

// The tune's workers, each sent the settings and the courses to begin with.
function tuneCrew(settings, courses) {
  return studyCrew({ kind: 'tune-begin', settings, courses: courses.map((c) => c.bytes) }, (dropped) => {
    $('#tune-note').textContent = words.tuneWorkersDropped.replace('{count}', dropped);
  });
}

// The rule tables of a generation's tasks that the studies instance
// `module` has just left in its results (studies_tune_begin, _next, _guess).
function leftTables(module) {
  const at = module._studies_results(-1);
  return module.HEAPU8.slice(at, at + module._studies_results_size());
}

// Runs the search the studies instance `module` has just begun, whose start
// has `count` tasks, on the `crew` until its budget is spent or it is
// cancelled. Returns whether it was cancelled. While a generation's last
// tasks are out, the workers with none run the next generation as the
// scores taken so far make it (the best child so far, unless a later one
// scores above it): nearly always the one that follows, whose scores are
// then already there or under way; otherwise they are dropped. A score
// taken meanwhile that changes the guess drops it at once, and the workers
// run the new one.
async function tuneOnWorkers(module, count, crew) {
  const failed = () => new Error(output(module));
  const tables = () => leftTables(module);
  const first = tables();
  let cancelled = false;
  await runOnCrew(
    crew,
    {
      first: tuneBatch(first, count),
      take({ bytes }) {
        putResults(module, bytes);
        const left = module._studies_tune_take();
        if (left < 0) throw failed();
        if (left === 0) tuneProgress.set(output(module));
      },
      next(guess) {
        if (tuneCancelled) {
          cancelled = true;
          return null;
        }
        const n = module._studies_tune_next();
        if (n < 0) throw failed();
        if (n === 0) return null;
        const made = tables();
        return guess && guess.count === n && sameBytes(guess.tables, made) ? guess : tuneBatch(made, n);
      },
      guess() {
        if (tuneCancelled) return null;
        const n = module._studies_tune_guess();
        if (n < 0) throw failed();
        return n > 0 ? tuneBatch(tables(), n) : null;
      },
      stale() {
        const stale = module._studies_tune_guess_stale();
        if (stale < 0) throw failed();
        return stale === 1;
      },
    },
    words.tuneNoWorkers,
  );
  return cancelled;
}

$('#tune-run').addEventListener('click', async () => {
  if (tuning || sweeping) return;
  tuning = true;
  tuneCancelled = false;
  $('#tune-run').disabled = true;
  $('#sweep-run').disabled = true;
  clearTune();
  const summary = $('#tune-summary');
  try {
    const options = tuneOptions();
    const courses = options ? await tuneCourses() : [];
    if (!options || !courses.length) {
      $('#tune-note').textContent = options ? words.tuneNoCourse : words.tuneBadOptions;
      return;
    }
    $('#tune-cancel').disabled = false;
    // The workers begin while the page's own instance does.
    const settings = program && !program.dead ? program.api.settingsText : '';
    const crew = tuneCrew(settings, courses);
    const module = await studies();
    module.FS.mkdirTree('/study/tune');
    module.FS.writeFile('/study/ormakin.ini', settings);
    module.FS.writeFile('/study/tune/options.txt', `${options.evaluations} ${options.seed}\n`);
    module.FS.writeFile('/study/tune/names.txt', courses.map((c) => `${c.name}\n`).join(''));
    courses.forEach((course, k) => module.FS.writeFile(`/study/tune/${k}.bmp`, course.bytes));
    const count = module._studies_tune_begin();
    for (let k = 0; k < courses.length; ++k) module.FS.unlink(`/study/tune/${k}.bmp`);
    if (count < 0) {
      summary.textContent = output(module);
      // No worker's answer to its beginning may reach the next study.
      await crew.begun();
      return;
    }
    $('#tune-progress').max = Number(options.evaluations);
    let cancelled = false;
    try {
      cancelled = await tuneOnWorkers(module, count, crew);
    } catch (failure) {
      // The search is dropped with its session.
      module._studies_tune_finish(1);
      summary.textContent = failure.message;
      return;
    } finally {
      tuneProgress.flush();
    }
    const finished = module._studies_tune_finish(cancelled ? 1 : 0);
    summary.textContent = output(module);
    if (finished < 0) return;
    tunedText = module.FS.readFile('/study/tune/tuned.ini', { encoding: 'utf8' });
    showTuneChanges(module.FS.readFile('/study/tune/changes.txt', { encoding: 'utf8' }));
    $('#tune-use').disabled = false;
  } finally {
    tuning = false;
    $('#tune-run').disabled = false;
    $('#sweep-run').disabled = false;
    $('#tune-cancel').disabled = true;
  }
});

$('#tune-cancel').addEventListener('click', () => {
  tuneCancelled = true;
  $('#tune-cancel').disabled = true;
});

// The tuned settings go into the editor, kept and linted as typed text is;
// 適用して再起動 applies them.
$('#tune-use').addEventListener('click', () => {
  if (tunedText === null) return;
  settings.value = tunedText;
  settings.dispatchEvent(new Event('input'));
});
