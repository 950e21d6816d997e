// QtPlatform: the window-system services that the program's behaviour asks
// for, provided with Qt Widgets.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <optional>
#include <string>

#include "core/window/platform.h"

namespace ormakin {

class QtPlatform : public QObject, public Platform {
  Q_OBJECT

 public:
  // Watches the application for locale changes (the decimal mark follows the
  // user's locale); a QApplication must exist.
  QtPlatform();
  ~QtPlatform() override;

  // The main window (owner of boxes and dialogs once it is visible) and the
  // widget that shows the frame. Either may be null (no window yet).
  void SetWindow(QWidget* mainWindow, QWidget* image);

  // An application-modal box: OK only, the stop icon for OkWithErrorIcon. The
  // window that was active before is active again afterwards. Returns 1 (OK).
  int ShowMessageBox(const std::string& text, const std::string& caption,
                     MessageBoxFlags flags) override;
  // Handles every pending event; while a popup menu is open it keeps waiting
  // for events, so a run stands still under an open menu.
  void ProcessMessages() override;
  void Pause(int milliseconds) override;
  // The non-native open dialog on the main window's monitor; a typed name
  // that does not exist is returned as typed (UTF-8, full path).
  std::optional<std::string> ChooseFile(const std::string& filter,
                                        const std::string& lastName) override;
  void InvalidateImage() override;
  void CancelMouseCapture() override;
  // Ends the main loop once control returns to it; the window stays until
  // then.
  void Terminate() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The monitor of the main window, or the primary one without it.
  QRect MainMonitor() const;

  QPointer<QWidget> mainWindow_;
  QPointer<QWidget> image_;
};

}  // namespace ormakin
