// ByteReader: reads little-endian numbers from a span of bytes, checking the
// remaining length before every read, so that a short file can never lead to
// a read past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/base/errors.h"

namespace ormakin {

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t Position() const { return pos_; }
  std::size_t Remaining() const { return bytes_.size() - pos_; }
  bool Has(std::size_t count) const { return count <= Remaining(); }

  // Each read raises EReadError when fewer bytes remain than it needs.
  std::uint8_t U8() { return Take(1)[0]; }
  std::uint16_t U16() {
    const auto b = Take(2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
  }
  std::uint32_t U32() {
    const auto b = Take(4);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  }
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  std::span<const std::uint8_t> Bytes(std::size_t count) { return Take(count); }
  void Skip(std::size_t count) { Take(count); }
  // Moves to an absolute position; raises EReadError beyond the end.
  void Seek(std::size_t position) {
    if (position > bytes_.size()) {
      throw EReadError();
    }
    pos_ = position;
  }

 private:
  std::span<const std::uint8_t> Take(std::size_t count) {
    if (!Has(count)) {
      throw EReadError();
    }
    const auto part = bytes_.subspan(pos_, count);
    pos_ += count;
    return part;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

}  // namespace ormakin
