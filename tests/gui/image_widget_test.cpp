// What the picture control paints for each kind of picture and size.
#include "image_widget.h"

#include <QImage>
#include <QtTest>

#include "canvas.h"
#include "picture.h"

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
