// TCar: the simulated vehicle, its three line sensors and its controller, a
// rule table of 20 states by 8 sensor masks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/car/line_bits.h"
#include "core/car/line_probe.h"
#include "core/draw/canvas.h"
#include "core/extended/pixel_of_sum.h"
#include "core/extended/sine_cosine.h"
#include "core/picture/color.h"
#include "core/settings/settings_model.h"

namespace ormakin {

class MessageBoxService;
class TCustomIniFile;

// Sensor mask bits.
inline constexpr std::int32_t kLeftSensor = 1;
inline constexpr std::int32_t kRightSensor = 2;
inline constexpr std::int32_t kCentreSensor = 4;

// What Draw paints, in its order: the body, then the markers left, right and
// centre, each later shape over the earlier ones.
struct CarShapes {
  // The body's corners front left, rear left, rear right, front right, as a
  // polygon in blue pen and brush; none when a corner lies beyond the 32-bit
  // pixel range, and so far outside any frame.
  std::optional<std::array<TPoint, 4>> body;
  struct Marker {
    TColor color = clRed;  // green where the sensor saw the line, red where not
    // The 4 x 4 square filled in the brush colour (right and bottom edges
    // excluded); none when the probe point lies beyond the 32-bit range.
    std::optional<TRect> square;
  };
  std::array<Marker, 3> markers{};
};

// One sensor's probe: the course pixel it looks at (none when the point is
// no 32-bit pixel, and so far outside any course) and whether that pixel is
// on the line.
struct SensorProbe {
  std::optional<std::int32_t> x;
  std::optional<std::int32_t> y;
  bool onLine = false;
};

class TCar {
 public:
  // A car in state 1 with the given geometry and rules, at rest at (0, 0).
  // It probes the course through `course`.
  TCar(const CarSettings& settings, LineProbe& course)
      : settings_(settings), course_(course), lineBits_(course.Bits()) {}
  // The same, from the settings read by ReadCarSettings.
  TCar(const TCustomIniFile& iniFile, MessageBoxService& boxes, LineProbe& course)
      : TCar(ReadCarSettings(iniFile, boxes), course) {}

  // Places the car at its start: the point, heading straight down, at the
  // start speed.
  void PlaceAtStart(const StartPoint& start) {
    SetPosition(start.x, start.y);
    SetDirection(kStartHeading);
    SetSpeed(kStartSpeed);
  }

  void SetPosition(double x, double y) {
    X_ = x;
    Y_ = y;
  }
  // Radians, counter-clockwise on the screen from +x; not reduced to a range.
  void SetDirection(double value) { Direction_ = value; }
  void SetSpeed(double value) { Speed_ = value; }

  // Probes the course under the three sensors into SensorBits (1 left,
  // 2 right, 4 centre). The mask is cleared first, so a probe that fails
  // leaves only the bits found before it.
  void Sense();
  // The three probes from where the car stands now, left, right and centre:
  // what the next Sense finds.
  std::array<SensorProbe, 3> Probes() const;

  // One tick: sense, apply the rule of the current state and the fresh mask
  // (turn, move, next state). Returns false, changing nothing, when the car is
  // stopped: in state 0, or in a state that has no row in the table.
  bool Step();
  // In state 0 or in a state without a row: Step changes nothing any more.
  bool Stopped() const { return !HasRow(State_); }

  // Paints the body and the three sensor markers onto `canvas`; leaves the
  // canvas's pen and brush in the centre marker's colour.
  void Draw(TCanvas& canvas) const;
  // The shapes Draw paints, from the present pose and the last mask.
  CarShapes Shapes() const;

  double X() const { return X_; }  // course pixels
  double Y() const { return Y_; }  // course pixels, y grows downwards
  double Direction() const { return Direction_; }
  double Speed() const { return Speed_; }
  std::int32_t SensorBits() const { return SensorBits_; }
  double SensorLeft() const { return settings_.sensorLeft; }
  double SensorRight() const { return settings_.sensorRight; }
  double SensorPos() const { return settings_.sensorPos; }
  std::int32_t State() const { return State_; }
  // The rule for state 1..20 and mask 0..7.
  const TStateRule& Rule(int state, int mask) const { return settings_.rules[state - 1][mask]; }
  const CarSettings& Settings() const { return settings_; }

 private:
  // The sines and cosines of the heading D and of the angles the car derives
  // from it: D + pi/2 and D - pi/2 (the side sensors, the body's sides) and
  // D + pi (the body's rear). Each is a function of the heading's bits alone,
  // so it is kept until the heading changes: Step moves along the new heading
  // and the next Sense and Draw probe along the same one, and a car going
  // straight keeps its heading for many ticks.
  enum class Angle { Heading, Left, Right, Back };
  SineCosine SinCosOf(Angle angle) const;
  // The products of the probes that depend on the heading alone, kept with
  // its sines and cosines: each side sensor's offset (the cosine and sine of
  // its angle times its distance to the side, left then right) and the
  // sensors' distance ahead times the heading's cosine and sine, each
  // rounded to a double first. A tick of a car going straight then only adds
  // them to its position.
  struct ProbeTerms {
    std::array<PixelTerm, 2> sideCos;
    std::array<PixelTerm, 2> sideSin;
    PixelTerm aheadCos;
    PixelTerm aheadSin;
  };
  const ProbeTerms& ProbeTermsOf() const;
  // A move's two steps along the heading, for the distance whose bits they
  // were computed for.
  struct MoveTerms {
    std::uint64_t distanceBits = 0;
    Extended dx;
    Extended dy;
  };
  const MoveTerms& MoveTermsOf(double distance) const;
  // A rule's turn in radians, kept for each rule once it has fired: the
  // rules do not change during the car's life.
  Extended TurnOf(std::int32_t state, std::int32_t mask) const;
  mutable std::array<std::optional<Extended>, std::size_t{kStateCount} * kMaskCount> turns_;
  // The distance a rule's advance moves the car at its speed, kept for the
  // last speed and advance: most rules of a table advance alike.
  struct Distance {
    std::uint64_t speedBits = 0;
    std::uint64_t advanceBits = 0;
    double value = 0.0;
  };
  double DistanceOf(double advance) const;
  // The probe of sensor 0 (left), 1 (right) or 2 (centre) from the car's
  // position with the present heading's terms.
  SensorProbe Probe(int sensor, const ProbeTerms& terms) const;
  struct AngleCache {
    std::uint64_t directionBits = 0;
    std::array<std::optional<SineCosine>, 4> values;
    std::optional<ProbeTerms> probes;
    std::optional<MoveTerms> move;
  };
  // The cache of the present heading's bits, emptied when they change.
  AngleCache& AnglesNow() const;
  mutable AngleCache angles_;
  mutable std::optional<Distance> distance_;

  double X_ = 0.0;
  double Y_ = 0.0;
  double Direction_ = 0.0;
  double Speed_ = 0.0;
  std::int32_t SensorBits_ = 0;
  std::int32_t State_ = 1;
  CarSettings settings_;
  LineProbe& course_;
  const LineBits* lineBits_;  // course_'s bits, when it has them
};

}  // namespace ormakin
