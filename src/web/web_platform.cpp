#include "web/web_platform.h"

#include <emscripten.h>

#include <array>
#include <cstdio>

#include "core/window/main_menu.h"
#include "studies/run_summary.h"
#include "web/page_imports.h"

namespace ormakin::web {

namespace {

// At full speed the program lets the browser run once per frame.
constexpr double kFrameMilliseconds = 16;
// During a run the panel is brought up to date at most this often: a reader
// follows no more, and at full speed every update costs ticks. At rest it
// always shows the last tick.
constexpr double kPanelMilliseconds = 100;

enum PageState { kStarting = 0, kIdle = 1, kRunning = 2 };

// The handler of the menu item with this object name, if there is one.
void (TTraceMap::*HandlerOf(const std::string& name))() {
  for (const MenuEntry& entry : kMainMenu) {
    if (entry.kind == MenuEntry::Kind::Item && name == entry.name) {
      return entry.handler;
    }
  }
  return nullptr;
}

// What the window shows as its course: the graphic that a successful open
// replaces (a failed one leaves it).
const void* ShownCourse(const TTraceMap& window) {
  if (window.Closed() || !window.CourseImage) {
    return nullptr;
  }
  const TPicture& picture = window.CourseImage->Picture;
  if (const TBitmap* bitmap = picture.Bitmap()) {
    return bitmap;
  }
  if (const TIcon* icon = picture.Icon()) {
    return icon;
  }
  return picture.Metafile();
}

}  // namespace

void WebPlatform::Attach(TTraceMap& window, RunTally& tally, StopAtTick& stop, RunPanel& panel) {
  window_ = &window;
  tally_ = &tally;
  stop_ = &stop;
  panel_ = &panel;
}

int WebPlatform::ShowMessageBox(const std::string& text, const std::string& caption,
                                MessageBoxFlags flags) {
  Present();
  const int answer = page_show_box(text.c_str(), caption.c_str(), static_cast<int>(flags));
  Suspended();
  return answer;
}

void WebPlatform::ProcessMessages() {
  ReportState();
  stop_->SetTick(static_cast<std::uint64_t>(page_stop_tick()));
  const int version = page_breakpoints(breakpointsVersion_, breakpoints_.data(),
                                       static_cast<int>(breakpoints_.size()));
  if (version != breakpointsVersion_) {
    breakpointsVersion_ = version;
    stop_->SetBreakpoints(breakpoints_);
  }
  std::array<char, 64> name{};
  for (;;) {
    const int kind = page_next_event(name.data(), static_cast<int>(name.size()));
    if (kind == 0) {
      return;
    }
    if (kind == 2) {
      window_->Close();
    } else if (auto handler = HandlerOf(name.data())) {
      RunCommand(handler);
    }
  }
}

void WebPlatform::RunCommand(void (TTraceMap::*handler)()) {
  const void* shown = ShownCourse(*window_);
  const std::size_t chosenBefore = chosen_.size();
  window_->Dispatch(handler);
  const void* now = ShownCourse(*window_);
  const bool opened = now != nullptr && now != shown;
  if (opened || chosen_.size() > chosenBefore) {
    page_course_opened(opened ? window_->OpenDialog1.FileName.c_str() : "");
  }
  // The window has read what it was going to read of the files chosen for
  // this command: they leave the file system, so that a course costs its
  // bytes once, in the window's picture.
  while (chosen_.size() > chosenBefore) {
    std::remove(chosen_.back().c_str());
    chosen_.pop_back();
  }
}

void WebPlatform::Pause(int milliseconds) {
  switch (page_speed()) {
    case 1:
      Present();
      emscripten_sleep(static_cast<unsigned>(milliseconds));
      Suspended();
      break;
    case 10:
      Present();
      emscripten_sleep(static_cast<unsigned>(milliseconds / 10));
      Suspended();
      break;
    default:
      // Full speed: no pause, but the browser paints and takes input once
      // per frame.
      if (emscripten_get_now() - lastYield_ >= kFrameMilliseconds) {
        Present();
        page_next_frame();
        Suspended();
      }
      break;
  }
}

std::optional<std::string> WebPlatform::ChooseFile(const std::string& filter,
                                                   const std::string& /*lastName*/) {
  (void)filter;  // the page labels its chooser with it at the start
  Present();
  std::array<char, 4096> path{};
  const int length = page_choose_file(kCoursesDir, path.data(), static_cast<int>(path.size()));
  Suspended();
  if (length < 0) {
    return std::nullopt;
  }
  std::string chosen(path.data(), static_cast<std::size_t>(length));
  chosen_.push_back(chosen);
  return chosen;
}

void WebPlatform::RunUntilTerminated() {
  started_ = true;
  while (!terminated_) {
    ProcessMessages();
    if (terminated_) {
      break;
    }
    Present();
    page_wait_event();
    Suspended();
  }
}

void WebPlatform::Present() {
  if (dirty_) {
    dirty_ = false;
    Paint();
  }
  std::string status = Status();
  if (status != status_) {
    status_ = std::move(status);
    page_set_status(status_.c_str());
  }
  ReportPanel();
  ReportState();
}

void WebPlatform::ReportPanel() {
  if (!started_ || page_panel_shown() == 0) {
    return;
  }
  const double now = emscripten_get_now();
  if (window_->Running && now - lastPanel_ < kPanelMilliseconds) {
    return;
  }
  lastPanel_ = now;
  std::string snapshot = panel_->SnapshotJson();
  const bool changed = snapshot != snapshot_;
  if (changed) {
    snapshot_ = std::move(snapshot);
    page_panel(snapshot_.c_str());
  }
  if (page_overlays_shown() == 0) {
    pathShown_ = false;
    return;
  }
  // The path changes only with the run, and so with the snapshot.
  if (pathShown_ && !changed) {
    return;
  }
  pathShown_ = true;
  // The view's part of the path: the top-left of the picture, as the window
  // shows the top-left of the course.
  pixels_.assign(static_cast<std::size_t>(kImageWidth) * kImageHeight, 0);
  if (const TBitmap* path = panel_->Path()) {
    path->CopyToRgb32(kImageWidth, kImageHeight, pixels_.data(), kImageWidth);
  }
  page_panel_path(pixels_.data(), kImageWidth, kImageHeight);
}

void WebPlatform::ReportState() {
  const int state = !started_ ? kStarting : (window_->Running ? kRunning : kIdle);
  if (state != state_) {
    state_ = state;
    page_set_state(state);
  }
}

void WebPlatform::Suspended() {
  lastYield_ = emscripten_get_now();
}

void WebPlatform::Paint() {
  pixels_.assign(static_cast<std::size_t>(kImageWidth) * kImageHeight, 0);
  const TPicture& picture = window_->Image1.Picture;
  if (const TBitmap* bitmap = picture.Bitmap()) {
    bitmap->CopyToRgb32(kImageWidth, kImageHeight, pixels_.data(), kImageWidth);
  }
  page_paint(pixels_.data(), kImageWidth, kImageHeight);
}

std::string WebPlatform::Status() const {
  if (window_->Closed() || !window_->Car || !tally_->Counting()) {
    return {};
  }
  return studies::RunSummaryLine(tally_->Result(*window_->Car), tally_->Hash(), *window_->Car);
}

}  // namespace ormakin::web
