// The settings text kept in the browser for the next visit.
//
// It is kept in IndexedDB, which copies the text and writes it away from the
// page's thread: a text of megabytes written to localStorage held the page
// for a fifth of a second at every pause in typing, and localStorage holds
// no more than 5 M characters for all the pages of a disk together. A page
// from disk shares its storage with every other file there, so the key names
// the page and the version of what it keeps. Texts kept by earlier pages are
// read where IndexedDB holds none, and never written or removed: localStorage
// under the same key, and under kEarlierSettingsKey before it. Where
// IndexedDB cannot be opened, the text goes to localStorage under that key.

const kSettingsKey = 'ormakin-page/1/settings';
const kEarlierSettingsKey = 'ormakin.settings';
const kKeptDatabase = 'ormakin-page';
const kKeptStore = 'kept';

// The page's database, or null where the browser gives it none.
let keptDatabase = null;
function openKeptDatabase() {
  keptDatabase ??= new Promise((resolve) => {
    const request = indexedDB.open(kKeptDatabase, 1);
    request.onupgradeneeded = () => request.result.createObjectStore(kKeptStore);
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => {
      console.warn(`the settings are kept in localStorage: ${request.error?.message}`);
      resolve(null);
    };
  }).catch((failure) => {
    // indexedDB.open throws where storage is off for the page.
    console.warn(`the settings are kept in localStorage: ${failure.message}`);
    return null;
  });
  return keptDatabase;
}

// The note for a text the browser refused to keep.
function notKeptNote(failure) {
  return failure?.name === 'QuotaExceededError' ? words.settingsTooLarge : words.settingsNotKept;
}

function keepInLocalStorage(text) {
  try {
    localStorage.setItem(kSettingsKey, text);
    return '';
  } catch (failure) {
    return notKeptNote(failure);
  }
}

// Keeps `text`; answers '' once it is kept, or the note that says why not.
async function keepSettings(text) {
  const database = await openKeptDatabase();
  if (!database) return keepInLocalStorage(text);
  return new Promise((resolve) => {
    let transaction;
    try {
      transaction = database.transaction(kKeptStore, 'readwrite');
      transaction.objectStore(kKeptStore).put(text, kSettingsKey);
    } catch (failure) {
      resolve(notKeptNote(failure));
      return;
    }
    transaction.oncomplete = () => resolve('');
    // A quota the text exceeds aborts the transaction with that error.
    transaction.onabort = () => resolve(notKeptNote(transaction.error));
  });
}

function keptInLocalStorage() {
  try {
    return localStorage.getItem(kSettingsKey) ?? localStorage.getItem(kEarlierSettingsKey);
  } catch {
    // Storage that is off keeps nothing to read; keepSettings says so.
    return null;
  }
}

// The text kept at the last visit, or null.
async function keptSettings() {
  const database = await openKeptDatabase();
  const kept = database
    ? await new Promise((resolve, reject) => {
        const request = database.transaction(kKeptStore).objectStore(kKeptStore).get(kSettingsKey);
        request.onsuccess = () => resolve(request.result);
        request.onerror = () => reject(request.error);
      }).catch((failure) => {
        // The page still starts, with what an earlier page kept.
        console.warn(`the kept settings could not be read: ${failure.message}`);
        return undefined;
      })
    : undefined;
  return typeof kept === 'string' ? kept : keptInLocalStorage();
}
