#include "studies/for_each_index.h"

#include "core/extended/precision_control.h"

namespace ormakin::studies {

void RunSerially(std::size_t count, const std::function<void(std::size_t)>& task,
                 const std::function<void(std::size_t)>& progress) {
  // As on every thread of a pool: the car computes at the x87's full width.
  UseExtendedPrecision();
  for (std::size_t i = 0; i < count; ++i) {
    task(i);
    if (progress) {
      progress(i + 1);
    }
  }
  if (progress && count == 0) {
    progress(0);
  }
}

ForEachIndex SerialRunner() {
  return RunSerially;
}

}  // namespace ormakin::studies
