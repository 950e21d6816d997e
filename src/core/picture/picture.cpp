#include "core/picture/picture.h"

#include <memory>
#include <variant>

#include "core/base/errors.h"
#include "core/picture/bmp_reader.h"
#include "core/picture/icon.h"
#include "core/picture/metafile.h"

namespace ormakin {

// Icons and metafiles never change once read, so copies share them.
struct TPicture::Graphic {
  std::variant<TBitmap, std::shared_ptr<const TIcon>, std::shared_ptr<const TMetafile>> value;
};

namespace {

// The text after the last "." of the name, unless a path delimiter follows
// that "."; empty when the name has none. UTF-8 continuation bytes
// are never ASCII, so a delimiter byte is always a delimiter.
std::string ExtensionOf(const std::string& fileName) {
  for (std::size_t i = fileName.size(); i-- > 0;) {
    const char c = fileName[i];
    if (c == '.') {
      return fileName.substr(i + 1);
    }
    if (c == '\\' || c == '/' || c == ':') {
      break;
    }
  }
  return {};
}

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

}  // namespace

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

TPicture::Kind TPicture::GetKind() const {
  if (!graphic_) {
    return Kind::None;
  }
  switch (graphic_->value.index()) {
    case 0:
      return Kind::Bitmap;
    case 1:
      return Kind::Icon;
    default:
      return Kind::Metafile;
  }
}

TBitmap* TPicture::Bitmap() {
  return graphic_ ? std::get_if<TBitmap>(&graphic_->value) : nullptr;
}

const TBitmap* TPicture::Bitmap() const {
  return graphic_ ? std::get_if<TBitmap>(&graphic_->value) : nullptr;
}

const TIcon* TPicture::Icon() const {
  if (!graphic_) {
    return nullptr;
  }
  const auto* icon = std::get_if<std::shared_ptr<const TIcon>>(&graphic_->value);
  return icon != nullptr ? icon->get() : nullptr;
}

const TMetafile* TPicture::Metafile() const {
  return SharedMetafile().get();
}

std::shared_ptr<const TMetafile> TPicture::SharedMetafile() const {
  if (!graphic_) {
    return nullptr;
  }
  const auto* meta = std::get_if<std::shared_ptr<const TMetafile>>(&graphic_->value);
  return meta != nullptr ? *meta : nullptr;
}

void TPicture::LoadFromFile(const std::string& fileName) {
  const std::string extension = ExtensionOf(fileName);
  const std::string kind = AsciiLower(extension);
  // The new graphic is read completely before it replaces the old one, so a
  // failed read leaves the picture as it was.
  auto loaded = std::make_unique<Graphic>();
  if (kind == "bmp") {
    loaded->value = ReadBitmapFile(fileName);
  } else if (kind == "ico") {
    loaded->value = std::make_shared<const TIcon>(TIcon::LoadFromFile(fileName));
  } else if (kind == "wmf" || kind == "emf") {
    loaded->value = std::make_shared<const TMetafile>(TMetafile::LoadFromFile(fileName));
  } else {
    throw EInvalidGraphic(UnknownExtensionMessage(extension));
  }
  graphic_ = std::move(loaded);
}

void TPicture::Assign(const TPicture& other) {
  if (&other == this) {
    return;
  }
  graphic_ = other.graphic_ ? std::make_unique<Graphic>(*other.graphic_) : nullptr;
}

void TPicture::SetBitmap(const TBitmap& bitmap) {
  graphic_ = std::make_unique<Graphic>(Graphic{bitmap});
}

void TPicture::Clear() {
  graphic_.reset();
}

}  // namespace ormakin
