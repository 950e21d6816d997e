// Renders a metafile for the picture control: an enhanced metafile through
// a conversion to SVG, which Qt draws; a WMF has no renderer here.
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <memory>

#include "core/picture/metafile.h"

class QSvgRenderer;

namespace ormakin {

// Draws one metafile after another, converting each to SVG once: repaints
// of the same metafile reuse the conversion.
class MetafileRenderer {
 public:
  MetafileRenderer();
  ~MetafileRenderer();
  MetafileRenderer(const MetafileRenderer&) = delete;
  MetafileRenderer& operator=(const MetafileRenderer&) = delete;

  // The metafile at its own size over `ground`, at most `limit` of it (the
  // part the control shows). An enhanced metafile is drawn into that size; a
  // WMF, or an enhanced one that cannot be converted, shows only the ground.
  // A null image when the metafile has no size.
  QImage Render(const std::shared_ptr<const TMetafile>& meta, const QSize& limit,
                const QColor& ground);
  // Lets go of the metafile and its conversion.
  void Release();
  // How many conversions were made so far.
  int Conversions() const { return conversions_; }

 private:
  std::shared_ptr<const TMetafile> meta_;  // held, so that it cannot be mistaken for another
  std::unique_ptr<QSvgRenderer> svg_;      // null for a WMF or a refused conversion
  int conversions_ = 0;
};

}  // namespace ormakin
