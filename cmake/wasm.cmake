# The core and its tests for WebAssembly, with Debian's emscripten, run under
# Node. Its long double is IEEE binary128, computed in software.
include(${CMAKE_CURRENT_LIST_DIR}/wasm-common.cmake)

# The tests read the repository's files through Node's own file system
# (NODERAWFS), and a few build courses of many megabytes, so memory may grow;
# wasm-environment.js hands them the variables they read.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-fexceptions -sNODERAWFS=1 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1 --pre-js ${CMAKE_CURRENT_LIST_DIR}/wasm-environment.js")
# Optimised, but not as far as the optimizer's slowest passes: the test
# program is large and this machine compiles it often.
set(CMAKE_CXX_FLAGS_RELEASE "-O1 -DNDEBUG" CACHE STRING "")
set(CMAKE_C_FLAGS_RELEASE "-O1 -DNDEBUG" CACHE STRING "")

# Tests of services this system lacks are not run: Node's file system, seen
# from WebAssembly, has no inotify (its functions fail,
# tests/wasm/inotify_stub.cpp), and emscripten's C library has no converter
# from code page 932.
set(ORMAKIN_TESTS_EXCLUDED
    ReadProfileString.OpensTheFileForReadingOnlyAndClosesIt
    ToDisplayText.ConvertsCodePage932AndKeepsUtf8
    CarConstruction.MalformedRuleTextInCodePage932IsShownDecoded
    Window.ConversionErrorShowsACodePage932PartDecoded
    Picture.FileNamesThatAreNotUtf8AreDecodedAloneInTheMessage)
