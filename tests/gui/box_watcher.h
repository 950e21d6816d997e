// BoxWatcher: answers the program's modal message boxes in a Qt test. It
// looks for an open box every few milliseconds (the box's own modal loop runs
// the timer), records what it showed and presses its OK button.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace ormakin::testing {

struct SeenBox {
  QString text;
  QString caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttonCount = 0;
  bool applicationModal = false;
  QWidget* owner = nullptr;
  bool windowVisible = false;  // whether the watched window was on the screen
};

class BoxWatcher {
 public:
  // `window` (may be null) is the main window whose visibility is recorded.
  explicit BoxWatcher(QWidget* window = nullptr) : window_(window) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Answer(); });
    timer_.start();
  }

  QList<SeenBox> boxes;

 private:
  void Answer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    SeenBox seen;
    seen.text = box->text();
    seen.caption = box->windowTitle();
    seen.icon = box->icon();
    seen.buttonCount = static_cast<int>(box->buttons().size());
    seen.applicationModal = box->windowModality() == Qt::ApplicationModal;
    seen.owner = box->parentWidget();
    seen.windowVisible = window_ != nullptr && window_->isVisible();
    boxes << seen;
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
      ok->click();
    } else {
      box->reject();
    }
  }

  QPointer<QWidget> window_;
  QTimer timer_;
};

}  // namespace ormakin::testing
