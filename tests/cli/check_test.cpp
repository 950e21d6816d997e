// ormakin-sim check: a course described as the sensors see it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "sim_runner.h"
#include "support/bmp_builder.h"
#include "support/course_builder.h"
#include "support/temp_dir.h"

namespace ormakin::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

// A 24-bit course of 20 x 10 pixels: a pure black line on rows 4 and 5,
// and `edge` on the rows just above and below it (rows 3 and 6), as the
// smoothing of a drawing program leaves it.
std::string CourseWithEdge(TColor edge, std::int32_t height = 10) {
  BmpLayout layout;
  layout.width = 20;
  layout.height = height;
  layout.pixels = PackPixels(20, height, 24, [&](int, int y) {
    if (y == 4 || y == 5) return RawBgr(clBlack);
    if (y == 3 || y == 6) return RawBgr(edge);
    return RawBgr(clWhite);
  });
  return AsString(BuildBmp(layout));
}

class CheckTest : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(CheckTest, CleanCourseIsDescribedWithoutWarning) {
  const std::string course = dir_.WriteFile("clean.bmp", CourseWithEdge(clWhite));
  const SimResult r = RunSim({"check", course});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(Lines(r.out),
              ElementsAre("width=20", "height=10", "bits_per_pixel=24", "compression=none",
                          "top_down=no", "line_pixels=40", "near_black_pixels=0"));
}

TEST_F(CheckTest, SmoothedLineIsWarnedAbout) {
  // 0x00303030 is dark grey: every channel at most 0x40, but not black.
  const std::string course = dir_.WriteFile("smooth.bmp", CourseWithEdge(0x00303030));
  const SimResult r = RunSim({"check", course});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("line_pixels=40\nnear_black_pixels=40\n"));
  EXPECT_THAT(LastLine(r.out), HasSubstr("warning: the line looks drawn with smoothing: 40"));
}

TEST_F(CheckTest, NearBlackLimitIsInclusive) {
  // 0x41 in one channel is no longer nearly black; 0x40 in all still is.
  for (const auto& [edge, count] :
       {std::pair{TColor{0x00404040}, "40"}, std::pair{TColor{0x00404140}, "0"}}) {
    const std::string course = dir_.WriteFile("edge.bmp", CourseWithEdge(edge));
    const SimResult r = RunSim({"check", course});
    EXPECT_THAT(r.out, HasSubstr("near_black_pixels=" + std::string(count) + "\n"));
  }
}

TEST_F(CheckTest, CourseWithoutLineIsWarnedAbout) {
  BmpLayout layout;
  layout.width = 8;
  layout.height = -4;  // top-down
  layout.pixels =
      PackPixels(8, -4, 24, [](int x, int) { return RawBgr(x == 3 ? 0x00101010 : clWhite); });
  const std::string course = dir_.WriteFile("grey.bmp", AsString(BuildBmp(layout)));
  const SimResult r = RunSim({"check", course});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("top_down=yes\nline_pixels=0\nnear_black_pixels=4\n"));
  EXPECT_THAT(LastLine(r.out), HasSubstr("warning: there is no line"));
  EXPECT_THAT(LastLine(r.out), HasSubstr("4 pixels are nearly black"));
}

TEST_F(CheckTest, RunLengthEncodedCourseShowsItsFileFormat) {
  const std::string course = dir_.WriteFile("rle.bmp", AsString(BuildRle8Course(64, 48)));
  const SimResult r = RunSim({"check", course});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("bits_per_pixel=8\ncompression=rle8\ntop_down=no\n"));
  EXPECT_THAT(r.out, Not(HasSubstr("warning")));
}

TEST_F(CheckTest, MaskMarksExactlyThePureBlackPixels) {
  const std::string course = dir_.WriteFile("smooth.bmp", CourseWithEdge(0x00303030));
  const std::string mask = dir_.PathOf("mask.pbm");
  ASSERT_EQ(RunSim({"check", course, "--mask", mask}).status, 0);
  std::ifstream in(mask, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  // 20 pixels a row: three bytes, the last one padded.
  std::string expected = "P4\n20 10\n";
  for (int y = 0; y < 10; ++y) {
    expected += (y == 4 || y == 5) ? std::string("\xFF\xFF\xF0", 3) : std::string(3, '\0');
  }
  EXPECT_EQ(bytes.str(), expected);
}

TEST_F(CheckTest, LoadFailuresExitWithTheWindowsMessage) {
  dir_.WriteFile("course.png", "whatever");
  dir_.WriteFile("bad.bmp", "BM short");
  for (const auto& [name, message] :
       {std::pair{"course.png", "拡張子 .png の画像形式は処理できません.\n"},
        std::pair{"bad.bmp", "ストリームからの読み込みエラー.\n"},
        std::pair{"missing.bmp", "は開けません.\n"}}) {
    const SimResult r = RunSim({"check", dir_.PathOf(name)});
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_THAT(r.err, HasSubstr(message)) << name;
    EXPECT_EQ(r.out, "") << name;
  }
  EXPECT_EQ(RunSim({"check"}).status, 2);
}

}  // namespace
}  // namespace ormakin::testing
