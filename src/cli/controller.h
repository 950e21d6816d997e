// A controller to try on the courses: the settings' car values as written in
// the file, and a rule table whose every rule keeps both its numbers and the
// text that gives them, so that a rule read from the file is written back
// exactly as it was.
#pragma once

#include <array>
#include <string>

#include "car.h"
#include "ini_file.h"
#include "line_probe.h"

namespace ormakin::cli {

struct ControllerRule {
  TStateRule value;
  std::string text;  // empty: the rule is not set (it stops the car)
};

struct Controller {
  // The car keys' texts as the settings file gives them, in kCarKeys order.
  std::array<std::string, 5> car;
  std::array<std::array<ControllerRule, kMaskCount>, kStateCount> rules;
  // Where the open command placed the car, in course pixels.
  double startX = 0.0;
  double startY = 0.0;

  const ControllerRule& Rule(int state, int mask) const { return rules[state - 1][mask]; }
  // Sets a rule from its numbers; its text is written from them.
  void SetRule(int state, int mask, const TStateRule& value);
  // Clears a rule: it is not set any more.
  void ClearRule(int state, int mask) { rules[state - 1][mask] = ControllerRule{}; }

  // Reads the car values and the rule texts from `settings`; `car` is the car
  // the window built from them and placed at its start, whose rule numbers
  // and start point are taken.
  static Controller Read(const TCustomIniFile& settings, const TCar& car);
};

// The car keys of section "car": the start point and the sensor geometry.
inline constexpr std::array<const char*, 5> kCarKeys = {"init_x", "init_y", "sensor_left",
                                                        "sensor_right", "sensor_pos"};
inline constexpr const char* kCarSection = "car";
inline constexpr const char* kStateSection = "state";

// A real as the settings file writes it: the shortest text that reads back
// as the same double, with the user's decimal mark.
std::string SettingsReal(double value);

// A rule as the settings file writes it: turn, advance, next state.
std::string RuleText(const TStateRule& rule);

// The controller as a settings file that the car reads, held in memory.
class ControllerSettings : public TCustomIniFile {
 public:
  explicit ControllerSettings(const Controller& controller)
      : TCustomIniFile("tuned controller"), controller_(controller) {}
  std::string ReadEntry(const std::string& section, const std::string& key) const override;

 private:
  const Controller& controller_;
};

// A car driven by `controller` on `course`, placed at the controller's start
// point heading straight down, as the open command places it.
TCar MakeCar(const Controller& controller, LineProbe& course);

}  // namespace ormakin::cli
