#pragma once
// The main window: file commands, settings, help, the model labels and the tree editor.
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <functional>
#include <memory>

#include "base/settings.h"
#include "gui_messages.h"
#include "link/link_log.h"
#include "model/configuration.h"
#include "model/history.h"
#include "model/image.h"
#include "tree_editor.h"

namespace vilk {
class DeviceSession;
}

namespace vilk::ui {

inline const char kWindowTitle[] = "Конфигуратор контроллера ВИЛК";
inline const char kFileFilter[] = "Файлы конфигурации (*.cfg);;Все файлы  (*.*)";

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  // `home` holds "Vilk.ini" and the other side files; `messages` shows boxes (tests pass a
  // recorder).
  TForm1(const QString& home, IMessages* messages = nullptr, QWidget* parent = nullptr);
  ~TForm1() override;

  Configuration& Config() { return *config_; }
  TFrame1* Editor() const { return editor_; }
  ConfigImage& Image() { return *image_; }
  const AppSettings& Settings() const { return settings_; }
  const QString& ConfigFileName() const { return configFile_; }
  bool IsModified() const { return isWindowModified(); }
  QString SettingsPath() const;

  // Chooses a file for Open (save = false) or Save as (save = true); empty = cancelled.
  // Tests replace it.
  std::function<QString(bool save, const QString& dir)> ChooseFile;

  bool NewCommand();
  bool OpenCommand();
  bool OpenFile(const QString& path);
  bool SaveCommand();
  bool SaveAsCommand();
  // Undo and redo of the last change to the configuration ("Правка").
  bool UndoCommand();
  bool RedoCommand();
  History& UndoHistory() { return *history_; }
  QAction* UndoAction() const { return undo_; }
  QAction* RedoAction() const { return redo_; }
  // Files opened or saved last, newest first (at most 8, kept in the settings file).
  const QStringList& RecentFiles() const { return recent_; }
  // "Найти..." (Ctrl+F): the search over node captions and signal names.
  class SearchDialog* ShowSearch();
  QMenu* RecentMenu() const { return recentMenu_; }
  void HelpCommand(int context = -1);
  void AboutCommand();
  // Asks to save unsaved changes; false when the user cancelled.
  bool ConfirmDiscard();

  // Device commands (run off the UI thread; the other device commands wait meanwhile).
  bool ReadConfigurationCommand();
  bool WriteConfigurationCommand();
  // The open configuration against a file, or against the controller's (read into a
  // configuration of its own), in the "Сравнение" dock.
  bool CompareWithFileCommand();
  bool CompareWithControllerCommand();
  // "Отчёт...": the commissioning report as PDF (or HTML, by the file's suffix).
  bool ReportCommand();
  // The report's file (a save dialog unless a test sets it).
  std::function<QString(const QString& dir)> ChooseReportFile;
  bool WriteProgramCommand();
  bool WritePasswordFileCommand();
  bool ReadAutomationCommand();
  bool WriteAutomationCommand();
  bool RebootCommand();
  bool SetTimeCommand();
  bool DetermineTypeCommand();
  void LinkSettingsCommand();
  void LoginCommand();
  // The link test of start-up and after the link settings (its caption goes to the status bar).
  void StartLinkTest();
  class DeviceRunner* Runner() const {
    return runner_;
  }
  QLabel* LinkLabel() const { return linkLabel_; }
  class DiffView* DiffPane() const {
    return diffView_;
  }
  class CheckDock* CheckView() const {
    return checkDock_;
  }
  class LinkLogDock* LinkLogView() const {
    return linkLogDock_;
  }
  LinkLog& ExchangeLog() { return linkLog_; }
  // Chooses a local file for a device command: title, filter, save or open. Tests replace it.
  std::function<QString(const QString& title, const QString& filter, bool save, const QString& dir)>
      ChooseLocalFile;

  QLabel* ModelName() const { return modelName_; }
  QLabel* ModelVersion() const { return modelVersion_; }
  QLabel* ModelYear() const { return modelYear_; }
  QAction* Action(const QString& text) const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Runs one file transfer with the controller; a beep says it is done.
  bool RunFileTransfer(std::function<bool(DeviceSession&)> work);
  void BuildMenus();
  void ShowModel();
  void SetModified(bool modified);
  void LoadSettings();
  void SaveSettings();
  bool WriteFile(const QString& path);
  // A user action changed the configuration: one undo step when the event loop comes back
  // (the notifications of one action arrive together).
  void ScheduleCommit();
  void CommitNow();
  // A configuration was loaded or made: no undo steps, nothing unsaved.
  void ResetHistory();
  void AfterRestore(const std::string& path);
  void UpdateEditActions();
  void RememberFile(const QString& path);
  void LoadRecentFiles();
  void StoreRecentFiles();
  void FillRecentMenu();

  QString home_;
  std::unique_ptr<GuiMessages> guiMessages_;
  IMessages* messages_;
  std::unique_ptr<Configuration> config_;
  std::unique_ptr<ConfigImage> image_;
  TFrame1* editor_;
  AppSettings settings_;
  IniDocument ini_;
  QString configFile_;
  QString deviceFile_;
  QLabel *modelName_, *modelVersion_, *modelYear_;
  QList<QAction*> actions_;
  QList<QAction*> deviceActions_;
  class DeviceRunner* runner_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* linkLabel_ = nullptr;
  LinkLog linkLog_;
  std::unique_ptr<History> history_;
  class ActionNamer;
  std::unique_ptr<ActionNamer> namer_;
  bool commitPending_ = false;
  QAction* undo_ = nullptr;
  QAction* redo_ = nullptr;
  QStringList recent_;
  QMenu* recentMenu_ = nullptr;
  class SearchDialog* search_ = nullptr;
  class LinkLogDock* linkLogDock_ = nullptr;
  class CheckDock* checkDock_ = nullptr;
  class DiffView* diffView_ = nullptr;
};

// Esc or a right-button release closes a window that is not the main window; Alt+X closes
// it and then the main window; F1 opens help.
class KeyHandler : public QObject {
  Q_OBJECT
 public:
  explicit KeyHandler(TForm1* main) : QObject(main), main_(main) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TForm1* main_;
};

}  // namespace vilk::ui
