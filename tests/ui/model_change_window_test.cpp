// "Записать настройку" to a controller of another model, through the window: the question
// names the conversion and the boards that go, and "Нет" leaves the configuration, its
// boards and the links of its ports as they were.
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include "controller/controller.h"
#include "controller/proc.h"
#include "link/device_runner.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

// vilk-sim on a free UDP port of 127.0.0.1.
class UdpSim {
 public:
  UdpSim(const QString& folder, const QStringList& extra) {
    process_.start(QStringLiteral(VILK_SIM_PATH),
                   QStringList{QStringLiteral("--dir"), folder, QStringLiteral("--udp"),
                               QStringLiteral("127.0.0.1:0")} +
                       extra);
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
  ~UdpSim() {
    process_.terminate();
    process_.waitForFinished(3000);
  }
  std::uint16_t Port = 0;

 private:
  QProcess process_;
};

class ModelChangeWindowTest : public WindowTest {
 protected:
  void StartSim(const QStringList& extra) {
    sim = std::make_unique<UdpSim>(home.path(), extra);
    ui::DeviceRunner* runner = window->Runner();
    runner->Settings.LinkMode = kLinkUdp;
    runner->Settings.SelfIP = {127, 0, 0, 1};
    runner->Settings.DestIP = {127, 0, 0, 1};
    runner->Options.SelfPort = 0;
    runner->Options.DestPort = sim->Port;
    runner->Options.AnswerWaitMs = 1500;
    runner->Options.ValidateSelf = false;
    runner->Login.Confirm("", "");
  }
  bool Finish() {
    QElapsedTimer t;
    t.start();
    while (window->Runner()->Busy() && t.elapsed() < 20000)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    Settle();
    return !window->Runner()->Busy();
  }
  std::unique_ptr<UdpSim> sim;
};

TEST_F(ModelChangeWindowTest, TheQuestionNamesTheConversionAndNoTakesItBack) {
  StartSim({QStringLiteral("--type"), QStringLiteral("22"), QStringLiteral("--name"),
            QStringLiteral("ВИЛК.A1")});
  FieldPort* port = AddFieldPort(config(), 3, "Насос", 4, 0, 0);
  TController& c = config().Controller();
  TController::SelectBoard(port, static_cast<TBlock*>(c.Child(6)));
  const std::string portCaption = port->Caption();
  messages.SetAnswer(Answer::No);

  ASSERT_TRUE(window->WriteConfigurationCommand());
  ASSERT_TRUE(Finish());
  ASSERT_EQ(messages.Questions.size(), 1u);
  const std::string want =
      "Конфигурация ВИЛК.A2 будет преобразована для контроллера ВИЛК.A1 v 1.12.\r"
      "Будут удалены платы (4): COM_0.5 RS485, COM_0.6 RS485, COM_0.7 RS485, COM_0.8 RS485.\r"
      "Останутся без платы порты: " +
      portCaption +
      ".\r\r"
      "Записать в RTU c IP адресом \r\r127.0.0.1\r\r размер файла = ";
  EXPECT_EQ(messages.Questions[0].substr(0, want.size()), want) << messages.Questions[0];
  EXPECT_FALSE(QFile::exists(File(QStringLiteral("VilkA2.cfg"))));

  // The configuration is the one the user had: model, eight COM boards, the port's board.
  TController& after = config().Controller();
  EXPECT_EQ(after.TypeCode, 23);
  EXPECT_EQ(window->ModelName()->text(), QStringLiteral("ВИЛК.A2"));
  ASSERT_EQ(after.ChildCount(), 9);
  ASSERT_EQ(after.Proc()->ChildCount(), 2);
  auto* kept = dynamic_cast<TPort*>(after.Proc()->Child(1));
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->Caption(), portCaption);
  ASSERT_NE(kept->LinkedBoard, nullptr);
  EXPECT_EQ(kept->LinkedBoard->Caption(), "COM_0.6 RS485");
  // The build of the converted configuration warned of the port that lost its board.
  EXPECT_EQ(messages.Errors, std::vector<std::string>{"Не все порты связаны с COM."});

  // "Да": written, and the configuration is now the controller's model.
  messages.SetAnswer(Answer::Yes);
  ASSERT_TRUE(window->WriteConfigurationCommand());
  ASSERT_TRUE(Finish());
  ASSERT_EQ(messages.Questions.size(), 2u);
  EXPECT_EQ(messages.Questions[1].substr(0, want.size()), want);
  EXPECT_TRUE(QFile::exists(File(QStringLiteral("VilkA2.cfg"))));
  EXPECT_EQ(config().Controller().TypeCode, 22);
  EXPECT_EQ(config().Controller().ChildCount(), 5);
  EXPECT_EQ(window->ModelName()->text(), QStringLiteral("ВИЛК.A1"));
}

}  // namespace
}  // namespace vilk::test
