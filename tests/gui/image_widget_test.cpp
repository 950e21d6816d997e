// What the picture control paints for each kind of picture and size.
#include "gui/image_widget.h"

#include <QBuffer>
#include <QImage>
#include <QtTest>
#include <cstdint>
#include <string>

#include "core/draw/canvas.h"
#include "core/picture/picture.h"
#include "support/temp_dir.h"

namespace {

// A bitmap of `size`, white, with a 2 x 2 red square at each corner so that
// the painted part can be told from the clipped one.
ormakin::TBitmap MarkedBitmap(QSize size) {
  ormakin::TBitmap bitmap(size.width(), size.height(), ormakin::clWhite);
  ormakin::TCanvas canvas(bitmap);
  canvas.SetBrushColor(ormakin::clRed);
  const int w = size.width();
  const int h = size.height();
  canvas.FillRect({0, 0, 2, 2});
  canvas.FillRect({w - 2, 0, w, 2});
  canvas.FillRect({0, h - 2, 2, h});
  canvas.FillRect({w - 2, h - 2, w, h});
  return bitmap;
}

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// An icon file whose one 2 x 2 entry holds `image` (a DIB or a PNG).
std::string IconFile(const std::string& image) {
  std::string file;
  for (const std::uint32_t field : {0u, 1u, 1u}) PutLittleEndian(file, field, 2);
  file += std::string("\x02\x02\x00\x00", 4);  // 2 x 2, no palette
  PutLittleEndian(file, 1, 2);
  PutLittleEndian(file, 32, 2);
  PutLittleEndian(file, static_cast<std::uint32_t>(image.size()), 4);
  PutLittleEndian(file, 22, 4);
  return file + image;
}

// An icon file of one 2 x 2 image at 32 bits per pixel: top row transparent,
// then opaque red; bottom row opaque green, then opaque blue.
std::string TwoByTwoIcon() {
  std::string image;
  PutLittleEndian(image, 40, 4);  // BITMAPINFOHEADER
  PutLittleEndian(image, 2, 4);
  PutLittleEndian(image, 4, 4);  // colour rows and mask rows
  PutLittleEndian(image, 1, 2);
  PutLittleEndian(image, 32, 2);
  image += std::string(24, '\0');
  for (const std::uint32_t argb : {0xFF00FF00u, 0xFF0000FFu, 0x00000000u, 0xFFFF0000u}) {
    PutLittleEndian(image, argb, 4);  // bottom row first
  }
  image += std::string(8, '\0');  // the AND mask
  return IconFile(image);
}

// The same picture as TwoByTwoIcon, stored as PNG inside the icon file.
std::string TwoByTwoPngIcon() {
  QImage picture(2, 2, QImage::Format_ARGB32);
  picture.setPixel(0, 0, qRgba(0, 0, 0, 0));
  picture.setPixel(1, 0, qRgb(255, 0, 0));
  picture.setPixel(0, 1, qRgb(0, 255, 0));
  picture.setPixel(1, 1, qRgb(0, 0, 255));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "PNG");
  return IconFile(png.toStdString());
}

// An enhanced metafile of a red rectangle over its whole frame of 100 x 50
// pixels (at 96 pixels per inch), drawn with a red brush and no pen.
std::string RedEmf() {
  std::string records;
  for (const std::uint32_t v : {39u, 24u, 1u, 0u, 0x0000FFu, 0u}) {
    PutLittleEndian(records, v, 4);  // a solid red brush as object 1
  }
  for (const std::uint32_t v : {37u, 12u, 1u, 37u, 12u, 0x80000008u}) {
    PutLittleEndian(records, v, 4);  // select it, and the stock null pen
  }
  for (const std::uint32_t v : {43u, 24u, 0u, 0u, 100u, 50u}) PutLittleEndian(records, v, 4);
  for (const std::uint32_t v : {14u, 20u, 0u, 16u, 20u}) PutLittleEndian(records, v, 4);
  std::string header;
  for (const std::uint32_t v : {1u, 88u, 0u, 0u, 99u, 49u, 0u, 0u, 2646u, 1323u, 0x464D4520u,
                                0x10000u, static_cast<std::uint32_t>(88 + records.size()), 6u}) {
    PutLittleEndian(header, v, 4);
  }
  PutLittleEndian(header, 2, 2);  // handles
  PutLittleEndian(header, 0, 2);
  for (const std::uint32_t v : {0u, 0u, 0u, 1024u, 768u, 271u, 203u}) {
    PutLittleEndian(header, v, 4);
  }
  return header + records;
}

}  // namespace

class ImageWidgetTest : public QObject {
  Q_OBJECT

 private slots:
  void nameAndSize() {
    ormakin::TImage image(500, 400);
    ormakin::ImageWidget widget(image);
    QCOMPARE(widget.objectName(), QStringLiteral("Image1"));
    QCOMPARE(widget.size(), QSize(500, 400));
  }

  void emptyPictureShowsTheBackground() {
    ormakin::TImage image(500, 400);
    ormakin::ImageWidget widget(image);
    const QImage shown = widget.grab().toImage();
    const QRgb background = widget.palette().color(QPalette::Button).rgb();
    for (const QPoint p : {QPoint(0, 0), QPoint(250, 200), QPoint(499, 399)}) {
      QCOMPARE(shown.pixel(p), background);
    }
  }

  // The bitmap is shown 1:1 from the top-left corner; what it leaves free
  // shows the background, what lies beyond 500 x 400 is not shown.
  void bitmapIsShownAtNaturalSize_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("smaller") << QSize(300, 200);
    QTest::newRow("exact") << QSize(500, 400);
    QTest::newRow("larger") << QSize(800, 600);
    QTest::newRow("wide and low") << QSize(900, 10);
    QTest::newRow("one pixel") << QSize(1, 1);
  }
  void bitmapIsShownAtNaturalSize() {
    QFETCH(QSize, size);
    ormakin::TImage image(500, 400);
    image.Picture.SetBitmap(MarkedBitmap(size));
    ormakin::ImageWidget widget(image);
    const QImage shown = widget.grab().toImage();
    const QRgb background = widget.palette().color(QPalette::Button).rgb();
    const QRgb red = qRgb(255, 0, 0);

    const int w = std::min(size.width(), 500);
    const int h = std::min(size.height(), 400);
    QCOMPARE(shown.pixel(0, 0), red);
    // Corners of the bitmap inside the control are red; corners cut off by
    // the control's edge show the bitmap's inside, white.
    QCOMPARE(shown.pixel(w - 1, 0), size.width() <= 500 ? red : qRgb(255, 255, 255));
    QCOMPARE(shown.pixel(0, h - 1), size.height() <= 400 ? red : qRgb(255, 255, 255));
    if (w < 500) QCOMPARE(shown.pixel(w, 0), background);
    if (h < 400) QCOMPARE(shown.pixel(0, h), background);
    if (w < 500 || h < 400) QCOMPARE(shown.pixel(499, 399), background);
  }

  // An icon is shown at its own size at the top-left corner, whether its
  // image is a DIB or a PNG; its transparent pixels show the background.
  void iconIsShownAtItsOwnSize_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("DIB") << QByteArray::fromStdString(TwoByTwoIcon());
    QTest::newRow("PNG") << QByteArray::fromStdString(TwoByTwoPngIcon());
  }
  void iconIsShownAtItsOwnSize() {
    QFETCH(QByteArray, file);
    ormakin::testing::TempDir dir;
    ormakin::TImage image(500, 400);
    image.Picture.LoadFromFile(dir.WriteFile("course.ico", file.toStdString()));
    QCOMPARE(image.Picture.GetKind(), ormakin::TPicture::Kind::Icon);
    ormakin::ImageWidget widget(image);
    const QImage shown = widget.grab().toImage();
    const QRgb background = widget.palette().color(QPalette::Button).rgb();
    QCOMPARE(shown.pixel(0, 0), background);
    QCOMPARE(shown.pixel(1, 0), qRgb(255, 0, 0));
    QCOMPARE(shown.pixel(0, 1), qRgb(0, 255, 0));
    QCOMPARE(shown.pixel(1, 1), qRgb(0, 0, 255));
    QCOMPARE(shown.pixel(2, 0), background);
    QCOMPARE(shown.pixel(0, 2), background);
  }

  // An enhanced metafile is drawn at its own size at the top-left corner.
  void metafileIsShownAtItsOwnSize() {
    ormakin::testing::TempDir dir;
    ormakin::TImage image(500, 400);
    image.Picture.LoadFromFile(dir.WriteFile("course.emf", RedEmf()));
    QCOMPARE(image.Picture.GetKind(), ormakin::TPicture::Kind::Metafile);
    ormakin::ImageWidget widget(image);
    const QImage shown = widget.grab().toImage();
    const QRgb background = widget.palette().color(QPalette::Button).rgb();
    QCOMPARE(shown.pixel(1, 1), qRgb(255, 0, 0));
    QCOMPARE(shown.pixel(50, 25), qRgb(255, 0, 0));
    QCOMPARE(shown.pixel(97, 47), qRgb(255, 0, 0));
    QCOMPARE(shown.pixel(110, 25), background);
    QCOMPARE(shown.pixel(50, 60), background);
  }

  // A metafile is converted once however often it is painted; a newly
  // loaded one, even of the same file, is converted again.
  void metafileIsConvertedOncePerFile() {
    ormakin::testing::TempDir dir;
    const std::string file = dir.WriteFile("course.emf", RedEmf());
    ormakin::TImage image(500, 400);
    image.Picture.LoadFromFile(file);
    ormakin::ImageWidget widget(image);
    const QImage first = widget.grab().toImage();
    QCOMPARE(widget.grab(QRect(0, 0, 60, 30)).toImage(), first.copy(0, 0, 60, 30));
    QCOMPARE(widget.grab().toImage(), first);
    QCOMPARE(widget.MetafileConversions(), 1);
    image.Picture.LoadFromFile(file);
    QCOMPARE(widget.grab().toImage(), first);
    QCOMPARE(widget.MetafileConversions(), 2);
    image.Picture.SetBitmap(MarkedBitmap(QSize(10, 10)));
    widget.grab();
    image.Picture.LoadFromFile(file);
    QCOMPARE(widget.grab().toImage(), first);
    QCOMPARE(widget.MetafileConversions(), 3);
  }

  // A repaint of part of the control paints that part correctly.
  void partialRepaintMatchesTheWhole() {
    ormakin::TImage image(500, 400);
    image.Picture.SetBitmap(MarkedBitmap(QSize(300, 200)));
    ormakin::ImageWidget widget(image);
    const QImage whole = widget.grab().toImage();
    const QRect part(250, 150, 100, 100);
    const QImage piece = widget.grab(part).toImage();
    QCOMPARE(piece, whole.copy(part));
  }
};

QTEST_MAIN(ImageWidgetTest)
#include "image_widget_test.moc"
