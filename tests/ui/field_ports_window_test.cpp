// The control-panel, clock-source and automation ports in the window: the panel's format
// and protocol rules, the clock source's stored UDP port surviving a visit, the
// automation import, and the port menu's one-port-per-configuration rule across a save.
#include <QAction>
#include <QCheckBox>
#include <QMenu>

#include "frames/devices/auto_frame.h"
#include "frames/devices/gps_frame.h"
#include "frames/telemechanics/pu_frame.h"
#include "pc_test_support.h"
#include "ports/devices/auto_port.h"
#include "ports/devices/gps.h"
#include "ports/telemechanics/pu.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

constexpr int kPortTS2 = 132;

class FieldPortsWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ShowWindow();
  }
  template <typename Frame>
  Frame* Open(TItem* item) {
    editor()->Select(item);
    Settle();
    return qobject_cast<Frame*>(editor()->CurrentFrame());
  }
  QAction* PortCommand(const QString& caption) {
    Settle();  // selections a save posted come first
    editor()->Select(config().Controller().Proc());
    for (QAction* a : editor()->ContextMenu()->actions())
      if (a->text() == caption) return a;
    return nullptr;
  }
};

TEST_F(FieldPortsWindowTest, PanelFormatRulesAndProtocolTabs) {
  auto* pu = dynamic_cast<TPortPU*>(editor()->AddPortCommand(kPortPU));
  ASSERT_NE(pu, nullptr);
  auto* frame = Open<ui::TPUFrame>(pu);
  ASSERT_NE(frame, nullptr);

  // ТИ per telegram 24 stays with untimed formats; a timed one brings it down to 16.
  QComboBox* count = frame->FormatBox(0, 1);
  count->setCurrentIndex(count->findData(24));
  frame->FormatBox(2, 1)->setCurrentIndex(frame->FormatBox(2, 1)->findData(13));
  EXPECT_EQ(count->currentData().toInt(), 24);
  frame->FormatBox(1, 1)->setCurrentIndex(frame->FormatBox(1, 1)->findData(36));
  EXPECT_EQ(count->currentData().toInt(), 16);
  // The fixed cells have no chooser; ТИИ offers 1, 4, 8.
  EXPECT_EQ(frame->FormatBox(1, 0), nullptr);
  EXPECT_EQ(frame->FormatBox(0, 2)->count(), 3);
  EXPECT_EQ(frame->FormatBox(0, 2)->itemData(1).toInt(), 4);
  EXPECT_EQ(frame->UpdatePeriod()->text(), QStringLiteral("0 запросов"));
  frame->FormatBox(2, 1)->setCurrentIndex(frame->FormatBox(2, 1)->findData(0));
  EXPECT_EQ(frame->UpdatePeriod()->text(),
            QStringLiteral("определяется периодом \"Опроса группы 2\""));

  // The ASDU address is one byte: the editor offers 1..255.
  EXPECT_EQ(frame->AsduEdit()->minimum(), 1);
  EXPECT_EQ(frame->AsduEdit()->maximum(), 255);
  frame->AsduEdit()->setValue(200);
  for (QCheckBox* box : frame->findChildren<QCheckBox*>())
    if (box->text() == QStringLiteral("Разрешить синхронизацию времени")) box->setChecked(false);

  // IEC-101 shows both tabs; Modbus the addresses only, without ТИИ and МТС; none neither.
  EXPECT_TRUE(frame->Tabs()->isTabVisible(ui::TPUFrame::kIecTab));
  EXPECT_TRUE(frame->BaseEdit(kKindTII)->isEnabled());
  QComboBox* protocol = frame->ProtocolBox();
  protocol->setCurrentIndex(protocol->findData(TPortPU::kModbusRTU));
  EXPECT_FALSE(frame->Tabs()->isTabVisible(ui::TPUFrame::kIecTab));
  EXPECT_TRUE(frame->Tabs()->isTabVisible(ui::TPUFrame::kAddressTab));
  EXPECT_FALSE(frame->BaseEdit(kKindTII)->isEnabled());
  EXPECT_FALSE(frame->BaseEdit(kKindMTS)->isEnabled());
  EXPECT_TRUE(frame->BaseEdit(kKindTU)->isEnabled());
  protocol->setCurrentIndex(protocol->findData(TPortPU::kNoProtocol));
  EXPECT_FALSE(frame->Tabs()->isTabVisible(ui::TPUFrame::kAddressTab));
  protocol->setCurrentIndex(protocol->findData(TPortPU::kIec101));

  ASSERT_TRUE(editor()->StoreFrame());
  EXPECT_EQ(pu->TIFormat, (FormatRow{16, 36, 0, 0, 22, 0}));
  EXPECT_EQ(pu->SummaryTI(), 0);  // cyclic ТИ off
  EXPECT_EQ(pu->AsduAddress, 200);
  EXPECT_EQ(pu->Options, 4) << "bit 2 set means time setting is NOT allowed";
  EXPECT_EQ(pu->ProtocolCode, TPortPU::kIec101);

  // The selections taken from the pool in one click.
  AddFieldPort(config(), 2, "Dev", 3, 0, 2);
  frame = Open<ui::TPUFrame>(pu);
  QTest::mouseClick(frame->TakeButton(), Qt::LeftButton);
  EXPECT_EQ(pu->List(kKindTS)->Count(), 3);
  EXPECT_EQ(pu->List(kKindTI)->Count(), 2);
  EXPECT_EQ(pu->List(kKindTI)->At(1), config().Storage().List(kKindTI).At(1));

  // Firmware before 1.7: IEC-101 only, fixed addresses.
  config().Controller().Record.Minor = 6;
  editor()->Select(config().Controller().Proc());
  frame = Open<ui::TPUFrame>(pu);
  ASSERT_NE(frame, nullptr);
  EXPECT_FALSE(frame->ProtocolBox()->isEnabled());
  EXPECT_EQ(frame->ProtocolBox()->currentData().toInt(), TPortPU::kIec101);
  EXPECT_FALSE(frame->Tabs()->isTabEnabled(ui::TPUFrame::kAddressTab));
}

TEST_F(FieldPortsWindowTest, ClockSourceShowsItsStoredUdpPortAndPresetsOnlyOnAChoice) {
  auto* gps = dynamic_cast<TPortGPS*>(editor()->AddPortCommand(kPortGPS));
  ASSERT_NE(gps, nullptr);
  editor()->Select(config().Controller().Proc());
  gps->UdpPort = 5000;  // not the SNTP default
  auto* frame = Open<ui::TGPSFrame>(gps);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->UdpPortEdit()->value(), 5000);
  EXPECT_TRUE(frame->ServerEdit()->isEnabled());
  editor()->Select(config().Controller().Proc());  // the visit ends: nothing changes
  EXPECT_EQ(gps->UdpPort, 5000);

  // NMEA with a port of its own: shown as stored, the server greyed but kept.
  gps->ChooseProtocol(TPortGPS::kNMEA);
  gps->UdpPort = 7777;
  gps->Server = 0x0A000001;
  frame = Open<ui::TGPSFrame>(gps);
  EXPECT_EQ(frame->UdpPortEdit()->value(), 7777);
  EXPECT_FALSE(frame->ServerEdit()->isEnabled());
  editor()->Select(config().Controller().Proc());
  EXPECT_EQ(gps->UdpPort, 7777);

  // The user chooses SNTP: its port is preset, the server comes back.
  frame = Open<ui::TGPSFrame>(gps);
  QComboBox* box = frame->ProtocolBox();
  box->setCurrentIndex(box->findData(TPortGPS::kSNTP));
  emit box->activated(box->currentIndex());
  EXPECT_EQ(frame->UdpPortEdit()->value(), 123);
  EXPECT_TRUE(frame->ServerEdit()->isEnabled());
  ASSERT_TRUE(editor()->StoreFrame());
  EXPECT_EQ(gps->ProtocolCode, TPortGPS::kSNTP);
  EXPECT_EQ(gps->UdpPort, 123);
  EXPECT_EQ(gps->Server, 0x0A000001u);
}

TEST_F(FieldPortsWindowTest, AutomationImportBuildsItsLists) {
  auto* port = static_cast<TPortAuto*>(
      config().Append(config().Controller().Proc(), MakePort(config(), kPortAuto)));
  port->UpdateCaption();
  auto* frame = Open<ui::TAutoFrame>(port);
  ASSERT_NE(frame, nullptr);
  const QString file = File(QStringLiteral("program.ini"));
  WriteText(file.toStdString(), Cp1251("[TS_out]\r\n0=Готов\r\n[TU_out]\r\n0=Пуск\r\n"));
  frame->ChooseImport = [&](const QString&) { return file; };
  ASSERT_TRUE(frame->ImportOutputs());
  ASSERT_EQ(port->ChildCount(), 2);
  EXPECT_EQ(port->TSList()->At(0)->Name(), "Готов");
  EXPECT_EQ(frame->Counts()->text(), QStringLiteral("ТС: 1, ТУ: 1"));
  EXPECT_TRUE(window->isWindowModified());
  frame->ChooseImport = [](const QString&) { return QString(); };  // cancelled
  EXPECT_FALSE(frame->ImportOutputs());
  EXPECT_EQ(port->ChildCount(), 2);
}

TEST_F(FieldPortsWindowTest, PortMenuOffersAKindHeldOnceOnlyWhileNoneExists) {
  const QString ts2 = QStringLiteral("Добавить Порт двухпозиционных ТС");
  const QString automation = QStringLiteral("Добавить Порт автоматики");
  ASSERT_NE(PortCommand(ts2), nullptr);
  EXPECT_TRUE(PortCommand(ts2)->isEnabled());
  EXPECT_FALSE(PortCommand(automation)->isEnabled());

  TItem* port = editor()->AddPortCommand(kPortTS2);
  ASSERT_NE(port, nullptr);
  EXPECT_FALSE(PortCommand(ts2)->isEnabled());
  // Saving re-applies the model: the command stays off.
  savePath = File(QStringLiteral("once.cfg"));
  ASSERT_TRUE(window->SaveCommand());
  EXPECT_FALSE(PortCommand(ts2)->isEnabled());
  EXPECT_FALSE(PortCommand(automation)->isEnabled());

  editor()->Select(port);
  messages.SetAnswer(Answer::Yes);
  ASSERT_TRUE(editor()->DeleteCommand());
  EXPECT_TRUE(PortCommand(ts2)->isEnabled());
  EXPECT_FALSE(PortCommand(automation)->isEnabled());
}

}  // namespace
}  // namespace vilk::test
