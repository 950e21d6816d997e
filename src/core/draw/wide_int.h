// WideInt: a signed 128-bit integer for exact products of two 64-bit values,
// where the compiler has no 128-bit integer of its own (32-bit targets).
// Two's complement over two 64-bit halves; the operations are the few that
// exact rasterising needs. Division is by a positive divisor below 2^63.
#pragma once

#include <cstdint>

namespace ormakin {

class WideInt {
 public:
  constexpr WideInt() = default;
  // NOLINTNEXTLINE(google-explicit-constructor): mixes with 64-bit integers as
  // a built-in integer would.
  constexpr WideInt(std::int64_t v)
      : hi_(v < 0 ? ~std::uint64_t{0} : 0), lo_(static_cast<std::uint64_t>(v)) {}

  // The value when it fits in 64 bits (the caller knows it does).
  explicit constexpr operator std::int64_t() const { return static_cast<std::int64_t>(lo_); }

  friend constexpr WideInt operator-(WideInt a) { return WideInt(~a.hi_, ~a.lo_) + WideInt(1); }
  friend constexpr WideInt operator+(WideInt a, WideInt b) {
    const std::uint64_t lo = a.lo_ + b.lo_;
    return WideInt(a.hi_ + b.hi_ + (lo < a.lo_ ? 1 : 0), lo);
  }
  friend constexpr WideInt operator-(WideInt a, WideInt b) { return a + -b; }
  friend constexpr WideInt operator*(WideInt a, WideInt b) {
    // The low 128 bits of the product: the full product of the low halves,
    // plus the cross terms shifted into the high half.
    const std::uint64_t a0 = a.lo_ & 0xFFFFFFFF, a1 = a.lo_ >> 32;
    const std::uint64_t b0 = b.lo_ & 0xFFFFFFFF, b1 = b.lo_ >> 32;
    const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const std::uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFF) + (p10 & 0xFFFFFFFF);
    const std::uint64_t lo = (middle << 32) | (p00 & 0xFFFFFFFF);
    const std::uint64_t hi =
        p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32) + a.hi_ * b.lo_ + a.lo_ * b.hi_;
    return WideInt(hi, lo);
  }
  // Truncating division and its remainder, as for built-in integers; the
  // divisor must lie in 1 .. 2^63 - 1.
  friend constexpr WideInt operator/(WideInt a, WideInt d);
  friend constexpr WideInt operator%(WideInt a, WideInt d);

  friend constexpr bool operator==(WideInt a, WideInt b) {
    return a.hi_ == b.hi_ && a.lo_ == b.lo_;
  }
  friend constexpr bool operator<(WideInt a, WideInt b) {
    const auto ah = static_cast<std::int64_t>(a.hi_);
    const auto bh = static_cast<std::int64_t>(b.hi_);
    return ah != bh ? ah < bh : a.lo_ < b.lo_;
  }
  friend constexpr bool operator>(WideInt a, WideInt b) { return b < a; }
  friend constexpr bool operator<=(WideInt a, WideInt b) { return !(b < a); }
  friend constexpr bool operator>=(WideInt a, WideInt b) { return !(a < b); }

 private:
  constexpr WideInt(std::uint64_t hi, std::uint64_t lo) : hi_(hi), lo_(lo) {}
  constexpr bool Negative() const { return static_cast<std::int64_t>(hi_) < 0; }

  struct Division;
  static constexpr Division DivMod(WideInt a, WideInt d);

  std::uint64_t hi_ = 0;
  std::uint64_t lo_ = 0;
};

struct WideInt::Division {
  WideInt quotient;
  WideInt remainder;
};

constexpr WideInt::Division WideInt::DivMod(WideInt a, WideInt d) {
  const bool negative = a.Negative();
  const WideInt magnitude = negative ? -a : a;
  const std::uint64_t divisor = d.lo_;
  // Long division of the magnitude's two halves; the running remainder stays
  // below the divisor, which is below 2^63, so doubling it cannot overflow.
  std::uint64_t quotientHi = magnitude.hi_ / divisor;
  std::uint64_t rest = magnitude.hi_ % divisor;
  std::uint64_t quotientLo = 0;
  for (int bit = 63; bit >= 0; --bit) {
    rest = (rest << 1) | ((magnitude.lo_ >> bit) & 1);
    if (rest >= divisor) {
      rest -= divisor;
      quotientLo |= std::uint64_t{1} << bit;
    }
  }
  const WideInt quotient(quotientHi, quotientLo);
  const WideInt remainder(0, rest);
  return negative ? Division{-quotient, -remainder} : Division{quotient, remainder};
}

constexpr WideInt operator/(WideInt a, WideInt d) {
  return WideInt::DivMod(a, d).quotient;
}
constexpr WideInt operator%(WideInt a, WideInt d) {
  return WideInt::DivMod(a, d).remainder;
}

}  // namespace ormakin
