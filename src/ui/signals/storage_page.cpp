#include "signals/storage_page.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <unordered_set>

#include "base/text.h"
#include "qt_text.h"
#include "signals/list_edit.h"
#include "signals/storage.h"

namespace vilk::ui {

TStoragePage::TStoragePage(Configuration& config, QWidget* parent)
    : QWidget(parent), config_(config) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* column = new QVBoxLayout;
  column->setSpacing(2);
  layout->addLayout(column);
  auto* right = new QVBoxLayout;
  right->setSpacing(2);
  filter_ = new QLineEdit(this);
  filter_->setPlaceholderText(QStringLiteral("Фильтр"));
  filter_->setClearButtonEnabled(true);
  right->addWidget(filter_);
  tabs_ = new QTabWidget(this);
  tabs_->setDocumentMode(true);
  right->addWidget(tabs_, 1);
  layout->addLayout(right, 1);
  connect(filter_, &QLineEdit::textChanged, this, [this] { ApplyFilter(View(ActiveKind())); });
  for (int k = 1; k <= kSignalKinds; ++k) {
    auto* view = new SignalTableView(&config_.Storage().List(k), tabs_);
    view->Hooks.Changed = [this] { Refresh(); };
    // A pairing port takes its channels' signals by drag from the pool list of its kind.
    view->Hooks.CanDragFromPool = [this] {
      return CanAdd() ||
             (open_ && open_->ListRole == kRolePairing && open_->SignalKind == ActiveKind());
    };
    views_[static_cast<std::size_t>(k - 1)] = view;
    tabs_->addTab(view, Q(SignalKindOf(k)->Caption));
  }
  auto add = [&](const QString& hint, QStyle::StandardPixmap icon, std::function<void()> action) {
    column->addWidget(AddButton(hint, icon, std::move(action)));
  };
  add(QStringLiteral("Добавить выбранные"), QStyle::SP_ArrowLeft, [this] { AddSelected(false); });
  add(QStringLiteral("Добавить все"), QStyle::SP_MediaSeekBackward, [this] { AddSelected(true); });
  add(QStringLiteral("Добавить пустую строку"), QStyle::SP_FileIcon, [this] { AddEmptyRow(); });
  add(QStringLiteral("Очистить выбранные"), QStyle::SP_DialogResetButton,
      [this] { ClearSelected(); });
  add(QStringLiteral("Удалить выбранные"), QStyle::SP_DialogCancelButton,
      [this] { DeleteSelectedEntries(false); });
  add(QStringLiteral("Удалить все"), QStyle::SP_TrashIcon, [this] { DeleteSelectedEntries(true); });
  add(QStringLiteral("Сдвинуть вверх"), QStyle::SP_ArrowUp, [this] { NamesUp(); });
  add(QStringLiteral("Сдвинуть вниз"), QStyle::SP_ArrowDown, [this] { NamesDown(); });
  add(QStringLiteral("Вернуть исходное имя"), QStyle::SP_BrowserReload, [this] { RestoreNames(); });
  add(QStringLiteral("Установить настройки ТИ по шаблону"), QStyle::SP_DialogApplyButton,
      [this] { ApplyTemplate(); });
  QToolButton* priority =
      AddButton(QStringLiteral("Установить приоритет в ТИ"), QStyle::SP_TitleBarShadeButton, [] {});
  priority->hide();
  column->addStretch();
  connect(tabs_, &QTabWidget::currentChanged, this, [this] { Refresh(); });
  Refresh();
}

QToolButton* TStoragePage::AddButton(const QString& hint, QStyle::StandardPixmap icon,
                                     std::function<void()> action) {
  auto* b = new QToolButton(this);
  b->setIcon(style()->standardIcon(icon));
  b->setToolTip(hint);
  b->setAutoRaise(true);
  connect(b, &QToolButton::clicked, this, std::move(action));
  buttons_.push_back(b);
  return b;
}

QToolButton* TStoragePage::Button(const QString& hint) const {
  for (QToolButton* b : buttons_)
    if (b->toolTip() == hint) return b;
  return nullptr;
}

void TStoragePage::SetOpen(TItem* item, TFrameParams* frame) {
  open_ = item;
  frame_ = frame;
  if (item && item->SignalKind >= 1 && item->SignalKind <= kSignalKinds)
    SetActiveKind(item->SignalKind);
  Refresh();
}

TParams* TStoragePage::OpenList() const {
  return open_ ? open_->AsParams() : nullptr;
}

bool TStoragePage::CanAdd() const {
  const TParams* list = OpenList();
  return list && list->ListRole == kRoleSelection && list->SignalKind == ActiveKind();
}

void TStoragePage::Refresh() {
  setEnabled(config_.PoolPageEnabled);
  const TParams* list = OpenList();
  const bool selection = list && list->ListRole == kRoleSelection;
  const bool own = list && list->ListRole == kRoleOwn;
  const bool movable = own && list->Count() > 0 && list->At(0) && !list->At(0)->Fixed;
  Button(QStringLiteral("Добавить выбранные"))->setEnabled(CanAdd());
  Button(QStringLiteral("Добавить все"))->setEnabled(CanAdd());
  for (const char* hint :
       {"Добавить пустую строку", "Очистить выбранные", "Удалить выбранные", "Удалить все"})
    Button(QString::fromUtf8(hint))->setEnabled(selection);
  Button(QStringLiteral("Сдвинуть вверх"))->setEnabled(movable);
  Button(QStringLiteral("Сдвинуть вниз"))->setEnabled(movable);
  Button(QStringLiteral("Установить настройки ТИ по шаблону"))
      ->setEnabled(own && list->SignalKind == kKindTI && SharedTITemplate().Set);

  // The pool list of the open selection's kind marks the signals that selection holds.
  for (int k = 1; k <= kSignalKinds; ++k) {
    std::unordered_set<std::string> names;
    if (selection && list->SignalKind == k)
      for (const TParam* s : list->Items)
        if (s) names.insert(s->Name());
    View(k)->Model()->SetHighlightNames(std::move(names));
    View(k)->Refresh();
  }
  ApplyFilter(View(ActiveKind()));
}

void TStoragePage::ApplyFilter(SignalTableView* view) {
  const std::string needle = FoldCase(S(filter_->text()));
  const TParams* list = view->List();
  const int rows = view->Model()->rowCount({});
  view->setUpdatesEnabled(false);
  for (int r = 0; r < rows; ++r) {
    const TParam* s = r < list->Count() ? list->At(r) : nullptr;
    const bool shown =
        needle.empty() || (s && FoldCase(s->Name()).find(needle) != std::string::npos);
    if (view->isRowHidden(r) == shown) view->setRowHidden(r, !shown);
  }
  view->setUpdatesEnabled(true);
}

void TStoragePage::AfterCommand() {
  if (TParams* list = OpenList()) config_.NotifyEdited(list);
  config_.Storage().RebuildPool();  // redraws the page through the pool's notice
  Refresh();
  if (frame_) frame_->View()->Refresh();
  emit OpenListChanged();
}

void TStoragePage::AddSelected(bool all) {
  if (!CanAdd()) return;
  AddFromPool(*OpenList(), config_.Storage().List(ActiveKind()), all);
  AfterCommand();
}

void TStoragePage::AddEmptyRow() {
  TParams* list = OpenList();
  if (!list || list->ListRole != kRoleSelection) return;
  const int row = frame_ && frame_->View()->CurrentRow() >= 0 ? frame_->View()->CurrentRow() : 0;
  InsertPlaceholder(*list, row);
  AfterCommand();
  if (frame_ && row + 1 < list->Count())
    frame_->View()->setCurrentIndex(frame_->View()->Model()->index(row + 1, 0));
}

void TStoragePage::ClearSelected() {
  TParams* list = OpenList();
  if (!list || list->ListRole != kRoleSelection) return;
  ReplaceSelectedWithPlaceholders(*list);
  AfterCommand();
}

void TStoragePage::DeleteSelectedEntries(bool all) {
  TParams* list = OpenList();
  if (!list || list->ListRole != kRoleSelection) return;
  DeleteSelected(*list, all);
  AfterCommand();
}

void TStoragePage::NamesUp() {
  if (TParams* list = OpenList(); list && list->ListRole == kRoleOwn) {
    MoveNamesUp(*list);
    AfterCommand();
  }
}

void TStoragePage::NamesDown() {
  if (TParams* list = OpenList(); list && list->ListRole == kRoleOwn) {
    MoveNamesDown(*list);
    AfterCommand();
  }
}

void TStoragePage::RestoreNames() {
  RestoreDefaultNames(config_.Storage().List(ActiveKind()));
  AfterCommand();
}

void TStoragePage::ApplyTemplate() {
  TParams* list = OpenList();
  if (!list || list->ListRole != kRoleOwn || list->SignalKind != kKindTI || !SharedTITemplate().Set)
    return;
  ApplyTemplateToSelected(*list, SharedTITemplate());
  AfterCommand();
}

}  // namespace vilk::ui
