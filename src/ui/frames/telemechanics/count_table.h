#pragma once
// "Таблица количества считываемых сигналов": one row per signal kind (ТС, ТУ, ТИ, ТИИ, ТР,
// МТС) with its count. A cell takes digits only; a count reaches the device when the edit
// is committed (Enter, leaving the cell or the table), never on a keystroke, so that
// typing 1500 never passes through 1, 15 and 150 and lets the signals above them go.
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "ports/telemechanics/counted.h"

namespace vilk::ui {

class CountTable;

class CountDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  explicit CountDelegate(QObject* parent) : QStyledItemDelegate(parent) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  // Commits and closes the editor that is open, if any.
  void CommitOpen();
  QWidget* OpenEditor() const { return open_; }

 private:
  mutable QPointer<QWidget> open_;
};

class CountTable : public QTableWidget {
  Q_OBJECT
 public:
  explicit CountTable(QWidget* parent);

  void SetCounts(const SignalCounts& counts);
  SignalCounts Counts() const;
  // Rows whose count the device derives (measurements and totals under Сириус and
  // Виконт) take no typing.
  void SetFixed(int signalKind, bool fixed);
  bool IsFixed(int signalKind) const;
  // The count cell of a kind.
  QTableWidgetItem* Cell(int signalKind) const { return item(CountSlot(signalKind), 1); }
  // Commits a cell that is being edited (before the frame is written back).
  void CommitOpen() { delegate_->CommitOpen(); }
  QWidget* OpenEditor() const { return delegate_->OpenEditor(); }

 signals:
  // A count cell was committed with a new text.
  void CountsCommitted();

 private:
  CountDelegate* delegate_;
  SignalCounts shown_{};
  bool filling_ = false;
};

}  // namespace vilk::ui
