#include "frames/signal_list_frame.h"

#include <QHeaderView>
#include <QVBoxLayout>

#include "qt_text.h"

namespace vilk::ui {

QVariant SignalListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= list_->Count()) return {};
  const TParam* s = list_->At(index.row());
  if (index.column() == 0) return index.row() + 1;
  return s ? Q(s->Name()) : QString();
}

QVariant SignalListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  return section == 0 ? QStringLiteral("№") : QStringLiteral("Имя");
}

TSignalListFrame::TSignalListFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  model_ = new SignalListModel(static_cast<TParams*>(item), this);
  view_ = new QTableView(this);
  view_->setModel(model_);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 4);
  view_->horizontalHeader()->setStretchLastSection(true);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  layout->addWidget(view_);
}

void TSignalListFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  model_->layoutChanged();
  view_->resizeColumnToContents(0);
}

}  // namespace vilk::ui
