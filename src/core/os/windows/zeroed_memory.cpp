#include "core/os/zeroed_memory.h"

#include <cstdlib>

namespace ormakin {

// The C library takes a large block straight from the system, whose fresh
// pages are zero, and clears only what it hands out again.
void* AllocateZeroed(std::size_t bytes) {
  return std::calloc(bytes, 1);
}

}  // namespace ormakin
