#include "studies/path_picture.h"

#include <algorithm>
#include <cmath>

#include "core/base/errors.h"
#include "core/draw/canvas.h"

namespace ormakin::studies {

namespace {

// Liang-Barsky: cuts the segment (x0, y0) + t (dx, dy), 0 <= t <= 1, to the
// box [lo, hi] on both axes. Returns false when nothing of it lies inside.
bool Clip(double x0, double y0, double dx, double dy, double loX, double hiX, double loY,
          double hiY, double& t0, double& t1) {
  t0 = 0.0;
  t1 = 1.0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - loX, hiX - x0, y0 - loY, hiY - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) {
        return false;
      }
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0.0) {
      t0 = std::max(t0, r);
    } else {
      t1 = std::min(t1, r);
    }
  }
  return t0 <= t1;
}

}  // namespace

PathPicture::PathPicture(const TBitmap& course)
    : PathPicture(course, course.Width(), course.Height()) {}

PathPicture::PathPicture(const TBitmap& course, int courseWidth, int courseHeight)
    : courseWidth_(courseWidth), courseHeight_(courseHeight) {
  const std::uint64_t bytes =
      static_cast<std::uint64_t>(course.Width()) * static_cast<std::uint64_t>(course.Height()) * 4;
  if (bytes > PixelStore::kMaxBytes) {
    throw Exception("the course is too large for a picture of its path (" +
                    std::to_string(course.Width()) + " x " + std::to_string(course.Height()) +
                    " pixels)");
  }
  picture_ = TBitmap::ViewOf(course, course.Width(), course.Height());
  store_ = &picture_.BeginChange();
  raw_ = store_->Encode(kPathColor);
}

void PathPicture::MoveTo(double x, double y) {
  lastX_ = x;
  lastY_ = y;
  Plot(x, y);
}

void PathPicture::LineTo(double x, double y) {
  const double x0 = lastX_;
  const double y0 = lastY_;
  lastX_ = x;
  lastY_ = y;
  if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x) || !std::isfinite(y)) {
    return;
  }
  const double dx = x - x0;
  const double dy = y - y0;
  if (!std::isfinite(dx) || !std::isfinite(dy)) {
    return;
  }
  // A pixel p covers the reals from p - 0.5 to p + 0.5 (a coordinate v is the
  // pixel Trunc(v + 0.5)), so only that box can light a pixel.
  double t0 = 0.0;
  double t1 = 0.0;
  if (!Clip(x0, y0, dx, dy, -0.5, courseWidth_ - 0.5, -0.5, courseHeight_ - 0.5, t0, t1)) {
    return;
  }
  const double ax = x0 + t0 * dx;
  const double ay = y0 + t0 * dy;
  const double span = (t1 - t0) * std::max(std::fabs(dx), std::fabs(dy));
  // After clipping the piece is no longer than the picture's diagonal.
  const auto steps = static_cast<std::int64_t>(std::ceil(span));
  for (std::int64_t i = 0; i <= steps; ++i) {
    const double t = steps == 0 ? 0.0 : static_cast<double>(i) / static_cast<double>(steps);
    Plot(ax + t * (t1 - t0) * dx, ay + t * (t1 - t0) * dy);
  }
}

void PathPicture::Plot(double x, double y) {
  if (!(x >= -0.5 && y >= -0.5 && x < store_->Width() - 0.5 && y < store_->Height() - 0.5)) {
    return;
  }
  // The pixel of a coordinate, as the car's own drawing rounds it: here
  // x + 0.5 >= 0, so truncating is rounding down.
  const int px = static_cast<int>(std::floor(x + 0.5));
  const int py = static_cast<int>(std::floor(y + 0.5));
  store_->PutRaw(px, py, raw_);
}

const TBitmap& PathPicture::Finish(const TCar& car) {
  TCanvas canvas(picture_);
  car.Draw(canvas);
  return picture_;
}

}  // namespace ormakin::studies
