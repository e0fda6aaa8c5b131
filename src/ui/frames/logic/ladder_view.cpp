// The ladder grid: its drawing, the mouse and the keys (the frame holds the commands).
#include "frames/logic/ladder_frame.h"

#include <QCompleter>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QScrollBar>
#include <QStringListModel>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <unordered_set>

#include "base/format.h"
#include "link/live_values.h"
#include "model/configuration.h"
#include "ports/logic/ladder_text.h"
#include "qt_text.h"
#include "signals/params.h"
#include "signals/storage.h"
#include "widgets.h"

namespace vilk::ui {

namespace {
const QColor kSelectedFill(0xA6, 0xCA, 0xF0);  // sky blue
const QColor kRangeFill(0xC0, 0xDC, 0xC0);     // money green
const QColor kEnergised(0xD0, 0x10, 0x10);
constexpr int kCell = LadderView::kCell;
}  // namespace

// --- The grid ---

LadderView::LadderView(TPortLDFrame* frame, TPortLD* port, QWidget* parent)
    : QAbstractScrollArea(parent), frame_(frame), port_(port) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  setMinimumSize(4 * kCell, 3 * kCell);
}

void LadderView::SetCursor(int column, int row) {
  cursorColumn_ = std::clamp(column, 0, std::max(port_->GridWidth - 1, 0));
  cursorRow_ = std::clamp(row, 0, std::max(port_->GridRows - 1, 0));
  // Keep the cursor's cell in view (the scroll bars count cells).
  const int cols = std::max(viewport()->width() / kCell, 1);
  const int rows = std::max(viewport()->height() / kCell, 1);
  if (cursorColumn_ < horizontalScrollBar()->value())
    horizontalScrollBar()->setValue(cursorColumn_);
  else if (cursorColumn_ >= horizontalScrollBar()->value() + cols)
    horizontalScrollBar()->setValue(cursorColumn_ - cols + 1);
  if (cursorRow_ < verticalScrollBar()->value())
    verticalScrollBar()->setValue(cursorRow_);
  else if (cursorRow_ >= verticalScrollBar()->value() + rows)
    verticalScrollBar()->setValue(cursorRow_ - rows + 1);
  viewport()->update();
}

QPoint LadderView::CellAt(const QPoint& pos) const {
  return {pos.x() / kCell + horizontalScrollBar()->value(),
          pos.y() / kCell + verticalScrollBar()->value()};
}

void LadderView::UpdateRanges() {
  const int cols = viewport()->width() / kCell, rows = viewport()->height() / kCell;
  horizontalScrollBar()->setRange(0, std::max(port_->GridWidth - cols, 0));
  verticalScrollBar()->setRange(0, std::max(port_->GridRows - rows, 0));
  horizontalScrollBar()->setPageStep(std::max(cols, 1));
  verticalScrollBar()->setPageStep(std::max(rows, 1));
}

void LadderView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateRanges();
}

QPen LadderView::Wire(const TBaseLD* e) const {
  const TLadderSim* sim = frame_->Simulator();
  if (sim && sim->Energised(e)) return QPen(kEnergised, 3);
  return QPen(Qt::black, 1);
}

void LadderView::PaintElement(QPainter& p, const TBaseLD& e, const QRect& area) const {
  const int x = e.Column * kCell, y = e.Row * kCell, mid = y + kCell / 2;
  if (e.ElementType() == TBaseLD::Type::Stack) {
    const auto& s = static_cast<const TStack&>(e);
    if (s.Branches.empty()) return;
    const int top = s.Branches.front()->Row * kCell + kCell / 2;
    const int bottom = s.Branches.back()->Row * kCell + kCell / 2;
    p.setPen(Wire(&e));
    if (e.Column > 0) p.drawLine(x, top, x, bottom);
    p.drawLine(x + e.Width * kCell, top, x + e.Width * kCell, bottom);
    for (const auto& b : s.Branches)
      if (b->Row <= area.bottom() && b->Row + b->Height > area.top()) PaintLine(p, *b, area);
    return;
  }
  const bool inRange = e.Row == port_->RangeRow && e.Column >= port_->RangeFromColumn &&
                       e.Column <= port_->RangeToColumn;
  const QColor fill = inRange ? kRangeFill : kSelectedFill;
  if (e.Selected()) p.fillRect(x, y, kCell, kCell, fill);
  if (e.ElementType() == TBaseLD::Type::Kept) {
    p.setPen(Qt::gray);
    p.drawRect(x + 20, y + 20, 24, 24);
    p.drawText(QRect(x, y + 20, kCell, 24), Qt::AlignCenter, QStringLiteral("?"));
    return;
  }
  const auto& c = static_cast<const TLD&>(e);
  // The wire is broken between the bars.
  p.fillRect(x + 28, mid - 2, 9, 5, e.Selected() ? fill : QColor(Qt::white));
  p.setPen(Wire(&e));
  p.drawLine(x + 27, y + 20, x + 27, y + 44);
  p.drawLine(x + 37, y + 20, x + 37, y + 44);
  if (c.Inverse) p.drawLine(x + 24, y + 44, x + 40, y + 20);
  if (!c.Signal) return;  // no label without a signal
  const int index = port_->PoolIndex(c);
  QFont font = p.font();
  const TLD* selected = frame_->SelectedContact();
  font.setBold(selected && selected->Signal && selected->Signal.get() == c.Signal.get());
  p.setFont(font);
  p.setPen(index < 0 ? QColor(Qt::red) : QColor(Qt::blue));
  const QString label = index < 0 ? QStringLiteral("ТС_?") : QStringLiteral("ТС_%1").arg(index);
  p.drawText(QRect(x, y + 46, kCell, 16), Qt::AlignCenter, label);
  font.setBold(false);
  p.setFont(font);
  if (const TLadderSim* sim = frame_->Simulator()) {
    // The input's value beside the contact.
    p.setPen(sim->Value(c.Signal.get()) ? kEnergised : QColor(Qt::darkGray));
    p.drawText(QRect(x, y + 2, kCell, 16), Qt::AlignCenter,
               sim->Value(c.Signal.get()) ? QStringLiteral("1") : QStringLiteral("0"));
  }
}

void LadderView::PaintLine(QPainter& p, const TLine& line, const QRect& area) const {
  const int mid = line.Row * kCell + kCell / 2;
  p.setPen(Wire(&line));
  p.drawLine(line.Column * kCell, mid, (line.Column + line.Width) * kCell, mid);
  for (const auto& e : line.Elements) {
    if (e->Column > area.right() || e->Column + e->Width <= area.left()) continue;
    if (e->Row > area.bottom() || e->Row + e->Height <= area.top()) continue;
    PaintElement(p, *e, area);
  }
}

void LadderView::PaintCells(QPainter& p, QPoint first, QSize cells) const {
  const QRect area(first, cells);  // in cells
  p.fillRect(QRect(first * kCell, cells * kCell), Qt::white);
  const int firstTask = std::max(port_->TaskAtRow(area.top()), 0);
  for (int i = firstTask; i < port_->TaskCount(); ++i) {
    const TTaskLD& t = *port_->Tasks[static_cast<std::size_t>(i)];
    if (t.Row > area.bottom()) break;
    const int top = t.Row * kCell, bottom = (t.Row + t.Height) * kCell;
    // A range selection: every cell of it, the empty ones too.
    if (port_->RangeRow >= t.Row && port_->RangeRow < t.Row + t.Height)
      for (int c = port_->RangeFromColumn; c <= port_->RangeToColumn; ++c)
        p.fillRect(c * kCell, port_->RangeRow * kCell, kCell, kCell, kRangeFill);
    p.setPen(Qt::black);
    p.drawLine(5, top, 5, bottom);
    p.drawLine(6, top, 6, bottom);
    const TOutLD& out = *t.Output;
    const int ox = out.Column * kCell, oy = out.Row * kCell;
    if (!t.Kept.empty()) {
      p.setPen(Qt::gray);
      p.drawText(QRect(kCell / 4, top, (out.Column - 1) * kCell, kCell), Qt::AlignVCenter,
                 QStringLiteral("задача новой версии: сохраняется без изменений"));
    } else {
      PaintLine(p, *t.Line, area);
    }
    if (out.Selected()) p.fillRect(ox, oy, kCell, kCell, kSelectedFill);
    const TLadderSim* sim = frame_->Simulator();
    const bool on = sim && sim->Output(i);
    p.setPen(Wire(&out));
    p.setBrush(on ? QBrush(kEnergised) : Qt::NoBrush);
    p.drawEllipse(QPoint(ox + kCell / 2, oy + kCell / 2), 10, 10);
    p.setBrush(Qt::NoBrush);
    if (out.Inverse) p.drawLine(ox + 22, oy + 42, ox + 42, oy + 22);
    p.setPen(Qt::black);
    const TParam* s = port_->OutputSignal(i);
    const QString name = s ? Q(TParams::ShortName(*s)) : Q(port_->OutputNames[std::size_t(i)]);
    p.drawText(QRect(ox - kCell / 2, oy + 46, 2 * kCell, 16), Qt::AlignCenter, name);
  }
}

void LadderView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  const QPoint first(horizontalScrollBar()->value(), verticalScrollBar()->value());
  const QSize cells(viewport()->width() / kCell + 1, viewport()->height() / kCell + 1);
  p.translate(-first * kCell);
  PaintCells(p, first, cells);
  if (hover_.x() >= 0) {
    p.setPen(QPen(Qt::green, 2));
    p.drawRect(hover_.x() * kCell + 1, hover_.y() * kCell + 1, kCell - 2, kCell - 2);
  }
  if (hasFocus() || port_->GridRows > 0) {
    p.setPen(QPen(Qt::darkBlue, 1, Qt::DashLine));
    p.drawRect(cursorColumn_ * kCell + 3, cursorRow_ * kCell + 3, kCell - 6, kCell - 6);
  }
}

void LadderView::mousePressEvent(QMouseEvent* event) {
  setFocus();
  const QPoint cell = CellAt(event->position().toPoint());
  if (event->button() == Qt::RightButton) {
    if (QMenu* menu = frame_->ElementMenu(cell.x(), cell.y())) {
      menu->exec(event->globalPosition().toPoint());
      delete menu;
    }
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  SetCursor(cell.x(), cell.y());
  if (frame_->Simulator())
    frame_->ToggleInputAt(cell.x(), cell.y());
  else
    frame_->ClickCell(cell.x(), cell.y(), event->modifiers());
}

void LadderView::mouseMoveEvent(QMouseEvent* event) {
  // While "Контакт" is down the cell under the mouse is marked.
  const QPoint cell =
      frame_->ContactButton()->isChecked() ? CellAt(event->position().toPoint()) : QPoint(-1, -1);
  if (cell != hover_) {
    hover_ = cell;
    viewport()->update();
  }
}

void LadderView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || frame_->Simulator()) return;
  const QPoint cell = CellAt(event->position().toPoint());
  frame_->DoubleClickCell(cell.x(), cell.y());
}

void LadderView::keyPressEvent(QKeyEvent* event) {
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  switch (event->key()) {
    case Qt::Key_Left:
      SetCursor(cursorColumn_ - 1, cursorRow_);
      return;
    case Qt::Key_Right:
      SetCursor(cursorColumn_ + 1, cursorRow_);
      return;
    case Qt::Key_Up:
      SetCursor(cursorColumn_, cursorRow_ - 1);
      return;
    case Qt::Key_Down:
      SetCursor(cursorColumn_, cursorRow_ + 1);
      return;
    case Qt::Key_Insert:
      frame_->InsertAtCursor();
      return;
    case Qt::Key_Delete:
      frame_->DeleteAtCursor();
      return;
    case Qt::Key_Slash:
      frame_->InvertAtCursor();
      return;
    case Qt::Key_Space:
      if (frame_->Simulator()) frame_->ToggleInputAt(cursorColumn_, cursorRow_);
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      frame_->PickSignalAtCursor();
      return;
    case Qt::Key_C:
      if (ctrl) {
        frame_->CopyAtCursor();
        return;
      }
      break;
    case Qt::Key_V:
      if (ctrl) {
        frame_->PasteTask();
        return;
      }
      break;
    default:
      break;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

}  // namespace vilk::ui
