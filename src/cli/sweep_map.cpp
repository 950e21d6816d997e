#include "sweep_map.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "errors.h"
#include "path_picture.h"
#include "pixel_font.h"

namespace ormakin::cli {

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

TBitmap SweepMap(const TBitmap& course, const std::vector<SweepStart>& starts,
                 const std::vector<Outcome>& outcomes, const std::vector<SweepPath>& paths,
                 int cell) {
  const int width = course.Width();
  const int height = course.Height();
  std::array<std::size_t, kOutcomeCount> counts{};
  for (const Outcome outcome : outcomes) {
    ++counts[static_cast<std::size_t>(outcome)];
  }
  std::array<std::string, kOutcomeCount> labels;
  int legendWidth = 0;
  for (int i = 0; i < kOutcomeCount; ++i) {
    labels[static_cast<std::size_t>(i)] = std::string(OutcomeName(static_cast<Outcome>(i))) + " " +
                                          std::to_string(counts[static_cast<std::size_t>(i)]);
    legendWidth = std::max(legendWidth, 2 * kLegendMargin + kSwatch + 4 +
                                            TextWidth(labels[static_cast<std::size_t>(i)]));
  }
  const int legendHeight = kLegendMargin * 2 + kOutcomeCount * kLegendRow;
  const int mapWidth = std::max(width, legendWidth);
  const int mapHeight = height + legendHeight;
  if (static_cast<std::uint64_t>(mapWidth) * static_cast<std::uint64_t>(mapHeight) * 4 >
      PixelStore::kMaxBytes) {
    throw Exception("the course is too large for a map (" + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels)");
  }

  // The course, faded, with the paths over it: they are clipped to the course.
  TBitmap faded(width, height, clWhite);
  PixelStore& fadedStore = faded.BeginChange();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      fadedStore.PutRaw(x, y, fadedStore.Encode(Faded(course.GetPixel(x, y))));
    }
  }
  std::optional<PathPicture> withPaths;
  if (width > 0 && height > 0) {
    withPaths.emplace(faded);
    for (const SweepPath& path : paths) {
      withPaths->SetColor(OutcomeColor(path.outcome));
      if (path.points.empty()) {
        continue;
      }
      withPaths->MoveTo(path.points.front().first, path.points.front().second);
      for (const auto& [x, y] : path.points) {
        withPaths->LineTo(x, y);
      }
    }
  }

  TBitmap map(mapWidth, mapHeight, clWhite);
  PixelStore& store = map.BeginChange();
  if (withPaths) {
    const TBitmap& top = withPaths->Picture();
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        store.PutRaw(x, y, store.Encode(top.GetPixel(x, y)));
      }
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
    const int x1 = std::min(static_cast<int>(fx) - before + cell, width);
    const std::uint32_t raw = store.Encode(OutcomeColor(outcomes[i]));
    for (int y = std::max(static_cast<int>(fy) - before, 0);
         y < std::min(static_cast<int>(fy) - before + cell, height); ++y) {
      if (x0 < x1) {
        store.FillSpan(y, x0, x1, raw);
      }
    }
  }
  // The legend: a swatch and the outcome with its count, one a row.
  const std::uint32_t ink = store.Encode(clBlack);
  for (int i = 0; i < kOutcomeCount; ++i) {
    const int top = height + kLegendMargin + i * kLegendRow;
    const std::uint32_t raw = store.Encode(OutcomeColor(static_cast<Outcome>(i)));
    for (int y = top; y < top + kSwatch; ++y) {
      store.FillSpan(y, kLegendMargin, kLegendMargin + kSwatch, raw);
    }
    DrawText(store, kLegendMargin + kSwatch + 4, top, labels[static_cast<std::size_t>(i)], ink);
  }
  return map;
}

}  // namespace ormakin::cli
