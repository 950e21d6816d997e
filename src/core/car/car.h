// TCar: the simulated vehicle, its three line sensors and its controller, a
// rule table of 20 states by 8 sensor masks.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "line_probe.h"

namespace ormakin {

class MessageBoxService;
class TCanvas;
class TCustomIniFile;

// One controller rule.
struct TStateRule {
  std::int32_t NextState = 0;  // the state after this rule; 0 stops the car
  double Turn = 0.0;           // change of heading in degrees, positive to the car's left
  double Advance = 0.0;        // distance moved, as a multiple of the car's speed
};

// Sensor mask bits.
inline constexpr std::int32_t kLeftSensor = 1;
inline constexpr std::int32_t kRightSensor = 2;
inline constexpr std::int32_t kCentreSensor = 4;

inline constexpr int kStateCount = 20;  // active states 1..20; 0 means stopped
inline constexpr int kMaskCount = 8;

// The text of the box shown for a rule value without two commas.
inline constexpr const char* kMalformedRuleMessage = "データに誤りがあります";

class TCar {
 public:
  // Reads the sensor geometry and the whole rule table through `iniFile`,
  // showing one box through `boxes` for each malformed rule, in key order.
  // Raises EConvertError or EOverflow when a rule part or a car value does
  // not convert. The car probes the course through `course`.
  TCar(const TCustomIniFile& iniFile, MessageBoxService& boxes, LineProbe& course);

  void SetPosition(double x, double y) {
    X_ = x;
    Y_ = y;
  }
  // Radians, counter-clockwise on the screen from +x; not reduced to a range.
  void SetDirection(double value) { Direction_ = value; }
  void SetSpeed(double value) { Speed_ = value; }

  // Probes the course under the three sensors and stores the mask (1 left,
  // 2 right, 4 centre) into `mask`.
  void Sense(std::int32_t& mask);

  // One tick: sense, apply the rule of the current state and the fresh mask
  // (turn, move, next state). Returns false, changing nothing, when the car is
  // stopped: in state 0, or in a state that has no row in the table.
  bool Step();

  // Paints the body and the three sensor markers onto `canvas`; leaves the
  // canvas's pen and brush in the centre marker's colour.
  void Draw(TCanvas& canvas) const;

  double X() const { return X_; }  // course pixels
  double Y() const { return Y_; }  // course pixels, y grows downwards
  double Direction() const { return Direction_; }
  double Speed() const { return Speed_; }
  std::int32_t SensorBits() const { return SensorBits_; }
  double SensorLeft() const { return SensorLeft_; }
  double SensorRight() const { return SensorRight_; }
  double SensorPos() const { return SensorPos_; }
  std::int32_t State() const { return State_; }
  // The rule for state 1..20 and mask 0..7.
  const TStateRule& Rule(int state, int mask) const { return Rules_[state - 1][mask]; }

  // The key of the rule for state s and mask m: "s-m".
  static std::string RuleKey(int state, int mask);

 private:
  double X_ = 0.0;
  double Y_ = 0.0;
  double Direction_ = 0.0;
  double Speed_ = 0.0;
  std::int32_t SensorBits_ = 0;
  double SensorLeft_ = 0.0;
  double SensorRight_ = 0.0;
  double SensorPos_ = 0.0;
  std::int32_t State_ = 0;
  std::array<std::array<TStateRule, kMaskCount>, kStateCount> Rules_{};
  LineProbe& course_;
};

}  // namespace ormakin
