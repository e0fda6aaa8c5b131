#include "main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "base/files.h"
#include "base/format.h"
#include "check_dock.h"
#include "controller/controller.h"
#include "diff_view.h"
#include "frames/controller/controller_frame.h"
#include "frames/logic/ladder_frame.h"
#include "help_dialog.h"
#include "link/commands.h"
#include "link/device_runner.h"
#include "link/link_log_dock.h"
#include "link/live_values.h"
#include "link/password_form.h"
#include "link/tune_link_dlg.h"
#include "model/image_ops.h"
#include "model/report.h"
#include "model/show.h"
#include "network.h"
#include "ports/fieldbus/templates.h"
#include "qt_text.h"
#include "report_pdf.h"
#include "search_dialog.h"
#include "signals/editor_ti.h"
#include "signals/list_frame.h"
#include "snmp/mib_dialog.h"
#include "window_fit.h"

namespace vilk::ui {

namespace {
constexpr int kRecentFiles = 8;
const char kRecentSection[] = "Recent";
}  // namespace

// Names the undo step after the first thing the configuration reported since the last one.
class TForm1::ActionNamer : public ITreeObserver {
 public:
  explicit ActionNamer(Configuration& config) : config_(config) { config_.AddObserver(this); }
  ~ActionNamer() override { config_.RemoveObserver(this); }
  void ItemInserted(TItem* item) override { Note("Добавление", item); }
  void ItemAboutToBeRemoved(TItem* item) override { Note("Удаление", item); }
  void ItemMoved(TItem* item) override { Note("Перемещение", item); }
  void ItemEdited(TItem* item) override { Note("Изменение", item); }
  std::string Take() {
    std::string name = name_.empty() ? std::string("Изменение") : name_;
    name_.clear();
    return name;
  }
  void Clear() { name_.clear(); }

 private:
  void Note(const char* what, TItem* item) {
    if (!name_.empty()) return;
    name_ = std::string(what) + " «" + item->Caption() + "»";
  }
  Configuration& config_;
  std::string name_;
};

TForm1::TForm1(const QString& home, IMessages* messages, QWidget* parent)
    : QMainWindow(parent), home_(home), guiMessages_(std::make_unique<GuiMessages>(this)) {
  messages_ = messages ? messages : guiMessages_.get();
  // Before any port is made: the Modbus port reads its template library from the home folder.
  SetTemplateHome(S(QDir(home_).absolutePath()));
  config_ = std::make_unique<Configuration>(*messages_);
  image_ = std::make_unique<ConfigImage>();
  setWindowTitle(QString::fromUtf8(kWindowTitle) + QStringLiteral("[*]"));

  editor_ = new TFrame1(*config_, this);
  setCentralWidget(editor_);
  history_ = std::make_unique<History>(*config_);
  namer_ = std::make_unique<ActionNamer>(*config_);
  connect(editor_, &TFrame1::Modified, this, [this] { ScheduleCommit(); });
  connect(editor_->Model(), &TreeModel::ModelWasApplied, this, [this] {
    ShowModel();
    editor_->EnablePortCommands();
  });

  ChooseFile = [this](bool save, const QString& dir) {
    const QString filter = QString::fromUtf8(kFileFilter);
    QString path =
        save ? QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить как"), dir, filter)
             : QFileDialog::getOpenFileName(this, QStringLiteral("Открыть файл"), dir, filter);
    if (save && !path.isEmpty() && QFileInfo(path).suffix().isEmpty())
      path += QStringLiteral(".cfg");
    return path;
  };

  linkLogDock_ = new LinkLogDock(linkLog_, *messages_, this);
  addDockWidget(Qt::BottomDockWidgetArea, linkLogDock_);
  linkLogDock_->hide();  // off until the user asks for it
  checkDock_ = new CheckDock(*config_, this);
  addDockWidget(Qt::BottomDockWidgetArea, checkDock_);
  checkDock_->hide();  // shown by a check
  diffView_ = new DiffView(*config_, this);
  addDockWidget(Qt::BottomDockWidgetArea, diffView_);
  diffView_->hide();  // shown by a comparison
  BuildMenus();
  LoadSettings();
  runner_ = new DeviceRunner(this, *messages_, progress_, ini_);
  runner_->Settings = LinkSettings::FromApp(settings_);
  runner_->Log = &linkLog_;
  connect(runner_, &DeviceRunner::BusyChanged, this, [this](bool busy) {
    for (QAction* a : deviceActions_) a->setEnabled(!busy);
    // A device command needs the link to itself: live values stop while it runs.
    if (auto* list = qobject_cast<TFrameParams*>(editor_->CurrentFrame())) {
      if (busy) list->ValueBox()->setChecked(false);
      list->ValueBox()->setEnabled(!busy);
    }
    if (auto* frame = qobject_cast<TControllerFrame*>(editor_->CurrentFrame()))
      frame->DetectButton()->setEnabled(!busy);
    if (auto* logic = qobject_cast<TPortLDFrame*>(editor_->CurrentFrame())) {
      if (busy) logic->LiveBox()->setChecked(false);
      logic->LiveBox()->setEnabled(!busy);
    }
  });
  connect(editor_, &TFrame1::CurrentChanged, this, [this] {
    // The controller frame's "Определить тип" asks the controller through the link.
    if (auto* frame = qobject_cast<TControllerFrame*>(editor_->CurrentFrame())) {
      frame->DetectButton()->setEnabled(!runner_->Busy());
      connect(frame->DetectButton(), &QPushButton::clicked, this, &TForm1::DetermineTypeCommand,
              Qt::UniqueConnection);
    }
  });
  if (auto* frame = qobject_cast<TControllerFrame*>(editor_->CurrentFrame()))
    connect(frame->DetectButton(), &QPushButton::clicked, this, &TForm1::DetermineTypeCommand);
  TMIBdlg::Instance(this).MibFolder = S(QDir(home_).filePath(QStringLiteral("MIBs")));
  LiveValues::Provider() = [this](LiveLinkSetup& setup) {
    setup.Settings = runner_->Settings;
    setup.Options = runner_->Options;
    setup.Login = &runner_->Login;
    return true;
  };
  ChooseLocalFile = [this](const QString& title, const QString& filter, bool save,
                           const QString& dir) {
    return save ? QFileDialog::getSaveFileName(this, title, dir, filter)
                : QFileDialog::getOpenFileName(this, title, dir, filter);
  };
  ShowModel();
  qApp->installEventFilter(new KeyHandler(this));
  ResetHistory();
}

TForm1::~TForm1() {
  LiveValues::Provider() = nullptr;
  if (runner_) runner_->Wait();
  // The editor and its tree model watch the configuration: they go before it does.
  delete editor_;
  delete search_;  // it watches the configuration too
  namer_.reset();
}

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

QString TForm1::SettingsPath() const {
  return QDir(home_).filePath(QString::fromUtf8(kSettingsFile));
}

QAction* TForm1::Action(const QString& text) const {
  for (QAction* a : actions_)
    if (a->text() == text) return a;
  return nullptr;
}

void TForm1::BuildMenus() {
  auto act = [this](const QString& text, const QKeySequence& key, auto slot, bool enabled = true) {
    auto* a = new QAction(text, this);
    if (!key.isEmpty()) a->setShortcut(key);
    a->setEnabled(enabled);
    connect(a, &QAction::triggered, this, slot);
    actions_.push_back(a);
    return a;
  };
  QMenu* file = menuBar()->addMenu(QStringLiteral("Файл"));
  // The F-keys of the controller's tools, and the keys of every other desktop editor.
  auto also = [](QAction* a, const QKeySequence& key) {
    QList<QKeySequence> keys = a->shortcuts();
    keys << key;
    a->setShortcuts(keys);
    return a;
  };
  file->addAction(
      also(act(QStringLiteral("Создать"), QKeySequence(Qt::Key_F4), [this] { NewCommand(); }),
           QKeySequence::New));
  file->addAction(
      also(act(QStringLiteral("Открыть файл"), QKeySequence(Qt::Key_F3), [this] { OpenCommand(); }),
           QKeySequence::Open));
  recentMenu_ = file->addMenu(QStringLiteral("Последние файлы"));
  file->addAction(also(
      act(QStringLiteral("Сохранить в файл"), QKeySequence(Qt::Key_F2), [this] { SaveCommand(); }),
      QKeySequence::Save));
  file->addAction(act(QStringLiteral("Сохранить как .."),
                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), [this] { SaveAsCommand(); }));
  file->addSeparator();
  auto device = [&](const QString& text, const QKeySequence& key, auto slot) {
    QAction* a = act(text, key, slot);
    deviceActions_.push_back(a);
    return a;
  };
  file->addAction(device(QStringLiteral("Прочитать настройку"), QKeySequence(Qt::Key_F6),
                         [this] { ReadConfigurationCommand(); }));
  file->addAction(device(QStringLiteral("Записать настройку"), QKeySequence(Qt::Key_F5),
                         [this] { WriteConfigurationCommand(); }));
  file->addAction(device(QStringLiteral("Записать программу"), QKeySequence(Qt::Key_F7),
                         [this] { WriteProgramCommand(); }));
  file->addAction(device(QStringLiteral("Прочитать файл автоматики"), QKeySequence(),
                         [this] { ReadAutomationCommand(); }));
  file->addAction(device(QStringLiteral("Записать файл автоматики"), QKeySequence(),
                         [this] { WriteAutomationCommand(); }));
  file->addAction(device(QStringLiteral("Записать файл паролей"), QKeySequence(),
                         [this] { WritePasswordFileCommand(); }));
  file->addAction(
      device(QStringLiteral("Перезапустить"), QKeySequence(), [this] { RebootCommand(); }));
  file->addAction(
      device(QStringLiteral("Установить время"), QKeySequence(), [this] { SetTimeCommand(); }));
  file->addSeparator();
  file->addAction(act(QStringLiteral("Сравнить с файлом..."), QKeySequence(),
                      [this] { CompareWithFileCommand(); }));
  file->addAction(device(QStringLiteral("Сравнить с контроллером"), QKeySequence(),
                         [this] { CompareWithControllerCommand(); }));
  file->addAction(act(QStringLiteral("Отчёт..."), QKeySequence(), [this] { ReportCommand(); }));
  file->addSeparator();
  file->addAction(
      act(QStringLiteral("Выход"), QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); }));

  QMenu* edit = menuBar()->addMenu(QStringLiteral("Правка"));
  undo_ = act(
      QStringLiteral("Отменить"), QKeySequence::Undo, [this] { UndoCommand(); }, false);
  redo_ = act(
      QStringLiteral("Повторить"), QKeySequence(Qt::CTRL | Qt::Key_Y), [this] { RedoCommand(); },
      false);
  redo_->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  edit->addAction(undo_);
  edit->addAction(redo_);
  edit->addSeparator();
  edit->addAction(act(QStringLiteral("Найти..."), QKeySequence::Find, [this] { ShowSearch(); }));

  QMenu* view = menuBar()->addMenu(QStringLiteral("Вид"));
  view->addAction(linkLogDock_->toggleViewAction());
  view->addAction(checkDock_->toggleViewAction());
  view->addAction(act(QStringLiteral("Проверить конфигурацию"), QKeySequence(Qt::Key_F9), [this] {
    if (editor_->StoreFrame()) checkDock_->Run();
  }));

  QMenu* help = menuBar()->addMenu(QStringLiteral("Справка"));
  help->addAction(
      act(QStringLiteral("Как пользоваться"), QKeySequence(), [this] { HelpCommand(-1); }));
  help->addAction(act(QStringLiteral("О програме"), QKeySequence(), [this] { AboutCommand(); }));

  QToolBar* bar = addToolBar(QStringLiteral("Команды"));
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  auto textButton = [bar](const QString& text, QMenu* menu, QAction* action) {
    auto* b = new QToolButton(bar);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (action) b->setDefaultAction(action);
    b->setText(text);
    if (menu) {
      b->setMenu(menu);
      b->setPopupMode(QToolButton::InstantPopup);
    }
    bar->addWidget(b);
  };
  // The five tagged buttons show icons with their captions as hints.
  auto tagged = [this, bar](int tag, const QString& text, QStyle::StandardPixmap icon,
                            QAction* same) {
    auto* a = new QAction(style()->standardIcon(icon), text, this);
    a->setData(tag);
    a->setToolTip(text);
    connect(a, &QAction::triggered, same, &QAction::trigger);
    connect(same, &QAction::enabledChanged, a, &QAction::setEnabled);
    bar->addAction(a);
    actions_.push_back(a);
  };
  textButton(QStringLiteral("Файл"), file, nullptr);
  tagged(1, QStringLiteral("Открыть файл"), QStyle::SP_DialogOpenButton,
         Action(QStringLiteral("Открыть файл")));
  tagged(2, QStringLiteral("Сохранить в файл"), QStyle::SP_DialogSaveButton,
         Action(QStringLiteral("Сохранить в файл")));
  tagged(3, QStringLiteral("Прочитать из RTU"), QStyle::SP_ArrowDown,
         Action(QStringLiteral("Прочитать настройку")));
  tagged(4, QStringLiteral("Записать в RTU"), QStyle::SP_ArrowUp,
         Action(QStringLiteral("Записать настройку")));
  tagged(5, QStringLiteral("Перезапустить"), QStyle::SP_BrowserReload,
         Action(QStringLiteral("Перезапустить")));
  bar->addSeparator();
  textButton(QStringLiteral("      Связь      "), nullptr,
             device(QStringLiteral("      Связь      "), QKeySequence(),
                    [this] { LinkSettingsCommand(); }));
  textButton(QStringLiteral("Пароль"), nullptr,
             device(QStringLiteral("Пароль"), QKeySequence(), [this] { LoginCommand(); }));
  textButton(QStringLiteral("Справка"), help, nullptr);

  // Alt+X exits from anywhere; F1 is handled by the key handler with the frame's context.
  auto* exit = new QAction(this);
  exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
  connect(exit, &QAction::triggered, this, &QWidget::close);
  addAction(exit);

  linkLabel_ = new QLabel(this);
  statusBar()->addWidget(linkLabel_);
  progress_ = new QProgressBar(this);
  progress_->setMaximumWidth(200);
  progress_->setRange(0, 0);
  progress_->hide();
  statusBar()->addWidget(progress_);
  modelName_ = new QLabel(this);
  modelVersion_ = new QLabel(this);
  modelYear_ = new QLabel(this);
  for (QLabel* l : {modelName_, modelVersion_, modelYear_}) statusBar()->addPermanentWidget(l);
}

void TForm1::ShowModel() {
  const ModelRecord& r = config_->Controller().Record;
  modelName_->setText(Q(r.Name));
  modelVersion_->setText(Q(r.VersionLabel()));
  modelYear_->setText(QString::number(r.Year));
}

void TForm1::SetModified(bool modified) {
  setWindowModified(modified);
}

void TForm1::LoadSettings() {
  ini_.LoadFile(S(SettingsPath()));
  TEditorTI::LoadPresets(ini_);
  settings_.Load(ini_, S(QDir(home_).absolutePath()) + "/");
  setGeometry(settings_.Left, settings_.Top, settings_.Width, settings_.Height);
  // Every frame fits beside the tree, as far as the screen allows.
  FitWindowToFrames(this, LargestFrameHint());
  LoadRecentFiles();
}

void TForm1::SaveSettings() {
  const QRect g = geometry();
  settings_.Top = g.top();
  settings_.Left = g.left();
  settings_.Height = g.height();
  settings_.Width = g.width();
  if (!configFile_.isEmpty()) settings_.DirConf = S(QFileInfo(configFile_).absolutePath()) + "/";
  runner_->Settings.ToApp(settings_);
  settings_.Store(ini_);
  ini_.SaveFile(S(SettingsPath()));  // a settings file that cannot be written is not worth a box
}

bool TForm1::ConfirmDiscard() {
  // An open frame with input it refuses keeps the window as it is.
  if (!editor_->StoreFrame()) return false;
  if (!IsModified()) return true;
  switch (messages_->Question("Конфигурация изменена.\rСохранить изменения?", true)) {
    case Answer::Yes:
      return SaveCommand();
    case Answer::No:
      return true;
    default:
      return false;
  }
}

bool TForm1::NewCommand() {
  if (!ConfirmDiscard()) return false;
  config_->Controller().NewConfiguration();
  editor_->Select(&config_->Controller());
  editor_->RefreshFrame();
  ShowModel();
  ResetHistory();
  return true;
}

bool TForm1::OpenCommand() {
  if (!ConfirmDiscard()) return false;
  QString dir =
      configFile_.isEmpty() ? Q(settings_.DirConf) : QFileInfo(configFile_).absolutePath();
  if (dir.isEmpty()) dir = home_;
  const QString path = ChooseFile(false, dir);
  if (path.isEmpty()) return false;
  return OpenFile(path);
}

bool TForm1::OpenFile(const QString& path) {
  // A refused file changes nothing, not even the file name the next Save writes to.
  if (!OpenConfigFile(*config_, *image_, S(path))) return false;
  configFile_ = path;
  config_->Controller().ApplyModel();
  ShowModel();
  ResetHistory();
  RememberFile(path);
  return true;
}

bool TForm1::WriteFile(const QString& path) {
  if (!editor_->StoreFrame()) return false;
  if (!BuildImage(*config_, *image_, S(path), S(deviceFile_))) return false;
  std::string error;
  if (!WriteFileAtomic(S(path), image_->Data(), image_->TotalSize, &error)) {
    messages_->Error("Ошибка записи файла " + S(path) + ": " + error);
    return false;
  }
  return true;
}

bool TForm1::SaveCommand() {
  if (QFileInfo(configFile_).fileName().isEmpty()) return SaveAsCommand();
  if (!WriteFile(configFile_)) return false;
  CommitNow();
  history_->MarkClean();
  SetModified(false);
  RememberFile(configFile_);
  return true;
}

bool TForm1::SaveAsCommand() {
  if (!editor_->StoreFrame()) return false;  // no file name is asked for input that is refused
  QString dir =
      configFile_.isEmpty() ? Q(settings_.DirConf) : QFileInfo(configFile_).absolutePath();
  const QString path = ChooseFile(true, dir.isEmpty() ? home_ : dir);
  if (path.isEmpty()) return false;
  if (!WriteFile(path)) return false;
  configFile_ = path;
  CommitNow();
  history_->MarkClean();
  SetModified(false);
  RememberFile(path);
  return true;
}

void TForm1::HelpCommand(int context) {
  QWidget* active = QApplication::activeWindow();
  if (context < 0)
    context = 1;
  else if (active && active != this)
    context = 1;
  else if (ItemFrame* frame = editor_->CurrentFrame()) {
    context = frame->HelpContext();
    ShowHelp(this, context, frame, Q(frame->Item()->Caption()));
    return;
  }
  ShowHelp(this, context);
}

void TForm1::AboutCommand() {
  ShowAbout(this);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (runner_->Busy()) {
    event->ignore();  // a transfer is running: closing now would cut it
    return;
  }
  if (!ConfirmDiscard()) {
    event->ignore();
    return;
  }
  SaveSettings();
  event->accept();
}

bool KeyHandler::eventFilter(QObject* watched, QEvent* event) {
  const auto type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::MouseButtonRelease)
    return QObject::eventFilter(watched, event);
  QWidget* active = QApplication::activeWindow();
  const bool other = active && active != main_;
  if (type == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::RightButton && other && qobject_cast<QDialog*>(active)) {
      active->close();
      return true;
    }
    return false;
  }
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Escape && other) {
    active->close();
    return true;
  }
  if (key->key() == Qt::Key_X && (key->modifiers() & Qt::AltModifier)) {
    if (other) active->close();
    main_->close();
    return true;
  }
  if (key->key() == Qt::Key_F1) {
    main_->HelpCommand(0);
    return true;
  }
  return false;
}

}  // namespace vilk::ui

namespace vilk::ui {

void TForm1::StartLinkTest() {
  LinkSettings& s = runner_->Settings;
  if (const auto caption = LinkTest(s, kAppTitle, *messages_))
    linkLabel_->setText(Q(*caption));
  else
    linkLabel_->clear();
}

bool TForm1::ReadConfigurationCommand() {
  if (runner_->Busy() || !ConfirmDiscard()) return false;
  auto located = std::make_shared<LocateResult>();
  auto file = std::make_shared<std::vector<std::uint8_t>>();
  return runner_->Run(
      [located, file](DeviceSession& session) {
        *located = session.LocateConfiguration();
        return located->Found() && session.ReadControllerFile(located->FileName, *file);
      },
      [this, located, file](bool ok) {
        if (!ok) return;
        // The current configuration changes only when the image loads completely.
        if (!FinishReadConfiguration(*config_, *image_, located->Identity, *file)) return;
        deviceFile_ = Q(located->FileName);
        config_->Controller().ApplyModel();
        ShowModel();
        ResetHistory();
      });
}

bool TForm1::CompareWithFileCommand() {
  if (!editor_->StoreFrame()) return false;
  const QString path = ChooseFile(false, Q(settings_.DirConf));
  if (path.isEmpty()) return false;
  // Read into a configuration of its own: the open one is never touched.
  auto other = std::make_unique<Configuration>(*messages_);
  ConfigImage image;
  if (!OpenConfigFile(*other, image, S(path))) return false;
  diffView_->Compare(std::move(other), QFileInfo(path).fileName());
  return true;
}

bool TForm1::ReportCommand() {
  if (!editor_->StoreFrame()) return false;
  const QString dir =
      configFile_.isEmpty() ? Q(settings_.DirConf) : QFileInfo(configFile_).absolutePath();
  QString path = ChooseReportFile
                     ? ChooseReportFile(dir)
                     : QFileDialog::getSaveFileName(this, QStringLiteral("Отчёт"), dir,
                                                    QStringLiteral("PDF (*.pdf);;HTML (*.html)"));
  if (path.isEmpty()) return false;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
  const QString source = QFileInfo(configFile_).fileName();
  QString error;
  bool written;
  if (QFileInfo(path).suffix().compare(QStringLiteral("pdf"), Qt::CaseInsensitive) == 0) {
    written = WriteReportPdf(*config_, source, path, &error);
  } else {
    const std::string html = CommissioningReportHtml(*config_, S(source));
    std::string why;
    written = WriteFileAtomic(S(path), html.data(), html.size(), &why);
    error = Q(why);
  }
  if (!written) messages_->Error("Ошибка записи файла " + S(path) + ": " + S(error));
  return written;
}

bool TForm1::CompareWithControllerCommand() {
  if (runner_->Busy() || !editor_->StoreFrame()) return false;
  auto located = std::make_shared<LocateResult>();
  auto file = std::make_shared<std::vector<std::uint8_t>>();
  return runner_->Run(
      [located, file](DeviceSession& session) {
        *located = session.LocateConfiguration();
        return located->Found() && session.ReadControllerFile(located->FileName, *file);
      },
      [this, located, file](bool ok) {
        if (!ok) return;
        auto other = std::make_unique<Configuration>(*messages_);
        ConfigImage image;
        image.Assign(*file);
        if (!LoadImage(*other, image, located->FileName)) return;
        diffView_->Compare(std::move(other),
                           QStringLiteral("Контроллер (%1)").arg(Q(located->FileName)));
      });
}

bool TForm1::WriteConfigurationCommand() {
  if (runner_->Busy() || !editor_->StoreFrame()) return false;
  // Nothing goes to the controller while the check finds an error.
  if (!checkDock_->Run()) {
    messages_->Error(
        "В конфигурации есть ошибки, запись в контроллер отменена (список - в окне "
        "\"Проверка\").");
    return false;
  }
  auto located = std::make_shared<LocateResult>();
  return runner_->Run(
      [located](DeviceSession& session) {
        *located = session.LocateConfiguration();
        return located->Found();
      },
      [this, located](bool ok) {
        if (!ok) return;
        ShowModel();
        // The frame may have been edited while the controller was looked for.
        if (!editor_->StoreFrame()) return;
        // A model change is named in the question and taken back when nothing is written.
        auto plan = std::make_shared<WritePlan>();
        auto restore = [this, plan] {
          if (!plan->Converted) return;
          RestoreBeforeWrite(*config_, *plan);
          ShowModel();
          editor_->RefreshFrame();
        };
        if (!PrepareWriteConfiguration(*config_, *image_, *located, S(configFile_), plan.get())) {
          restore();
          return;
        }
        auto bytes = std::make_shared<std::vector<std::uint8_t>>(
            image_->Data(), image_->Data() + image_->TotalSize);
        const std::string name = located->FileName;
        const std::string note = plan->QuestionNote;
        runner_->Run(
            [bytes, name, note](DeviceSession& session) {
              return session.WriteControllerFile(*bytes, name, note);
            },
            [this, restore](bool written) {
              if (written)
                messages_->Beep();
              else
                restore();
            });
      });
}

namespace {
QString DirOf(const std::string& path) {
  return QFileInfo(Q(path)).absolutePath();
}
}  // namespace

bool TForm1::WriteProgramCommand() {
  if (runner_->Busy()) return false;
  const QString path = ChooseLocalFile(QStringLiteral("Выбор файла контроллера"),
                                       QStringLiteral("Исполняемые файлы (*.bin);;Все файлы (*.*)"),
                                       false, Q(settings_.DirProg));
  if (path.isEmpty()) return false;
  settings_.DirProg = S(QFileInfo(path).absolutePath()) + "/";
  const std::string local = S(path);
  return runner_->Run(
      [local](DeviceSession& s) { return WriteLocalFile(s, local, ProgramFileName(local)); },
      [this](bool ok) {
        if (ok) messages_->Beep();
      });
}

bool TForm1::WritePasswordFileCommand() {
  if (runner_->Busy()) return false;
  const QString path =
      ChooseLocalFile(QStringLiteral("Выбор файла паролей"),
                      QStringLiteral("Файл паролей (*.ini);;Все файлы (*.*)"), false, home_);
  if (path.isEmpty()) return false;
  const std::string local = S(path);
  return runner_->Run([local](DeviceSession& s) { return WriteLocalFile(s, local, kPasswordFile); },
                      [this](bool ok) {
                        if (ok) messages_->Beep();
                      });
}

bool TForm1::WriteAutomationCommand() {
  if (runner_->Busy()) return false;
  const QString path = ChooseLocalFile(QStringLiteral("Выбор файла автоматики"),
                                       QStringLiteral("Файлы автоматики (*.shm);;Все файлы (*.*)"),
                                       false, DirOf(settings_.DataAuto));
  if (path.isEmpty()) return false;
  settings_.DataAuto = S(path);
  const std::string local = S(path);
  return runner_->Run(
      [local](DeviceSession& s) { return WriteLocalFile(s, local, kAutomationFile); },
      [this](bool ok) {
        if (ok) messages_->Beep();
      });
}

bool TForm1::ReadAutomationCommand() {
  if (runner_->Busy()) return false;
  const QString path = ChooseLocalFile(QStringLiteral("Выбор файла автоматики"),
                                       QStringLiteral("Файлы автоматики (*.shm);;Все файлы  (*.*)"),
                                       true, DirOf(settings_.DataAuto));
  if (path.isEmpty()) return false;
  const std::string local = S(path);
  return runner_->Run(
      [local](DeviceSession& s) { return ReadToLocalFile(s, kAutomationFile, local); },
      [this](bool ok) {
        if (ok) messages_->Beep();
      });
}

bool TForm1::RebootCommand() {
  if (runner_->Busy()) return false;
  return runner_->Run([](DeviceSession& s) { return s.Restart(); });
}

bool TForm1::SetTimeCommand() {
  if (runner_->Busy()) return false;
  return runner_->Run([](DeviceSession& s) { return s.SetTime(); });
}

bool TForm1::DetermineTypeCommand() {
  if (runner_->Busy() || !editor_->StoreFrame()) return false;
  auto located = std::make_shared<LocateResult>();
  return runner_->Run(
      [located](DeviceSession& s) {
        *located = s.LocateConfiguration();
        return located->Found();
      },
      [this, located](bool ok) {
        if (!ok) return;
        ApplyIdentity(config_->Controller(), located->Identity);
        config_->Controller().ApplyModel();
        ShowModel();
        editor_->RefreshFrame();
        namer_->Clear();
        ScheduleCommit();
      });
}

void TForm1::LinkSettingsCommand() {
  if (runner_->Busy()) return;
  TTuneLinkDlg dialog(this, runner_->Settings);
  if (dialog.exec() == QDialog::Accepted) {
    runner_->Settings = dialog.Result();
    runner_->Settings.ToApp(settings_);
    SaveSettings();
  }
  // Whichever button closed the dialog, the link is tried again.
  StartLinkTest();
}

void TForm1::LoginCommand() {
  if (runner_->Busy()) return;
  runner_->AskLogin();
  ini_.SaveFile(S(SettingsPath()));
}

}  // namespace vilk::ui
