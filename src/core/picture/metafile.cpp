#include "core/picture/metafile.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "core/base/errors.h"
#include "core/picture/byte_reader.h"

namespace ormakin {

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::uint32_t kEmfSignature = 0x464D4520;  // the bytes " EMF"
constexpr std::uint64_t kPlaceableHeaderSize = 22;
constexpr std::uint64_t kWmfHeaderSize = 18;
constexpr std::uint64_t kEmfHeaderMinimum = 88;
constexpr std::int64_t kHundredthsMmPerInch = 2540;

[[noreturn]] void Invalid() {
  throw EInvalidGraphic(kInvalidMetafileMessage);
}

// A size in some unit converted to screen pixels, rounded, never negative.
int ToPixels(std::int64_t extent, std::int64_t unitsPerInch) {
  const std::int64_t pixels =
      (std::max<std::int64_t>(extent, 0) * TMetafile::kPixelsPerInch + unitsPerInch / 2) /
      unitsPerInch;
  return static_cast<int>(std::min<std::int64_t>(pixels, std::numeric_limits<int>::max()));
}

// The standard WMF header: type 1 (in memory) or 2 (on disk), 9 words long.
void CheckWmfHeader(const ByteSource& source, std::uint64_t offset) {
  const auto bytes = source.Fetch(offset, kWmfHeaderSize);
  ByteReader in(bytes);
  const std::uint16_t type = in.U16();
  const std::uint16_t headerWords = in.U16();
  if ((type != 1 && type != 2) || headerWords != 9) {
    Invalid();
  }
}

}  // namespace

TMetafile TMetafile::LoadFromFile(const std::string& fileName) {
  const FileSource source(fileName);
  return Read(source);
}

TMetafile TMetafile::Read(std::span<const std::uint8_t> bytes) {
  const MemorySource source(bytes);
  return Read(source);
}

TMetafile TMetafile::Read(const ByteSource& source) {
  TMetafile meta;
  if (source.Size() > kMaxBytes) {
    Invalid();
  }
  try {
    meta = ReadHeader(source);
    meta.bytes_ = source.Fetch(0, source.Size());
  } catch (const EReadError&) {
    Invalid();
  }
  return meta;
}

TMetafile TMetafile::ReadHeader(const ByteSource& source) {
  TMetafile meta;
  const auto first = source.Fetch(0, 4);
  const std::uint32_t key = ByteReader(first).U32();
  if (key == kPlaceableKey) {
    // Placeable WMF: a bounding box in logical units and the units per inch,
    // guarded by the XOR of its first ten words.
    const auto bytes = source.Fetch(0, kPlaceableHeaderSize);
    ByteReader in(bytes);
    std::uint16_t checksum = 0;
    for (int i = 0; i < 10; ++i) {
      checksum = static_cast<std::uint16_t>(checksum ^ in.U16());
    }
    if (checksum != in.U16()) {
      Invalid();
    }
    in.Seek(6);
    const std::int16_t left = in.I16();
    const std::int16_t top = in.I16();
    const std::int16_t right = in.I16();
    const std::int16_t bottom = in.I16();
    const std::uint16_t unitsPerInch = in.U16();
    if (unitsPerInch == 0) {
      Invalid();
    }
    CheckWmfHeader(source, kPlaceableHeaderSize);
    meta.width_ = ToPixels(std::int64_t{right} - left, unitsPerInch);
    meta.height_ = ToPixels(std::int64_t{bottom} - top, unitsPerInch);
    meta.box_ = {left, top, right, bottom};
    meta.recordsOffset_ = kPlaceableHeaderSize;
    return meta;
  }
  if (key == 1) {
    // EMF: record type 1, then its size, bounds (device pixels, inclusive),
    // frame (0.01 mm) and the signature at offset 40.
    const auto bytes = source.Fetch(0, kEmfHeaderMinimum);
    ByteReader in(bytes);
    in.Skip(4);
    const std::uint32_t recordSize = in.U32();
    std::int64_t bounds[4];
    std::int64_t frame[4];
    for (auto& v : bounds) {
      v = in.I32();
    }
    for (auto& v : frame) {
      v = in.I32();
    }
    if (in.U32() != kEmfSignature || recordSize < kEmfHeaderMinimum || recordSize > source.Size()) {
      Invalid();
    }
    meta.enhanced_ = true;
    if (frame[2] > frame[0] && frame[3] > frame[1]) {
      meta.width_ = ToPixels(frame[2] - frame[0], kHundredthsMmPerInch);
      meta.height_ = ToPixels(frame[3] - frame[1], kHundredthsMmPerInch);
    } else {
      meta.width_ = ToPixels(bounds[2] - bounds[0] + 1, TMetafile::kPixelsPerInch);
      meta.height_ = ToPixels(bounds[3] - bounds[1] + 1, TMetafile::kPixelsPerInch);
    }
    return meta;
  }
  // A plain WMF declares no size of its own.
  CheckWmfHeader(source, 0);
  return meta;
}

}  // namespace ormakin
