// The car's extended arithmetic: SoftExtended's + - * / beside the x87's
// long double (where the processor has one), and a tick's arithmetic
// without its sines and cosines: the three probe points' sums and
// truncations, the turn, the distance and the new position.
//
// Both types get the same work: every constant goes through Opaque, so the
// compiler folds none of them (it folds long double constants, and would
// leave SoftExtended's), and the repetitions of the two sides run
// interleaved (interleaved_main.cpp).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>

#include "core/extended/extended.h"

namespace {

using ormakin::SoftExtended;
using ormakin::Trunc32;

constexpr std::size_t kOperands = 256;

template <typename T>
std::array<T, kOperands> Operands(std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> value(-1000.0, 1000.0);
  std::array<T, kOperands> operands;
  for (T& o : operands) {
    o = T(value(random));
  }
  return operands;
}

// The value, unknown to the compiler from here on.
template <typename T>
T Opaque(T value) {
  benchmark::DoNotOptimize(value);
  return value;
}

template <typename T, typename Op>
void RunOperation(benchmark::State& state, Op op) {
  const auto a = Operands<T>(1);
  const auto b = Operands<T>(2);
  std::size_t i = 0;
  for (auto _ : state) {
    T r = op(a[i], b[i]);
    benchmark::DoNotOptimize(r);
    i = (i + 1) % kOperands;
  }
  state.SetItemsProcessed(state.iterations());
}

template <typename T>
void BM_ExtendedAdd(benchmark::State& state) {
  RunOperation<T>(state, [](T a, T b) { return a + b; });
}
template <typename T>
void BM_ExtendedMul(benchmark::State& state) {
  RunOperation<T>(state, [](T a, T b) { return a * b; });
}
template <typename T>
void BM_ExtendedDiv(benchmark::State& state) {
  RunOperation<T>(state, [](T a, T b) { return a / b; });
}

// One tick's arithmetic as TCar::Sense and TCar::Step do it, with the sines
// and cosines taken from a table.
template <typename T>
void BM_ExtendedTick(benchmark::State& state) {
  const auto sines = Operands<T>(3);
  const auto cosines = Operands<T>(4);
  const T pi = Opaque(T(3.141592653589793));
  const T twoPi = pi * Opaque(T(2));
  const T thousand = Opaque(T(1000));
  const T half = Opaque(T(0.5));
  const T ahead = Opaque(T(20.0));
  const T left = Opaque(T(8.0));
  const T right = Opaque(T(-8.0));
  const T turn = Opaque(T(3.0));
  const T degrees = Opaque(T(180));
  const T speed = Opaque(T(1.5));
  const T advance = Opaque(T(1.0));
  double direction = 1.0;
  double x = 250.0;
  double y = 200.0;
  std::size_t i = 0;
  for (auto _ : state) {
    const T s = sines[i] / thousand;
    const T c = cosines[i] / thousand;
    const double sinH = static_cast<double>(s);
    const double cosH = static_cast<double>(c);
    std::int32_t sum = 0;
    for (const T lateral : {left, right}) {
      sum += Trunc32(c * lateral + T(x) + ahead * cosH + half).value_or(0);
      sum += Trunc32(T(y) - s * lateral - ahead * sinH + half).value_or(0);
    }
    sum += Trunc32(ahead * cosH + T(x) + half).value_or(0);
    sum += Trunc32(T(y) - ahead * sinH + half).value_or(0);
    benchmark::DoNotOptimize(sum);
    direction = static_cast<double>(pi * turn / degrees + T(direction));
    if (T(direction) > twoPi) {
      direction = static_cast<double>(T(direction) - twoPi);
    }
    const double d = static_cast<double>(speed * advance);
    x = static_cast<double>(c * T(d) + T(x));
    y = static_cast<double>(T(y) - s * T(d));
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
    i = (i + 1) % kOperands;
  }
  state.SetItemsProcessed(state.iterations());
}

// Each operation's two sides next to each other.
BENCHMARK_TEMPLATE(BM_ExtendedAdd, SoftExtended);
#if ORMAKIN_X87_LONG_DOUBLE
BENCHMARK_TEMPLATE(BM_ExtendedAdd, long double);
#endif
BENCHMARK_TEMPLATE(BM_ExtendedMul, SoftExtended);
#if ORMAKIN_X87_LONG_DOUBLE
BENCHMARK_TEMPLATE(BM_ExtendedMul, long double);
#endif
BENCHMARK_TEMPLATE(BM_ExtendedDiv, SoftExtended);
#if ORMAKIN_X87_LONG_DOUBLE
BENCHMARK_TEMPLATE(BM_ExtendedDiv, long double);
#endif
BENCHMARK_TEMPLATE(BM_ExtendedTick, SoftExtended);
#if ORMAKIN_X87_LONG_DOUBLE
BENCHMARK_TEMPLATE(BM_ExtendedTick, long double);
#endif

}  // namespace
