// ImageWidget: the control that shows the current frame (the core's Image1).
#pragma once

#include <QWidget>

#include "core/picture/picture.h"
#include "gui/metafile_image.h"

namespace ormakin {

class ImageWidget : public QWidget {
  Q_OBJECT

 public:
  // Shows `image`'s picture, which must outlive the widget. The widget takes
  // the image's size (500 x 400 pixels) and the object name "Image1".
  explicit ImageWidget(const TImage& image, QWidget* parent = nullptr);

 protected:
  // Paints the picture 1:1 from the top-left corner, clipped to the widget:
  // a bitmap, an icon (also one stored as PNG) or a metafile at its own size
  // (a WMF as an empty area: no renderer for those is at hand here). What
  // the picture leaves uncovered shows the window's button-face colour.
  void paintEvent(QPaintEvent* event) override;

 public:
  // How many metafiles were converted for painting (one per file shown).
  int MetafileConversions() const { return metafiles_.Conversions(); }

 private:
  const TImage& image_;
  MetafileRenderer metafiles_;
};

}  // namespace ormakin
