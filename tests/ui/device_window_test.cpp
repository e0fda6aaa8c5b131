// Device commands from the window against the stand-in controller over UDP on loopback.
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>

#include "link/device_runner.h"
#include "link/link_log_dock.h"
#include "signals/list_frame.h"
#include "theme.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

// vilk-sim as a child process, listening on a free UDP port of 127.0.0.1.
class Sim {
 public:
  Sim(const QString& folder, const QStringList& extra) {
    QStringList args{QStringLiteral("--dir"), folder,
                     QStringLiteral("--log"), folder + QStringLiteral("/sim.log"),
                     QStringLiteral("--udp"), QStringLiteral("127.0.0.1:0")};
    process_.start(QStringLiteral(VILK_SIM_PATH), args + extra);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000) {
      if (!process_.canReadLine() && !process_.waitForReadyRead(200)) continue;
      while (process_.canReadLine()) {
        const QString line = QString::fromUtf8(process_.readLine()).trimmed();
        if (line.startsWith(QStringLiteral("udp ")))
          Port = static_cast<std::uint16_t>(line.section(QLatin1Char(':'), -1).toInt());
        if (line == QStringLiteral("ready")) return;
      }
    }
    ADD_FAILURE() << "vilk-sim did not start";
  }
  ~Sim() {
    process_.terminate();
    process_.waitForFinished(3000);
  }
  std::uint16_t Port = 0;

 private:
  QProcess process_;
};

class DeviceWindowTest : public WindowTest {
 protected:
  void StartSim(const QStringList& extra = {}) {
    sim = std::make_unique<Sim>(home.path(), extra);
    ui::DeviceRunner* runner = window->Runner();
    runner->Settings.LinkMode = kLinkUdp;
    runner->Settings.SelfIP = {127, 0, 0, 1};
    runner->Settings.DestIP = {127, 0, 0, 1};
    runner->Options.SelfPort = 0;
    runner->Options.DestPort = sim->Port;
    runner->Options.AnswerWaitMs = 1500;
    runner->Options.ValidateSelf = false;
    runner->Login.Confirm("", "");  // no login dialog in the middle of a test
  }
  // Lets the command run to its end, the UI thread serving it meanwhile.
  bool Finish(int ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (window->Runner()->Busy() && t.elapsed() < ms)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    Settle();
    return !window->Runner()->Busy();
  }

  QByteArray ControllerFile(const QString& name) const {
    QFile f(File(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  std::unique_ptr<Sim> sim;
};

TEST_F(DeviceWindowTest, WriteThenReadTheConfigurationThroughTheWindow) {
  StartSim();
  AddFieldPort(config(), 3, "Насос", 4, 0, 0);
  ASSERT_TRUE(window->WriteConfigurationCommand());
  EXPECT_FALSE(window->Action(QStringLiteral("Записать настройку"))->isEnabled())
      << "one command at a time";
  EXPECT_FALSE(window->WriteConfigurationCommand());
  ASSERT_TRUE(Finish());
  EXPECT_TRUE(window->Action(QStringLiteral("Записать настройку"))->isEnabled());
  ASSERT_FALSE(messages.Questions.empty());
  EXPECT_EQ(messages.Questions.front().rfind(
                "Записать в RTU c IP адресом \r\r127.0.0.1\r\r размер файла = ", 0),
            0u);
  const QByteArray written = ControllerFile(QStringLiteral("VilkA2.cfg"));
  ASSERT_EQ(static_cast<std::size_t>(written.size()), window->Image().TotalSize);
  EXPECT_EQ(written,
            QByteArray(reinterpret_cast<const char*>(window->Image().Data()), written.size()));

  // A fresh configuration, then the controller's one read back.
  messages.SetAnswer(Answer::No);
  window->NewCommand();
  ASSERT_EQ(config().Controller().Proc()->ChildCount(), 1);
  ASSERT_TRUE(window->ReadConfigurationCommand());
  ASSERT_TRUE(Finish());
  ASSERT_EQ(config().Controller().Proc()->ChildCount(), 2);
  EXPECT_EQ(config().Controller().Proc()->Child(1)->Caption(), "3_Порт Поле");
  EXPECT_FALSE(window->IsModified());
}

TEST_F(DeviceWindowTest, DetermineTypeTakesTheControllersModel) {
  StartSim({QStringLiteral("--type"), QStringLiteral("22"), QStringLiteral("--minor"),
            QStringLiteral("9"), QStringLiteral("--name"), QStringLiteral("ВИЛК.A1")});
  ASSERT_TRUE(window->DetermineTypeCommand());
  ASSERT_TRUE(Finish());
  EXPECT_EQ(config().Controller().TypeCode, 22);
  EXPECT_EQ(config().Controller().Record.Minor, 9);
  EXPECT_EQ(window->ModelVersion()->text(), QStringLiteral("v 1.9"));
  EXPECT_FALSE(config().Controller().Desc.PortKinds[132]) << "minor 9 allows no TS2 ports";
}

TEST_F(DeviceWindowTest, AnUnansweredControllerLeavesTheConfigurationAlone) {
  StartSim({QStringLiteral("--fault"), QStringLiteral("any:drop@1-")});
  window->Runner()->Options.AnswerWaitMs = 200;
  AddFieldPort(config(), 3, "Насос", 4, 0, 0);
  messages.SetAnswer(Answer::No);
  ASSERT_TRUE(window->ReadConfigurationCommand());
  ASSERT_TRUE(Finish());
  EXPECT_EQ(config().Controller().Proc()->ChildCount(), 2);
  ASSERT_FALSE(messages.Errors.empty());
  EXPECT_EQ(messages.Errors.back(), "Контроллер ВИЛК не найден");
}

TEST_F(DeviceWindowTest, LiveValuesAreReadRowAfterRow) {
  StartSim({QStringLiteral("--value"), QStringLiteral("8193=-7")});
  FieldPort* port = AddFieldPort(config(), 3, "Насос", 3, 0, 0);
  editor()->Select(port->TS());
  auto* frame = qobject_cast<ui::TFrameParams*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(frame->ValueBox()->isEnabled());
  frame->ValueBox()->setChecked(true);
  EXPECT_TRUE(frame->ValueBox()->font().bold());
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 5000 && port->TS()->At(2)->IntValue == 0)
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  // A value the stand-in was not given is the address itself: 0x2000 + the pool index.
  EXPECT_EQ(port->TS()->At(0)->IntValue, 8192);
  EXPECT_EQ(port->TS()->At(1)->IntValue, -7);
  EXPECT_EQ(port->TS()->At(2)->IntValue, 8194);
  // Read well: the theme's good colour on the box.
  EXPECT_EQ(frame->ValueBox()->palette().color(QPalette::WindowText),
            ui::GoodText(frame->ValueBox()->palette()));
  const QString shown = frame->View()->Model()->index(1, 3).data().toString();
  EXPECT_TRUE(shown.endsWith(QStringLiteral(" -7"))) << shown.toStdString();
  // A device command takes the link: the live values stop until it ends.
  ASSERT_TRUE(window->SetTimeCommand());
  EXPECT_FALSE(frame->ValueBox()->isChecked());
  EXPECT_FALSE(frame->ValueBox()->isEnabled());
  EXPECT_FALSE(frame->ValueBox()->font().bold());
  ASSERT_TRUE(Finish());
  EXPECT_TRUE(frame->ValueBox()->isEnabled());
}

TEST_F(DeviceWindowTest, TheExchangeLogShowsATransferWithItsRetry) {
  StartSim({QStringLiteral("--fault"), QStringLiteral("write:mute@2")});
  window->Runner()->Options.AnswerWaitMs = 300;
  ShowWindow();
  ui::LinkLogDock* dock = window->LinkLogView();
  ASSERT_NE(dock, nullptr);
  EXPECT_FALSE(dock->isVisible()) << "off by default";
  dock->toggleViewAction()->trigger();
  EXPECT_TRUE(dock->isVisible());

  AddFieldPort(config(), 3, "Насос", 4, 0, 0);
  ASSERT_TRUE(window->WriteConfigurationCommand());
  ASSERT_TRUE(Finish());
  dock->Refresh();
  const QString text = dock->View()->toPlainText();
  EXPECT_TRUE(text.contains(QStringLiteral(" > 96 Запись сегмента, "))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral(" мс, нет ответа"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral(" > 96 Запись сегмента (повтор), ")))
      << text.toStdString();
  const LinkCounters c = window->ExchangeLog().Counters();
  EXPECT_EQ(c.Retries, 1);
  EXPECT_EQ(c.Timeouts, 1);
  EXPECT_EQ(dock->CountersLabel()->text().toStdString(), FormatCounters(c));
  // Two lines an exchange, of every command since the window opened (the counters are
  // the last command's).
  EXPECT_EQ(dock->View()->blockCount(), 2 * static_cast<int>(window->ExchangeLog().Size()));

  const QString saved = File(QStringLiteral("exchange.log"));
  dock->ChooseFile = [&] { return saved; };
  ASSERT_TRUE(dock->SaveAs());
  QFile f(saved);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll().toStdString(), window->ExchangeLog().Text());
}

}  // namespace
}  // namespace vilk::test
