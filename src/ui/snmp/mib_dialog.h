#pragma once
// "Загрузка MIB-файла": loads a MIB module with its imports, shows its objects as a tree
// with ticks, and turns the ticked objects into a device's tags. It keeps its tree between
// openings.
#include <QAbstractItemModel>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTreeView>
#include <functional>
#include <memory>

#include "snmp/mib.h"
#include "snmp/mib_tree.h"

namespace vilk::ui {

class MibTreeModel : public QAbstractItemModel, public IMibTreeObserver {
  Q_OBJECT
 public:
  MibTreeModel(TMibTree& tree, QObject* parent);
  void Reset();
  static MibNode* NodeAt(const QModelIndex& index);
  QModelIndex IndexOf(MibNode* node) const;

  QModelIndex index(int row, int column, const QModelIndex& parent) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent) const override;
  int columnCount(const QModelIndex&) const override { return 1; }
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  void ChildrenAboutToBeReplaced(MibNode* node) override;
  void ChildrenReplaced(MibNode* node) override;
  void TicksChanged(MibNode* node) override;

 private:
  TMibTree& tree_;
};

class TMIBdlg : public QDialog {
  Q_OBJECT
 public:
  explicit TMIBdlg(QWidget* parent = nullptr);
  ~TMIBdlg() override;

  // The one dialog of the program (its tree stays between openings).
  static TMIBdlg& Instance(QWidget* parent);
  // Opens the dialog for a device's tags; true when the tags were replaced.
  bool Edit(TSNMP_TagList& tags);

  std::string MibFolder;                // "MIBs" in the home folder
  std::function<QString()> ChooseFile;  // "выбрать..."; tests replace it

  QLineEdit* FileEdit() const { return file_; }
  QTreeView* Tree() const { return view_; }
  // The filter above the tree: the nodes whose text holds it, and the nodes above them.
  QLineEdit* TreeFilter() const { return treeFilter_; }
  void ApplyTreeFilter();
  MibTreeModel* Model() const { return model_; }
  TMibTree& MibTree() { return tree_; }
  QListWidget* InfoList() const { return info_; }
  QListWidget* ErrorList() const { return errors_; }
  QSpinBox* RowsEdit() const { return rows_; }
  void Load();              // "загрузить"
  void ApplyRows();         // the button beside "Кол-во строк:"
  TSNMP_TagList AddTags();  // "Добавить теги в конфигурацию"

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  void ShowDetails(const QModelIndex& index);

  TMib mib_;
  TMibTree tree_;
  MibTreeModel* model_;
  QLineEdit* file_;
  QTreeView* view_;
  QLineEdit* treeFilter_;
  QListWidget *info_, *errors_;
  QLabel *object_, *category_, *oid_, *syntax_, *access_, *description_;
  QWidget* rowsRow_;
  QSpinBox* rows_;
  TSNMP_TagList result_;
};

}  // namespace vilk::ui
