// The car as our canvas paints it against the system's GDI painting the same
// shapes (Polygon with the pen and brush that Draw sets, FillRect with the
// brush) into a DIB section: random cars from a fixed seed, every pixel
// compared.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/car/car.h"
#include "core/draw/canvas.h"
#include "support/memory_ini_file.h"
#include "support/recording_platform.h"

namespace ormakin {
namespace {

// A course that answers every probe by the toss of a coin, so the markers
// come in every mix of colours.
class CoinCourse : public LineProbe {
 public:
  explicit CoinCourse(std::mt19937& random) : random_(random) {}
  bool IsOnLine(std::int32_t, std::int32_t) override { return (random_() & 1) != 0; }

 private:
  std::mt19937& random_;
};

// A top-down 32-bit DIB section selected into a memory DC.
class SystemFrame {
 public:
  SystemFrame(int width, int height, TColor background) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
    const std::uint32_t raw =
        ((background & 0xFF) << 16) | (background & 0xFF00) | ((background >> 16) & 0xFF);
    for (int i = 0; i < width * height; ++i) bits_[i] = raw;
  }
  ~SystemFrame() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  SystemFrame(const SystemFrame&) = delete;
  SystemFrame& operator=(const SystemFrame&) = delete;

  bool Valid() const { return bits_ != nullptr; }

  // The shapes as Draw paints them, in the same order, by the system.
  void Paint(const CarShapes& shapes) {
    if (shapes.body) {
      HPEN pen = CreatePen(PS_SOLID, 1, clBlue);
      HBRUSH brush = CreateSolidBrush(clBlue);
      HGDIOBJ oldPen = SelectObject(dc_, pen);
      HGDIOBJ oldBrush = SelectObject(dc_, brush);
      POINT points[4];
      for (int i = 0; i < 4; ++i) points[i] = POINT{(*shapes.body)[i].x, (*shapes.body)[i].y};
      Polygon(dc_, points, 4);
      SelectObject(dc_, oldPen);
      SelectObject(dc_, oldBrush);
      DeleteObject(pen);
      DeleteObject(brush);
    }
    for (const CarShapes::Marker& marker : shapes.markers) {
      if (!marker.square) continue;
      HBRUSH brush = CreateSolidBrush(marker.color);
      const RECT rect{marker.square->Left, marker.square->Top, marker.square->Right,
                      marker.square->Bottom};
      FillRect(dc_, &rect, brush);
      DeleteObject(brush);
    }
    GdiFlush();
  }

  TColor Pixel(int x, int y) const {
    const std::uint32_t raw = bits_[static_cast<std::size_t>(y) * width_ + x];
    return ((raw & 0xFF) << 16) | (raw & 0xFF00) | ((raw >> 16) & 0xFF);
  }

 private:
  int width_;
  int height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  std::uint32_t* bits_ = nullptr;
};

std::string Number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

TEST(CarDrawingVsSystem, RandomCarsPaintTheSamePixels) {
  std::mt19937 random(20261208);
  // Uniform in [lo, hi), from the generator's raw output so that the cars
  // are the same on every build.
  auto uniform = [&](double lo, double hi) { return lo + (hi - lo) * (random() / 4294967296.0); };
  constexpr int kCars = 3000;
  int agreeing = 0;
  long long pixels = 0;
  long long differing = 0;
  int reported = 0;
  for (int n = 0; n < kCars; ++n) {
    // Frames from a sliver to a small course; cars anywhere from wholly
    // inside to wholly outside; every heading, a few beyond one turn.
    const int width = 1 + static_cast<int>(random() % 120);
    const int height = 1 + static_cast<int>(random() % 120);
    testing::MemoryIniFile ini;
    ini.Set("car", "sensor_left", Number(uniform(-4, 16)))
        .Set("car", "sensor_right", Number(uniform(-4, 16)))
        .Set("car", "sensor_pos", Number(uniform(-12, 24)));
    for (int mask = 0; mask < kMaskCount; ++mask) ini.Rule(1, mask, "0,0,1");
    testing::RecordingPlatform boxes;
    CoinCourse course(random);
    TCar car(ini, boxes, course);
    car.SetPosition(uniform(-30, width + 30), uniform(-30, height + 30));
    car.SetDirection(uniform(-8, 14));
    car.Step();  // probes the coin course: a random mask, no move

    TBitmap ours(width, height, clWhite);
    TCanvas canvas(ours);
    car.Draw(canvas);
    SystemFrame system(width, height, clWhite);
    ASSERT_TRUE(system.Valid());
    system.Paint(car.Shapes());

    int wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (ours.GetPixel(x, y) != system.Pixel(x, y)) {
          ++wrong;
          if (reported < 20) {
            ++reported;
            const CarShapes shapes = car.Shapes();
            std::string body;
            if (shapes.body) {
              for (const TPoint& p : *shapes.body) {
                body += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
              }
            }
            std::printf("car %d in %dx%d, body %s: pixel (%d,%d) ours %06X, the system's %06X\n", n,
                        width, height, body.c_str(), x, y, ours.GetPixel(x, y), system.Pixel(x, y));
          }
        }
      }
    }
    pixels += static_cast<long long>(width) * height;
    differing += wrong;
    if (wrong == 0) ++agreeing;
  }
  std::printf("%d of %d cars agree in every pixel; %lld of %lld pixels differ\n", agreeing, kCars,
              differing, pixels);
  EXPECT_EQ(agreeing, kCars);
}

}  // namespace
}  // namespace ormakin
