# What both mingw-w64 toolchain files share; ORMAKIN_MINGW_TRIPLE names the
# compiler prefix.
# The POSIX-thread flavour: its C++ library has std::mutex, which GoogleTest
# needs; linked statically, it needs no DLL either.
set(CMAKE_C_COMPILER ${ORMAKIN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORMAKIN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORMAKIN_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORMAKIN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs run under Wine on the build machine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# Statically linked: the .exe needs no runtime DLL beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
