#pragma once
// The configuration tree as a Qt item model. It listens to the core tree and maps its
// before/after notifications onto the model's begin/end calls.
#include <QAbstractItemModel>

#include "model/configuration.h"

namespace vilk::ui {

class TreeModel : public QAbstractItemModel, public ITreeObserver {
  Q_OBJECT
 public:
  explicit TreeModel(Configuration& config, QObject* parent = nullptr);
  ~TreeModel() override;

  QModelIndex IndexOf(const TItem* item) const;
  static TItem* ItemAt(const QModelIndex& index);

  QModelIndex index(int row, int column, const QModelIndex& parent) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent) const override;
  int columnCount(const QModelIndex&) const override { return 1; }
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // ITreeObserver
  void ItemAboutToBeInserted(TItem* parent, int row) override;
  void ItemInserted(TItem* item) override;
  void ItemAboutToBeRemoved(TItem* item) override;
  void ItemRemoved(TItem* parent, int row) override;
  void ItemAboutToBeMoved(TItem* item, TItem* newParent, int newRow) override;
  void ItemMoved(TItem* item) override;
  void ItemChanged(TItem* item) override;
  void TreeAboutToBeReset() override;
  void TreeReset() override;
  void SelectRequested(TItem* item) override;
  void ModelApplied() override;
  void PoolChanged() override;

 signals:
  void SelectionRequested(vilk::TItem* item);  // delivered queued: the asking frame may be busy
  void ModelWasApplied();
  void PoolWasChanged();
  void TreeChanged();  // anything structural or a caption: the configuration is modified

 private:
  Configuration& config_;
  bool moving_ = false;
};

}  // namespace vilk::ui
