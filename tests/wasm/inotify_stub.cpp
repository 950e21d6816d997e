// WebAssembly under Node has no inotify: the functions exist, so that the
// test that watches a file links, and fail as a system without the service
// does. That test is not run there (cmake/wasm.cmake).
#include <sys/inotify.h>

#include <cerrno>

extern "C" int inotify_init1(int /*flags*/) {
  errno = ENOSYS;
  return -1;
}

extern "C" int inotify_add_watch(int /*fd*/, const char* /*path*/, uint32_t /*mask*/) {
  errno = ENOSYS;
  return -1;
}
