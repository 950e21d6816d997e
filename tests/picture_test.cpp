#include "core/picture/picture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/errors.h"
#include "core/base/text_encoding.h"
#include "core/picture/icon.h"
#include "core/picture/metafile.h"
#include "support/bmp_builder.h"
#include "support/temp_dir.h"

namespace ormakin {
namespace {

using testing::AsString;
using testing::TempDir;

void Put16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// An icon file whose one image is `image` (a DIB or a PNG).
std::string IconFile(const std::string& image) {
  std::string out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 1);
  out += std::string("\x02\x02\x00\x00", 4);
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, static_cast<std::uint32_t>(image.size()));
  Put32(out, 22);
  return out + image;
}

// A 2 x 2 DIB at 32 bits: top row red and transparent (alpha 0), bottom row
// green and blue, opaque; the AND mask follows.
std::string IconDib32() {
  std::string out;
  Put32(out, 40);
  Put32(out, 2);
  Put32(out, 4);  // twice the height: colour rows and mask rows
  Put16(out, 1);
  Put16(out, 32);
  out += std::string(24, '\0');
  Put32(out, 0xFF00FF00u);  // bottom row first: green, blue
  Put32(out, 0xFF0000FFu);
  Put32(out, 0x00FF0000u);  // top row: red with alpha 0, red opaque
  Put32(out, 0xFFFF0000u);
  out += std::string(8, '\0');  // AND mask, two rows of 4 bytes
  return out;
}

// A 2 x 1 DIB at 1 bit with a two-colour table, the left pixel masked out.
std::string IconDib1() {
  std::string out;
  Put32(out, 40);
  Put32(out, 2);
  Put32(out, 2);
  Put16(out, 1);
  Put16(out, 1);
  out += std::string(24, '\0');
  Put32(out, 0x00000000u);  // black
  Put32(out, 0x00FFFFFFu);  // white
  Put32(out, 0x00000040u);  // pixels 0, 1: black, white
  Put32(out, 0x00000080u);  // AND: the left pixel is transparent
  return out;
}

std::string Png(std::uint32_t width, std::uint32_t height) {
  std::string out("\x89PNG\r\n\x1a\n", 8);
  out += std::string("\0\0\0\x0dIHDR", 8);
  for (std::uint32_t v : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      out.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
  }
  return out + std::string(5, '\0');
}

std::string PlaceableWmf(std::int16_t right, std::int16_t bottom, std::uint16_t inch) {
  std::string out;
  Put32(out, 0x9AC6CDD7u);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<std::uint16_t>(right));
  Put16(out, static_cast<std::uint16_t>(bottom));
  Put16(out, inch);
  Put32(out, 0);
  std::uint16_t sum = 0;
  for (std::size_t i = 0; i < 20; i += 2) {
    sum ^= static_cast<std::uint16_t>(static_cast<unsigned char>(out[i]) |
                                      (static_cast<unsigned char>(out[i + 1]) << 8));
  }
  Put16(out, sum);
  return out;
}

std::string PlainWmfHeader() {
  std::string out;
  Put16(out, 1);
  Put16(out, 9);
  Put16(out, 0x300);
  Put32(out, 12);
  Put16(out, 0);
  Put32(out, 3);
  Put16(out, 0);
  Put32(out, 3);  // the end record
  Put16(out, 0);
  return out;
}

std::string Emf(std::int32_t frameRight, std::int32_t frameBottom) {
  std::string out;
  Put32(out, 1);
  Put32(out, 88);
  for (std::int32_t v : {0, 0, 99, 49, 0, 0, frameRight, frameBottom}) {
    Put32(out, static_cast<std::uint32_t>(v));
  }
  Put32(out, 0x464D4520u);
  return out + std::string(88 - out.size(), '\0');
}

const std::string kGoodBmp = AsString(testing::BuildCourse(20, 10, 24));

TEST(Picture, ExtensionPicksTheReaderOrIsRefusedAsWritten) {
  TempDir dir;
  struct Case {
    std::string name;
    std::string bytes;
    TPicture::Kind kind;    // when it loads
    const char* extension;  // when it is refused: the extension in the message
  };
  const std::vector<Case> cases = {
      {"Course.BMP", kGoodBmp, TPicture::Kind::Bitmap, nullptr},
      {"course.bMp", kGoodBmp, TPicture::Kind::Bitmap, nullptr},
      {"two.dots.bmp", kGoodBmp, TPicture::Kind::Bitmap, nullptr},
      {"course.ICO", IconFile(IconDib32()), TPicture::Kind::Icon, nullptr},
      {"course.wmf", PlaceableWmf(100, 100, 96) + PlainWmfHeader(), TPicture::Kind::Metafile,
       nullptr},
      {"course.Emf", Emf(2540, 2540), TPicture::Kind::Metafile, nullptr},
      {"course.png", kGoodBmp, TPicture::Kind::None, "png"},
      {"course.PnG", kGoodBmp, TPicture::Kind::None, "PnG"},
      {"course", kGoodBmp, TPicture::Kind::None, ""},
      {"course.", kGoodBmp, TPicture::Kind::None, ""},
      {"D:\\data.old\\course", kGoodBmp, TPicture::Kind::None, ""},
      {"x.bmp:course", kGoodBmp, TPicture::Kind::None, ""},
      {"コース.ビットマップ", kGoodBmp, TPicture::Kind::None, "ビットマップ"},
      {"course.bmp ", kGoodBmp, TPicture::Kind::None, "bmp "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.WriteFile(c.name, c.bytes);
    TPicture picture;
    if (c.extension == nullptr) {
      picture.LoadFromFile(path);
      EXPECT_EQ(picture.GetKind(), c.kind);
    } else {
      try {
        picture.LoadFromFile(path);
        ADD_FAILURE() << "no failure";
      } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(),
                  std::string("拡張子 .") + c.extension + " の画像形式は処理できません");
      }
      EXPECT_EQ(picture.GetKind(), TPicture::Kind::None);
    }
  }
  // A name inside a directory whose name has a dot.
  TPicture picture;
  try {
    picture.LoadFromFile(dir.Path() + "/data.old/course");
    ADD_FAILURE() << "no failure";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "拡張子 . の画像形式は処理できません");
  }
}

TEST(Picture, FailedLoadKeepsTheGraphicItHad) {
  TempDir dir;
  const std::string good = dir.WriteFile("good.bmp", kGoodBmp);
  testing::BmpLayout planes;
  planes.planes = 2;
  planes.pixels = {0, 0, 0, 0};
  const std::string bad = dir.WriteFile("bad.bmp", AsString(testing::BuildBmp(planes)));
  const std::string shortFile = dir.WriteFile("short.bmp", "BM\x01");
  const std::string badIcon = dir.WriteFile("bad.ico", "not an icon");
  const std::string badMeta = dir.WriteFile("bad.wmf", std::string(40, '\x07'));

  TPicture picture;
  picture.LoadFromFile(good);
  const PixelStore* store = picture.Bitmap()->Store();
  struct Case {
    std::string name;
    std::string message;
  };
  const std::vector<Case> cases = {
      {bad, kInvalidBitmapMessage},
      {shortFile, "ストリームからの読み込みエラー"},
      {badIcon, kInvalidIconMessage},
      {badMeta, kInvalidMetafileMessage},
      {dir.PathOf("missing.bmp"), "ファイル " + dir.PathOf("missing.bmp") + " は開けません"},
      {dir.PathOf("missing.ico"), "ファイル " + dir.PathOf("missing.ico") + " は開けません"},
      {dir.PathOf("missing.jpg"), "拡張子 .jpg の画像形式は処理できません"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      picture.LoadFromFile(c.name);
      ADD_FAILURE() << "no failure";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    ASSERT_EQ(picture.GetKind(), TPicture::Kind::Bitmap);
    EXPECT_EQ(picture.Bitmap()->Store(), store);
  }
}

TEST(Picture, FileNamesThatAreNotUtf8AreDecodedAloneInTheMessage) {
  TempDir dir;
  // "テスト" in code page 932, and a Latin-1 "é", which is no text there.
  const std::string cp932 = "\x83\x65\x83\x58\x83\x67";
  struct Case {
    std::string name;
    std::string message;
  };
  const std::vector<Case> cases = {
      {dir.PathOf(cp932 + ".bmp"), "ファイル " + dir.PathOf("テスト.bmp") + " は開けません"},
      {dir.PathOf("a." + cp932), "拡張子 .テスト の画像形式は処理できません"},
      {dir.PathOf("caf\xE9.ico"),
       "ファイル " + dir.PathOf("caf\xEF\xBF\xBD.ico") + " は開けません"},
  };
  for (const Case& c : cases) {
    TPicture picture;
    try {
      picture.LoadFromFile(c.name);
      ADD_FAILURE() << "no failure for " << c.message;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
      // The message as a whole is left alone by the display conversion.
      EXPECT_EQ(ToDisplayText(e.Message()), c.message);
    }
  }
}

TEST(Picture, EmptyBitmapFileLoadsAsAnEmptyPicture) {
  TempDir dir;
  TPicture picture;
  picture.LoadFromFile(dir.WriteFile("empty.bmp", ""));
  ASSERT_EQ(picture.GetKind(), TPicture::Kind::Bitmap);
  EXPECT_EQ(picture.Bitmap()->Width(), 0);
  EXPECT_EQ(picture.Bitmap()->GetPixel(0, 0), kNoColor);
}

TEST(Picture, AssignSharesABitmapStore) {
  TPicture course;
  course.SetBitmap(TBitmap(4, 4, clWhite));
  TPicture frame;
  frame.Assign(course);
  ASSERT_EQ(frame.GetKind(), TPicture::Kind::Bitmap);
  EXPECT_EQ(frame.Bitmap()->Store(), course.Bitmap()->Store());
  EXPECT_EQ(course.Bitmap()->StoreUsers(), 2);
  frame.Bitmap()->BeginChange();
  EXPECT_EQ(course.Bitmap()->StoreUsers(), 1);

  TPicture nothing;
  frame.Assign(nothing);
  EXPECT_EQ(frame.GetKind(), TPicture::Kind::None);
  EXPECT_EQ(frame.Bitmap(), nullptr);
  frame.Assign(frame);
  course.Clear();
  EXPECT_EQ(course.GetKind(), TPicture::Kind::None);
}

TEST(Picture, IconsAndMetafilesAreNotBitmaps) {
  TempDir dir;
  TPicture picture;
  picture.LoadFromFile(dir.WriteFile("a.ico", IconFile(IconDib32())));
  EXPECT_EQ(picture.Bitmap(), nullptr);
  ASSERT_NE(picture.Icon(), nullptr);
  EXPECT_EQ(picture.Metafile(), nullptr);
  TPicture copy;
  copy.Assign(picture);
  EXPECT_EQ(copy.Icon(), picture.Icon());

  picture.LoadFromFile(dir.WriteFile("a.emf", Emf(2540, 1270)));
  EXPECT_EQ(picture.Icon(), nullptr);
  ASSERT_NE(picture.Metafile(), nullptr);
  EXPECT_EQ(copy.GetKind(), TPicture::Kind::Icon);
}

TEST(Icon, DecodesColourAndTransparency) {
  const std::string file32 = IconFile(IconDib32());
  const TIcon icon =
      TIcon::Read(std::span(reinterpret_cast<const std::uint8_t*>(file32.data()), file32.size()));
  ASSERT_EQ(icon.Width(), 2);
  ASSERT_EQ(icon.Height(), 2);
  std::vector<std::uint32_t> out(4, 0xFF112233u);
  icon.CopyToRgb32(2, 2, out.data(), 2);
  EXPECT_EQ(out, (std::vector<std::uint32_t>{0xFF112233u, 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu}));

  const std::string file1 = IconFile(IconDib1());
  const TIcon mono =
      TIcon::Read(std::span(reinterpret_cast<const std::uint8_t*>(file1.data()), file1.size()));
  std::vector<std::uint32_t> row(2, 0xFF445566u);
  mono.CopyToRgb32(5, 5, row.data(), 2);
  EXPECT_EQ(row, (std::vector<std::uint32_t>{0xFF445566u, 0xFFFFFFFFu}));
}

TEST(Icon, PngImageKeepsItsSizeAndItsBytesForTheShells) {
  const std::string png = Png(48, 32);
  const std::string file = IconFile(png);
  const TIcon icon =
      TIcon::Read(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()));
  EXPECT_EQ(icon.Width(), 48);
  EXPECT_EQ(icon.Height(), 32);
  EXPECT_FALSE(icon.HasPixels());
  EXPECT_TRUE(icon.IsPng());
  EXPECT_EQ(std::string(icon.ImageBytes().begin(), icon.ImageBytes().end()), png);
}

TEST(Icon, MalformedFilesAreRefused) {
  std::string wrongType = IconFile(IconDib32());
  wrongType[2] = 2;  // a cursor
  std::string noImages = IconFile(IconDib32());
  noImages[4] = 0;
  std::string pastTheEnd = IconFile(IconDib32());
  pastTheEnd[18] = 0x7F;  // offset far beyond the file
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"empty", ""},
      {"short directory", IconFile(IconDib32()).substr(0, 10)},
      {"wrong type", wrongType},
      {"no images", noImages},
      {"image past the end", pastTheEnd},
      {"cut pixels", IconFile(IconDib32()).substr(0, 22 + 50)},
      {"PNG of size 0", IconFile(Png(0, 16))},
      {"PNG too large", IconFile(Png(100000, 16))},
      {"PNG without IHDR", IconFile(Png(16, 16).substr(0, 20))},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    try {
      TIcon::Read(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
      ADD_FAILURE() << "no failure";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), kInvalidIconMessage);
    }
  }
}

TEST(Metafile, KeepsTheDeclaredSize) {
  struct Case {
    const char* name;
    std::string bytes;
    int width;
    int height;
    bool enhanced;
    std::size_t recordsOffset = 0;  // where a WMF's records start
  };
  const std::vector<Case> cases = {
      {"placeable at 1440 units per inch", PlaceableWmf(960, 480, 1440) + PlainWmfHeader(), 64, 32,
       false, 22},
      {"placeable at 96 units per inch", PlaceableWmf(300, 200, 96) + PlainWmfHeader(), 300, 200,
       false, 22},
      {"plain WMF", PlainWmfHeader(), 0, 0, false},
      {"EMF frame of one inch by half an inch", Emf(2540, 1270), 96, 48, true},
      {"EMF without a frame uses its bounds", Emf(0, 0), 100, 50, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TMetafile meta = TMetafile::Read(
        std::span(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size()));
    EXPECT_EQ(meta.Width(), c.width);
    EXPECT_EQ(meta.Height(), c.height);
    EXPECT_EQ(meta.Enhanced(), c.enhanced);
    // The shells play the file itself.
    EXPECT_EQ(std::string(meta.Bytes().begin(), meta.Bytes().end()), c.bytes);
    EXPECT_EQ(meta.RecordsOffset(), c.recordsOffset);
  }
}

TEST(Metafile, MalformedFilesAreRefused) {
  std::string badSum = PlaceableWmf(10, 10, 96) + PlainWmfHeader();
  badSum[20] ^= 1;
  std::string badSignature = Emf(100, 100);
  badSignature[40] = 'X';
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"empty", ""},
      {"three bytes", "abc"},
      {"placeable with a wrong checksum", badSum},
      {"placeable with 0 units per inch", PlaceableWmf(10, 10, 0) + PlainWmfHeader()},
      {"placeable without its WMF header", PlaceableWmf(10, 10, 96)},
      {"EMF with a wrong signature", badSignature},
      {"EMF cut short", Emf(100, 100).substr(0, 60)},
      {"WMF of type 3", std::string("\x03\x00\x09\x00", 4) + std::string(14, '\0')},
      {"a bitmap", kGoodBmp},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    try {
      TMetafile::Read(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
      ADD_FAILURE() << "no failure";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), kInvalidMetafileMessage);
    }
  }
}

}  // namespace
}  // namespace ormakin
