#pragma once
#include <QAbstractTableModel>
#include <QTableView>

#include "frame.h"
#include "signals/params.h"

namespace vilk::ui {

// A signal list shown read-only: number and name of every signal. The full list editor
// replaces it.
class SignalListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit SignalListModel(TParams* list, QObject* parent) : QAbstractTableModel(parent), list_(list) {}
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : list_->Count(); }
  int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 2; }
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  TParams* list_;
};

class TSignalListFrame : public ItemFrame {
  Q_OBJECT
 public:
  TSignalListFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;

 private:
  SignalListModel* model_;
  QTableView* view_;
};

}  // namespace vilk::ui
