// Sets the x87 to the car's precision while the program's static objects are
// made, before main: 64-bit Windows starts the main thread with 53 bits. This
// object file is linked into every program of the Windows build, so that no
// linker can drop it.
#include "core/extended/precision_control.h"

namespace {

const struct PrecisionAtStart {
  PrecisionAtStart() { ormakin::UseExtendedPrecision(); }
} gPrecisionAtStart;

}  // namespace
