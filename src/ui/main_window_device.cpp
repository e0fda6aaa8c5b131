// The window's controller commands, each run off the UI thread by the device runner.
#include "main_window.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

#include "base/files.h"
#include "check_dock.h"
#include "controller/controller.h"
#include "diff_view.h"
#include "frames/logic/ladder_frame.h"
#include "link/commands.h"
#include "link/device_runner.h"
#include "link/live_values.h"
#include "link/password_form.h"
#include "link/tune_link_dlg.h"
#include "main_window_namer.h"
#include "model/image_ops.h"
#include "model/report.h"
#include "network.h"
#include "qt_text.h"
#include "report_pdf.h"
#include "signals/list_frame.h"

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

bool TForm1::RunFileTransfer(std::function<bool(DeviceSession&)> work) {
  return runner_->Run(std::move(work), [this](bool ok) {
    if (ok) messages_->Beep();  // the transfer is done
  });
}

bool TForm1::WriteProgramCommand() {
  if (runner_->Busy()) return false;
  const QString path = ChooseLocalFile(QStringLiteral("Выбор файла контроллера"),
                                       QStringLiteral("Исполняемые файлы (*.bin);;Все файлы (*.*)"),
                                       false, Q(settings_.DirProg));
  if (path.isEmpty()) return false;
  settings_.DirProg = S(QFileInfo(path).absolutePath()) + "/";
  const std::string local = S(path);
  return RunFileTransfer(
      [local](DeviceSession& s) { return WriteLocalFile(s, local, ProgramFileName(local)); });
}

bool TForm1::WritePasswordFileCommand() {
  if (runner_->Busy()) return false;
  const QString path =
      ChooseLocalFile(QStringLiteral("Выбор файла паролей"),
                      QStringLiteral("Файл паролей (*.ini);;Все файлы (*.*)"), false, home_);
  if (path.isEmpty()) return false;
  const std::string local = S(path);
  return RunFileTransfer(
      [local](DeviceSession& s) { return WriteLocalFile(s, local, kPasswordFile); });
}

bool TForm1::WriteAutomationCommand() {
  if (runner_->Busy()) return false;
  const QString path = ChooseLocalFile(QStringLiteral("Выбор файла автоматики"),
                                       QStringLiteral("Файлы автоматики (*.shm);;Все файлы (*.*)"),
                                       false, DirOf(settings_.DataAuto));
  if (path.isEmpty()) return false;
  settings_.DataAuto = S(path);
  const std::string local = S(path);
  return RunFileTransfer(
      [local](DeviceSession& s) { return WriteLocalFile(s, local, kAutomationFile); });
}

bool TForm1::ReadAutomationCommand() {
  if (runner_->Busy()) return false;
  const QString path = ChooseLocalFile(QStringLiteral("Выбор файла автоматики"),
                                       QStringLiteral("Файлы автоматики (*.shm);;Все файлы  (*.*)"),
                                       true, DirOf(settings_.DataAuto));
  if (path.isEmpty()) return false;
  const std::string local = S(path);
  return RunFileTransfer(
      [local](DeviceSession& s) { return ReadToLocalFile(s, kAutomationFile, local); });
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
