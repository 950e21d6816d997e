#include "support/exact_decimal.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace ormakin::test {

namespace {

constexpr std::uint32_t kBase = 1000000000u;

// Lowest limb first, each limb holding nine decimal digits.
void Multiply(std::vector<std::uint32_t>& limbs, std::uint32_t factor) {
  std::uint64_t carry = 0;
  for (std::uint32_t& limb : limbs) {
    const std::uint64_t product = std::uint64_t{limb} * factor + carry;
    limb = static_cast<std::uint32_t>(product % kBase);
    carry = product / kBase;
  }
  while (carry != 0) {
    limbs.push_back(static_cast<std::uint32_t>(carry % kBase));
    carry /= kBase;
  }
}

}  // namespace

std::string DecimalDigits(std::string_view m, int twos, int fives) {
  std::vector<std::uint32_t> limbs;
  for (std::size_t end = m.size(); end > 0;) {
    const std::size_t begin = end >= 9 ? end - 9 : 0;
    limbs.push_back(
        static_cast<std::uint32_t>(std::stoul(std::string(m.substr(begin, end - begin)))));
    end = begin;
  }
  for (; twos >= 29; twos -= 29) Multiply(limbs, 1u << 29);
  Multiply(limbs, 1u << twos);
  for (; fives >= 13; fives -= 13) Multiply(limbs, 1220703125u);
  for (; fives > 0; --fives) Multiply(limbs, 5);
  while (limbs.size() > 1 && limbs.back() == 0) limbs.pop_back();

  std::string text = std::to_string(limbs.back());
  char chunk[16];
  for (std::size_t i = limbs.size() - 1; i-- > 0;) {
    std::snprintf(chunk, sizeof chunk, "%09u", static_cast<unsigned>(limbs[i]));
    text += chunk;
  }
  return text;
}

ExactDecimal BinaryToDecimal(std::string_view m, int power) {
  if (power >= 0) return {DecimalDigits(m, power, 0), 0};
  // m × 2^-k = m × 5^k × 10^-k.
  return {DecimalDigits(m, 0, -power), power};
}

}  // namespace ormakin::test
