#include "core/extended/soft_extended.h"

#include <bit>
#include <utility>

namespace ormakin {

using namespace extended_format;

namespace {

// Shifted right by n; the bits shifted out, if any was set, set the lowest
// bit (they only ever matter for rounding, below the 64 kept bits).
U128 ShiftRightJam(U128 w, std::int64_t n) {
  if (n == 0) return w;
  if (n >= 128) return U128{0, (w.hi | w.lo) != 0 ? 1u : 0u};
  if (n >= 64) {
    const std::uint64_t lost = n == 64 ? w.lo : (w.lo | (w.hi << (128 - n)));
    return U128{0, (n == 64 ? w.hi : w.hi >> (n - 64)) | (lost != 0 ? 1u : 0u)};
  }
  const std::uint64_t lost = w.lo << (64 - n);
  return U128{w.hi >> n, (w.lo >> n) | (w.hi << (64 - n)) | (lost != 0 ? 1u : 0u)};
}

enum class Kind { kZero, kFinite, kInfinity, kNaN, kUnsupported };

// A value taken apart. A finite one is normalised (bit 63 of the
// significand set) and is significand * 2^(exponent - kBias - 63); a
// subnormal's exponent is then below 1.
struct Parts {
  bool negative = false;
  Kind kind = Kind::kFinite;
  std::int32_t exponent = 0;
  std::uint64_t significand = 0;
};

Parts Unpack(ExtendedBits bits) {
  Parts p;
  p.negative = IsNegative(bits);
  p.exponent = BiasedExponent(bits);
  p.significand = bits.significand;
  const bool integerBit = (p.significand & kIntegerBit) != 0;
  if (p.exponent == kMaxExponent) {
    if (!integerBit) {
      p.kind = Kind::kUnsupported;
    } else {
      p.kind = (p.significand << 1) == 0 ? Kind::kInfinity : Kind::kNaN;
    }
  } else if (p.exponent == 0) {
    if (p.significand == 0) {
      p.kind = Kind::kZero;
    } else {
      // A subnormal, or a pseudo-denormal: both at the scale of exponent 1.
      const int shift = std::countl_zero(p.significand);
      p.significand <<= shift;
      p.exponent = 1 - shift;
    }
  } else if (!integerBit) {
    p.kind = Kind::kUnsupported;  // an unnormal
  }
  return p;
}

// The exact value significand * 2^(exponent - kBias - 127) (bit 127 set; a
// lost lower part jammed into bit 0), rounded to nearest even: subnormal
// below exponent 1, infinite from exponent 0x7FFF on.
ExtendedBits RoundPack(bool negative, std::int64_t exponent, U128 significand) {
  if (exponent < 1) {
    significand = ShiftRightJam(significand, 1 - exponent);
    exponent = 1;
  }
  std::uint64_t kept = significand.hi;
  constexpr std::uint64_t kHalf = std::uint64_t{1} << 63;
  if (significand.lo > kHalf || (significand.lo == kHalf && (kept & 1) != 0)) {
    ++kept;
    if (kept == 0) {  // carried into the exponent
      kept = kIntegerBit;
      ++exponent;
    }
  }
  if (exponent >= kMaxExponent) return Infinity(negative);
  // A subnormal (or zero) has exponent 0; one that rounded up to the
  // smallest normal has its integer bit and keeps exponent 1.
  if ((kept & kIntegerBit) == 0) exponent = 0;
  return WithSign(negative, static_cast<std::uint16_t>(exponent), kept);
}

// An exact finite value in its canonical encoding.
ExtendedBits Pack(const Parts& p) {
  return p.kind == Kind::kZero ? Zero(p.negative)
                               : RoundPack(p.negative, p.exponent, U128{p.significand, 0});
}

ExtendedBits Quiet(ExtendedBits nan) {
  return {nan.signExponent, nan.significand | kQuietBit};
}

// The NaN that an operation with a NaN operand (and no unsupported one)
// gives.
ExtendedBits PropagateNaN(ExtendedBits a, Kind ka, ExtendedBits b, Kind kb) {
  if (ka != Kind::kNaN) return Quiet(b);
  if (kb != Kind::kNaN) return Quiet(a);
  const bool quietA = (a.significand & kQuietBit) != 0;
  const bool quietB = (b.significand & kQuietBit) != 0;
  if (quietA != quietB) return quietA ? a : b;
  if (a.significand != b.significand) return Quiet(a.significand > b.significand ? a : b);
  return Quiet((a.signExponent & kSignBit) == 0 ? a : b);
}

// Operands that decide the result without arithmetic: an unsupported one or
// a NaN. True when `result` was set.
bool SpecialOperand(ExtendedBits a, const Parts& pa, ExtendedBits b, const Parts& pb,
                    ExtendedBits& result) {
  if (pa.kind == Kind::kUnsupported || pb.kind == Kind::kUnsupported) {
    result = kDefaultNaN;
    return true;
  }
  if (pa.kind == Kind::kNaN || pb.kind == Kind::kNaN) {
    result = PropagateNaN(a, pa.kind, b, pb.kind);
    return true;
  }
  return false;
}

ExtendedBits AddAny(ExtendedBits a, ExtendedBits b, bool subtract) {
  Parts x = Unpack(a);
  Parts y = Unpack(b);
  ExtendedBits result;
  if (SpecialOperand(a, x, b, y, result)) return result;
  y.negative = y.negative != subtract;
  if (x.kind == Kind::kInfinity) {
    if (y.kind == Kind::kInfinity && x.negative != y.negative) return kDefaultNaN;
    return Infinity(x.negative);
  }
  if (y.kind == Kind::kInfinity) return Infinity(y.negative);
  if (x.kind == Kind::kZero) {
    // 0 + 0 is -0 only when both are -0 (rounding to nearest).
    return y.kind == Kind::kZero ? Zero(x.negative && y.negative) : Pack(y);
  }
  if (y.kind == Kind::kZero) return Pack(x);

  if (x.exponent < y.exponent || (x.exponent == y.exponent && x.significand < y.significand)) {
    std::swap(x, y);
  }
  const U128 big{x.significand, 0};
  const U128 small = ShiftRightJam(U128{y.significand, 0}, x.exponent - y.exponent);
  // The larger operand's exponent is the scale of bit 127.
  std::int64_t exponent = x.exponent;
  if (x.negative == y.negative) {
    U128 sum{big.hi + small.hi, big.lo + small.lo};
    if (sum.lo < big.lo) ++sum.hi;
    if (sum.hi < big.hi) {  // a carry out of bit 127
      sum = ShiftRightJam(sum, 1);
      sum.hi |= kIntegerBit;
      ++exponent;
    }
    return RoundPack(x.negative, exponent, sum);
  }
  U128 difference{big.hi - small.hi - (big.lo < small.lo ? 1 : 0), big.lo - small.lo};
  if (difference.hi == 0 && difference.lo == 0) return Zero(false);
  // Exact unless the operands lay two or more binades apart, and then at most
  // one place to shift, so the jammed bit stays below the kept ones.
  const int shift = CountLeadingZeros(difference);
  return RoundPack(x.negative, exponent - shift, ShiftLeft(difference, shift));
}

ExtendedBits MultiplyAny(ExtendedBits a, ExtendedBits b) {
  const Parts x = Unpack(a);
  const Parts y = Unpack(b);
  ExtendedBits result;
  if (SpecialOperand(a, x, b, y, result)) return result;
  const bool negative = x.negative != y.negative;
  if (x.kind == Kind::kInfinity || y.kind == Kind::kInfinity) {
    return x.kind == Kind::kZero || y.kind == Kind::kZero ? kDefaultNaN : Infinity(negative);
  }
  if (x.kind == Kind::kZero || y.kind == Kind::kZero) return Zero(negative);
  const U128 product = Mul64(x.significand, y.significand);
  const int shift = CountLeadingZeros(product);  // 0 or 1
  return RoundPack(negative, std::int64_t{x.exponent} + y.exponent - kBias + 1 - shift,
                   ShiftLeft(product, shift));
}

ExtendedBits DivideAny(ExtendedBits a, ExtendedBits b) {
  const Parts x = Unpack(a);
  const Parts y = Unpack(b);
  ExtendedBits result;
  if (SpecialOperand(a, x, b, y, result)) return result;
  const bool negative = x.negative != y.negative;
  if (x.kind == Kind::kInfinity) {
    return y.kind == Kind::kInfinity ? kDefaultNaN : Infinity(negative);
  }
  if (y.kind == Kind::kInfinity) return Zero(negative);
  if (y.kind == Kind::kZero) return x.kind == Kind::kZero ? kDefaultNaN : Infinity(negative);
  if (x.kind == Kind::kZero) return Zero(negative);

  // 128 quotient bits with the leading one at bit 127, and whether a
  // remainder is left.
  const int extra = x.significand >= y.significand ? 1 : 0;
  const std::uint64_t u1 = x.significand >> extra;
  const std::uint64_t u0 = extra != 0 ? x.significand << 63 : 0;
  std::uint64_t rest = 0;
  U128 quotient;
  quotient.hi = Divide128By64({u1, u0}, y.significand, rest);
  quotient.lo = Divide128By64({rest, 0}, y.significand, rest);
  if (rest != 0) quotient.lo |= 1;
  return RoundPack(negative, std::int64_t{x.exponent} - y.exponent + kBias + extra - 1, quotient);
}

// -1, 0 or 1 as a is below, equal to or above b; both ordered (no NaN, no
// unsupported operand).
int Order(const Parts& a, const Parts& b) {
  const bool zeroA = a.kind == Kind::kZero;
  const bool zeroB = b.kind == Kind::kZero;
  if (zeroA && zeroB) return 0;
  if (a.negative != b.negative || zeroA || zeroB) {
    // Opposite signs, or one zero: the sign alone decides.
    const int signA = zeroA ? 0 : (a.negative ? -1 : 1);
    const int signB = zeroB ? 0 : (b.negative ? -1 : 1);
    return signA < signB ? -1 : (signA > signB ? 1 : 0);
  }
  int magnitude = 0;  // of |a| against |b|
  const bool infA = a.kind == Kind::kInfinity;
  const bool infB = b.kind == Kind::kInfinity;
  if (infA || infB) {
    magnitude = infA == infB ? 0 : (infA ? 1 : -1);
  } else if (a.exponent != b.exponent) {
    magnitude = a.exponent < b.exponent ? -1 : 1;
  } else if (a.significand != b.significand) {
    magnitude = a.significand < b.significand ? -1 : 1;
  }
  return a.negative ? -magnitude : magnitude;
}

bool Ordered(const Parts& p) {
  return p.kind != Kind::kNaN && p.kind != Kind::kUnsupported;
}

}  // namespace

ExtendedBits SoftExtended::FromDoubleGeneral(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const bool negative = (bits >> 63) != 0;
  const auto exponent = static_cast<std::int32_t>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  if (exponent == 0x7FF) {
    // An infinity, or a NaN whose payload moves up (and is quieted).
    return WithSign(negative, kMaxExponent,
                    kIntegerBit | (fraction << 11) | (fraction != 0 ? kQuietBit : 0));
  }
  if (exponent == 0) {
    if (fraction == 0) return Zero(negative);
    // A subnormal double: fraction * 2^-1074.
    const int shift = std::countl_zero(fraction);
    return WithSign(negative, static_cast<std::uint16_t>(kBias + 63 - 1074 - shift),
                    fraction << shift);
  }
  return WithSign(negative, static_cast<std::uint16_t>(exponent - 1023 + kBias),
                  kIntegerBit | (fraction << 11));
}

double SoftExtended::ToDoubleGeneral(std::uint16_t ve, std::uint64_t vs) {
  const ExtendedBits v{ve, vs};
  const Parts p = Unpack(v);
  const std::uint64_t sign = p.negative ? std::uint64_t{1} << 63 : 0;
  constexpr std::uint64_t kInfinityBits = std::uint64_t{0x7FF} << 52;
  constexpr std::uint64_t kDoubleQuiet = std::uint64_t{1} << 51;
  switch (p.kind) {
    case Kind::kUnsupported:
      return std::bit_cast<double>(std::uint64_t{0xFFF8000000000000});
    case Kind::kNaN:
      return std::bit_cast<double>(sign | kInfinityBits | kDoubleQuiet |
                                   ((p.significand >> 11) & ((std::uint64_t{1} << 52) - 1)));
    case Kind::kInfinity:
      return std::bit_cast<double>(sign | kInfinityBits);
    case Kind::kZero:
      return std::bit_cast<double>(sign);
    case Kind::kFinite:
      break;
  }
  // The double's biased exponent; below 1 the value is a subnormal double
  // and loses that many more bits.
  std::int64_t exponent = std::int64_t{p.exponent} - kBias + 1023;
  const std::int64_t shift = 11 + (exponent < 1 ? 1 - exponent : 0);
  if (shift > 64) return std::bit_cast<double>(sign);  // below half the smallest subnormal
  std::uint64_t kept = shift == 64 ? 0 : p.significand >> shift;
  const std::uint64_t rest =
      shift == 64 ? p.significand : p.significand & ((std::uint64_t{1} << shift) - 1);
  const std::uint64_t half = std::uint64_t{1} << (shift - 1);
  if (rest > half || (rest == half && (kept & 1) != 0)) ++kept;
  if (exponent < 1) {
    // A subnormal double; rounding up to 2^52 makes it the smallest normal,
    // whose encoding is the same number.
    return std::bit_cast<double>(sign | kept);
  }
  if (kept == std::uint64_t{1} << 53) {
    kept >>= 1;
    ++exponent;
  }
  if (exponent >= 0x7FF) return std::bit_cast<double>(sign | kInfinityBits);
  return std::bit_cast<double>(sign | (static_cast<std::uint64_t>(exponent) << 52) |
                               (kept & ((std::uint64_t{1} << 52) - 1)));
}

ExtendedBits SoftExtended::SumGeneral(std::uint16_t ae, std::uint64_t as, std::uint16_t be,
                                      std::uint64_t bs, bool subtract) {
  const ExtendedBits a{ae, as}, b{be, bs};
  return AddAny(a, b, subtract);
}

ExtendedBits SoftExtended::ProductGeneral(std::uint16_t ae, std::uint64_t as, std::uint16_t be,
                                          std::uint64_t bs) {
  const ExtendedBits a{ae, as}, b{be, bs};
  return MultiplyAny(a, b);
}

ExtendedBits SoftExtended::QuotientGeneral(std::uint16_t ae, std::uint64_t as, std::uint16_t be,
                                           std::uint64_t bs) {
  const ExtendedBits a{ae, as}, b{be, bs};
  return DivideAny(a, b);
}

bool SoftExtended::EqualGeneral(std::uint16_t ae, std::uint64_t as, std::uint16_t be,
                                std::uint64_t bs) {
  const ExtendedBits a{ae, as}, b{be, bs};
  const Parts x = Unpack(a);
  const Parts y = Unpack(b);
  return Ordered(x) && Ordered(y) && Order(x, y) == 0;
}

bool SoftExtended::LessGeneral(std::uint16_t ae, std::uint64_t as, std::uint16_t be,
                               std::uint64_t bs) {
  const ExtendedBits a{ae, as}, b{be, bs};
  const Parts x = Unpack(a);
  const Parts y = Unpack(b);
  return Ordered(x) && Ordered(y) && Order(x, y) < 0;
}

}  // namespace ormakin
