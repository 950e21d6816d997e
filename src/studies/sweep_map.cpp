#include "studies/sweep_map.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "studies/path_picture.h"
#include "studies/pixel_font.h"

namespace ormakin::studies {

namespace {

// The course shows at a quarter of its contrast, so that the starts and the
// paths stand out: the line becomes light grey. Each channel c of a row of
// full-colour pixels (the bytes B, G, R, 0, a pixel a 32-bit word: the rows
// are whole words from malloc) becomes (c + 3 * 255) / 4, which is
// (c + 1) / 4 + 191: c / 4 + 191, plus one where c's two low bits are both
// set. Worked on the four bytes of a word at once, no byte carries into the
// next (c / 4 + 1 + 191 <= 255), so the order of the bytes in the word does
// not matter; the fourth byte is kept 0.
void FadeRow(std::uint8_t* row, int width) {
  static constexpr std::uint8_t kColorBytes[4] = {0xFF, 0xFF, 0xFF, 0};
  const std::uint32_t keep = std::bit_cast<std::uint32_t>(kColorBytes);
  auto* words = reinterpret_cast<std::uint32_t*>(row);
  for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
    const std::uint32_t word = words[x];
    words[x] =
        (((word >> 2) & 0x3F3F3F3Fu) + (word & (word >> 1) & 0x01010101u) + 0xBFBFBFBFu) & keep;
  }
}

// Raises Exception when a full-colour map of `width` x `height` pixels, on
// a course of courseWidth x courseHeight, is too large to hold.
void RefuseTooLarge(int width, int height, int courseWidth, int courseHeight) {
  if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4 >
      PixelStore::kMaxBytes) {
    throw Exception("the course is too large for a map (" + std::to_string(courseWidth) + " x " +
                    std::to_string(courseHeight) + " pixels)");
  }
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
  RefuseTooLarge(width_, height_, width_, height_);
  // The paths are drawn on a full-colour copy of the course, faded first.
  paths_.emplace(course);
  PixelStore& store = paths_->Pixels();
  for (int y = 0; y < height_; ++y) {
    FadeRow(store.Row(y), width_);
  }
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
  RefuseTooLarge(mapWidth, mapHeight, width_, height_);

  // The faded course with its paths, row for row: the picture the paths
  // are drawn on and the map are both full colour, so a row's bytes are
  // copied as they are. White beside it, when the legend is wider, and
  // below it.
  TBitmap map(std::make_shared<PixelStore>(mapWidth, mapHeight, 32, RowOrder::TopDown,
                                           StoreInit::Overwrite));
  PixelStore& store = map.BeginChange();
  const std::uint32_t white = store.Encode(clWhite);
  const std::size_t courseRow = 4 * static_cast<std::size_t>(width_);
  for (int y = 0; y < height_; ++y) {
    if (paths_) {
      std::memcpy(store.Row(y), paths_->Picture().Store()->Row(y), courseRow);
    } else {
      store.FillSpan(y, 0, width_, white);
    }
    store.FillSpan(y, width_, mapWidth, white);
  }
  for (int y = height_; y < mapHeight; ++y) {
    store.FillSpan(y, 0, mapWidth, white);
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
