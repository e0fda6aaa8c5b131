#include "frames/telemechanics/count_table.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "signals/param.h"

namespace vilk::ui {

QWidget* CountDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                     const QModelIndex&) const {
  auto* edit = new QLineEdit(parent);
  edit->setFrame(false);
  // Digits only; four of them hold every count a list can have (8192).
  edit->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), edit));
  open_ = edit;
  return edit;
}

void CountDelegate::CommitOpen() {
  if (!open_) return;
  QWidget* editor = open_;
  open_ = nullptr;
  emit commitData(editor);
  emit closeEditor(editor, QAbstractItemDelegate::NoHint);
}

CountTable::CountTable(QWidget* parent) : QTableWidget(kCountSlots, 2, parent) {
  setHorizontalHeaderLabels({QStringLiteral(" Тип сигнала"), QStringLiteral(" Кол-во сигналов")});
  verticalHeader()->setVisible(false);
  delegate_ = new CountDelegate(this);
  setItemDelegateForColumn(1, delegate_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::AllEditTriggers);
  for (int kind : kCountKinds) {
    const int row = CountSlot(kind);
    auto* name =
        new QTableWidgetItem(QStringLiteral("  ") + QString::fromUtf8(SignalKindOf(kind)->Caption));
    name->setFlags(Qt::ItemIsEnabled);
    setItem(row, 0, name);
    auto* count = new QTableWidgetItem(QStringLiteral("0"));
    count->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    setItem(row, 1, count);
  }
  horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  horizontalHeader()->setStretchLastSection(true);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFixedHeight(horizontalHeader()->sizeHint().height() +
                 verticalHeader()->defaultSectionSize() * kCountSlots + 2 * frameWidth());
  setMinimumWidth(horizontalHeader()->length() + 2 * frameWidth() + 40);
  connect(this, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* changed) {
    // Only a committed edit changes an item; an emptied cell keeps its count.
    if (filling_ || changed->column() != 1) return;
    if (changed->text().isEmpty()) {
      SetCounts(shown_);
      return;
    }
    emit CountsCommitted();
  });
}

void CountTable::SetCounts(const SignalCounts& counts) {
  shown_ = counts;
  filling_ = true;
  for (int i = 0; i < kCountSlots; ++i)
    item(i, 1)->setText(QString::number(counts[static_cast<std::size_t>(i)]));
  filling_ = false;
}

SignalCounts CountTable::Counts() const {
  SignalCounts counts{};
  for (int i = 0; i < kCountSlots; ++i) {
    bool ok = false;
    const int v = item(i, 1)->text().toInt(&ok);
    counts[static_cast<std::size_t>(i)] = ok ? v : 0;
  }
  return counts;
}

void CountTable::SetFixed(int signalKind, bool fixed) {
  QTableWidgetItem* cell = Cell(signalKind);
  filling_ = true;
  cell->setFlags(fixed ? Qt::ItemIsEnabled
                       : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
  cell->setForeground(fixed ? palette().brush(QPalette::Disabled, QPalette::Text)
                            : palette().brush(QPalette::Active, QPalette::Text));
  filling_ = false;
}

bool CountTable::IsFixed(int signalKind) const {
  return !(Cell(signalKind)->flags() & Qt::ItemIsEditable);
}

}  // namespace vilk::ui
