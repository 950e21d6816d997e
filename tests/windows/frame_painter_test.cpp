// The Windows shell paints icons and metafiles with the system's own
// functions, at their own size at the image's top-left corner; the rest of
// the image shows the button-face colour.
#include "win/frame_painter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/picture/metafile.h"
#include "core/picture/picture.h"
#include "support/temp_dir.h"

namespace ormakin {
namespace {

constexpr int kWidth = 500;
constexpr int kHeight = 400;

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Paints `image` as the window would and returns the pixels as COLORREFs,
// top row first.
std::vector<COLORREF> Painted(const TImage& image) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP target = CreateCompatibleBitmap(screen, kWidth, kHeight);
  HGDIOBJ previous = SelectObject(dc, target);
  const RECT area{0, 0, kWidth, kHeight};
  win::PaintImage(dc, area, area, image);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < kHeight; y += 1) {
    for (int x = 0; x < kWidth; ++x) pixels.push_back(GetPixel(dc, x, y) & 0xFFFFFF);
  }
  SelectObject(dc, previous);
  DeleteObject(target);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return pixels;
}

COLORREF At(const std::vector<COLORREF>& pixels, int x, int y) {
  return pixels[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)];
}

COLORREF Face() {
  return GetSysColor(COLOR_BTNFACE) & 0xFFFFFF;
}

// An icon file of one 2 x 2 image at 32 bits per pixel: top row transparent,
// then opaque red; bottom row opaque green, then opaque blue.
std::string TwoByTwoIcon() {
  std::string image;
  PutLittleEndian(image, 40, 4);
  PutLittleEndian(image, 2, 4);
  PutLittleEndian(image, 4, 4);  // colour rows and mask rows
  PutLittleEndian(image, 1, 2);
  PutLittleEndian(image, 32, 2);
  image += std::string(24, '\0');
  for (const std::uint32_t argb : {0xFF00FF00u, 0xFF0000FFu, 0x00000000u, 0xFFFF0000u}) {
    PutLittleEndian(image, argb, 4);  // bottom row first
  }
  image += std::string(8, '\0');  // the AND mask
  std::string file;
  for (const std::uint32_t field : {0u, 1u, 1u}) PutLittleEndian(file, field, 2);
  file += std::string("\x02\x02\x00\x00", 4);
  PutLittleEndian(file, 1, 2);
  PutLittleEndian(file, 32, 2);
  PutLittleEndian(file, static_cast<std::uint32_t>(image.size()), 4);
  PutLittleEndian(file, 22, 4);
  return file + image;
}

// An enhanced metafile, recorded by the system, of a red rectangle that
// fills its frame of 100 x 50 pixels (at 96 pixels per inch).
std::string RedEmf() {
  const RECT frame{0, 0, 2646, 1323};  // 0.01 mm
  HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  const RECT all{0, 0, 1000, 1000};
  FillRect(dc, &all, red);
  HENHMETAFILE meta = CloseEnhMetaFile(dc);
  DeleteObject(red);
  std::string bytes(GetEnhMetaFileBits(meta, 0, nullptr), '\0');
  GetEnhMetaFileBits(meta, static_cast<UINT>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data()));
  DeleteEnhMetaFile(meta);
  return bytes;
}

// A placeable WMF whose box is 0, 0 to 200, 100 at 192 units per inch (100 x
// 50 pixels), recorded by the system: a red rectangle over the whole box.
std::string RedPlaceableWmf() {
  HDC dc = CreateMetaFileW(nullptr);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  SelectObject(dc, red);
  SelectObject(dc, GetStockObject(NULL_PEN));
  Rectangle(dc, 0, 0, 201, 101);
  HMETAFILE meta = CloseMetaFile(dc);
  DeleteObject(red);
  std::string records(GetMetaFileBitsEx(meta, 0, nullptr), '\0');
  GetMetaFileBitsEx(meta, static_cast<UINT>(records.size()), records.data());
  DeleteMetaFile(meta);

  std::string header;
  PutLittleEndian(header, 0x9AC6CDD7u, 4);
  PutLittleEndian(header, 0, 2);
  for (const std::uint32_t v : {0u, 0u, 200u, 100u, 192u}) PutLittleEndian(header, v, 2);
  PutLittleEndian(header, 0, 4);
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i < header.size(); i += 2) {
    sum ^= static_cast<std::uint16_t>(static_cast<unsigned char>(header[i]) |
                                      (static_cast<unsigned char>(header[i + 1]) << 8));
  }
  PutLittleEndian(header, sum, 2);
  return header + records;
}

TEST(WindowsFramePainter, IconIsDrawnAtItsOwnSizeWithItsTransparency) {
  const testing::TempDir dir;
  TImage image(kWidth, kHeight);
  image.Picture.LoadFromFile(dir.WriteFile("course.ico", TwoByTwoIcon()));
  const std::vector<COLORREF> pixels = Painted(image);
  EXPECT_EQ(At(pixels, 0, 0), Face());
  EXPECT_EQ(At(pixels, 1, 0), RGB(255, 0, 0));
  EXPECT_EQ(At(pixels, 0, 1), RGB(0, 255, 0));
  EXPECT_EQ(At(pixels, 1, 1), RGB(0, 0, 255));
  EXPECT_EQ(At(pixels, 2, 0), Face());
  EXPECT_EQ(At(pixels, 499, 399), Face());
}

TEST(WindowsFramePainter, MetafilesArePlayedAtTheirOwnSize) {
  const testing::TempDir dir;
  for (const auto& [name, bytes] :
       {std::pair{"red.emf", RedEmf()}, std::pair{"red.wmf", RedPlaceableWmf()}}) {
    SCOPED_TRACE(name);
    TImage image(kWidth, kHeight);
    image.Picture.LoadFromFile(dir.WriteFile(name, bytes));
    ASSERT_EQ(image.Picture.GetKind(), TPicture::Kind::Metafile);
    ASSERT_EQ(image.Picture.Metafile()->Width(), 100);
    ASSERT_EQ(image.Picture.Metafile()->Height(), 50);
    const std::vector<COLORREF> pixels = Painted(image);
    EXPECT_EQ(At(pixels, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(At(pixels, 50, 25), RGB(255, 0, 0));
    EXPECT_EQ(At(pixels, 98, 48), RGB(255, 0, 0));
    EXPECT_EQ(At(pixels, 110, 25), Face());
    EXPECT_EQ(At(pixels, 50, 60), Face());
  }
}

}  // namespace
}  // namespace ormakin
