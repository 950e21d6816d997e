// The settings text: the editor, its storage in the browser, loading and saving.

const settings = $('#settings');
const bundledSettings = decodeSettings(await inflate(bundle.settings));
// Work that follows the text waits for this pause in typing.
const kTypingPause = 300;

// Keeps the text for the next visit, or says why it cannot. Writes end in
// the order they began: the note is the last one's, and busy until then.
let keepsAsked = 0;
function storeSettings() {
  const id = ++keepsAsked;
  const note = $('#settings-note');
  note.setAttribute('aria-busy', 'true');
  keepSettings(settings.value).then((text) => {
    if (id !== keepsAsked) return;
    note.textContent = text;
    note.setAttribute('aria-busy', 'false');
  });
}

// After a pause in typing: the text kept and linted.
let typingTimer = null;
function textSettled() {
  clearTimeout(typingTimer);
  typingTimer = null;
  storeSettings();
  lint();
}
function settingsChanged() {
  lintOfEarlierText();
  clearTimeout(typingTimer);
  typingTimer = setTimeout(textSettled, kTypingPause);
}

settings.value = (await keptSettings()) ?? bundledSettings;
settings.addEventListener('input', settingsChanged);
$('#settings-apply').addEventListener('click', () => {
  // What is applied is kept and linted now, without waiting for the pause.
  if (typingTimer !== null) textSettled();
  // The course the window shows is shown again, with the new settings.
  start(lastCourse);
});
$('#settings-reset').addEventListener('click', () => {
  settings.value = bundledSettings;
  settings.dispatchEvent(new Event('input'));
});
$('#settings-load').addEventListener('click', () => {
  $('#settings-file').value = '';
  $('#settings-file').click();
});
$('#settings-file').addEventListener('change', async () => {
  const file = $('#settings-file').files[0];
  if (!file) return;
  settings.value = decodeSettings(new Uint8Array(await file.arrayBuffer()));
  settings.dispatchEvent(new Event('input'));
});
$('#settings-save').addEventListener('click', () => {
  saveFile(new Blob([settings.value], { type: 'text/plain' }), 'ormakin.ini');
});

$('#restart').addEventListener('click', () => start());
