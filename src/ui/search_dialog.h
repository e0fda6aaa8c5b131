#pragma once
// "Поиск" (Ctrl+F): part of a node caption or signal name typed, every match listed with its
// owner; Enter or a double click opens the node and, for a signal, selects its row.
#include <QDialog>
#include <memory>

#include "model/configuration.h"
#include "model/search.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace vilk::ui {

class TFrame1;

class SearchDialog : public QDialog {
  Q_OBJECT
 public:
  SearchDialog(Configuration& config, TFrame1* editor, QWidget* parent);
  ~SearchDialog() override;

  QLineEdit* Edit() const { return edit_; }
  QListWidget* Results() const { return results_; }
  QLabel* Summary() const { return summary_; }
  // Lists the matches of the typed text (re-indexing when the configuration changed).
  void Update();
  // Opens the node of result `row` (and selects the signal's row); false when there is none.
  bool Activate(int row);

  static constexpr std::size_t kShown = 1000;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class Watcher;
  Configuration& config_;
  TFrame1* editor_;
  std::unique_ptr<Watcher> watcher_;
  SearchIndex index_;
  bool stale_ = true;
  std::vector<SearchHit> hits_;
  QLineEdit* edit_;
  QListWidget* results_;
  QLabel* summary_;
};

}  // namespace vilk::ui
