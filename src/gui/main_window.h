// MainWindow: the program's one window. It only shows the core's frame and
// hands the menu commands and the close to the core's catching points.
#pragma once

#include <QMainWindow>

#include "core/window/trace_map.h"

namespace ormakin {

class ImageWidget;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the fixed layout: caption "Ormakin", frame at (192, 107), a client
  // area of 519 x 411 pixels below the menu bar, Image1 at (8, 0). The window
  // is not shown yet. `traceMap` must outlive the window.
  explicit MainWindow(TTraceMap& traceMap, QWidget* parent = nullptr);

  // The control that shows the current frame.
  ImageWidget* Image1() const { return image1_; }

 protected:
  // Runs the core's close (close query, then FormClose, then the end of the
  // program) and keeps the window until the main loop ends; a window whose
  // close has run already closes.
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenu();

  TTraceMap& traceMap_;
  ImageWidget* image1_ = nullptr;
};

}  // namespace ormakin
