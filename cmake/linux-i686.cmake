# The core, ormakin-sim and their tests for 32-bit x86 Linux, with Debian's
# g++-multilib and the static library of zlib1g-dev:i386, which
# scripts/install-deps.sh i686 unpacks into build-deps/i386. The programs run
# natively where the kernel runs 32-bit programs, and under qemu-i386
# (Debian's qemu-user) on a machine whose kernel cannot.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# Doubles in SSE registers, as in the 32-bit Windows build: every double
# result is rounded to 64 bits where the code stores it. The car's extended
# arithmetic is long double and stays on the x87 either way.
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
# zlib's headers are the same for every architecture: the host's.
set(ZLIB_INCLUDE_DIR /usr/include)
set(ZLIB_LIBRARY ${CMAKE_CURRENT_LIST_DIR}/../build-deps/i386/usr/lib/i386-linux-gnu/libz.a)

# Whether the kernel runs a 32-bit program, found once per build tree by
# building and starting one (try_compile's own projects need not know).
get_property(ORMAKIN_IN_TRY_COMPILE GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT ORMAKIN_IN_TRY_COMPILE)
  if(NOT DEFINED CACHE{ORMAKIN_I686_RUNS_NATIVELY})
    set(probe ${CMAKE_BINARY_DIR}/CMakeFiles/i686-probe)
    file(WRITE ${probe}.c "int main(void) { return 0; }\n")
    execute_process(COMMAND gcc -m32 ${probe}.c -o ${probe} RESULT_VARIABLE built
                    OUTPUT_QUIET ERROR_QUIET)
    set(native OFF)
    if(built EQUAL 0)
      execute_process(COMMAND ${probe} RESULT_VARIABLE ran OUTPUT_QUIET ERROR_QUIET)
      if(ran EQUAL 0)
        set(native ON)
      endif()
    endif()
    set(ORMAKIN_I686_RUNS_NATIVELY ${native} CACHE BOOL
        "Whether this machine's kernel runs the 32-bit programs itself (else qemu-i386 runs them)")
    if(native)
      message(STATUS "32-bit programs run natively here")
    else()
      message(STATUS "32-bit programs do not run natively here: they run under qemu-i386")
    endif()
  endif()
  if(NOT ORMAKIN_I686_RUNS_NATIVELY)
    set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386;-L;/)
  endif()
endif()
