// A block of memory that reads zero, without writing the pages that the
// system hands out zero already, so that a large block costs memory only
// where it is written.
#pragma once

#include <cstddef>

namespace ormakin {

// `bytes` zero bytes, to be released with std::free; nullptr when there is
// no memory for them.
void* AllocateZeroed(std::size_t bytes);

}  // namespace ormakin
