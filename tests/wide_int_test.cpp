#include "core/draw/wide_int.h"

#include <gtest/gtest.h>

#include <random>

namespace ormakin {
namespace {

#ifdef __SIZEOF_INT128__
// Checked against the compiler's own 128-bit integer, over the values that
// exact rasterising produces (differences of 32-bit coordinates and their
// products) and the edges of the 64-bit range.
std::int64_t Low64(__int128 v) {
  return static_cast<std::int64_t>(v);
}

TEST(WideInt, AgreesWithTheBuiltInIntegerOnProductsAndDivisions) {
  std::mt19937_64 random(12345);
  std::uniform_int_distribution<std::int64_t> coordinate(-(std::int64_t{1} << 33),
                                                         std::int64_t{1} << 33);
  std::uniform_int_distribution<std::int64_t> divisor(1, std::int64_t{1} << 35);
  const std::int64_t edges[] = {0,
                                1,
                                -1,
                                2,
                                -2,
                                INT32_MAX,
                                INT32_MIN,
                                INT64_MAX,
                                INT64_MIN + 1,
                                std::int64_t{1} << 32,
                                -(std::int64_t{1} << 32)};
  auto check = [](std::int64_t a, std::int64_t b, std::int64_t d) {
    const __int128 product = static_cast<__int128>(a) * b;
    const WideInt wide = WideInt(a) * WideInt(b);
    ASSERT_EQ(static_cast<std::int64_t>(wide / d), Low64(product / d)) << a << "*" << b << "/" << d;
    ASSERT_EQ(static_cast<std::int64_t>(wide % d), Low64(product % d)) << a << "*" << b << "%" << d;
    ASSERT_EQ(wide < WideInt(0), product < 0);
    ASSERT_EQ(2 * wide + d > WideInt(0), 2 * product + d > 0);
    ASSERT_EQ(static_cast<std::int64_t>(-wide / d), Low64(-product / d));
  };
  for (const std::int64_t a : edges) {
    for (const std::int64_t b : edges) {
      if ((a == INT64_MAX || a == INT64_MIN + 1) && (b == INT64_MAX || b == INT64_MIN + 1)) {
        continue;  // products beyond 126 bits are not needed
      }
      for (const std::int64_t d : {std::int64_t{1}, std::int64_t{3}, INT64_MAX}) {
        check(a, b, d);
      }
    }
  }
  for (int i = 0; i < 20000; ++i) {
    check(coordinate(random), coordinate(random), divisor(random));
  }
}
#endif

TEST(WideInt, OrdersAndConvertsLikeAnInteger) {
  const WideInt big = WideInt(INT64_MAX) * WideInt(4);
  EXPECT_GT(big, WideInt(INT64_MAX));
  EXPECT_LT(-big, WideInt(INT64_MIN));
  EXPECT_EQ(static_cast<std::int64_t>(big / INT64_MAX), 4);
  EXPECT_EQ(static_cast<std::int64_t>(WideInt(-7) / 2), -3);
  EXPECT_EQ(static_cast<std::int64_t>(WideInt(-7) % 2), -1);
  EXPECT_EQ(static_cast<std::int64_t>(WideInt(-42)), -42);
}

}  // namespace
}  // namespace ormakin
