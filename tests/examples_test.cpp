// The sample courses of examples/courses/ and the bundled examples/ormakin.ini:
// every course loads through the picture reader as a clean black-on-white
// course in the layout it was written in, the bundled controller takes the
// car round every course, again and again, without stopping, and the tuned
// one examples/tuned.ini does so faster.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

#include "core/picture/bmp_reader.h"
#include "core/picture/byte_source.h"
#include "core/picture/color.h"
#include "core/window/trace_map.h"
#include "support/recording_platform.h"

namespace ormakin {
namespace {

using testing::RecordingPlatform;

const std::string kExamples = std::string(ORMAKIN_SOURCE_DIR) + "/examples";
const std::string kSettings = kExamples + "/ormakin.ini";

// The one start point that examples/ormakin.ini gives for all the courses.
constexpr double kStartX = 60;
constexpr double kStartY = 200;

struct SampleCourse {
  const char* file;
  int width;
  int height;
  int bitsPerPixel;           // as stored in the file
  std::uint32_t compression;  // 0 none, 1 RLE8
  bool topDown;
  int ticks;  // enough for well over two laps at about one pixel a tick
};

const SampleCourse kCourses[] = {
    {"1-oval.bmp", 500, 400, 24, 0, false, 3000},       // full colour
    {"2-bends.bmp", 500, 400, 8, 0, false, 4000},       // 256 greys
    {"3-eight.bmp", 500, 400, 1, 0, false, 3000},       // black and white
    {"4-gap-corner.bmp", 500, 400, 8, 1, false, 4000},  // run-length encoded
    {"5-large.bmp", 1200, 900, 8, 0, true, 9000},       // two colours, top row first
};

// Names the course in failure messages.
void PrintTo(const SampleCourse& course, std::ostream* out) {
  *out << course.file;
}

std::string CoursePath(const SampleCourse& course) {
  return kExamples + "/courses/" + course.file;
}

class SampleCourses : public ::testing::TestWithParam<SampleCourse> {};

TEST_P(SampleCourses, StoredInItsLayoutAndDrawnInPureBlackOnWhite) {
  const SampleCourse& course = GetParam();
  const BmpInfo info = InspectBitmap(FileSource(CoursePath(course)));
  EXPECT_EQ(info.bitsPerPixel, course.bitsPerPixel);
  EXPECT_EQ(info.compression, course.compression);
  EXPECT_EQ(info.topDown, course.topDown);

  const TBitmap bitmap = ReadBitmapFile(CoursePath(course));
  ASSERT_EQ(bitmap.Width(), course.width);
  ASSERT_EQ(bitmap.Height(), course.height);
  long black = 0;
  long other = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      const TColor color = bitmap.GetPixel(x, y);
      black += color == clBlack ? 1 : 0;
      other += color != clBlack && color != clWhite ? 1 : 0;
    }
  }
  // No smoothing: not one pixel between black and white.
  EXPECT_EQ(other, 0);
  // A line 5 pixels wide round a loop of at least 1000 pixels.
  EXPECT_GT(black, 5000);
  // The shared start point lies on the line, and so does the centre sensor's
  // first probe 12 pixels below it.
  EXPECT_EQ(bitmap.GetPixel(kStartX, kStartY), clBlack);
  EXPECT_EQ(bitmap.GetPixel(kStartX, kStartY + 12), clBlack);
}

// How a controller went round a course: the ticks on which it came back to
// its start point after having left it, going the same way as at the start,
// and those on which it came back the other way round (as a car that turned
// back where it lost the line would).
struct Rounds {
  std::vector<int> returns;
  std::vector<int> wrongWay;
  int blind = 0;  // ticks on which no sensor saw the line
  // The most ticks from the start to the first return or between two.
  int Slowest() const {
    int slowest = 0;
    int previous = 0;
    for (const int tick : returns) {
      slowest = std::max(slowest, tick - previous);
      previous = tick;
    }
    return slowest;
  }
};

// Runs the car of `settings` as the window does (open, then tick after tick)
// for `ticks` ticks; it must never stop.
Rounds GoRound(const std::string& settings, const SampleCourse& course, int ticks) {
  Rounds rounds;
  RecordingPlatform platform;
  TTraceMap map(platform, settings);
  map.Create();
  // The settings read without a single complaint.
  EXPECT_TRUE(platform.boxes.empty()) << platform.boxes.front().text;
  if (map.Car == nullptr) {
    ADD_FAILURE() << "no car";
    return rounds;
  }
  platform.fileChoices.push_back(CoursePath(course));
  map.Dispatch(&TTraceMap::Open1Click);
  EXPECT_TRUE(platform.boxes.empty()) << platform.boxes.front().text;
  EXPECT_EQ(map.Car->X(), kStartX);
  EXPECT_EQ(map.Car->Y(), kStartY);

  constexpr double kLeft = 50;  // farther than this, the car has left the start
  constexpr double kBack = 15;  // nearer than this, it has come back
  bool away = false;
  for (int tick = 1; tick <= ticks; ++tick) {
    if (!map.Car->Step() || map.Car->State() == 0) {
      ADD_FAILURE() << "stopped at tick " << tick;
      break;
    }
    rounds.blind += map.Car->SensorBits() == 0 ? 1 : 0;
    const double distance = std::hypot(map.Car->X() - kStartX, map.Car->Y() - kStartY);
    if (distance > kLeft) {
      away = true;
    } else if (away && distance < kBack) {
      away = false;
      // Still heading down the screen, within 45 degrees.
      const double off = std::remainder(map.Car->Direction() - kStartHeading, 2 * std::numbers::pi);
      (std::abs(off) < std::numbers::pi / 4 ? rounds.returns : rounds.wrongWay).push_back(tick);
    }
  }
  return rounds;
}

TEST_P(SampleCourses, BundledControllerGoesRoundAtLeastTwiceWithoutStopping) {
  const SampleCourse& course = GetParam();
  const Rounds rounds = GoRound(kSettings, course, course.ticks);
  EXPECT_GE(rounds.returns.size(), 2u);
  EXPECT_TRUE(rounds.wrongWay.empty())
      << "came back the wrong way at tick " << rounds.wrongWay.front();
  // The car follows the line rather than wandering and finding it by chance:
  // it loses the line only at gaps and sharp corners, briefly.
  EXPECT_LT(rounds.blind, course.ticks / 50) << "ticks without the line";
}

// The controller that tune found, examples/tuned.ini: in 9000 ticks it comes
// round at least twice, never the other way round, and none of its rounds
// takes as long as the bundled controller's slowest.
TEST_P(SampleCourses, TunedControllerGoesRoundFasterThanTheBundledOne) {
  constexpr int kTicks = 9000;
  const SampleCourse& course = GetParam();
  const Rounds tuned = GoRound(kExamples + "/tuned.ini", course, kTicks);
  const Rounds bundled = GoRound(kSettings, course, kTicks);
  EXPECT_GE(tuned.returns.size(), 2u);
  EXPECT_TRUE(tuned.wrongWay.empty())
      << "came back the wrong way at tick " << tuned.wrongWay.front();
  EXPECT_LT(tuned.Slowest(), bundled.Slowest());
}

INSTANTIATE_TEST_SUITE_P(Examples, SampleCourses, ::testing::ValuesIn(kCourses),
                         [](const ::testing::TestParamInfo<SampleCourse>& info) {
                           std::string name;
                           for (const char* c = info.param.file; *c != '.'; ++c) {
                             if (std::isalnum(static_cast<unsigned char>(*c)) != 0) {
                               name += *c;
                             }
                           }
                           return name;
                         });

}  // namespace
}  // namespace ormakin
