#include "core/picture/bmp_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "core/base/errors.h"
#include "core/picture/byte_reader.h"
#include "core/picture/pixel_store.h"

namespace ormakin {

namespace {

constexpr std::uint16_t kMagic = 0x4D42;  // the bytes "BM"
constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
// The fields that this reader knows end at the masks of a V5 header; a
// longer header is skipped past its known part.
constexpr std::uint32_t kLongestKnownHeader = 124;
// Below this an info header cannot even hold width, height, planes and depth.
constexpr std::uint32_t kShortestInfoHeader = 16;

enum Compression : std::uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,
};

struct FileHeader {
  std::uint16_t magic = 0;
  std::uint32_t pixelOffset = 0;  // where the file says its pixels start
};

// The fields of any DIB header, as a 40-byte info header holds them; a core
// header fills width, height, planes and depth and leaves the rest 0.
struct DibHeader {
  std::uint32_t size = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative: the top row comes first
  std::uint16_t planes = 0;
  std::uint16_t bitsPerPixel = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t imageSize = 0;  // bytes of pixel data; 0: as many as the rows need
  std::uint32_t colorsUsed = 0;
  ColorMasks masks;  // only for bit fields
  bool core = false;
};

[[noreturn]] void Invalid() {
  throw EInvalidGraphic(kInvalidBitmapMessage);
}

class BmpDecoder {
 public:
  explicit BmpDecoder(const ByteSource& source) : source_(source), size_(source.Size()) {}

  TBitmap Decode() {
    if (size_ == 0) {
      return TBitmap();
    }
    ReadFileHeader();
    ReadDibHeader();
    ReadMasks();
    ReadColorTable();
    CheckFormat();
    return ReadPixels();
  }

 private:
  void ReadFileHeader() {
    if (size_ < kFileHeaderSize) {
      throw EReadError();
    }
    const auto bytes = source_.Fetch(0, kFileHeaderSize);
    ByteReader in(bytes);
    file_.magic = in.U16();
    in.Skip(8);  // file size and two reserved words: not used
    file_.pixelOffset = in.U32();
    if (file_.magic != kMagic) {
      Invalid();
    }
    pos_ = kFileHeaderSize;
  }

  void ReadDibHeader() {
    {
      const auto bytes = source_.Fetch(pos_, 4);
      dib_.size = ByteReader(bytes).U32();
    }
    if (dib_.size == kCoreHeaderSize) {
      const auto bytes = source_.Fetch(pos_, kCoreHeaderSize);
      ByteReader in(bytes);
      in.Skip(4);
      dib_.core = true;
      dib_.width = in.U16();
      dib_.height = in.U16();
      dib_.planes = in.U16();
      dib_.bitsPerPixel = in.U16();
    } else {
      if (dib_.size > size_ - pos_) {
        throw EReadError();  // the file ends inside its header
      }
      if (dib_.size < kShortestInfoHeader) {
        Invalid();
      }
      // Fields beyond a short header read as 0.
      const std::uint32_t known = std::min(dib_.size, kLongestKnownHeader);
      std::array<std::uint8_t, kLongestKnownHeader> header{};
      source_.ReadAt(pos_, std::span(header).first(known));
      ByteReader in(header);
      in.Skip(4);
      dib_.width = in.I32();
      dib_.height = in.I32();
      dib_.planes = in.U16();
      dib_.bitsPerPixel = in.U16();
      dib_.compression = in.U32();
      dib_.imageSize = in.U32();
      in.Skip(8);  // resolution: not used
      dib_.colorsUsed = in.U32();
      in.Skip(4);  // colours important: not used
      if (dib_.size > kInfoHeaderSize) {
        // V2 and later headers carry their masks at offsets 40, 44, 48; a
        // mask that a short header leaves out is 0.
        dib_.masks.red = in.U32();
        dib_.masks.green = in.U32();
        dib_.masks.blue = in.U32();
      }
    }
    pos_ += dib_.size;
    if (dib_.planes != 1) {
      Invalid();
    }
  }

  void ReadMasks() {
    const bool bitFieldDepth = dib_.bitsPerPixel == 16 || dib_.bitsPerPixel == 32;
    if (dib_.size != kInfoHeaderSize || !bitFieldDepth || dib_.compression != kBitFields) {
      return;
    }
    const auto bytes = source_.Fetch(pos_, 12);
    ByteReader in(bytes);
    dib_.masks.red = in.U32();
    dib_.masks.green = in.U32();
    dib_.masks.blue = in.U32();
    pos_ += 12;
  }

  void ReadColorTable() {
    // Without a count, only the depths that index a table have one; any other
    // depth, supported or not, has none, so a file of an unsupported depth is
    // refused for its depth and never for a table it does not have.
    std::uint64_t count = dib_.colorsUsed;
    if (count == 0 &&
        (dib_.bitsPerPixel == 1 || dib_.bitsPerPixel == 4 || dib_.bitsPerPixel == 8)) {
      count = std::uint64_t{1} << dib_.bitsPerPixel;
    }
    const std::uint64_t entrySize = dib_.core ? 3 : 4;
    const std::uint64_t tableBytes = count * entrySize;  // < 2^35: no overflow
    if (tableBytes > size_ - pos_) {
      throw EReadError();  // the file ends inside its colour table
    }
    // The table holds at most 256 entries; any beyond are skipped unread.
    paletteCount_ = static_cast<int>(std::min<std::uint64_t>(count, 256));
    const auto bytes = source_.Fetch(pos_, static_cast<std::uint64_t>(paletteCount_) * entrySize);
    ByteReader in(bytes);
    for (int i = 0; i < paletteCount_; ++i) {
      const std::uint32_t blue = in.U8();
      const std::uint32_t green = in.U8();
      const std::uint32_t red = in.U8();
      if (!dib_.core) {
        in.Skip(1);
      }
      palette_[static_cast<std::size_t>(i)] = red | (green << 8) | (blue << 16);
    }
    pos_ += tableBytes;
  }

  // Refuses what no store can be made for, before anything is allocated.
  void CheckFormat() {
    if (dib_.width <= 0 || dib_.height == 0) {
      Invalid();
    }
    const int bpp = dib_.bitsPerPixel;
    switch (dib_.compression) {
      case kRgb:
        if (!PixelStore::IsSupportedDepth(bpp)) {
          Invalid();
        }
        break;
      case kBitFields:
        if (bpp != 16 && bpp != 32) {
          Invalid();
        }
        break;
      case kRle8:
        if (bpp != 8) {
          Invalid();
        }
        break;
      case kRle4:
        if (bpp != 4) {
          Invalid();
        }
        break;
      default:
        Invalid();
    }
    rle_ = dib_.compression == kRle8 || dib_.compression == kRle4;
    absHeight_ = dib_.height < 0 ? -static_cast<std::int64_t>(dib_.height) : dib_.height;
    const std::uint64_t rowLength = PixelStore::RowLengthFor(dib_.width, rle_ ? 32 : bpp);
    if (static_cast<std::uint64_t>(absHeight_) > PixelStore::kMaxBytes / rowLength) {
      Invalid();
    }
  }

  TBitmap ReadPixels() {
    // The pixels start where the file header says when that lies past what
    // has been read and inside the file; otherwise right after the table.
    const std::uint64_t start =
        file_.pixelOffset >= pos_ && file_.pixelOffset < size_ ? file_.pixelOffset : pos_;
    const std::uint64_t available = size_ - start;
    const RowOrder order = dib_.height < 0 ? RowOrder::TopDown : RowOrder::BottomUp;
    const int width = dib_.width;
    const int height = static_cast<int>(absHeight_);
    const std::uint64_t expected = dib_.imageSize != 0
                                       ? dib_.imageSize
                                       : PixelStore::RowLengthFor(width, dib_.bitsPerPixel) *
                                             static_cast<std::uint64_t>(height);

    if (rle_) {
      auto store = std::make_shared<PixelStore>(width, height, 32, order);
      const auto data = source_.Fetch(start, std::min(expected, available));
      DecodeRle(data, *store);
      return TBitmap(std::move(store));
    }

    const std::uint64_t storeSize =
        PixelStore::RowLengthFor(width, dib_.bitsPerPixel) * static_cast<std::uint64_t>(height);
    const std::uint64_t count = std::min({expected, available, storeSize});
    // Pixels the data does not reach stay black, as in a new store. When the
    // data fills most of the store only the rest is zeroed; otherwise the
    // store starts zeroed, which costs nothing for a large one.
    const bool mostlyRead = count >= storeSize / 2;
    auto store = std::make_shared<PixelStore>(width, height, dib_.bitsPerPixel, order,
                                              mostlyRead ? StoreInit::Overwrite : StoreInit::Zero);
    source_.ReadAt(start, std::span(store->Data(), static_cast<std::size_t>(count)));
    if (mostlyRead) {
      std::memset(store->Data() + count, 0, store->Size() - static_cast<std::size_t>(count));
    }
    for (int i = 0; i < paletteCount_; ++i) {
      store->SetPaletteEntry(i, palette_[static_cast<std::size_t>(i)]);
    }
    store->SetPaletteCount(paletteCount_);
    if (dib_.compression == kBitFields) {
      store->SetMasks(dib_.masks);
    }
    return TBitmap(std::move(store));
  }

  // Decodes RLE8 or RLE4 data into a 32-bit store whose rows are in the
  // file's order. Runs and absolute runs that overrun a row are cut at its
  // end; data that ends early, or moves past the last row, ends the decoding.
  // Every step consumes input, so the loop always ends.
  void DecodeRle(std::span<const std::uint8_t> data, PixelStore& store) const {
    const bool rle4 = dib_.compression == kRle4;
    std::array<std::uint32_t, 256> raw{};
    for (std::size_t i = 0; i < raw.size(); ++i) {
      // Indices beyond the colour table are black: its unused entries are 0.
      raw[i] = store.Encode(palette_[i]);
    }
    const std::int64_t width = store.Width();
    const std::int64_t height = store.Height();
    std::uint8_t* base = store.Data();
    const std::size_t rowLength = store.RowLength();
    std::int64_t x = 0;
    std::int64_t y = 0;
    auto put = [&](std::uint32_t index) {
      if (x < width) {
        std::uint8_t* p =
            base + static_cast<std::size_t>(y) * rowLength + static_cast<std::size_t>(x) * 4;
        const std::uint32_t v = raw[index & 0xFFu];
        p[0] = static_cast<std::uint8_t>(v);
        p[1] = static_cast<std::uint8_t>(v >> 8);
        p[2] = static_cast<std::uint8_t>(v >> 16);
        p[3] = static_cast<std::uint8_t>(v >> 24);
      }
      ++x;
    };

    std::size_t pos = 0;
    const std::size_t n = data.size();
    while (y < height && pos + 2 <= n) {
      const std::uint32_t count = data[pos];
      const std::uint32_t value = data[pos + 1];
      pos += 2;
      if (count > 0) {
        // An encoded run: one index, or two alternating nibbles.
        for (std::uint32_t i = 0; i < count && x < width; ++i) {
          put(rle4 ? ((i & 1) == 0 ? value >> 4 : value & 0xFu) : value);
        }
        continue;
      }
      switch (value) {
        case 0:  // end of line
          x = 0;
          ++y;
          break;
        case 1:  // end of bitmap
          return;
        case 2:  // delta: move right and down
          if (pos + 2 > n) {
            return;
          }
          x += data[pos];
          y += data[pos + 1];
          pos += 2;
          break;
        default: {  // an absolute run of `value` pixels, padded to 16 bits
          const std::size_t bytes = rle4 ? (value + 1) / 2 : value;
          for (std::uint32_t i = 0; i < value && x < width; ++i) {
            const std::size_t at = pos + (rle4 ? i / 2 : i);
            if (at >= n) {
              return;
            }
            put(rle4 ? ((i & 1) == 0 ? data[at] >> 4 : data[at] & 0xFu) : data[at]);
          }
          pos += bytes + (bytes & 1);
          break;
        }
      }
    }
  }

  const ByteSource& source_;
  const std::uint64_t size_;
  std::uint64_t pos_ = 0;  // the end of what the stages have read
  FileHeader file_;
  DibHeader dib_;
  std::array<TColor, 256> palette_{};
  int paletteCount_ = 0;
  bool rle_ = false;
  std::int64_t absHeight_ = 0;
};

}  // namespace

TBitmap ReadBitmap(const ByteSource& source) {
  return BmpDecoder(source).Decode();
}

TBitmap ReadBitmap(std::span<const std::uint8_t> bytes) {
  const MemorySource source(bytes);
  return ReadBitmap(source);
}

TBitmap ReadBitmapFile(const std::string& fileName) {
  const FileSource source(fileName);
  return ReadBitmap(source);
}

}  // namespace ormakin
