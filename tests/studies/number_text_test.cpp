// The numbers the studies and the tool print: the exact text gives the same
// double back, the fixed text is never cut, whatever the magnitude.
#include "studies/number_text.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <limits>
#include <string>

namespace ormakin::studies {
namespace {

TEST(NumberText, ExactTextGivesTheSameDoubleBackAndFitsItsRoom) {
  for (double value : {0.1, -2.5, 1.0 / 3.0, 5e-324, -std::numeric_limits<double>::max(),
                       std::numeric_limits<double>::min() * 0.75}) {
    const std::string text = ExactText(value);
    EXPECT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
    EXPECT_LT(text.size(), static_cast<std::size_t>(kExactTextRoom));
  }
  EXPECT_EQ(ExactText(0.1), "0.10000000000000001");
  EXPECT_EQ(ExactText(1e21), "1e+21");
  // Too little room: nothing is written, rather than a cut number.
  std::array<char, kExactTextRoom - 1> small{};
  EXPECT_EQ(WriteExactText(0.1, small.data(), small.data() + small.size()), small.data());
}

TEST(NumberText, FixedTextRoundsToItsDigitsAndIsNeverCut) {
  struct Case {
    double value;
    int digits;
    const char* text;
  };
  for (const Case& c :
       {Case{12.46, 1, "12.5"}, Case{0.0, 1, "0.0"}, Case{-0.04, 1, "-0.0"},
        Case{1999.75, 1, "1999.8"}, Case{2.5, 0, "2"}, Case{1234.5678, 0, "1235"}}) {
    EXPECT_EQ(FixedText(c.value, c.digits), c.text) << c.value;
  }
  // The largest double has 309 digits before the point: none is lost.
  const std::string huge = FixedText(std::numeric_limits<double>::max(), 1);
  EXPECT_EQ(huge.size(), 311u);
  EXPECT_EQ(huge.substr(0, 6), "179769");
  EXPECT_EQ(huge.substr(huge.size() - 2), ".0");
}

}  // namespace
}  // namespace ormakin::studies
