// The window's fixed layout: caption, place, size, menu and the picture
// control, and what closing it does.
#include <QAction>
#include <QFontInfo>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include "program_fixture.h"

using ormakin::testing::Program;

// Runs the main loop; a loop that has not ended after 5 s ends with code 7.
static int ExecWithFailSafe() {
  QTimer failSafe;
  failSafe.setSingleShot(true);
  QObject::connect(&failSafe, &QTimer::timeout, [] { QCoreApplication::exit(7); });
  failSafe.start(5000);
  return QApplication::exec();
}

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void windowHasFixedPlaceAndSize() {
    Program program;
    ormakin::MainWindow& window = program.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.windowTitle(), QStringLiteral("Ormakin"));
    QCOMPARE(window.frameGeometry().topLeft(), QPoint(192, 107));
    // The client area lies below the menu bar and is exactly 519 x 411.
    QWidget* client = window.centralWidget();
    QCOMPARE(client->size(), QSize(519, 411));
    QCOMPARE(client->pos(), QPoint(0, window.menuBar()->height()));
    QCOMPARE(window.size(), QSize(519, 411 + window.menuBar()->height()));
    QCOMPARE(window.minimumSize(), window.maximumSize());

    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    QVERIFY(!window.windowIcon().isNull());
    QCOMPARE(window.palette().color(QPalette::Window), window.palette().color(QPalette::Button));
  }

  void imageControlSitsAtEightZero() {
    Program program;
    auto* image = program.window.findChild<QWidget*>(QStringLiteral("Image1"));
    QVERIFY(image != nullptr);
    QCOMPARE(image, program.window.Image1());
    QCOMPARE(image->parentWidget(), program.window.centralWidget());
    QCOMPARE(image->geometry(), QRect(8, 0, 500, 400));
  }

  void fontIsTwelvePixelGothic() {
    Program program;
    const QFontInfo info(program.window.font());
    QCOMPARE(info.pixelSize(), 12);
    QVERIFY2(info.family() == QStringLiteral("IPAPGothic") ||
                 info.family() == QStringLiteral("ＭＳ Ｐゴシック"),
             qPrintable(info.family()));
    const auto* file = program.window.findChild<QMenu*>(QStringLiteral("File1"));
    QCOMPARE(QFontInfo(file->font()).family(), info.family());
  }

  void menuHasCaptionsNamesAndOrder() {
    Program program;
    QMenuBar* bar = program.window.menuBar();
    QCOMPARE(bar->objectName(), QStringLiteral("MainMenu1"));

    struct Item {
      const char* name;
      const char* caption;  // empty for a separator
    };
    struct Menu {
      const char* name;
      const char* caption;
      QList<Item> items;
    };
    const QList<Menu> expected = {
        {"File1", "ファイル", {{"Open1", "開く..."}, {"N1", ""}, {"Exit1", "終了"}}},
        {"N2", "実行", {{"N3", "開始"}, {"N4", "停止"}}},
        {"About1", "ヘルプ", {{"About2", "About..."}}},
    };

    const QList<QAction*> menus = bar->actions();
    QCOMPARE(menus.size(), expected.size());
    for (qsizetype i = 0; i < menus.size(); ++i) {
      const Menu& want = expected[i];
      QMenu* menu = menus[i]->menu();
      QVERIFY(menu != nullptr);
      QCOMPARE(menu->objectName(), QString::fromUtf8(want.name));
      QCOMPARE(menus[i]->text(), QString::fromUtf8(want.caption));
      const QList<QAction*> items = menu->actions();
      QCOMPARE(items.size(), want.items.size());
      for (qsizetype j = 0; j < items.size(); ++j) {
        const Item& item = want.items[j];
        QCOMPARE(items[j]->objectName(), QString::fromUtf8(item.name));
        QCOMPARE(items[j]->isSeparator(), item.caption[0] == '\0');
        if (!items[j]->isSeparator()) QCOMPARE(items[j]->text(), QString::fromUtf8(item.caption));
        QVERIFY(items[j]->shortcut().isEmpty());
        QVERIFY(items[j]->isEnabled() && items[j]->isVisible());
        QVERIFY(!items[j]->text().contains(u'&'));
      }
    }
  }

  // The close box runs the core's close once; the window stays until the
  // main loop ends, which the close asks for.
  void closeRunsCoreCloseAndEndsTheLoop() {
    Program program;
    program.traceMap.Create();
    QVERIFY(program.traceMap.Car != nullptr);
    program.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&program.window));

    QTimer::singleShot(0, &program.window, [&] { program.window.close(); });
    QCOMPARE(ExecWithFailSafe(), 0);

    QVERIFY(program.traceMap.Closed());
    QVERIFY(program.traceMap.Car == nullptr);
    QVERIFY(program.traceMap.IniFile == nullptr);
    QVERIFY(program.window.isVisible());
    // Once the core has closed, the window itself may close.
    QVERIFY(program.window.close());
    QVERIFY(!program.window.isVisible());
  }

  void exitCommandClosesLikeTheCloseBox() {
    Program program;
    program.traceMap.Create();
    program.window.show();
    QTimer::singleShot(0, &program.window, [&] {
      program.window.findChild<QAction*>(QStringLiteral("Exit1"))->trigger();
    });
    QCOMPARE(ExecWithFailSafe(), 0);
    QVERIFY(program.traceMap.Closed());
    QVERIFY(program.traceMap.Car == nullptr);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
