#include "cli/trace_writer.h"

#include <array>
#include <charconv>

#include "studies/number_text.h"

namespace ormakin::cli {

TraceWriter::TraceWriter(const std::string& name) : file_(name) {
  file_.Write(std::string_view("tick,x,y,direction,sensor_bits,state\n"));
}

void TraceWriter::Row(std::uint64_t tick, const TCar& car) {
  // The line has room for the longest row, so nothing is ever cut; the
  // reals are written as every study prints them.
  std::array<char, 3 * (studies::kExactTextRoom + 1) + 64> line{};
  char* p = line.data();
  char* const end = line.data() + line.size();
  auto put = [&](char c) {
    if (p < end) *p++ = c;
  };
  p = std::to_chars(p, end, tick).ptr;
  for (double v : {car.X(), car.Y(), car.Direction()}) {
    put(',');
    p = studies::WriteExactText(v, p, end);
  }
  put(',');
  p = std::to_chars(p, end, car.SensorBits()).ptr;
  put(',');
  p = std::to_chars(p, end, car.State()).ptr;
  put('\n');
  file_.Write(line.data(), static_cast<std::size_t>(p - line.data()));
}

}  // namespace ormakin::cli
