// The platform of the page: the browser is the window system. Page events
// (menu commands, the close) wait in the page's queue until ProcessMessages
// takes them; the pause, the boxes, the file dialog and the wait for input
// suspend the program (Asyncify) and let the browser run meanwhile.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/car/run_tally.h"
#include "core/window/platform.h"
#include "core/window/trace_map.h"
#include "web/run_panel.h"

namespace ormakin::web {

// Where the page puts the settings text and the chosen courses.
inline constexpr const char* kSettingsPath = "/ormakin.ini";
inline constexpr const char* kCoursesDir = "/courses";

// The panel's breakpoints as the page hands them: one flag per rule (state 1
// mask 0 first), then one per state 1 to 20.
inline constexpr int kBreakpointFlags = kStateCount * kMaskCount + kStateCount;

// Stops the window's run at the end of a tick: the one at which the run
// counted from the opening reaches the panel's stop tick, one that applies a
// rule with a breakpoint, or one that enters a state with a breakpoint (in
// it after the tick, not before). A Start after that runs one tick more.
class StopAtTick : public RunObserver {
 public:
  StopAtTick(TTraceMap& window, const RunTally& tally) : window_(window), tally_(tally) {}
  void SetTick(std::uint64_t tick) { tick_ = tick; }
  void SetBreakpoints(const std::array<std::uint8_t, kBreakpointFlags>& flags) { breaks_ = flags; }
  void Placed(const TCar& /*car*/) override {}
  void Ticked(const TickReport& tick) override {
    const std::int32_t entered = tick.car.State();
    if ((tick_ != 0 && tally_.Ticks() >= tick_) ||
        breaks_[static_cast<std::size_t>((tick.appliedState - 1) * kMaskCount + tick.mask)] != 0 ||
        (HasRow(entered) && entered != tick.appliedState &&
         breaks_[static_cast<std::size_t>(kStateCount * kMaskCount + entered - 1)] != 0)) {
      window_.StopRequested = true;
    }
  }

 private:
  TTraceMap& window_;
  const RunTally& tally_;
  std::uint64_t tick_ = 0;  // 0: never
  std::array<std::uint8_t, kBreakpointFlags> breaks_{};
};

class WebPlatform : public Platform {
 public:
  // The window whose commands the page's events run, the tally behind
  // the status line, the run's stops and the panel's facts.
  void Attach(TTraceMap& window, RunTally& tally, StopAtTick& stop, RunPanel& panel);

  int ShowMessageBox(const std::string& text, const std::string& caption,
                     MessageBoxFlags flags) override;
  void ProcessMessages() override;
  void Pause(int milliseconds) override;
  std::optional<std::string> ChooseFile(const std::string& filter,
                                        const std::string& lastName) override;
  void InvalidateImage() override { dirty_ = true; }
  void CancelMouseCapture() override {}
  void Terminate() override { terminated_ = true; }

  // The program's message loop: runs the page's events as they come, waiting
  // for them in between, until the program is told to end.
  void RunUntilTerminated();

 private:
  // Brings the page up to date before the program suspends: the frame when
  // it changed, the status line and the state.
  void Present();
  // Tells the page whether a run is under way, as soon as that changes: a
  // run at full speed may begin and end within one frame.
  void ReportState();
  // Runs a menu command; tells the page which course it opened, if it opened
  // one, and removes the files chosen for it.
  void RunCommand(void (TTraceMap::*handler)());
  void Paint();
  // Hands the panel's snapshot to the page when it shows the panel and it
  // changed, and the path when the page shows the overlays; during a run at
  // most every kPanelMilliseconds.
  void ReportPanel();
  std::string Status() const;
  void Suspended();

  TTraceMap* window_ = nullptr;
  RunTally* tally_ = nullptr;
  StopAtTick* stop_ = nullptr;
  RunPanel* panel_ = nullptr;
  int breakpointsVersion_ = 0;
  std::array<std::uint8_t, kBreakpointFlags> breakpoints_{};
  std::string snapshot_;
  double lastPanel_ = 0;  // when the panel was last brought up to date (ms)
  bool pathShown_ = false;
  bool dirty_ = false;
  bool terminated_ = false;
  bool started_ = false;  // the window's creation is over
  double lastYield_ = 0;  // when the program last let the browser run (ms)
  std::string status_;
  int state_ = -1;
  std::vector<std::uint32_t> pixels_;
  std::vector<std::string> chosen_;  // files chosen for the commands under way
};

}  // namespace ormakin::web
