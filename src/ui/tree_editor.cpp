#include "tree_editor.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QVBoxLayout>

#include "controller/controller.h"
#include "controller/proc.h"
#include "frames/fieldbus/device_adder.h"
#include "model/item_bytes.h"
#include "model/kinds.h"
#include "model/show.h"
#include "model/tree_rules.h"
#include "qt_text.h"
#include "signals/storage.h"

namespace vilk::ui {

namespace {
constexpr int kWidePool = 440;
constexpr int kNarrowPool = 100;
}  // namespace

// The configuration is modified by what it reports as edits and structural changes; a
// caption or icon that follows from them, a load or a save check is no change of its own.
class TFrame1::ChangeWatcher : public ITreeObserver {
 public:
  ChangeWatcher(TFrame1* editor, Configuration& config) : editor_(editor), config_(config) {
    config_.AddObserver(this);
  }
  ~ChangeWatcher() override { config_.RemoveObserver(this); }
  void ItemInserted(TItem*) override { emit editor_->Modified(); }
  void ItemRemoved(TItem*, int) override { emit editor_->Modified(); }
  void ItemMoved(TItem*) override { emit editor_->Modified(); }
  void ItemEdited(TItem*) override { emit editor_->Modified(); }

 private:
  TFrame1* editor_;
  Configuration& config_;
};

TFrame1::TFrame1(Configuration& config, QWidget* parent) : QWidget(parent), config_(config) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  splitter_ = new QSplitter(Qt::Horizontal, this);
  model_ = new TreeModel(config_, this);
  tree_ = new ConfigTreeView(this, splitter_);
  tree_->setModel(model_);
  middle_ = new QScrollArea(splitter_);
  middle_->setWidgetResizable(true);
  middle_->setMinimumWidth(300);
  pool_ = new TStoragePage(config_, splitter_);
  pool_->setMinimumWidth(kNarrowPool / 2);
  splitter_->addWidget(tree_);
  splitter_->addWidget(middle_);
  splitter_->addWidget(pool_);
  splitter_->setChildrenCollapsible(false);
  splitter_->setStretchFactor(1, 1);
  tree_->setMinimumWidth(150);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(2, 0);
  splitter_->setSizes({210, 400, kNarrowPool});
  layout->addWidget(splitter_);

  menu_ = new QMenu(this);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(tree_, &QWidget::customContextMenuRequested, this, &TFrame1::ShowMenu);
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { CurrentIndexChanged(current); });
  connect(model_, &TreeModel::SelectionRequested, this, [this](TItem* item) {
    // Posted, so that a frame that asked for it is not replaced while it is busy.
    QMetaObject::invokeMethod(
        this,
        [this, item] {
          if (Contains(item)) Select(item);
        },
        Qt::QueuedConnection);
  });
  watcher_ = std::make_unique<ChangeWatcher>(this, config_);
  connect(model_, &TreeModel::PoolWasChanged, pool_, &TStoragePage::Refresh);
  connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
    if (frame_) delete frame_;
    current_ = nullptr;
    pool_->SetOpen(nullptr, nullptr);
  });
  connect(model_, &QAbstractItemModel::rowsAboutToBeRemoved, this,
          [this](const QModelIndex& parentIndex, int first) {
            // The frame of an item about to go is closed without writing back.
            TItem* gone = TreeModel::ItemAt(model_->index(first, 0, parentIndex));
            for (const TItem* p = current_; p && gone; p = p->Parent())
              if (p == gone) {
                if (frame_) delete frame_;
                current_ = nullptr;
                pool_->SetOpen(nullptr, nullptr);
                break;
              }
          });
  connect(model_, &QAbstractItemModel::modelReset, this, [this] {
    tree_->expand(model_->IndexOf(&config_.Controller()));
    tree_->expand(model_->IndexOf(config_.Controller().Proc()));
    Select(&config_.Controller());
  });

  tree_->expand(model_->IndexOf(&config_.Controller()));
  tree_->expand(model_->IndexOf(config_.Controller().Proc()));
  Select(&config_.Controller());
}

TFrame1::~TFrame1() {
  if (frame_) delete frame_;
}

bool TFrame1::Contains(const TItem* item) const {
  std::vector<const TItem*> stack{&config_.Controller()};
  while (!stack.empty()) {
    const TItem* i = stack.back();
    stack.pop_back();
    if (i == item) return true;
    for (int c = 0; c < i->ChildCount(); ++c) stack.push_back(i->Child(c));
  }
  return false;
}

bool TFrame1::Select(TItem* item) {
  const QModelIndex index = model_->IndexOf(item);
  if (!index.isValid()) return false;
  tree_->setCurrentIndex(index);
  if (tree_->currentIndex() != index) return false;  // the open frame refused to let go
  tree_->scrollTo(index);
  if (current_ != item) CurrentIndexChanged(index);
  return current_ == item;
}

void TFrame1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FitPanels();
}

// Tree and pool panel at their natural widths, the frame takes the rest.
void TFrame1::FitPanels() {
  const bool wide = current_ && current_->SignalKind != 0;
  const int pool = wide ? kWidePool : kNarrowPool;
  const int tree = std::clamp(width() / 4, tree_->minimumWidth(), 230);
  splitter_->setSizes({tree, std::max(middle_->minimumWidth(), width() - tree - pool), pool});
}

bool TFrame1::StoreFrame() {
  return !frame_ || !current_ || frame_->Store();
}

bool TFrame1::RefreshFrame() {
  if (!current_) return true;
  if (!StoreFrame()) return false;  // the frame keeps the user's input and says why
  TItem* item = current_;
  current_ = nullptr;
  if (frame_) delete frame_;
  CurrentIndexChanged(model_->IndexOf(item));
  return true;
}

// The selection goes back to the item whose frame refused its input. Once now, for the
// code that moved it, and once after the event that moved it: a mouse press selects the
// clicked row after it has made it current.
void TFrame1::KeepSelection() {
  tree_->setCurrentIndex(model_->IndexOf(current_));
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (current_) tree_->setCurrentIndex(model_->IndexOf(current_));
      },
      Qt::QueuedConnection);
}

void TFrame1::CurrentIndexChanged(const QModelIndex& index) {
  TItem* item = TreeModel::ItemAt(index);
  if (item == current_ && frame_) return;
  if (!StoreFrame()) {
    KeepSelection();
    return;
  }
  if (frame_) delete frame_;
  current_ = item;
  if (!item) return;
  ItemFrame* frame = CreateFrame(item, middle_);
  if (frame) {
    frame_ = frame;
    middle_->setWidget(frame);
  } else {
    auto* empty = new ItemFrame(item, middle_);
    frame_ = empty;
    middle_->setWidget(empty);
  }
  BuildMenu(item);
  // Signal lists get the wide pool panel, everything else a narrow one.
  QList<int> sizes = splitter_->sizes();
  const int pool =
      item->SignalKind != 0 ? std::max(sizes[2], kWidePool) : std::min(sizes[2], kNarrowPool);
  const int delta = pool - sizes[2];
  sizes[2] = pool;
  sizes[1] = std::max(middle_->minimumWidth(), sizes[1] - delta);
  splitter_->setSizes(sizes);
  pool_->SetOpen(item, qobject_cast<TFrameParams*>(frame_.data()));
  config_.Storage().RebuildPool();
  emit CurrentChanged(item);
}

void TFrame1::BuildMenu(TItem* item) {
  menu_->clear();
  auto add = [this](const QString& text, int tag, auto slot) {
    QAction* a = menu_->addAction(text);
    a->setData(tag);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  auto addDelete = [&] { add(QStringLiteral("Удалить"), -2, [this] { DeleteCommand(); }); };
  auto addCommands = [&] {
    const bool ports = item == config_.Controller().Proc();
    for (const KindRow* row : AddCommands(*item)) {
      const int code = row->Code;
      if (ports)
        add(QString::fromUtf8(row->MenuCaption), code, [this, code] { AddPortCommand(code); });
      else
        add(QString::fromUtf8(row->MenuCaption), code, [this, code] { AddDeviceCommand(code); });
    }
  };
  switch (item->Menu) {
    case PopupMenu::Add:
      addCommands();
      break;
    case PopupMenu::AddDelete:
      addCommands();
      addDelete();
      break;
    case PopupMenu::Delete:
      addDelete();
      break;
    case PopupMenu::DuplicateDelete:
      add(QStringLiteral("Дублировать"), -3, [this] { DuplicateCommand(); });
      addDelete();
      break;
    case PopupMenu::None:
      break;
  }
  if (!menu_->isEmpty()) {
    menu_->addSeparator();
    menu_->addAction(QStringLiteral("Отмена"));
  }
  EnablePortCommands();
}

void TFrame1::EnablePortCommands() {
  if (!current_ || current_ != config_.Controller().Proc()) return;
  // The core rule decides: the firmware's set, and one port of the kinds held once.
  for (QAction* a : menu_->actions()) {
    const int tag = a->data().isValid() ? a->data().toInt() : -1;
    if (tag >= 100 && tag < 256) a->setEnabled(CanAddPort(config_, tag));
  }
}

void TFrame1::ShowMenu(const QPoint& pos) {
  const QModelIndex index = tree_->indexAt(pos);
  if (index.isValid() && TreeModel::ItemAt(index) != current_) Select(TreeModel::ItemAt(index));
  if (!menu_->isEmpty()) menu_->popup(tree_->viewport()->mapToGlobal(pos));
}

void TFrame1::ExpandAll(TItem* item) {
  tree_->expandRecursively(model_->IndexOf(item));
}

TItem* TFrame1::AddPortCommand(int code) {
  if (!StoreFrame()) return nullptr;
  TItem* port = AddPort(config_, code);
  if (port) {
    tree_->expand(model_->IndexOf(port));
    Select(port);
  }
  return port;
}

TItem* TFrame1::AddDeviceCommand(int kind) {
  if (!current_) return nullptr;
  if (!StoreFrame()) return nullptr;
  TItem* owner = current_;
  // Some ports ask first (the Modbus RTU port: addresses and types of the new devices).
  const DeviceAdder adder = FindDeviceAdder(*owner);
  TItem* child = adder ? adder(owner, kind, this) : owner->AddChild(kind);
  config_.Storage().RebuildPool();
  ExpandAll(owner);
  if (frame_) frame_->SetToFrame();
  return child;
}

TItem* TFrame1::DuplicateCommand() {
  if (!current_ || !current_->Parent()) return nullptr;
  if (!StoreFrame()) return nullptr;
  TItem* parent = current_->Parent();
  TItem* copy = parent->DuplicateChild(current_);
  tree_->expand(model_->IndexOf(parent));
  return copy;
}

bool TFrame1::DeleteCommand() {
  TItem* item = current_;
  const std::string question = DeleteQuestion(item);
  if (question.empty()) return false;
  if (config_.Messages().Question(question, false) != Answer::Yes) return false;
  const bool device = item->Level() >= 3;
  if (device) {
    // The item goes, so what its frame holds does not matter: closed without writing back,
    // as for every removed row.
    if (frame_) delete frame_;
    current_ = nullptr;
    Select(item->Parent());
  }
  TItem* next = DeleteItem(config_, item);
  if (next) Select(next);
  if (device && frame_) frame_->SetToFrame();
  return true;
}

namespace {
const char kMimeOrigin[] = "application/x-vilk-origin";
const char kMimePath[] = "application/x-vilk-path";
const char kMimeDevice[] = "application/x-vilk-device";
const char kMimePrefix[] = "application/x-vilk-prefix";
}  // namespace

QString TFrame1::Origin() const {
  return QStringLiteral("%1:%2")
      .arg(QCoreApplication::applicationPid())
      .arg(reinterpret_cast<quintptr>(this));
}

bool TFrame1::CopyCommand() {
  if (!current_ || current_->Menu != PopupMenu::DuplicateDelete) return false;
  if (!StoreFrame()) return false;
  copied_ = CaptionPath(*current_);
  // Another window takes the device's records; this one finds it again by its path.
  const std::vector<std::uint8_t> block = ItemBytes(*current_);
  auto* mime = new QMimeData;
  mime->setData(QString::fromLatin1(kMimeOrigin), Origin().toUtf8());
  mime->setData(QString::fromLatin1(kMimePath), QByteArray::fromStdString(copied_));
  mime->setData(QString::fromLatin1(kMimeDevice),
                QByteArray(reinterpret_cast<const char*>(block.data()),
                           static_cast<qsizetype>(block.size())));
  mime->setData(QString::fromLatin1(kMimePrefix),
                QByteArray::fromStdString(SignalPrefixOf(*current_)));
  mime->setText(Q(current_->Caption()));
  QGuiApplication::clipboard()->setMimeData(mime);
  return true;
}

TItem* TFrame1::PasteFromOtherWindow(const QByteArray& bytes, const std::string& prefix) {
  TItem* port = current_->Level() == 3 ? current_->Parent() : current_;
  if (port->Level() != 2) {
    config_.Messages().Error("Устройство вставляется в порт или рядом с устройством.");
    return nullptr;
  }
  if (!StoreFrame()) return nullptr;
  std::string why;
  TItem* copy = PasteDeviceBlock(
      config_, port, std::vector<std::uint8_t>(bytes.begin(), bytes.end()), prefix, &why);
  if (!copy) {
    config_.Messages().Error("Вставить нельзя: " + why + ".");
    return nullptr;
  }
  tree_->expand(model_->IndexOf(port));
  Select(copy);
  return copy;
}

TItem* TFrame1::PasteCommand() {
  if (!current_) return nullptr;
  // A device copied in another window comes as its records through the clipboard.
  if (const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
      mime && mime->hasFormat(QString::fromLatin1(kMimeDevice)) &&
      mime->data(QString::fromLatin1(kMimeOrigin)) != Origin().toUtf8())
    return PasteFromOtherWindow(mime->data(QString::fromLatin1(kMimeDevice)),
                                mime->data(QString::fromLatin1(kMimePrefix)).toStdString());
  if (copied_.empty()) return nullptr;
  auto* source = const_cast<TItem*>(FindByCaptionPath(config_.Controller(), copied_));
  if (!source || source->Menu != PopupMenu::DuplicateDelete) {
    config_.Messages().Error("Скопированного узла " + copied_ + " больше нет.");
    copied_.clear();
    return nullptr;
  }
  TItem* target = current_;
  // Into a port of the same kind (at its end), or before a device of such a port: the
  // places a drag could take it to.
  const bool intoPort =
      target->Level() == source->Level() - 1 && target->Name() == source->Parent()->Name();
  const bool beside = target->Level() == source->Level() && CanDrop(source, target);
  if (!intoPort && !beside && target != source->Parent()) {
    config_.Messages().Error("Узел " + source->Caption() + " нельзя вставить в " +
                             target->Caption() + ".");
    return nullptr;
  }
  if (!StoreFrame()) return nullptr;
  TItem* copy = source->Parent()->DuplicateChild(source);
  if (!copy) return nullptr;
  TItem* from = copy->Parent();
  if (intoPort && target != from) {
    config_.Move(copy, target, target->ChildCount());
    from->ChildrenChanged();
    target->ChildrenChanged();
    config_.Storage().RebuildPool();
  } else if (beside && target->Parent() != from) {
    Drop(config_, copy, target);
  }
  tree_->expand(model_->IndexOf(copy->Parent()));
  Select(copy);
  return copy;
}

bool TFrame1::InsertCommand() {
  if (!current_) return false;
  BuildMenu(current_);
  std::vector<QAction*> adds;
  for (QAction* a : menu_->actions())
    if (a->data().toInt() > 0 && a->isEnabled()) adds.push_back(a);  // kind codes, not "Отмена"
  if (adds.empty()) return false;
  if (adds.size() == 1) {
    adds.front()->trigger();
    return true;
  }
  const QRect r = tree_->visualRect(model_->IndexOf(current_));
  menu_->popup(tree_->viewport()->mapToGlobal(r.bottomLeft()));
  menu_->setActiveAction(adds.front());
  return true;
}

bool TFrame1::DropItem(TItem* dragged, TItem* target) {
  if (!StoreFrame()) return false;
  TItem* parent = Drop(config_, dragged, target);
  if (!parent) return false;
  tree_->expand(model_->IndexOf(parent));
  Select(dragged);
  return true;
}

ConfigTreeView::ConfigTreeView(TFrame1* editor, QWidget* parent)
    : QTreeView(parent), editor_(editor) {
  setHeaderHidden(true);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::InternalMove);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setItemsExpandable(true);
  setExpandsOnDoubleClick(true);
  connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
    if (!index.parent().isValid()) expand(index);  // the root stays open
  });
}

void ConfigTreeView::keyPressEvent(QKeyEvent* event) {
  // The editing keys of a tree; line edits elsewhere keep their own.
  if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
    editor_->DeleteCommand();
    return;
  }
  if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
    editor_->InsertCommand();
    return;
  }
  if (event->matches(QKeySequence::Copy)) {
    editor_->CopyCommand();
    return;
  }
  if (event->matches(QKeySequence::Paste)) {
    editor_->PasteCommand();
    return;
  }
  QTreeView::keyPressEvent(event);
}

TItem* ConfigTreeView::TargetAt(const QPoint& pos) const {
  return TreeModel::ItemAt(indexAt(pos));
}

void ConfigTreeView::startDrag(Qt::DropActions supportedActions) {
  TItem* item = TreeModel::ItemAt(currentIndex());
  if (!CanDrag(item)) return;
  dragged_ = item;
  QTreeView::startDrag(supportedActions);
  dragged_ = nullptr;
}

void ConfigTreeView::dragEnterEvent(QDragEnterEvent* event) {
  if (event->source() == this && dragged_)
    event->acceptProposedAction();
  else
    event->ignore();
}

void ConfigTreeView::dragMoveEvent(QDragMoveEvent* event) {
  if (event->source() == this && dragged_ &&
      CanDrop(dragged_, TargetAt(event->position().toPoint())))
    event->acceptProposedAction();
  else
    event->ignore();
}

void ConfigTreeView::dropEvent(QDropEvent* event) {
  TItem* dragged = dragged_;
  TItem* target = TargetAt(event->position().toPoint());
  event->setDropAction(Qt::IgnoreAction);  // the model moves the row itself
  event->accept();
  if (event->source() == this && dragged) editor_->DropItem(dragged, target);
}

}  // namespace vilk::ui
