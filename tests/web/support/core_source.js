// Reads the core's texts and its menu table from its C++ headers, so that the
// page is checked against the one place where each of them is written.
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { repoRoot } from './paths.js';

const kSimpleEscapes = {
  n: 0x0a, r: 0x0d, t: 0x09, '\\': 0x5c, '"': 0x22, "'": 0x27, '?': 0x3f,
  a: 0x07, b: 0x08, f: 0x0c, v: 0x0b,
};

// The bytes of one C++ string literal's body (the text between its quotes),
// with its escapes resolved; the source is UTF-8.
function literalBytes(body) {
  const bytes = [];
  for (let i = 0; i < body.length; ) {
    if (body[i] !== '\\') {
      const cp = body.codePointAt(i);
      const ch = String.fromCodePoint(cp);
      bytes.push(...Buffer.from(ch, 'utf8'));
      i += ch.length;
      continue;
    }
    const next = body[i + 1];
    if (next in kSimpleEscapes) {
      bytes.push(kSimpleEscapes[next]);
      i += 2;
    } else if (next === 'x') {
      const hex = /^[0-9a-fA-F]+/.exec(body.slice(i + 2))[0];
      bytes.push(parseInt(hex, 16) & 0xff);
      i += 2 + hex.length;
    } else if (/[0-7]/.test(next)) {
      const octal = /^[0-7]{1,3}/.exec(body.slice(i + 1))[0];
      bytes.push(parseInt(octal, 8) & 0xff);
      i += 1 + octal.length;
    } else {
      throw new Error(`unsupported escape \\${next} in "${body}"`);
    }
  }
  return bytes;
}

const kLiteral = /"((?:[^"\\\n]|\\.)*)"/g;

// The text of the adjacent string literals in `source` (C++ joins them).
export function joinedLiterals(source) {
  const bytes = [];
  for (const m of source.matchAll(kLiteral)) {
    bytes.push(...literalBytes(m[1]));
  }
  return Buffer.from(bytes).toString('utf8');
}

export function readHeader(relativePath) {
  return readFileSync(join(repoRoot, relativePath), 'utf8');
}

// The value of `constexpr const char* NAME = "..." "...";` in a header.
export function stringConstant(header, name) {
  const m = new RegExp(`\\b${name}\\s*=([^;]*);`).exec(header);
  if (!m) {
    throw new Error(`no string constant ${name}`);
  }
  return joinedLiterals(m[1]);
}

// The menu bar as the menu table lists it: each menu with its entries, an
// entry being { kind: 'item' | 'separator', name, caption }.
export function menuTable(header) {
  const table = /kMainMenu\[\]\s*=\s*\{([\s\S]*?)\n\};/.exec(header);
  if (!table) {
    throw new Error('no menu table kMainMenu');
  }
  const entry =
    /\{\s*MenuEntry::Kind::(Menu|Item|Separator)\s*,\s*("(?:[^"\\]|\\.)*")\s*,\s*("(?:[^"\\]|\\.)*")/g;
  const menus = [];
  for (const [, kind, name, caption] of table[1].matchAll(entry)) {
    const e = { name: joinedLiterals(name), caption: joinedLiterals(caption) };
    if (kind === 'Menu') {
      menus.push({ ...e, entries: [] });
    } else if (menus.length === 0) {
      throw new Error(`menu entry ${e.name} before any menu`);
    } else {
      menus.at(-1).entries.push({ kind: kind === 'Item' ? 'item' : 'separator', ...e });
    }
  }
  return menus;
}

// The texts the page must show, each read from where the core keeps it.
export function coreTexts() {
  const traceMap = readHeader('src/core/window/trace_map.h');
  const errors = readHeader('src/core/base/errors.h');
  return {
    menus: menuTable(readHeader('src/core/window/main_menu.h')),
    applicationTitle: stringConstant(readHeader('src/core/base/message_box.h'), 'kApplicationTitle'),
    aboutCaption: stringConstant(traceMap, 'kAboutCaption'),
    aboutText: stringConstant(traceMap, 'kAboutText'),
    noCourse: stringConstant(traceMap, 'kNoCourseMessage'),
    openFilter: stringConstant(traceMap, 'Filter'),
    invalidBitmap: stringConstant(errors, 'kInvalidBitmapMessage'),
    malformedRule: stringConstant(readHeader('src/core/settings/settings_model.h'), 'kMalformedRuleMessage'),
  };
}

// A box's text as the page's `.text` shows it: "\r\n" is one line break.
export function shownText(text) {
  return text.replaceAll('\r\n', '\n');
}
