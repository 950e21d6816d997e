// ormakin-sim lint: every finding of a settings file, with its line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim_runner.h"
#include "support/course_builder.h"
#include "support/temp_dir.h"

namespace ormakin::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

// One finding of each kind, each on a line of its own.
constexpr const char* kFaultySettings =
    "stray=1\r\n"       // 1: before any section
    "[car]\r\n"         // 2
    "init_x=20\r\n"     // 3
    "init_y=abc\r\n"    // 4: falls back to its default
    "sensr_left=4\r\n"  // 5: misspelt
    "init_x=70\r\n"     // 6: repeated
    "[state]\r\n"       // 7
    "1-4=0,1,1\r\n"     // 8
    "1-5=abc\r\n"       // 9: malformed
    "1-6=5,x,1\r\n"     // 10: does not convert
    "01-0=0,1,1\r\n"    // 11: never read
    "21-0=0,1,1\r\n"    // 12
    "1-8=0,1,1\r\n"     // 13
    "0-0=0,1,1\r\n"     // 14
    "1-7=0,1,25\r\n"    // 15: a next state without rules
    "1-4 = 5,1,1\r\n"   // 16: repeated
    "[other]\r\n"       // 17
    "foo=1\r\n"         // 18: a section that is never read
    "[STATE]\r\n"       // 19
    "1-3=0,1,1\r\n";    // 20: only the first [state] is read

class LintTest : public ::testing::Test {
 protected:
  // The finding lines ("file:line: text") of a lint's output, with the file
  // name taken off.
  std::vector<std::string> Findings(const SimResult& r, const std::string& file) {
    std::vector<std::string> findings;
    for (const std::string& line : Lines(r.out)) {
      if (line.starts_with(file + ":")) findings.push_back(line.substr(file.size() + 1));
    }
    return findings;
  }

  TempDir dir_;
};

TEST_F(LintTest, EveryKindOfFindingNamesItsLine) {
  const std::string file = dir_.WriteFile("faulty.ini", kFaultySettings);
  const SimResult r = RunSim({"lint", file});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(
      Findings(r, file),
      ElementsAre(
          "1: key 'stray' lies before any section: never read",
          "4: init_y=abc is no number: the default 10 is used",
          "5: key 'sensr_left' in [car] is never read: did you mean sensor_left?",
          "6: key 'init_x' repeats the one on line 3, which is the one read",
          "9: データに誤りがあります: 1-5=abc (a rule needs turn,advance,next state)",
          "10: 1-6: 'x' は浮動小数点数ではありません.",
          "10: building the car stops at 1-6: the window shows the error and no course can be "
          "run",
          "11: key '01-0' in [state] is never read: rule keys run from 1-0 to 20-7 (state 1 to "
          "20, sensor mask 0 to 7), without leading zeros",
          "12: key '21-0' in [state] is never read: rule keys run from 1-0 to 20-7 (state 1 to "
          "20, sensor mask 0 to 7), without leading zeros",
          "13: key '1-8' in [state] is never read: rule keys run from 1-0 to 20-7 (state 1 to "
          "20, sensor mask 0 to 7), without leading zeros",
          "14: key '0-0' in [state] is never read: rule keys run from 1-0 to 20-7 (state 1 to "
          "20, sensor mask 0 to 7), without leading zeros",
          "15: 1-7: next state 25 has no rules (states run from 1 to 20): the car stops there",
          "16: key '1-4' repeats the one on line 8, which is the one read",
          "18: key 'foo' in section [other] is never read: only [car] and [state] are read",
          "20: key '1-3' is never read: only the first [state] section is read (line 7)"));
  // The summary: what the program ends up with.
  EXPECT_THAT(r.out, HasSubstr("start point: x=20 y=10, heading down the screen\n"
                               "sensors: left=3 right=3 ahead=10\n"
                               "rules set per state: state 1: 2\n"));
  EXPECT_EQ(LastLine(r.out), "result: the window shows a message box for this file");
}

TEST_F(LintTest, BuildingStopsAtTheFirstFailureInTheCarsReadingOrder) {
  // The car reads 1-2 before 1-5, though it comes later in the file.
  const std::string file = dir_.WriteFile("order.ini", "[state]\n1-5=1,,1\n1-2=1,1,x\n");
  const SimResult r = RunSim({"lint", file});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(
      Findings(r, file),
      ElementsAre("2: 1-5: '' は浮動小数点数ではありません.", "3: 1-2: 'x' は整数ではありません.",
                  "3: building the car stops at 1-2: the window shows the error and no "
                  "course can be run"));
}

TEST_F(LintTest, TheBlockingFindingIsShownBeyondTheCapOnFindings) {
  std::string text = "[state]\n";
  for (int i = 0; i < 10005; ++i) text += "ignored\n";
  text += "1-2=1,1,x\n";
  const std::string file = dir_.WriteFile("many.ini", text);
  const SimResult r = RunSim({"lint", file});
  EXPECT_EQ(r.status, 1);
  const auto findings = Findings(r, file);
  EXPECT_THAT(findings, Contains("10007: 1-2: 'x' は整数ではありません."));
  EXPECT_THAT(findings, Contains(" 5 more findings not shown"));
}

TEST_F(LintTest, LinesAreCountedAndReadAsTheSettingsReaderReadsThem) {
  // Lone CRs end lines; a key without "=" is read, empty; a NUL ends a value.
  const std::string file = dir_.WriteFile(
      "odd.ini", std::string("[car]\rinit_x\rinit_x=70\r\ninit_y=3\0junk\nhello world\n", 50));
  const SimResult r = RunSim({"lint", file});
  EXPECT_THAT(Findings(r, file),
              ElementsAre("2: key 'init_x' has no '=': it reads as empty",
                          "2: init_x is empty: the default 5 is used",
                          "3: key 'init_x' repeats the one on line 2, which is the one read",
                          "5: this line is ignored: it is neither [section], key=value nor a "
                          "comment"));
  EXPECT_THAT(r.out, HasSubstr("start point: x=5 y=3,"));
}

TEST_F(LintTest, CleanFileExitsZeroAndSummarises) {
  const std::string file = dir_.WriteFile("good.ini", FollowerSettings(30, 90));
  const SimResult r = RunSim({"lint", file});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_THAT(Findings(r, file), ElementsAre());
  EXPECT_THAT(r.out, HasSubstr("start point: x=30 y=90"));
  EXPECT_THAT(r.out, HasSubstr("rules set per state: state 1: 8\n"));
  EXPECT_EQ(LastLine(r.out), "result: the car is built without a message box");
}

TEST_F(LintTest, ExitStatusFollowsTheWindowsMessageBoxes) {
  struct Case {
    const char* name;
    const char* text;
    int status;
  };
  for (const Case& c : {
           Case{"defaults only", "", 0},
           Case{"never read and falling back", "[car]\ninit_x=\nfoo=1\n[state]\n01-0=1\n", 0},
           Case{"a quoted rule", "[state]\n1-4=\"0,1,1\"\n", 0},
           Case{"malformed rule", "[state]\n1-4=0,1\n", 1},
           Case{"sensor overflow", "[car]\nsensor_pos=1E400\n", 1},
           Case{"start point overflow", "[car]\ninit_y=-1E400\n", 1},
       }) {
    const std::string file = dir_.WriteFile("case.ini", c.text);
    EXPECT_EQ(RunSim({"lint", file}).status, c.status) << c.name;
  }
  // No file at all: the window starts with the defaults and says nothing.
  const SimResult missing = RunSim({"lint", dir_.PathOf("none.ini")});
  EXPECT_EQ(missing.status, 0);
  EXPECT_THAT(missing.out, HasSubstr("no readable settings file here"));
}

TEST_F(LintTest, NextStatesWithoutRowsAreFoundAndTheLastStateIsNot) {
  struct Case {
    const char* next;
    bool found;
  };
  for (const Case& c : {Case{"0", false}, Case{"1", false}, Case{"20", false}, Case{"21", true},
                        Case{"-1", true}, Case{"$7FFFFFFF", true}}) {
    const std::string file =
        dir_.WriteFile("next.ini", std::string("[state]\n1-0=0,1,") + c.next + "\n");
    const SimResult r = RunSim({"lint", file});
    EXPECT_EQ(r.status, 0) << c.next;
    EXPECT_EQ(Findings(r, file).size(), c.found ? 1U : 0U) << c.next << "\n" << r.out;
  }
}

TEST_F(LintTest, AKeyIsSuggestedOnlyForANearMiss) {
  const std::string list = "the keys are init_x, init_y, sensor_left, sensor_right and sensor_pos";
  struct Case {
    const char* key;
    std::string hint;
  };
  for (const Case& c : {
           Case{"sensr_left", "did you mean sensor_left?"},
           Case{"SENSR_LEFT", "did you mean sensor_left?"},
           Case{"snsr_left", "did you mean sensor_left?"},  // two edits
           Case{"snr_left", list},                          // three
           Case{"init", "did you mean init_x?"},
           Case{"speed", list},
           Case{"x", list},
           Case{"sensor", list},
       }) {
    const std::string file = dir_.WriteFile("keys.ini", std::string("[car]\n") + c.key + "=1\n");
    EXPECT_THAT(
        Findings(RunSim({"lint", file}), file),
        ElementsAre(std::string("2: key '") + c.key + "' in [car] is never read: " + c.hint))
        << c.key;
  }
}

TEST_F(LintTest, StartPointOffTheLineIsFoundOnAGivenCourse) {
  const std::string course =
      dir_.WriteFile("line.bmp", LineCourseBmp(40, 60, [](int x, int) { return x == 20; }));
  const std::string onLine = dir_.WriteFile("on.ini", "[car]\ninit_x=20\ninit_y=5\n");
  const std::string offLine = dir_.WriteFile("off.ini", "[car]\ninit_x=30\ninit_y=5\n");
  const SimResult on = RunSim({"lint", onLine, "--course", course});
  EXPECT_EQ(on.status, 0);
  EXPECT_THAT(on.out, Not(HasSubstr("no sensor sees the line")));
  const SimResult off = RunSim({"lint", offLine, "--course", course});
  EXPECT_EQ(off.status, 0);  // no message box: only the car that will not find the line
  EXPECT_THAT(Findings(off, offLine),
              Contains("2: at the start point (30, 5) no sensor sees the line on " + course +
                       ": the car begins with rule 1-0"));
  const SimResult noCourse = RunSim({"lint", onLine, "--course", dir_.PathOf("none.bmp")});
  EXPECT_EQ(noCourse.status, 1);
  EXPECT_THAT(noCourse.err, HasSubstr("は開けません."));
}

}  // namespace
}  // namespace ormakin::testing
