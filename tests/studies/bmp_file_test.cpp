// The BMP writer: a 24-bit course read and written again gives back its
// pixel rows byte for byte, padding and all, under the headers a reader needs.
#include "studies/bmp_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "core/base/errors.h"
#include "core/picture/bmp_reader.h"
#include "support/course_builder.h"

namespace ormakin::studies {
namespace {

std::string BmpOf(const TBitmap& picture) {
  std::string file;
  WriteBmp(picture, "map.bmp", [&](const void* data, std::size_t size) {
    file.append(static_cast<const char*>(data), size);
  });
  return file;
}

std::uint32_t Field(const std::string& file, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) {
    value = value << 8 | static_cast<std::uint8_t>(file[at + static_cast<std::size_t>(i)]);
  }
  return value;
}

TEST(WriteBmp, WritesTheRowsBottomUpInBlueGreenRedWithPadding) {
  for (int width = 1; width <= 5; ++width) {
    for (int height = 1; height <= 3; ++height) {
      const std::string course =
          testing::LineCourseBmp(width, height, [](int x, int y) { return (x + 2 * y) % 3 == 0; });
      const TBitmap picture = ReadBitmap(
          std::span(reinterpret_cast<const std::uint8_t*>(course.data()), course.size()));
      const std::string file = BmpOf(picture);
      const std::uint32_t row = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
      SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
      ASSERT_EQ(file.size(), 54 + row * static_cast<std::uint32_t>(height));
      EXPECT_EQ(file.substr(0, 2), "BM");
      EXPECT_EQ(Field(file, 2, 4), file.size());
      EXPECT_EQ(Field(file, 10, 4), 54u);
      EXPECT_EQ(Field(file, 18, 4), static_cast<std::uint32_t>(width));
      EXPECT_EQ(Field(file, 22, 4), static_cast<std::uint32_t>(height));  // bottom row first
      EXPECT_EQ(Field(file, 28, 2), 24u);
      EXPECT_EQ(Field(file, 34, 4), row * static_cast<std::uint32_t>(height));
      EXPECT_EQ(file.substr(54), course.substr(Field(course, 10, 4)));
    }
  }
}

// A full-colour picture (what a map is drawn on) is copied byte for byte, a
// view of one only as far as it shows: each reads back as it was, and the
// unused fourth byte of a pixel never reaches the rows' padding.
TEST(WriteBmp, AFullColourPictureAndAViewOfOneReadBackTheSame) {
  TBitmap picture(5, 3, clWhite);
  PixelStore& store = picture.BeginChange();
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const auto v = static_cast<std::uint32_t>(16 * x + 50 * y);
      store.FillSpan(y, x, x + 1, store.Encode(v | (255 - v) << 8 | (v ^ 0xA5u) << 16));
      store.Row(y)[4 * x + 3] = 0xEE;
    }
  }
  for (const TBitmap& shown : {picture, TBitmap::ViewOf(picture, 3, 2)}) {
    const std::string file = BmpOf(shown);
    const std::size_t row = (static_cast<std::size_t>(shown.Width()) * 3 + 3) / 4 * 4;
    for (std::size_t at = 54 + 3 * static_cast<std::size_t>(shown.Width()); at < file.size();
         at += row) {
      EXPECT_EQ(file[at], '\0') << at;
    }
    const TBitmap back =
        ReadBitmap(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()));
    ASSERT_EQ(back.Width(), shown.Width());
    ASSERT_EQ(back.Height(), shown.Height());
    for (int y = 0; y < back.Height(); ++y) {
      for (int x = 0; x < back.Width(); ++x) {
        EXPECT_EQ(back.GetPixel(x, y), picture.GetPixel(x, y)) << x << "," << y;
      }
    }
  }
}

TEST(WriteBmp, RefusesAPictureWithoutPixelsBeforeWritingAnything) {
  bool wrote = false;
  EXPECT_THROW(WriteBmp(TBitmap(), "map.bmp", [&](const void*, std::size_t) { wrote = true; }),
               Exception);
  EXPECT_FALSE(wrote);
}

}  // namespace
}  // namespace ormakin::studies
