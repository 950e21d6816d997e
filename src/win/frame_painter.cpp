#include "win/frame_painter.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "core/picture/bitmap.h"
#include "core/picture/icon.h"
#include "core/picture/metafile.h"

namespace ormakin::win {

namespace {

// A 32-bit top-down DIB section selected into a memory DC, freed with the
// object.
class DibCanvas {
 public:
  DibCanvas(HDC screen, int width, int height) : dc_(CreateCompatibleDC(screen)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // negative: the first row is the top one
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dc_ != nullptr && bitmap_ != nullptr) {
      previous_ = SelectObject(dc_, bitmap_);
      pixels_ = static_cast<std::uint32_t*>(bits);
    }
  }
  ~DibCanvas() {
    if (previous_ != nullptr) SelectObject(dc_, previous_);
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  DibCanvas(const DibCanvas&) = delete;
  DibCanvas& operator=(const DibCanvas&) = delete;

  // Null when the system could not make the section.
  std::uint32_t* Pixels() const { return pixels_; }
  HDC Dc() const { return dc_; }

 private:
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  std::uint32_t* pixels_ = nullptr;
};

// The button-face colour as a 0xFFRRGGBB pixel, the ground under a picture
// that does not cover all of its own area.
std::uint32_t ButtonFacePixel() {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(face)) << 16) |
         (static_cast<std::uint32_t>(GetGValue(face)) << 8) | GetBValue(face);
}

// Draws the icon's image at its own size at (0, 0): the system makes an icon
// of the image's bytes (a DIB with its mask, or a PNG) and draws it with its
// transparency.
void DrawIconImage(HDC dc, const TIcon& icon) {
  const std::vector<std::uint8_t>& bytes = icon.ImageBytes();
  if (bytes.empty()) return;
  // The system reads the bytes only; the parameter is not const.
  HICON handle =
      CreateIconFromResourceEx(const_cast<PBYTE>(bytes.data()), static_cast<DWORD>(bytes.size()),
                               TRUE, 0x00030000, icon.Width(), icon.Height(), LR_DEFAULTCOLOR);
  if (handle == nullptr) return;
  DrawIconEx(dc, 0, 0, handle, icon.Width(), icon.Height(), 0, nullptr, DI_NORMAL);
  DestroyIcon(handle);
}

// Plays the metafile at its own size at (0, 0). An enhanced metafile is
// fitted to that rectangle by the system; a placeable WMF's bounding box is
// mapped onto it; a plain WMF declares no size and draws nothing.
void PlayMetafileImage(HDC dc, const TMetafile& meta) {
  const std::vector<std::uint8_t>& bytes = meta.Bytes();
  if (meta.Width() <= 0 || meta.Height() <= 0 || bytes.size() <= meta.RecordsOffset()) return;
  if (meta.Enhanced()) {
    HENHMETAFILE handle = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
    if (handle == nullptr) return;
    const RECT frame{0, 0, meta.Width(), meta.Height()};
    PlayEnhMetaFile(dc, handle, &frame);
    DeleteEnhMetaFile(handle);
    return;
  }
  HMETAFILE handle = SetMetaFileBitsEx(static_cast<UINT>(bytes.size() - meta.RecordsOffset()),
                                       bytes.data() + meta.RecordsOffset());
  if (handle == nullptr) return;
  const std::array<int, 4>& box = meta.Box();
  const int saved = SaveDC(dc);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowOrgEx(dc, box[0], box[1], nullptr);
  SetWindowExtEx(dc, box[2] - box[0], box[3] - box[1], nullptr);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  SetViewportExtEx(dc, meta.Width(), meta.Height(), nullptr);
  PlayMetaFile(dc, handle);
  RestoreDC(dc, saved);
  DeleteMetaFile(handle);
}

}  // namespace

void PaintImage(HDC dc, const RECT& area, const RECT& damaged, const TImage& image) {
  RECT todo{};
  if (!IntersectRect(&todo, &area, &damaged)) return;
  const int areaWidth = area.right - area.left;
  const int areaHeight = area.bottom - area.top;

  // The picture's size at most the area's; only up to the damaged part's far
  // corner is converted.
  int shownWidth = 0;
  int shownHeight = 0;
  const TPicture& picture = image.Picture;
  const TBitmap* bitmap = picture.GetKind() == TPicture::Kind::Bitmap ? picture.Bitmap() : nullptr;
  const TIcon* icon = picture.GetKind() == TPicture::Kind::Icon ? picture.Icon() : nullptr;
  const TMetafile* meta =
      picture.GetKind() == TPicture::Kind::Metafile ? picture.Metafile() : nullptr;
  if (bitmap != nullptr) {
    shownWidth = bitmap->Width();
    shownHeight = bitmap->Height();
  } else if (icon != nullptr) {
    shownWidth = icon->Width();
    shownHeight = icon->Height();
  } else if (meta != nullptr) {
    shownWidth = meta->Width();
    shownHeight = meta->Height();
  }
  shownWidth = std::clamp(std::min<int>(shownWidth, todo.right - area.left), 0, areaWidth);
  shownHeight = std::clamp(std::min<int>(shownHeight, todo.bottom - area.top), 0, areaHeight);

  const HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  if (shownWidth > 0 && shownHeight > 0) {
    DibCanvas canvas(dc, shownWidth, shownHeight);
    if (canvas.Pixels() != nullptr) {
      const auto stride = static_cast<std::size_t>(shownWidth);
      std::fill_n(canvas.Pixels(), stride * static_cast<std::size_t>(shownHeight),
                  ButtonFacePixel());
      if (bitmap != nullptr) bitmap->CopyToRgb32(shownWidth, shownHeight, canvas.Pixels(), stride);
      GdiFlush();  // the pixels were written behind GDI's back
      // An icon or a metafile is drawn by the system at its own size; the
      // canvas, of at most the area's size, clips it.
      if (icon != nullptr) DrawIconImage(canvas.Dc(), *icon);
      if (meta != nullptr) PlayMetafileImage(canvas.Dc(), *meta);
      GdiFlush();
      // One to one: the frame is shown at its natural size.
      StretchBlt(dc, area.left, area.top, shownWidth, shownHeight, canvas.Dc(), 0, 0, shownWidth,
                 shownHeight, SRCCOPY);
    } else {
      shownWidth = 0;
      shownHeight = 0;
    }
  }
  // The strips right of and below the picture, inside the area.
  const RECT right{area.left + shownWidth, area.top, area.right, area.bottom};
  const RECT below{area.left, area.top + shownHeight, area.left + shownWidth, area.bottom};
  FillRect(dc, &right, face);
  FillRect(dc, &below, face);
}

}  // namespace ormakin::win
