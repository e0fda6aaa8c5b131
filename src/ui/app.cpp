#include "app.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPainter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "base/files.h"
#include "base/version.h"
#include "check_dock.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "frames/fieldbus/select_rtu.h"
#include "frames/logic/ladder_frame.h"
#include "link/device_runner.h"
#include "link/link_log_dock.h"
#include "link/password_form.h"
#include "link/tune_link_dlg.h"
#include "main_window.h"
#include "ports/fieldbus/modbus.h"
#include "ports/fieldbus/templates.h"
#include "qt_text.h"
#include "search_dialog.h"
#include "serial_ports.h"
#include "signals/csv.h"
#include "signals/csv_preview.h"
#include "signals/storage.h"
#include "snmp/mib_dialog.h"
#include "theme.h"

namespace vilk::ui {

namespace {

// The folder of "Vilk.ini" and the side files: --home, VILK_HOME, the program's folder
// when writable, else the user's data folder.
QString HomeFolder(const QString& option) {
  if (!option.isEmpty()) return option;
  const QByteArray env = qgetenv("VILK_HOME");
  if (!env.isEmpty()) return QString::fromLocal8Bit(env);
  const QString programDir = QCoreApplication::applicationDirPath();
  if (QFileInfo(programDir).isWritable()) return programDir;
  const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  QDir().mkpath(data);
  return data;
}

TItem* FindByCaption(TItem* item, const QString& caption) {
  // "A/B" names node B below node A, for captions that repeat (every list is "ТС").
  const int slash = caption.indexOf(QLatin1Char('/'));
  if (slash > 0) {
    TItem* parent = FindByCaption(item, caption.left(slash));
    return parent ? FindByCaption(parent, caption.mid(slash + 1)) : nullptr;
  }
  if (Q(item->Caption()) == caption) return item;
  for (int i = 0; i < item->ChildCount(); ++i)
    if (TItem* found = FindByCaption(item->Child(i), caption)) return found;
  return nullptr;
}

// --modbus "1=Meter,2=Meter,17=": a Modbus RTU port at the lowest free port address with
// these devices (address = type; an empty type keeps the default), as the address dialog
// would add them. False for a list that does not read.
bool AddModbusPort(TForm1& window, const QString& list) {
  std::vector<std::pair<int, std::string>> chosen;
  for (const QString& entry : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    bool ok = false;
    const int address = entry.left(eq < 0 ? entry.size() : eq).trimmed().toInt(&ok);
    if (!ok || address < 1 || address > 255) return false;
    chosen.emplace_back(address, eq < 0 ? std::string() : S(entry.mid(eq + 1).trimmed()));
  }
  TFrame1& editor = *window.Editor();
  TItem* proc = window.Config().Controller().Proc();
  if (!proc) return false;
  auto* port = dynamic_cast<TPortMODBUS*>(editor.AddPortCommand(kPortMODBUS));
  if (!port) return false;
  std::set<int> used;
  for (int i = 0; i < proc->ChildCount(); ++i)
    if (proc->Child(i) != port) used.insert(proc->Child(i)->Number);
  int number = 1;
  while (used.count(number)) ++number;
  port->Renumber(static_cast<std::uint8_t>(number));
  port->AddDevices(chosen);
  window.Config().Storage().RebuildPool();
  return editor.RefreshFrame();
}

// The address dialog of the first Modbus RTU port, with two free addresses chosen so that
// the picture shows every kind of button.
std::unique_ptr<QDialog> ModbusAddressDialog(TForm1& window) {
  std::map<int, std::string> used;
  if (TItem* proc = window.Config().Controller().Proc())
    for (int i = 0; i < proc->ChildCount(); ++i)
      if (auto* port = dynamic_cast<TPortMODBUS*>(proc->Child(i))) {
        for (const TRTU* d : port->ModbusDevices()) used[d->Number] = d->Name();
        break;
      }
  auto dialog = std::make_unique<TSelectRTU>(&window, used, ModbusTemplates().DeviceNames());
  int picked = 0;
  for (int a = 1; a <= TSelectRTU::kAddresses && picked < 2; ++a)
    if (!used.count(a) && used.count(a - 1)) {
      dialog->Button(a)->click();
      ++picked;
    }
  return dialog;
}

// Offscreen there is nobody to close a box: messages go to stderr instead.
class StderrMessages : public IMessages {
 public:
  void Error(const std::string& text) override {
    std::fprintf(stderr, "%s\n", MessageText(text).toUtf8().constData());
  }
  Answer Question(const std::string& text, bool) override {
    Error(text);
    return Answer::No;
  }
};

}  // namespace

int RunApplication(int argc, char** argv) {
  QString home, screenshot, file, select, mib, tab, dialogName, modbus, csv, readUdp, simulate, pdf,
      search;
  QString paletteName, serialPort, compare;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    const QString a = QString::fromLocal8Bit(argv[i]);
    auto next = [&](QString& into) {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "vilk: %s needs a value\n", argv[i]);
        std::exit(2);
      }
      into = QString::fromLocal8Bit(argv[++i]);
    };
    if (a == QLatin1String("--home"))
      next(home);
    else if (a == QLatin1String("--screenshot"))
      next(screenshot);
    else if (a == QLatin1String("--select"))
      next(select);
    else if (a == QLatin1String("--mib"))
      next(mib);
    else if (a == QLatin1String("--tab"))
      next(tab);
    else if (a == QLatin1String("--dialog"))
      next(dialogName);
    else if (a == QLatin1String("--modbus"))
      next(modbus);
    else if (a == QLatin1String("--csv"))
      next(csv);
    else if (a == QLatin1String("--read-udp"))
      next(readUdp);
    else if (a == QLatin1String("--search"))
      next(search);
    else if (a == QLatin1String("--simulate"))
      next(simulate);
    else if (a == QLatin1String("--pdf"))
      next(pdf);
    else if (a == QLatin1String("--palette"))
      next(paletteName);
    else if (a == QLatin1String("--serial-port"))
      next(serialPort);
    else if (a == QLatin1String("--check"))
      check = true;
    else if (a == QLatin1String("--compare"))
      next(compare);
    else if (a == QLatin1String("--version")) {
      std::printf("vilk %s\n", ProgramVersion());
      return 0;
    } else if (a == QLatin1String("--help")) {
      std::printf(
          "vilk [--home DIR] [FILE.cfg]\n"
          "vilk --version\n"
          "vilk --screenshot OUT.png [--select CAPTION[/CAPTION...]] [--tab N] [FILE.cfg]\n"
          "vilk --screenshot OUT.png --mib MIBFILE   (the MIB dialog with MIBFILE loaded)\n"
          "vilk --screenshot OUT.png --dialog link|login|modbus-addresses\n"
          "vilk --screenshot OUT.png --select LIST --csv IN.csv FILE.cfg  (the import preview)\n"
          "vilk --screenshot OUT.png --read-udp PORT   (reads the configuration from "
          "127.0.0.1:PORT,\n"
          "                                             the exchange log shown)\n"
          "vilk --screenshot OUT.png --search TEXT FILE.cfg  (the search, its first hit opened)\n"
          "  --modbus ADDR=TYPE[,ADDR=TYPE...]  adds a Modbus RTU port with these devices first\n"
          "  --simulate NAME=0|1[,...]  the selected discrete-logic port in simulation mode\n"
          "  --pdf OUT.pdf  also prints the selected discrete-logic port's program\n"
          "  --palette dark  the window in a dark theme\n"
          "  --check  runs the check (F9) and shows its list\n"
          "  --compare OTHER.cfg  compares FILE.cfg with OTHER.cfg (\"Сравнить с файлом...\")\n"
          "  --serial-port DEVICE  lists DEVICE among the serial ports; with --dialog link it is\n"
          "                        chosen and checked\n");
      return 0;
    } else if (!a.startsWith(QLatin1String("--")))
      file = a;
  }
  if (!screenshot.isEmpty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");

  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(kAppTitle));
  if (paletteName == QLatin1String("dark")) {
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(DarkPalette());
  } else if (!paletteName.isEmpty()) {
    std::fprintf(stderr, "vilk: --palette takes dark\n");
    return 2;
  }
  if (!serialPort.isEmpty()) {
    SerialPortEntry extra;
    extra.Location = S(serialPort);
    extra.Name = S(QFileInfo(serialPort).fileName());
    extra.Description = "псевдотерминал vilk-sim";
    SerialPortLister() = [extra] {
      std::vector<SerialPortEntry> ports = SystemSerialPorts();
      ports.insert(ports.begin(), extra);
      return ports;
    };
  }
  StderrMessages offscreenMessages;
  TForm1 window(HomeFolder(home), screenshot.isEmpty() ? nullptr : &offscreenMessages);
  if (!file.isEmpty()) window.OpenFile(file);
  QApplication::processEvents();  // posted selections of the load go first
  if (!modbus.isEmpty() && !AddModbusPort(window, modbus)) {
    std::fprintf(stderr, "vilk: --modbus %s does not read\n", modbus.toUtf8().constData());
    return 2;
  }
  if (!select.isEmpty()) {
    TItem* item = FindByCaption(&window.Config().Controller(), select);
    if (!item) {
      std::fprintf(stderr, "vilk: no node captioned %s\n", select.toUtf8().constData());
      return 1;
    }
    window.Editor()->Select(item);
  }
  // --tab N shows the N-th page (from 0) of the frame's first tab widget.
  if (!tab.isEmpty() && window.Editor()->CurrentFrame())
    if (auto* tabs = window.Editor()->CurrentFrame()->findChild<QTabWidget*>())
      tabs->setCurrentIndex(tab.toInt());
  if (auto* logic = qobject_cast<TPortLDFrame*>(window.Editor()->CurrentFrame())) {
    if (!simulate.isEmpty() && !logic->SimulateInputs(simulate)) {
      std::fprintf(stderr, "vilk: --simulate %s does not read\n", simulate.toUtf8().constData());
      return 2;
    }
    if (!pdf.isEmpty() && !logic->PrintPdf(pdf)) return 1;
  }
  window.show();
  if (screenshot.isEmpty()) window.StartLinkTest();
  if (check) window.CheckView()->Run();
  if (!compare.isEmpty()) {
    window.ChooseFile = [compare](bool, const QString&) { return compare; };
    if (!window.CompareWithFileCommand()) return 1;
  }
  if (!screenshot.isEmpty() && !csv.isEmpty()) {
    auto* list = dynamic_cast<TParams*>(
        window.Editor()->CurrentFrame() ? window.Editor()->CurrentFrame()->Item() : nullptr);
    if (!list) {
      std::fprintf(stderr, "vilk: --csv needs --select of a signal list\n");
      return 1;
    }
    const CsvImportPlan plan = PlanListImportFile(*list, S(csv));
    if (!plan.Error.empty()) {
      std::fprintf(stderr, "vilk: %s\n", plan.Error.c_str());
      return 1;
    }
    CsvPreviewDialog dialog(plan, QFileInfo(csv).fileName(), &window);
    dialog.show();
    QApplication::processEvents();
    QApplication::processEvents();
    return dialog.grab().save(screenshot, "PNG") ? 0 : 1;
  }
  if (!screenshot.isEmpty() && !search.isEmpty()) {
    // The window with the search open over it, the first hit opened.
    SearchDialog* dialog = window.ShowSearch();
    dialog->Edit()->setText(search);
    dialog->Activate(0);
    dialog->move(window.geometry().center() - QPoint(dialog->width() / 2, dialog->height() / 3));
    QApplication::processEvents();
    QPixmap shot = window.grab();
    QPainter painter(&shot);
    painter.drawPixmap(dialog->geometry().topLeft() - window.geometry().topLeft(), dialog->grab());
    painter.end();
    return shot.save(screenshot, "PNG") ? 0 : 1;
  }
  if (!screenshot.isEmpty() && !readUdp.isEmpty()) {
    DeviceRunner* runner = window.Runner();
    runner->Settings.LinkMode = kLinkUdp;
    runner->Settings.SelfIP = {127, 0, 0, 1};
    runner->Settings.DestIP = {127, 0, 0, 1};
    runner->Options.SelfPort = 0;
    runner->Options.DestPort = static_cast<std::uint16_t>(readUdp.toUInt());
    runner->Options.AnswerWaitMs = 300;
    runner->Options.ValidateSelf = false;
    window.LinkLogView()->show();
    window.ReadConfigurationCommand();
    while (runner->Busy()) QApplication::processEvents(QEventLoop::AllEvents, 20);
    window.LinkLogView()->Refresh();
  }
  if (!screenshot.isEmpty() && !dialogName.isEmpty()) {
    std::unique_ptr<QDialog> dialog;
    IniDocument ini;
    KeySettings keys;
    LoginState login;
    if (dialogName == QLatin1String("link")) {
      auto link = std::make_unique<TTuneLinkDlg>(&window, window.Runner()->Settings);
      if (!serialPort.isEmpty()) {
        link->ComChk()->setChecked(true);
        link->Ports()->setCurrentIndex(1);
        emit link->Ports()->activated(1);
        link->Check();
      }
      dialog = std::move(link);
    } else if (dialogName == QLatin1String("modbus-addresses"))
      dialog = ModbusAddressDialog(window);
    else
      dialog = std::make_unique<TPasswordForm>(&window, login, keys, ini);
    dialog->show();
    QApplication::processEvents();
    QApplication::processEvents();
    return dialog->grab().save(screenshot, "PNG") ? 0 : 1;
  }
  if (!screenshot.isEmpty() && !mib.isEmpty()) {
    TMIBdlg& dialog = TMIBdlg::Instance(&window);
    dialog.MibFolder = QFileInfo(mib).absolutePath().toStdString();
    dialog.FileEdit()->setText(mib);
    dialog.Load();
    dialog.show();
    if (MibNode* root = dialog.MibTree().Root(); root && root->ChildCount() > 0) {
      dialog.Tree()->expandRecursively(dialog.Model()->IndexOf(root->Child(0)), 2);
      dialog.Tree()->setCurrentIndex(dialog.Model()->IndexOf(root->Child(0)->Child(0)));
    }
    QApplication::processEvents();
    QApplication::processEvents();
    const bool ok = dialog.grab().save(screenshot, "PNG");
    return ok ? 0 : 1;
  }
  if (!screenshot.isEmpty()) {
    QApplication::processEvents();
    QApplication::processEvents();
    const bool ok = window.grab().save(screenshot, "PNG");
    if (!ok) std::fprintf(stderr, "vilk: cannot write %s\n", screenshot.toUtf8().constData());
    return ok ? 0 : 1;
  }
  return QApplication::exec();
}

}  // namespace vilk::ui
