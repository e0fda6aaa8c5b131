#include "check_dock.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "controller/controller.h"
#include "model/configuration.h"

namespace vilk::ui {

namespace {
// Pointer equality only: a node removed since the check is never touched.
bool InTree(const TItem& at, const TItem* item) {
  if (&at == item) return true;
  for (int i = 0; i < at.ChildCount(); ++i)
    if (InTree(*at.Child(i), item)) return true;
  return false;
}

QString Q(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

CheckDock::CheckDock(Configuration& config, QWidget* parent)
    : QDockWidget(QStringLiteral("Проверка"), parent), config_(config) {
  setObjectName(QStringLiteral("CheckDock"));
  auto* body = new QWidget(this);
  auto* layout = new QVBoxLayout(body);
  layout->setContentsMargins(2, 2, 2, 2);
  summary_ = new QLabel(body);
  list_ = new QTreeWidget(body);
  list_->setRootIsDecorated(false);
  list_->setHeaderLabels(
      {QStringLiteral("Важность"), QStringLiteral("Узел"), QStringLiteral("Сообщение")});
  list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  list_->setToolTip(QStringLiteral("Двойной щелчок - переход к узлу"));
  layout->addWidget(summary_);
  layout->addWidget(list_);
  setWidget(body);
  connect(list_, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item) { GoTo(list_->indexOfTopLevelItem(item)); });
}

bool CheckDock::Run() {
  problems_ = Validate(config_);
  list_->clear();
  int errors = 0;
  QList<QTreeWidgetItem*> rows;
  for (const Problem& p : problems_) {
    if (p.Level == Severity::Error) ++errors;
    auto* row = new QTreeWidgetItem({Q(SeverityText(p.Level)), Q(p.Path), Q(p.Message)});
    if (p.Level == Severity::Error) row->setForeground(0, QBrush(Qt::red));
    rows << row;
  }
  list_->addTopLevelItems(rows);
  const int warnings = static_cast<int>(problems_.size()) - errors;
  summary_->setText(
      problems_.empty()
          ? QStringLiteral("Ошибок нет.")
          : QStringLiteral("Ошибок: %1, предупреждений: %2").arg(errors).arg(warnings));
  show();
  raise();
  return errors == 0;
}

bool CheckDock::GoTo(int row) {
  if (row < 0 || row >= static_cast<int>(problems_.size())) return false;
  // The tree may have changed since the check: only a node still in it is selected.
  auto* item = const_cast<TItem*>(problems_[static_cast<std::size_t>(row)].Item);
  if (!item || !InTree(config_.Controller(), item)) return false;
  config_.RequestSelect(item);
  return true;
}

}  // namespace vilk::ui
