#include "window_fit.h"

#include <QApplication>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <algorithm>
#include <memory>

#include "controller/controller.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "frame.h"
#include "model/configuration.h"

namespace vilk::ui {

namespace {

// The tree and the narrow pool panel beside a frame (see TFrame1::FitPanels), the
// splitter handles, the scroll area's frame and a vertical scroll bar.
constexpr int kTreeWidth = 230;
constexpr int kPoolWidth = 100;
constexpr int kSlack = 32;

TItem* PlaceRow(Configuration& config, const KindRow& row) {
  TController& c = config.Controller();
  if (row.IsBoard())
    return row.Code == 0 ? static_cast<TItem*>(c.Proc())
                         : config.Append(&c, MakeBoard(config, row.Code));
  if (row.IsPort()) {
    if (row.Code == kPortIP) return c.PortIP();
    auto port = MakePort(config, row.Code);
    return port ? config.Append(c.Proc(), std::move(port)) : nullptr;
  }
  if (row.Parent == kAnyParent) {
    auto list = MakeItem(config, row.Key());
    return list ? config.Append(c.Proc(), std::move(list)) : nullptr;
  }
  TItem* parent = nullptr;
  if (row.Parent == kPortIP) {
    parent = c.PortIP();
  } else if (auto port = MakePort(config, row.Parent)) {
    parent = config.Append(c.Proc(), std::move(port));
  }
  return parent ? parent->AddChild(row.Code) : nullptr;
}

}  // namespace

QSize LargestFrameHint() {
  static const QSize largest = [] {
    QSize size(0, 0);
    for (const KindRow& row : KindTable()) {
      if (!row.Make || !HasFrame(row.Key())) continue;
      SilentMessages quiet;
      Configuration config(quiet);
      TItem* item = PlaceRow(config, row);
      if (!item) continue;
      QWidget host;
      std::unique_ptr<ItemFrame> frame(CreateFrame(item, &host));
      if (frame) size = size.expandedTo(frame->sizeHint());
    }
    return size;
  }();
  return largest;
}

QSize WindowSizeFor(QSize frameHint, int sideWidth, int barsHeight) {
  return {frameHint.width() + sideWidth + kSlack, frameHint.height() + barsHeight + kSlack};
}

void FitWindowToFrames(QMainWindow* window, QSize frameHint) {
  int bars = window->menuBar()->sizeHint().height();
  for (const QToolBar* bar : window->findChildren<QToolBar*>()) bars += bar->sizeHint().height();
  bars += window->statusBar()->sizeHint().height();
  const QSize wanted = WindowSizeFor(frameHint, kTreeWidth + kPoolWidth, bars);

  QRect g = window->geometry();
  QScreen* screen = QGuiApplication::screenAt(g.center());
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) {
    window->resize(g.size().expandedTo(wanted));
    return;
  }
  // Room for the title bar and borders the window system adds around the geometry.
  const QRect avail = screen->availableGeometry().adjusted(0, 30, 0, 0);
  // Grown no further than the screen; a larger size the user left is his to keep.
  g.setSize(g.size().expandedTo(wanted.boundedTo(avail.size())));
  if (g.right() > avail.right()) g.moveRight(avail.right());
  if (g.bottom() > avail.bottom()) g.moveBottom(avail.bottom());
  // The title bar stays reachable whatever the size.
  if (g.left() < avail.left()) g.moveLeft(avail.left());
  if (g.top() < avail.top()) g.moveTop(avail.top());
  window->setGeometry(g);
}

}  // namespace vilk::ui
