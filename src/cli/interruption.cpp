#include "cli/interruption.h"

#include <array>
#include <atomic>
#include <cstring>

#include "core/base/errors.h"

namespace ormakin::cli {

namespace {

// The names are kept in memory made ready beforehand, as a handler that
// runs in a signal handler needs them: a few outputs at a time, each name as
// long as Windows allows (32767 UTF-16 units, 3 bytes each at most).
constexpr std::size_t kSlots = 8;
constexpr std::size_t kLongestName = std::size_t{3} * 32767;

enum SlotState : int { kFree, kFilling, kPending };

struct Slot {
  std::atomic<int> state{kFree};
  std::array<char, kLongestName + 1> name{};
};

std::array<Slot, kSlots> slots;

// 0: no CtrlCStop; 1: one waits for Ctrl+C; 2: Ctrl+C came.
std::atomic<int> ctrlCStop{0};

static_assert(std::atomic<int>::is_always_lock_free);

}  // namespace

void CatchInterruptions() {
  HandleInterruptions(OnInterruption);
}

bool OnInterruption(Interruption what) {
  if (what == Interruption::kCtrlC) {
    int waiting = 1;
    if (ctrlCStop.compare_exchange_strong(waiting, 2)) {
      return true;
    }
  }
  for (Slot& slot : slots) {
    if (slot.state.load() == kPending) {
      RemoveFileAtOnce(slot.name.data());
    }
  }
  return false;
}

PendingFile::PendingFile(const std::string& name) : slot_(-1) {
  if (name.size() > kLongestName) {
    throw Exception("cannot write " + name + ": the name is too long");
  }
  for (std::size_t i = 0; i < kSlots; ++i) {
    int free = kFree;
    if (slots[i].state.compare_exchange_strong(free, kFilling)) {
      std::memcpy(slots[i].name.data(), name.c_str(), name.size() + 1);
      slots[i].state.store(kPending);
      slot_ = static_cast<int>(i);
      return;
    }
  }
  throw Exception("cannot write " + name + ": too many outputs at once");
}

PendingFile::~PendingFile() {
  slots[static_cast<std::size_t>(slot_)].state.store(kFree);
}

CtrlCStop::CtrlCStop() {
  ctrlCStop.store(1);
}

CtrlCStop::~CtrlCStop() {
  ctrlCStop.store(0);
}

bool CtrlCStop::Requested() const {
  return ctrlCStop.load() == 2;
}

}  // namespace ormakin::cli
