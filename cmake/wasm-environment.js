// The environment that a WebAssembly program sees is its own, not Node's:
// the variables that the tests read are handed on before main starts.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  for (const name of Object.keys(process.env)) {
    if (name.startsWith('ORMAKIN_') || name.startsWith('GTEST_')) {
      ENV[name] = process.env[name];
    }
  }
});
