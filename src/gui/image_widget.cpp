#include "gui/image_widget.h"

#include <QByteArray>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/picture/icon.h"
#include "gui/metafile_image.h"

namespace ormakin {

namespace {

// Copies the top-left part of a graphic that offers CopyToRgb32 (a bitmap or
// an icon) into an image of at most `limit`, over `ground` (what an icon's
// transparent pixels show), and returns it.
template <typename Graphic>
QImage ToImage(const Graphic& graphic, const QSize& limit, const QColor& ground) {
  const int width = std::min(graphic.Width(), limit.width());
  const int height = std::min(graphic.Height(), limit.height());
  if (width <= 0 || height <= 0) return {};
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(ground);
  graphic.CopyToRgb32(width, height, reinterpret_cast<std::uint32_t*>(image.bits()),
                      static_cast<std::size_t>(image.bytesPerLine()) / sizeof(std::uint32_t));
  return image;
}

// An icon over `ground`, at most `limit`: a DIB image from its own pixels, a
// PNG image decoded here and blended by its alpha. A PNG that cannot be
// decoded shows the ground over the icon's size.
QImage IconImage(const TIcon& icon, const QSize& limit, const QColor& ground) {
  if (!icon.IsPng()) return ToImage(icon, limit, ground);
  const int width = std::min(icon.Width(), limit.width());
  const int height = std::min(icon.Height(), limit.height());
  if (width <= 0 || height <= 0) return {};
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(ground);
  const std::vector<std::uint8_t>& bytes = icon.ImageBytes();
  const QImage png =
      QImage::fromData(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<qsizetype>(bytes.size())),
                       "PNG");
  if (!png.isNull()) {
    QPainter painter(&image);
    painter.drawImage(0, 0, png);
  }
  return image;
}

}  // namespace

ImageWidget::ImageWidget(const TImage& image, QWidget* parent) : QWidget(parent), image_(image) {
  setObjectName(QStringLiteral("Image1"));
  setFixedSize(image.Width, image.Height);
  // Every pixel is painted here, so Qt need not clear the background first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void ImageWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.setClipRegion(event->region());
  // Only the pixels up to the damaged area's far corner are converted.
  const QRect damaged = event->rect() & rect();
  const QSize limit(damaged.right() + 1, damaged.bottom() + 1);

  const QColor background = palette().color(QPalette::Button);
  QImage shown;
  const TPicture& picture = image_.Picture;
  switch (picture.GetKind()) {
    case TPicture::Kind::Bitmap:
      shown = ToImage(*picture.Bitmap(), limit, background);
      break;
    case TPicture::Kind::Icon:
      shown = IconImage(*picture.Icon(), limit, background);
      break;
    case TPicture::Kind::Metafile:
      shown = metafiles_.Render(picture.SharedMetafile(), limit, background);
      break;
    case TPicture::Kind::None:
      break;
  }

  if (picture.GetKind() != TPicture::Kind::Metafile) metafiles_.Release();

  // The picture covers its own size only: the rest shows the background.
  const QRegion uncovered = QRegion(rect()) - QRegion(0, 0, shown.width(), shown.height());
  for (const QRect& strip : uncovered) painter.fillRect(strip, background);
  if (!shown.isNull()) painter.drawImage(0, 0, shown);
}

}  // namespace ormakin
