#include "core/extended/big_unsigned.h"

#include <algorithm>
#include <cstddef>

namespace ormakin {

namespace {

constexpr int kLimbBits = 32;

// The largest powers of ten and of five that fit in one limb.
constexpr int kDecimalChunk = 9;
constexpr std::uint32_t kTenToTheChunk = 1000000000u;
constexpr int kFiveChunk = 13;
constexpr std::uint32_t kFiveToTheChunk = 1220703125u;

}  // namespace

BigUnsigned::BigUnsigned(std::uint64_t value) {
  while (value != 0) {
    limbs_.push_back(static_cast<std::uint32_t>(value));
    value >>= kLimbBits;
  }
}

BigUnsigned BigUnsigned::FromDecimal(std::string_view high, std::string_view low) {
  BigUnsigned result;
  result.limbs_.reserve((high.size() + low.size()) / kDecimalChunk + 1);
  // Nine digits at a time: one multiplication of the whole number per chunk.
  std::uint32_t chunk = 0;
  std::uint32_t chunkScale = 1;
  for (const std::string_view digits : {high, low}) {
    for (const char c : digits) {
      chunk = chunk * 10 + static_cast<std::uint32_t>(c - '0');
      chunkScale *= 10;
      if (chunkScale == kTenToTheChunk) {
        result.MultiplyBy(kTenToTheChunk);
        result.Add(chunk);
        chunk = 0;
        chunkScale = 1;
      }
    }
  }
  if (chunkScale != 1) {
    result.MultiplyBy(chunkScale);
    result.Add(chunk);
  }
  return result;
}

BigUnsigned BigUnsigned::PowerOfFive(long exponent) {
  BigUnsigned result(1);
  result.MultiplyByPowerOfFive(exponent);
  return result;
}

long BigUnsigned::BitLength() const {
  if (limbs_.empty()) return 0;
  std::uint32_t top = limbs_.back();
  long bits = static_cast<long>(limbs_.size() - 1) * kLimbBits;
  while (top != 0) {
    ++bits;
    top >>= 1;
  }
  return bits;
}

bool BigUnsigned::Bit(long index) const {
  if (index < 0) return false;
  const auto limb = static_cast<std::size_t>(index / kLimbBits);
  if (limb >= limbs_.size()) return false;
  return ((limbs_[limb] >> (index % kLimbBits)) & 1u) != 0;
}

bool BigUnsigned::AnyBitBelow(long index) const {
  if (index <= 0) return false;
  const auto whole = std::min(static_cast<std::size_t>(index / kLimbBits), limbs_.size());
  for (std::size_t i = 0; i < whole; ++i) {
    if (limbs_[i] != 0) return true;
  }
  const int partial = static_cast<int>(index % kLimbBits);
  if (whole < limbs_.size() && partial != 0) {
    return (limbs_[whole] & ((std::uint32_t{1} << partial) - 1)) != 0;
  }
  return false;
}

std::uint64_t BigUnsigned::Bits64At(long index) const {
  std::uint64_t result = 0;
  // Three limbs cover any 64 bits that do not start on a limb boundary.
  const long first = index / kLimbBits;
  const int offset = static_cast<int>(index % kLimbBits);
  for (int k = 2; k >= 0; --k) {
    const auto limb = static_cast<std::size_t>(first + k);
    const std::uint64_t value = limb < limbs_.size() ? limbs_[limb] : 0;
    const int position = k * kLimbBits - offset;
    if (position >= 64) continue;
    result |= position >= 0 ? value << position : value >> -position;
  }
  return result;
}

void BigUnsigned::MultiplyBy(std::uint32_t factor) {
  if (factor == 0) {
    limbs_.clear();
    return;
  }
  std::uint64_t carry = 0;
  for (std::uint32_t& limb : limbs_) {
    const std::uint64_t product = std::uint64_t{limb} * factor + carry;
    limb = static_cast<std::uint32_t>(product);
    carry = product >> kLimbBits;
  }
  if (carry != 0) limbs_.push_back(static_cast<std::uint32_t>(carry));
}

void BigUnsigned::MultiplyByPowerOfFive(long exponent) {
  for (; exponent >= kFiveChunk; exponent -= kFiveChunk) {
    MultiplyBy(kFiveToTheChunk);
  }
  std::uint32_t rest = 1;
  for (; exponent > 0; --exponent) rest *= 5;
  MultiplyBy(rest);
}

void BigUnsigned::Add(std::uint32_t addend) {
  std::uint64_t carry = addend;
  for (std::size_t i = 0; carry != 0; ++i) {
    if (i == limbs_.size()) limbs_.push_back(0);
    const std::uint64_t sum = std::uint64_t{limbs_[i]} + carry;
    limbs_[i] = static_cast<std::uint32_t>(sum);
    carry = sum >> kLimbBits;
  }
}

void BigUnsigned::ShiftLeft(long bits) {
  if (limbs_.empty() || bits <= 0) return;
  const auto whole = static_cast<std::size_t>(bits / kLimbBits);
  const int partial = static_cast<int>(bits % kLimbBits);
  if (partial != 0) {
    std::uint32_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
      const std::uint32_t next = limb >> (kLimbBits - partial);
      limb = (limb << partial) | carry;
      carry = next;
    }
    if (carry != 0) limbs_.push_back(carry);
  }
  limbs_.insert(limbs_.begin(), whole, 0u);
}

void BigUnsigned::ShiftRightByOne() {
  std::uint32_t carry = 0;
  for (std::size_t i = limbs_.size(); i-- > 0;) {
    const std::uint32_t next = limbs_[i] << (kLimbBits - 1);
    limbs_[i] = (limbs_[i] >> 1) | carry;
    carry = next;
  }
  Trim();
}

void BigUnsigned::Subtract(const BigUnsigned& other) {
  std::uint32_t borrow = 0;
  for (std::size_t i = 0; i < limbs_.size(); ++i) {
    const std::uint64_t subtrahend =
        std::uint64_t{i < other.limbs_.size() ? other.limbs_[i] : 0u} + borrow;
    borrow = std::uint64_t{limbs_[i]} < subtrahend ? 1 : 0;
    limbs_[i] = static_cast<std::uint32_t>(std::uint64_t{limbs_[i]} - subtrahend);
    if (borrow == 0 && i + 1 >= other.limbs_.size()) break;
  }
  Trim();
}

int Compare(const BigUnsigned& a, const BigUnsigned& b) {
  if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
  for (std::size_t i = a.limbs_.size(); i-- > 0;) {
    if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
  }
  return 0;
}

BigUnsigned BigUnsigned::DivideShortQuotient(const BigUnsigned& divisor, long quotientBits) {
  BigUnsigned quotient;
  quotient.limbs_.assign(static_cast<std::size_t>(quotientBits / kLimbBits + 1), 0u);
  BigUnsigned shifted = divisor;
  shifted.ShiftLeft(quotientBits - 1);
  for (long bit = quotientBits - 1; bit >= 0; --bit) {
    if (Compare(*this, shifted) >= 0) {
      Subtract(shifted);
      quotient.limbs_[static_cast<std::size_t>(bit / kLimbBits)] |= std::uint32_t{1}
                                                                    << (bit % kLimbBits);
    }
    shifted.ShiftRightByOne();
  }
  quotient.Trim();
  return quotient;
}

void BigUnsigned::Trim() {
  while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
}

}  // namespace ormakin
