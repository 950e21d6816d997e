// TMetafile: a picture read from a Windows metafile (.wmf, .emf). Only its
// declared size is kept: it is shown as an empty area of that size and is
// never a course.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "byte_source.h"

namespace ormakin {

class TMetafile {
 public:
  // Screen resolution that metafile sizes are converted at, pixels per inch.
  static constexpr int kPixelsPerInch = 96;

  // Reads a placeable or plain WMF file, or an EMF file, whatever the
  // extension. Raises EFOpenError when the file cannot be opened and
  // EInvalidGraphic(kInvalidMetafileMessage) when it is no metafile.
  static TMetafile LoadFromFile(const std::string& fileName);
  static TMetafile Read(const ByteSource& source);
  static TMetafile Read(std::span<const std::uint8_t> bytes);

  // The declared size in screen pixels: a placeable WMF's bounding box, an
  // EMF's frame (or its bounds when the frame is empty); 0 x 0 for a plain
  // WMF, which declares no size.
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Enhanced() const { return enhanced_; }

 private:
  int width_ = 0;
  int height_ = 0;
  bool enhanced_ = false;
};

}  // namespace ormakin
