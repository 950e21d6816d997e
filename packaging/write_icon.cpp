// Writes the program's icon as a PNG file, for the desktop entry of the
// handed-out folder: the same drawing the window uses.
//   write_icon FILE
#include <QApplication>
#include <QPixmap>
#include <cstdio>

#include "gui/app_icon.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fputs("usage: write_icon FILE\n", stderr);
    return 2;
  }
  // No screen is needed to draw into a pixmap.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (!ormakin::AppIcon().pixmap(48, 48).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "write_icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
