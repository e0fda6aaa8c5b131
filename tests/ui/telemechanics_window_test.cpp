// Station polling and IEC-104 devices in the window: counts typed digit by digit reach the
// device only when committed, refusals say why, the group-type menu, the protocol panels,
// address clashes, the one-byte ASDU editors and timers that survive a visit.
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include "controller/controller.h"
#include "controller/proc.h"
#include "frames/telemechanics/kp_frames.h"
#include "frames/telemechanics/rtu104_frame.h"
#include "ports/telemechanics/kp.h"
#include "ports/telemechanics/rtu104.h"
#include "signals/params.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

class TelemechanicsWindowTest : public WindowTest {
 protected:
  template <typename P>
  P* AddPort(int code) {
    return static_cast<P*>(config().Append(config().Controller().Proc(), MakePort(config(), code)));
  }
  TKP* AddStation(TPortKP* port, int address, std::uint8_t protocol) {
    auto* s = static_cast<TKP*>(port->AddChild(kKPDevice));
    s->Number = static_cast<std::uint8_t>(address);
    s->Protocol = protocol;
    s->UpdateSignalList();
    return s;
  }
  TRTU104* AddRtu(TPortRTU104* port, std::uint32_t ip) {
    auto* d = static_cast<TRTU104*>(port->AddChild(kRTU104Device));
    d->SetIp(ip);
    return d;
  }
  template <typename F>
  F* Open(TItem* item) {
    editor()->Select(item);
    Settle();
    return qobject_cast<F*>(editor()->CurrentFrame());
  }
  // The frame open now (the window may have made it anew after an edit).
  template <typename F>
  F* Current() {
    return qobject_cast<F*>(editor()->CurrentFrame());
  }
  // Opens the editor of a kind's count cell.
  static QLineEdit* EditCount(ui::CountTable* table, int signalKind) {
    table->setCurrentCell(CountSlot(signalKind), 1);
    table->editItem(table->Cell(signalKind));
    return qobject_cast<QLineEdit*>(table->OpenEditor());
  }
};

TEST_F(TelemechanicsWindowTest, CountsTypedDigitByDigitKeepTheSignalsAboveTheIntermediateValues) {
  ShowWindow();
  auto* port = AddPort<TPortKP>(kPortKP);
  TKP* s = AddStation(port, 2, kProtocolIec101);
  ASSERT_TRUE(s->ApplyCounts({1300, 0, 0, 0, 0, 0}));
  s->List(kKindTS)->At(1199)->SetName("1_Порт.2_КП.Авария");
  s->List(kKindTS)->At(1250)->TSType = 1;
  auto* frame = Open<ui::TKPFrame>(s);
  ASSERT_NE(frame, nullptr);
  QLineEdit* edit = EditCount(frame->Counts(), kKindTS);
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  for (const QString& digit :
       {QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("0"), QStringLiteral("0")}) {
    QTest::keyClicks(edit, digit);
    // Nothing reaches the station while the number is typed.
    ASSERT_EQ(s->List(kKindTS)->Count(), 1300);
    ASSERT_EQ(s->List(kKindTS)->At(1199)->Name(), "1_Порт.2_КП.Авария");
  }
  EXPECT_EQ(edit->text(), QStringLiteral("1500"));
  QTest::keyClick(edit, Qt::Key_Return);
  Settle();
  frame = Current<ui::TKPFrame>();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(s->List(kKindTS)->Count(), 1500);
  EXPECT_EQ(s->Count(kKindTS), 1500);
  EXPECT_EQ(s->List(kKindTS)->At(1199)->Name(), "1_Порт.2_КП.Авария");
  EXPECT_EQ(s->List(kKindTS)->At(1250)->TSType, 1);
  EXPECT_EQ(frame->Counts()->Cell(kKindTS)->text(), QStringLiteral("1500"));
  EXPECT_TRUE(messages.Errors.empty());

  // Letters are not taken; a count beyond a list is refused with a message and the cell
  // shows the station's count again.
  edit = EditCount(frame->Counts(), kKindTS);
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  QTest::keyClicks(edit, QStringLiteral("9x0y00"));
  EXPECT_EQ(edit->text(), QStringLiteral("9000"));
  QTest::keyClick(edit, Qt::Key_Return);
  Settle();
  frame = Current<ui::TKPFrame>();
  ASSERT_NE(frame, nullptr);
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0], "Количество сигналов ТС должно быть от 0 до 8192.");
  EXPECT_EQ(s->List(kKindTS)->Count(), 1500);
  EXPECT_EQ(frame->Counts()->Cell(kKindTS)->text(), QStringLiteral("1500"));

  // A count still being typed when the frame is left is taken like a committed one.
  edit = EditCount(frame->Counts(), kKindTU);
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  QTest::keyClicks(edit, QStringLiteral("12"));
  EXPECT_EQ(s->List(kKindTU), nullptr);
  editor()->Select(port);
  Settle();
  ASSERT_NE(s->List(kKindTU), nullptr);
  EXPECT_EQ(s->List(kKindTU)->Count(), 12);
}

TEST_F(TelemechanicsWindowTest, IecDeviceCountsTypedDigitByDigitAndRefusedPastThePool) {
  ShowWindow();
  auto* port = AddPort<TPortRTU104>(kPortRTU104);
  TRTU104* a = AddRtu(port, 0x0A000001);
  TRTU104* b = AddRtu(port, 0x0A000002);
  ASSERT_TRUE(a->ApplyCounts({0, 0, 8000, 0, 0, 0}));
  ASSERT_TRUE(b->ApplyCounts({0, 0, 30, 0, 0, 0}));
  b->List(kKindTI)->At(25)->SetName("1_Порт.2_RTU104.Давление");
  b->List(kKindTI)->At(25)->Gain = 0.5f;
  auto* frame = Open<ui::TRTU104Frame>(b);
  ASSERT_NE(frame, nullptr);
  QLineEdit* edit = EditCount(frame->Counts(), kKindTI);
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  QTest::keyClicks(edit, QStringLiteral("4"));
  QTest::keyClicks(edit, QStringLiteral("0"));
  EXPECT_EQ(b->List(kKindTI)->Count(), 30);
  QTest::keyClick(edit, Qt::Key_Return);
  Settle();
  frame = Current<ui::TRTU104Frame>();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(b->List(kKindTI)->Count(), 40);
  EXPECT_EQ(b->List(kKindTI)->At(25)->Name(), "1_Порт.2_RTU104.Давление");
  EXPECT_EQ(b->List(kKindTI)->At(25)->Gain, 0.5f);
  EXPECT_EQ(b->Icon(), 28);

  // 8000 + 200 measurements would overflow the pool.
  edit = EditCount(frame->Counts(), kKindTI);
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  QTest::keyClicks(edit, QStringLiteral("200"));
  QTest::keyClick(edit, Qt::Key_Return);
  Settle();
  frame = Current<ui::TRTU104Frame>();
  ASSERT_NE(frame, nullptr);
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0], "Сигналов ТИ в конфигурации стало бы 8200, больше 8192.");
  EXPECT_EQ(b->List(kKindTI)->Count(), 40);
  EXPECT_EQ(frame->Counts()->Cell(kKindTI)->text(), QStringLiteral("40"));
}

TEST_F(TelemechanicsWindowTest, SiriusPanelGroupMenuAndProtocolSwitch) {
  ShowWindow();
  auto* port = AddPort<TPortKP>(kPortKP);
  TKP* s = AddStation(port, 4, kProtocolSirius);
  auto* frame = Open<ui::TKPFrame>(s);
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->SiriusPanel()->isVisible());
  EXPECT_FALSE(frame->Iec101Panel()->isVisible());
  EXPECT_TRUE(frame->Counts()->IsFixed(kKindTI));
  EXPECT_TRUE(frame->Counts()->IsFixed(kKindTII));
  EXPECT_FALSE(frame->Counts()->IsFixed(kKindTS));
  // Group 0 takes no type.
  EXPECT_FALSE(frame->Groups()->item(0, 0)->flags() & Qt::ItemIsSelectable);

  frame->Groups()->clearSelection();
  frame->Groups()->item(0, 5)->setSelected(true);  // group 5
  frame->Groups()->item(1, 2)->setSelected(true);  // group 12
  frame->SetSelectedGroups(kGroupTI11);
  EXPECT_EQ(frame->Groups()->item(0, 5)->text(), QStringLiteral("ТИ_11"));
  EXPECT_EQ(frame->Groups()->item(1, 2)->text(), QStringLiteral("ТИ_11"));
  EXPECT_EQ(s->List(kKindTI)->Count(), 16);
  EXPECT_EQ(s->List(kKindTI)->At(8)->Name(), "1_Порт.4_КП.Гр12_Пр1");
  EXPECT_EQ(frame->Counts()->Cell(kKindTI)->text(), QStringLiteral("16"));

  // IEC-101: the other panel, every row typed, lists sized from the counts.
  frame->ProtocolBox()->setCurrentIndex(2);
  emit frame->ProtocolBox()->activated(2);
  Settle();
  EXPECT_EQ(s->Protocol, kProtocolIec101);
  EXPECT_FALSE(frame->SiriusPanel()->isVisible());
  EXPECT_TRUE(frame->Iec101Panel()->isVisible());
  EXPECT_FALSE(frame->Counts()->IsFixed(kKindTI));
  EXPECT_EQ(s->List(kKindTI)->At(8)->Name(), "1_Порт.4_КП.Пр9");
}

// The grid's context menu: its entries, and the one picked sets every selected group.
TEST_F(TelemechanicsWindowTest, GroupMenuSetsTheSelectedGroups) {
  ShowWindow();
  auto* port = AddPort<TPortKP>(kPortKP);
  TKP* s = AddStation(port, 1, kProtocolVikont);
  auto* frame = Open<ui::TKPFrame>(s);
  ASSERT_NE(frame, nullptr);
  ui::GroupTable* grid = frame->Groups();
  grid->clearSelection();
  grid->item(0, 3)->setSelected(true);
  grid->item(2, 0)->setSelected(true);
  QStringList entries;
  QTimer::singleShot(0, [&entries] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    for (QAction* a : menu->actions())
      if (!a->isSeparator()) entries << a->text();
    for (QAction* a : menu->actions())
      if (a->text() == QStringLiteral("ТИИ_37 longint")) {
        menu->setActiveAction(a);
        QTest::keyClick(menu, Qt::Key_Return);
        return;
      }
    menu->close();
  });
  emit grid->customContextMenuRequested(grid->visualItemRect(grid->item(0, 3)).center());
  Settle();
  EXPECT_EQ(entries, (QStringList{QStringLiteral("Очистить"), QStringLiteral("ТИ_11 word"),
                                  QStringLiteral("ТИ_13 real"), QStringLiteral("ТИ_15 longint"),
                                  QStringLiteral("ТИИ_36 real"), QStringLiteral("ТИИ_37 longint"),
                                  QStringLiteral("Отмена")}));
  EXPECT_EQ(s->GroupTypes[3], kGroupTII37);
  EXPECT_EQ(s->GroupTypes[20], kGroupTII37);
  EXPECT_EQ(grid->item(2, 0)->text(), QStringLiteral("ТИИ_37"));
  ASSERT_NE(s->List(kKindTII), nullptr);
  EXPECT_EQ(s->List(kKindTII)->Count(), 4);
  EXPECT_EQ(frame->Counts()->Cell(kKindTII)->text(), QStringLiteral("4"));
}

TEST_F(TelemechanicsWindowTest, AddressClashesAreShown) {
  ShowWindow();
  auto* kp = AddPort<TPortKP>(kPortKP);
  TKP* a = AddStation(kp, 3, kProtocolIec101);
  TKP* b = AddStation(kp, 3, kProtocolIec101);
  auto* kpFrame = Open<ui::TKPFrame>(a);
  ASSERT_NE(kpFrame, nullptr);
  EXPECT_TRUE(kpFrame->ErrorLabel()->isVisible());
  kpFrame = Open<ui::TKPFrame>(b);
  EXPECT_TRUE(kpFrame->ErrorLabel()->isVisible());
  kpFrame->AddressEdit()->setValue(5);
  EXPECT_EQ(b->Caption(), "5_КП");
  EXPECT_FALSE(kpFrame->ErrorLabel()->isVisible());

  auto* port = AddPort<TPortRTU104>(kPortRTU104);
  AddRtu(port, 0x0A000007);                    // 10.0.0.7
  TRTU104* second = AddRtu(port, 0x0A000107);  // 10.0.1.7
  auto* frame = Open<ui::TRTU104Frame>(second);
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->ErrorLabel()->isVisible());
  // While the last octet is edited the whole addresses are compared: 10.0.1.7 is free.
  frame->IpAddress()->Octet(3)->setValue(8);
  frame->IpAddress()->Octet(3)->setValue(7);
  EXPECT_EQ(second->Caption(), "7_RTU104");
  EXPECT_FALSE(frame->ErrorLabel()->isVisible());
}

TEST_F(TelemechanicsWindowTest, EditorsHoldWhatTheRecordHoldsAndAVisitChangesNothing) {
  ShowWindow();
  auto* kp = AddPort<TPortKP>(kPortKP);
  TKP* s = AddStation(kp, 1, kProtocolIec101);
  s->CheckPeriod = 90000;  // a minute and a half
  s->ArrayChannel = 0;     // below what the editor offers
  auto* kpFrame = Open<ui::TKPFrame>(s);
  ASSERT_NE(kpFrame, nullptr);
  EXPECT_EQ(kpFrame->AsduEdit()->maximum(), 255);
  QSpinBox* asdu = kpFrame->AsduEdit();
  asdu->selectAll();
  QTest::keyClicks(asdu, QStringLiteral("300"));
  EXPECT_EQ(asdu->value(), 255);
  editor()->Select(kp);
  Settle();
  EXPECT_EQ(s->Asdu, 255);
  EXPECT_EQ(s->CheckPeriod, 90000u);
  EXPECT_EQ(s->ArrayChannel, 0);

  auto* port = AddPort<TPortRTU104>(kPortRTU104);
  TRTU104* d = AddRtu(port, 0x0A000001);
  d->T0 = 1500;
  d->LinkLossTimeout = 2500;
  auto* frame = Open<ui::TRTU104Frame>(d);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->AsduEdit()->minimum(), 0);
  EXPECT_EQ(frame->AsduEdit()->maximum(), 255);
  EXPECT_EQ(frame->T0Edit()->maximum(), 65);
  editor()->Select(port);
  Settle();
  EXPECT_EQ(d->T0, 1500);
  EXPECT_EQ(d->LinkLossTimeout, 2500u);
  // A changed timer is written in whole seconds.
  frame = Open<ui::TRTU104Frame>(d);
  frame->T0Edit()->setValue(3);
  editor()->Select(port);
  Settle();
  EXPECT_EQ(d->T0, 3000);
  EXPECT_EQ(d->LinkLossTimeout, 2500u);
}

TEST_F(TelemechanicsWindowTest, PortFramesCountDevicesAndRenumberThem) {
  ShowWindow();
  auto* kp = AddPort<TPortKP>(kPortKP);
  AddStation(kp, 1, kProtocolIec101);
  TKP* s = AddStation(kp, 2, kProtocolIec101);
  ASSERT_TRUE(s->ApplyCounts({1, 0, 0, 0, 0, 0}));
  auto* frame = Open<ui::TPortKPFrame>(kp);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->CountLabel()->text(), QStringLiteral("Количество подключенных устройств = 2"));
  EXPECT_EQ(frame->AddressEdit()->text(), QStringLiteral("1"));
  ui::TAddrEditForm* picker = frame->OpenAddressPicker();
  ASSERT_NE(picker, nullptr);
  ASSERT_NE(picker->Button(4), nullptr);
  picker->Button(4)->click();
  Settle();
  EXPECT_EQ(kp->Caption(), "4_Порт опроса КП");
  EXPECT_EQ(s->List(kKindTS)->At(0)->Name(), "4_Порт.2_КП.Пр1");
  EXPECT_EQ(frame->AddressEdit()->text(), QStringLiteral("4"));
}

}  // namespace
}  // namespace vilk::test
