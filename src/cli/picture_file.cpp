#include "cli/picture_file.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

#include "cli/output_file.h"
#include "core/base/errors.h"
#include "studies/bmp_file.h"

namespace ormakin::cli {

namespace {

void RequirePixels(const TBitmap& picture, const std::string& name) {
  if (picture.Width() <= 0 || picture.Height() <= 0) {
    throw Exception("cannot write " + name + ": the picture has no pixels (" +
                    std::to_string(picture.Width()) + " x " + std::to_string(picture.Height()) +
                    ")");
  }
}

void PutBigEndian32(std::uint8_t* out, std::uint32_t value) {
  out[0] = static_cast<std::uint8_t>(value >> 24);
  out[1] = static_cast<std::uint8_t>(value >> 16);
  out[2] = static_cast<std::uint8_t>(value >> 8);
  out[3] = static_cast<std::uint8_t>(value);
}

// One PNG chunk: length, type, data, and the CRC of type and data.
void WriteChunk(OutputFile& file, const char* type, const std::uint8_t* data, std::size_t size) {
  std::array<std::uint8_t, 8> head{};
  PutBigEndian32(head.data(), static_cast<std::uint32_t>(size));
  std::copy(type, type + 4, head.begin() + 4);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, head.data() + 4, 4);
  if (size > 0) {
    crc = crc32(crc, data, static_cast<uInt>(size));
  }
  std::array<std::uint8_t, 4> tail{};
  PutBigEndian32(tail.data(), static_cast<std::uint32_t>(crc));
  file.Write(head.data(), head.size());
  file.Write(data, size);
  file.Write(tail.data(), tail.size());
}

bool EndsWithBmp(const std::string& name) {
  if (name.size() < 4) {
    return false;
  }
  std::string tail = name.substr(name.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == ".bmp";
}

}  // namespace

void PictureRowRgb(const TBitmap& picture, int y, std::vector<std::uint32_t>& scratch,
                   std::uint8_t* rgb) {
  const int width = picture.Width();
  scratch.resize(static_cast<std::size_t>(width));
  picture.Store()->RowToRgb32(y, width, scratch.data());
  for (std::uint32_t argb : scratch) {
    *rgb++ = static_cast<std::uint8_t>(argb >> 16);
    *rgb++ = static_cast<std::uint8_t>(argb >> 8);
    *rgb++ = static_cast<std::uint8_t>(argb);
  }
}

void WritePng(const TBitmap& picture, const std::string& name) {
  RequirePixels(picture, name);
  const int width = picture.Width();
  const int height = picture.Height();
  OutputFile file(name);
  static constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P',  'N',  'G',
                                                             '\r', '\n', 0x1A, '\n'};
  file.Write(kSignature.data(), kSignature.size());

  std::array<std::uint8_t, 13> header{};
  PutBigEndian32(header.data(), static_cast<std::uint32_t>(width));
  PutBigEndian32(header.data() + 4, static_cast<std::uint32_t>(height));
  header[8] = 8;  // bits per channel
  header[9] = 2;  // colour type: RGB
  // Compression, filter method and interlace: all 0.
  WriteChunk(file, "IHDR", header.data(), header.size());

  // The rows go through deflate one at a time, each with the filter byte 0,
  // and come out as IDAT chunks of at most 64 KiB: memory stays small
  // whatever the picture's size.
  z_stream z{};
  if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK) {
    throw Exception("cannot write " + name + ": the compressor cannot start");
  }
  std::vector<std::uint8_t> row(1 + 3 * static_cast<std::size_t>(width));
  std::vector<std::uint32_t> scratch;
  std::vector<std::uint8_t> chunk(65536);
  z.next_out = chunk.data();
  z.avail_out = static_cast<uInt>(chunk.size());
  auto drain = [&](int flush) {
    int status = Z_OK;
    do {
      status = deflate(&z, flush);
      if (z.avail_out == 0 || (flush == Z_FINISH && status == Z_STREAM_END)) {
        const std::size_t used = chunk.size() - z.avail_out;
        if (used > 0) {
          WriteChunk(file, "IDAT", chunk.data(), used);
        }
        z.next_out = chunk.data();
        z.avail_out = static_cast<uInt>(chunk.size());
      }
    } while (z.avail_in > 0 || (flush == Z_FINISH && status != Z_STREAM_END));
  };
  try {
    for (int y = 0; y < height; ++y) {
      row[0] = 0;
      PictureRowRgb(picture, y, scratch, row.data() + 1);
      z.next_in = row.data();
      z.avail_in = static_cast<uInt>(row.size());
      drain(Z_NO_FLUSH);
    }
    drain(Z_FINISH);
  } catch (...) {
    deflateEnd(&z);
    throw;
  }
  deflateEnd(&z);
  WriteChunk(file, "IEND", nullptr, 0);
  file.Close();
}

void WriteBmp(const TBitmap& picture, const std::string& name) {
  // The header is checked before the file is opened: a picture that cannot
  // be written leaves no file behind.
  std::optional<OutputFile> file;
  studies::WriteBmp(picture, name, [&](const void* data, std::size_t size) {
    if (!file) file.emplace(name);
    file->Write(data, size);
  });
  file->Close();
}

void WritePicture(const TBitmap& picture, const std::string& name) {
  if (EndsWithBmp(name)) {
    WriteBmp(picture, name);
  } else {
    WritePng(picture, name);
  }
}

}  // namespace ormakin::cli
