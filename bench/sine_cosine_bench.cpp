// The integer sine and cosine (SinCosBits) beside the x87's fsincos, one call
// at a time over the arguments a car meets (headings in [0, 2 pi] and the
// same turned by extended pi/2 and pi), and as the four calls of a tick.
// fsincos is copied here so that the comparison outlives its use in the car.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/extended/sine_cosine.h"

namespace {

using namespace ormakin;

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))

struct LongDoubleSinCos {
  long double sin;
  long double cos;
};

LongDoubleSinCos Fsincos(long double x) {
  if (!(x < 0x1p63L && x > -0x1p63L)) {
    return x != x ? LongDoubleSinCos{x, x} : LongDoubleSinCos{0.0L, 0.0L};
  }
  long double s = 0;
  long double c = 0;
  __asm__("fsincos" : "=t"(c), "=u"(s) : "0"(x));
  return {s, c};
}

ExtendedBits BitsOf(long double v) {
  ExtendedBits bits;
  std::memcpy(&bits.significand, &v, sizeof bits.significand);
  std::memcpy(&bits.signExponent, reinterpret_cast<const char*>(&v) + 8, sizeof bits.signExponent);
  return bits;
}

long double ValueOf(ExtendedBits bits) {
  long double v = 0;
  std::memcpy(&v, &bits.significand, sizeof bits.significand);
  std::memcpy(reinterpret_cast<char*>(&v) + 8, &bits.signExponent, sizeof bits.signExponent);
  return v;
}

constexpr long double kPi = 3.14159265358979323846264338327950288L;
constexpr long double kHalfPi = kPi / 2;
constexpr long double kTwoPi = kPi * 2;

// 4096 arguments: a third headings, a third each turned by +-pi/2 or pi.
std::vector<long double> Arguments() {
  std::mt19937_64 random(3);
  std::uniform_real_distribution<double> heading(0.0, 6.283185307179586);
  std::vector<long double> out;
  for (int i = 0; i < 4096; ++i) {
    const long double d = heading(random);
    out.push_back(i % 3 == 0 ? d : i % 3 == 1 ? d + kHalfPi : d - kPi);
  }
  return out;
}

void BM_FsincosCall(benchmark::State& state) {
  const std::vector<long double> arguments = Arguments();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Fsincos(arguments[i++ & 4095]));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FsincosCall);

void BM_SinCosBitsCall(benchmark::State& state) {
  std::vector<ExtendedBits> arguments;
  for (const long double x : Arguments()) {
    arguments.push_back(BitsOf(x));
  }
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(SinCosBits(arguments[i++ & 4095]));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SinCosBitsCall);

// The three calls of a tick on a heading that changes every tick (as
// BM_SinCosFloor of step_bench.cpp), with either sine and cosine: the two
// side sensors' offset angles, then the new heading, whose pair the next
// Sense takes over.
template <typename SinCos>
void Tick(benchmark::State& state, SinCos sinCos) {
  long double direction = 4.7L;
  LongDoubleSinCos h = sinCos(direction);
  for (auto _ : state) {
    const LongDoubleSinCos left = sinCos(direction + kHalfPi);
    const LongDoubleSinCos right = sinCos(direction - kHalfPi);
    direction += (h.sin + left.cos + right.sin) * 1e-9L + 0.01L;
    if (direction > kTwoPi) {
      direction -= kTwoPi;
    }
    h = sinCos(direction);
    benchmark::DoNotOptimize(h);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["ticks_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_FsincosTick(benchmark::State& state) {
  Tick(state, Fsincos);
}
BENCHMARK(BM_FsincosTick);

void BM_SinCosBitsTick(benchmark::State& state) {
  Tick(state, [](long double x) {
    const SineCosineBits r = SinCosBits(BitsOf(x));
    return LongDoubleSinCos{ValueOf(r.sin), ValueOf(r.cos)};
  });
}
BENCHMARK(BM_SinCosBitsTick);

#endif

}  // namespace

BENCHMARK_MAIN();
