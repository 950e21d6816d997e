#include "core/car/car.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <optional>

#include "core/draw/canvas.h"
#include "core/extended/sine_cosine.h"

namespace ormakin {

namespace {

// One sensor's probe point: `lateral` pixels to the side given by the offset
// angle's sine and cosine, `ahead` pixels along the heading. The sums are
// evaluated left to right at extended precision before Trunc.
struct ProbePoint {
  std::optional<std::int32_t> x;
  std::optional<std::int32_t> y;
};

}  // namespace

TCar::AngleCache& TCar::AnglesNow() const {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(Direction_);
  if (angles_.directionBits != bits) {
    angles_ = AngleCache{bits, {}, {}, {}};
  }
  return angles_;
}

SineCosine TCar::SinCosOf(Angle angle) const {
  std::optional<SineCosine>& value = AnglesNow().values[static_cast<std::size_t>(angle)];
  if (!value) {
    const Extended D = Direction_;
    switch (angle) {
      case Angle::Heading:
        value = SinCos(D);
        break;
      case Angle::Left:
        value = SinCos(D + kHalfPi);
        break;
      case Angle::Right:
        value = SinCos(D - kHalfPi);
        break;
      case Angle::Back:
        value = SinCos(D + kPi);
        break;
    }
  }
  return *value;
}

const TCar::ProbeTerms& TCar::ProbeTermsOf() const {
  std::optional<ProbeTerms>& terms = AnglesNow().probes;
  if (!terms) {
    const SineCosine h = SinCosOf(Angle::Heading);
    const SineCosine left = SinCosOf(Angle::Left);
    const SineCosine right = SinCosOf(Angle::Right);
    const Extended ahead = settings_.sensorPos;
    const Extended leftOffset = settings_.sensorLeft;
    const Extended rightOffset = settings_.sensorRight;
    terms = ProbeTerms{{PixelTerm(left.cos * leftOffset), PixelTerm(right.cos * rightOffset)},
                       {PixelTerm(left.sin * leftOffset), PixelTerm(right.sin * rightOffset)},
                       PixelTerm(ahead * static_cast<double>(h.cos)),
                       PixelTerm(ahead * static_cast<double>(h.sin))};
  }
  return *terms;
}

const TCar::MoveTerms& TCar::MoveTermsOf(double distance) const {
  std::optional<MoveTerms>& move = AnglesNow().move;
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(distance);
  if (!move || move->distanceBits != bits) {
    const SineCosine heading = SinCosOf(Angle::Heading);
    move = MoveTerms{bits, heading.cos * distance, heading.sin * distance};
  }
  return *move;
}

Extended TCar::TurnOf(std::int32_t state, std::int32_t mask) const {
  std::optional<Extended>& turn = turns_[static_cast<std::size_t>((state - 1) * kMaskCount + mask)];
  if (!turn) {
    turn = kPi * settings_.rules[state - 1][mask].Turn / 180;
  }
  return *turn;
}

double TCar::DistanceOf(double advance) const {
  const std::uint64_t speedBits = std::bit_cast<std::uint64_t>(Speed_);
  const std::uint64_t advanceBits = std::bit_cast<std::uint64_t>(advance);
  if (!distance_ || distance_->speedBits != speedBits || distance_->advanceBits != advanceBits) {
    distance_ = Distance{speedBits, advanceBits,
                         static_cast<double>(static_cast<Extended>(Speed_) * advance)};
  }
  return distance_->value;
}

SensorProbe TCar::Probe(int sensor, const ProbeTerms& terms) const {
  // A side probe: (cos(a) * lateral + X + SensorPos * cosH + 0.5,
  // Y - sin(a) * lateral - SensorPos * sinH + 0.5), a the offset angle,
  // summed left to right; the centre one without the side's terms. A term
  // subtracted is its negation added, which gives the same pixel.
  ProbePoint point;
  if (sensor < 2) {
    const auto side = static_cast<std::size_t>(sensor);
    point = ProbePoint{PixelOfSum(terms.sideCos[side], X_, terms.aheadCos),
                       PixelOfSum(Y_, -terms.sideSin[side], -terms.aheadSin)};
  } else {
    point = ProbePoint{PixelOfSum(terms.aheadCos, X_), PixelOfSum(Y_, -terms.aheadSin)};
  }
  // A point that is no 32-bit pixel lies far outside any course.
  if (!point.x || !point.y) {
    return SensorProbe{point.x, point.y, false};
  }
  const bool onLine = lineBits_ != nullptr ? lineBits_->OnLine(*point.x, *point.y)
                                           : course_.IsOnLine(*point.x, *point.y);
  return SensorProbe{point.x, point.y, onLine};
}

std::array<SensorProbe, 3> TCar::Probes() const {
  const ProbeTerms& terms = ProbeTermsOf();
  return {Probe(0, terms), Probe(1, terms), Probe(2, terms)};
}

void TCar::Sense() {
  SensorBits_ = 0;
  const ProbeTerms& terms = ProbeTermsOf();
  static constexpr std::int32_t kBits[3] = {kLeftSensor, kRightSensor, kCentreSensor};
  for (int sensor = 0; sensor < 3; ++sensor) {
    if (Probe(sensor, terms).onLine) {
      SensorBits_ += kBits[sensor];
    }
  }
}

bool TCar::Step() {
  // State 0 is stopped; a state that a rule named but that has no row in the
  // table is treated the same way rather than read outside the table.
  if (Stopped()) {
    return false;
  }
  Sense();
  const TStateRule& rule = settings_.rules[State_ - 1][SensorBits_];

  Direction_ = static_cast<double>(TurnOf(State_, SensorBits_) + Direction_);
  // One correction only, against the extended 2π, so that the double nearest
  // to 2π stays as it is and a turn of more than a full circle stays out of
  // range.
  if (Direction_ < 0) {
    Direction_ = static_cast<double>(Direction_ + kTwoPi);
  } else if (Direction_ > kTwoPi) {
    Direction_ = static_cast<double>(Direction_ - kTwoPi);
  }
  const double d = DistanceOf(rule.Advance);
  State_ = rule.NextState;

  const MoveTerms& move = MoveTermsOf(d);
  X_ = static_cast<double>(move.dx + X_);
  Y_ = static_cast<double>(Y_ - move.dy);
  return true;
}

CarShapes TCar::Shapes() const {
  // Eight values, each rounded to a double.
  const SineCosine v0 = SinCosOf(Angle::Heading);
  const SineCosine v1 = SinCosOf(Angle::Left);
  const SineCosine v2 = SinCosOf(Angle::Right);
  const SineCosine v3 = SinCosOf(Angle::Back);
  const Extended s0 = static_cast<double>(v0.sin);
  const Extended c0 = static_cast<double>(v0.cos);
  const Extended s1 = static_cast<double>(v1.sin);
  const Extended c1 = static_cast<double>(v1.cos);
  const Extended s2 = static_cast<double>(v2.sin);
  const Extended c2 = static_cast<double>(v2.cos);
  const Extended s3 = static_cast<double>(v3.sin);
  const Extended c3 = static_cast<double>(v3.cos);

  const Extended cx = static_cast<Extended>(X_) + Extended(0.5);
  const Extended cy = static_cast<Extended>(Y_) + Extended(0.5);
  // A corner: half the width to one side (sine and cosine of the side's
  // angle), then half the length ahead or behind.
  auto corner = [&](Extended cSide, Extended sSide, Extended cLong, Extended sLong) {
    return ProbePoint{Trunc32(cx + 5 * cSide + 10 * cLong), Trunc32(cy - 5 * sSide - 10 * sLong)};
  };
  const ProbePoint corners[4] = {corner(c1, s1, c0, s0), corner(c1, s1, c3, s3),
                                 corner(c2, s2, c3, s3), corner(c2, s2, c0, s0)};

  CarShapes shapes;
  std::array<TPoint, 4> body;
  bool bodyFits = true;
  for (int i = 0; i < 4; ++i) {
    bodyFits = bodyFits && corners[i].x && corners[i].y;
    if (bodyFits) {
      body[i] = TPoint{*corners[i].x, *corners[i].y};
    }
  }
  // A car beyond the 32-bit pixel range is far outside any frame.
  if (bodyFits) {
    shapes.body = body;
  }

  const Extended x = X_;
  const Extended y = Y_;
  const Extended ahead = settings_.sensorPos;
  const Extended left = settings_.sensorLeft;
  const Extended right = settings_.sensorRight;
  auto marker = [&](std::int32_t bit, const ProbePoint& p) {
    CarShapes::Marker m;
    m.color = (SensorBits_ & bit) != 0 ? clLime : clRed;
    if (p.x && p.y) {
      // The 4 x 4 square around the probe pixel, which is its third column
      // and third row. Computed in 64 bits: a probe at the edge of the range
      // must not overflow.
      auto clamp = [](std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
      };
      const std::int64_t l = *p.x;
      const std::int64_t mm = *p.y;
      m.square = TRect{clamp(l - 2), clamp(mm - 2), clamp(l + 2), clamp(mm + 2)};
    }
    return m;
  };
  shapes.markers = {
      marker(kLeftSensor, ProbePoint{Trunc32(left * c1 + x + ahead * c0 + Extended(0.5)),
                                     Trunc32(y - left * s1 - ahead * s0 + Extended(0.5))}),
      marker(kRightSensor, ProbePoint{Trunc32(right * c2 + x + ahead * c0 + Extended(0.5)),
                                      Trunc32(y - right * s2 - ahead * s0 + Extended(0.5))}),
      marker(kCentreSensor, ProbePoint{Trunc32(ahead * c0 + x + Extended(0.5)),
                                       Trunc32(y - ahead * s0 + Extended(0.5))}),
  };
  return shapes;
}

void TCar::Draw(TCanvas& canvas) const {
  const CarShapes shapes = Shapes();
  canvas.SetPenColor(clBlue);
  canvas.SetBrushColor(clBlue);
  if (shapes.body) {
    canvas.Polygon(*shapes.body);
  }
  for (const CarShapes::Marker& marker : shapes.markers) {
    canvas.SetPenColor(marker.color);
    canvas.SetBrushColor(marker.color);
    if (marker.square) {
      canvas.FillRect(*marker.square);
    }
  }
}

}  // namespace ormakin
