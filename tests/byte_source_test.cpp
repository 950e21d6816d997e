#include "core/picture/byte_source.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/base/errors.h"
#include "support/temp_dir.h"

namespace ormakin {
namespace {

// Bytes that differ from their neighbours and from zero at every offset of
// interest, so that a read from the wrong place or from a stale cache shows.
std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(1 + (i * 7 + i / 251) % 255);
  return bytes;
}

std::string Read(const FileSource& source, std::uint64_t offset, std::size_t count) {
  std::vector<std::uint8_t> out(count, 0);
  source.ReadAt(offset, out);
  return std::string(out.begin(), out.end());
}

TEST(FileSource, ReadsAroundTheCachedFirstBlock) {
  const testing::TempDir dir;
  const std::string bytes = Pattern(10000);
  const FileSource source(dir.WriteFile("course.bmp", bytes));
  struct Case {
    std::uint64_t offset;
    std::size_t count;
  };
  // The cache holds the first 4096 bytes; reads start before it, inside it,
  // across its end and beyond it, and some read nothing at all.
  const Case cases[] = {{4090, 12}, {0, 0},    {4096, 0},  {10000, 0}, {0, 4096},
                        {4095, 2},  {4096, 1}, {0, 10000}, {9999, 1},  {4000, 6000}};
  for (const Case& c : cases) {
    EXPECT_EQ(Read(source, c.offset, c.count), bytes.substr(c.offset, c.count))
        << c.offset << "+" << c.count;
  }
}

TEST(FileSource, AFailedFirstReadIsTriedAgainLater) {
  const testing::TempDir dir;
  const std::string bytes = Pattern(5000);
  const std::string path = dir.WriteFile("course.bmp", bytes);
  const FileSource source(path);
  try {
    dir.WriteFile("course.bmp", "");  // the file shrinks under the open source
  } catch (const std::runtime_error&) {
    GTEST_SKIP() << "this system lets no one write a file while the source holds it open";
  }
  EXPECT_THROW(Read(source, 0, 16), EReadError);
  dir.WriteFile("course.bmp", bytes);
  EXPECT_EQ(Read(source, 4090, 12), bytes.substr(4090, 12));
  EXPECT_EQ(Read(source, 0, 16), bytes.substr(0, 16));
}

}  // namespace
}  // namespace ormakin
