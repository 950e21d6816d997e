// The page's own words in the language chosen: the language switch's, kept
// under the page's own key, or else the first of the browser's languages
// that the page has (English when it has none of them). A "lang" query
// parameter chooses one for this visit alone. The program's own texts
// (menus, boxes, messages) are its own and stay as they are.

// Versioned, as the settings key is: a page from disk shares its storage
// with every other file there.
const kLanguageKey = 'ormakin-page/1/language';
const kLanguages = Object.keys(bundle.words);
let language = null;

function browserLanguage() {
  for (const tag of navigator.languages ?? [navigator.language]) {
    const primary = String(tag).toLowerCase().split('-')[0];
    if (kLanguages.includes(primary)) return primary;
  }
  return 'en';
}

function startLanguage() {
  const asked = new URLSearchParams(location.search).get('lang');
  if (kLanguages.includes(asked)) return asked;
  try {
    const kept = localStorage.getItem(kLanguageKey);
    if (kLanguages.includes(kept)) return kept;
  } catch {
    // Storage that is off keeps no choice.
  }
  return browserLanguage();
}

// Puts the words of `chosen` into `words` and onto the page's static texts
// (data-word: the element's text; data-word-label: its accessible name);
// the parts that write words themselves hear of it by "words-changed".
function useLanguage(chosen) {
  language = chosen;
  Object.assign(words, bundle.words[chosen]);
  document.documentElement.lang = chosen;
  for (const element of document.querySelectorAll('[data-word]')) {
    element.textContent = words[element.dataset.word];
  }
  for (const element of document.querySelectorAll('[data-word-label]')) {
    element.setAttribute('aria-label', words[element.dataset.wordLabel]);
  }
  $('#language').value = chosen;
  document.dispatchEvent(new Event('words-changed'));
}

useLanguage(startLanguage());
$('#language').addEventListener('change', () => {
  const chosen = $('#language').value;
  try {
    localStorage.setItem(kLanguageKey, chosen);
  } catch {
    // Without storage the choice lasts this visit.
  }
  useLanguage(chosen);
});
