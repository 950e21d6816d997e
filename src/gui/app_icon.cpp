#include "gui/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ormakin {

namespace {

// One size of the icon, drawn in a 48 x 48 design scaled to `size` pixels:
// a white ground, a black course line curving down, and the blue car on it
// with its three sensor markers (green on the line, red beside it).
QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 48.0, size / 48.0);

  painter.setPen(QPen(QColor(0x60, 0x60, 0x60), 2));
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(QRectF(2, 2, 44, 44), 6, 6);

  QPainterPath line;
  line.moveTo(10, 2);
  line.cubicTo(10, 26, 38, 22, 38, 46);
  painter.setPen(QPen(Qt::black, 5, Qt::SolidLine, Qt::FlatCap));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(line);

  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x00, 0x00, 0xFF));
  painter.translate(24, 24);
  painter.rotate(-35);
  painter.drawRect(QRectF(-7, -12, 14, 24));
  painter.setBrush(QColor(0x00, 0xC0, 0x00));
  painter.drawRect(QRectF(-2.5, 13, 5, 5));
  painter.setBrush(QColor(0xFF, 0x00, 0x00));
  painter.drawRect(QRectF(-10, 13, 5, 5));
  painter.drawRect(QRectF(5, 13, 5, 5));
  return pixmap;
}

}  // namespace

QIcon AppIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48}) icon.addPixmap(DrawIcon(size));
  return icon;
}

}  // namespace ormakin
