#include "gui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>

#include "core/window/main_menu.h"
#include "gui/app_icon.h"
#include "gui/image_widget.h"

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
  bar->setObjectName(QString::fromUtf8(kMainMenuName));
  QMenu* menu = nullptr;
  for (const MenuEntry& entry : kMainMenu) {
    const QString name = QString::fromUtf8(entry.name);
    if (entry.kind == MenuEntry::Kind::Menu) {
      menu = bar->addMenu(QString::fromUtf8(entry.caption));
      menu->setObjectName(name);
      menu->menuAction()->setObjectName(name);
      menu->setFont(font());  // popups do not take the window's font by themselves
      continue;
    }
    if (entry.kind == MenuEntry::Kind::Separator) {
      menu->addSeparator()->setObjectName(name);
      continue;
    }
    QAction* action = menu->addAction(QString::fromUtf8(entry.caption));
    action->setObjectName(name);
    connect(action, &QAction::triggered, this,
            [this, handler = entry.handler] { traceMap_.Dispatch(handler); });
  }
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
