// The cost of one frame: Redraw composes what the window shows (at most
// 500 x 400 pixels), so a frame of a huge course should cost about what a
// frame of a small one costs. The reference is a plain copy of 500 x 400
// full-colour pixels, the least that showing a frame can cost.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "core/picture/pixel_store.h"
#include "core/window/trace_map.h"
#include "support/memory_ini_file.h"
#include "support/recording_platform.h"

namespace {

using namespace ormakin;

// A white course with a black band, held in memory in the given depth.
std::shared_ptr<PixelStore> MakeCourse(int size, int bitsPerPixel) {
  const int width = size == 500 ? 500 : size;
  const int height = size == 500 ? 400 : size;
  auto store = std::make_shared<PixelStore>(width, height, bitsPerPixel, RowOrder::BottomUp);
  if (bitsPerPixel == 1) {
    store->SetPaletteCount(2);
    store->SetPaletteEntry(0, clBlack);
    store->SetPaletteEntry(1, clWhite);
  }
  std::memset(store->Data(), 0xFF, store->Size());
  const std::uint32_t black = store->Encode(clBlack);
  for (int y = 0; y < height && y < 400; ++y) {
    store->FillSpan(y, 240, 246, black);
  }
  return store;
}

void BM_Redraw(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const int depth = static_cast<int>(state.range(1));
  testing::RecordingPlatform platform;
  TTraceMap map(platform, "/nonexistent/ormakin.ini");
  map.Create();
  map.CourseImage->Picture.SetBitmap(TBitmap(MakeCourse(size, depth)));
  map.Car->SetPosition(250, 200);
  map.Car->SetDirection(kStartHeading);
  for (auto _ : state) {
    map.Redraw();
    benchmark::DoNotOptimize(map.Image1.Picture.Bitmap());
  }
  state.SetLabel(std::to_string(size == 500 ? 500 : size) + "x" +
                 std::to_string(size == 500 ? 400 : size) + " " + std::to_string(depth) + "bpp");
}
BENCHMARK(BM_Redraw)
    ->Args({500, 1})
    ->Args({500, 24})
    ->Args({4000, 1})
    ->Args({4000, 24})
    ->Args({16000, 1})
    ->Args({16000, 24})
    ->Unit(benchmark::kMicrosecond);

void BM_PlainCopy500x400(benchmark::State& state) {
  std::vector<std::uint32_t> from(500 * 400, 0xFFFFFFFF);
  std::vector<std::uint32_t> to(500 * 400);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size() * sizeof(std::uint32_t));
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PlainCopy500x400)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
