// The window's edit history, recent files and search.
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include "base/format.h"
#include "controller/controller.h"
#include "link/device_runner.h"
#include "main_window.h"
#include "main_window_namer.h"
#include "model/show.h"
#include "qt_text.h"
#include "search_dialog.h"

namespace vilk::ui {

namespace {
constexpr int kRecentFiles = 8;
const char kRecentSection[] = "Recent";
}  // namespace

void TForm1::ScheduleCommit() {
  if (history_->Restoring()) return;
  SetModified(true);  // at once; the step follows when the action is complete
  if (commitPending_) return;
  commitPending_ = true;
  QTimer::singleShot(0, this, [this] { CommitNow(); });
}

void TForm1::CommitNow() {
  if (!commitPending_) return;
  commitPending_ = false;
  history_->Commit(namer_->Take());
  SetModified(!history_->IsClean());
  UpdateEditActions();
}

void TForm1::ResetHistory() {
  commitPending_ = false;
  namer_->Clear();
  history_->Reset();
  SetModified(false);
  UpdateEditActions();
}

void TForm1::UpdateEditActions() {
  if (!undo_) return;
  undo_->setEnabled(history_->CanUndo());
  redo_->setEnabled(history_->CanRedo());
  undo_->setText(history_->CanUndo() ? QStringLiteral("Отменить: ") + Q(history_->UndoName())
                                     : QStringLiteral("Отменить"));
  redo_->setText(history_->CanRedo() ? QStringLiteral("Повторить: ") + Q(history_->RedoName())
                                     : QStringLiteral("Повторить"));
}

bool TForm1::UndoCommand() {
  // What the open frame holds is the latest change: it is written back (and so undone).
  if (runner_->Busy() || !editor_->StoreFrame()) return false;
  CommitNow();
  const std::string path = editor_->CurrentItem() ? CaptionPath(*editor_->CurrentItem()) : "";
  if (!history_->Undo()) return false;
  AfterRestore(path);
  return true;
}

bool TForm1::RedoCommand() {
  if (runner_->Busy() || !editor_->StoreFrame()) return false;
  CommitNow();
  const std::string path = editor_->CurrentItem() ? CaptionPath(*editor_->CurrentItem()) : "";
  if (!history_->Redo()) return false;
  AfterRestore(path);
  return true;
}

void TForm1::AfterRestore(const std::string& path) {
  namer_->Clear();
  // The node that was open, when it is there again; else the nearest one above it.
  std::string at = path;
  const TItem* item = nullptr;
  while (!at.empty() && !(item = FindByCaptionPath(config_->Controller(), at))) {
    const std::size_t slash = at.rfind('/');
    at = slash == std::string::npos ? std::string() : at.substr(0, slash);
  }
  editor_->Select(const_cast<TItem*>(item ? item : &config_->Controller()));
  editor_->RefreshFrame();
  ShowModel();
  editor_->EnablePortCommands();
  SetModified(!history_->IsClean());
  UpdateEditActions();
}

SearchDialog* TForm1::ShowSearch() {
  if (!search_) search_ = new SearchDialog(*config_, editor_, this);
  search_->show();
  search_->raise();
  search_->activateWindow();
  search_->Edit()->setFocus();
  search_->Edit()->selectAll();
  search_->Update();
  return search_;
}

void TForm1::LoadRecentFiles() {
  recent_.clear();
  for (int i = 1; i <= kRecentFiles; ++i) {
    const std::string v = ini_.ReadString(kRecentSection, Format("File%d", i), "");
    if (!v.empty() && !recent_.contains(Q(v))) recent_ << Q(v);
  }
  FillRecentMenu();
}

void TForm1::StoreRecentFiles() {
  for (int i = 1; i <= kRecentFiles; ++i)
    ini_.WriteString(kRecentSection, Format("File%d", i),
                     i <= recent_.size() ? S(recent_[i - 1]) : std::string());
}

void TForm1::RememberFile(const QString& path) {
  const QString full = QFileInfo(path).absoluteFilePath();
  recent_.removeAll(full);
  recent_.prepend(full);
  while (recent_.size() > kRecentFiles) recent_.removeLast();
  StoreRecentFiles();
  ini_.SaveFile(S(SettingsPath()));  // the list survives a crash of the session
  FillRecentMenu();
}

void TForm1::FillRecentMenu() {
  if (!recentMenu_) return;
  recentMenu_->clear();
  for (int i = 0; i < recent_.size(); ++i) {
    const QString path = recent_[i];
    QAction* a = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
    connect(a, &QAction::triggered, this, [this, path] {
      if (!ConfirmDiscard()) return;
      if (!QFileInfo(path).isFile()) {
        messages_->Error("Файл " + S(path) + " не найден.");
        recent_.removeAll(path);  // a file that is gone leaves the list
        StoreRecentFiles();
        FillRecentMenu();
        return;
      }
      OpenFile(path);
    });
  }
  recentMenu_->setEnabled(!recent_.isEmpty());
}

}  // namespace vilk::ui
