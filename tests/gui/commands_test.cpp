// Start-up and the menu commands through the real window and platform: the
// boxes they show (text, caption, icon, owner) and the frame they paint.
#include <QAction>
#include <QImage>
#include <QtTest>
#include <functional>
#include <string>
#include <utility>

#include "box_watcher.h"
#include "program_fixture.h"
#include "support/course_builder.h"

using ormakin::testing::BoxWatcher;
using ormakin::testing::Program;

namespace {

// The real platform, but the open dialog answers with a fixed name, and a
// test may post something to happen inside a chosen processing of messages.
class ScriptedDialogPlatform : public ormakin::QtPlatform {
 public:
  std::string answer;
  std::optional<std::string> ChooseFile(const std::string&, const std::string&) override {
    return answer;
  }

  // Runs `action` as a posted event in the processing `calls` from now on,
  // counting only processings during a run (the run loop's, one a tick).
  void DuringRunProcessing(int calls, std::function<void()> action) {
    countdown_ = calls;
    action_ = std::move(action);
  }
  void ProcessMessages() override {
    if (action_ && ormakin::TraceMap != nullptr && ormakin::TraceMap->Running &&
        --countdown_ == 0) {
      QMetaObject::invokeMethod(qApp, std::exchange(action_, nullptr), Qt::QueuedConnection);
    }
    QtPlatform::ProcessMessages();
  }

 private:
  int countdown_ = 0;
  std::function<void()> action_;
};

// A car that follows a line straight down the screen from (50, 20), and the
// course for it.
constexpr const char* kFollower =
    "[car]\ninit_x=50\ninit_y=20\n[state]\n1-4=0,1,1\n1-5=5,1,1\n1-6=-5,1,1\n"
    "1-1=10,1,1\n1-2=-10,1,1\n1-7=0,1,1\n1-0=0,1,1\n1-3=0,1,1\n";

// The program with the scripted dialog.
struct ScriptedProgram : ormakin::testing::BasicProgram<ScriptedDialogPlatform> {
  using BasicProgram::BasicProgram;

  // Creates, shows and opens a course with a line straight down from x = 48
  // to 52, for the follower above.
  void OpenStraightCourse() {
    traceMap.Create();
    window.show();
    platform.answer = dir.WriteFile(
        "course.bmp",
        ormakin::testing::LineCourseBmp(100, 400, [](int x, int) { return x >= 48 && x < 53; }));
    Choose("Open1");
  }
};

}  // namespace

class CommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void withoutSettingsFileCreationShowsNothing() {
    Program program;
    BoxWatcher watcher(&program.window);
    program.traceMap.Create();
    QVERIFY(program.traceMap.Car != nullptr);
    QCoreApplication::processEvents();
    QVERIFY(watcher.boxes.isEmpty());
  }

  // Malformed rules are reported in key order, each in its own box, before
  // the window is on the screen; the window then opens as usual.
  void malformedRulesShowBoxesInKeyOrderBeforeTheWindow() {
    Program program("[state]\r\n2-0=zz\r\n1-3=abc\r\n1-1=1,2\r\n");
    BoxWatcher watcher(&program.window);
    program.traceMap.Create();
    program.window.show();

    QCOMPARE(watcher.boxes.size(), 3);
    const QStringList texts = {
        QStringLiteral("データに誤りがあります\n1-1=1,2"),
        QStringLiteral("データに誤りがあります\n1-3=abc"),
        QStringLiteral("データに誤りがあります\n2-0=zz"),
    };
    for (qsizetype i = 0; i < texts.size(); ++i) {
      const ormakin::testing::SeenBox& box = watcher.boxes[i];
      QCOMPARE(box.text, texts[i]);
      QCOMPARE(box.caption, QStringLiteral("Ormakin"));
      QCOMPARE(box.icon, QMessageBox::NoIcon);
      QCOMPARE(box.buttonCount, 1);
      QVERIFY(box.applicationModal);
      QVERIFY(!box.windowVisible);
      QCOMPARE(box.owner, nullptr);
    }
    QVERIFY(program.traceMap.Car != nullptr);
    QVERIFY(program.window.isVisible());
  }

  // A rule part that is no number stops creation: one error box with the
  // added period and the stop icon; the window opens without a car. The part
  // (a full-width one in code page 932) is shown decoded.
  void conversionErrorShowsOneErrorBoxAndLeavesNoCar() {
    Program program("[state]\n1-1=\x82\x50,1,1\n1-2=y,1,1\n");
    BoxWatcher watcher(&program.window);
    program.traceMap.Create();
    program.window.show();

    QCOMPARE(watcher.boxes.size(), 1);
    QCOMPARE(watcher.boxes[0].text, QStringLiteral("'１' は浮動小数点数ではありません."));
    QCOMPARE(watcher.boxes[0].caption, QStringLiteral("Ormakin"));
    QCOMPARE(watcher.boxes[0].icon, QMessageBox::Critical);
    QVERIFY(!watcher.boxes[0].windowVisible);
    QVERIFY(program.traceMap.Car == nullptr);
    QVERIFY(program.traceMap.IniFile != nullptr);
    QVERIFY(program.traceMap.CourseImage != nullptr);
    QVERIFY(program.window.isVisible());

    // Start without a car does nothing at all.
    program.Choose("N3");
    QCOMPARE(watcher.boxes.size(), 1);
  }

  void aboutShowsItsBoxOwnedByTheWindow() {
    Program program;
    program.traceMap.Create();
    program.window.show();
    program.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&program.window));
    BoxWatcher watcher(&program.window);

    program.Choose("About2");

    QCOMPARE(watcher.boxes.size(), 1);
    const QStringList lines = watcher.boxes[0].text.split(u'\n');
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QStringLiteral("Ormakin Ver 1.1"));
    QVERIFY(!lines[1].isEmpty());
    QCOMPARE(watcher.boxes[0].caption, QStringLiteral("About"));
    QCOMPARE(watcher.boxes[0].icon, QMessageBox::NoIcon);
    QCOMPARE(watcher.boxes[0].owner, &program.window);
    QVERIFY(watcher.boxes[0].applicationModal);
    QTRY_COMPARE(QApplication::activeWindow(), &program.window);  // active again afterwards
  }

  void startBeforeAnyCourseAsksForOne() {
    Program program;
    program.traceMap.Create();
    program.window.show();
    BoxWatcher watcher(&program.window);

    program.Choose("N3");

    QCOMPARE(watcher.boxes.size(), 1);
    QCOMPARE(watcher.boxes[0].text, QStringLiteral("コースデータを指定してください"));
    QCOMPARE(watcher.boxes[0].caption, QStringLiteral("Ormakin"));
    QCOMPARE(watcher.boxes[0].icon, QMessageBox::NoIcon);
    QVERIFY(!program.traceMap.Running);
  }

  // A failure inside a command reaches the error box through the window's
  // dispatch: its text with the period, the caption, the stop icon.
  void openingAMissingFileShowsTheErrorBox() {
    ScriptedProgram program;
    program.traceMap.Create();
    program.window.show();
    BoxWatcher watcher(&program.window);
    program.platform.answer = program.dir.PathOf("nowhere.bmp");

    program.Choose("Open1");

    QCOMPARE(watcher.boxes.size(), 1);
    QCOMPARE(watcher.boxes[0].text, QStringLiteral("ファイル %1 は開けません.")
                                        .arg(QString::fromStdString(program.platform.answer)));
    QCOMPARE(watcher.boxes[0].caption, QStringLiteral("Ormakin"));
    QCOMPARE(watcher.boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(watcher.boxes[0].buttonCount, 1);
    QCOMPARE(watcher.boxes[0].owner, &program.window);
  }

  // Open paints the course with the car at its start point; the part of the
  // control that a small course leaves free shows the background.
  void openPaintsTheCourseWithTheCar() {
    ScriptedProgram program("[car]\ninit_x=100\ninit_y=50\nsensor_pos=12\n");
    program.traceMap.Create();
    program.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&program.window));
    BoxWatcher watcher(&program.window);
    program.platform.answer = program.dir.WriteFile(
        "course.bmp",
        ormakin::testing::LineCourseBmp(300, 200, [](int x, int) { return x >= 99 && x < 102; }));

    program.Choose("Open1");
    QVERIFY(watcher.boxes.isEmpty());
    QCoreApplication::processEvents();

    const QImage shown = program.window.Image1()->grab().toImage();
    const QRgb background = program.window.palette().color(QPalette::Button).rgb();
    QCOMPARE(shown.pixel(0, 199), qRgb(255, 255, 255));  // the course's ground
    QCOMPARE(shown.pixel(100, 199), qRgb(0, 0, 0));      // its line
    QCOMPARE(shown.pixel(300, 0), background);           // right of the course
    QCOMPARE(shown.pixel(0, 200), background);           // below it
    QCOMPARE(shown.pixel(100, 50), qRgb(0, 0, 255));     // the car's body
  }

  // Stop chosen from the menu during a run ends it after the current tick;
  // the car has moved on from its start.
  void stopFromTheMenuEndsARun() {
    ScriptedProgram program(kFollower);
    program.OpenStraightCourse();
    const QImage atStart = program.window.Image1()->grab().toImage();
    BoxWatcher watcher(&program.window);

    bool wasRunning = false;
    program.platform.DuringRunProcessing(3, [&] {
      wasRunning = program.traceMap.Running;
      program.Choose("N4");
    });
    program.Choose("N3");  // returns when the run ends

    QVERIFY(wasRunning);
    QVERIFY(!program.traceMap.Running);
    QVERIFY(watcher.boxes.isEmpty());
    QCoreApplication::processEvents();
    QVERIFY(program.window.Image1()->grab().toImage() != atStart);  // the car moved on
  }

  // Closing the window during a run frees the core's objects, ends the run
  // and then the main loop with code 0.
  void closingDuringARunEndsTheRunAndTheLoop() {
    ScriptedProgram program(kFollower);
    program.OpenStraightCourse();
    BoxWatcher watcher(&program.window);

    bool closedWhileRunning = false;
    QTimer::singleShot(0, &program.window, [&] { program.Choose("N3"); });
    program.platform.DuringRunProcessing(3, [&] {
      closedWhileRunning = program.traceMap.Running;
      program.window.close();
    });
    QTimer failSafe;
    failSafe.setSingleShot(true);
    QObject::connect(&failSafe, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    failSafe.start(5000);
    QCOMPARE(QApplication::exec(), 0);

    QVERIFY(closedWhileRunning);
    QVERIFY(program.traceMap.Closed());
    QVERIFY(!program.traceMap.Running);
    QVERIFY(program.traceMap.Car == nullptr);
    QVERIFY(program.traceMap.CourseImage == nullptr);
    QVERIFY(watcher.boxes.isEmpty());
  }
};

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"
