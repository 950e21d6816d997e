// TPicture holds at most one graphic: nothing, a bitmap, an icon or a
// metafile. TImage is a picture with a size of its own.
#pragma once

#include <memory>
#include <string>

#include "core/picture/bitmap.h"

namespace ormakin {

class TIcon;
class TMetafile;

class TPicture {
 public:
  enum class Kind { None, Bitmap, Icon, Metafile };

  TPicture();
  ~TPicture();
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  Kind GetKind() const;
  // The graphic, or nullptr when the picture holds another kind.
  TBitmap* Bitmap();
  const TBitmap* Bitmap() const;
  const TIcon* Icon() const;
  const TMetafile* Metafile() const;
  // The metafile, shared: a shell that keeps what it made of it can tell,
  // by holding it, when the picture has moved on to another.
  std::shared_ptr<const TMetafile> SharedMetafile() const;

  // Loads a file by its extension ("bmp", "ico", "wmf", "emf", any letter
  // case). On failure raises the error and keeps the graphic it had.
  void LoadFromFile(const std::string& fileName);

  // Takes a copy of the other picture's graphic (a bitmap shares its store).
  void Assign(const TPicture& other);
  void SetBitmap(const TBitmap& bitmap);
  void Clear();

 private:
  struct Graphic;
  std::unique_ptr<Graphic> graphic_;
};

// An image control: a picture and the control's own size.
class TImage {
 public:
  TImage(int width, int height) : Width(width), Height(height) {}
  int Width;
  int Height;
  TPicture Picture;
};

}  // namespace ormakin
