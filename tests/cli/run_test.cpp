// ormakin-sim run, driven as a user's script drives it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "core/picture/bmp_reader.h"
#include "sim_runner.h"
#include "support/course_builder.h"
#include "support/read_file.h"
#include "support/sample_runs.h"
#include "support/temp_dir.h"

namespace ormakin::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// A vertical line three pixels wide at x = 19..21 down a 40 x 60 course.
std::string StraightCourse() {
  return LineCourseBmp(40, 60, [](int x, int) { return x >= 19 && x <= 21; });
}

// Straight on while the centre sees the line; stop when nothing does.
constexpr const char* kStraightSettings =
    "[car]\ninit_x=20\ninit_y=5\n[state]\n1-4=0,1,1\n1-0=0,0,0\n";

// A closed square of one-pixel line from (20, 20) to (80, 80). With the
// sensors on the car's own row, the car turns left at each corner, where the
// left sensor meets the next side, and laps the square for ever.
std::string SquareCourse() {
  return LineCourseBmp(100, 100, [](int x, int y) {
    const bool side = (x == 20 || x == 80) && y >= 20 && y <= 80;
    const bool edge = (y == 20 || y == 80) && x >= 20 && x <= 80;
    return side || edge;
  });
}
constexpr const char* kSquareSettings =
    "[car]\ninit_x=20\ninit_y=30\nsensor_pos=0\n[state]\n1-4=0,1,1\n1-5=90,1,1\n";

// The fields of the summary line.
std::string Field(const std::string& summary, const std::string& name) {
  const std::regex pattern("(^| )" + name + "=([^ ]*)");
  std::smatch match;
  return std::regex_search(summary, match, pattern) ? match[2].str() : std::string("<none>");
}

class RunTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    return dir_.WriteFile(name, bytes);
  }
  std::string PathOf(const std::string& name) { return dir_.PathOf(name); }

  TempDir dir_;
};

TEST_F(RunTest, TraceOfAStraightRunPinsItsFirstRows) {
  const std::string course = Write("line.bmp", StraightCourse());
  const std::string settings = Write("car.ini", kStraightSettings);
  const SimResult r = RunSim({"run", course, "--settings", settings, "--trace", "-"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "tick,x,y,direction,sensor_bits,state");
  // The placement: the start point, heading straight down, mask not yet probed.
  EXPECT_EQ(lines[1], "0,20,5,4.7123889803846897,0,1");
  EXPECT_EQ(lines[2], "1,20,6,4.7123889803846897,4,1");
  EXPECT_EQ(lines[3], "2,20,7,4.7123889803846897,4,1");
  // The centre sensor, 10 pixels ahead, leaves the course below y = 59 when
  // the car is at y = 50: that tick applies the stop rule (mask 0).
  EXPECT_EQ(lines[lines.size() - 3], "46,20,50,4.7123889803846897,0,0");
  EXPECT_EQ(lines[lines.size() - 2],
            "stop: tick 46, state 1, mask 0 (no sensor on the line), rule 1-0=0,0,0 sends the car "
            "to state 0");
  EXPECT_EQ(lines.back(),
            "ticks=46 stopped=yes x=20 y=50 direction=4.7123889803846897 state=0 "
            "loop_period=0 hash=" +
                Field(lines.back(), "hash"));
  EXPECT_TRUE(r.err.empty()) << r.err;
}

// FNV-1a 64 over the rows' little-endian bytes, recomputed from the CSV: the
// reals must read back exactly for this to match.
std::uint64_t HashOfTrace(const std::string& csv) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  auto add = [&](std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      hash ^= (value >> (8 * i)) & 0xFFu;
      hash *= 0x100000001b3ULL;
    }
  };
  const auto lines = Lines(csv);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::istringstream row(lines[i]);
    std::string tick, x, y, direction, bits, state;
    std::getline(row, tick, ',');
    std::getline(row, x, ',');
    std::getline(row, y, ',');
    std::getline(row, direction, ',');
    std::getline(row, bits, ',');
    std::getline(row, state, ',');
    for (const std::string& real : {x, y, direction}) {
      add(std::bit_cast<std::uint64_t>(std::strtod(real.c_str(), nullptr)), 8);
    }
    add(static_cast<std::uint32_t>(std::stol(bits)), 4);
    add(static_cast<std::uint32_t>(std::stol(state)), 4);
  }
  return hash;
}

TEST_F(RunTest, SummaryAndHashAreStableAndMatchTheTrace) {
  const std::string course = Write("ring.bmp", LineCourseBmp(200, 200, Ring(100, 100, 70, 2.5)));
  const std::string settings = Write("car.ini", FollowerSettings(30, 90));
  const std::string trace = PathOf("trace.csv");
  const SimResult first = RunSim({"run", course, "--settings", settings, "--ticks", "2000"});
  const SimResult second =
      RunSim({"run", course, "--settings", settings, "--ticks=2000", "--trace", trace});
  ASSERT_EQ(first.status, 0) << first.err;
  ASSERT_EQ(second.status, 0) << second.err;
  const std::string summary = LastLine(first.out);
  EXPECT_EQ(summary, LastLine(second.out));
  EXPECT_THAT(summary, StartsWith("ticks=2000 stopped=no "));
  EXPECT_TRUE(std::regex_match(Field(summary, "hash"), std::regex("[0-9a-f]{16}"))) << summary;

  const std::string csv = ReadFile(trace);
  EXPECT_EQ(Lines(csv).size(), 2002u);  // header, placement, 2000 ticks
  char expected[17];
  std::snprintf(expected, sizeof expected, "%016llx",
                static_cast<unsigned long long>(HashOfTrace(csv)));
  EXPECT_EQ(Field(summary, "hash"), expected);
  // The summary's position is the trace's last row.
  const std::string lastRow = Lines(csv).back();
  EXPECT_THAT(lastRow, StartsWith("2000," + Field(summary, "x") + "," + Field(summary, "y") + "," +
                                  Field(summary, "direction") + ","));
}

TEST_F(RunTest, ALapOfAClosedCourseIsFoundAsALoop) {
  const std::string course = Write("square.bmp", SquareCourse());
  const std::string settings = Write("car.ini", kSquareSettings);
  const SimResult until = RunSim({"run", course, "--settings", settings, "--until-loop"});
  ASSERT_EQ(until.status, 0) << until.err;
  const std::string summary = LastLine(until.out);
  // One lap of the square: 4 sides of 60 pixels, one tick per pixel.
  EXPECT_EQ(Field(summary, "loop_period"), "240") << until.out;
  EXPECT_EQ(Field(summary, "stopped"), "no");
  EXPECT_LT(std::stoul(Field(summary, "ticks")), 1000u);
  EXPECT_THAT(until.out, HasSubstr("cycles every 240 ticks"));

  // Without --until-loop the run goes on to its limit, and still reports the loop.
  const SimResult on = RunSim({"run", course, "--settings", settings, "--ticks", "5000"});
  ASSERT_EQ(on.status, 0) << on.err;
  EXPECT_EQ(Field(LastLine(on.out), "ticks"), "5000");
  EXPECT_EQ(Field(LastLine(on.out), "loop_period"), "240");
}

TEST_F(RunTest, ARunThatNeverRepeatsReportsNoLoop) {
  const std::string course = Write("line.bmp", StraightCourse());
  const std::string settings = Write("car.ini", kStraightSettings);
  const SimResult r = RunSim({"run", course, "--settings", settings, "--until-loop"});
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(Field(LastLine(r.out), "loop_period"), "0");
  EXPECT_EQ(Field(LastLine(r.out), "stopped"), "yes");
}

TEST_F(RunTest, TickLimitEndsTheRunWithoutStoppingTheCar) {
  const std::string course = Write("line.bmp", StraightCourse());
  const std::string settings = Write("car.ini", kStraightSettings);
  for (const auto& [ticks, expected] : {std::pair{"0", "ticks=0 stopped=no x=20 y=5 "},
                                        std::pair{"3", "ticks=3 stopped=no x=20 y=8 "}}) {
    const SimResult r = RunSim({"run", course, "--settings", settings, "--ticks", ticks});
    ASSERT_EQ(r.status, 0);
    EXPECT_THAT(LastLine(r.out), StartsWith(expected));
  }
}

TEST_F(RunTest, AStoppedCarSaysWhyJustBeforeTheSummary) {
  const std::string course = Write("line.bmp", StraightCourse());
  const std::pair<const char*, const char*> cases[] = {
      {"1-4=0,1,1\n",
       "stop: tick 46, state 1, mask 0 (no sensor on the line), rule 1-0 is not set in the "
       "settings"},
      {"1-4=10,1,0\n",
       "stop: tick 1, state 1, mask 4 (centre sensor on the line), rule 1-4=10,1,0 sends the car "
       "to state 0"},
      {"1-4=0,1,2\n2-4=0,1,21\n",
       "stop: tick 2, state 2, mask 4 (centre sensor on the line), state 21 has no rules (from "
       "rule 2-4)"},
  };
  for (const auto& [rules, reason] : cases) {
    const std::string settings =
        Write("car.ini", std::string("[car]\ninit_x=20\ninit_y=5\n[state]\n") + rules);
    const auto lines = Lines(RunSim({"run", course, "--settings", settings}).out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], reason);
  }
}

TEST_F(RunTest, MalformedRuleIsReportedOnOneLineAndTheRunGoesOn) {
  const std::string course = Write("line.bmp", StraightCourse());
  const std::string settings =
      Write("car.ini", std::string(kStraightSettings) + "1-5=abc\n2-1=5,1\n");
  const SimResult r = RunSim({"run", course, "--settings", settings});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "データに誤りがあります: 1-5=abc\nデータに誤りがあります: 2-1=5,1\n");
  EXPECT_THAT(LastLine(r.out), StartsWith("ticks=46 stopped=yes"));
}

struct ExitCase {
  const char* name;
  std::vector<std::string> args;  // {course}, {settings} and {dir} are filled in
  int status;
  const char* err;  // a part of standard error
};

TEST_F(RunTest, ExitStatusSaysWhatHappened) {
  const std::string course = Write("line.bmp", StraightCourse());
  const std::string settings = Write("car.ini", kStraightSettings);
  const std::string badRule = Write("bad.ini", "[state]\n1-4=0,1,1\n1-6=x,1,1\n");
  const std::string overflow = Write("over.ini", "[car]\ninit_x=2E500\n");
  Write("course.png", "not a picture");
  const std::vector<ExitCase> cases = {
      {"done", {"run", "{course}", "--settings", "{settings}"}, 0, ""},
      {"course missing",
       {"run", "{dir}/none.bmp", "--settings", "{settings}"},
       1,
       "none.bmp は開けません."},
      {"not a bitmap",
       {"run", "{dir}/course.png", "--settings", "{settings}"},
       1,
       "拡張子 .png の画像形式は処理できません."},
      {"rule part not a number",
       {"run", "{course}", "--settings", badRule},
       1,
       "'x' は浮動小数点数ではありません."},
      {"start point overflows",
       {"run", "{course}", "--settings", overflow},
       1,
       "浮動小数点数のオーバーフロー."},
      {"trace cannot be written",
       {"run", "{course}", "--settings", "{settings}", "--trace", "{dir}/no/such/dir.csv"},
       1,
       "cannot write"},
      {"no command", {}, 2, "usage:"},
      {"unknown command", {"walk", "{course}"}, 2, "unknown command: walk"},
      {"no course", {"run", "--rules"}, 2, "run needs a COURSE"},
      {"unknown option", {"run", "{course}", "--fast"}, 2, "unknown option for run: --fast"},
      {"ticks not a number", {"run", "{course}", "--ticks", "-5"}, 2, "--ticks needs"},
      {"ticks missing", {"run", "{course}", "--ticks"}, 2, "--ticks needs a value"},
      {"flag with a value", {"run", "{course}", "--rules=yes"}, 2, "--rules takes no value"},
      {"two courses", {"run", "{course}", "{course}"}, 2, "more than one course"},
  };
  for (const ExitCase& c : cases) {
    std::vector<std::string> args;
    for (std::string a : c.args) {
      a = std::regex_replace(a, std::regex("\\{course\\}"), course);
      a = std::regex_replace(a, std::regex("\\{settings\\}"), settings);
      a = std::regex_replace(a, std::regex("\\{dir\\}"), dir_.Path());
      args.push_back(a);
    }
    const SimResult r = RunSim(args);
    EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.err)) << c.name;
    if (c.status != 0) {
      // A failed run prints no summary that a script could take for a result.
      EXPECT_THAT(r.out, ::testing::Not(HasSubstr("ticks="))) << c.name;
    }
  }
}

TEST_F(RunTest, FrameAndPathPicturesShowTheCarWhereTheRunEnded) {
  const std::string course = Write("line.bmp", StraightCourse());
  const std::string settings = Write("car.ini", kStraightSettings);
  const std::string frame = PathOf("frame.bmp");
  const std::string path = PathOf("path.png");
  const SimResult r = RunSim(
      {"run", course, "--settings", settings, "--ticks", "20", "--frame", frame, "--path", path});
  ASSERT_EQ(r.status, 0) << r.err;

  // The frame, read back by the program's own reader: the whole course, the
  // body blue around the car's end point (20, 25), the course clean elsewhere.
  const TBitmap picture = ReadBitmapFile(frame);
  EXPECT_EQ(picture.Width(), 40);
  EXPECT_EQ(picture.Height(), 60);
  EXPECT_EQ(picture.GetPixel(16, 25), clBlue);
  EXPECT_EQ(picture.GetPixel(20, 55), clBlack);
  EXPECT_EQ(picture.GetPixel(5, 5), clWhite);

  // The path picture is a PNG of the course's size.
  const std::string png = ReadFile(path);
  ASSERT_GE(png.size(), 33u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(png.substr(16, 8), std::string("\0\0\0\x28\0\0\0\x3c", 8));  // 40 x 60
}

TEST_F(RunTest, RuleTableMarksEmptyRulesThatFiredAndRulesThatNeverDid) {
  const std::string course = Write("line.bmp", StraightCourse());
  // 1-0 is left out: the stop at the end of the line comes from an empty rule.
  const std::string settings =
      Write("car.ini", "[car]\ninit_x=20\ninit_y=5\n[state]\n1-4=0,1,1\n1-7=0,1,1\n");
  const SimResult r = RunSim({"run", course, "--settings", settings, "--rules"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto lines = Lines(r.out);
  const auto row = std::find_if(lines.begin(), lines.end(),
                                [](const std::string& l) { return l.starts_with("    1"); });
  ASSERT_NE(row, lines.end()) << r.out;
  // Masks 0 to 7 of state 1: 0 applied once although empty, 4 applied 45
  // times, 7 set but never applied, the others neither.
  EXPECT_TRUE(std::regex_search(*row, std::regex("^ +1 +1E +\\. +\\. +\\. +45  +\\. +\\. +0N$")))
      << *row;
}

// The bundled controller on each sample course: the summaries as recorded,
// which the core's own test of the same runs shares.
TEST(SampleRuns, SummariesStayAsRecorded) {
  const std::string root = ORMAKIN_SOURCE_DIR "/examples/";
  for (const RecordedRun& recorded : kSampleRuns) {
    const SimResult run =
        RunSim({"run", root + "courses/" + recorded.course + ".bmp", "--settings",
                root + "ormakin.ini", "--ticks", std::to_string(kSampleRunTicks)});
    EXPECT_EQ(run.status, 0) << recorded.course << ": " << run.err;
    EXPECT_EQ(LastLine(run.out), SummaryLine(recorded)) << recorded.course;
  }
}

}  // namespace
}  // namespace ormakin::testing
