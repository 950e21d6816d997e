#include "core/base/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace ormakin {
namespace {

TEST(IsValidUtf8, AcceptsWellFormedText) {
  const std::string cases[] = {
      "",
      "ascii",
      "浮動小数点数",
      "\xC2\x80",          // U+0080, the first two-byte form
      "\xDF\xBF",          // U+07FF
      "\xE0\xA0\x80",      // U+0800, the first three-byte form
      "\xED\x9F\xBF",      // U+D7FF, just before the surrogates
      "\xEE\x80\x80",      // U+E000, just after them
      "\xEF\xBF\xBD",      // U+FFFD
      "\xF0\x90\x80\x80",  // U+10000
      "\xF4\x8F\xBF\xBF",  // U+10FFFF, the last code point
      std::string("a\0b", 3),
  };
  for (const auto& text : cases) {
    EXPECT_TRUE(IsValidUtf8(text)) << testing::PrintToString(text);
  }
}

TEST(IsValidUtf8, RejectsMalformedText) {
  const std::string cases[] = {
      "\x80",              // a lone continuation byte
      "\xC0\x80",          // overlong NUL
      "\xC1\xBF",          // overlong two-byte form
      "\xE0\x9F\xBF",      // overlong three-byte form
      "\xED\xA0\x80",      // surrogate U+D800
      "\xED\xBF\xBF",      // surrogate U+DFFF
      "\xF0\x8F\xBF\xBF",  // overlong four-byte form
      "\xF4\x90\x80\x80",  // beyond U+10FFFF
      "\xF5\x80\x80\x80",  // a lead byte that no code point uses
      "\xFF",
      "\xE3\x81",          // cut short
      "a\xC2",             // cut short at the end
      "\xC2\x41",          // a continuation byte missing
      "\x95\x82\x93\xAE",  // code page 932 text
  };
  for (const auto& text : cases) {
    EXPECT_FALSE(IsValidUtf8(text)) << testing::PrintToString(text);
  }
}

TEST(ToDisplayText, ConvertsCodePage932AndKeepsUtf8) {
  struct Case {
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"init_x=250", "init_x=250"},
      {"浮動小数点数", "浮動小数点数"},
      {"\x95\x82\x93\xAE", "浮動"},
      {"\x83\x5C", "ソ"},  // a second byte equal to a backslash
      {"\xB1\xB2", "ｱｲ"},  // half-width katakana, one byte each
      {"a\x80z", "a\xEF\xBF\xBDz"},
      {"\x95", "\xEF\xBF\xBD"},            // a lead byte cut short at the end
      {"\x95\x82\x95", "浮\xEF\xBF\xBD"},  // the same after a whole character
      {"\xFD\xFE\xFF", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToDisplayText(c.bytes), c.expected) << testing::PrintToString(c.bytes);
  }
}

TEST(ToDisplayText, AlwaysGivesValidUtf8OfBoundedLength) {
  // Every pair of bytes, decoded: no hang, valid output, at most 3 bytes of
  // output per byte of input.
  for (int first = 0; first < 256; ++first) {
    for (int second = 0; second < 256; ++second) {
      const std::string bytes{static_cast<char>(first), static_cast<char>(second), 'x'};
      const std::string text = ToDisplayText(bytes);
      ASSERT_TRUE(IsValidUtf8(text)) << first << " " << second;
      ASSERT_LE(text.size(), bytes.size() * 3) << first << " " << second;
    }
  }
}

}  // namespace
}  // namespace ormakin
