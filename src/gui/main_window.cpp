#include "main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>

#include "app_icon.h"
#include "image_widget.h"

namespace ormakin {

namespace {

// The window's font: the one the layout was made for where it is installed,
// else a free font of the same metrics.
QFont WindowFont() {
  QFont font;
  font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic")});
  font.setPixelSize(12);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  return font;
}

}  // namespace

MainWindow::MainWindow(TTraceMap& traceMap, QWidget* parent)
    : QMainWindow(parent), traceMap_(traceMap) {
  setWindowTitle(QString::fromUtf8(kApplicationTitle));
  setWindowIcon(AppIcon());
  // A fixed frame with the system menu, minimise and close, but no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setContextMenuPolicy(Qt::NoContextMenu);
  setFont(WindowFont());

  // The window's background is the button-face colour.
  QPalette shade = palette();
  shade.setColor(QPalette::Window, shade.color(QPalette::Button));
  setPalette(shade);

  BuildMenu();

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("Client"));
  client->setFixedSize(kClientWidth, kClientHeight);
  image1_ = new ImageWidget(traceMap_.Image1, client);
  image1_->move(kImageLeft, kImageTop);
  setCentralWidget(client);

  setFixedSize(sizeHint());
  move(kWindowLeft, kWindowTop);  // a top-level's position is its frame's
}

void MainWindow::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));

  // The captions carry no mnemonics and the items no shortcuts.
  const auto addMenu = [this, bar](const char* name, const char* caption) {
    QMenu* menu = bar->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(QString::fromUtf8(name));
    menu->menuAction()->setObjectName(QString::fromUtf8(name));
    menu->setFont(font());  // popups do not take the window's font by themselves
    return menu;
  };
  const auto addItem = [this](QMenu* menu, const char* name, const char* caption,
                              void (TTraceMap::*handler)()) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromUtf8(name));
    connect(action, &QAction::triggered, this, [this, handler] { traceMap_.Dispatch(handler); });
  };

  QMenu* file = addMenu("File1", "ファイル");
  addItem(file, "Open1", "開く...", &TTraceMap::Open1Click);
  file->addSeparator()->setObjectName(QStringLiteral("N1"));
  addItem(file, "Exit1", "終了", &TTraceMap::Exit1Click);

  QMenu* run = addMenu("N2", "実行");
  addItem(run, "N3", "開始", &TTraceMap::N3Click);
  addItem(run, "N4", "停止", &TTraceMap::N4Click);

  QMenu* help = addMenu("About1", "ヘルプ");
  addItem(help, "About2", "About...", &TTraceMap::About2Click);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (traceMap_.Closed()) {
    event->accept();
    return;
  }
  // The window stays on the screen until the main loop ends; the core's
  // close tells the application to end it.
  event->ignore();
  traceMap_.Dispatch(&TTraceMap::Close);
}

}  // namespace ormakin
