// The studies: a second instance of the same module, without the window.

let studiesInstance = null;
async function studies() {
  wasmBinary ??= await inflate(bundle.wasm);
  studiesInstance ??= globalThis.OrmakinModule({
    wasmBinary,
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
