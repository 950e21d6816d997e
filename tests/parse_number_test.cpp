#include "core/settings/parse_number.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

#include "core/base/errors.h"
#include "core/settings/decimal_mark.h"
#include "support/exact_decimal.h"

namespace ormakin {
namespace {

// Sets the decimal mark for one test and puts "." back afterwards.
class DecimalMarkScope {
 public:
  explicit DecimalMarkScope(char mark) { SetDecimalMark(mark); }
  ~DecimalMarkScope() { SetDecimalMark('.'); }
  DecimalMarkScope(const DecimalMarkScope&) = delete;
  DecimalMarkScope& operator=(const DecimalMarkScope&) = delete;
};

struct RealCase {
  const char* text;
  double expected;
};

class ParseRealTest : public ::testing::Test {
 protected:
  DecimalMarkScope mark_{'.'};
};

TEST_F(ParseRealTest, AcceptsTheDocumentedForms) {
  const RealCase cases[] = {
      {"12.5", 12.5},
      {"-.5", -0.5},
      {".", 0.0},
      {"+3", 3.0},
      {"1e2", 100.0},
      {"1E", 1.0},
      {"1E+", 1.0},
      {"1E-", 1.0},
      {"5.", 5.0},
      {" 7 ", 7.0},
      {"   -2.25e1   ", -22.5},
      {"0", 0.0},
      {"007", 7.0},
      {"1.5e-3", 0.0015},
      {"1E-400", 0.0},
      {"1E-499", 0.0},
      {"+.e", 0.0},
      {"0.1", 0.1},
      {"1.7976931348623157E308", DBL_MAX},
      {"4.9406564584124654E-324", 4.9406564584124654E-324},
      // Exponent digits are read until the magnitude reaches 500.
      {"1E0000000000000001", 10.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseReal(c.text), c.expected) << "text: '" << c.text << "'";
  }
}

TEST_F(ParseRealTest, RoundsCorrectly) {
  // Values whose nearest double a digit-by-digit accumulation tends to miss.
  EXPECT_EQ(ParseReal("0.3"), 0.3);
  EXPECT_EQ(ParseReal("2.2250738585072014E-308"), 2.2250738585072014E-308);
  EXPECT_EQ(ParseReal("123456789012345678901234567890"), 123456789012345678901234567890.0);
}

TEST_F(ParseRealTest, NegativeZeroKeepsItsSign) {
  EXPECT_TRUE(std::signbit(ParseReal("-0")));
  EXPECT_TRUE(std::signbit(ParseReal("-.")));
}

TEST_F(ParseRealTest, RejectsInvalidTexts) {
  const char* cases[] = {
      "",       " ",      "+",     "-",   "e5",  "1,5",     "1 000",   "\t7", "7\t",  "abc",
      "1E5000", "1E4999", "1.2.3", "--1", "+-1", "1e2e3",   "inf",     "nan", "0x10", "$10",
      "1d",     "1 e2",   "1e 2",  ". 5", "１",  "1E+5000", "1E-5000", "1\n", "\n1",  "1e2.5",
  };
  for (const char* text : cases) {
    EXPECT_THROW(ParseReal(text), EConvertError) << "text: '" << text << "'";
  }
}

TEST_F(ParseRealTest, ValuesBeyondTheExtendedRangeAreInvalid) {
  // 1E4999 is read as a valid form, but not even extended precision holds it.
  EXPECT_THROW(ParseReal("1E4999"), EConvertError);
  EXPECT_THROW(ParseReal(std::string(5000, '9')), EConvertError);
}

TEST_F(ParseRealTest, ScaleBeyondTheExtendedRangeMakesEvenZeroInvalid) {
  // The digits are scaled by one power of ten, the exponent less the fraction
  // digits: 10^4932 still fits extended precision, 10^4933 does not, and zero
  // times that is no number.
  const RealCase valid[] = {
      {"0E4932", 0.0}, {"0.0E4933", 0.0}, {"0.00E4934", 0.0}, {"1E-4999", 0.0}, {"0E-4999", 0.0},
  };
  for (const auto& c : valid) {
    EXPECT_EQ(ParseReal(c.text), c.expected) << "text: '" << c.text << "'";
  }
  for (const char* text : {"0E4933", "-0E4933", " 0e+4940 ", "0.E4933", ".E4950", "0E4999"}) {
    EXPECT_THROW(ParseReal(text), EConvertError) << "text: '" << text << "'";
  }
  // Within extended precision but beyond a double: an overflow, not invalid.
  EXPECT_THROW(ParseReal("1E4932"), EOverflow);
  EXPECT_THROW(ParseReal("0.1E4933"), EOverflow);
  EXPECT_THROW(ParseReal("2E4932"), EConvertError);
}

TEST_F(ParseRealTest, TheEdgeOfTheExtendedRangeIsExact) {
  // Whether a value lies within the extended range is decided on its exact
  // value: up to halfway between the largest extended value and 2^16384 it
  // rounds to that largest value (a number, too large for a double); from
  // there on it is no number.
  const std::string largest = test::DecimalDigits("18446744073709551615", 16320, 0);
  std::string halfway = test::DecimalDigits("36893488147419103231", 16319, 0);
  ASSERT_EQ(largest.size(), 4933u);
  EXPECT_THROW(ParseReal(largest), EOverflow);
  EXPECT_THROW(ParseReal(halfway), EConvertError);
  --halfway.back();
  EXPECT_THROW(ParseReal(halfway), EOverflow);
  // The same edge in a scaled form: 1.18973149535723176505351...E4932.
  EXPECT_THROW(ParseReal("1.189731495357231765021263853030970205169E4932"), EOverflow);
  EXPECT_THROW(ParseReal("0.11897314953572317650535E4933"), EOverflow);
  EXPECT_THROW(ParseReal("1.1897314953572317650536E4932"), EConvertError);
  EXPECT_THROW(ParseReal("1.189731495357231765054E4932"), EConvertError);
}

TEST_F(ParseRealTest, RoundsToExtendedAndThenToDouble) {
  // Each text lies a hair beside a tie of two doubles, on the side that a
  // direct rounding to double would follow; rounded to extended first, it
  // lands on the tie itself, which then goes to the even double.
  struct Case {
    const char* what;
    test::ExactDecimal text;
    double expected;
  };
  const Case cases[] = {
      // 1 + 2^-53 + 2^-70: directly 1 + 2^-52.
      {"above 1+2^-53", test::BinaryToDecimal("1180591620717411434497", -70), 1.0},
      // 1 + 3*2^-53 - 2^-70: directly 1 + 2^-52.
      {"below 1+3*2^-53", test::BinaryToDecimal("1180591620717411696639", -70), 1.0 + 0x1p-51},
      // 2^-1075 + 2^-1140: directly the smallest subnormal double.
      {"above half the smallest subnormal", test::BinaryToDecimal("36893488147419103233", -1140),
       0.0},
  };
  for (const auto& c : cases) {
    const std::string text = c.text.digits + "E" + std::to_string(c.text.exponent);
    EXPECT_EQ(ParseReal(text), c.expected) << c.what;
  }
}

TEST_F(ParseRealTest, ValuesBeyondTheDoubleRangeOverflow) {
  const std::string cases[] = {
      "2E500", "-2E500", "1.8E308", "1E4000", std::string(2047, '9'),
  };
  for (const auto& text : cases) {
    EXPECT_THROW(ParseReal(text), EOverflow) << "text: '" << text.substr(0, 40) << "'";
  }
}

TEST_F(ParseRealTest, ManyDigitsAreScaledByTheExponent) {
  // 1 followed by 3000 zeros, scaled back down.
  EXPECT_EQ(ParseReal("1" + std::string(3000, '0') + "E-2999"), 10.0);
  EXPECT_EQ(ParseReal("0." + std::string(3000, '0') + "1E3001"), 1.0);
  EXPECT_EQ(ParseReal("0." + std::string(6000, '0') + "1"), 0.0);
}

TEST_F(ParseRealTest, ErrorQuotesTheWholeTextUnchanged) {
  try {
    ParseReal("  1,5 ");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'  1,5 ' は浮動小数点数ではありません");
  }
  try {
    ParseReal("2E500");
    FAIL() << "no error";
  } catch (const EOverflow& e) {
    EXPECT_EQ(e.Message(), "浮動小数点数のオーバーフロー");
  }
}

TEST(ParseRealMark, UsesTheCurrentDecimalMark) {
  const DecimalMarkScope comma(',');
  EXPECT_EQ(ParseReal("1,5"), 1.5);
  EXPECT_EQ(ParseReal("-,25"), -0.25);
  EXPECT_EQ(ParseReal(","), 0.0);
  EXPECT_THROW(ParseReal("1.5"), EConvertError);
  EXPECT_THROW(ParseReal("."), EConvertError);
}

TEST(ParseRealMark, RefreshFallsBackToAPointAndLeavesTheCLocaleAlone) {
  const DecimalMarkScope restore(',');
  const char* saved = std::getenv("LC_ALL");
  const std::string savedValue = saved != nullptr ? saved : "";
  // A locale the system does not have cannot be read: the mark is ".".
  setenv("LC_ALL", "xx_NOWHERE.UTF-8", 1);
  RefreshDecimalMark();
  EXPECT_EQ(DecimalMark(), '.');
  SetDecimalMark(',');
  setenv("LC_ALL", "C", 1);
  RefreshDecimalMark();
  EXPECT_EQ(DecimalMark(), '.');
  if (saved != nullptr) {
    setenv("LC_ALL", savedValue.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
  // The process's own C locale is untouched.
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
}

struct IntegerCase {
  const char* text;
  std::int32_t expected;
};

TEST(ParseInteger, AcceptsTheDocumentedForms) {
  const IntegerCase cases[] = {
      {"0", 0},
      {" 7", 7},
      {"+7", 7},
      {"-7", -7},
      {"$1F", 31},
      {"x1F", 31},
      {"X1f", 31},
      {"0x1F", 31},
      {"0X1F", 31},
      {"  $ff", 255},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"$FFFFFFFF", -1},
      {"$80000000", -2147483647 - 1},
      {"$000000000000FFFFFFFF", -1},
      {"00000000000000000012", 12},
      {"-0", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseInteger(c.text), c.expected) << "text: '" << c.text << "'";
  }
}

TEST(ParseInteger, RejectsInvalidTexts) {
  const char* cases[] = {
      "",
      " ",
      "7 ",
      "+",
      "-",
      "$",
      "x",
      "0x",
      "-$1F",
      "+$1F",
      "- 7",
      "2147483648",
      "-2147483649",
      "$100000000",
      "4294967296",
      "99999999999999999999",
      "1.0",
      "1e2",
      "\t7",
      "7\t",
      "$1G",
      "0x-1",
      "1,000",
      "0b1",
      "00x1",
      "$ 1",
      "x",
      "12a",
  };
  for (const char* text : cases) {
    EXPECT_THROW(ParseInteger(text), EConvertError) << "text: '" << text << "'";
  }
}

TEST(ParseInteger, ErrorQuotesTheWholeTextUnchanged) {
  try {
    ParseInteger(" 7 ");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "' 7 ' は整数ではありません");
  }
}

TEST(ParseInteger, RoundTripsEveryPrintedValueOfASample) {
  for (std::int64_t v = INT32_MIN; v <= INT32_MAX; v += std::int64_t{65537} * 13) {
    const auto value = static_cast<std::int32_t>(v);
    ASSERT_EQ(ParseInteger(std::to_string(value)), value);
  }
}

}  // namespace
}  // namespace ormakin
