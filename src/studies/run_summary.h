// The one line that sums up a run: how long it ran, whether and where the car
// ended, its loop and the hash of its trace.
#pragma once

#include <cstdint>
#include <string>

#include "core/car/car.h"
#include "core/car/car_run.h"

namespace ormakin::studies {

// "ticks=N stopped=yes|no x=X y=Y direction=D state=S loop_period=P
// hash=H", without a line break: the reals with 17 significant digits, so
// that they read back exactly, and the hash as 16 hexadecimal digits. `car`
// is the car after `result`'s run, `hash` the run's TraceHash.
std::string RunSummaryLine(const RunResult& result, std::uint64_t hash, const TCar& car);

}  // namespace ormakin::studies
