// The page's program: the platform and the main window as in the other
// shells, the menu table handed to the page, the car's rules handed to the
// panel, then the message loop until the program ends.
#include "core/car/run_tally.h"
#include "core/window/main_menu.h"
#include "core/window/trace_map.h"
#include "web/page_imports.h"
#include "web/web_platform.h"

int main() {
  using namespace ormakin;
  page_prepare(web::kSettingsPath, web::kCoursesDir);
  for (const MenuEntry& entry : kMainMenu) {
    page_menu_entry(static_cast<int>(entry.kind), entry.name, entry.caption);
  }
  {
    web::WebPlatform platform;
    TTraceMap traceMap(platform, web::kSettingsPath);
    TraceMap = &traceMap;
    page_set_filter(traceMap.OpenDialog1.Filter.c_str());
    // The status line counts the run from the course's opening; the panel's
    // stop tick ends a run there.
    RunTally tally;
    web::StopAtTick stop(traceMap, tally);
    // The panel hears of each tick before the stops, so that a stop shows
    // the tick it came at.
    web::RunPanel panel(traceMap);
    traceMap.ObserveRuns(tally);
    traceMap.ObserveRuns(panel);
    traceMap.ObserveRuns(stop);
    platform.Attach(traceMap, tally, stop, panel);
    traceMap.Create();
    page_panel_rules(panel.RulesJson().c_str());
    page_car_built(traceMap.Car ? 1 : 0);
    platform.RunUntilTerminated();
    TraceMap = nullptr;
  }
  page_ended();
  return 0;
}
