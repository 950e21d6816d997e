#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "core/base/errors.h"
#include "studies/settings_lint.h"

namespace ormakin::studies {
namespace {

constexpr int kCodeCount = static_cast<int>(LintCode::StartOffLine) + 1;

TEST(LintMessage, FillsTheCodesTextInOnePass) {
  const LintFinding repeated{4, LintCode::RepeatedKey, {{"line", "2"}, {"key", "{line}"}}};
  EXPECT_EQ(LintMessage(repeated), "key '{line}' repeats the one on line 2, which is the one read");
  const LintFinding lacking{4, LintCode::RepeatedKey, {{"key", "1-0"}}};
  EXPECT_THROW(LintMessage(lacking), Exception);
}

// The page words each finding from its catalogue by the code's name; its
// English words are the tool's, so that the page and the tool agree.
TEST(LintMessage, EveryCodeHasANameAndTheTextThePageHasInEnglish) {
  std::ifstream in(std::string(ORMAKIN_SOURCE_DIR) + "/src/web/page/words.en.json");
  const std::string english{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  ASSERT_FALSE(english.empty());
  std::set<std::string> names;
  for (int c = 0; c < kCodeCount; ++c) {
    const auto code = static_cast<LintCode>(c);
    std::string name = LintCodeName(code);
    EXPECT_TRUE(names.insert(name).second) << name;
    name[0] = static_cast<char>(name[0] - 'a' + 'A');
    const std::string entry = "\"lint" + name + "\": \"" + LintTemplate(code) + "\"";
    EXPECT_NE(english.find(entry), std::string::npos) << entry;
  }
}

}  // namespace
}  // namespace ormakin::studies
