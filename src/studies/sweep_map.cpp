#include "studies/sweep_map.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "studies/path_picture.h"
#include "studies/pixel_font.h"

namespace ormakin::studies {

namespace {

// The course shows at a quarter of its contrast, so that the starts and the
// paths stand out: the line becomes light grey.
TColor Faded(TColor color) {
  auto channel = [&](int shift) {
    const std::uint32_t c = (color >> shift) & 0xFFu;
    return (c + 3u * 0xFFu) / 4u << shift;
  };
  return channel(0) | channel(8) | channel(16);
}

constexpr int kLegendMargin = 6;
constexpr int kSwatch = 7;
constexpr int kLegendRow = 11;

}  // namespace

TColor OutcomeColor(Outcome outcome) {
  switch (outcome) {
    case Outcome::kHolds:
      return 0x0000A000;  // green
    case Outcome::kStopped:
      return 0x000000E0;  // red
    case Outcome::kLost:
      return 0x00008CFF;  // orange
    case Outcome::kLoopsOnLine:
      return 0x00E06000;  // blue
    case Outcome::kLoopsOffLine:
      return 0x00A000A0;  // purple
  }
  return clBlack;
}

SweepMap::SweepMap(const TBitmap& course) : width_(course.Width()), height_(course.Height()) {
  if (width_ <= 0 || height_ <= 0) {
    return;
  }
  TBitmap faded(width_, height_, clWhite);
  PixelStore& store = faded.BeginChange();
  std::vector<TColor> row(static_cast<std::size_t>(width_));
  for (int y = 0; y < height_; ++y) {
    course.GetRow(y, width_, row.data());
    for (TColor& color : row) {
      color = Faded(color);
    }
    store.PutRow(y, row.data(), width_);
  }
  paths_.emplace(faded);
}

RunObserver& SweepMap::Path(Outcome outcome) {
  if (!paths_) {
    return noPath_;
  }
  paths_->SetColor(OutcomeColor(outcome));
  return *paths_;
}

TBitmap SweepMap::Finish(const std::vector<SweepStart>& starts,
                         const std::vector<Outcome>& outcomes, int cell) const {
  std::array<std::size_t, kOutcomeCount> counts{};
  for (const Outcome outcome : outcomes) {
    ++counts[static_cast<std::size_t>(outcome)];
  }
  std::array<std::string, kOutcomeCount> labels;
  int legendWidth = 0;
  for (std::size_t i = 0; i < kOutcomeCount; ++i) {
    labels[i] = std::string(OutcomeName(static_cast<Outcome>(i))) + " " + std::to_string(counts[i]);
    legendWidth = std::max(legendWidth, 2 * kLegendMargin + kSwatch + 4 + TextWidth(labels[i]));
  }
  const int legendHeight = kLegendMargin * 2 + static_cast<int>(kOutcomeCount) * kLegendRow;
  const int mapWidth = std::max(width_, legendWidth);
  const int mapHeight = height_ + legendHeight;
  if (static_cast<std::uint64_t>(mapWidth) * static_cast<std::uint64_t>(mapHeight) * 4 >
      PixelStore::kMaxBytes) {
    throw Exception("the course is too large for a map (" + std::to_string(width_) + " x " +
                    std::to_string(height_) + " pixels)");
  }

  TBitmap map(mapWidth, mapHeight, clWhite);
  PixelStore& store = map.BeginChange();
  if (paths_) {
    const TBitmap& course = paths_->Picture();
    std::vector<TColor> row(static_cast<std::size_t>(width_));
    for (int y = 0; y < height_; ++y) {
      course.GetRow(y, width_, row.data());
      store.PutRow(y, row.data(), width_);
    }
  }
  // Each start's square, centred on its pixel as the car rounds it.
  const int before = (cell - 1) / 2;
  for (std::size_t i = 0; i < starts.size() && i < outcomes.size(); ++i) {
    const double fx = std::floor(starts[i].x + 0.5);
    const double fy = std::floor(starts[i].y + 0.5);
    if (!(fx > -1e9 && fx < 1e9 && fy > -1e9 && fy < 1e9)) {
      continue;
    }
    const int x0 = std::max(static_cast<int>(fx) - before, 0);
    const int x1 = std::min(static_cast<int>(fx) - before + cell, width_);
    const int y0 = std::max(static_cast<int>(fy) - before, 0);
    const int y1 = std::min(static_cast<int>(fy) - before + cell, height_);
    const std::uint32_t raw = store.Encode(OutcomeColor(outcomes[i]));
    for (int y = y0; y < y1 && x0 < x1; ++y) {
      store.FillSpan(y, x0, x1, raw);
    }
  }
  // The legend: a swatch and the outcome with its count, one a row.
  const std::uint32_t ink = store.Encode(clBlack);
  for (std::size_t i = 0; i < kOutcomeCount; ++i) {
    const int top = height_ + kLegendMargin + static_cast<int>(i) * kLegendRow;
    const std::uint32_t raw = store.Encode(OutcomeColor(static_cast<Outcome>(i)));
    for (int y = top; y < top + kSwatch; ++y) {
      store.FillSpan(y, kLegendMargin, kLegendMargin + kSwatch, raw);
    }
    DrawText(store, kLegendMargin + kSwatch + 4, top, labels[i], ink);
  }
  return map;
}

}  // namespace ormakin::studies
