// The course file chooser and the samples.

const courseInput = $('#course-file');
courseInput.addEventListener('change', async () => {
  const target = program;
  const file = courseInput.files[0];
  if (!file) {
    target?.answerFile(null);
    return;
  }
  // A file the browser cannot read (gone, a folder, no permission) goes to
  // the program without bytes, which then reports that it cannot open it.
  let bytes = null;
  try {
    bytes = new Uint8Array(await file.arrayBuffer());
  } catch (failure) {
    console.warn(`${file.name}: ${failure.message}`);
  }
  target?.answerFile({ name: file.name, bytes });
});
courseInput.addEventListener('cancel', () => program?.answerFile(null));

const samples = {};
for (const name of Object.keys(bundle.courses).sort()) {
  const button = document.createElement('button');
  button.dataset.sample = name;
  button.textContent = name;
  $('#samples').append(button);
}
$('#samples').addEventListener('click', async (event) => {
  const button = event.target.closest('button[data-sample]');
  if (!button || !program || program.dead) return;
  const target = program;
  const name = button.dataset.sample;
  samples[name] ??= await inflate(bundle.courses[name]);
  target.answerFile({ name, bytes: samples[name] });
  target.post({ kind: 'command', name: 'Open1' });
});
