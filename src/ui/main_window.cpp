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
#include "main_window_namer.h"
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
