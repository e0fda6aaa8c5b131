// "Параметры связи": the machine's serial ports listed (a pseudo-terminal of vilk-sim stands
// in for a USB adapter), a free device path, "Проверить" against the stand-in, and port
// numbers above 8 and the device kept across the settings file.
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include "link/device_runner.h"
#include "link/tune_link_dlg.h"
#include "qt_text.h"
#include "serial_ports.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {
using ui::S;

// vilk-sim answering on a pseudo-terminal of its own.
class PtySim {
 public:
  explicit PtySim(const QString& folder) {
    process_.start(QStringLiteral(VILK_SIM_PATH),
                   {QStringLiteral("--dir"), folder, QStringLiteral("--pty")});
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 10000) {
      if (!process_.canReadLine() && !process_.waitForReadyRead(200)) continue;
      while (process_.canReadLine()) {
        const QString line = QString::fromUtf8(process_.readLine()).trimmed();
        if (line.startsWith(QStringLiteral("serial "))) Device = line.mid(7);
        if (line == QStringLiteral("ready")) return;
      }
    }
    ADD_FAILURE() << "vilk-sim did not start";
  }
  ~PtySim() {
    process_.terminate();
    process_.waitForFinished(3000);
  }
  QString Device;

 private:
  QProcess process_;
};

class LinkDialogTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    sim = std::make_unique<PtySim>(home.path());
    ASSERT_FALSE(sim->Device.isEmpty());
    const std::string device = S(sim->Device);
    SerialPortLister() = [device] {
      SerialPortEntry e;
      e.Name = "ttyUSB0";
      e.Location = device;
      e.Description = "FT232R USB UART";
      e.VendorId = 0x0403;
      e.ProductId = 0x6001;
      return std::vector<SerialPortEntry>{e};
    };
  }
  void TearDown() override {
    SerialPortLister() = SystemSerialPorts;
    sim.reset();
    WindowTest::TearDown();
  }
  std::unique_ptr<PtySim> sim;
};

TEST_F(LinkDialogTest, AListedPortIsChosenCheckedAndKeptWithAHighNumber) {
  LinkSettings settings;
  settings.ComN = 12;
  LinkSettings result;
  {
    ui::TTuneLinkDlg dialog(window.get(), settings);
    EXPECT_EQ(dialog.ComEdit()->value(), 12);
    ASSERT_EQ(dialog.Ports()->count(), 2);
    EXPECT_EQ(dialog.Ports()->itemText(0), QStringLiteral("По номеру порта"));
    EXPECT_EQ(dialog.Ports()->itemText(1),
              QStringLiteral("ttyUSB0 — FT232R USB UART (USB 0403:6001)"));
    EXPECT_EQ(dialog.Ports()->currentIndex(), 0);
    EXPECT_TRUE(dialog.DeviceEdit()->text().isEmpty());

    // Choosing the port fills the device field.
    dialog.Ports()->setCurrentIndex(1);
    emit dialog.Ports()->activated(1);
    EXPECT_EQ(dialog.DeviceEdit()->text(), sim->Device);

    QTest::mouseClick(dialog.CheckButton(), Qt::LeftButton);
    EXPECT_EQ(
        dialog.CheckResult()->text(),
        QStringLiteral("Порт %1: ответил контроллер ВИЛК.A2 v 1.12 (тип 23).").arg(sim->Device));
    result = dialog.Result();
    EXPECT_EQ(result.ComN, 12);
    EXPECT_EQ(result.SerialDevice, S(sim->Device));
    EXPECT_TRUE(messages.Errors.empty());
  }

  // The window keeps both across its settings file.
  window->Runner()->Settings = result;
  window->close();
  window.reset();
  IniDocument ini;
  ASSERT_TRUE(ini.LoadFile(S(File(QStringLiteral("Vilk.ini")))));
  EXPECT_EQ(ini.ReadInteger("Link", "СОМ_N", 0), 12);
  EXPECT_EQ(ini.ReadString("Link", "Device", ""), S(sim->Device));
  window = std::make_unique<ui::TForm1>(home.path(), &messages);
  EXPECT_EQ(window->Runner()->Settings.ComN, 12);
  EXPECT_EQ(window->Runner()->Settings.SerialDevice, S(sim->Device));
  EXPECT_EQ(window->Settings().ComN, 12);

  // Opened again, the dialog shows the stored device as the chosen port.
  ui::TTuneLinkDlg again(window.get(), window->Runner()->Settings);
  EXPECT_EQ(again.Ports()->currentIndex(), 1);
  EXPECT_EQ(again.DeviceEdit()->text(), sim->Device);
  again.setParent(nullptr);  // the fixture's window goes first
}

TEST_F(LinkDialogTest, AnyPathCanBeTypedAndAFailedCheckSaysWhy) {
  ui::TTuneLinkDlg dialog(nullptr, LinkSettings{});
  QTest::keyClicks(dialog.DeviceEdit(), QStringLiteral("/dev/vilk-no-such-port"));
  QTest::mouseClick(dialog.CheckButton(), Qt::LeftButton);
  const QString text = dialog.CheckResult()->text();
  EXPECT_TRUE(text.startsWith(
      QStringLiteral("Ошибка при инициализации СОМ-порта /dev/vilk-no-such-port: ")))
      << S(text);
  EXPECT_GT(text.size(), 60);  // the system's reason follows
  EXPECT_EQ(dialog.Result().SerialDevice, "/dev/vilk-no-such-port");

  // The path that the list holds, typed by hand, reaches the stand-in as well.
  dialog.DeviceEdit()->setText(QStringLiteral("  ") + sim->Device + QStringLiteral(" "));
  QTest::mouseClick(dialog.CheckButton(), Qt::LeftButton);
  EXPECT_TRUE(dialog.CheckResult()->text().contains(QStringLiteral("ответил контроллер")));
  EXPECT_EQ(dialog.Result().SerialDevice, S(sim->Device));

  // A path longer than a device path can be is refused at "Установить", whole and said.
  const QString longPath = QStringLiteral("/dev/") + QString(300, QLatin1Char('x'));
  dialog.DeviceEdit()->setText(longPath);
  EXPECT_EQ(dialog.DeviceEdit()->text(), longPath) << "shown whole, never cut";
  dialog.show();
  dialog.accept();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(dialog.CheckResult()->text(),
            QStringLiteral("Путь устройства длиннее 255 символов (305)."));
  dialog.DeviceEdit()->setText(QStringLiteral("/dev/ttyACM0"));
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.isVisible());

  // A number with no device and no path: said, nothing opened.
  dialog.DeviceEdit()->clear();
  dialog.ComEdit()->setValue(0);
  QTest::mouseClick(dialog.CheckButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.CheckResult()->text(),
            QStringLiteral("Номер порта 0 не соответствует ни одному устройству."));

  // Ethernet with nobody at the address: the socket opens, nobody answers.
  dialog.NetChk()->setChecked(true);
  dialog.SelfEdit()->SetValue(0x7F000001);
  dialog.DestEdit()->SetValue(0x7F000001);
  dialog.CheckOptions.SelfPort = 0;
  dialog.CheckOptions.DestPort = 9;  // discard: no controller
  dialog.CheckOptions.AnswerWaitMs = 200;
  dialog.CheckOptions.ValidateSelf = false;
  QTest::mouseClick(dialog.CheckButton(), Qt::LeftButton);
  EXPECT_EQ(dialog.CheckResult()->text(),
            QStringLiteral("Адрес 127.0.0.1: связь открыта, контроллер не ответил."));
}

}  // namespace
}  // namespace vilk::test
