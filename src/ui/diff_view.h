#pragma once
// "Сравнение": the differences between the open configuration and another one (a file or
// the controller's), as a tree: one row per item added, removed, moved or changed, its
// changed fields below it. A double click on an item of the open configuration selects it.
#include <QDockWidget>
#include <memory>
#include <vector>

#include "model/diff.h"

class QLabel;
class QTreeWidget;

namespace vilk {
class Configuration;
}

namespace vilk::ui {

class DiffView : public QDockWidget {
  Q_OBJECT
 public:
  DiffView(Configuration& current, QWidget* parent);
  ~DiffView() override;

  // Compares `other` (kept here while shown) with the open configuration: what `other`
  // holds is the old side, the open configuration the new one. `source` names it.
  void Compare(std::unique_ptr<Configuration> other, const QString& source);
  const std::vector<ItemDiff>& Diffs() const { return diffs_; }
  QTreeWidget* Tree() const { return tree_; }
  QLabel* Title() const { return title_; }
  // Selects the open configuration's node of row `row`; false when it has none any more.
  bool GoTo(int row);

 private:
  Configuration& current_;
  std::unique_ptr<Configuration> other_;
  std::vector<ItemDiff> diffs_;
  QLabel* title_;
  QTreeWidget* tree_;
};

}  // namespace vilk::ui
