// The trace of a run as CSV: one row for the placement and one per tick.
#pragma once

#include <cstdint>
#include <string>

#include "cli/output_file.h"
#include "core/car/car.h"
#include "core/car/car_run.h"

namespace ormakin::cli {

class TraceWriter : public RunObserver {
 public:
  // Opens the file ("-": standard output) and writes the header
  // "tick,x,y,direction,sensor_bits,state".
  explicit TraceWriter(const std::string& name);

  // One row (tick 0 for the placement); reals with 17 significant digits,
  // so that they read back exactly.
  void Placed(const TCar& car) override { Row(0, car); }
  void Ticked(const TickReport& tick) override { Row(tick.tick, tick.car); }

  // Raises Exception when anything written was lost.
  void Close() { file_.Close(); }

 private:
  void Row(std::uint64_t tick, const TCar& car);

  OutputFile file_;
};

}  // namespace ormakin::cli
