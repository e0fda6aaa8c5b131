#include "diff_view.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "controller/controller.h"
#include "model/configuration.h"

namespace vilk::ui {

namespace {

QString Q(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool InTree(const TItem& at, const TItem* item) {
  if (&at == item) return true;
  for (int i = 0; i < at.ChildCount(); ++i)
    if (InTree(*at.Child(i), item)) return true;
  return false;
}

QString Sign(ItemDiff::Kind kind) {
  switch (kind) {
    case ItemDiff::Added:
      return QStringLiteral("+");
    case ItemDiff::Removed:
      return QStringLiteral("-");
    case ItemDiff::Moved:
      return QStringLiteral(">");
    default:
      return QStringLiteral("~");
  }
}

}  // namespace

DiffView::DiffView(Configuration& current, QWidget* parent)
    : QDockWidget(QStringLiteral("Сравнение"), parent), current_(current) {
  setObjectName(QStringLiteral("DiffView"));
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(2, 2, 2, 2);
  title_ = new QLabel(body);
  tree_ = new QTreeWidget(body);
  tree_->setHeaderLabels({QStringLiteral(" "), QStringLiteral("Узел / поле")});
  tree_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  tree_->setToolTip(QStringLiteral("Двойной щелчок - переход к узлу"));
  layout->addWidget(title_);
  layout->addWidget(tree_);
  setWidget(body);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    while (item->parent()) item = item->parent();
    GoTo(tree_->indexOfTopLevelItem(item));
  });
}

DiffView::~DiffView() = default;

void DiffView::Compare(std::unique_ptr<Configuration> other, const QString& source) {
  tree_->clear();
  other_ = std::move(other);
  diffs_ = CompareTrees(other_->Controller(), current_.Controller());
  title_->setText(diffs_.empty() ? source + QStringLiteral(": различий нет.")
                                 : source + QStringLiteral(" -> открытая конфигурация: "
                                                           "различий %1")
                                                .arg(diffs_.size()));
  QList<QTreeWidgetItem*> rows;
  for (const ItemDiff& d : diffs_) {
    const QString path =
        d.What == ItemDiff::Moved ? Q(d.Path) + QStringLiteral(" -> ") + Q(d.NewPath) : Q(d.Path);
    auto* row = new QTreeWidgetItem({Sign(d.What), path});
    for (const FieldChange& f : d.Fields)
      row->addChild(new QTreeWidgetItem({QString(), Q(f.Name) + QStringLiteral(": ") + Q(f.Old) +
                                                        QStringLiteral(" -> ") + Q(f.New)}));
    rows << row;
  }
  tree_->addTopLevelItems(rows);
  tree_->expandAll();
  show();
  raise();
}

bool DiffView::GoTo(int row) {
  if (row < 0 || row >= static_cast<int>(diffs_.size())) return false;
  auto* item = const_cast<TItem*>(diffs_[static_cast<std::size_t>(row)].New);
  if (!item || !InTree(current_.Controller(), item)) return false;
  current_.RequestSelect(item);
  return true;
}

}  // namespace vilk::ui
