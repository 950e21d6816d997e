# The core, ormakin-sim and their tests for 64-bit Arm Linux, compiled by
# clang for the aarch64-linux-gnu target against Debian's cross C and C++
# libraries, and run under qemu-aarch64 (Debian's qemu-user). Not Debian's g++-aarch64-linux-gnu:
# it conflicts with g++-multilib, which the 32-bit x86 build needs, so one
# machine could not build both. Its long double is IEEE binary128, not the
# x87's extended format: the build shows which results depend on the
# arithmetic the car is computed in.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER clang)
set(CMAKE_C_COMPILER_TARGET aarch64-linux-gnu)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_CXX_COMPILER_TARGET aarch64-linux-gnu)
# The target's own headers and libraries, never the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Debian's zlib for arm64: the static library of zlib1g-dev:arm64, which
# scripts/install-deps.sh aarch64 unpacks into build-deps/arm64, outside
# the find root above: named here, with the host's headers, which are the
# same for every architecture. It is linked in.
set(ZLIB_INCLUDE_DIR /usr/include)
set(ZLIB_LIBRARY ${CMAKE_CURRENT_LIST_DIR}/../build-deps/arm64/usr/lib/aarch64-linux-gnu/libz.a)

# The emulator finds the dynamic loader and the C++ runtime under the cross
# libraries' prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64;-L;/usr/aarch64-linux-gnu)

# The cross C library has no character-set converters (gconv modules), so
# iconv cannot decode code page 932 here; the tests of that decoding are not
# run. Everything else, the exact runs among it, is.
set(ORMAKIN_TESTS_EXCLUDED
    ToDisplayText.ConvertsCodePage932AndKeepsUtf8
    CarConstruction.MalformedRuleTextInCodePage932IsShownDecoded
    Window.ConversionErrorShowsACodePage932PartDecoded
    Picture.FileNamesThatAreNotUtf8AreDecodedAloneInTheMessage)
