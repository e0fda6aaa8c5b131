// Energy meters in the window: ports from the processor board's menu, meters from the
// port's, parameters ticked and unticked in the meter frame with the lists and the pool
// following at once, the address clash label, and frames that leave odd values alone.
#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>

#include "controller/controller.h"
#include "controller/proc.h"
#include "frames/meters/meter_frames.h"
#include "model/item_bytes.h"
#include "ports/meters/meters.h"
#include "signals/params.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

std::vector<std::string> Names(const TParams* list) {
  std::vector<std::string> names;
  if (list)
    for (int i = 0; i < list->Count(); ++i) names.push_back(list->At(i)->Name());
  return names;
}

class MetersWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ShowWindow();
  }
  // A port added from the processor board's menu, as the user adds it.
  TMeterPort* AddPort(int code) {
    editor()->Select(config().Controller().Proc());
    Settle();
    for (QAction* a : editor()->ContextMenu()->actions())
      if (a->data().isValid() && a->data().toInt() == code) {
        a->trigger();
        Settle();
        return dynamic_cast<TMeterPort*>(editor()->CurrentItem());
      }
    return nullptr;
  }
  // A meter added with the port's add command.
  TMeter* AddMeter(TMeterPort* port) {
    editor()->Select(port);
    Settle();
    return dynamic_cast<TMeter*>(editor()->AddDeviceCommand(port->MeterKind()));
  }
  ui::TMeterFrame* Open(TItem* meter) {
    editor()->Select(meter);
    Settle();
    return qobject_cast<ui::TMeterFrame*>(editor()->CurrentFrame());
  }
  // Ticks item `row` of a meter in its own frame.
  void Tick(TMeter* meter, int row) {
    ui::TMeterFrame* frame = Open(meter);
    ASSERT_NE(frame, nullptr);
    Toggle(frame->ParamList(), row);
  }
  // Ticks or unticks a row with the keyboard, as the user would with the space bar.
  static void Toggle(QListWidget* list, int row) {
    list->setFocus();
    list->setCurrentRow(row);
    QTest::keyClick(list, Qt::Key_Space);
    Settle();
  }
  int Number(int kind, const TParam* s) { return config().Storage().SignalNumber(kind, s); }
};

TEST_F(MetersWindowTest, TicksBuildTheListsAndThePoolAtOnce) {
  TMeterPort* port = AddPort(kPortCE303);
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->Caption(), "1_Порт CE303");
  auto* portFrame = qobject_cast<ui::TMeterPortFrame*>(editor()->CurrentFrame());
  ASSERT_NE(portFrame, nullptr);
  EXPECT_EQ(portFrame->CountLabel()->text(),
            QStringLiteral("Количество подключенных устройств = 0"));

  TMeter* meter = AddMeter(port);
  ASSERT_NE(meter, nullptr);
  EXPECT_EQ(meter->Caption(), "1_CE303");
  EXPECT_EQ(portFrame->CountLabel()->text(),
            QStringLiteral("Количество подключенных устройств = 1"));
  ASSERT_NE(port->LinkStates(), nullptr);
  EXPECT_EQ(Names(port->LinkStates()), std::vector<std::string>{"1_Порт.связь_1_CE303"});

  ui::TMeterFrame* frame = Open(meter);
  ASSERT_NE(frame, nullptr);
  QListWidget* params = frame->ParamList();
  ASSERT_EQ(params->count(), 11);
  EXPECT_EQ(params->item(8)->text(),
            QStringLiteral("Энергия суммарная положительная реактивная  (CE303)"));
  EXPECT_EQ(frame->EnergyButton(0), nullptr);

  // "Частота сети": one measurement, numbered in the pool right away.
  Toggle(params, 2);
  EXPECT_TRUE(meter->Ticked(2));
  ASSERT_NE(meter->Measurements(), nullptr);
  EXPECT_EQ(Names(meter->Measurements()), std::vector<std::string>{"1_Порт.1_CE303.Частота"});
  EXPECT_EQ(meter->Counters(), nullptr);
  EXPECT_EQ(Number(kKindTI, meter->Measurements()->At(0)), 0x4000);

  // A counter: the ТИИ list comes last; the voltages go before the frequency.
  Toggle(params, 7);
  Toggle(params, 0);
  ASSERT_EQ(meter->ChildCount(), 2);
  EXPECT_EQ(meter->Child(1), meter->Counters());
  EXPECT_EQ(Names(meter->Counters()),
            std::vector<std::string>{"1_Порт.1_CE303.Энергия_Сумм_Акт_Полож"});
  EXPECT_EQ(Number(kKindTII, meter->Counters()->At(0)), 0xA000);
  EXPECT_EQ(meter->Measurements()->Count(), 4);
  EXPECT_EQ(Number(kKindTI, meter->Measurements()->At(3)), 0x4003);
  EXPECT_EQ(meter->Measurements()->At(3)->Name(), "1_Порт.1_CE303.Частота");
  EXPECT_EQ(config().Storage().Count(kKindTI), 4);

  // Unticking takes the signals out of the lists and the pool; empty lists go.
  Toggle(params, 0);
  Toggle(params, 2);
  EXPECT_EQ(meter->Measurements(), nullptr);
  EXPECT_EQ(config().Storage().Count(kKindTI), 0);
  ASSERT_EQ(meter->ChildCount(), 1);
  Toggle(params, 7);
  EXPECT_EQ(meter->ChildCount(), 0);
  EXPECT_EQ(config().Storage().Count(kKindTII), 0);
  EXPECT_EQ(meter->ParamSet, MeterParamSet{});
}

// The port frame: the board chosen from its list, the period and TCP port typed in, a new
// address from the picker; the meter frame's place names the meter's link state.
TEST_F(MetersWindowTest, PortFrameTakesBoardPeriodAndAddress) {
  TMeterPort* port = AddPort(kPortCE303);
  ASSERT_NE(port, nullptr);
  TMeter* meter = AddMeter(port);
  ASSERT_NE(meter, nullptr);
  Tick(meter, 2);
  editor()->Select(port);
  Settle();
  auto* frame = qobject_cast<ui::TMeterPortFrame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->PeriodEdit()->value(), 3);
  EXPECT_FALSE(frame->TuneButton()->isEnabled());
  ASSERT_GT(frame->BoardBox()->count(), 1);
  frame->BoardBox()->setFocus();
  QTest::keyClick(frame->BoardBox(), Qt::Key_Down);
  Settle();
  ASSERT_NE(port->LinkedBoard, nullptr);
  EXPECT_EQ(frame->BoardBox()->currentText().toStdString(), port->LinkedBoard->Caption());
  EXPECT_TRUE(frame->TuneButton()->isEnabled());

  frame->PeriodEdit()->setValue(10);
  frame->PortTcpEdit()->setValue(502);
  ui::TAddrEditForm* picker = frame->OpenAddressPicker();
  ASSERT_NE(picker, nullptr);
  QTest::mouseClick(picker->Button(4), Qt::LeftButton);
  Settle();
  EXPECT_EQ(port->Caption(), "4_Порт CE303");
  EXPECT_EQ(frame->AddressEdit()->text(), QStringLiteral("4"));
  EXPECT_EQ(Names(meter->Measurements()), std::vector<std::string>{"4_Порт.1_CE303.Частота"});

  ui::TMeterFrame* meterFrame = Open(meter);
  EXPECT_EQ(port->Period, 10);
  EXPECT_EQ(port->TcpPort, 502);
  ASSERT_NE(meterFrame, nullptr);
  meterFrame->PlaceEdit()->setFocus();
  QTest::keyClicks(meterFrame->PlaceEdit(), QStringLiteral("T1"));
  meterFrame->RepeatEdit()->setValue(7);
  editor()->Select(port);
  Settle();
  EXPECT_EQ(meter->Place, "T1");
  EXPECT_EQ(meter->Attempts, 7);
  EXPECT_EQ(Names(port->LinkStates()), std::vector<std::string>{"4_Порт.связь_1_CE303_T1"});
}

TEST_F(MetersWindowTest, CC301EnergyChoiceMovesTheCounters) {
  TMeterPort* port = AddPort(kPortCC301);
  ASSERT_NE(port, nullptr);
  EXPECT_NE(qobject_cast<ui::TMeterPortFrame*>(editor()->CurrentFrame())->PortTcpEdit(), nullptr);
  auto* meter = dynamic_cast<TCC301*>(AddMeter(port));
  ASSERT_NE(meter, nullptr);
  ui::TMeterFrame* frame = Open(meter);
  ASSERT_NE(frame, nullptr);
  ASSERT_EQ(frame->ParamList()->count(), 9);
  ASSERT_NE(frame->EnergyButton(1), nullptr);
  EXPECT_TRUE(frame->EnergyButton(0)->isChecked());
  Toggle(frame->ParamList(), 2);
  Toggle(frame->ParamList(), 6);
  EXPECT_EQ(meter->Measurements()->Count(), 1);
  EXPECT_EQ(meter->Counters()->Count(), 4);

  QTest::mouseClick(frame->EnergyButton(1), Qt::LeftButton);
  Settle();
  EXPECT_EQ(meter->EnergyKind, 1);
  EXPECT_EQ(meter->Counters(), nullptr);
  EXPECT_EQ(Names(meter->Measurements()).back(), "1_Порт.1_CC301.Энергия_Сумм_Реакт_Отриц");
  EXPECT_EQ(config().Storage().Count(kKindTI), 5);
  EXPECT_EQ(config().Storage().Count(kKindTII), 0);
  QTest::mouseClick(frame->EnergyButton(0), Qt::LeftButton);
  Settle();
  EXPECT_EQ(meter->EnergyKind, 0);
  EXPECT_EQ(meter->Counters()->Count(), 4);
  EXPECT_EQ(config().Storage().Count(kKindTII), 4);

  frame->RatioBox()->setCurrentIndex(1);
  editor()->Select(port);
  Settle();
  EXPECT_EQ(meter->RatioFlag, 1);
}

TEST_F(MetersWindowTest, AnAddressInUseIsShownAndTheNamesFollowTheAddress) {
  TMeterPort* port = AddPort(kPortCE318);
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(qobject_cast<ui::TMeterPortFrame*>(editor()->CurrentFrame())->PortTcpEdit(), nullptr);
  TMeter* first = AddMeter(port);
  TMeter* second = AddMeter(port);
  ASSERT_TRUE(first && second);
  ui::TMeterFrame* frame = Open(second);
  ASSERT_NE(frame, nullptr);
  EXPECT_FALSE(frame->ErrorLabel()->isHidden());
  Toggle(frame->ParamList(), 2);
  frame->AddressEdit()->setValue(40000000);
  Settle();
  EXPECT_TRUE(frame->ErrorLabel()->isHidden());
  EXPECT_EQ(second->Address(), 40000000u);
  EXPECT_EQ(second->Caption(), "40000000_CE318");
  EXPECT_EQ(Names(second->Measurements()),
            std::vector<std::string>{"1_Порт.40000000_CE318.Частота"});
  EXPECT_EQ(Names(port->LinkStates()),
            (std::vector<std::string>{"1_Порт.связь_1_CE318", "1_Порт.связь_40000000_CE318"}));
  frame->AddressEdit()->setValue(1);
  Settle();
  EXPECT_FALSE(frame->ErrorLabel()->isHidden());
}

// Stored values the editors cannot show (a period of 0 or 200 minutes, zero attempts, an
// energy kind of 7, a ratio flag of 5, an address past eight digits, bits without an item)
// survive opening and leaving the frames byte for byte; an edit stores only what changed.
TEST_F(MetersWindowTest, FramesLeaveWhatTheyCannotShowAsStored) {
  TMeterPort* port = AddPort(kPortCC301);
  ASSERT_NE(port, nullptr);
  port->Period = 0;
  auto* meter = dynamic_cast<TCC301*>(AddMeter(port));
  ASSERT_NE(meter, nullptr);
  meter->Attempts = 0;
  meter->EnergyKind = 7;
  meter->RatioFlag = 5;
  meter->ParamSet[20] = 0x11;
  const std::vector<std::uint8_t> portBytes = ItemBytes(*port);

  editor()->Select(port);
  Settle();
  editor()->Select(meter);
  Settle();
  auto* frame = qobject_cast<ui::TMeterFrame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  EXPECT_FALSE(frame->EnergyButton(0)->isChecked());
  EXPECT_FALSE(frame->EnergyButton(1)->isChecked());
  editor()->Select(port);
  Settle();
  EXPECT_EQ(ItemBytes(*port), portBytes);

  // A tick changes its own bit only.
  frame = Open(meter);
  Toggle(frame->ParamList(), 1);
  editor()->Select(port);
  Settle();
  EXPECT_EQ(meter->ParamSet[20], 0x11);
  EXPECT_TRUE(meter->Ticked(1));
  EXPECT_EQ(meter->Attempts, 0);
  EXPECT_EQ(meter->EnergyKind, 7);
  EXPECT_EQ(meter->RatioFlag, 5);
  EXPECT_EQ(port->Period, 0);

  // The period typed in is stored.
  auto* portFrame = qobject_cast<ui::TMeterPortFrame*>(editor()->CurrentFrame());
  ASSERT_NE(portFrame, nullptr);
  portFrame->PeriodEdit()->setValue(15);
  editor()->Select(meter);
  Settle();
  EXPECT_EQ(port->Period, 15);

  TMeterPort* ce318 = AddPort(kPortCE318);
  auto* far = dynamic_cast<TCE318*>(AddMeter(ce318));
  ASSERT_NE(far, nullptr);
  far->SetAddress(0xFFFFFFFFu);
  far->UpdateSignalList();
  const std::vector<std::uint8_t> farBytes = ItemBytes(*far);
  ASSERT_NE(Open(far), nullptr);
  editor()->Select(ce318);
  Settle();
  EXPECT_EQ(ItemBytes(*far), farBytes);
}

}  // namespace
}  // namespace vilk::test
