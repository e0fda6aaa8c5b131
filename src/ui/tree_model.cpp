#include "tree_model.h"

#include <QPalette>

#include "controller/controller.h"
#include "icons.h"
#include "qt_text.h"

namespace vilk::ui {

TreeModel::TreeModel(Configuration& config, QObject* parent)
    : QAbstractItemModel(parent), config_(config) {
  config_.AddObserver(this);
}

TreeModel::~TreeModel() {
  config_.RemoveObserver(this);
}

TItem* TreeModel::ItemAt(const QModelIndex& index) {
  return index.isValid() ? static_cast<TItem*>(index.internalPointer()) : nullptr;
}

QModelIndex TreeModel::IndexOf(const TItem* item) const {
  if (!item) return {};
  return createIndex(item->Row(), 0, const_cast<TItem*>(item));
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  if (!parent.isValid()) return row == 0 ? createIndex(0, 0, &config_.Controller()) : QModelIndex();
  TItem* p = ItemAt(parent);
  if (row >= p->ChildCount()) return {};
  return createIndex(row, 0, p->Child(row));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
  TItem* item = ItemAt(child);
  if (!item || !item->Parent()) return {};
  return IndexOf(item->Parent());
}

int TreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return 1;
  return ItemAt(parent)->ChildCount();
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
  const TItem* item = ItemAt(index);
  if (!item) return {};
  switch (role) {
    case Qt::DisplayRole:
      return Q(item->Caption());
    case Qt::DecorationRole:
      return NodeIconWithState(item->Icon(), item->StateIcon());
    case Qt::ForegroundRole:
      // Kept blocks are greyed in the theme's own colour for disabled text.
      if (item->IsReadOnly()) return QPalette().color(QPalette::Disabled, QPalette::Text);
      return {};
    case Qt::ToolTipRole:
      if (item->IsReadOnly())
        return QStringLiteral("Блок не прочитан этой версией и сохраняется без изменений");
      if (item->StateIcon() == 3)
        return QStringLiteral("Порт не совместим с контроллером или его версией ПФ.");
      return {};
    default:
      return {};
  }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

void TreeModel::ItemAboutToBeInserted(TItem* parent, int row) {
  beginInsertRows(IndexOf(parent), row, row);
}
void TreeModel::ItemInserted(TItem*) {
  endInsertRows();
  emit TreeChanged();
}

void TreeModel::ItemAboutToBeRemoved(TItem* item) {
  beginRemoveRows(IndexOf(item->Parent()), item->Row(), item->Row());
}
void TreeModel::ItemRemoved(TItem*, int) {
  endRemoveRows();
  emit TreeChanged();
}

void TreeModel::ItemAboutToBeMoved(TItem* item, TItem* newParent, int newRow) {
  moving_ =
      beginMoveRows(IndexOf(item->Parent()), item->Row(), item->Row(), IndexOf(newParent), newRow);
  if (!moving_) beginResetModel();
}
void TreeModel::ItemMoved(TItem*) {
  if (moving_)
    endMoveRows();
  else
    endResetModel();
  emit TreeChanged();
}

void TreeModel::ItemChanged(TItem* item) {
  const QModelIndex i = IndexOf(item);
  emit dataChanged(i, i);
  emit TreeChanged();
}

void TreeModel::TreeAboutToBeReset() {
  beginResetModel();
}
void TreeModel::TreeReset() {
  endResetModel();
}

void TreeModel::SelectRequested(TItem* item) {
  emit SelectionRequested(item);
}
void TreeModel::ModelApplied() {
  emit ModelWasApplied();
}
void TreeModel::PoolChanged() {
  emit PoolWasChanged();
}

}  // namespace vilk::ui
