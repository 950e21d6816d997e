# The page (src/web) for WebAssembly, with Debian's emscripten: the core
# optimised for speed, since the car ticks in the browser. The page's own
# link flags are the page program's (src/web/CMakeLists.txt).
include(${CMAKE_CURRENT_LIST_DIR}/wasm-common.cmake)
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "")
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "")
