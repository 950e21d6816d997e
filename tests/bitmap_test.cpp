#include "core/picture/bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/base/errors.h"
#include "core/picture/bmp_reader.h"
#include "core/picture/pixel_store.h"
#include "support/bmp_builder.h"

namespace ormakin {
namespace {

std::uint32_t AsRgb32(TColor c) {
  return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

struct StoreFormat {
  int bitsPerPixel;
  RowOrder order;
};

const StoreFormat kFormats[] = {
    {1, RowOrder::BottomUp}, {4, RowOrder::TopDown},   {8, RowOrder::BottomUp},
    {16, RowOrder::TopDown}, {24, RowOrder::BottomUp}, {32, RowOrder::TopDown},
};

std::shared_ptr<PixelStore> MakeStore(const StoreFormat& f, int width, int height) {
  auto store = std::make_shared<PixelStore>(width, height, f.bitsPerPixel, f.order);
  for (int i = 0; i < 16; ++i) {
    const auto u = static_cast<std::uint32_t>(i);
    store->SetPaletteEntry(i, (u * 16) | ((255 - u * 16) << 8) | ((u * 40 % 256) << 16));
  }
  store->SetPaletteCount(1 << std::min(f.bitsPerPixel, 4));
  return store;
}

// MakeStore's store with every pixel set to a value of its own.
std::shared_ptr<PixelStore> MakeVariedStore(const StoreFormat& f, int width, int height) {
  auto store = MakeStore(f, width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto v = static_cast<std::uint32_t>(x * 2654435761u + y * 40503u);
      store->PutRaw(x, y, f.bitsPerPixel <= 8 ? v % (1u << std::min(f.bitsPerPixel, 4)) : v);
    }
  }
  return store;
}

TEST(PixelStore, NewStoreIsBlackAndSizedByPaddedRows) {
  for (const StoreFormat& f : kFormats) {
    SCOPED_TRACE(f.bitsPerPixel);
    const PixelStore store(7, 3, f.bitsPerPixel, f.order);
    EXPECT_EQ(store.RowLength(), (7 * static_cast<std::size_t>(f.bitsPerPixel) + 31) / 32 * 4);
    EXPECT_EQ(store.Size(), store.RowLength() * 3);
    for (std::size_t i = 0; i < store.Size(); ++i) {
      ASSERT_EQ(store.Data()[i], 0) << i;
    }
  }
}

// A zeroed store may get memory that an earlier store wrote: every byte of it
// reads zero, the last partial page and single dirty bytes included.
TEST(PixelStore, NewStoreOverReusedMemoryIsBlack) {
  // Sizes around the page that is checked at once: less, one byte over,
  // several pages and a bit.
  for (const int width : {100, 1025, 3 * 1024 + 7}) {
    SCOPED_TRACE(width);
    for (int round = 0; round < 4; ++round) {
      {
        PixelStore dirty(width, 4, 32, RowOrder::TopDown, StoreInit::Overwrite);
        std::memset(dirty.Data(), 0, dirty.Size());
        // One stray byte per round, in another page each time.
        dirty.Data()[(dirty.Size() - 1) * static_cast<std::size_t>(round) / 3] = 0x5A;
      }
      const PixelStore store(width, 4, 32, RowOrder::TopDown);
      for (std::size_t i = 0; i < store.Size(); ++i) {
        ASSERT_EQ(store.Data()[i], 0) << "round " << round << ", byte " << i;
      }
    }
  }
}

TEST(PixelStore, RefusesStoresOverTheLimit) {
  EXPECT_THROW(PixelStore(65536, 4097, 32, RowOrder::TopDown), EInvalidGraphic);
  EXPECT_THROW(PixelStore(-1, 1, 32, RowOrder::TopDown), EInvalidGraphic);
  EXPECT_THROW(PixelStore(1, 1, 12, RowOrder::TopDown), EInvalidGraphic);
}

TEST(PixelStore, WritesOnePixelWithoutTouchingItsNeighbours) {
  for (const StoreFormat& f : kFormats) {
    SCOPED_TRACE(f.bitsPerPixel);
    auto store = MakeStore(f, 9, 3);
    const TColor colour = store->Palette()[1];
    const std::uint32_t raw = store->Encode(f.bitsPerPixel <= 8 ? colour : clWhite);
    store->PutRaw(4, 1, raw);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 9; ++x) {
        const bool target = x == 4 && y == 1;
        const TColor background = f.bitsPerPixel <= 8 ? store->Palette()[0] : clBlack;
        const TColor want = target ? (f.bitsPerPixel <= 8 ? colour : clWhite) : background;
        EXPECT_EQ(store->ColorAt(x, y), want) << x << "," << y;
      }
    }
  }
}

TEST(PixelStore, EncodeKeepsTheNearestColourTheFormatHolds) {
  struct Case {
    int bitsPerPixel;
    TColor written;
    TColor read;
  };
  const Case cases[] = {
      {24, 0x00123456, 0x00123456}, {32, 0x00123456, 0x00123456},
      {16, 0x00123456, 0x00103152},  // 5 bits per channel
      {16, clWhite, clWhite},       {16, clBlack, clBlack},
      {8, 0x00F0F0F0, clWhite},  // nearest entry of {black, white, red}
      {8, 0x000000C0, clRed},       {4, 0x00202020, clBlack},
      {1, 0x00C0C0C0, clWhite},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bitsPerPixel);
    PixelStore store(2, 1, c.bitsPerPixel, RowOrder::TopDown);
    store.SetPaletteEntry(0, clBlack);
    store.SetPaletteEntry(1, clWhite);
    store.SetPaletteEntry(2, clRed);
    store.SetPaletteCount(3);
    store.PutRaw(1, 0, store.Encode(c.written));
    EXPECT_EQ(store.ColorAt(1, 0), c.read);
  }
}

TEST(PixelStore, BitFieldStoresEncodeThroughTheirMasks) {
  PixelStore store(1, 1, 32, RowOrder::TopDown);
  store.SetMasks({0x000000FFu, 0x0000FF00u, 0x00FF0000u});
  store.PutRaw(0, 0, store.Encode(0x00112233));
  EXPECT_EQ(store.Data()[0], 0x33);  // red in the low byte
  EXPECT_EQ(store.ColorAt(0, 0), 0x00112233u);
}

TEST(PixelStore, RowConversionAgreesWithPixelReads) {
  for (const StoreFormat& f : kFormats) {
    SCOPED_TRACE(f.bitsPerPixel);
    auto store = MakeVariedStore(f, 11, 4);
    std::vector<std::uint32_t> row(11);
    for (int y = 0; y < 4; ++y) {
      store->RowToRgb32(y, 11, row.data());
      for (int x = 0; x < 11; ++x) {
        EXPECT_EQ(row[static_cast<std::size_t>(x)], AsRgb32(store->ColorAt(x, y))) << x << "," << y;
      }
    }
  }
}

TEST(PixelStore, RowWritesAgreeWithPixelWrites) {
  const TColor colors[] = {clBlack,    clWhite,    0x00123456, 0x00FEDCBA,
                           0x0000FF00, 0x00808080, 0x00010203};
  const int count = static_cast<int>(std::size(colors));
  for (const StoreFormat& f : kFormats) {
    SCOPED_TRACE(f.bitsPerPixel);
    auto byRow = MakeVariedStore(f, count + 2, 2);
    auto byPixel = MakeVariedStore(f, count + 2, 2);
    byRow->PutRow(1, colors, count);
    for (int x = 0; x < count; ++x) {
      byPixel->PutRaw(x, 1, byPixel->Encode(colors[x]));
    }
    EXPECT_TRUE(std::equal(byRow->Data(), byRow->Data() + byRow->Size(), byPixel->Data()));
  }
}

TEST(Bitmap, FilledBitmapIsFullColour) {
  const TBitmap bitmap(3, 2, 0x00123456);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(bitmap.Store()->BitsPerPixel(), 32);
  EXPECT_EQ(bitmap.GetPixel(2, 1), 0x00123456u);
  EXPECT_EQ(bitmap.GetPixel(3, 1), kNoColor);
  EXPECT_EQ(TBitmap(-5, 2, clWhite).Width(), 0);
  EXPECT_EQ(TBitmap().Width(), 0);
}

TEST(Bitmap, CopiesShareTheStoreUntilOneChanges) {
  TBitmap course(4, 4, clWhite);
  TBitmap frame = course;
  EXPECT_EQ(course.StoreUsers(), 2);
  EXPECT_EQ(frame.Store(), course.Store());

  PixelStore& store = frame.BeginChange();
  store.PutRaw(1, 1, store.Encode(clRed));
  EXPECT_NE(frame.Store(), course.Store());
  EXPECT_EQ(course.StoreUsers(), 1);
  EXPECT_EQ(course.GetPixel(1, 1), clWhite);
  EXPECT_EQ(frame.GetPixel(1, 1), clRed);
  EXPECT_EQ(frame.GetPixel(2, 2), clWhite);

  // An unshared store is drawn on in place.
  const PixelStore* before = frame.Store();
  frame.BeginChange();
  EXPECT_EQ(frame.Store(), before);
}

TEST(Bitmap, PrivateCopyOfAPlainBitmapKeepsItsFormat) {
  const TBitmap course = ReadBitmap(testing::BuildCourse(40, 30, 8));
  TBitmap frame = course;
  frame.BeginChange();
  EXPECT_EQ(frame.Store()->BitsPerPixel(), 8);
  EXPECT_EQ(frame.Store()->Palette(), course.Store()->Palette());
}

TEST(Bitmap, ViewShowsTheTopLeftAndCopiesOnlyThatInFullColour) {
  for (int bpp : {1, 8, 24, 32}) {
    SCOPED_TRACE(bpp);
    const TBitmap course = ReadBitmap(testing::BuildCourse(60, 50, bpp));
    const std::vector<std::uint8_t> before(course.Store()->Data(),
                                           course.Store()->Data() + course.Store()->Size());
    TBitmap frame = TBitmap::ViewOf(course, 40, 30);
    EXPECT_EQ(frame.Width(), 40);
    EXPECT_EQ(frame.Height(), 30);
    EXPECT_EQ(frame.Store(), course.Store());
    EXPECT_EQ(frame.GetPixel(40, 0), kNoColor);  // outside the view, inside the course
    EXPECT_EQ(frame.GetPixel(30, 6), course.GetPixel(30, 6));

    frame.BeginChange();
    ASSERT_EQ(frame.Store()->BitsPerPixel(), 32);
    EXPECT_EQ(frame.Store()->Width(), 40);
    EXPECT_EQ(frame.Store()->Height(), 30);
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        ASSERT_EQ(frame.GetPixel(x, y), course.GetPixel(x, y)) << x << "," << y;
      }
    }
    EXPECT_EQ(course.StoreUsers(), 1);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), course.Store()->Data()));
  }
}

TEST(Bitmap, ViewOfASmallCourseIsTheCourseSize) {
  const TBitmap course(30, 20, clWhite);
  const TBitmap frame = TBitmap::ViewOf(course, 500, 400);
  EXPECT_EQ(frame.Width(), 30);
  EXPECT_EQ(frame.Height(), 20);
  EXPECT_EQ(TBitmap::ViewOf(course, -3, 5).Width(), 0);
}

TEST(Bitmap, RowReadsAgreeWithPixelReadsAndClip) {
  for (const StoreFormat& f : kFormats) {
    SCOPED_TRACE(f.bitsPerPixel);
    const TBitmap course(MakeVariedStore(f, 13, 5));
    // The course, and a view of its top-left 7 x 3 pixels.
    for (const TBitmap& bitmap : {course, TBitmap::ViewOf(course, 7, 3)}) {
      for (int y = -1; y <= bitmap.Height(); ++y) {
        std::vector<TColor> row(20, 0x12345678u);
        bitmap.GetRow(y, 19, row.data());
        for (int x = 0; x < 20; ++x) {
          const bool inside = x < 19 && bitmap.GetPixel(x, y) != kNoColor;
          EXPECT_EQ(row[static_cast<std::size_t>(x)], inside ? bitmap.GetPixel(x, y) : 0x12345678u)
              << x << "," << y;
        }
      }
    }
  }
}

TEST(Bitmap, CopyToRgb32ClipsAndLeavesTheRestAlone) {
  TBitmap bitmap(2, 2, clRed);
  std::vector<std::uint32_t> out(3 * 3, 0x12345678u);
  bitmap.CopyToRgb32(3, 3, out.data(), 3);
  const std::uint32_t red = 0xFFFF0000u;
  const std::vector<std::uint32_t> want = {red,         red,         0x12345678u, red,        red,
                                           0x12345678u, 0x12345678u, 0x12345678u, 0x12345678u};
  EXPECT_EQ(out, want);
}

}  // namespace
}  // namespace ormakin
