#include "core/picture/bitmap.h"

#include <algorithm>
#include <bit>

namespace ormakin {

TBitmap::TBitmap() : store_(std::make_shared<PixelStore>(0, 0, 32, RowOrder::TopDown)) {}

TBitmap::TBitmap(int width, int height, TColor fill)
    : store_(std::make_shared<PixelStore>(std::max(width, 0), std::max(height, 0), 32,
                                          RowOrder::TopDown, StoreInit::Overwrite)) {
  const std::uint32_t raw = store_->Encode(fill);
  for (int y = 0; y < store_->Height(); ++y) {
    store_->FillSpan(y, 0, store_->Width(), raw);
  }
}

TBitmap::TBitmap(std::shared_ptr<PixelStore> store) : store_(std::move(store)) {
  if (!store_) {
    store_ = std::make_shared<PixelStore>(0, 0, 32, RowOrder::TopDown);
  }
}

TBitmap TBitmap::ViewOf(const TBitmap& source, int maxWidth, int maxHeight) {
  TBitmap view(source);
  view.viewWidth_ = std::clamp(maxWidth, 0, source.Width());
  view.viewHeight_ = std::clamp(maxHeight, 0, source.Height());
  return view;
}

int TBitmap::Width() const {
  return viewWidth_ >= 0 ? viewWidth_ : store_->Width();
}

int TBitmap::Height() const {
  return viewHeight_ >= 0 ? viewHeight_ : store_->Height();
}

TColor TBitmap::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) {
    return kNoColor;
  }
  return store_->ColorAt(x, y);
}

PixelStore& TBitmap::BeginChange() {
  if (viewWidth_ >= 0) {
    // A view draws on a full-colour copy of just the pixels it shows, so that
    // a frame costs what the window shows, not what the course holds.
    auto copy = std::make_shared<PixelStore>(viewWidth_, viewHeight_, 32, RowOrder::TopDown,
                                             StoreInit::Overwrite);
    // Each row is converted straight into the copy's row, which is 32-bit
    // aligned (the store's memory comes from malloc, its rows are whole
    // words), and then each 0xFFRRGGBB word is rewritten in place as the
    // bytes B, G, R, 0 of a 32-bit store. On a little-endian machine those
    // bytes are the word 0x00RRGGBB, so the rewrite is a mask; elsewhere the
    // bytes are stored one by one.
    for (int y = 0; y < viewHeight_; ++y) {
      std::uint8_t* row = copy->Row(y);
      auto* words = reinterpret_cast<std::uint32_t*>(row);
      store_->RowToRgb32(y, viewWidth_, words);
      const auto count = static_cast<std::size_t>(viewWidth_);
      if constexpr (std::endian::native == std::endian::little) {
        for (std::size_t x = 0; x < count; ++x) {
          words[x] &= 0x00FFFFFFu;
        }
      } else {
        for (std::size_t x = 0; x < count; ++x) {
          const std::uint32_t argb = words[x];
          row[4 * x] = static_cast<std::uint8_t>(argb);
          row[4 * x + 1] = static_cast<std::uint8_t>(argb >> 8);
          row[4 * x + 2] = static_cast<std::uint8_t>(argb >> 16);
          row[4 * x + 3] = 0;
        }
      }
    }
    store_ = std::move(copy);
    viewWidth_ = -1;
    viewHeight_ = -1;
  } else if (store_.use_count() > 1) {
    store_ = std::make_shared<PixelStore>(*store_);
  }
  return *store_;
}

long TBitmap::StoreUsers() const {
  return store_.use_count();
}

const PixelStore* TBitmap::Store() const {
  return store_.get();
}

void TBitmap::GetRow(int y, int count, TColor* out) const {
  const int n = std::min(count, Width());
  if (y < 0 || y >= Height() || n <= 0) {
    return;
  }
  store_->RowToColors(y, n, out);
}

void TBitmap::CopyToRgb32(int width, int height, std::uint32_t* out, std::size_t stride) const {
  const int w = std::min(width, Width());
  const int h = std::min(height, Height());
  if (w <= 0 || h <= 0 || out == nullptr) {
    return;
  }
  for (int y = 0; y < h; ++y) {
    store_->RowToRgb32(y, w, out + static_cast<std::size_t>(y) * stride);
  }
}

}  // namespace ormakin
