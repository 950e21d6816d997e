# The core and its tests for WebAssembly, with Debian's emscripten, run under
# Node. Its long double is IEEE binary128, computed in software.
#
# Two quirks of Debian's emscripten with Node 20: the optimizer that runs at
# link time loads acorn from Debian's node-acorn, which Node finds only
# through NODE_PATH; and a program it made must run with Node's experimental
# fetch turned off, or its start-up takes the wrong path for reading the
# WebAssembly file.
set(ORMAKIN_WASM_NODE_PATH /usr/share/nodejs)
set(CMAKE_CROSSCOMPILING_EMULATOR node;--no-experimental-fetch)
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# Exceptions carry the program's failures. The tests read the repository's
# files through Node's own file system (NODERAWFS), and a few build courses
# of many megabytes, so memory may grow; wasm-environment.js hands them the
# variables they read. No threads.
set(CMAKE_C_FLAGS_INIT "-fexceptions")
set(CMAKE_CXX_FLAGS_INIT "-fexceptions -include ${CMAKE_CURRENT_LIST_DIR}/wasm-compat.h")
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-fexceptions -sNODERAWFS=1 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1 --pre-js ${CMAKE_CURRENT_LIST_DIR}/wasm-environment.js")
set(CMAKE_CXX_LINKER_LAUNCHER env NODE_PATH=${ORMAKIN_WASM_NODE_PATH})
set(CMAKE_C_LINKER_LAUNCHER env NODE_PATH=${ORMAKIN_WASM_NODE_PATH})
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
