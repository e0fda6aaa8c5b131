#pragma once
// The table of one signal list: a virtual model over the list's signals (rows cost
// nothing until shown) and a view with the editor's mouse and key rules.
#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <unordered_set>

#include "signals/params.h"

namespace vilk::ui {

enum class SignalColumn { Number, Address, Inversion, Type, Gain, Group, Blocking, Name };

class SignalTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  SignalTableModel(TParams* list, QObject* parent);

  TParams* List() const { return list_; }
  SignalColumn Column(int column) const { return columns_[static_cast<std::size_t>(column)]; }
  int ColumnOf(SignalColumn c) const;
  // Names of the signals in the open selection list (their "№" cells are drawn darker).
  void SetHighlightNames(std::unordered_set<std::string> names);
  bool ShowDefaultNames = false;  // the hidden "NameDef" box
  // Live values shown after the names (the link issue turns this on).
  bool ShowValues = false;

  // Everything may have changed (after an edit or a pool rebuild): rows and texts again.
  void Refresh();

  int rowCount(const QModelIndex& parent) const override;
  int columnCount(const QModelIndex& parent) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 signals:
  void NameCommitted();

 private:
  TParams* list_;
  std::vector<SignalColumn> columns_;
  std::unordered_set<std::string> highlight_;
  int rows_ = 0;
};

class SignalTableView;

// Hooks the view calls for what needs the rest of the window.
struct SignalViewHooks {
  std::function<void()> Changed;                            // signals changed: rebuild the pool
  std::function<bool()> CanDragFromPool;                    // pool lists: adding is allowed now
  std::function<void(int row)> EditGain;                    // "Дорасчет" clicked
  std::function<void(int row)> EditBlocking;                // "Блокировка" clicked
  std::function<bool(const SignalTableView* from)> IsPool;  // the drag source is a pool list
};

class SignalTableView : public QTableView {
  Q_OBJECT
 public:
  SignalTableView(TParams* list, QWidget* parent);

  SignalTableModel* Model() const { return model_; }
  TParams* List() const { return model_->List(); }
  SignalViewHooks Hooks;
  // Discrete-input module ports fix inversion and type.
  bool FixedLayout = false;

  int CurrentRow() const { return currentIndex().isValid() ? currentIndex().row() : -1; }
  void Refresh();
  // Starts name editing on `row` when the rules allow it.
  bool EditName(int row);
  // Handles a left click at `row` in column `column` with the keyboard modifiers given.
  void ClickCell(int row, int column, Qt::KeyboardModifiers modifiers, const QPoint& globalPos);
  // Drops the selection of `source` at `row` (-1: at the end).
  void DropFrom(SignalTableView* source, int row);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void Changed();
  void MoveCurrent(int row, Qt::KeyboardModifiers modifiers);
  void ChooseType(int row, const QPoint& globalPos);
  void ChooseGroup(int row, const QPoint& globalPos);
  bool CanStartDrag(int row) const;

  SignalTableModel* model_;
  QPoint pressPos_;
  int pressRow_ = -1;
};

// The name editor: Enter commits, Up and Down commit and move on, leaving commits.
class NameDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  explicit NameDelegate(SignalTableView* view);
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  SignalTableView* view_;
};

}  // namespace vilk::ui
