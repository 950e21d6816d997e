# What every WebAssembly build shares, with Debian's emscripten: the core's
# compiler and its flags. cmake/wasm.cmake (the tests under Node) and
# cmake/web.cmake (the page) add their own links on top.
#
# Two quirks of Debian's emscripten with Node 20: the optimizer that runs at
# link time loads acorn from Debian's node-acorn, which Node finds only
# through NODE_PATH; and a program it made must run with Node's experimental
# fetch turned off, or its start-up takes the wrong path for reading the
# WebAssembly file.
set(ORMAKIN_WASM_NODE_PATH /usr/share/nodejs)
set(CMAKE_CROSSCOMPILING_EMULATOR node;--no-experimental-fetch)
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# Exceptions carry the program's failures (emscripten turns their catching
# off unless asked). No threads.
set(CMAKE_C_FLAGS_INIT "-fexceptions")
set(CMAKE_CXX_FLAGS_INIT "-fexceptions -include ${CMAKE_CURRENT_LIST_DIR}/wasm-compat.h")
set(CMAKE_CXX_LINKER_LAUNCHER env NODE_PATH=${ORMAKIN_WASM_NODE_PATH})
set(CMAKE_C_LINKER_LAUNCHER env NODE_PATH=${ORMAKIN_WASM_NODE_PATH})
