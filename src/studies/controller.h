// A controller to try on the courses: the car's geometry, start and rule
// table as the car is built from them, and the texts of the settings file
// that gave them, so that what was read is written back exactly as it was.
#pragma once

#include <array>
#include <string>

#include "core/car/car.h"
#include "core/car/line_probe.h"
#include "core/settings/ini_file.h"
#include "core/settings/settings_model.h"

namespace ormakin::studies {

struct Controller {
  CarSettings settings;
  StartPoint start;
  // The values of section "car" as the file gives them, by CarKey; empty
  // for a key that is missing (it keeps its default).
  std::array<std::string, kCarKeyCount> carTexts;
  // The text of every rule that is set as the file gives it, and empty for
  // one set since (SetRule).
  std::array<std::array<std::string, kMaskCount>, kStateCount> ruleTexts;

  bool IsSet(int state, int mask) const { return settings.ruleSet[state - 1][mask]; }
  const TStateRule& Rule(int state, int mask) const { return settings.rules[state - 1][mask]; }
  // The text of a rule that is set: the file's, or for a rule set since,
  // written from its numbers.
  std::string Text(int state, int mask) const;
  // Sets a rule. Its text is written from its numbers only when asked: a
  // search sets thousands of rules, of which it writes out a few.
  void SetRule(int state, int mask, const TStateRule& rule);
  // Copies every rule of state `from`, set or not, over those of state `to`.
  void CopyState(int from, int to);

  // Reads the start point and the texts from `settings`; `car` is the car the
  // window built from them, whose geometry and rules are taken.
  static Controller Read(const TCustomIniFile& settings, const TCar& car);
};

// A car driven by `controller` on `course`, placed at its start.
TCar MakeCar(const Controller& controller, LineProbe& course);

}  // namespace ormakin::studies
