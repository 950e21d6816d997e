// Broken and absurd input through the whole program, as a user might give
// it: each gets its clear message (or its default) and the program goes on.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>

#include "core/base/errors.h"
#include "core/window/trace_map.h"
#include "support/bmp_builder.h"
#include "support/course_builder.h"
#include "support/recording_platform.h"
#include "support/temp_dir.h"

namespace ormakin {
namespace {

using testing::RecordingPlatform;
using testing::TempDir;

// The process's peak resident size in kilobytes since the last ResetPeak.
long PeakKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) {
      return std::stol(line.substr(6));
    }
  }
  return -1;
}

// Lowers the peak resident size to the present size, so that a peak measured
// afterwards belongs to what runs from here on, not to an earlier test in the
// same process. False when the system does not allow it.
bool ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5" << std::flush;
  return clear.good() && PeakKilobytes() >= 0;
}

struct Hostile : ::testing::Test {
  void Start(const std::string& settingsPath) {
    map = std::make_unique<TTraceMap>(platform, settingsPath);
    map->Create();
  }
  void Open(const std::string& path) {
    platform.fileChoices.push_back(path);
    map->Dispatch(&TTraceMap::Open1Click);
  }
  std::string LastBox() const {
    return platform.boxes.empty() ? std::string() : platform.boxes.back().text;
  }
  TempDir dir;
  RecordingPlatform platform;
  std::unique_ptr<TTraceMap> map;
};

TEST_F(Hostile, SettingsFileThatIsADirectoryGivesTheDefaults) {
  const std::string path = dir.PathOf("ormakin.ini");
  ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
  Start(path);
  EXPECT_TRUE(platform.boxes.empty());
  ASSERT_NE(map->Car, nullptr);
  EXPECT_EQ(map->Car->SensorPos(), 10.0);
  Open(dir.WriteFile("c.bmp", testing::LineCourseBmp(20, 20, [](int, int) { return false; })));
  EXPECT_EQ(map->Car->X(), 5.0);
  EXPECT_EQ(map->Car->Y(), 10.0);
}

TEST_F(Hostile, RuleValueOfAHundredThousandCharactersIsCutAndReported) {
  Start(dir.WriteFile("ormakin.ini", "[state]\n1-0=" + std::string(100000, '7') + "\n"));
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(LastBox(), "データに誤りがあります\r\n1-0=" + std::string(2047, '7'));
  EXPECT_NE(map->Car, nullptr);
}

TEST_F(Hostile, CourseFilesThatCannotBeReadNameThemselves) {
  Start(dir.PathOf("none.ini"));
  const std::string folder = dir.PathOf("folder.bmp");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  Open(folder);
  EXPECT_EQ(LastBox(), "ファイル " + folder + " は開けません.");
  if (::geteuid() != 0) {  // permission bits do not stop root
    const std::string locked = dir.WriteFile("locked.bmp", "BM");
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    Open(locked);
    EXPECT_EQ(LastBox(), "ファイル " + locked + " は開けません.");
  }
  EXPECT_EQ(map->CourseImage->Picture.GetKind(), TPicture::Kind::None);
}

TEST_F(Hostile, HugeDeclaredPictureIsRefusedWithoutAllocatingIt) {
  Start(dir.PathOf("none.ini"));
  testing::BmpLayout layout;
  layout.width = layout.height = 100000;
  if (!ResetPeak()) {
    GTEST_SKIP() << "the peak resident size cannot be reset in this process";
  }
  const long before = PeakKilobytes();
  Open(dir.WriteFile("huge.bmp", testing::AsString(testing::BuildBmp(layout))));
  EXPECT_EQ(LastBox(), std::string(kInvalidBitmapMessage) + ".");
  EXPECT_LT(PeakKilobytes() - before, 64 * 1024);
}

TEST_F(Hostile, SmallFileDeclaringTheLargestPictureStaysCheap) {
  // 16384 x 16384 at 32 bits is exactly the largest store; the file holds
  // no pixels, so they all read black, and the store's pages stay untouched.
  Start(dir.PathOf("none.ini"));
  testing::BmpLayout layout;
  layout.width = layout.height = 16384;
  layout.bitsPerPixel = 32;
  if (!ResetPeak()) {
    GTEST_SKIP() << "the peak resident size cannot be reset in this process";
  }
  const long before = PeakKilobytes();
  Open(dir.WriteFile("large.bmp", testing::AsString(testing::BuildBmp(layout))));
  EXPECT_TRUE(platform.boxes.empty()) << LastBox();
  EXPECT_TRUE(map->IsOnLine(16383, 16383));
  EXPECT_LT(PeakKilobytes() - before, 256 * 1024);
}

TEST_F(Hostile, AbsurdRulesRunWithoutCrashOrHang) {
  Start(dir.WriteFile("ormakin.ini",
                      "[car]\ninit_x=1E300\ninit_y=-1E300\n[state]\n"
                      "1-0=1E308,1E308,1\n1-1=0,0,2147483647\n"));
  Open(dir.WriteFile("c.bmp", testing::LineCourseBmp(50, 50, [](int x, int) { return x < 3; })));
  int ticks = 0;
  platform.whenIdle = [&] {
    if (++ticks == 1000) {
      map->Dispatch(&TTraceMap::N4Click);
    }
  };
  map->Dispatch(&TTraceMap::N3Click);
  EXPECT_FALSE(map->Running);
  EXPECT_TRUE(platform.boxes.empty()) << LastBox();
  EXPECT_EQ(platform.pauses.size(), 1u + 1000u);  // the open command's, then one per tick
}

}  // namespace
}  // namespace ormakin
