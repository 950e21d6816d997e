// The core's texts and its menu table, as the web build writes them
// (core_texts.json, from the program's own constants), so that the page is
// checked against the one place where each of them is written.
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { webDir } from './paths.js';

let texts;

// { menus: [{ name, caption, entries: [{ kind: 'item' | 'separator', name,
// caption }] }], applicationTitle, aboutCaption, aboutText, noCourse,
// openFilter, invalidBitmap, malformedRule }
export function coreTexts() {
  texts ??= JSON.parse(readFileSync(join(webDir, 'core_texts.json'), 'utf8'));
  return texts;
}

// A box's text as the page's `.text` shows it: "\r\n" is one line break.
export function shownText(text) {
  return text.replaceAll('\r\n', '\n');
}
