#include "fpu_precision.h"

namespace ormakin::win {

namespace {

constexpr unsigned short kPrecisionMask = 0x0300;  // bits 8 and 9 of the control word
constexpr unsigned short kPrecision64 = 0x0300;

unsigned short ControlWord() {
  unsigned short word = 0;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  return word;
}

// Runs while the program's static objects are made, before main: this
// object file is linked into every program of the Windows build.
const struct PrecisionAtStart {
  PrecisionAtStart() { UseExtendedPrecision(); }
} gPrecisionAtStart;

}  // namespace

void UseExtendedPrecision() {
  unsigned short word = ControlWord();
  word = static_cast<unsigned short>((word & ~kPrecisionMask) | kPrecision64);
  __asm__ volatile("fldcw %0" : : "m"(word));
}

unsigned PrecisionControl() {
  return (ControlWord() & kPrecisionMask) >> 8;
}

}  // namespace ormakin::win
