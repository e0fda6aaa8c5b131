// The "Проверка" dock: F9 lists the problems, a double click selects the node; writing to the
// controller (vilk-sim over UDP on loopback) runs the check first and an error stops it
// before any request, a warning does not.
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTreeWidget>

#include "../core/file_faults.h"
#include "check_dock.h"
#include "diff_view.h"
#include "link/device_runner.h"
#include "model/diff.h"
#include "ports/telemechanics/pc.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

class CheckWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    config().Controller().ApplyModel();  // the stand-in port kinds allowed
  }
  void TearDown() override {
    if (sim.state() != QProcess::NotRunning) {
      sim.terminate();
      sim.waitForFinished(3000);
    }
    WindowTest::TearDown();
  }
  // vilk-sim on a free UDP port of 127.0.0.1; the window's link pointed at it.
  bool StartSim() {
    sim.start(QStringLiteral(VILK_SIM_PATH),
              {QStringLiteral("--dir"), home.path(), QStringLiteral("--udp"),
               QStringLiteral("127.0.0.1:0")});
    std::uint16_t port = 0;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000) {
      if (!sim.canReadLine() && !sim.waitForReadyRead(200)) continue;
      while (sim.canReadLine()) {
        const QString line = QString::fromUtf8(sim.readLine()).trimmed();
        if (line.startsWith(QStringLiteral("udp ")))
          port = static_cast<std::uint16_t>(line.section(QLatin1Char(':'), -1).toInt());
        if (line == QStringLiteral("ready")) {
          ui::DeviceRunner* runner = window->Runner();
          runner->Settings.LinkMode = kLinkUdp;
          runner->Settings.SelfIP = {127, 0, 0, 1};
          runner->Settings.DestIP = {127, 0, 0, 1};
          runner->Options.SelfPort = 0;
          runner->Options.DestPort = port;
          runner->Options.AnswerWaitMs = 1500;
          runner->Options.ValidateSelf = false;
          runner->Login.Confirm("", "");
          return port != 0;
        }
      }
    }
    return false;
  }
  bool Finish() {
    QElapsedTimer t;
    t.start();
    while (window->Runner()->Busy() && t.elapsed() < 20000)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    Settle();
    return !window->Runner()->Busy();
  }
  QString Cell(int row, int column) const {
    return window->CheckView()->List()->topLevelItem(row)->text(column);
  }

  QProcess sim;
};

TEST_F(CheckWindowTest, F9ListsTheProblemsAndADoubleClickSelectsTheNode) {
  ShowWindow();
  ui::CheckDock* dock = window->CheckView();
  ASSERT_NE(dock, nullptr);
  EXPECT_FALSE(dock->isVisible());
  QAction* check = window->Action(QStringLiteral("Проверить конфигурацию"));
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(check->shortcut(), QKeySequence(Qt::Key_F9));

  check->trigger();
  EXPECT_TRUE(dock->isVisible());
  EXPECT_EQ(dock->List()->topLevelItemCount(), 0);
  EXPECT_EQ(dock->Summary()->text(), QStringLiteral("Ошибок нет."));

  auto* a = AddFieldPort(config(), 1, "A", 0, 0, 0);
  LinkToBoard(a, 33);
  auto* b = AddFieldPort(config(), 1, "B", 0, 0, 0);
  check->trigger();
  ASSERT_EQ(dock->List()->topLevelItemCount(), 2);
  EXPECT_EQ(Cell(0, 0), QStringLiteral("предупреждение"));
  EXPECT_EQ(Cell(0, 1), QStringLiteral("ВИЛК.A2/Процессор/1_Порт Поле"));
  EXPECT_EQ(Cell(0, 2), QStringLiteral("Порт не связан с платой COM."));
  EXPECT_EQ(Cell(1, 0), QStringLiteral("ошибка"));
  EXPECT_EQ(Cell(1, 2), QStringLiteral("Адрес порта 1 совпадает с адресом порта 1_Порт Поле."));
  EXPECT_EQ(dock->Summary()->text(), QStringLiteral("Ошибок: 1, предупреждений: 1"));

  // Both ports carry one caption: the row knows which one it means.
  emit dock->List()->itemDoubleClicked(dock->List()->topLevelItem(1), 0);
  Settle();
  EXPECT_EQ(editor()->CurrentItem(), b);
  // A node removed since the check is not selected.
  config().Remove(b);
  EXPECT_FALSE(dock->GoTo(1));
  EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(CheckWindowTest, AnErrorStopsAWriteBeforeAnyRequestAndAWarningDoesNot) {
  ASSERT_TRUE(StartSim());
  auto* a = AddFieldPort(config(), 3, "A", 2, 0, 0);
  AddFieldPort(config(), 3, "B", 2, 0, 0);  // the same number, and neither on a board
  EXPECT_FALSE(window->WriteConfigurationCommand());
  EXPECT_FALSE(window->Runner()->Busy());
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0],
            "В конфигурации есть ошибки, запись в контроллер отменена (список - в окне "
            "\"Проверка\").");
  EXPECT_FALSE(window->CheckView()->isHidden());  // the window itself is not shown here
  EXPECT_EQ(window->ExchangeLog().Counters().Requests, 0);
  EXPECT_TRUE(messages.Questions.empty());

  // Only warnings left (ports without a board): the write goes through.
  a->Number = 4;
  a->UpdateCaption();
  messages.Errors.clear();
  ASSERT_TRUE(window->WriteConfigurationCommand());
  ASSERT_TRUE(Finish());
  EXPECT_GT(window->ExchangeLog().Counters().Requests, 0);
  QFile written(File(QStringLiteral("VilkA2.cfg")));
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_EQ(static_cast<std::size_t>(written.size()), window->Image().TotalSize);
  EXPECT_FALSE(HasErrors(window->CheckView()->Problems()));
  EXPECT_FALSE(window->CheckView()->Problems().empty());
}

// The open configuration against a file: the differences as a tree, the file read into a
// configuration of its own; a double click selects the node that differs.
TEST_F(CheckWindowTest, CompareWithAFile) {
  auto* a = AddFieldPort(config(), 1, "A", 2, 0, 0);
  LinkToBoard(a, 33);
  const std::vector<std::uint8_t> bytes = Build(config());
  ASSERT_FALSE(bytes.empty());
  openPath = File(QStringLiteral("saved.cfg"));
  WriteAll(openPath.toStdString(), bytes);
  auto* b = AddFieldPort(config(), 2, "B", 0, 0, 0);
  const std::string before = DumpTree(config());

  ASSERT_TRUE(window->CompareWithFileCommand());
  ui::DiffView* view = window->DiffPane();
  EXPECT_FALSE(view->isHidden());
  const std::vector<ItemDiff>& diffs = view->Diffs();
  // The port count of the processor board, the new port and its three lists.
  ASSERT_EQ(diffs.size(), 5u) << DiffText(diffs);
  EXPECT_EQ(DiffText({diffs[0]}), "~ ВИЛК.A2/Процессор\n    ports: 2 -> 3\n");
  EXPECT_EQ(diffs[1].What, ItemDiff::Added);
  EXPECT_EQ(diffs[1].New, b);
  QTreeWidget* tree = view->Tree();
  ASSERT_EQ(tree->topLevelItemCount(), 5);
  EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("~"));
  EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(1), QStringLiteral("ports: 2 -> 3"));
  EXPECT_EQ(tree->topLevelItem(1)->text(1), QStringLiteral("ВИЛК.A2/Процессор/2_Порт Поле"));
  EXPECT_EQ(view->Title()->text(),
            QStringLiteral("saved.cfg -> открытая конфигурация: различий 5"));
  emit tree->itemDoubleClicked(tree->topLevelItem(1), 1);
  Settle();
  EXPECT_EQ(editor()->CurrentItem(), b);
  EXPECT_EQ(DumpTree(config()), before);

  // The same file again after the change is taken back: nothing differs.
  config().Remove(b);
  ASSERT_TRUE(window->CompareWithFileCommand());
  EXPECT_TRUE(view->Diffs().empty());
  EXPECT_EQ(view->Title()->text(), QStringLiteral("saved.cfg: различий нет."));
  EXPECT_TRUE(messages.Errors.empty());
}

// Against the controller's stored configuration (vilk-sim): read into a configuration of its
// own, never into the open one.
TEST_F(CheckWindowTest, CompareWithTheController) {
  ASSERT_TRUE(StartSim());
  auto* a = AddFieldPort(config(), 1, "A", 2, 0, 0);
  LinkToBoard(a, 33);
  ASSERT_TRUE(window->WriteConfigurationCommand());
  ASSERT_TRUE(Finish());
  ASSERT_TRUE(messages.Errors.empty()) << messages.Errors[0];

  a->TS()->At(1)->SetName("Дверь");
  const std::string before = DumpTree(config());
  ASSERT_TRUE(window->CompareWithControllerCommand());
  ASSERT_TRUE(Finish());
  const std::vector<ItemDiff>& diffs = window->DiffPane()->Diffs();
  ASSERT_EQ(diffs.size(), 1u) << DiffText(diffs);
  EXPECT_EQ(DiffText(diffs),
            "~ ВИЛК.A2/Процессор/1_Порт Поле/ТС\n    signal2: \"A.Вход2\" -> \"Дверь\"\n");
  EXPECT_EQ(diffs[0].New, a->TS());
  EXPECT_EQ(DumpTree(config()), before);
  EXPECT_EQ(window->DiffPane()->Title()->text(),
            QStringLiteral("Контроллер (VilkA2.cfg) -> открытая конфигурация: различий 1"));
}

// "Отчёт...": the PDF opens and holds the addresses and names (pdftotext reads it back);
// an .html file gets the HTML page.
TEST_F(CheckWindowTest, TheReportAsPdfAndHtml) {
  auto* a = AddFieldPort(config(), 1, "A", 2, 0, 0);
  LinkToBoard(a, 33);
  auto* pc = static_cast<TPC*>(config().Controller().PortIP()->AddChild(kPcCode));
  pc->List(kKindTS)->Append(Acquire(a->TS()->At(0)));
  pc->List(kKindTS)->Append(Acquire(a->TS()->At(1)));
  a->TS()->At(1)->SetName("Дверь ЗРУ");
  QString chosen = File(QStringLiteral("report"));
  window->ChooseReportFile = [&chosen](const QString&) { return chosen; };

  ASSERT_TRUE(window->ReportCommand());
  QFile pdf(File(QStringLiteral("report.pdf")));
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_TRUE(pdf.read(5) == "%PDF-");
  pdf.close();

  chosen = File(QStringLiteral("report.html"));
  ASSERT_TRUE(window->ReportCommand());
  QFile html(chosen);
  ASSERT_TRUE(html.open(QIODevice::ReadOnly));
  EXPECT_TRUE(html.readAll().contains(QStringLiteral("<td>8193</td><td>Дверь ЗРУ</td>").toUtf8()));
  EXPECT_TRUE(messages.Errors.empty());

  if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
    GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  QProcess text;
  text.start(QStringLiteral("pdftotext"), {pdf.fileName(), QStringLiteral("-")});
  ASSERT_TRUE(text.waitForFinished(20000));
  const QString words = QString::fromUtf8(text.readAllStandardOutput());
  EXPECT_TRUE(words.contains(QStringLiteral("8192"))) << words.toStdString();
  EXPECT_TRUE(words.contains(QStringLiteral("8193")));
  EXPECT_TRUE(words.contains(QStringLiteral("Дверь ЗРУ")));
  EXPECT_TRUE(words.contains(QString::fromStdString(a->TS()->At(0)->Name())));
}

}  // namespace
}  // namespace vilk::test
