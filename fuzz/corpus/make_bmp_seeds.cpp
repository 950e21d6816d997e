// Writes the seed corpus of the BMP reader fuzz target: one tiny file of each
// depth, header, row order and compression. Run from the repository root:
//   g++ -std=c++20 -Isrc/core -Itests/support fuzz/corpus/make_bmp_seeds.cpp \
//       tests/support/bmp_builder.cpp -o /tmp/make_bmp_seeds && /tmp/make_bmp_seeds
#include <cstdio>
#include <string>
#include <vector>

#include "bmp_builder.h"

using ormakin::testing::BmpHeader;
using ormakin::testing::BmpSpec;

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

BmpSpec Spec(int bpp, int height, BmpHeader header = BmpHeader::Info) {
  BmpSpec spec;
  spec.width = 3;
  spec.height = height;
  spec.bitsPerPixel = static_cast<std::uint16_t>(bpp);
  spec.header = header;
  if (bpp <= 8) {
    for (int i = 0; i < (1 << bpp) && i < 4; ++i) {
      spec.palette.push_back(i == 0 ? 0u : 0x00FFFFFFu >> (i * 4));
    }
  }
  spec.pixels = ormakin::testing::PackPixels(3, height, bpp, [](int x, int y) {
    return static_cast<std::uint32_t>((x + y) & 1 ? 0xFFFFFFFF : 0);
  });
  return spec;
}

}  // namespace

int main() {
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    Write("bottom_up_" + std::to_string(bpp), BuildBmp(Spec(bpp, 2)));
    Write("top_down_" + std::to_string(bpp), BuildBmp(Spec(bpp, -2)));
  }
  Write("core_8", BuildBmp(Spec(8, 2, BmpHeader::Core)));
  Write("core_24", BuildBmp(Spec(24, 2, BmpHeader::Core)));
  for (const auto& [name, header] :
       {std::pair{"bitfields_info_16", BmpHeader::Info},
        std::pair{"bitfields_v4_16", BmpHeader::V4}, std::pair{"bitfields_v5_16", BmpHeader::V5}}) {
    BmpSpec spec = Spec(16, 2, header);
    spec.compression = 3;
    spec.redMask = 0xF800;
    spec.greenMask = 0x07E0;
    spec.blueMask = 0x001F;
    Write(name, BuildBmp(spec));
  }
  {
    BmpSpec spec = Spec(32, 2);
    spec.compression = 3;
    spec.redMask = 0x000000FF;
    spec.greenMask = 0x0000FF00;
    spec.blueMask = 0x00FF0000;
    Write("bitfields_info_32", BuildBmp(spec));
  }
  {
    BmpSpec spec = Spec(8, 3);
    spec.compression = 1;
    spec.pixels = {3, 1, 0, 0, 0, 3, 1, 2, 3, 0, 0, 2, 1, 1, 2, 2, 0, 1};
    spec.imageSize = static_cast<std::uint32_t>(spec.pixels.size());
    Write("rle8", BuildBmp(spec));
  }
  {
    BmpSpec spec = Spec(4, 3);
    spec.compression = 2;
    spec.pixels = {3, 0x12, 0, 0, 0, 3, 0x23, 0x10, 0, 2, 1, 1, 1, 0x33, 0, 1};
    spec.imageSize = static_cast<std::uint32_t>(spec.pixels.size());
    Write("rle4", BuildBmp(spec));
  }
  Write("course_8", ormakin::testing::BuildCourse(24, 16, 8));
  return 0;
}
