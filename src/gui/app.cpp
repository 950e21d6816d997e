#include "gui/app.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QThread>

#include "core/base/message_box.h"
#include "core/settings/decimal_mark.h"
#include "core/window/dialog_placement.h"
#include "gui/file_filter.h"

namespace ormakin {

namespace {

constexpr int kIdOk = 1;  // the OK button's result

// Moves a dialog to its place on the monitor once it has its final size,
// which it has when it is first shown.
class DialogPlacer : public QObject {
 public:
  DialogPlacer(QWidget* dialog, QRect monitor) : QObject(dialog), monitor_(monitor) {
    dialog->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && !placed_) {
      placed_ = true;
      auto* dialog = static_cast<QWidget*>(watched);
      const QSize size = dialog->frameGeometry().size();
      const ScreenPoint at =
          DialogPosition({monitor_.left(), monitor_.top(), monitor_.width(), monitor_.height()},
                         size.width(), size.height());
      dialog->move(at.x, at.y);
    }
    return false;
  }

 private:
  QRect monitor_;
  bool placed_ = false;
};

}  // namespace

QtPlatform::QtPlatform() {
  qApp->installEventFilter(this);
}

QtPlatform::~QtPlatform() {
  if (qApp != nullptr) qApp->removeEventFilter(this);
}

void QtPlatform::SetWindow(QWidget* mainWindow, QWidget* image) {
  mainWindow_ = mainWindow;
  image_ = image;
}

int QtPlatform::ShowMessageBox(const std::string& text, const std::string& caption,
                               MessageBoxFlags flags) {
  QPointer<QWidget> previouslyActive = QApplication::activeWindow();
  // Owned by the main window once it is on the screen, so the box opens on
  // the monitor the user works on; before that (start-up) it has no owner.
  QWidget* owner =
      (mainWindow_ != nullptr && mainWindow_->isVisible()) ? mainWindow_.data() : nullptr;

  QString body = QString::fromUtf8(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  const QMessageBox::Icon icon =
      flags == MessageBoxFlags::OkWithErrorIcon ? QMessageBox::Critical : QMessageBox::NoIcon;
  QMessageBox box(icon, QString::fromUtf8(caption), body, QMessageBox::Ok, owner);
  box.setTextFormat(Qt::PlainText);  // the text is shown as it is, never as markup
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();

  if (previouslyActive != nullptr && previouslyActive->isVisible()) {
    previouslyActive->activateWindow();
  }
  return kIdOk;
}

void QtPlatform::ProcessMessages() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  // An open menu holds the run, as a menu's own modal loop would.
  while (QApplication::activePopupWidget() != nullptr) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  QCoreApplication::sendPostedEvents();
}

void QtPlatform::Pause(int milliseconds) {
  if (milliseconds > 0) QThread::msleep(static_cast<unsigned long>(milliseconds));
}

std::optional<std::string> QtPlatform::ChooseFile(const std::string& filter,
                                                  const std::string& lastName) {
  QFileDialog dialog(mainWindow_);
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // AnyFile: a typed name that does not exist is accepted and returned; the
  // load reports it.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(ToDialogFilter(filter));
  dialog.setWindowModality(Qt::ApplicationModal);
  if (!lastName.empty()) {
    const QFileInfo last(QString::fromUtf8(lastName));
    dialog.setDirectory(last.absolutePath());
    dialog.selectFile(last.fileName());
  }
  new DialogPlacer(&dialog, MainMonitor());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.first().toStdString();
}

void QtPlatform::InvalidateImage() {
  if (image_ != nullptr) image_->update();
}

void QtPlatform::CancelMouseCapture() {
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
}

void QtPlatform::Terminate() {
  // exit() rather than quit(): it ends the loop without asking the windows
  // to close again, so the window stays until the loop has ended.
  QCoreApplication::exit(0);
}

bool QtPlatform::eventFilter(QObject* watched, QEvent* event) {
  if (watched == qApp && event->type() == QEvent::LocaleChange) RefreshDecimalMark();
  return QObject::eventFilter(watched, event);
}

QRect QtPlatform::MainMonitor() const {
  const QScreen* screen = mainWindow_ != nullptr ? mainWindow_->screen() : nullptr;
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry() : QRect();
}

}  // namespace ormakin
