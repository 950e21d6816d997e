// Runs under a user-mode emulator of x86 (qemu-i386): its x87 sine and cosine
// are its own and differ from the processor's in the last bits, so a test
// that pins an exact trajectory cannot hold there while the car's SinCos is
// that instruction (kSinCosFromX87). The test runner names the emulator in
// ORMAKIN_EMULATED_X87; everything else still runs. Once SinCos computes
// without the instruction, nothing skips and this header can go.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "extended_math.h"

#define ORMAKIN_SKIP_IF_X87_EMULATED()                                              \
  if (const char* emulator = std::getenv("ORMAKIN_EMULATED_X87");                   \
      ::ormakin::kSinCosFromX87 && emulator != nullptr && *emulator != '\0')        \
  GTEST_SKIP() << "an exact trajectory: the x87 sine and cosine under " << emulator \
               << " are the emulator's, not the processor's"
