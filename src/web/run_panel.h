// The run panel's facts: what the page shows beside the window (the tick,
// the car, the rule applied, the rules' counts since the course was opened,
// the stop, the sensors' probes and the path so far), gathered from the
// ticks the window runs and handed to the page once a frame, never per tick.
// Everything in a snapshot is a function of the run's tick, so that a page
// that keeps snapshots can show any tick again.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/car/car.h"
#include "core/car/car_run.h"
#include "core/picture/bitmap.h"
#include "core/window/trace_map.h"
#include "studies/path_picture.h"
#include "studies/rule_usage.h"

namespace ormakin::web {

class RunPanel : public RunObserver {
 public:
  explicit RunPanel(const TTraceMap& window) : window_(window) {}

  // The course's opening: the counts, the path and the ticks start afresh.
  void Placed(const TCar& car) override;
  void Ticked(const TickReport& tick) override;

  // The rules of the car the window built, as the settings write them, for
  // the grid: JSON {"rules":[160 texts, "" for a rule the settings do not
  // give], "set":[160 flags]}, state 1 mask 0 first.
  std::string RulesJson() const;
  // The run as it stands, as JSON (see SnapshotJson in run_panel.cpp).
  std::string SnapshotJson();
  // The path drawn since the course was opened, over a blank picture of the
  // view's part of the course (kPathColor on white); null without a course
  // bitmap.
  const TBitmap* Path();
  // Ticks since the opening: the path changes only with it.
  std::uint64_t Ticks() const { return ticks_; }

 private:
  // The path begins once the course the placement was made for is loaded,
  // that is after the open command's placement.
  void BeginPath();
  // The rule's text as the settings write it, "" for one they do not give.
  std::string GivenRuleText(int state, int mask) const;

  const TTraceMap& window_;
  studies::RuleUsage usage_;
  std::optional<studies::PathPicture> path_;
  std::optional<TCar> placed_;  // the car at its placement, until the path begins
  bool opened_ = false;         // a course was opened: there is a run to show
  std::uint64_t ticks_ = 0;
  // The first tick at which each rule fired since the opening, 0 for none.
  std::array<std::array<std::uint64_t, kMaskCount>, kStateCount> firsts_{};
  std::int32_t lastState_ = 0;  // the rule of the last tick: state and mask
  std::int32_t lastMask_ = 0;
};

}  // namespace ormakin::web
