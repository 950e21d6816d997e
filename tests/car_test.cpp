#include "core/car/car.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>
#include <utility>
#include <vector>

#include "core/base/errors.h"
#include "core/car/bitmap_probe.h"
#include "core/draw/canvas.h"
#include "support/memory_ini_file.h"
#include "support/recording_platform.h"

namespace ormakin {
namespace {

using testing::MemoryIniFile;
using testing::RecordingPlatform;

// A course given as a set of black pixels; records every probe.
class PointCourse : public LineProbe {
 public:
  bool IsOnLine(std::int32_t x, std::int32_t y) override {
    probes.emplace_back(x, y);
    return black.count({x, y}) != 0;
  }
  std::set<std::pair<int, int>> black;
  std::vector<std::pair<int, int>> probes;
};

struct CarFixture : ::testing::Test {
  TCar MakeCar() { return TCar(ini, boxes, course); }
  MemoryIniFile ini;
  RecordingPlatform boxes;
  PointCourse course;
};

// --- Construction -----------------------------------------------------------

using CarConstruction = CarFixture;

TEST_F(CarConstruction, WithoutSettingsTakesDefaultsAndEmptyRules) {
  TCar car = MakeCar();
  EXPECT_EQ(car.SensorLeft(), 3.0);
  EXPECT_EQ(car.SensorRight(), 3.0);
  EXPECT_EQ(car.SensorPos(), 10.0);
  EXPECT_EQ(car.State(), 1);
  EXPECT_EQ(car.X(), 0.0);
  EXPECT_EQ(car.Direction(), 0.0);
  EXPECT_EQ(car.SensorBits(), 0);
  for (int s = 1; s <= kStateCount; ++s) {
    for (int m = 0; m < kMaskCount; ++m) {
      EXPECT_EQ(car.Rule(s, m).NextState, 0);
      EXPECT_EQ(car.Rule(s, m).Turn, 0.0);
      EXPECT_EQ(car.Rule(s, m).Advance, 0.0);
    }
  }
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CarConstruction, ReadsGeometryThenEveryRuleKeyInOrder) {
  ini.Set("state", "01-0", "1,1,1").Set("state", "0-0", "1,1,1").Set("state", "21-0", "1,1,1");
  ini.Set("state", "1-8", "1,1,1");
  MakeCar();
  const auto& reads = ini.Reads();
  ASSERT_EQ(reads.size(), 3u + 160u);
  EXPECT_EQ(reads[0], "car/sensor_left");
  EXPECT_EQ(reads[1], "car/sensor_right");
  EXPECT_EQ(reads[2], "car/sensor_pos");
  EXPECT_EQ(reads[3], "state/1-0");
  EXPECT_EQ(reads[10], "state/1-7");
  EXPECT_EQ(reads[11], "state/2-0");
  EXPECT_EQ(reads.back(), "state/20-7");
}

TEST_F(CarConstruction, StoresRulesAsConverted) {
  ini.Set("car", "sensor_left", "4")
      .Set("car", "sensor_right", " 5 ")
      .Set("car", "sensor_pos", "x");
  ini.Rule(1, 5, "5,1,1").Rule(1, 2, "-10,0.5,1").Rule(20, 7, "1,2,3,4x").Rule(3, 0, "0,0,$1F");
  ini.Rule(3, 0, "1e2,-.5,2147483647");
  ini.Rule(20, 7, "0,1,-7");
  TCar car = MakeCar();
  EXPECT_EQ(car.SensorLeft(), 4.0);
  EXPECT_EQ(car.SensorRight(), 5.0);
  EXPECT_EQ(car.SensorPos(), 10.0);  // not a number: the default, silently
  EXPECT_EQ(car.Rule(1, 5).Turn, 5.0);
  EXPECT_EQ(car.Rule(1, 2).Turn, -10.0);
  EXPECT_EQ(car.Rule(1, 2).Advance, 0.5);
  EXPECT_EQ(car.Rule(3, 0).Turn, 100.0);
  EXPECT_EQ(car.Rule(3, 0).Advance, -0.5);
  // Any integer is stored, even one without a row.
  EXPECT_EQ(car.Rule(3, 0).NextState, 2147483647);
  EXPECT_EQ(car.Rule(20, 7).NextState, -7);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(CarConstruction, MalformedRulesGiveOneBoxEachInKeyOrder) {
  ini.Rule(3, 5, "abc").Rule(1, 2, "5,1").Rule(2, 0, "1,1,1").Rule(20, 7, ",");
  TCar car = MakeCar();
  ASSERT_EQ(boxes.boxes.size(), 3u);
  EXPECT_EQ(boxes.boxes[0].text, "データに誤りがあります\r\n1-2=5,1");
  EXPECT_EQ(boxes.boxes[1].text, "データに誤りがあります\r\n3-5=abc");
  EXPECT_EQ(boxes.boxes[2].text, "データに誤りがあります\r\n20-7=,");
  for (const auto& box : boxes.boxes) {
    EXPECT_EQ(box.caption, "Ormakin");
    EXPECT_EQ(box.flags, MessageBoxFlags::Ok);
  }
  EXPECT_EQ(car.Rule(1, 2).NextState, 0);
  EXPECT_EQ(car.Rule(3, 5).Advance, 0.0);
  EXPECT_EQ(car.Rule(2, 0).NextState, 1);  // reading went on
}

TEST_F(CarConstruction, MalformedRuleTextInCodePage932IsShownDecoded) {
  ini.Rule(1, 0, "\x83\x5C");  // katakana "so" in code page 932
  MakeCar();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "データに誤りがあります\r\n1-0=ソ");
}

TEST_F(CarConstruction, PartThatDoesNotConvertEndsTheConstruction) {
  struct Case {
    const char* value;
    const char* message;
  };
  const Case cases[] = {
      {"5,x,2", "'x' は浮動小数点数ではありません"}, {"x,1,2", "'x' は浮動小数点数ではありません"},
      {"5,,2", "'' は浮動小数点数ではありません"},   {"1,2,3,4", "'3,4' は整数ではありません"},
      {"1,2, 3 ", "' 3 ' は整数ではありません"},     {" 1 , 2 ,1.5", "'1.5' は整数ではありません"},
  };
  for (const auto& c : cases) {
    MemoryIniFile settings;
    settings.Rule(2, 3, c.value).Rule(2, 4, "abc");
    RecordingPlatform noBoxes;
    try {
      TCar car(settings, noBoxes, course);
      ADD_FAILURE() << c.value << " was accepted";
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.value;
    }
    // Nothing after the failing key is read.
    EXPECT_EQ(settings.Reads().back(), "state/2-3") << c.value;
    EXPECT_TRUE(noBoxes.boxes.empty());
  }
}

TEST_F(CarConstruction, NumberBeyondADoubleOverflows) {
  ini.Set("car", "sensor_pos", "2E500");
  EXPECT_THROW(MakeCar(), EOverflow);
  MemoryIniFile rules;
  rules.Rule(1, 0, "0,1E400,1");
  EXPECT_THROW(TCar(rules, boxes, course), EOverflow);
}

TEST_F(CarConstruction, SettersChangeOnlyTheirOwnFields) {
  ini.Rule(1, 0, "0,0,0");
  TCar car = MakeCar();
  car.Step();  // state 0 now
  car.SetPosition(12.5, -3);
  car.SetDirection(100.0);
  car.SetSpeed(2.0);
  EXPECT_EQ(car.X(), 12.5);
  EXPECT_EQ(car.Y(), -3.0);
  EXPECT_EQ(car.Direction(), 100.0);  // not reduced
  EXPECT_EQ(car.Speed(), 2.0);
  EXPECT_EQ(car.State(), 0);
}

// --- Sensing ---------------------------------------------------------------

using CarSense = CarFixture;

constexpr double kDown = 4.71238898038469;

TEST_F(CarSense, ProbesTheThreeSensorPoints) {
  struct Case {
    double x, y, heading;
    std::pair<int, int> left, right, centre;
  };
  const Case cases[] = {
      {5, 10, kDown, {8, 20}, {2, 20}, {5, 20}},
      {100, 100, 0.0, {110, 97}, {110, 103}, {110, 100}},
      {100, 100, std::numbers::pi / 2, {97, 90}, {103, 90}, {100, 90}},
  };
  for (const auto& c : cases) {
    TCar car = MakeCar();
    car.SetPosition(c.x, c.y);
    car.SetDirection(c.heading);
    course.probes.clear();
    car.Sense();
    EXPECT_EQ(car.SensorBits(), 0);
    ASSERT_EQ(course.probes.size(), 3u);
    EXPECT_EQ(course.probes[0], c.left);
    EXPECT_EQ(course.probes[1], c.right);
    EXPECT_EQ(course.probes[2], c.centre);
  }
}

TEST_F(CarSense, MaskHasOneBitPerSensorOnTheLine) {
  TCar car = MakeCar();
  car.SetPosition(100, 100);
  const std::pair<std::set<std::pair<int, int>>, int> cases[] = {
      {{}, 0},
      {{{110, 97}}, 1},
      {{{110, 103}}, 2},
      {{{110, 100}}, 4},
      {{{110, 97}, {110, 100}}, 5},
      {{{110, 97}, {110, 103}, {110, 100}}, 7},
      {{{111, 100}, {110, 101}}, 0},
  };
  for (const auto& [black, expected] : cases) {
    course.black = black;
    car.Sense();
    EXPECT_EQ(car.SensorBits(), expected);
  }
}

TEST_F(CarSense, NegativeCoordinatesTruncateTowardsZero) {
  // Centre probe at x = X + 10 + 0.5 truncated: X = -11.2 gives -0.7 → 0,
  // X = -11.6 gives -1.1 → -1.
  ini.Set("car", "sensor_pos", "10");
  TCar car = MakeCar();
  for (const auto& [x, column] : {std::pair{-11.2, 0}, std::pair{-11.6, -1}}) {
    car.SetPosition(x, 50);
    course.probes.clear();
    car.Sense();
    EXPECT_EQ(course.probes[2].first, column) << x;
  }
}

TEST_F(CarSense, PointsBeyondThePixelRangeAreOffTheLine) {
  TCar car = MakeCar();
  for (double x : {1e12, -1e12, HUGE_VAL, std::nan(""), 2147483647.0}) {
    car.SetPosition(x, 10);
    course.probes.clear();
    car.Sense();
    EXPECT_EQ(car.SensorBits(), 0);
    EXPECT_TRUE(course.probes.empty()) << x;
  }
}

// Poses whose probe sums land next to a pixel edge, where a variant of the
// arithmetic that looks harmless picks another pixel: sinH and cosH kept
// extended instead of rounded to doubles (the first two rows), the side sums
// grouped as lateral + (X + ahead) instead of left to right, Trunc's range
// one unit too wide or too narrow, the sine's 2^63 edge moved.
TEST_F(CarSense, EveryRoundingOfTheProbeSumsIsPinnedOnAPixelEdge) {
  struct Case {
    const char* what;
    double x, y, heading;
    const char *left, *right, *ahead;
    std::vector<std::pair<int, int>> probes;  // left, right, centre; only those in range
  };
  const double below2p63 = std::nextafter(0x1p63, 0.0);
  const Case cases[] = {
      {"cosH rounded",
       242.56676473990456,
       200.5,
       5.4784798577234701,
       "3",
       "3",
       "10",
       {{252, 206}, {247, 210}, {250, 208}}},
      {"cosH rounded, other side",
       241.17507598913497,
       200.5,
       0.58720510718696384,
       "3",
       "3",
       "10",
       {{248, 192}, {251, 197}, {249, 195}}},
      {"left to right", 0.5, 290.5, 0.0, "8.5", "9", "4", {{5, 282}, {5, 300}, {5, 291}}},
      {"Trunc, last column",
       2147483637.4,
       10,
       0.0,
       "3",
       "3",
       "10",
       {{2147483647, 7}, {2147483647, 13}, {2147483647, 10}}},
      {"Trunc, past the last column", 2147483637.5, 10, 0.0, "3", "3", "10", {}},
      {"Trunc, first column",
       -2147483659.4,
       10,
       0.0,
       "3",
       "3",
       "10",
       {{-2147483648, 7}, {-2147483648, 13}, {-2147483648, 10}}},
      {"Trunc, before the first column", -2147483659.5, 10, 0.0, "3", "3", "10", {}},
      {"just below 2^63: reduced",
       100,
       100,
       below2p63,
       "3",
       "3",
       "10",
       {{96, 90}, {101, 89}, {99, 90}}},
      {"just above -2^63: reduced",
       100,
       100,
       -below2p63,
       "3",
       "3",
       "10",
       {{101, 111}, {96, 110}, {99, 110}}},
      // 2^63 + pi/2 rounds to 2^63 + 2, but 2^63 - pi/2 to 2^63 - 1.5, which
      // is reduced.
      {"2^63: sine and cosine 0",
       100,
       100,
       0x1p63,
       "3",
       "3",
       "10",
       {{100, 100}, {103, 100}, {100, 100}}},
      {"-2^63: sine and cosine 0",
       100,
       100,
       -0x1p63,
       "3",
       "3",
       "10",
       {{103, 100}, {100, 100}, {100, 100}}},
  };
  for (const Case& c : cases) {
    ini.Set("car", "sensor_left", c.left);
    ini.Set("car", "sensor_right", c.right);
    ini.Set("car", "sensor_pos", c.ahead);
    TCar car = MakeCar();
    car.SetPosition(c.x, c.y);
    car.SetDirection(c.heading);
    course.probes.clear();
    car.Sense();
    EXPECT_EQ(course.probes, c.probes) << c.what;
  }
}

TEST(BitmapProbeTest, OnlyPureBlackInsideTheCourseIsLine) {
  // Pure black, then the darkest colour off it in each channel, and white.
  const std::vector<std::pair<TColor, bool>> colors{{clBlack, true},
                                                    {0x00000001, false},
                                                    {0x00000100, false},
                                                    {0x00010000, false},
                                                    {clWhite, false}};
  TBitmap course(static_cast<int>(colors.size()), 1, clWhite);
  PixelStore& store = course.BeginChange();
  for (std::size_t i = 0; i < colors.size(); ++i) {
    store.PutRaw(static_cast<int>(i), 0, store.Encode(colors[i].first));
  }
  BitmapProbe probe(course);
  for (std::size_t i = 0; i < colors.size(); ++i) {
    EXPECT_EQ(IsLineColor(colors[i].first), colors[i].second) << std::hex << colors[i].first;
    EXPECT_EQ(probe.IsOnLine(static_cast<std::int32_t>(i), 0), colors[i].second) << i;
  }
  EXPECT_FALSE(IsLineColor(kNoColor));
  for (const auto& [x, y] :
       {std::pair{-1, 0}, std::pair{0, -1}, std::pair{5, 0}, std::pair{0, 1}}) {
    EXPECT_FALSE(probe.IsOnLine(x, y)) << x << "," << y;
  }
}

// --- Stepping --------------------------------------------------------------

using CarStep = CarFixture;

TEST_F(CarStep, EmptyTableStopsAfterOneTickThatDoesNotMove) {
  TCar car = MakeCar();
  car.SetPosition(5, 10);
  car.SetDirection(kDown);
  car.SetSpeed(1);
  EXPECT_TRUE(car.Step());
  EXPECT_EQ(car.State(), 0);
  EXPECT_EQ(car.X(), 5.0);
  EXPECT_EQ(car.Y(), 10.0);
  EXPECT_EQ(car.Direction(), kDown);
  course.probes.clear();
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(car.Step());
  }
  EXPECT_TRUE(course.probes.empty());
}

TEST_F(CarStep, StateWithoutRowStopsWithoutReadingOutsideTheTable) {
  for (const char* next : {"21", "-1", "2147483647", "-2147483648"}) {
    MemoryIniFile settings;
    settings.Rule(1, 0, std::string("0,1,") + next);
    TCar car(settings, boxes, course);
    car.SetSpeed(1);
    ASSERT_TRUE(car.Step());
    const double x = car.X();
    const auto bits = car.SensorBits();
    course.probes.clear();
    EXPECT_FALSE(car.Step()) << next;
    EXPECT_FALSE(car.Step()) << next;
    EXPECT_EQ(car.X(), x);
    EXPECT_EQ(car.SensorBits(), bits);
    EXPECT_TRUE(course.probes.empty());
  }
}

TEST_F(CarStep, QuarterTurnFromDownStaysAtTheDoubleNearestTwoPi) {
  ini.Rule(1, 0, "90,2,1");
  TCar car = MakeCar();
  car.SetPosition(50, 50);
  car.SetDirection(kDown);
  car.SetSpeed(1);
  ASSERT_TRUE(car.Step());
  EXPECT_EQ(car.Direction(), 2 * std::numbers::pi);
  EXPECT_NEAR(car.X(), 52.0, 1e-12);
  EXPECT_NEAR(car.Y(), 50.0, 1e-12);
}

TEST_F(CarStep, HeadingIsCorrectedOnceOnly) {
  struct Case {
    const char* rule;
    double heading;
    double expected;
    double tolerance;
  };
  const Case cases[] = {
      {"-90,1,1", 0.0, 3 * std::numbers::pi / 2, 1e-15},
      {"1000,0,1", 0.0, 1000 * std::numbers::pi / 180 - 2 * std::numbers::pi, 1e-12},
      {"0,0,1", 11.170107212763709, 11.170107212763709 - 2 * std::numbers::pi, 1e-12},
      {"-1000,0,1", 0.0, -1000 * std::numbers::pi / 180 + 2 * std::numbers::pi, 1e-12},
  };
  for (const auto& c : cases) {
    MemoryIniFile settings;
    settings.Rule(1, 0, c.rule);
    TCar car(settings, boxes, course);
    car.SetDirection(c.heading);
    car.SetSpeed(1);
    ASSERT_TRUE(car.Step());
    EXPECT_NEAR(car.Direction(), c.expected, c.tolerance) << c.rule;
  }
}

TEST_F(CarStep, TurnOfAThousandDegreesThenStraight) {
  ini.Rule(1, 0, "1000,0,2").Rule(2, 0, "0,0,2");
  TCar car = MakeCar();
  car.SetSpeed(1);
  car.Step();
  EXPECT_NEAR(car.Direction(), 11.17, 0.005);
  car.Step();
  EXPECT_NEAR(car.Direction(), 4.89, 0.005);
}

TEST_F(CarStep, AdvanceZeroTurnsOnTheSpotAndNegativeGoesBack) {
  ini.Rule(1, 0, "45,0,2").Rule(2, 0, "0,-3,2");
  TCar car = MakeCar();
  car.SetPosition(20, 20);
  car.SetSpeed(2);
  car.Step();
  EXPECT_EQ(car.X(), 20.0);
  EXPECT_EQ(car.Y(), 20.0);
  car.Step();  // 6 pixels backwards along 45 degrees: down and to the left
  EXPECT_NEAR(car.X(), 20 - 6 * std::cos(std::numbers::pi / 4), 1e-12);
  EXPECT_NEAR(car.Y(), 20 + 6 * std::sin(std::numbers::pi / 4), 1e-12);
}

TEST_F(CarStep, RuleIsChosenByTheStateBeforeTheTickAndTheFreshMask) {
  ini.Rule(1, 4, "0,1,2").Rule(2, 0, "0,5,0").Rule(1, 0, "0,0,0");
  course.black = {{110, 100}};
  TCar car = MakeCar();
  car.SetPosition(100, 100);
  car.SetSpeed(1);
  ASSERT_TRUE(car.Step());  // centre on the line: rule 1-4
  EXPECT_EQ(car.SensorBits(), 4);
  EXPECT_EQ(car.State(), 2);
  EXPECT_EQ(car.X(), 101.0);
  ASSERT_TRUE(car.Step());  // line lost: rule 2-0 still moves, then stops
  EXPECT_EQ(car.SensorBits(), 0);
  EXPECT_EQ(car.State(), 0);
  EXPECT_EQ(car.X(), 106.0);
  EXPECT_FALSE(car.Step());
}

TEST_F(CarStep, NewPositionIsSummedAtExtendedPrecision) {
  // A sum rounded to double on the way gives 1.1098476951563909 here.
  ini.Rule(1, 0, "0,1,1");
  TCar car = MakeCar();
  car.SetPosition(0.11, 0);
  car.SetDirection(std::numbers::pi / 180);
  car.SetSpeed(1);
  ASSERT_TRUE(car.Step());
  EXPECT_EQ(car.X(), 1.1098476951563911);
}

TEST_F(CarSense, AFailedProbeLeavesNoBitsOfTheTickBefore) {
  struct FailingCourse : LineProbe {
    bool IsOnLine(std::int32_t, std::int32_t) override {
      if (fail) throw EInvalidOperation("no bitmap");
      return true;
    }
    bool fail = false;
  } failing;
  TCar car(ini, boxes, failing);
  car.Sense();
  ASSERT_EQ(car.SensorBits(), 7);
  failing.fail = true;
  EXPECT_THROW(car.Sense(), EInvalidOperation);
  EXPECT_EQ(car.SensorBits(), 0);
}

TEST_F(CarStep, AbsurdTurnsNeverCrashOrHang) {
  ini.Rule(1, 0, "1E308,1,1");
  TCar car = MakeCar();
  car.SetSpeed(1);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(car.Step());
  }
  // The heading has run off to infinity; the car is left where its
  // arithmetic put it and still answers.
  EXPECT_TRUE(std::isinf(car.Direction()));
  car.Sense();
  EXPECT_EQ(car.SensorBits(), 0);
}

// The probes are what the next Sense finds, bit for bit, left, right, centre.
TEST(Car, ProbesAreWhatTheNextSenseFinds) {
  TBitmap course(40, 40, clWhite);
  TCanvas canvas(course);
  canvas.SetBrushColor(clBlack);
  canvas.FillRect({18, 0, 21, 40});  // a vertical line under the centre only
  BitmapProbe probe(course);
  CarSettings settings;
  for (const double x : {19.0, 16.0, 22.0, 30.0}) {
    TCar car(settings, probe);
    car.PlaceAtStart({x, 5});
    const auto probes = car.Probes();
    car.Sense();
    const std::int32_t bits[3] = {kLeftSensor, kRightSensor, kCentreSensor};
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(probes[i].x && probes[i].y);
      EXPECT_EQ(probes[i].onLine, (car.SensorBits() & bits[i]) != 0) << x << " probe " << i;
      EXPECT_EQ(probes[i].onLine, course.GetPixel(*probes[i].x, *probes[i].y) == clBlack);
    }
  }
}

}  // namespace
}  // namespace ormakin
