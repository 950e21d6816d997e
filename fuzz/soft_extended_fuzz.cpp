// SoftExtended against the x87, bit for bit, on arbitrary operands: each
// input is two 10-byte extended values (significand, then sign and exponent,
// little-endian) and a double's 8 bytes; every operation the car uses must
// give the hardware's bits. Where long double is not the x87's format there
// is nothing to compare with, and the target only exercises the code.
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/extended/precision_control.h"
#include "core/extended/soft_extended.h"
#include "core/extended/x87.h"

namespace {

using ormakin::ExtendedBits;
using ormakin::SoftExtended;

ExtendedBits Read(const std::uint8_t* bytes) {
  ExtendedBits bits;
  std::memcpy(&bits.significand, bytes, 8);
  std::memcpy(&bits.signExponent, bytes + 8, 2);
  return bits;
}

#if ORMAKIN_X87_LONG_DOUBLE
void Expect(bool same) {
  if (!same) std::abort();
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 28) return 0;
  ormakin::UseExtendedPrecision();
  const ExtendedBits bitsA = Read(data);
  const ExtendedBits bitsB = Read(data + 10);
  std::uint64_t doubleBits = 0;
  std::memcpy(&doubleBits, data + 20, 8);
  const double d = std::bit_cast<double>(doubleBits);

  const SoftExtended a = SoftExtended::FromBits(bitsA);
  const SoftExtended b = SoftExtended::FromBits(bitsB);
  const SoftExtended results[] = {a + b, a - b, a * b, a / b, SoftExtended(d)};
  const bool comparisons[] = {a == b, a != b, a<b, a> b, a <= b, a >= b};
  const double narrowed = static_cast<double>(a);
  const auto truncated = Trunc32(a);

#if ORMAKIN_X87_LONG_DOUBLE
  const long double x = ormakin::X87FromBits(bitsA);
  const long double y = ormakin::X87FromBits(bitsB);
  const long double expected[] = {x + y, x - y, x * y, x / y, static_cast<long double>(d)};
  for (int i = 0; i < 5; ++i) {
    Expect(results[i].Bits() == ormakin::X87Bits(expected[i]));
  }
  const bool expectedComparisons[] = {x == y, x != y, x<y, x> y, x <= y, x >= y};
  for (int i = 0; i < 6; ++i) {
    Expect(comparisons[i] == expectedComparisons[i]);
  }
  Expect(std::bit_cast<std::uint64_t>(narrowed) ==
         std::bit_cast<std::uint64_t>(static_cast<double>(x)));
  Expect(truncated == ormakin::Trunc32(x));
#else
  (void)results;
  (void)comparisons;
  (void)narrowed;
  (void)truncated;
#endif
  return 0;
}
