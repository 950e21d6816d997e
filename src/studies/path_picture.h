// The picture a user looks at first after a run: the course, the car's whole
// path drawn over it, and the car at the end of the path.
#pragma once

#include "core/car/car.h"
#include "core/car/car_run.h"
#include "core/picture/bitmap.h"
#include "core/picture/color.h"

namespace ormakin::studies {

// The path's colour: magenta, unlike the course and every colour of the car.
inline constexpr TColor kPathColor = 0x00FF00FF;

class PathPicture : public RunObserver {
 public:
  // A full-colour copy of `course`, made before the run, so that the path is
  // drawn as the car moves and nothing per tick is kept. Raises Exception
  // for a course too large to copy in full colour.
  explicit PathPicture(const TBitmap& course);
  // The path of a run on a course of courseWidth x courseHeight pixels,
  // drawn on a copy of `picture`, which stands for the course's top-left
  // part: it lights exactly the pixels there that the path over the whole
  // course lights.
  PathPicture(const TBitmap& picture, int courseWidth, int courseHeight);

  // The path's first point: the placement.
  void Placed(const TCar& car) override { MoveTo(car.X(), car.Y()); }
  // A straight piece of path from the last point to the car, one pixel wide,
  // clipped to the picture. Pieces with a coordinate that is not finite are
  // left out.
  void Ticked(const TickReport& tick) override { LineTo(tick.car.X(), tick.car.Y()); }

  // The colour of the path drawn from now on (kPathColor at first).
  void SetColor(TColor color) { raw_ = store_->Encode(color); }

  // The picture with what was drawn so far.
  const TBitmap& Picture() const { return picture_; }
  // Its pixels, to change before the path is drawn: full colour, the bytes
  // B, G, R, 0 of each, rows top down.
  PixelStore& Pixels() { return *store_; }

  // Draws `car` over the path and returns the picture.
  const TBitmap& Finish(const TCar& car);

 private:
  void MoveTo(double x, double y);
  void LineTo(double x, double y);
  void Plot(double x, double y);

  TBitmap picture_;
  PixelStore* store_ = nullptr;
  std::uint32_t raw_ = 0;  // the path colour in the store's format
  int courseWidth_ = 0;    // the box the path's pieces are cut to
  int courseHeight_ = 0;
  double lastX_ = 0.0;
  double lastY_ = 0.0;
};

}  // namespace ormakin::studies
