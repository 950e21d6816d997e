#include "core/os/zeroed_memory.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace ormakin {

// WebAssembly's C library clears every block that calloc hands out, fresh
// memory included, which makes a large, mostly empty course cost its whole
// size. Its heap only grows (the break never moves back), and the memory
// beyond the break has never been written, so it is zero: only the part of
// the block below the break as it was before the allocation may hold old
// bytes, and only that part is cleared.
void* AllocateZeroed(std::size_t bytes) {
  const auto brk = reinterpret_cast<std::uintptr_t>(sbrk(0));
  void* block = std::malloc(bytes);
  if (block == nullptr) {
    return nullptr;
  }
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  if (start < brk) {
    std::memset(block, 0, std::min<std::uintptr_t>(bytes, brk - start));
  }
  return block;
}

}  // namespace ormakin
