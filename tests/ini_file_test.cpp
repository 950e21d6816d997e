#include "core/settings/ini_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/base/message_box.h"
#include "core/os/system_profile.h"
#include "core/settings/decimal_mark.h"
#include "core/settings/profile_reader.h"
#include "core/settings/settings_model.h"
#include "support/temp_dir.h"

namespace ormakin {
namespace {

using testing::TempDir;

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDecimalMark('.'); }
  void TearDown() override { SetDecimalMark('.'); }

  // A reader over a settings file with one key "init_x" of the given value.
  double ReadInitX(const std::string& value) {
    const TIniFile ini(dir_.WriteFile("ormakin.ini", "[car]\ninit_x=" + value + "\n"));
    return ini.ReadNumber("car", "init_x", 5.0);
  }

  TempDir dir_;
};

TEST_F(IniFileTest, ReadNumberGivesTheValueOrTheDefault) {
  struct Case {
    const char* value;
    double expected;
  };
  const Case cases[] = {
      {"250", 250.0}, {"12.5", 12.5}, {"-.5", -0.5},   {".", 0.0},      {"1E-400", 0.0},
      {" 7 ", 7.0},   {"\"3\"", 3.0}, {"abc", 5.0},    {"", 5.0},       {"1,5", 5.0},
      {"1 000", 5.0}, {"+", 5.0},     {"1E5000", 5.0}, {"1E4999", 5.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadInitX(c.value), c.expected) << "value: '" << c.value << "'";
  }
}

TEST_F(IniFileTest, ReadNumberLetsTheOverflowThrough) {
  EXPECT_THROW(ReadInitX("2E500"), EOverflow);
  EXPECT_THROW(ReadInitX("-1.8E308"), EOverflow);
}

TEST_F(IniFileTest, ReadNumberFollowsTheDecimalMark) {
  SetDecimalMark(',');
  EXPECT_EQ(ReadInitX("1.5"), 5.0);
  EXPECT_EQ(ReadInitX("1,5"), 1.5);
}

TEST_F(IniFileTest, ReadNumberConvertsTheCutValue) {
  // 2047 digits survive the cut: a valid number beyond the double range.
  EXPECT_THROW(ReadInitX(std::string(3000, '9')), EOverflow);
  // The letter after the first 2047 bytes is cut off, so the value is valid.
  EXPECT_EQ(ReadInitX(std::string(2047, '1').replace(0, 2046, 2046, '0') + "x"), 1.0);
}

TEST_F(IniFileTest, WithoutAFileEveryReadGivesTheDefault) {
  const TIniFile ini(dir_.PathOf("ormakin.ini"));
  EXPECT_EQ(ini.ReadEntry("car", "init_x"), "");
  EXPECT_EQ(ini.ReadNumber("car", "init_x", 5.0), 5.0);
  EXPECT_EQ(ini.ReadNumber("car", "sensor_pos", 10.0), 10.0);
}

TEST_F(IniFileTest, ReadEntryReadsTheFileAnewEachTime) {
  const TIniFile ini(dir_.WriteFile("ormakin.ini", "[car]\ninit_x=1\n"));
  EXPECT_EQ(ini.ReadNumber("car", "init_x", 5.0), 1.0);
  dir_.WriteFile("ormakin.ini", "[car]\ninit_x=2\n");
  EXPECT_EQ(ini.ReadNumber("car", "init_x", 5.0), 2.0);
}

TEST(SettingsFilePath, LiesBesideTheExecutable) {
  char buffer[4096] = {};
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  ASSERT_GT(length, 0);
  std::string expected(buffer, static_cast<std::size_t>(length));
  expected = expected.substr(0, expected.rfind('/') + 1) + "ormakin.ini";
  EXPECT_EQ(SettingsFilePath(), expected);
}

// Within a pass every read sees the file as the pass's first read found it;
// outside one, and after Reread, each read sees the file as it is now.
TEST(ReadPass, AnswersFromOneReadingOfTheFileUntilItEnds) {
  TempDir dir;
  const std::string path = dir.WriteFile("ormakin.ini", "[car]\ninit_x=1\ninit_y=1\n");
  if (ReadSystemProfileString(path, "car", "init_x", kMaxProfileValue)) {
    GTEST_SKIP() << "the system reads settings files itself, a key at a time";
  }
  const TIniFile ini(path);
  {
    TCustomIniFile::ReadPass pass(ini);
    EXPECT_EQ(ini.ReadEntry("car", "init_x"), "1");
    dir.WriteFile("ormakin.ini", "[car]\ninit_x=2\ninit_y=2\n");
    {
      const TCustomIniFile::ReadPass inner(ini);
      EXPECT_EQ(ini.ReadEntry("CAR", "Init_Y"), "1");
    }
    // The inner pass ending leaves the outer one's reading.
    EXPECT_EQ(ini.ReadEntry("car", "init_y"), "1");
    pass.Reread();
    EXPECT_EQ(ini.ReadEntry("car", "init_y"), "2");
    dir.WriteFile("ormakin.ini", "[car]\ninit_x=3\n");
  }
  EXPECT_EQ(ini.ReadEntry("car", "init_x"), "3");
  EXPECT_EQ(ini.ReadEntry("car", "init_y"), "");
}

// The box for a malformed rule is shown before the next rule is read, and
// that read sees what the user changed while the box was open.
TEST(ReadPass, ReadsTheFileAfreshAfterABox) {
  class EditingBoxes : public MessageBoxService {
   public:
    explicit EditingBoxes(const TempDir& dir) : dir_(dir) {}
    int ShowMessageBox(const std::string& text, const std::string&, MessageBoxFlags) override {
      shown.push_back(text);
      dir_.WriteFile("ormakin.ini", "[state]\n1-0=bad\n1-1=2,2,2\n");
      return 1;
    }
    std::vector<std::string> shown;

   private:
    const TempDir& dir_;
  };
  TempDir dir;
  const TIniFile ini(dir.WriteFile("ormakin.ini", "[state]\n1-0=bad\n1-1=1,1,1\n"));
  EditingBoxes boxes(dir);
  const CarSettings car = ReadCarSettings(ini, boxes);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_TRUE(car.ruleSet[0][1]);
  EXPECT_EQ(car.rules[0][1].Turn, 2.0);
}

}  // namespace
}  // namespace ormakin
