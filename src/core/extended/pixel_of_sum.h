// PixelOfSum: the pixel a probe's coordinate falls in, Trunc32PlusHalf of a
// sum of terms added left to right in Extended, decided in doubles wherever
// the doubles are sure to give the same pixel.
//
// A probe's coordinate is the car's position (a double) plus offsets that
// change only with the heading. The Extended sum costs several times what a
// double sum costs (in integers, many times), yet the pixel depends only on
// which two integers the sum plus a half lies between. While the terms
// together stay below 2^25 in magnitude, the double sum is within 2^-24 of
// the Extended one (each term's nearest double and each double operation is
// off by at most 2^-53 of the total, each Extended rounding by 2^-64 of it).
// A double sum further than kEdge from every integer therefore has the same
// integer part as the Extended sum, and that integer part is the answer.
// (Where Extended is the x87's own type, its sum is cheaper than that test
// and is taken directly.)
// Everything else (a sum within kEdge of a pixel's edge, larger terms, an
// infinity, a NaN) is left to the Extended sum itself, so every answer is
// the Extended sum's.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

#include "core/extended/extended.h"

namespace ormakin {

// An Extended term of a sum with the double nearest to it, kept together so
// that a term used by many sums is narrowed once.
class PixelTerm {
 public:
  PixelTerm() = default;
  explicit PixelTerm(Extended value) : value_(value), nearest_(static_cast<double>(value)) {}

  // Negation is exact in both forms.
  PixelTerm operator-() const { return PixelTerm(-value_, -nearest_); }

  Extended Value() const { return value_; }
  double Nearest() const { return nearest_; }

 private:
  PixelTerm(Extended value, double nearest) : value_(value), nearest_(nearest) {}

  Extended value_ = Extended(0.0);
  double nearest_ = 0.0;
};

namespace pixel_sum {

inline Extended ValueOf(const PixelTerm& term) {
  return term.Value();
}
inline Extended ValueOf(double term) {
  return Extended(term);
}
inline double NearestOf(const PixelTerm& term) {
  return term.Nearest();
}
inline double NearestOf(double term) {
  return term;
}

// The sum in Extended, for the few that the doubles leave open: out of
// line, so that the double sums around it stay small.
template <class... Terms>
[[gnu::noinline]] std::optional<std::int32_t> PixelOfExtendedSum(const Terms&... terms) {
  return Trunc32PlusHalf((... + ValueOf(terms)));
}

// The double sums decide only while their terms' magnitudes add up to less
// than kLimit, and only at least kEdge away from an integer: 16 times the
// largest error that such a sum can have.
inline constexpr double kLimit = 0x1p25;
inline constexpr double kEdge = 0x1p-20;

}  // namespace pixel_sum

// Trunc32PlusHalf(first + rest...), the sum of two or three terms taken left
// to right in Extended; each term is a PixelTerm or a double (exact in both
// forms).
template <class First, class... Rest>
[[gnu::always_inline]] inline std::optional<std::int32_t> PixelOfSum(const First& first,
                                                                     const Rest&... rest) {
  // The error bound above counts the roundings of at most three terms.
  static_assert(sizeof...(Rest) <= 2);
  using pixel_sum::ValueOf;
  if constexpr (ORMAKIN_HARDWARE_EXTENDED) {
    // The x87 sums and truncates in a few instructions, fewer than the
    // doubles' test takes.
    return Trunc32PlusHalf((ValueOf(first) + ... + ValueOf(rest)));
  }
  using pixel_sum::NearestOf;
  double estimate = NearestOf(first);
  double magnitude = std::fabs(NearestOf(first));
  ((estimate += NearestOf(rest), magnitude += std::fabs(NearestOf(rest))), ...);
  // Also false for a NaN.
  if (magnitude < pixel_sum::kLimit) [[likely]] {
    estimate += 0.5;
    // Exact: |estimate| < 2^26, and an integer part of it is a double too.
    const auto whole = static_cast<std::int32_t>(estimate);
    const double fraction = std::fabs(estimate - whole);
    if (fraction > pixel_sum::kEdge && fraction < 1.0 - pixel_sum::kEdge) [[likely]] {
      return whole;
    }
  }
  return pixel_sum::PixelOfExtendedSum(first, rest...);
}

}  // namespace ormakin
