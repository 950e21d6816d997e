// The line as bits reads every point as the window's probe does, and a car
// on a course that keeps bits reads them, not the probe.
#include "core/car/line_bits.h"

#include <gtest/gtest.h>

#include "core/car/bitmap_probe.h"
#include "core/car/car.h"

namespace ormakin {
namespace {

// A probe that answers by its bits alone: a car that asked it would fail.
class BitsOnly : public LineProbe {
 public:
  explicit BitsOnly(const TBitmap& course) : bits_(course) {}
  bool IsOnLine(std::int32_t /*x*/, std::int32_t /*y*/) override {
    ADD_FAILURE() << "the car asked the probe";
    return false;
  }
  const LineBits* Bits() const override { return &bits_; }

 private:
  LineBits bits_;
};

TEST(LineBits, ReadEveryPointAsTheBitmapProbeAndACarReadsThem) {
  // 67 pixels wide, so that rows begin inside words: black, the darkest
  // shade of each channel (no line) and white, mixed.
  TBitmap course(67, 5, clWhite);
  PixelStore& store = course.BeginChange();
  const TColor shades[] = {clBlack, 0x00000001, 0x00000100, 0x00010000, clWhite};
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 67; ++x) {
      store.FillSpan(y, x, x + 1, store.Encode(shades[(x * 7 + y * 3) % 5]));
    }
  }
  const LineBits bits(course);
  BitmapProbe probe(course);
  int line = 0;
  for (int y = -2; y < 7; ++y) {
    for (int x = -2; x < 69; ++x) {
      ASSERT_EQ(bits.OnLine(x, y), probe.IsOnLine(x, y)) << x << "," << y;
      line += bits.OnLine(x, y) ? 1 : 0;
    }
  }
  EXPECT_EQ(line, 67);  // one pixel in five

  BitsOnly bitsOnly(course);
  TCar car(CarSettings{}, bitsOnly);
  int seen = 0;
  for (int x = 0; x < 67; ++x) {
    car.SetPosition(x, 2.0);
    for (const SensorProbe& sensor : car.Probes()) {
      ASSERT_TRUE(sensor.x && sensor.y);
      EXPECT_EQ(sensor.onLine, probe.IsOnLine(*sensor.x, *sensor.y));
      seen += sensor.onLine ? 1 : 0;
    }
  }
  EXPECT_GT(seen, 0);
}

}  // namespace
}  // namespace ormakin
