#pragma once
// The tree editor: the configuration tree on the left, the editor frame of the selected
// item in the middle, the signal pool page on the right.
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
#include <QSplitter>
#include <QTreeView>
#include <memory>

#include "frame.h"
#include "model/configuration.h"
#include "signals/storage_page.h"
#include "tree_model.h"

namespace vilk::ui {

class ConfigTreeView;

class TFrame1 : public QWidget {
  Q_OBJECT
 public:
  TFrame1(Configuration& config, QWidget* parent = nullptr);
  ~TFrame1() override;

  ConfigTreeView* Tree() const { return tree_; }
  TreeModel* Model() const { return model_; }
  ItemFrame* CurrentFrame() const { return frame_; }
  TItem* CurrentItem() const { return current_; }
  TStoragePage* PoolPage() const { return pool_; }
  QSplitter* Splitter() const { return splitter_; }

  // Selects the item and opens its frame; false when the open frame refused its input
  // (it stays open and the selection stays with it).
  bool Select(TItem* item);
  // Writes the open frame back into its item (before saving, closing, and any command
  // that changes the tree). False when the frame refused its input: it has shown why, and
  // whatever asked must not go on.
  bool StoreFrame();
  // Re-creates the frame of the current item (after a load or a model change); false,
  // with the frame left as it is, when the frame refused its input.
  bool RefreshFrame();

  // Context-menu commands, also used by tests.
  TItem* AddPortCommand(int code);
  TItem* AddDeviceCommand(int kind);
  TItem* DuplicateCommand();
  bool DeleteCommand();
  bool DropItem(TItem* dragged, TItem* target);
  // Ctrl+C on a node that can be duplicated remembers it; Ctrl+V puts a duplicate of it
  // under the current node's port (or after the current device), through the kind's own
  // duplicate and the drag rules. False, with a message, when it cannot go there.
  bool CopyCommand();
  TItem* PasteCommand();
  // Insert: the node's add command (its menu when it has several).
  bool InsertCommand();
  bool HasCopy() const { return !copied_.empty(); }
  // The window a clipboard entry came from (this editor's process and address).
  QString Origin() const;

  // The context menu of the current item (its commands carry their Tags as data).
  QMenu* ContextMenu() const { return menu_; }
  void EnablePortCommands();

 signals:
  // The configuration reported an edit of an item or a change of the tree's structure.
  void Modified();
  void CurrentChanged(vilk::TItem* item);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  class ChangeWatcher;
  void CurrentIndexChanged(const QModelIndex& current);
  void KeepSelection();
  void FitPanels();
  void ShowMenu(const QPoint& pos);
  void BuildMenu(TItem* item);
  void ExpandAll(TItem* item);
  TItem* PasteFromOtherWindow(const QByteArray& bytes, const std::string& prefix);
  bool Contains(const TItem* item) const;

  Configuration& config_;
  TreeModel* model_;
  ConfigTreeView* tree_;
  QScrollArea* middle_;
  TStoragePage* pool_;
  QSplitter* splitter_;
  QPointer<ItemFrame> frame_;
  TItem* current_ = nullptr;
  QMenu* menu_;
  bool shown_ = false;
  std::string copied_;  // caption path of the copied node: pointers die with an undo
  std::unique_ptr<ChangeWatcher> watcher_;
};

// The tree view with the editor's drag-and-drop rules.
class ConfigTreeView : public QTreeView {
  Q_OBJECT
 public:
  ConfigTreeView(TFrame1* editor, QWidget* parent);

 protected:
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TItem* TargetAt(const QPoint& pos) const;
  TFrame1* editor_;
  TItem* dragged_ = nullptr;
};

}  // namespace vilk::ui
