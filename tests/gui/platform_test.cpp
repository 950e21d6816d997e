// The window-system services of QtPlatform: the open dialog, the processing
// of pending events, repaints, the end of the main loop and locale changes.
#include <QAbstractEventDispatcher>
#include <QFileDialog>
#include <QMenu>
#include <QScreen>
#include <QtTest>
#include <functional>
#include <optional>

#include "core/settings/decimal_mark.h"
#include "core/window/dialog_placement.h"
#include "gui/app.h"
#include "gui/file_filter.h"
#include "support/temp_dir.h"

namespace {

// The first open file dialog, or null.
QFileDialog* OpenFileDialog() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QFileDialog*>(widget);
    if (dialog != nullptr && dialog->isVisible()) return dialog;
  }
  return nullptr;
}

// Runs `answer` on the file dialog as soon as it is on the screen.
void WhenDialogOpens(const std::function<void(QFileDialog&)>& answer) {
  auto* poll = new QTimer(qApp);
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, answer] {
    if (QFileDialog* dialog = OpenFileDialog()) {
      poll->deleteLater();
      poll->stop();
      answer(*dialog);
    }
  });
  poll->start();
}

class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

}  // namespace

class PlatformTest : public QObject {
  Q_OBJECT

 private slots:
  void filterConversion_data() {
    QTest::addColumn<QString>("core");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("course filter")
        << QStringLiteral("コースデータ|*.bmp") << QStringLiteral("コースデータ (*.bmp)");
    QTest::newRow("two entries") << QStringLiteral("Bitmaps|*.bmp|All|*.*")
                                 << QStringLiteral("Bitmaps (*.bmp);;All (*.*)");
    QTest::newRow("several patterns") << QStringLiteral("Pictures|*.bmp;*.ico; *.wmf")
                                      << QStringLiteral("Pictures (*.bmp *.ico *.wmf)");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("description without pattern") << QStringLiteral("Lonely") << QString();
    QTest::newRow("trailing description dropped")
        << QStringLiteral("A|*.a|B") << QStringLiteral("A (*.a)");
    QTest::newRow("empty pattern means all") << QStringLiteral("A|") << QStringLiteral("A (*)");
  }
  void filterConversion() {
    QFETCH(QString, core);
    QFETCH(QString, dialog);
    QCOMPARE(ormakin::ToDialogFilter(core.toStdString()), dialog);
  }

  // A typed name that does not exist comes back as typed, in full.
  void chooseFileReturnsATypedNameAndShowsTheSetUp() {
    ormakin::testing::TempDir dir;
    const std::string last = dir.WriteFile("last.bmp", "x");
    QWidget window;
    window.resize(519, 411);
    window.move(192, 107);
    window.show();
    ormakin::QtPlatform platform;
    platform.SetWindow(&window, nullptr);

    QStringList filters;
    QStringList preselected;
    Qt::WindowModality modality = Qt::NonModal;
    QPoint place;
    QSize size;
    WhenDialogOpens([&](QFileDialog& dialog) {
      filters = dialog.nameFilters();
      preselected = dialog.selectedFiles();
      modality = dialog.windowModality();
      place = dialog.frameGeometry().topLeft();
      size = dialog.frameGeometry().size();
      dialog.selectFile(QStringLiteral("not-there.bmp"));
      QMetaObject::invokeMethod(&dialog, "accept");
    });
    const std::optional<std::string> chosen = platform.ChooseFile("コースデータ|*.bmp", last);

    QVERIFY(chosen.has_value());
    QCOMPARE(QString::fromStdString(*chosen), QString::fromStdString(dir.PathOf("not-there.bmp")));
    QCOMPARE(filters, QStringList{QStringLiteral("コースデータ (*.bmp)")});
    QCOMPARE(preselected, QStringList{QString::fromStdString(last)});
    QCOMPARE(modality, Qt::ApplicationModal);
    const QRect monitor = window.screen()->geometry();
    const ormakin::ScreenPoint expected =
        ormakin::DialogPosition({monitor.left(), monitor.top(), monitor.width(), monitor.height()},
                                size.width(), size.height());
    QCOMPARE(place, QPoint(expected.x, expected.y));
  }

  void chooseFileCancelledGivesNothing() {
    ormakin::QtPlatform platform;
    WhenDialogOpens([](QFileDialog& dialog) { dialog.reject(); });
    QVERIFY(!platform.ChooseFile("コースデータ|*.bmp", "").has_value());
  }

  // While a menu is open the run stands still: processing goes on to wait
  // for events, and returns only once the menu has closed. The menu closes
  // when the event loop is about to block, which the loop without a menu
  // never does.
  void processMessagesWaitsUnderAnOpenMenu() {
    ormakin::QtPlatform platform;
    QMenu menu;
    menu.addAction(QStringLiteral("開始"));
    menu.popup(QPoint(200, 200));
    QVERIFY(QApplication::activePopupWidget() == &menu);

    bool closedWhileWaiting = false;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    const QMetaObject::Connection waiting =
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &menu, [&] {
          if (!menu.isVisible()) return;
          closedWhileWaiting = true;
          menu.close();
          dispatcher->wakeUp();
        });
    platform.ProcessMessages();
    disconnect(waiting);

    QVERIFY2(closedWhileWaiting, "returned while the menu was still open");
    QVERIFY(QApplication::activePopupWidget() == nullptr);
  }

  // Without a menu, processing handles what is pending and returns without
  // ever waiting for more.
  void processMessagesReturnsAtOnceWithoutAMenu() {
    ormakin::QtPlatform platform;
    bool ran = false;
    QTimer::singleShot(0, [&ran] { ran = true; });
    int waits = 0;
    const QMetaObject::Connection waiting =
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                [&waits] { ++waits; });
    platform.ProcessMessages();
    disconnect(waiting);
    QVERIFY(ran);
    QCOMPARE(waits, 0);
  }

  void invalidateImageRepaintsOnTheNextProcessing() {
    QWidget window;
    auto* image = new QWidget(&window);
    image->setGeometry(8, 0, 500, 400);
    window.resize(519, 411);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ormakin::QtPlatform platform;
    platform.SetWindow(&window, image);
    PaintCounter counter;
    image->installEventFilter(&counter);
    QCoreApplication::processEvents();
    counter.paints = 0;

    platform.InvalidateImage();
    QCOMPARE(counter.paints, 0);  // nothing is painted before events are processed
    platform.ProcessMessages();
    QCOMPARE(counter.paints, 1);
  }

  void terminateEndsTheMainLoopWithCodeZero() {
    ormakin::QtPlatform platform;
    QTimer::singleShot(0, [&platform] { platform.Terminate(); });
    QTimer failSafe;
    failSafe.setSingleShot(true);
    QObject::connect(&failSafe, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    failSafe.start(5000);
    QCOMPARE(QApplication::exec(), 0);
  }

  void localeChangeRefreshesTheDecimalMark() {
    ormakin::QtPlatform platform;
    qputenv("LC_ALL", "C");
    ormakin::SetDecimalMark(',');
    QEvent change(QEvent::LocaleChange);
    QCoreApplication::sendEvent(qApp, &change);
    QCOMPARE(ormakin::DecimalMark(), '.');
  }

  void cancelMouseCaptureReleasesTheGrab() {
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.grabMouse();
    QCOMPARE(QWidget::mouseGrabber(), &window);
    ormakin::QtPlatform platform;
    platform.CancelMouseCapture();
    QCOMPARE(QWidget::mouseGrabber(), nullptr);
  }
};

QTEST_MAIN(PlatformTest)
#include "platform_test.moc"
