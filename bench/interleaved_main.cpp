// The main of the benchmark programs that set two implementations side by
// side: BENCHMARK_MAIN with the repetitions of all benchmarks interleaved in
// random order, so that a change of load on the machine falls on both sides
// alike, unless the command line says otherwise (a later flag overrides an
// earlier one).
#include <benchmark/benchmark.h>

#include <vector>

int main(int argc, char** argv) {
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  std::vector<char*> args(argv, argv + argc);
  args.insert(args.begin() + (argc > 0 ? 1 : 0), interleave);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
