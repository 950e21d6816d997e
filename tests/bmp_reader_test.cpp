#include "core/picture/bmp_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "support/bmp_builder.h"
#include "support/temp_dir.h"

namespace ormakin {
namespace {

using testing::BmpHeader;
using testing::BmpLayout;
using testing::BuildBmp;
using testing::PackPixels;
using testing::RawBgr;

constexpr int kW = 5;  // odd, so that every depth but 32 pads its rows
constexpr int kH = 3;

// 5-bit and 6-bit channel values scaled to 8 bits by repeating their top bits.
std::uint32_t Scale5(std::uint32_t v) {
  return (v << 3) | (v >> 2);
}
std::uint32_t Scale6(std::uint32_t v) {
  return (v << 2) | (v >> 4);
}

TColor Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return r | (g << 8) | (b << 16);
}

std::vector<TColor> Palette(int count) {
  std::vector<TColor> palette;
  for (int i = 0; i < count; ++i) {
    const auto u = static_cast<std::uint32_t>(i);
    palette.push_back(Rgb((u * 37 + 1) & 0xFF, (u * 91 + 2) & 0xFF, (u * 53 + 3) & 0xFF));
  }
  return palette;
}

// A picture format, the raw value stored for pixel (x, y), and the colour
// that pixel must read as.
struct DepthCase {
  const char* name;
  BmpLayout layout;
  std::function<std::uint32_t(int, int)> raw;
  std::function<TColor(int, int)> expected;
};

std::vector<DepthCase> DepthCases() {
  std::vector<DepthCase> cases;
  auto paletted = [&](const char* name, int bpp, BmpHeader header, int height) {
    BmpLayout layout;
    layout.bitsPerPixel = static_cast<std::uint16_t>(bpp);
    layout.header = header;
    layout.height = height;
    const int entries = 1 << bpp;
    layout.palette = Palette(entries);
    auto raw = [entries](int x, int y) {
      return static_cast<std::uint32_t>((x * 7 + y * 3) % entries);
    };
    auto palette = layout.palette;
    cases.push_back(
        {name, layout, raw, [raw, palette](int x, int y) { return palette[raw(x, y)]; }});
  };
  paletted("1 bpp bottom-up", 1, BmpHeader::Info, kH);
  paletted("1 bpp top-down", 1, BmpHeader::Info, -kH);
  paletted("1 bpp core header", 1, BmpHeader::Core, kH);
  paletted("4 bpp bottom-up", 4, BmpHeader::Info, kH);
  paletted("4 bpp top-down", 4, BmpHeader::Info, -kH);
  paletted("8 bpp bottom-up", 8, BmpHeader::Info, kH);
  paletted("8 bpp top-down", 8, BmpHeader::Info, -kH);
  paletted("8 bpp core header", 8, BmpHeader::Core, kH);
  paletted("8 bpp V5 header", 8, BmpHeader::V5, kH);

  auto r5 = [](int x, int y) { return static_cast<std::uint32_t>((x * 7 + y) % 32); };
  auto g5 = [](int x, int y) { return static_cast<std::uint32_t>((x + y * 11 + 5) % 32); };
  auto b5 = [](int x, int y) { return static_cast<std::uint32_t>((x * 3 + y * 5 + 31) % 32); };
  auto g6 = [](int x, int y) { return static_cast<std::uint32_t>((x * 13 + y * 17 + 63) % 64); };
  auto rgb555 = [=](int x, int y) { return (r5(x, y) << 10) | (g5(x, y) << 5) | b5(x, y); };
  auto rgb565 = [=](int x, int y) { return (r5(x, y) << 11) | (g6(x, y) << 5) | b5(x, y); };
  auto as555 = [=](int x, int y) {
    return Rgb(Scale5(r5(x, y)), Scale5(g5(x, y)), Scale5(b5(x, y)));
  };
  auto as565 = [=](int x, int y) {
    return Rgb(Scale5(r5(x, y)), Scale6(g6(x, y)), Scale5(b5(x, y)));
  };
  auto colour24 = [](int x, int y) {
    return Rgb(static_cast<std::uint32_t>(x * 50), static_cast<std::uint32_t>(y * 80 + 1),
               static_cast<std::uint32_t>(x * y * 9 + 7));
  };
  auto raw24 = [=](int x, int y) { return RawBgr(colour24(x, y)); };

  for (int height : {kH, -kH}) {
    BmpLayout layout;
    layout.height = height;
    layout.bitsPerPixel = 16;
    cases.push_back(
        {height > 0 ? "16 bpp 5-5-5 bottom-up" : "16 bpp 5-5-5 top-down", layout, rgb555, as555});
    layout.bitsPerPixel = 24;
    cases.push_back({height > 0 ? "24 bpp bottom-up" : "24 bpp top-down", layout, raw24, colour24});
    layout.bitsPerPixel = 32;
    cases.push_back({height > 0 ? "32 bpp bottom-up" : "32 bpp top-down", layout,
                     [=](int x, int y) { return raw24(x, y) | 0xAB000000u; }, colour24});
  }
  {
    BmpLayout layout;
    layout.height = kH;
    layout.bitsPerPixel = 16;
    layout.compression = 3;
    layout.redMask = 0xF800;
    layout.greenMask = 0x07E0;
    layout.blueMask = 0x001F;
    cases.push_back({"16 bpp bit fields 5-6-5 after an info header", layout, rgb565, as565});
    layout.header = BmpHeader::V4;
    cases.push_back({"16 bpp bit fields 5-6-5 in a V4 header", layout, rgb565, as565});
    layout.header = BmpHeader::V5;
    layout.height = -kH;
    cases.push_back({"16 bpp bit fields in a top-down V5 header", layout, rgb565, as565});
    // Without bit-field compression the masks in the header do not count.
    layout.compression = 0;
    cases.push_back({"16 bpp V5 header uncompressed is 5-5-5", layout, rgb555, as555});
  }
  {
    // Masks that put red in the low byte: the stored bytes are R, G, B, x.
    BmpLayout layout;
    layout.height = kH;
    layout.bitsPerPixel = 32;
    layout.compression = 3;
    layout.redMask = 0x000000FF;
    layout.greenMask = 0x0000FF00;
    layout.blueMask = 0x00FF0000;
    auto raw = [=](int x, int y) { return colour24(x, y) | 0xFF000000u; };
    cases.push_back({"32 bpp bit fields R-G-B bytes", layout, raw, colour24});
    layout.header = BmpHeader::V4;
    cases.push_back({"32 bpp bit fields in a V4 header", layout, raw, colour24});
    // 10-bit channels keep their top 8 bits.
    layout.header = BmpHeader::Info;
    layout.redMask = 0x3FF00000;
    layout.greenMask = 0x000FFC00;
    layout.blueMask = 0x000003FF;
    cases.push_back({"32 bpp bit fields 10-10-10", layout,
                     [=](int x, int y) {
                       const TColor c = colour24(x, y);
                       return ((c & 0xFF) << 22) | (((c >> 8) & 0xFF) << 12) |
                              (((c >> 16) & 0xFF) << 2) | 3;
                     },
                     colour24});
  }
  {
    BmpLayout layout;
    layout.height = kH;
    layout.header = BmpHeader::Core;
    layout.bitsPerPixel = 24;
    cases.push_back({"24 bpp core header", layout, raw24, colour24});
  }
  return cases;
}

TEST(BmpReader, ReadsEveryDepthHeaderAndRowOrder) {
  for (DepthCase& c : DepthCases()) {
    SCOPED_TRACE(c.name);
    c.layout.width = kW;
    c.layout.pixels = PackPixels(kW, c.layout.height, c.layout.bitsPerPixel, c.raw);
    const auto bytes = BuildBmp(c.layout);
    const TBitmap bitmap = ReadBitmap(bytes);
    ASSERT_EQ(bitmap.Width(), kW);
    ASSERT_EQ(bitmap.Height(), kH);
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        EXPECT_EQ(bitmap.GetPixel(x, y), c.expected(x, y)) << "at " << x << "," << y;
      }
    }
    // Uncompressed pictures keep the file's format.
    EXPECT_EQ(bitmap.Store()->BitsPerPixel(), c.layout.bitsPerPixel);
    EXPECT_EQ(bitmap.Store()->Size(), bitmap.Store()->RowLength() * kH);
  }
}

TEST(BmpReader, EmptyFileIsAnEmptyPicture) {
  const TBitmap bitmap = ReadBitmap(std::span<const std::uint8_t>());
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(bitmap.GetPixel(0, 0), kNoColor);
}

BmpLayout Small24(int width = 2, int height = 2) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.pixels = PackPixels(width, height, 24, [](int, int) { return RawBgr(clWhite); });
  return layout;
}

BmpLayout Small8() {
  BmpLayout layout;
  layout.width = 2;
  layout.height = 2;
  layout.bitsPerPixel = 8;
  layout.palette = Palette(256);
  layout.pixels =
      PackPixels(2, 2, 8, [](int x, int y) { return static_cast<std::uint32_t>(x + y); });
  return layout;
}

enum class Failure { Read, Invalid };

struct RejectCase {
  const char* name;
  std::vector<std::uint8_t> bytes;
  Failure failure;
};

std::vector<std::uint8_t> With(BmpLayout layout, const std::function<void(BmpLayout&)>& change) {
  change(layout);
  return BuildBmp(layout);
}

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<std::uint8_t> Patch32(std::vector<std::uint8_t> bytes, std::size_t at,
                                  std::uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
  }
  return bytes;
}

TEST(BmpReader, RejectsBrokenFilesWithTheirMessage) {
  const auto good24 = BuildBmp(Small24());
  const auto good8 = BuildBmp(Small8());
  BmpLayout masks = Small24();
  masks.bitsPerPixel = 16;
  masks.compression = 3;
  masks.pixels = PackPixels(2, 2, 16, [](int, int) { return 0u; });
  const std::vector<RejectCase> cases = {
      {"one byte", Cut(good24, 1), Failure::Read},
      {"just the magic", Cut(good24, 2), Failure::Read},
      {"13 bytes", Cut(good24, 13), Failure::Read},
      {"ends inside the header size", Cut(good24, 16), Failure::Read},
      {"ends inside the info header", Cut(good24, 30), Failure::Read},
      {"ends inside the core header",
       Cut(With(Small24(), [](BmpLayout& s) { s.header = BmpHeader::Core; }), 20), Failure::Read},
      {"ends inside the masks", Cut(BuildBmp(masks), 14 + 40 + 6), Failure::Read},
      {"ends inside the colour table", Cut(good8, 14 + 40 + 1000), Failure::Read},
      {"ends right before the last table entry", Cut(good8, 14 + 40 + 1023), Failure::Read},
      {"colour count of 4 billion", Patch32(good8, 14 + 32, 4000000000u), Failure::Read},
      {"header size 4 billion", Patch32(good24, 14, 0xFFFFFFF0u), Failure::Read},
      {"wrong magic", With(Small24(), [](BmpLayout& s) { s.magic = 0x4142; }), Failure::Invalid},
      {"magic in the wrong byte order", With(Small24(), [](BmpLayout& s) { s.magic = 0x424D; }),
       Failure::Invalid},
      {"planes 2", With(Small24(), [](BmpLayout& s) { s.planes = 2; }), Failure::Invalid},
      {"planes 0", With(Small24(), [](BmpLayout& s) { s.planes = 0; }), Failure::Invalid},
      {"width 0", With(Small24(), [](BmpLayout& s) { s.width = 0; }), Failure::Invalid},
      {"width -1", With(Small24(), [](BmpLayout& s) { s.width = -1; }), Failure::Invalid},
      {"height 0", With(Small24(), [](BmpLayout& s) { s.height = 0; }), Failure::Invalid},
      {"core width 0",
       With(Small24(),
            [](BmpLayout& s) {
              s.header = BmpHeader::Core;
              s.width = 0;
            }),
       Failure::Invalid},
      {"core height 0",
       With(Small24(),
            [](BmpLayout& s) {
              s.header = BmpHeader::Core;
              s.height = 0;
            }),
       Failure::Invalid},
      {"2 bpp", With(Small24(), [](BmpLayout& s) { s.bitsPerPixel = 2; }), Failure::Invalid},
      // Only 1, 4 and 8 bits per pixel imply a colour table.
      {"2 bpp, nothing after the header",
       With(Small24(),
            [](BmpLayout& s) {
              s.bitsPerPixel = 2;
              s.pixels.clear();
            }),
       Failure::Invalid},
      {"7 bpp, nothing after the header",
       With(Small24(),
            [](BmpLayout& s) {
              s.bitsPerPixel = 7;
              s.pixels.clear();
            }),
       Failure::Invalid},
      {"0 bpp", With(Small24(), [](BmpLayout& s) { s.bitsPerPixel = 0; }), Failure::Invalid},
      {"64 bpp", With(Small24(), [](BmpLayout& s) { s.bitsPerPixel = 64; }), Failure::Invalid},
      {"bit fields at 24 bpp", With(Small24(), [](BmpLayout& s) { s.compression = 3; }),
       Failure::Invalid},
      {"bit fields at 8 bpp", With(Small8(), [](BmpLayout& s) { s.compression = 3; }),
       Failure::Invalid},
      {"RLE8 at 4 bpp",
       With(Small8(),
            [](BmpLayout& s) {
              s.bitsPerPixel = 4;
              s.compression = 1;
            }),
       Failure::Invalid},
      {"RLE4 at 8 bpp", With(Small8(), [](BmpLayout& s) { s.compression = 2; }), Failure::Invalid},
      {"JPEG compression", With(Small24(), [](BmpLayout& s) { s.compression = 4; }),
       Failure::Invalid},
      {"header size 13", Patch32(good24, 14, 13), Failure::Invalid},
      {"header size 0", Patch32(good24, 14, 0), Failure::Invalid},
      {"100000 x 100000", With(Small24(), [](BmpLayout& s) { s.width = s.height = 100000; }),
       Failure::Invalid},
      {"just over 1 GiB",
       With(Small24(),
            [](BmpLayout& s) {
              s.bitsPerPixel = 32;
              s.width = 65536;
              s.height = 4097;
            }),
       Failure::Invalid},
      {"largest width", With(Small24(), [](BmpLayout& s) { s.width = INT_MAX; }), Failure::Invalid},
      {"smallest height", With(Small24(), [](BmpLayout& s) { s.height = INT_MIN; }),
       Failure::Invalid},
      {"huge RLE picture",
       With(Small8(),
            [](BmpLayout& s) {
              s.compression = 1;
              s.width = 30000;
              s.height = 30000;
            }),
       Failure::Invalid},
  };
  for (const RejectCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.failure == Failure::Read) {
      try {
        ReadBitmap(c.bytes);
        ADD_FAILURE() << "no failure";
      } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "ストリームからの読み込みエラー");
      }
    } else {
      try {
        ReadBitmap(c.bytes);
        ADD_FAILURE() << "no failure";
      } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), kInvalidBitmapMessage);
      }
    }
  }
}

TEST(BmpReader, LargePictureWithoutPixelDataIsAllBlack) {
  auto layout = Small24();
  layout.bitsPerPixel = 32;
  layout.width = 4096;
  layout.height = 1024;
  layout.pixels.clear();
  const TBitmap bitmap = ReadBitmap(BuildBmp(layout));
  EXPECT_EQ(bitmap.Width(), 4096);
  EXPECT_EQ(bitmap.GetPixel(4095, 1023), clBlack);
}

TEST(BmpReader, PixelsBeyondTheEndOfTheDataAreBlackAtTheTopOfABottomUpFile) {
  auto layout = Small24(3, 4);
  auto bytes = BuildBmp(layout);
  // Rows are 12 bytes; keep the bottom two rows and half of the third.
  const std::size_t pixelStart = 14 + 40;
  bytes.resize(pixelStart + 2 * 12 + 4);
  const TBitmap bitmap = ReadBitmap(bytes);
  ASSERT_EQ(bitmap.Height(), 4);
  for (int x = 0; x < 3; ++x) {
    EXPECT_EQ(bitmap.GetPixel(x, 0), clBlack) << x;
    EXPECT_EQ(bitmap.GetPixel(x, 3), clWhite) << x;
    EXPECT_EQ(bitmap.GetPixel(x, 2), clWhite) << x;
  }
  EXPECT_EQ(bitmap.GetPixel(0, 1),
            clWhite);  // the 4 bytes reach one pixel and the blue of the next
  EXPECT_EQ(bitmap.GetPixel(1, 1), clBlue);
  EXPECT_EQ(bitmap.GetPixel(2, 1), clBlack);
}

TEST(BmpReader, OnlyTheBlackTableEntryReadsBlack) {
  BmpLayout layout;
  layout.width = 16;
  layout.height = 16;
  layout.bitsPerPixel = 8;
  for (std::uint32_t i = 0; i < 256; ++i) {
    layout.palette.push_back(i == 7 ? clBlack : Rgb(i, 255 - i, (i * 3) | 1));
  }
  layout.pixels =
      PackPixels(16, 16, 8, [](int x, int y) { return static_cast<std::uint32_t>(x + 16 * y); });
  const TBitmap bitmap = ReadBitmap(BuildBmp(layout));
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      EXPECT_EQ(bitmap.GetPixel(x, y) == clBlack, x + 16 * y == 7) << x << "," << y;
    }
  }
}

TEST(BmpReader, NearlyBlackIsNotBlack) {
  BmpLayout layout;
  layout.width = 4;
  layout.height = 1;
  const TColor colours[] = {0x00010000, 0x00000100, 0x00000001, 0x00000000};
  layout.pixels = PackPixels(4, 1, 24, [&](int x, int) { return RawBgr(colours[x]); });
  const TBitmap bitmap = ReadBitmap(BuildBmp(layout));
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(bitmap.GetPixel(x, 0), colours[x]);
  }
}

TEST(BmpReader, BitFieldBlackIsExactlyZeroAndFullChannelsAreFull) {
  BmpLayout layout;
  layout.width = 2;
  layout.height = 1;
  layout.bitsPerPixel = 16;
  layout.pixels = PackPixels(2, 1, 16, [](int x, int) { return x == 0 ? 0u : 0x7FFFu; });
  const TBitmap bitmap = ReadBitmap(BuildBmp(layout));
  EXPECT_EQ(bitmap.GetPixel(0, 0), clBlack);
  EXPECT_EQ(bitmap.GetPixel(1, 0), clWhite);
}

TEST(BmpReader, PointsJustOutsideHaveNoColour) {
  BmpLayout layout;
  layout.width = 4;
  layout.height = 3;
  layout.pixels = PackPixels(4, 3, 24, [](int, int) { return 0u; });  // all black
  const TBitmap bitmap = ReadBitmap(BuildBmp(layout));
  EXPECT_EQ(bitmap.GetPixel(-1, 0), kNoColor);
  EXPECT_EQ(bitmap.GetPixel(4, 0), kNoColor);
  EXPECT_EQ(bitmap.GetPixel(0, 3), kNoColor);
  EXPECT_EQ(bitmap.GetPixel(0, -1), kNoColor);
  EXPECT_EQ(bitmap.GetPixel(INT_MIN, INT_MAX), kNoColor);
  EXPECT_EQ(bitmap.GetPixel(3, 2), clBlack);
  EXPECT_EQ(bitmap.GetPixel(0, 0), clBlack);
}

TEST(BmpReader, ImageSizeLargerThanTheStoreReadsOnlyTheStore) {
  auto layout = Small24();
  layout.imageSize = 0x80000000u;                          // 2 GiB
  layout.pixels.resize(layout.pixels.size() + 100, 0xEE);  // data beyond the store
  const TBitmap bitmap = ReadBitmap(BuildBmp(layout));
  EXPECT_EQ(bitmap.GetPixel(1, 1), clWhite);
  EXPECT_EQ(bitmap.Store()->Size(), 16u);
}

TEST(BmpReader, SmallImageSizeLeavesTheRestBlack) {
  auto layout = Small24();
  layout.imageSize = 8;  // the bottom row (and 2 bytes of padding)
  const TBitmap bitmap = ReadBitmap(BuildBmp(layout));
  EXPECT_EQ(bitmap.GetPixel(0, 1), clWhite);
  EXPECT_EQ(bitmap.GetPixel(1, 1), clWhite);
  EXPECT_EQ(bitmap.GetPixel(0, 0), clBlack);
}

TEST(BmpReader, PixelOffsetIsUsedWhenItLiesPastTheTableAndInsideTheFile) {
  BmpLayout layout = Small24(1, 1);
  layout.pixels = {0x10, 0x20, 0x30, 0x00};
  const TColor expected = 0x00102030;
  {
    auto gap = layout;
    gap.pixelOffset = 14 + 40 + 6;  // six bytes of padding before the pixels
    EXPECT_EQ(ReadBitmap(BuildBmp(gap)).GetPixel(0, 0), expected);
  }
  {
    // An offset inside the header: the pixels follow the header.
    auto bytes = Patch32(BuildBmp(layout), 10, 20);
    EXPECT_EQ(ReadBitmap(bytes).GetPixel(0, 0), expected);
  }
  {
    // An offset past the end of the file: likewise.
    auto bytes = Patch32(BuildBmp(layout), 10, 1000);
    EXPECT_EQ(ReadBitmap(bytes).GetPixel(0, 0), expected);
  }
}

TEST(BmpReader, TableOfMoreThan256EntriesKeepsTheFirst256) {
  BmpLayout layout;
  layout.width = 2;
  layout.height = 1;
  layout.bitsPerPixel = 8;
  layout.palette = Palette(300);
  layout.pixels = {5, 255, 0, 0};
  const TBitmap bitmap = ReadBitmap(BuildBmp(layout));
  EXPECT_EQ(bitmap.GetPixel(0, 0), layout.palette[5]);
  EXPECT_EQ(bitmap.GetPixel(1, 0), layout.palette[255]);
  EXPECT_EQ(bitmap.Store()->PaletteCount(), 256);
}

TEST(BmpReader, IndexBeyondASmallTableIsBlack) {
  BmpLayout layout;
  layout.width = 2;
  layout.height = 1;
  layout.bitsPerPixel = 8;
  layout.palette = {clWhite, clRed};
  layout.pixels = {1, 200, 0, 0};
  const TBitmap bitmap = ReadBitmap(BuildBmp(layout));
  EXPECT_EQ(bitmap.GetPixel(0, 0), clRed);
  EXPECT_EQ(bitmap.GetPixel(1, 0), clBlack);
}

// RLE8 and RLE4: each case gives the data and the expected picture, written
// top row first as indices into the table {0: black, 1: white, 2: red, ...};
// '.' is a pixel the data does not reach (black).
struct RleCase {
  const char* name;
  int bitsPerPixel;
  int width;
  int height;
  std::vector<std::uint8_t> data;
  std::vector<std::string> picture;
};

TEST(BmpReader, DecodesRunLengthData) {
  const std::vector<RleCase> cases = {
      {"RLE8 runs and end of line", 8, 4, 2, {4, 1, 0, 0, 2, 2, 2, 3, 0, 1}, {"2233", "1111"}},
      {"RLE8 absolute run with padding",
       8,
       4,
       2,
       {0, 3, 2, 3, 2, 0, 1, 1, 0, 0, 4, 1, 0, 1},
       {"1111", "2321"}},
      {"RLE8 delta", 8, 4, 3, {0, 2, 1, 1, 2, 2, 0, 1}, {"....", ".22.", "...."}},
      {"RLE8 data ends early", 8, 3, 2, {3, 1, 0, 0, 1}, {"...", "111"}},
      {"RLE8 run overruns its row", 8, 3, 2, {9, 2, 0, 0, 1, 3}, {"3..", "222"}},
      {"RLE8 absolute run overruns its row", 8, 2, 2, {0, 4, 2, 3, 1, 1, 0, 0, 1, 3}, {"3.", "23"}},
      {"RLE8 delta past the end", 8, 2, 2, {1, 2, 0, 2, 0, 200, 5, 1}, {"..", "2."}},
      {"RLE8 delta far to the right", 8, 2, 2, {0, 2, 255, 0, 3, 1, 0, 0, 1, 2}, {"2.", ".."}},
      {"RLE8 index beyond the table", 8, 2, 1, {1, 250, 1, 1}, {"01"}},
      {"RLE8 ends inside an absolute run", 8, 4, 1, {0, 4, 2, 3}, {"23.."}},
      {"RLE8 end of bitmap stops", 8, 2, 2, {2, 1, 0, 1, 2, 2}, {"..", "11"}},
      {"RLE4 runs alternate nibbles", 4, 5, 1, {5, 0x12, 0, 1}, {"12121"}},
      {"RLE4 absolute run of 3", 4, 4, 2, {0, 3, 0x23, 0x10, 0, 0, 4, 0x33}, {"3333", "231."}},
      {"RLE4 absolute run of 5 with padding",
       4,
       6,
       1,
       {0, 5, 0x12, 0x34, 0x50, 0, 1, 0x11},
       {"123451"}},
  };
  const std::vector<TColor> palette = {clBlack, clWhite, clRed, clBlue, clLime, 0x00808080};
  for (const RleCase& c : cases) {
    SCOPED_TRACE(c.name);
    BmpLayout layout;
    layout.width = c.width;
    layout.height = c.height;
    layout.bitsPerPixel = static_cast<std::uint16_t>(c.bitsPerPixel);
    layout.compression = c.bitsPerPixel == 8 ? 1 : 2;
    layout.palette = palette;
    layout.pixels = c.data;
    layout.imageSize = static_cast<std::uint32_t>(c.data.size());
    const TBitmap bitmap = ReadBitmap(BuildBmp(layout));
    EXPECT_EQ(bitmap.Store()->BitsPerPixel(), 32);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        const char ch = c.picture[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
        const TColor want = ch == '.' ? clBlack : palette[static_cast<std::size_t>(ch - '0')];
        EXPECT_EQ(bitmap.GetPixel(x, y), want) << "at " << x << "," << y;
      }
    }
  }
}

TEST(BmpReader, TopDownFileShowsItsFirstRowAtTheTop) {
  BmpLayout layout;
  layout.width = 1;
  layout.height = -2;
  layout.pixels = {0, 0, 0xFF, 0, 0xFF, 0, 0, 0};  // red, then blue
  const TBitmap bitmap = ReadBitmap(BuildBmp(layout));
  EXPECT_EQ(bitmap.GetPixel(0, 0), clRed);
  EXPECT_EQ(bitmap.GetPixel(0, 1), clBlue);
}

TEST(BmpReaderFile, ReadsAFileFromDisk) {
  testing::TempDir dir;
  const auto path = dir.WriteFile("course.bmp", testing::AsString(testing::BuildCourse(64, 48, 8)));
  const TBitmap bitmap = ReadBitmapFile(path);
  EXPECT_EQ(bitmap.Width(), 64);
  EXPECT_EQ(bitmap.Height(), 48);
  EXPECT_EQ(bitmap.GetPixel(32, 48 / 8), clBlack);  // the bar
  EXPECT_EQ(bitmap.GetPixel(32, 24), clWhite);      // the ring's centre
}

TEST(BmpReaderFile, FilesThatCannotBeOpenedNameThemselves) {
  testing::TempDir dir;
  std::vector<std::string> names = {dir.PathOf("missing.bmp"), dir.Path()};
  if (::geteuid() != 0) {
    // Permission bits do not stop root from reading.
    const auto locked = dir.WriteFile("locked.bmp", "BM");
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    names.push_back(locked);
  }
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    try {
      ReadBitmapFile(name);
      ADD_FAILURE() << "no failure";
    } catch (const EFOpenError& e) {
      EXPECT_EQ(e.Message(), "ファイル " + name + " は開けません");
    }
  }
}

}  // namespace
}  // namespace ormakin
