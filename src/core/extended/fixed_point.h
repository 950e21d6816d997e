// Unsigned 128-bit words for the car's arithmetic (SoftExtended) and the
// integer sine and cosine: a value is either an integer or a fraction of
// 2^128 (fixed point with 128 fraction bits). Only the operations that
// arithmetic needs, written with 64-bit halves so that every processor
// computes the same bits. The one product of two 64-bit words uses the
// compiler's 128-bit integer where it is a machine instruction, and 32-bit
// halves otherwise (Mul64Portable, which the tests hold to the same result):
// WebAssembly has no such instruction, and emscripten turns the 128-bit
// product into a call of __multi3 that multiplies four halves anyway. The
// same 128-bit integer adds and subtracts (an add-with-carry pair) where it
// multiplies natively, and x86-64's own instruction divides 128 bits by 64
// (Divide128By64Portable elsewhere, held to the same result by the tests).
#pragma once

#include <bit>
#include <cstdint>
#include <type_traits>

namespace ormakin {

struct U128 {
  std::uint64_t hi = 0;
  std::uint64_t lo = 0;

  friend constexpr bool operator==(const U128&, const U128&) = default;
};

// The full product of two 64-bit words, from four 32-bit partial products.
constexpr U128 Mul64Portable(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t a0 = a & 0xFFFFFFFF, a1 = a >> 32;
  const std::uint64_t b0 = b & 0xFFFFFFFF, b1 = b >> 32;
  const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  // The middle sum takes one cross product whole: at most (2^32 - 1)^2 plus
  // twice 2^32 - 1, which is 2^64 - 1, so no carry is lost, and the
  // WebAssembly build, where this is every product, saves a mask, a shift
  // and an addition.
  const std::uint64_t middle = (p00 >> 32) + (p10 & 0xFFFFFFFF) + p01;
  return {p11 + (p10 >> 32) + (middle >> 32), (middle << 32) | (p00 & 0xFFFFFFFF)};
}

#if defined(__SIZEOF_INT128__) && !defined(__wasm__)
#define ORMAKIN_NATIVE_WIDE_PRODUCT 1
#else
#define ORMAKIN_NATIVE_WIDE_PRODUCT 0
#endif

constexpr U128 Mul64(std::uint64_t a, std::uint64_t b) {
#if ORMAKIN_NATIVE_WIDE_PRODUCT
  const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
  return {static_cast<std::uint64_t>(p >> 64), static_cast<std::uint64_t>(p)};
#else
  return Mul64Portable(a, b);
#endif
}

// Divide128By64 in portable integer code, which the tests hold to the same
// result.
constexpr std::uint64_t Divide128By64Portable(U128 dividend, std::uint64_t divisor,
                                              std::uint64_t& remainder) {
  constexpr std::uint64_t kBase = std::uint64_t{1} << 32;
  const std::uint64_t vn1 = divisor >> 32, vn0 = divisor & 0xFFFFFFFF;
  const std::uint64_t un1 = dividend.lo >> 32, un0 = dividend.lo & 0xFFFFFFFF;
  std::uint64_t q1 = dividend.hi / vn1;
  std::uint64_t rhat = dividend.hi - q1 * vn1;
  while (q1 >= kBase || q1 * vn0 > ((rhat << 32) | un1)) {
    --q1;
    rhat += vn1;
    if (rhat >= kBase) break;
  }
  const std::uint64_t un21 = (dividend.hi << 32) + un1 - q1 * divisor;
  std::uint64_t q0 = un21 / vn1;
  rhat = un21 - q0 * vn1;
  while (q0 >= kBase || q0 * vn0 > ((rhat << 32) | un0)) {
    --q0;
    rhat += vn1;
    if (rhat >= kBase) break;
  }
  remainder = (un21 << 32) + un0 - q0 * divisor;
  return (q1 << 32) + q0;
}

// (high:low) / divisor and its remainder, for high < divisor and a divisor
// with its top bit set, so that the quotient fits in 64 bits. On x86-64 one
// instruction divides 128 bits by 64 (it cannot fault here, the quotient
// fits); elsewhere long division in two digits of 32 bits, each estimated
// from the divisor's top half and corrected at most twice.
constexpr std::uint64_t Divide128By64(U128 dividend, std::uint64_t divisor,
                                      std::uint64_t& remainder) {
#if defined(__x86_64__) && defined(__GNUC__)
  if (!std::is_constant_evaluated()) {
    std::uint64_t quotient = 0;
    asm("divq %[divisor]"
        : "=a"(quotient), "=d"(remainder)
        : [divisor] "rm"(divisor), "a"(dividend.lo), "d"(dividend.hi)
        : "cc");
    return quotient;
  }
#endif
  return Divide128By64Portable(dividend, divisor, remainder);
}

constexpr U128 Add(U128 a, U128 b) {
  const std::uint64_t lo = a.lo + b.lo;
  return {a.hi + b.hi + (lo < a.lo ? 1 : 0), lo};
}

// a - b modulo 2^128.
constexpr U128 Sub(U128 a, U128 b) {
  return {a.hi - b.hi - (a.lo < b.lo ? 1 : 0), a.lo - b.lo};
}

// a + b, or a - b when `subtract`, without a branch on it (the sign of a
// term is as good as random, and a mispredicted branch costs more than the
// arithmetic): b in two's complement when subtracting.
constexpr U128 AddOrSubtract(U128 a, U128 b, bool subtract) {
#if ORMAKIN_NATIVE_WIDE_PRODUCT
  // The same sum in the compiler's 128-bit integer: an add-with-carry pair.
  using Wide = unsigned __int128;
  const Wide mask = Wide{0} - static_cast<Wide>(subtract);
  const Wide total = ((Wide{a.hi} << 64) | a.lo) + ((((Wide{b.hi} << 64) | b.lo) ^ mask) - mask);
  return {static_cast<std::uint64_t>(total >> 64), static_cast<std::uint64_t>(total)};
#else
  const std::uint64_t mask = 0 - static_cast<std::uint64_t>(subtract);
  return Add(Add(a, {b.hi ^ mask, b.lo ^ mask}), {0, mask & 1});
#endif
}

// Shifts by any count from 0 to 127 (and 128 or more gives 0 to the right);
// a count below 64, the usual one, takes no branch (the bits that cross
// between the halves move in two steps, so a count of 0 needs no test), and
// ShiftLeftBelow64 is that case alone, for a count known to be below 64.
constexpr U128 ShiftLeftBelow64(U128 a, int n) {
  return {(a.hi << n) | ((a.lo >> 1) >> (63 - n)), a.lo << n};
}

constexpr U128 ShiftLeft(U128 a, int n) {
  if (n >= 64) {
    return {a.lo << (n - 64), 0};
  }
  return ShiftLeftBelow64(a, n);
}

constexpr U128 ShiftRight(U128 a, int n) {
  if (n >= 128) {
    return {};
  }
  if (n >= 64) {
    return {0, a.hi >> (n - 64)};
  }
  return {a.hi >> n, (a.lo >> n) | ((a.hi << 1) << (63 - n))};
}

constexpr int CountLeadingZeros(U128 a) {
  return a.hi != 0 ? std::countl_zero(a.hi) : 64 + std::countl_zero(a.lo);
}

// The product of two fractions of 2^128 as a fraction of 2^128, below the
// exact a * b / 2^128 by less than 3 units: the low product and the low
// halves of the two cross products are left out, each under one unit.
constexpr U128 MulFraction(U128 a, U128 b) {
  const U128 high = Mul64(a.hi, b.hi);
  const std::uint64_t cross1 = Mul64(a.hi, b.lo).hi;
  const std::uint64_t cross2 = Mul64(a.lo, b.hi).hi;
  return Add(Add(high, {0, cross1}), {0, cross2});
}

}  // namespace ormakin
