// TTraceMap: the main window's behaviour. Start-up and shutdown, the menu
// commands and the paced run loop, the line probe and the composition of each
// frame, and the reporting of failures. It is written against the Platform
// seam, so a shell (the Qt window, the command-line tool, a test) only adapts
// it.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/car/car.h"
#include "core/car/car_run.h"
#include "core/car/line_probe.h"
#include "core/picture/picture.h"
#include "core/settings/ini_file.h"
#include "core/window/platform.h"

namespace ormakin {

// The course-file dialog: its filter and the last confirmed file name.
class TOpenDialog {
 public:
  std::string Filter = "コースデータ|*.bmp";
  // Empty until the user first confirms the dialog; a cancel leaves it.
  std::string FileName;
  // Shows the dialog; true when the user confirmed a name.
  bool Execute(Platform& platform);
};

// The layout of the window, in pixels.
inline constexpr int kWindowLeft = 192;
inline constexpr int kWindowTop = 107;
inline constexpr int kClientWidth = 519;
inline constexpr int kClientHeight = 411;
inline constexpr int kImageLeft = 8;
inline constexpr int kImageTop = 0;
inline constexpr int kImageWidth = 500;
inline constexpr int kImageHeight = 400;

// The run's pacing.
inline constexpr int kPauseMilliseconds = 70;

// The About box.
inline constexpr const char* kAboutCaption = "About";
inline constexpr const char* kAboutText =
    "Ormakin Ver 1.1\r\nA line-following car on a course of your own, tick by tick.";
inline constexpr const char* kNoCourseMessage = "コースデータを指定してください";

class TTraceMap : public LineProbe {
 public:
  // `settingsPath` is the settings file (normally SettingsFilePath()).
  TTraceMap(Platform& platform, std::string settingsPath);
  ~TTraceMap() override;
  TTraceMap(const TTraceMap&) = delete;
  TTraceMap& operator=(const TTraceMap&) = delete;

  // --- Components of the window layout; they live as long as the window.
  TImage Image1{kImageWidth, kImageHeight};  // the visible frame
  TOpenDialog OpenDialog1;

  // --- Owned from FormCreate to FormClose. Null before, after, and where
  // creation failed before reaching them.
  std::unique_ptr<TCustomIniFile> IniFile;
  std::unique_ptr<TImage> CourseImage;  // the clean course, never shown
  std::unique_ptr<TCar> Car;

  bool StopRequested = false;  // asks the run loop to end after the tick under way
  bool Running = false;        // the run loop is active

  // --- Event handlers.
  void FormCreate();
  void FormClose();
  void FormCloseQuery(bool& canClose);
  // The system is ending the session: the close query runs and agrees, and
  // the program then ends with the session, without FormClose.
  void EndSessionQuery();
  void Open1Click();
  void Exit1Click();
  void N3Click();  // Start
  void N4Click();  // Stop
  void About2Click();

  // True exactly when the course pixel (x, y) is pure black. A course
  // picture that holds nothing becomes a white 500 x 400 bitmap first; one
  // that holds an icon or a metafile raises EInvalidOperation.
  bool IsOnLine(std::int32_t x, std::int32_t y) override;

  // Composes a new frame in Image1: the course (sharing its pixels until the
  // car is drawn) with the car on it, and asks for a repaint.
  void Redraw();

  // The frame that Redraw would compose, but at the whole course size (for
  // pictures of a run outside the window).
  TBitmap ComposeFullFrame() const;

  // --- Catching points: failures go to HandleException.
  // The window's creation step: runs FormCreate.
  void Create();
  // The dispatch of one window message (a menu command). Does nothing once
  // the window has been closed.
  void Dispatch(void (TTraceMap::*handler)());
  // Closing the window (close box, system menu, Exit): the close query, then
  // FormClose, then the application is told to end. Only the first close
  // does anything.
  void Close();
  // The top-level error handler: an error box captioned "Ormakin".
  void HandleException(const std::exception_ptr& failure);

  // Adds an observer to every run that Start makes from now on, after the
  // run's own; it also hears of each placement of the car by the open
  // command (RunObserver::Placed), so it can count from the course's
  // opening across any number of Starts. It may set StopRequested from
  // Ticked: the run then ends after that tick is drawn. The observer must
  // outlive the window.
  void ObserveRuns(RunObserver& observer) { runObservers_.push_back(&observer); }

  bool Closed() const { return closed_; }
  Platform& GetPlatform() { return platform_; }

 private:
  TBitmap ComposeFrame(int maxWidth, int maxHeight) const;
  void DrawCar(TBitmap& frame, bool notify) const;

  Platform& platform_;
  std::string settingsPath_;
  bool closed_ = false;
  std::vector<RunObserver*> runObservers_;
};

// The one main window, set before its creation handler runs.
extern TTraceMap* TraceMap;

// The error box's text: "." appended when the text's last character begins
// with a byte above ".".
std::string WithFinalPeriod(std::string text);

}  // namespace ormakin
