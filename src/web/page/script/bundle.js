// What every part of the page shares: the bundle the build put into it
// (the WebAssembly, the sample courses, the settings, the page's words) and
// the way its files are unpacked.

const $ = (selector) => document.querySelector(selector);
const bundle = JSON.parse($('#bundle').textContent);
// The page's own words in the page's language (language.js fills it; the
// program's words come from the program).
const words = {};
const kStates = ['starting', 'idle', 'running'];

function base64Bytes(text) {
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

// The bundle's files are gzipped; the browser inflates them.
async function inflate(text) {
  const stream = new Blob([base64Bytes(text)]).stream().pipeThrough(new DecompressionStream('gzip'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

// Settings text from a file: UTF-8, or else the code page the program's
// files were first written in.
function decodeSettings(bytes) {
  try {
    return new TextDecoder('utf-8', { fatal: true }).decode(bytes);
  } catch {
    return new TextDecoder('shift_jis').decode(bytes);
  }
}
