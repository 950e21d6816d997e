// Writes the seed corpus of the BMP reader fuzz target: one tiny file of each
// depth, header, row order and compression. Run from the repository root:
//   g++ -std=c++20 -Isrc/core -Itests/support fuzz/corpus/make_bmp_seeds.cpp \
//       tests/support/bmp_builder.cpp -o /tmp/make_bmp_seeds && /tmp/make_bmp_seeds
#include <cstdio>
#include <string>
#include <vector>

#include "support/bmp_builder.h"

using ormakin::testing::BmpHeader;
using ormakin::testing::BmpLayout;

namespace {

void Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  const std::string path = "fuzz/corpus/bmp/" + name + ".bmp";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    std::perror(path.c_str());
    return;
  }
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

BmpLayout Layout(int bpp, int height, BmpHeader header = BmpHeader::Info) {
  BmpLayout layout;
  layout.width = 3;
  layout.height = height;
  layout.bitsPerPixel = static_cast<std::uint16_t>(bpp);
  layout.header = header;
  if (bpp <= 8) {
    for (int i = 0; i < (1 << bpp) && i < 4; ++i) {
      layout.palette.push_back(i == 0 ? 0u : 0x00FFFFFFu >> (i * 4));
    }
  }
  layout.pixels = ormakin::testing::PackPixels(3, height, bpp, [](int x, int y) {
    return static_cast<std::uint32_t>((x + y) & 1 ? 0xFFFFFFFF : 0);
  });
  return layout;
}

}  // namespace

int main() {
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    Write("bottom_up_" + std::to_string(bpp), BuildBmp(Layout(bpp, 2)));
    Write("top_down_" + std::to_string(bpp), BuildBmp(Layout(bpp, -2)));
  }
  Write("core_8", BuildBmp(Layout(8, 2, BmpHeader::Core)));
  Write("core_24", BuildBmp(Layout(24, 2, BmpHeader::Core)));
  for (const auto& [name, header] :
       {std::pair{"bitfields_info_16", BmpHeader::Info},
        std::pair{"bitfields_v4_16", BmpHeader::V4}, std::pair{"bitfields_v5_16", BmpHeader::V5}}) {
    BmpLayout layout = Layout(16, 2, header);
    layout.compression = 3;
    layout.redMask = 0xF800;
    layout.greenMask = 0x07E0;
    layout.blueMask = 0x001F;
    Write(name, BuildBmp(layout));
  }
  {
    BmpLayout layout = Layout(32, 2);
    layout.compression = 3;
    layout.redMask = 0x000000FF;
    layout.greenMask = 0x0000FF00;
    layout.blueMask = 0x00FF0000;
    Write("bitfields_info_32", BuildBmp(layout));
  }
  {
    BmpLayout layout = Layout(8, 3);
    layout.compression = 1;
    layout.pixels = {3, 1, 0, 0, 0, 3, 1, 2, 3, 0, 0, 2, 1, 1, 2, 2, 0, 1};
    layout.imageSize = static_cast<std::uint32_t>(layout.pixels.size());
    Write("rle8", BuildBmp(layout));
  }
  {
    BmpLayout layout = Layout(4, 3);
    layout.compression = 2;
    layout.pixels = {3, 0x12, 0, 0, 0, 3, 0x23, 0x10, 0, 2, 1, 1, 1, 0x33, 0, 1};
    layout.imageSize = static_cast<std::uint32_t>(layout.pixels.size());
    Write("rle4", BuildBmp(layout));
  }
  Write("course_8", ormakin::testing::BuildCourse(24, 16, 8));
  return 0;
}
