// Renders a metafile for the picture control: an enhanced metafile through
// a conversion to SVG, which Qt draws; a WMF has no renderer here.
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

#include "metafile.h"

namespace ormakin {

// The metafile at its own size over `ground`, at most `limit` of it (the
// part the control shows). An enhanced metafile is drawn into that size; a
// WMF, or an enhanced one that cannot be converted, shows only the ground.
// A null image when the metafile has no size.
QImage MetafileImage(const TMetafile& meta, const QSize& limit, const QColor& ground);

}  // namespace ormakin
