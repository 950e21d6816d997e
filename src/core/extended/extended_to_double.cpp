#include "core/extended/extended_to_double.h"

#include "core/extended/soft_extended.h"

namespace ormakin {

// The one narrowing of the car's arithmetic, whatever type Extended is in
// this build: SoftExtended's, which the x87's equals bit for bit.
double NarrowToDouble(const ExtendedBits& value) {
  return static_cast<double>(SoftExtended::FromBits(value));
}

}  // namespace ormakin
