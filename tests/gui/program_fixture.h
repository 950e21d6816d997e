// The program as its entry builds it, for Qt tests: the real platform, the
// core's main window behaviour over a settings file in a scratch directory,
// and the Qt window. Creation (FormCreate) is left to the test.
#pragma once

#include <string>
#include <string_view>

#include "app.h"
#include "image_widget.h"
#include "main_window.h"
#include "temp_dir.h"
#include "trace_map.h"

namespace ormakin::testing {

struct Program {
  // `settings` is written as the settings file; nullptr leaves none.
  explicit Program(const char* settings = nullptr)
      : traceMap(platform, settings != nullptr ? dir.WriteFile("ormakin.ini", settings)
                                               : dir.PathOf("ormakin.ini")),
        window(traceMap) {
    TraceMap = &traceMap;
    platform.SetWindow(&window, window.Image1());
  }
  ~Program() { TraceMap = nullptr; }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  TempDir dir;
  QtPlatform platform;
  TTraceMap traceMap;
  MainWindow window;
};

}  // namespace ormakin::testing
