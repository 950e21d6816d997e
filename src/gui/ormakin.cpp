// The program's entry: the application object, the main window and the main
// loop. Every behaviour lives in TTraceMap; this only wires it to Qt.
#include <QApplication>

#include "app.h"
#include "decimal_mark.h"
#include "image_widget.h"
#include "ini_file.h"
#include "main_window.h"
#include "message_box.h"
#include "trace_map.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
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
