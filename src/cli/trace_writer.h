// The trace of a run as CSV: one row for the placement and one per tick.
#pragma once

#include <cstdint>
#include <string>

#include "output_file.h"

namespace ormakin::cli {

class TraceWriter {
 public:
  // Opens the file ("-": standard output) and writes the header
  // "tick,x,y,direction,sensor_bits,state".
  explicit TraceWriter(const std::string& name);

  // One row; reals with 17 significant digits, so that they read back
  // exactly.
  void Row(std::uint64_t tick, double x, double y, double direction, std::int32_t sensorBits,
           std::int32_t state);

  // Raises Exception when anything written was lost.
  void Close() { file_.Close(); }

 private:
  OutputFile file_;
};

}  // namespace ormakin::cli
