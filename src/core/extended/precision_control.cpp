#include "core/extended/precision_control.h"

#include "core/extended/x87.h"

namespace ormakin {

void UseExtendedPrecision() {
#if ORMAKIN_HAS_X87
  constexpr std::uint16_t kControlMask = 0x0F00;  // precision and rounding control
  constexpr std::uint16_t kExtendedNearest = 0x0300;
  const std::uint16_t word = X87ControlWord();
  if ((word & kControlMask) != kExtendedNearest) {
    SetX87ControlWord(static_cast<std::uint16_t>((word & ~kControlMask) | kExtendedNearest));
  }
#endif
}

}  // namespace ormakin
