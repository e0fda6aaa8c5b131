#include "search_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include "controller/controller.h"
#include "qt_text.h"
#include "signals/list_edit.h"
#include "signals/list_frame.h"
#include "tree_editor.h"

namespace vilk::ui {

// Any change of the tree or of a signal makes the index stale; it is rebuilt on the next
// keystroke, not on every change.
class SearchDialog::Watcher : public ITreeObserver {
 public:
  Watcher(Configuration& config, bool& stale) : config_(config), stale_(stale) {
    config_.AddObserver(this);
  }
  ~Watcher() override { config_.RemoveObserver(this); }
  void ItemInserted(TItem*) override { stale_ = true; }
  void ItemAboutToBeRemoved(TItem*) override { stale_ = true; }
  void ItemMoved(TItem*) override { stale_ = true; }
  void ItemChanged(TItem*) override { stale_ = true; }
  void ItemEdited(TItem*) override { stale_ = true; }
  void TreeAboutToBeReset() override { stale_ = true; }
  void PoolChanged() override { stale_ = true; }

 private:
  Configuration& config_;
  bool& stale_;
};

SearchDialog::SearchDialog(Configuration& config, TFrame1* editor, QWidget* parent)
    : QDialog(parent), config_(config), editor_(editor) {
  setWindowTitle(QStringLiteral("Поиск"));
  watcher_ = std::make_unique<Watcher>(config_, stale_);
  auto* layout = new QVBoxLayout(this);
  edit_ = new QLineEdit(this);
  edit_->setPlaceholderText(QStringLiteral("Часть имени узла или сигнала"));
  edit_->setClearButtonEnabled(true);
  layout->addWidget(edit_);
  results_ = new QListWidget(this);
  layout->addWidget(results_, 1);
  summary_ = new QLabel(this);
  layout->addWidget(summary_);
  connect(edit_, &QLineEdit::textChanged, this, [this] { Update(); });
  connect(edit_, &QLineEdit::returnPressed, this,
          [this] { Activate(results_->currentRow() >= 0 ? results_->currentRow() : 0); });
  connect(results_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { Activate(results_->row(item)); });
  resize(520, 420);
}

SearchDialog::~SearchDialog() = default;

void SearchDialog::Update() {
  if (stale_) {
    index_.Build(config_.Controller());
    stale_ = false;
  }
  std::size_t total = 0;
  hits_ = index_.Find(S(edit_->text()), kShown, &total);
  results_->clear();
  for (const SearchHit& hit : hits_) {
    QString line = Q(hit.Text);
    if (hit.Row >= 0)
      line += QStringLiteral("    (") + Q(hit.Owner) + QStringLiteral(", № ") +
              QString::number(hit.Row) + QLatin1Char(')');
    else if (hit.Owner != hit.Text)
      line += QStringLiteral("    (") + Q(hit.Owner) + QLatin1Char(')');
    results_->addItem(line);
  }
  if (!hits_.empty()) results_->setCurrentRow(0);
  if (edit_->text().isEmpty())
    summary_->clear();
  else if (total > hits_.size())
    summary_->setText(
        QStringLiteral("Найдено: %1, показаны первые %2").arg(total).arg(hits_.size()));
  else
    summary_->setText(QStringLiteral("Найдено: %1").arg(total));
}

bool SearchDialog::Activate(int row) {
  if (stale_) Update();  // the hits may point at a tree that is gone
  if (row < 0 || row >= static_cast<int>(hits_.size())) return false;
  const SearchHit hit = hits_[static_cast<std::size_t>(row)];
  if (!editor_->Select(hit.Item)) return false;
  if (hit.Row < 0) return true;
  auto* frame = qobject_cast<TFrameParams*>(editor_->CurrentFrame());
  if (!frame) return false;
  SelectOnly(*frame->List(), hit.Row);
  SignalTableView* view = frame->View();
  view->Refresh();
  const QModelIndex index =
      view->Model()->index(hit.Row, view->Model()->ColumnOf(SignalColumn::Name));
  view->setCurrentIndex(index);
  view->scrollTo(index);
  return true;
}

void SearchDialog::keyPressEvent(QKeyEvent* event) {
  // Up and Down move through the results while typing.
  if ((event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) && results_->count() > 0) {
    const int step = event->key() == Qt::Key_Down ? 1 : -1;
    results_->setCurrentRow(std::clamp(results_->currentRow() + step, 0, results_->count() - 1));
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace vilk::ui
