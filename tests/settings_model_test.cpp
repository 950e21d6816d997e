// The settings model's report of every key it reads, and its agreement with
// the reads that build the car.
#include "core/settings/settings_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/settings/ini_file.h"
#include "support/memory_ini_file.h"
#include "support/recording_platform.h"

namespace ormakin::testing {
namespace {

using ::testing::ElementsAre;

// Each outcome as one line, in the order told.
class RecordingObserver : public SettingsObserver {
 public:
  void OnCarValue(CarKey key, const NumberEntry& entry, double value) override {
    const char* outcome = entry.overflow       ? "overflow"
                          : entry.text.empty() ? "empty"
                          : !entry.number      ? "no number"
                                               : "read";
    lines.push_back(std::string(kCarKeys[key].name) + " " + outcome + " " +
                    std::to_string(static_cast<int>(value)));
  }
  void OnRule(int state, int mask, const std::string& value,
              const std::variant<TStateRule, RuleError>& rule) override {
    std::string line = RuleKey(state, mask) + "=" + value;
    if (const auto* error = std::get_if<RuleError>(&rule)) {
      line += error->error ? " fails" : " malformed";
    } else {
      line += " next " + std::to_string(std::get<TStateRule>(rule).NextState);
    }
    lines.push_back(line);
  }
  std::vector<std::string> lines;
};

TEST(ObserveSettings, TellsEveryKeyInTheProgramsOrderAndGoesOnPastFailures) {
  MemoryIniFile ini;
  ini.Set("car", "init_x", "1E400")
      .Set("car", "init_y", "7")
      .Set("car", "sensor_left", "abc")
      .Set("car", "sensor_right", "1E999")
      .Rule(20, 7, "1,2,0")
      .Rule(1, 3, "1,x,2")
      .Rule(1, 2, "no commas")
      .Rule(2, 0, "0,1,20");
  RecordingObserver observer;
  ObserveSettings(ini, observer);
  EXPECT_THAT(
      observer.lines,
      ElementsAre("sensor_left no number 3", "sensor_right overflow 3", "sensor_pos empty 10",
                  "1-2=no commas malformed", "1-3=1,x,2 fails", "2-0=0,1,20 next 20",
                  "20-7=1,2,0 next 0", "init_x overflow 5", "init_y read 7"));
  // The car itself reads the same keys in the same order and stops at the
  // first failure.
  const std::vector<std::string> observed = ini.Reads();
  MemoryIniFile again;
  again.Set("car", "sensor_right", "1E999");
  RecordingPlatform boxes;
  EXPECT_THROW(ReadCarSettings(again, boxes), EOverflow);
  EXPECT_THAT(again.Reads(), ElementsAre("car/sensor_left", "car/sensor_right"));
  ASSERT_EQ(observed.size(), 3U + kStateCount * kMaskCount + 2U);
  EXPECT_EQ(observed[3], "state/1-0");
  EXPECT_EQ(observed[observed.size() - 3], "state/20-7");
  EXPECT_EQ(observed.back(), "car/init_y");
}

TEST(ObserveSettings, AgreesWithTheReadsThatBuildTheCar) {
  MemoryIniFile ini;
  ini.Set("car", "sensor_pos", "12.5")
      .Set("car", "init_x", "30")
      .Rule(1, 0, "5,1,2")
      .Rule(3, 4, "x");
  RecordingPlatform boxes;
  const CarSettings car = ReadCarSettings(ini, boxes);
  EXPECT_EQ(car.sensorPos, 12.5);
  EXPECT_TRUE(car.ruleSet[0][0]);
  EXPECT_FALSE(car.ruleSet[2][4]);
  EXPECT_EQ(boxes.boxes.size(), 1U);
  const StartPoint start = ReadStartPoint(ini);
  EXPECT_EQ(start.x, 30.0);
  EXPECT_EQ(start.y, kCarKeys[kInitY].defaultValue);
  RecordingObserver observer;
  ObserveSettings(ini, observer);
  EXPECT_THAT(observer.lines, ElementsAre("sensor_left empty 3", "sensor_right empty 3",
                                          "sensor_pos read 12", "1-0=5,1,2 next 2",
                                          "3-4=x malformed", "init_x read 30", "init_y empty 10"));
}

}  // namespace
}  // namespace ormakin::testing
