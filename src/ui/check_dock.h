#pragma once
// "Проверка": the validation report of the open configuration, one row per problem
// (severity, node, message). A double click selects the node in the tree.
#include <QDockWidget>
#include <vector>

#include "model/validate.h"

class QTreeWidget;
class QTreeWidgetItem;
class QLabel;

namespace vilk {
class Configuration;
}

namespace vilk::ui {

class CheckDock : public QDockWidget {
  Q_OBJECT
 public:
  CheckDock(Configuration& config, QWidget* parent);

  // Checks the tree as it stands, shows the dock and lists what was found; true when
  // nothing is an error.
  bool Run();
  const std::vector<Problem>& Problems() const { return problems_; }
  QTreeWidget* List() const { return list_; }
  QLabel* Summary() const { return summary_; }
  // Selects the node of row `row` (as a double click does); false when it is gone.
  bool GoTo(int row);

 private:
  Configuration& config_;
  QTreeWidget* list_;
  QLabel* summary_;
  std::vector<Problem> problems_;
};

}  // namespace vilk::ui
