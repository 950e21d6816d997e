// ParseReal on the values a settings file holds, beside the C library's
// strtod on the same text (a conversion that rounds once, straight to double,
// and follows the machine's own long double nowhere).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "core/settings/decimal_mark.h"
#include "core/settings/parse_number.h"

namespace {

const std::string& Text(int which) {
  static const std::string texts[] = {
      "12.5",
      "-0.0123456789",
      "1.7976931348623157E308",
      "4.9406564584124654E-324",
      // The longest value the settings reader gives: 2047 digits.
      "0." + std::string(2045, '3'),
  };
  return texts[which];
}

void Label(benchmark::State& state) {
  const std::string& text = Text(static_cast<int>(state.range(0)));
  state.SetLabel(text.size() > 30 ? std::to_string(text.size()) + " digits" : text);
}

void BM_ParseReal(benchmark::State& state) {
  ormakin::SetDecimalMark('.');
  const std::string& text = Text(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(ormakin::ParseReal(text));
  }
  Label(state);
}
BENCHMARK(BM_ParseReal)->DenseRange(0, 4);

void BM_Strtod(benchmark::State& state) {
  const std::string& text = Text(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::strtod(text.c_str(), nullptr));
  }
  Label(state);
}
BENCHMARK(BM_Strtod)->DenseRange(0, 4);

}  // namespace

BENCHMARK_MAIN();
