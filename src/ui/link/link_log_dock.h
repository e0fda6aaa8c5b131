#pragma once
// "Журнал обмена": the exchanges of the controller link as they happen, the counters of the
// running (or last) command, and the log saved as text. Hidden until the user opens it.
#include <QDockWidget>
#include <cstdint>
#include <functional>

#include "base/messages.h"
#include "link/link_log.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace vilk::ui {

class LinkLogDock : public QDockWidget {
  Q_OBJECT
 public:
  LinkLogDock(LinkLog& log, IMessages& messages, QWidget* parent);

  // Takes what the log gained since the last look (the window polls while it is shown).
  void Refresh();
  bool SaveAs();
  QPlainTextEdit* View() const { return view_; }
  QLabel* CountersLabel() const { return counters_; }
  // The file to save to; tests replace it.
  std::function<QString()> ChooseFile;

 private:
  LinkLog& log_;
  IMessages& messages_;
  QPlainTextEdit* view_;
  QLabel* counters_;
  QTimer* timer_;
  std::uint64_t seen_ = 0;
};

}  // namespace vilk::ui
