#pragma once
// The signal pool page: the six pool lists, one tab each, and the buttons that fill the
// selection list open in the editor (and move names in own lists).
#include <QLineEdit>
#include <QPointer>
#include <QTabWidget>
#include <QToolButton>
#include <array>

#include "model/configuration.h"
#include "signals/list_frame.h"
#include "signals/signal_table.h"

namespace vilk::ui {

class TStoragePage : public QWidget {
  Q_OBJECT
 public:
  TStoragePage(Configuration& config, QWidget* parent);

  // The item open in the editor and its list frame (nullptr when it is no list).
  void SetOpen(TItem* item, TFrameParams* frame);
  // Redraws the six lists and recomputes the buttons.
  void Refresh();

  SignalTableView* View(int kind) const { return views_[static_cast<std::size_t>(kind - 1)]; }
  int ActiveKind() const { return tabs_->currentIndex() + 1; }
  void SetActiveKind(int kind) { tabs_->setCurrentIndex(kind - 1); }
  QToolButton* Button(const QString& hint) const;
  // The filter above the lists: only the rows whose name holds the text are shown.
  QLineEdit* Filter() const { return filter_; }

  // The button commands (also used by tests).
  void AddSelected(bool all);
  void AddEmptyRow();
  void ClearSelected();
  void DeleteSelectedEntries(bool all);
  void NamesUp();
  void NamesDown();
  void RestoreNames();
  void ApplyTemplate();

 signals:
  // The open list changed (the configuration has heard of it as an edit of that list).
  void OpenListChanged();

 private:
  TParams* OpenList() const;
  bool CanAdd() const;
  void AfterCommand();
  void ApplyFilter(SignalTableView* view);
  QToolButton* AddButton(const QString& hint, QStyle::StandardPixmap icon,
                         std::function<void()> action);

  Configuration& config_;
  QTabWidget* tabs_;
  QLineEdit* filter_;
  std::array<SignalTableView*, kSignalKinds> views_{};
  TItem* open_ = nullptr;
  QPointer<TFrameParams> frame_;
  QList<QToolButton*> buttons_;
};

}  // namespace vilk::ui
