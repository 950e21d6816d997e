// Stand-ins for the few POSIX calls that the core's tests make, so that the
// same test files build for Windows. Included before every test file of the
// Windows build.
#pragma once

#include <io.h>
#include <stdlib.h>
#include <sys/types.h>

#include <cstddef>

// Windows has no permission bits that could keep the tests from a file:
// answer as root does, for whom the tests skip their permission cases.
inline int geteuid() {
  return 0;
}

// There is no /proc/self/exe to read; the tests that need it are left out
// of the Windows run.
inline ssize_t readlink(const char*, char*, std::size_t) {
  return -1;
}

// The environment, through the runtime's own calls.
inline int setenv(const char* name, const char* value, int) {
  return _putenv_s(name, value);
}
inline int unsetenv(const char* name) {
  return _putenv_s(name, "");
}
