// The studies: a second instance of the same module, without the window,
// which joins what the workers find.

// The module compiled once, for the studies' instance and every worker's.
let compiledWasm = null;
function compiledModule() {
  compiledWasm ??= (async () => {
    wasmBinary ??= await inflate(bundle.wasm);
    return WebAssembly.compile(wasmBinary);
  })();
  return compiledWasm;
}

let studiesInstance = null;
async function studies() {
  const wasmModule = await compiledModule();
  studiesInstance ??= globalThis.OrmakinModule({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(wasmModule, imports).then((instance) => receive(instance, wasmModule));
      return {};
    },
    noInitialRun: true,
    page: {},
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
  }).then((module) => {
    module.FS.mkdirTree('/study');
    return module;
  });
  return studiesInstance;
}

const output = (module) => module.FS.readFile('/study/output.txt', { encoding: 'utf8' });

// A study's progress, drawn at most every kProgressMs as the tool redraws its
// progress bar: drawing the page again for every generation of a tune took
// a tenth of the tune's time. `set(value)` keeps the latest value and draws
// it when the time comes, `flush()` draws what is pending at once;
// `show(value)` draws.
const kProgressMs = 100;
function progressShown(show) {
  let pending = null;
  const flush = () => {
    if (pending === null) return;
    const value = pending;
    pending = null;
    show(value);
  };
  return {
    set(value) {
      if (pending === null) setTimeout(flush, kProgressMs);
      pending = value;
    },
    flush,
  };
}

// Puts a worker's results as bytes into the studies instance `module`, for
// it to take. The room is made first: it may grow the module's memory, which
// gives it a new HEAPU8.
function putResults(module, bytes) {
  const at = module._studies_results(bytes.length);
  module.HEAPU8.set(bytes, at);
}
