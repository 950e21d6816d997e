// TIcon: a picture read from an icon (.ico) file. It is shown at its own size
// and is never a course: the program cannot probe or draw on it. It keeps the
// first image's bytes, which the shells draw, and for a DIB image its pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/picture/byte_source.h"

namespace ormakin {

class TIcon {
 public:
  // The largest icon side accepted, in pixels; larger ones are malformed.
  static constexpr int kMaxSide = 4096;

  // Reads the first image of an icon file. Raises EFOpenError when the file
  // cannot be opened and EInvalidGraphic(kInvalidIconMessage) when it is no
  // icon.
  static TIcon LoadFromFile(const std::string& fileName);
  static TIcon Read(const ByteSource& source);
  static TIcon Read(std::span<const std::uint8_t> bytes);

  // The size of the first image, in pixels.
  int Width() const { return width_; }
  int Height() const { return height_; }
  // False for an image stored as PNG: the shells decode and draw those.
  bool HasPixels() const { return !pixels_.empty(); }
  // Whether the first image is stored as PNG rather than as a DIB.
  bool IsPng() const { return png_; }
  // The bytes of the first image as the file holds them (a DIB with its
  // colour and transparency rows, or a whole PNG file), for the shells to
  // draw with the system's own icon and picture functions.
  const std::vector<std::uint8_t>& ImageBytes() const { return image_; }

  // Paints the top-left width x height pixels (clipped to the icon) over
  // `out` as 0xFFRRGGBB values, `stride` values apart: transparent pixels
  // leave `out` as it was, partly transparent ones are blended with it.
  void CopyToRgb32(int width, int height, std::uint32_t* out, std::size_t stride) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;  // 0xAARRGGBB, top row first; empty for PNG
  std::vector<std::uint8_t> image_;
  bool png_ = false;
};

}  // namespace ormakin
