// The program's entry: the application object, the main window and the main
// loop. Every behaviour lives in TTraceMap; this only wires it to Qt.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "core/base/message_box.h"
#include "core/settings/decimal_mark.h"
#include "core/settings/ini_file.h"
#include "core/window/trace_map.h"
#include "gui/app.h"
#include "gui/image_widget.h"
#include "gui/main_window.h"

int main(int argc, char* argv[]) {
  // A Wayland client cannot place its own window, and the window opens at a
  // fixed place on the screen: on a Wayland desktop the program asks for X11
  // (XWayland) instead, falling back to Wayland where there is no X server.
  // A platform the user chose stays.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
      (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
       qgetenv("XDG_SESSION_TYPE") == "wayland")) {
    qputenv("QT_QPA_PLATFORM", "xcb;wayland");
  }
  QApplication app(argc, argv);
  // Qt's own texts (the file dialog, the buttons of a box) in the user's
  // language; the program's own texts are its own and are not translated.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale::system(), QStringLiteral("qt"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(&qtTexts);
  }
  // The application name only: a display name would be appended to every
  // window title.
  QCoreApplication::setApplicationName(QString::fromUtf8(ormakin::kApplicationTitle));
  ormakin::RefreshDecimalMark();

  ormakin::QtPlatform platform;
  ormakin::TTraceMap traceMap(platform, ormakin::SettingsFilePath());
  ormakin::TraceMap = &traceMap;  // reachable while the window is created

  ormakin::MainWindow window(traceMap);
  platform.SetWindow(&window, window.Image1());
  traceMap.Create();  // its boxes open before the window is shown
  window.show();
  QApplication::exec();

  ormakin::TraceMap = nullptr;
  return 0;
}
