// The program as its entry builds it, for Qt tests: the real platform, the
// core's main window behaviour over a settings file in a scratch directory,
// and the Qt window. Creation (FormCreate) is left to the test.
#pragma once

#include <QAction>
#include <QString>

#include "core/window/trace_map.h"
#include "gui/app.h"
#include "gui/image_widget.h"
#include "gui/main_window.h"
#include "support/temp_dir.h"

namespace ormakin::testing {

template <typename PlatformType>
struct BasicProgram {
  // `settings` is written as the settings file; nullptr leaves none.
  explicit BasicProgram(const char* settings = nullptr)
      : traceMap(platform, settings != nullptr ? dir.WriteFile("ormakin.ini", settings)
                                               : dir.PathOf("ormakin.ini")),
        window(traceMap) {
    TraceMap = &traceMap;
    platform.SetWindow(&window, window.Image1());
  }
  ~BasicProgram() { TraceMap = nullptr; }
  BasicProgram(const BasicProgram&) = delete;
  BasicProgram& operator=(const BasicProgram&) = delete;

  // Triggers the menu item of that object name ("Open1", "N3", ...).
  void Choose(const char* item) {
    window.template findChild<QAction*>(QString::fromUtf8(item))->trigger();
  }

  TempDir dir;
  PlatformType platform;
  TTraceMap traceMap;
  MainWindow window;
};

using Program = BasicProgram<QtPlatform>;

}  // namespace ormakin::testing
