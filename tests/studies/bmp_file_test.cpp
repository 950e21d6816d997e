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

TEST(WriteBmp, RefusesAPictureWithoutPixelsBeforeWritingAnything) {
  bool wrote = false;
  EXPECT_THROW(WriteBmp(TBitmap(), "map.bmp", [&](const void*, std::size_t) { wrote = true; }),
               Exception);
  EXPECT_FALSE(wrote);
}

}  // namespace
}  // namespace ormakin::studies
