#include "studies/rule_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/base/errors.h"
#include "core/settings/ini_file.h"
#include "support/temp_dir.h"

namespace ormakin::studies {
namespace {

using testing::TempDir;

struct FindCase {
  const char* name;
  const char* file;
  int state;
  int mask;
  std::uint64_t line;
  const char* text;
};

TEST(FindRuleLine, FindsTheLineTheProgramReads) {
  const FindCase cases[] = {
      {"plain", "[state]\n1-0=0,1,1\n1-1=5,1,1\n", 1, 1, 3, "1-1=5,1,1"},
      {"absent", "[state]\n1-0=0,1,1\n", 2, 0, 0, ""},
      {"no section", "1-0=0,1,1\n", 1, 0, 0, ""},
      {"first of two keys", "[state]\n2-3=1,1,1\n2-3=9,9,9\n", 2, 3, 2, "2-3=1,1,1"},
      {"first of two sections", "[state]\n[car]\n[state]\n1-0=1,1,1\n", 1, 0, 0, ""},
      {"section case and blanks", "[car]\n [ StAtE ] x\n 1-0 = 1,1,1 \n", 1, 0, 3, " 1-0 = 1,1,1 "},
      {"blank value counts", "[state]\n1-0=\n1-0=1,1,1\n", 1, 0, 2, "1-0="},
      {"name without =", "[state]\n1-0\n1-0=1,1,1\n", 1, 0, 2, "1-0"},
      {"comment skipped", "[state]\n;1-0=1,1,1\n1-0=2,2,2\n", 1, 0, 3, "1-0=2,2,2"},
      {"CR LF and lone CR", "[state]\r\n1-0=1,1,1\r2-0=2,2,2\r\n", 2, 0, 3, "2-0=2,2,2"},
      {"no final newline", "[state]\n20-7=1,1,0", 20, 7, 2, "20-7=1,1,0"},
      {"leading zero is another key", "[state]\n01-0=1,1,1\n", 1, 0, 0, ""},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TempDir dir;
    const RuleLine found = FindRuleLine(dir.WriteFile("ormakin.ini", c.file), c.state, c.mask);
    EXPECT_EQ(found.number, c.line);
    EXPECT_EQ(found.text, c.text);
  }
}

struct RewriteCase {
  const char* name;
  const char* file;
  int state;
  int mask;
  std::optional<TStateRule> rule;  // nothing: cleared
  const char* expected;
};

TEST(RewriteRule, ChangesTheRulesLineAndNothingElse) {
  const TStateRule turn{3, -15.5, 2};  // written "-15.5,2,3"
  const RewriteCase cases[] = {
      {"value replaced", "[car]\ninit_x=1\n[state]\n1-0=0,1,1\n1-1=5,1,1\n", 1, 1, turn,
       "[car]\ninit_x=1\n[state]\n1-0=0,1,1\n1-1=-15.5,2,3\n"},
      {"key as written kept", "[STATE]\r\n  1-1 =  5,1,1\r\n", 1, 1, turn,
       "[STATE]\r\n  1-1 =  -15.5,2,3\r\n"},
      {"only the first of two keys", "[state]\n1-1=5,1,1\n1-1=7,7,7", 1, 1, turn,
       "[state]\n1-1=-15.5,2,3\n1-1=7,7,7"},
      {"blank value", "[state]\n1-1=\n", 1, 1, turn, "[state]\n1-1=-15.5,2,3\n"},
      {"name without =", "[state]\n1-1 \n", 1, 1, turn, "[state]\n1-1=-15.5,2,3\n"},
      {"new line after the section's last", "[state]\r\n1-0=0,1,1\r\n\r\n;next\r\n[car]\r\n", 3, 4,
       turn, "[state]\r\n1-0=0,1,1\r\n3-4=-15.5,2,3\r\n\r\n;next\r\n[car]\r\n"},
      {"new line in the first section only", "[state]\n[car]\n[state]\n1-0=1,1,1\n", 1, 0, turn,
       "[state]\n1-0=-15.5,2,3\n[car]\n[state]\n1-0=1,1,1\n"},
      {"new line at the end without final newline", "[state]\r\n1-0=0,1,1", 2, 0, turn,
       "[state]\r\n1-0=0,1,1\r\n2-0=-15.5,2,3"},
      {"section made", "[car]\r\ninit_x=1\r\n", 1, 0, turn,
       "[car]\r\ninit_x=1\r\n[state]\r\n1-0=-15.5,2,3\r\n"},
      {"section made without final newline", "[car]\ninit_x=1", 1, 0, turn,
       "[car]\ninit_x=1\n[state]\n1-0=-15.5,2,3"},
      {"section made in an empty file", "", 1, 0, turn, "[state]\n1-0=-15.5,2,3\n"},
      {"cleared", "[state]\n1-1=5,1,1\n1-1=7,7,7\n", 1, 1, std::nullopt,
       "[state]\n1-1=\n1-1=7,7,7\n"},
      {"cleared without a line", "[state]\n1-0=5,1,1\n", 1, 1, std::nullopt,
       "[state]\n1-0=5,1,1\n"},
      {"byte-order mark kept", "\xEF\xBB\xBF[state]\n1-0=5,1,1\n", 1, 0, turn,
       "\xEF\xBB\xBF[state]\n1-0=-15.5,2,3\n"},
  };
  for (const RewriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TempDir dir;
    const std::string before = dir.WriteFile("before.ini", c.file);
    const std::string text = RewriteRule(before, c.state, c.mask, c.rule);
    EXPECT_EQ(text, c.expected);
    // The program reads the new rule from the new text, and every other
    // rule as before.
    const TIniFile oldFile(before);
    const TIniFile newFile(dir.WriteFile("after.ini", text));
    for (int s = 1; s <= kStateCount; ++s) {
      for (int m = 0; m < kMaskCount; ++m) {
        const std::string key = RuleKey(s, m);
        const std::string want = s == c.state && m == c.mask
                                     ? (c.rule ? RuleText(*c.rule) : std::string())
                                     : oldFile.ReadEntry(kStateSection, key);
        EXPECT_EQ(newFile.ReadEntry(kStateSection, key), want) << key;
      }
    }
  }
}

TEST(RewriteRule, RefusesUtf16) {
  const TempDir dir;
  const std::string path = dir.WriteFile("wide.ini", std::string("\xFF\xFE[\0s\0", 6));
  EXPECT_THROW(RewriteRule(path, 1, 0, TStateRule{}), Exception);
}

}  // namespace
}  // namespace ormakin::studies
