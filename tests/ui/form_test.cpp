// The shared frame fields with their real widgets: what they show, what reaches the
// item's record, and what a visit leaves alone.
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableWidget>

#include "frames/controller/board_frames.h"
#include "frames/snmp/snmp_frames.h"
#include "frames/telemechanics/pc_frame.h"
#include "model/item_bytes.h"
#include "ports/telemechanics/pc.h"
#include "snmp/port_snmp.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

// A value record as the image holds it: tag F2 FF, key, length with the 8 head bytes,
// then the value's bytes.
QByteArray Record(std::uint16_t key, const QByteArray& value) {
  QByteArray r("\xF2\xFF", 2);
  r.append(static_cast<char>(key & 0xFF)).append(static_cast<char>(key >> 8));
  const std::uint32_t length = static_cast<std::uint32_t>(value.size()) + 8;
  for (int i = 0; i < 4; ++i) r.append(static_cast<char>((length >> (8 * i)) & 0xFF));
  return r + value;
}

QByteArray BytesOf(TItem& item) {
  const std::vector<std::uint8_t> bytes = ItemBytes(item);
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
}

void Type(QSpinBox* spin, const QString& text) {
  spin->findChild<QLineEdit*>()->selectAll();
  QTest::keyClicks(spin, text);
}

class FormTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ShowWindow();
    editor()->Select(config().Controller().PortIP());
    pc = dynamic_cast<TPC*>(editor()->AddDeviceCommand(kPCKind));
    ASSERT_NE(pc, nullptr);
  }
  ui::TPCFrame* Open() {
    editor()->Select(pc);
    Settle();
    return qobject_cast<ui::TPCFrame*>(editor()->CurrentFrame());
  }
  void Leave() { editor()->Select(config().Controller().PortIP()); }

  TPC* pc = nullptr;
};

TEST_F(FormTest, HexFieldEchoesItsValueAndStoresTheNumber) {
  ui::TPCFrame* frame = Open();
  ASSERT_NE(frame, nullptr);
  frame->Tabs()->setCurrentIndex(1);
  auto* mts = frame->findChild<ui::HexSpinEdit*>(QStringLiteral("Базовый адрес МТС"));
  ASSERT_NE(mts, nullptr);
  EXPECT_EQ(mts->Spin()->value(), 0xC000);
  EXPECT_EQ(mts->Echo()->text(), QStringLiteral("0xc000"));
  Type(mts->Spin(), QStringLiteral("4660"));
  EXPECT_EQ(mts->Echo()->text(), QStringLiteral("0x1234"));
  Type(mts->Spin(), QStringLiteral("10"));
  EXPECT_EQ(mts->Echo()->text(), QStringLiteral("0x000a")) << "four digits, zero-filled";
  Leave();
  EXPECT_EQ(pc->BaseMTS, 10);
  EXPECT_TRUE(BytesOf(*pc).contains(Record(100, QByteArray("\x0A\x00", 2))));
}

TEST_F(FormTest, IpOctetsAreStoredFirstOctetMostSignificant) {
  ui::TPCFrame* frame = Open();
  ASSERT_NE(frame, nullptr);
  auto* ip = frame->findChild<ui::IpEdit*>(QStringLiteral("IP адрес ПЭВМ"));
  ASSERT_NE(ip, nullptr);
  EXPECT_EQ(ip->Octet(0)->value(), 192);
  EXPECT_EQ(ip->Octet(3)->value(), 0);
  Type(ip->Octet(3), QStringLiteral("999"));
  EXPECT_EQ(ip->Octet(3)->value(), 255) << "an octet holds no more than 255";
  Type(ip->Octet(3), QStringLiteral("222"));
  Leave();
  EXPECT_EQ(pc->PcIp, 0xC0A801DEu);
  EXPECT_TRUE(BytesOf(*pc).contains(Record(49, QByteArray("\xDE\x01\xA8\xC0", 4))));

  // The gateway is the other field: untouched, it stays 0.0.0.0.
  EXPECT_EQ(pc->Gateway, 0u);
}

TEST_F(FormTest, IpFieldOfADeviceThatKeepsItsAddressAsBytes) {
  ResetKindRegistry();  // the real SNMP port and device
  TItem* port = editor()->AddPortCommand(kPortSNMP);
  ASSERT_NE(port, nullptr);
  editor()->Select(port);
  auto* device = static_cast<TSNMP*>(editor()->AddDeviceCommand(kSNMPDevice));
  ASSERT_NE(device, nullptr);
  editor()->Select(device);
  auto* frame = qobject_cast<ui::TRTUSNMPFrame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->Address()->Value(), ui::IpFromBytes(device->Device.Address));
  Type(frame->Address()->Octet(0), QStringLiteral("10"));
  Type(frame->Address()->Octet(1), QStringLiteral("1"));
  Type(frame->Address()->Octet(2), QStringLiteral("2"));
  EXPECT_EQ(device->Device.Address[0], 192) << "only the last octet is taken at once";
  Type(frame->Address()->Octet(3), QStringLiteral("3"));
  EXPECT_EQ(device->Number, 3);
  editor()->Select(port);
  EXPECT_EQ(device->Device.Address, (std::array<std::uint8_t, 4>{10, 1, 2, 3}));
  EXPECT_EQ(device->Caption().rfind("3_", 0), 0u) << device->Caption();
}

TEST_F(FormTest, ScaledFieldKeepsMillisecondsUntilItIsChanged) {
  pc->T1 = 1500;
  ui::TPCFrame* frame = Open();
  ASSERT_NE(frame, nullptr);
  auto* t1 = frame->findChild<ui::ClampSpinBox*>(
      QStringLiteral("Время ожидания подтверждения после передачи T1, с"));
  ASSERT_NE(t1, nullptr);
  EXPECT_EQ(t1->value(), 1);
  Leave();
  EXPECT_EQ(pc->T1, 1500u) << "a visit does not round the stored value";

  frame = Open();
  t1 = frame->findChild<ui::ClampSpinBox*>(
      QStringLiteral("Время ожидания подтверждения после передачи T1, с"));
  Type(t1, QStringLiteral("2"));
  Leave();
  EXPECT_EQ(pc->T1, 2000u);
}

TEST_F(FormTest, FormatTableStoresCodesKeepsUnknownOnesAndRefreshesThePeriod) {
  pc->TIFormat[1] = 99;  // a sporadic format no chooser entry has
  ui::TPCFrame* frame = Open();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->FormatBox(1, 1)->currentData().toInt(), 0);
  EXPECT_EQ(frame->FormatBox(1, 0), nullptr) << "a fixed cell has no chooser";
  EXPECT_EQ(frame->Formats()->Grid()->item(1, 0)->text(), QStringLiteral("ТС + время (30,31)"));
  EXPECT_EQ(frame->UpdatePeriod()->text(), QStringLiteral("0 с"));

  // Cyclic transmission off: the label says so before anything is written back.
  QComboBox* cyclic = frame->FormatBox(2, 1);
  cyclic->setCurrentIndex(cyclic->findData(0));
  EXPECT_EQ(frame->UpdatePeriod()->text(),
            QStringLiteral("определяется периодом \"Опроса группы 2\""));
  EXPECT_EQ(pc->TIFormat[2], 11);
  Leave();
  EXPECT_EQ(pc->TIFormat[2], 0);
  EXPECT_EQ(pc->TIFormat[1], 99) << "an untouched chooser keeps its byte";

  frame = Open();
  frame->FormatBox(1, 1)->setCurrentIndex(frame->FormatBox(1, 1)->findData(13));
  Leave();
  EXPECT_EQ(pc->TIFormat[1], 13);
  EXPECT_TRUE(BytesOf(*pc).contains(Record(46, QByteArray("\x08\x0D\x00\x00\x16\x00", 6))));
}

TEST_F(FormTest, ExportButtonsProposeTheLastFileWithTheirOwnExtension) {
  ui::TPCFrame* frame = Open();
  ASSERT_NE(frame, nullptr);
  QStringList suggested;
  QString answer = File("centre.ini");
  frame->ChooseFile = [&](const QString&, const QString& proposal) {
    suggested << proposal;
    return answer;
  };
  QPushButton* ini = nullptr;
  QPushButton* xml = nullptr;
  for (QPushButton* b : frame->findChildren<QPushButton*>()) {
    if (b->text() == QStringLiteral("Экспортировать список параметров в INI")) ini = b;
    if (b->text() == QStringLiteral("Экспортировать список параметров в  XML")) xml = b;
  }
  ASSERT_NE(ini, nullptr);
  ASSERT_NE(xml, nullptr);
  QTest::mouseClick(ini, Qt::LeftButton);
  answer = File("centre.xml");
  QTest::mouseClick(xml, Qt::LeftButton);
  ASSERT_EQ(suggested.size(), 2);
  EXPECT_TRUE(suggested[0].isEmpty());
  EXPECT_EQ(QFileInfo(suggested[1]).absoluteFilePath(),
            QFileInfo(File("centre.xml")).absoluteFilePath());
  EXPECT_TRUE(QFile::exists(File("centre.ini")));
  EXPECT_TRUE(QFile::exists(File("centre.xml")));
}

TEST_F(FormTest, ProcessorTableKeepsTheCellsNobodyTouched) {
  TProc* proc = config().Controller().Proc();
  proc->Groups = {{0.1234567f, 0, 0, 0, "Насосы"}};
  editor()->Select(proc);
  auto* frame = qobject_cast<ui::TProcFrame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->Groups()->item(0, 1)->text(), QStringLiteral("0.123457"));
  frame->Groups()->setItem(0, 2, new QTableWidgetItem(QStringLiteral("3")));
  Leave();
  ASSERT_EQ(proc->Groups.size(), 1u);
  EXPECT_EQ(proc->Groups[0].AbsAperture, 0.1234567f) << "not rounded to what the cell shows";
  EXPECT_EQ(proc->Groups[0].RelAperture, 3.0f);
}

}  // namespace
}  // namespace vilk::test
