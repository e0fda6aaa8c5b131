#include "signals/signal_table.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

#include "base/format.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/configuration.h"
#include "qt_text.h"
#include "signals/list_edit.h"
#include "theme.h"

namespace vilk::ui {

namespace {

const char kMime[] = "application/x-vilk-signals";

QIcon TypeIconImage(int kind) {
  static QIcon icons[3];
  if (icons[kind].isNull() && kind > 0) {
    QPixmap pm(28, 14);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0, 150, 60));
    p.setPen(QColor(0, 90, 40));
    for (int i = 0; i < kind; ++i) p.drawEllipse(QRectF(2 + i * 12, 2, 10, 10));
    icons[kind] = QIcon(pm);
  }
  return icons[kind];
}

std::vector<SignalColumn> ColumnsFor(const TParams& list) {
  using C = SignalColumn;
  if (list.ListRole == kRolePool) return {C::Number, C::Name};
  if (list.ListRole == kRoleSelection) return {C::Number, C::Address, C::Name};
  switch (list.SignalKind) {
    case kKindTS:
      return {C::Number, C::Inversion, C::Type, C::Name};
    case kKindTI:
      return {C::Number, C::Gain, C::Group, C::Name};
    case kKindTU:
      return {C::Number, C::Blocking, C::Name};
    default:
      return {C::Number, C::Name};
  }
}

}  // namespace

SignalTableModel::SignalTableModel(TParams* list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), columns_(ColumnsFor(*list)), rows_(list->Count()) {}

int SignalTableModel::ColumnOf(SignalColumn c) const {
  for (std::size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i] == c) return static_cast<int>(i);
  return -1;
}

void SignalTableModel::SetHighlightNames(std::unordered_set<std::string> names) {
  highlight_ = std::move(names);
}

void SignalTableModel::Refresh() {
  if (rows_ != list_->Count()) {
    beginResetModel();
    rows_ = list_->Count();
    endResetModel();
  } else if (rows_ > 0) {
    emit dataChanged(index(0, 0), index(rows_ - 1, columnCount({}) - 1));
  }
}

int SignalTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}
int SignalTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant SignalTableModel::data(const QModelIndex& index, int role) const {
  const int row = index.row();
  if (!index.isValid() || row >= list_->Count()) return {};
  const TParam* s = list_->At(row);
  const SignalColumn col = Column(index.column());
  if (role == Qt::DisplayRole || role == Qt::EditRole) {
    if (col == SignalColumn::Number) return role == Qt::DisplayRole ? QVariant(row) : QVariant();
    if (col == SignalColumn::Address) {
      const TItem* owner = list_->Owner;
      return owner ? QStringLiteral(" ") + Q(owner->ChannelName(*list_, row)) : QString();
    }
    if (!s) return {};
    switch (col) {
      case SignalColumn::Inversion:
        return s->Inverted ? QStringLiteral("Вкл") : QString();
      case SignalColumn::Gain:
        return Q(GainText(*s));
      case SignalColumn::Group:
        return Q(s->Group);
      case SignalColumn::Blocking:
        return Q(BlockingText(*s));
      case SignalColumn::Name: {
        if (role == Qt::EditRole) return Q(TParams::ShortName(*s));
        if (ShowDefaultNames) return Q(s->DefaultName());
        QString text = list_->ListRole == kRoleOwn && !s->Prefix.empty() ? Q(TParams::ShortName(*s))
                                                                         : Q(s->Name());
        if (ShowValues) {
          const bool real = s->Kind == kKindTI || s->Kind == kKindTII;
          text += QStringLiteral(" ") +
                  (real ? Q(Format("%.7g", s->FloatValue)) : QString::number(s->IntValue));
        }
        return text;
      }
      default:
        return {};
    }
  }
  if (!s) return {};
  if (role == Qt::DecorationRole && col == SignalColumn::Type) {
    const int icon = TypeIcon(*list_, row);
    return icon ? TypeIconImage(icon) : QVariant();
  }
  if (role == Qt::ForegroundRole && col == SignalColumn::Name) {
    const QPalette pal = AppPalette();
    if (s->Selected) return pal.color(QPalette::HighlightedText);
    if (s->Unresolved) return GreyedText(pal);
    if (s->Name() != s->DefaultName()) return RenamedText(pal);
  }
  if (role == Qt::BackgroundRole) {
    if (col == SignalColumn::Name && s->Selected) return AppPalette().color(QPalette::Highlight);
    if (col == SignalColumn::Number && !highlight_.empty() && highlight_.count(s->Name()))
      return AppPalette().color(QPalette::Mid);
  }
  return {};
}

QVariant SignalTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  switch (Column(section)) {
    case SignalColumn::Number:
      return QStringLiteral("№");
    case SignalColumn::Address:
      return QStringLiteral("Адрес");
    case SignalColumn::Inversion:
      return QStringLiteral("Инверсия");
    case SignalColumn::Type:
      return QStringLiteral("Тип");
    case SignalColumn::Gain:
      return QStringLiteral("Дорасчет");
    case SignalColumn::Group:
      return QStringLiteral("Группа");
    case SignalColumn::Blocking:
      return QStringLiteral("Блокировка");
    case SignalColumn::Name:
      return QStringLiteral("Имя параметра");
  }
  return {};
}

Qt::ItemFlags SignalTableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f =
      Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
  if (Column(index.column()) == SignalColumn::Name && list_->ListRole == kRoleOwn) {
    const TParam* s = index.row() < list_->Count() ? list_->At(index.row()) : nullptr;
    if (s && !s->Fixed) f |= Qt::ItemIsEditable;
  }
  return f;
}

bool SignalTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || Column(index.column()) != SignalColumn::Name) return false;
  if (!CommitName(*list_, index.row(), S(value.toString()))) return false;
  emit dataChanged(index, index);
  emit NameCommitted();
  return true;
}

SignalTableView::SignalTableView(TParams* list, QWidget* parent)
    : QTableView(parent), model_(new SignalTableModel(list, this)) {
  setModel(model_);
  setItemDelegateForColumn(model_->ColumnOf(SignalColumn::Name), new NameDelegate(this));
  setSelectionMode(QAbstractItemView::NoSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setShowGrid(true);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setStretchLastSection(true);
  horizontalHeader()->setSectionsClickable(false);
  if (list->ListRole == kRolePool) horizontalHeader()->hide();
  for (int c = 0; c + 1 < model_->columnCount({}); ++c) {
    const SignalColumn col = model_->Column(c);
    const QString sample = col == SignalColumn::Number    ? QStringLiteral("8888")
                           : col == SignalColumn::Address ? QStringLiteral("0000_Порт 00")
                           : col == SignalColumn::Group ? QStringLiteral("Группа ТИ 000000")
                           : col == SignalColumn::Blocking ? QStringLiteral("ТУ_В | ТУ_О")
                                                           : QStringLiteral("Инверсия");
    setColumnWidth(c, fontMetrics().horizontalAdvance(sample) + 12);
  }
  setAcceptDrops(list->ListRole != kRolePool);
  setDragEnabled(false);  // drags start by the rules below
  connect(model_, &SignalTableModel::NameCommitted, this, &SignalTableView::Changed);
}

void SignalTableView::Refresh() {
  model_->Refresh();
}

void SignalTableView::Changed() {
  if (Hooks.Changed) Hooks.Changed();
  Refresh();
}

bool SignalTableView::EditName(int row) {
  const QModelIndex index = model_->index(row, model_->ColumnOf(SignalColumn::Name));
  if (!index.isValid() || !(model_->flags(index) & Qt::ItemIsEditable)) return false;
  setCurrentIndex(index);
  edit(index);
  return true;
}

void SignalTableView::ClickCell(int row, int column, Qt::KeyboardModifiers modifiers,
                                const QPoint& globalPos) {
  TParams& list = *List();
  if (row < 0 || row >= list.Count()) {
    ClearSelection(list);
    Changed();
    return;
  }
  setCurrentIndex(model_->index(row, column));
  TParam* s = list.At(row);
  switch (model_->Column(column)) {
    case SignalColumn::Inversion:
      if (s && !s->Fixed && !FixedLayout) {
        SelectOnly(list, row);
        ToggleInversion(list, row);
      }
      break;
    case SignalColumn::Type:
      if (!FixedLayout && CanChangeType(list, row)) {
        SelectOnly(list, row);
        Refresh();
        ChooseType(row, globalPos);
      }
      break;
    case SignalColumn::Gain:
      SelectOnly(list, row);
      Refresh();
      if (Hooks.EditGain) Hooks.EditGain(row);
      break;
    case SignalColumn::Group:
      if (!(s && s->Selected)) SelectOnly(list, row);
      Refresh();
      ChooseGroup(row, globalPos);
      break;
    case SignalColumn::Blocking:
      SelectOnly(list, row);
      Refresh();
      if (Hooks.EditBlocking) Hooks.EditBlocking(row);
      break;
    default:
      if (modifiers & Qt::ControlModifier)
        ToggleSelected(list, row);
      else if (modifiers & Qt::ShiftModifier)
        SelectThrough(list, row);
      else if (!(s && s->Selected))
        SelectOnly(list, row);
      break;
  }
  Changed();
}

void SignalTableView::ChooseType(int row, const QPoint& globalPos) {
  QMenu menu(this);
  const int current = List()->At(row)->TSType;
  QAction* single = menu.addAction(QStringLiteral("Однопозиционный  (1, 30)"));
  QAction* dbl = menu.addAction(QStringLiteral("Двухпозиционный  (3, 31)"));
  single->setCheckable(true);
  dbl->setCheckable(true);
  (current == 1 ? dbl : single)->setChecked(true);
  QAction* chosen = menu.exec(globalPos);
  if (chosen) SetTSType(*List(), row, chosen == dbl ? 1 : 0);
}

void SignalTableView::ChooseGroup(int row, const QPoint& globalPos) {
  QMenu menu(this);
  const TParam* s = List()->At(row);
  QAction* none = menu.addAction(QString());
  none->setData(QString());
  if (const TProc* proc = List()->Config().Controller().Proc())
    for (const SporadicGroup& g : proc->Groups) {
      QAction* a = menu.addAction(Q(g.Name));
      a->setData(Q(g.Name));
      if (s && s->Group == g.Name) menu.setActiveAction(a);
    }
  if (QAction* chosen = menu.exec(globalPos))
    SetGroupOfSelected(*List(), S(chosen->data().toString()));
}

void SignalTableView::mousePressEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  pressPos_ = event->position().toPoint();
  pressRow_ = index.isValid() ? index.row() : -1;
  setFocus();
  if (event->button() == Qt::RightButton || !index.isValid()) {
    ClickCell(-1, 0, event->modifiers(), event->globalPosition().toPoint());
    return;
  }
  if (event->button() == Qt::LeftButton)
    ClickCell(index.row(), index.column(), event->modifiers(), event->globalPosition().toPoint());
}

bool SignalTableView::CanStartDrag(int row) const {
  const TParams& list = *List();
  if (row < 0 || row >= list.Count()) return false;
  if (list.ListRole == kRolePool) return Hooks.CanDragFromPool && Hooks.CanDragFromPool();
  if (list.ListRole == kRoleSelection) return list.At(row) && list.At(row)->Selected;
  return false;
}

void SignalTableView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || pressRow_ < 0) return;
  if ((event->position().toPoint() - pressPos_).manhattanLength() <
      QApplication::startDragDistance())
    return;
  if (!CanStartDrag(pressRow_)) return;
  pressRow_ = -1;
  auto* drag = new QDrag(this);
  auto* mime = new QMimeData;
  mime->setData(QString::fromLatin1(kMime), QByteArray::number(reinterpret_cast<quintptr>(this)));
  drag->setMimeData(mime);
  drag->exec(Qt::CopyAction | Qt::MoveAction);
}

void SignalTableView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && index.isValid() &&
      model_->Column(index.column()) == SignalColumn::Name)
    EditName(index.row());
}

void SignalTableView::MoveCurrent(int row, Qt::KeyboardModifiers modifiers) {
  TParams& list = *List();
  if (list.Count() == 0) return;
  row = std::clamp(row, 0, list.Count() - 1);
  const int column =
      currentIndex().isValid() ? currentIndex().column() : model_->ColumnOf(SignalColumn::Name);
  setCurrentIndex(model_->index(row, column));
  scrollTo(currentIndex());
  if (modifiers & Qt::ShiftModifier)
    SelectThrough(list, row);
  else
    SelectOnly(list, row);
  Changed();
}

void SignalTableView::keyPressEvent(QKeyEvent* event) {
  const int row = CurrentRow();
  const int page = std::max(1, viewport()->height() / std::max(1, rowHeight(0)) - 1);
  switch (event->key()) {
    case Qt::Key_Up:
      MoveCurrent(row - 1, event->modifiers());
      return;
    case Qt::Key_Down:
      MoveCurrent(row + 1, event->modifiers());
      return;
    case Qt::Key_Home:
      MoveCurrent(0, event->modifiers());
      return;
    case Qt::Key_End:
      MoveCurrent(List()->Count() - 1, event->modifiers());
      return;
    case Qt::Key_PageUp:
      MoveCurrent(row - page, event->modifiers());
      return;
    case Qt::Key_PageDown:
      MoveCurrent(row + page, event->modifiers());
      return;
    case Qt::Key_Return:  // F2 stays the window's Save key
    case Qt::Key_Enter:
      if (row >= 0) EditName(row);
      return;
    case Qt::Key_Delete:
      if (List()->ListRole == kRoleSelection) {
        DeleteSelected(*List(), false);
        Changed();
      }
      return;
    case Qt::Key_A:
      if (event->modifiers() & Qt::ControlModifier) {
        SelectAll(*List());
        Changed();
        return;
      }
      break;
    default:
      break;
  }
  QTableView::keyPressEvent(event);
}

void SignalTableView::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasFormat(QString::fromLatin1(kMime)) &&
      qobject_cast<SignalTableView*>(event->source()))
    event->acceptProposedAction();
  else
    event->ignore();
}

void SignalTableView::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasFormat(QString::fromLatin1(kMime)))
    event->acceptProposedAction();
  else
    event->ignore();
}

void SignalTableView::dropEvent(QDropEvent* event) {
  auto* source = qobject_cast<SignalTableView*>(event->source());
  if (!source) return;
  const QModelIndex index = indexAt(event->position().toPoint());
  event->acceptProposedAction();
  DropFrom(source, index.isValid() ? index.row() : -1);
}

void SignalTableView::DropFrom(SignalTableView* source, int row) {
  TParams& list = *List();
  if (row < 0 || row > list.Count()) row = list.Count();
  int current = row;
  if (source == this) {
    current = MoveSelected(list, row);
  } else if (source->List()->ListRole == kRolePool &&
             source->List()->SignalKind == list.SignalKind) {
    InsertFromPool(list, *source->List(), row);
  } else {
    return;
  }
  Changed();
  if (current < list.Count())
    setCurrentIndex(model_->index(current, model_->ColumnOf(SignalColumn::Name)));
}

NameDelegate::NameDelegate(SignalTableView* view) : QStyledItemDelegate(view), view_(view) {}

QWidget* NameDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                    const QModelIndex&) const {
  auto* edit = new QLineEdit(parent);
  edit->setMaxLength(static_cast<int>(kMaxNameChars));
  edit->installEventFilter(const_cast<NameDelegate*>(this));
  return edit;
}

void NameDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  static_cast<QLineEdit*>(editor)->setText(index.data(Qt::EditRole).toString());
}

void NameDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                const QModelIndex& index) const {
  model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole);
}

bool NameDelegate::eventFilter(QObject* object, QEvent* event) {
  auto* editor = qobject_cast<QLineEdit*>(object);
  if (editor && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      const int row = view_->CurrentRow();
      emit commitData(editor);
      emit closeEditor(editor, QAbstractItemDelegate::NoHint);
      const int next =
          key == Qt::Key_Up ? std::max(0, row - 1) : std::min(view_->List()->Count() - 1, row + 1);
      QMetaObject::invokeMethod(
          view_, [v = view_, next] { v->EditName(next); }, Qt::QueuedConnection);
      return true;
    }
  }
  return QStyledItemDelegate::eventFilter(object, event);
}

}  // namespace vilk::ui
