// Replays the extended arithmetic's test vectors (see extended_vectors.h):
// the file that the host build wrote, named by ORMAKIN_VECTORS. `make
// test-aarch64`, `make test-i686`, `make test-wasm` and the Windows tests
// write it first and always name it; run by hand without it, the test skips.

#include "support/extended_vectors.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

namespace ormakin::testing {
namespace {

TEST(ExtendedVectors, EveryTargetGivesTheReferenceBits) {
  const char* path = std::getenv("ORMAKIN_VECTORS");
  if (path == nullptr || *path == '\0') {
    GTEST_SKIP() << "no test vectors: ORMAKIN_VECTORS names no file (make one with "
                    "build/tests/make_extended_vectors FILE)";
  }
  const std::vector<VectorLine> lines = ReadVectorFile(path);
  ASSERT_FALSE(lines.empty()) << path << " holds no vectors";

  std::map<std::string, int> replayed;
  std::map<std::string, int> differing;
  std::map<std::string, int> unknown;  // operations this build cannot compute yet
  std::map<std::string, std::string> why;
  int failures = 0;
  for (const VectorLine& line : lines) {
    const std::string& name = line.fields.front();
    const VectorOperation* operation = FindVectorOperation(name);
    if (operation == nullptr || !operation->evaluate) {
      ++unknown[name];
      why[name] =
          operation == nullptr ? "an operation this build does not know" : operation->missing;
      continue;
    }
    const std::size_t operands = static_cast<std::size_t>(operation->operands);
    const std::size_t results = static_cast<std::size_t>(operation->results);
    ASSERT_EQ(line.fields.size(), 1 + operands + results)
        << path << ":" << line.number << ": " << name << " takes " << operands << " operands and "
        << results << " results";
    const std::vector<std::string> in(line.fields.begin() + 1,
                                      line.fields.begin() + 1 + static_cast<long>(operands));
    const std::vector<std::string> expected(line.fields.begin() + 1 + static_cast<long>(operands),
                                            line.fields.end());
    std::vector<std::string> actual;
    try {
      actual = operation->evaluate(in);
    } catch (const std::invalid_argument& error) {
      FAIL() << path << ":" << line.number << ": " << error.what();
    }
    ++replayed[name];
    if (actual != expected) {
      // Every mismatch counts; the first few are shown in full.
      ++differing[name];
      if (++failures <= 20) {
        std::ostringstream got;
        for (const std::string& field : actual) {
          got << ' ' << field;
        }
        ADD_FAILURE() << path << ":" << line.number << ": " << name << " gave" << got.str()
                      << "\n  expected the line's results";
      }
    }
  }
  EXPECT_EQ(failures, 0) << "vectors that gave other bits";

  for (const auto& [name, count] : replayed) {
    std::printf("%s: %d vectors replayed, %d gave other bits\n", name.c_str(), count,
                differing[name]);
  }
  for (const auto& [name, count] : unknown) {
    std::printf("%s: %d vectors skipped: %s\n", name.c_str(), count, why[name].c_str());
  }
  ASSERT_FALSE(replayed.empty()) << "not one vector could be replayed";
}

// The notation itself: what the generator writes, the replay reads back.
TEST(ExtendedVectorFields, RoundTripAndRefuseMalformedFields) {
  const ExtendedBits one{0x3FFF, 0x8000000000000000};
  EXPECT_EQ(FormatExtended(one), "3fff:8000000000000000");
  EXPECT_EQ(ParseExtendedField("3fff:8000000000000000"), one);
  EXPECT_EQ(ParseExtendedField("ffff:c000000000000000"),
            (ExtendedBits{0xFFFF, 0xC000000000000000}));
  for (const char* bad :
       {"", "3fff", "3fff:800000000000000", "3fff:80000000000000000", "3fff-8000000000000000",
        "3FFF:8000000000000000", "3fff:800000000000000g", "+3ff:8000000000000000"}) {
    EXPECT_FALSE(ParseExtendedField(bad)) << bad;
  }
  EXPECT_EQ(FormatDouble(1.0), "3ff0000000000000");
  EXPECT_EQ(FormatDouble(-0.0), "8000000000000000");
  EXPECT_EQ(ParseDoubleField("3ff0000000000000"), 1.0);
  EXPECT_FALSE(ParseDoubleField("3ff000000000000"));

  for (const std::string& text :
       {std::string(), std::string("1.5"), std::string(" -2e3 "), std::string("%\"\t\n"),
        std::string("\x82\x50", 2), std::string("a\0b", 3)}) {
    const std::string quoted = QuoteText(text);
    EXPECT_EQ(quoted.find(' '), std::string::npos) << quoted;
    EXPECT_EQ(UnquoteText(quoted), text) << quoted;
  }
  EXPECT_EQ(QuoteText(" 1%"), "\"%201%25\"");
  for (const char* bad : {"", "\"", "1.5", "\"1\"5\"", "\"%2\"", "\"%zz\"", "\"%\""}) {
    EXPECT_FALSE(UnquoteText(bad)) << bad;
  }
}

}  // namespace
}  // namespace ormakin::testing
