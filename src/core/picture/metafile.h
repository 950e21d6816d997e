// TMetafile: a picture read from a Windows metafile (.wmf, .emf): its
// declared size and the file's bytes, which the shells play at that size. It
// is never a course.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/picture/byte_source.h"

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

  // The largest metafile kept, in bytes; larger files are malformed.
  static constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 28;

  // The whole file as read.
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  // Where the records of a WMF begin: after the 22-byte header of a
  // placeable file, else at 0. 0 for an EMF.
  std::size_t RecordsOffset() const { return recordsOffset_; }
  // A placeable WMF's bounding box in its logical units (left, top, right,
  // bottom), which maps onto Width() x Height(); all 0 otherwise.
  const std::array<int, 4>& Box() const { return box_; }

 private:
  // The size and layout from the headers; the bytes are left empty.
  static TMetafile ReadHeader(const ByteSource& source);

  int width_ = 0;
  int height_ = 0;
  bool enhanced_ = false;
  std::vector<std::uint8_t> bytes_;
  std::size_t recordsOffset_ = 0;
  std::array<int, 4> box_{};
};

}  // namespace ormakin
