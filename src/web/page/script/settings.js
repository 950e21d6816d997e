// The settings text: the editor, its storage in the browser, loading and saving.

const settings = $('#settings');
const bundledSettings = decodeSettings(await inflate(bundle.settings));
// Work that follows the text waits for this pause in typing.
const kTypingPause = 300;

// The text is kept in the browser under the page's own key. A page from disk
// shares its storage with every other file there, so the key names the page
// and the version of what it keeps; the first page kept it under
// kEarlierSettingsKey, which is read but never written or removed.
const kSettingsKey = 'ormakin-page/1/settings';
const kEarlierSettingsKey = 'ormakin.settings';

// Keeps the text for the next visit, or says why it cannot.
function storeSettings() {
  let note = '';
  try {
    localStorage.setItem(kSettingsKey, settings.value);
  } catch (failure) {
    note = failure?.name === 'QuotaExceededError' ? words.settingsTooLarge : words.settingsNotKept;
  }
  $('#settings-note').textContent = note;
}

function storedSettings() {
  try {
    return localStorage.getItem(kSettingsKey) ?? localStorage.getItem(kEarlierSettingsKey);
  } catch {
    // Storage that is off keeps nothing to read; storeSettings says so.
    return null;
  }
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
  // The findings shown are of an earlier text until the lint answers.
  $('#lint').setAttribute('aria-busy', 'true');
  clearTimeout(typingTimer);
  typingTimer = setTimeout(textSettled, kTypingPause);
}

settings.value = storedSettings() ?? bundledSettings;
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
