#include "core/car/stop_reason.h"

#include <gtest/gtest.h>

#include "core/car/bitmap_probe.h"
#include "core/car/car_run.h"

namespace ormakin {
namespace {

// Each way a car stops: the cause's code and values, and the one line the
// tool prints of it.
TEST(StopReason, CauseAndLineOfEachWayToStop) {
  TBitmap course(10, 10, clWhite);
  BitmapProbe probe(course);
  struct Case {
    const char* name;
    bool set;
    TStateRule rule;  // the rule of state 1, mask 0
    std::int32_t state;
    std::int32_t mask;
    StopCause::Code code;
    const char* line;
  };
  const Case cases[] = {
      {"not set",
       false,
       {},
       1,
       0,
       StopCause::Code::NotSet,
       "stop: tick 1, state 1, mask 0 (no sensor on the line), rule 1-0 is not set in the "
       "settings"},
      {"to state 0",
       true,
       {0, -1.5, 2.0},
       1,
       0,
       StopCause::Code::ToZero,
       "stop: tick 1, state 1, mask 0 (no sensor on the line), rule 1-0=-1.5,2,0 sends the car "
       "to state 0"},
      {"to a state without rules",
       true,
       {21, 0.0, 1.0},
       1,
       0,
       StopCause::Code::NoRowNext,
       "stop: tick 1, state 1, mask 0 (no sensor on the line), state 21 has no rules (from rule "
       "1-0)"},
  };
  for (const Case& c : cases) {
    CarSettings settings;
    settings.rules[0][0] = c.rule;
    settings.ruleSet[0][0] = c.set;
    TCar car(settings, probe);
    CarRun run(car);
    const RunResult result = run.Run(10);
    ASSERT_TRUE(result.stopped) << c.name;
    const StopCause cause = StopCauseOf(car, 1, c.state, c.mask);
    EXPECT_EQ(cause.code, c.code) << c.name;
    EXPECT_EQ(cause.tick, 1u) << c.name;
    EXPECT_EQ(cause.state, 1) << c.name;
    EXPECT_EQ(cause.mask, 0) << c.name;
    EXPECT_EQ(cause.rule.NextState, c.rule.NextState) << c.name;
    EXPECT_EQ(StopReasonText(cause), c.line) << c.name;
    EXPECT_EQ(result.stopReason, c.line) << c.name;
  }
  // A car that never moved: the state it stands in has no rules.
  CarSettings settings;
  TCar car(settings, probe);
  ASSERT_TRUE(CarRun(car).Run(10).stopped);
  const StopCause cause = StopCauseOf(car, 1, 0, -1);
  EXPECT_EQ(cause.code, StopCause::Code::NoRules);
  EXPECT_EQ(StopReasonText(cause), "stop: tick 1, state 0 has no rules");
}

}  // namespace
}  // namespace ormakin
