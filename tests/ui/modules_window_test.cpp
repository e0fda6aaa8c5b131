// I/O modules and pairing ports in the window: switching a module's mode, the address
// warning, and pairing pool signals by dragging them onto a pairing port's channels.
#include <QAction>
#include <QRadioButton>

#include "controller/controller.h"
#include "controller/proc.h"
#include "frames/modules/module_frames.h"
#include "frames/modules/pairing_frame.h"
#include "ports/modules/modules.h"
#include "ports/modules/pairing.h"
#include "ports/modules/port_doro.h"
#include "signals/storage_page.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

class ModulesWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ShowWindow();
  }
  TPortDoro* AddDoro() {
    TItem* proc = config().Controller().Proc();
    editor()->Select(proc);
    Settle();
    for (QAction* a : editor()->ContextMenu()->actions())
      if (a->data().isValid() && a->data().toInt() == kPortDoro) {
        a->trigger();
        return dynamic_cast<TPortDoro*>(editor()->CurrentItem());
      }
    return nullptr;
  }
  // Opens a fresh frame of `item` (the item that was open is left first).
  template <typename F>
  F* Open(TItem* item) {
    if (editor()->CurrentItem() == item) editor()->Select(config().Controller().Proc());
    EXPECT_TRUE(editor()->Select(item));
    Settle();
    return qobject_cast<F*>(editor()->CurrentFrame());
  }
};

TEST_F(ModulesWindowTest, ModeSwitchingRebuildsTheListsAtOnce) {
  TPortDoro* port = AddDoro();
  ASSERT_NE(port, nullptr);
  auto* ded = dynamic_cast<TMRK12*>(port->AddChild(kModuleDED12));
  ASSERT_NE(ded, nullptr);
  auto* frame = Open<ui::TModuleFrame>(ded);
  ASSERT_NE(frame, nullptr);
  ASSERT_EQ(frame->Modes()->buttons().size(), 4);
  EXPECT_EQ(frame->Modes()->button(3)->text(), QStringLiteral("12 дискретных выходов"));
  EXPECT_TRUE(frame->Modes()->button(0)->isChecked());

  frame->Modes()->button(3)->click();
  EXPECT_EQ(ded->Mode, 3);
  EXPECT_EQ(ded->Version, 2);
  EXPECT_EQ(ded->Commands()->Count(), 12);
  ASSERT_NE(ded->Outputs(), nullptr);
  EXPECT_EQ(ded->Outputs()->Caption(), "Выходы");
  EXPECT_TRUE(window->isWindowModified());

  frame->Modes()->button(1)->click();
  EXPECT_EQ(ded->Mode, 1);
  EXPECT_EQ(ded->Version, 1);
  EXPECT_EQ(ded->Outputs(), nullptr);
  EXPECT_EQ(ded->Commands()->Count(), 6);

  // Leaving and reopening keeps the mode; the RIV-24 offers its own two modes.
  auto* riv = dynamic_cast<TMDS24*>(port->AddChild(kModuleRIV24));
  auto* rivFrame = Open<ui::TModuleFrame>(riv);
  ASSERT_NE(rivFrame, nullptr);
  ASSERT_EQ(rivFrame->Modes()->buttons().size(), 2);
  rivFrame->Modes()->button(1)->click();
  EXPECT_EQ(riv->Inputs()->Count(), 12);
  frame = Open<ui::TModuleFrame>(ded);
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->Modes()->button(1)->isChecked());
}

// The port's menu adds the three module kinds; its frame renumbers the port and counts them.
TEST_F(ModulesWindowTest, ThePortMenuAddsModulesAndTheFrameRenumbers) {
  TPortDoro* port = AddDoro();
  ASSERT_NE(port, nullptr);
  QStringList offered;
  for (QAction* a : editor()->ContextMenu()->actions()) offered << a->text();
  EXPECT_TRUE(offered.contains(QStringLiteral("Добавить RIV-24")));
  EXPECT_TRUE(offered.contains(QStringLiteral("Добавить DED-12")));
  EXPECT_TRUE(offered.contains(QStringLiteral("Добавить ZUZ-24")));
  for (int kind : {kModuleZUZ24, kModuleRIV24}) {
    editor()->Select(port);
    Settle();
    for (QAction* a : editor()->ContextMenu()->actions())
      if (a->data().isValid() && a->data().toInt() == kind) a->trigger();
    Settle();
  }
  ASSERT_EQ(port->Modules().size(), 2u);
  EXPECT_EQ(port->Modules()[0]->Caption(), "1_ZUZ-24");
  EXPECT_EQ(port->Modules()[1]->Caption(), "2_RIV-24");

  auto* frame = Open<ui::TPortDoroFrame>(port);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->CountLabel()->text(), QStringLiteral("Количество подключенных модулей = 2"));
  ui::TAddrEditForm* picker = frame->OpenAddressPicker();
  ASSERT_NE(picker, nullptr);
  ASSERT_NE(picker->Button(4), nullptr);
  picker->Button(4)->click();
  EXPECT_EQ(port->Caption(), "4_Порт DORO");
  EXPECT_EQ(frame->AddressEdit()->text(), QStringLiteral("4"));
  EXPECT_EQ(port->Modules()[0]->Inputs()->At(0)->Name(), "4_Порт.1_ZUZ-24.Работа ТУ");
  EXPECT_EQ(port->LinkStates()->At(0)->Name(), "4_Порт.связь_1_ZUZ-24");
}

TEST_F(ModulesWindowTest, AnAddressTakenTwiceIsShown) {
  TPortDoro* port = AddDoro();
  ASSERT_NE(port, nullptr);
  auto* riv = dynamic_cast<TMDS24*>(port->AddChild(kModuleRIV24));
  auto* zuz = dynamic_cast<TMDK24*>(port->AddChild(kModuleZUZ24));
  ASSERT_EQ(zuz->Number, 2);
  auto* frame = Open<ui::TModuleFrame>(zuz);
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->ClashLabel()->isHidden());
  frame->AddressSpin()->setValue(1);
  EXPECT_EQ(zuz->Caption(), "1_ZUZ-24");  // taken at once
  EXPECT_FALSE(frame->ClashLabel()->isHidden());
  EXPECT_EQ(port->LinkStates()->At(1)->Name(), "1_Порт.связь_1_ZUZ-24");
  frame->AddressSpin()->setValue(7);
  EXPECT_TRUE(frame->ClashLabel()->isHidden());
  EXPECT_EQ(zuz->Commands()->At(0)->Name(), "1_Порт.7_ZUZ-24.Пр1");
  riv->SetAddress(7);
  frame = Open<ui::TModuleFrame>(zuz);
  ASSERT_NE(frame, nullptr);
  EXPECT_FALSE(frame->ClashLabel()->isHidden());  // shown on opening, too
}

TEST_F(ModulesWindowTest, PairingByDragAndDrop) {
  TPortDoro* port = AddDoro();
  ASSERT_NE(port, nullptr);
  auto* riv = dynamic_cast<TMDS24*>(port->AddChild(kModuleRIV24));
  TItem* proc = config().Controller().Proc();
  auto* ts2 = static_cast<TPortTS2*>(config().Append(proc, MakePort(config(), kPortTS2)));
  ts2->Number = 2;
  ts2->SetCount(2);
  auto* frame = Open<ui::TPairPortFrame>(ts2);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->PairList()->count(), 2);
  EXPECT_EQ(frame->PairList()->item(0)->text(), QStringLiteral("Пр1"));
  EXPECT_EQ(frame->Current(), 0);

  ui::TStoragePage* page = editor()->PoolPage();
  EXPECT_EQ(page->ActiveKind(), kKindTS);
  ui::SignalTableView* pool = page->View(kKindTS);
  ASSERT_TRUE(pool->Hooks.CanDragFromPool());  // the pool lets its signals be dragged
  EXPECT_FALSE(frame->Channel(false)->Accepts(page->View(kKindTU)));

  // Input 3 of the module dropped on "ТС состояния Отключено".
  TParam* input3 = riv->Inputs()->At(2);
  input3->Selected = true;
  ASSERT_TRUE(frame->Channel(false)->DropFrom(pool));
  input3->Selected = false;
  EXPECT_EQ(ts2->Pairs[0].Off.get(), input3);
  EXPECT_EQ(frame->Channel(false)->text(), QStringLiteral("1_Порт.1_RIV-24.Пр3"));
  EXPECT_TRUE(window->isWindowModified());

  // The second record: input 5 on "Включено", inverted; its settings are stored when
  // another record is chosen.
  frame->PairList()->setCurrentRow(1);
  EXPECT_EQ(frame->Current(), 1);
  EXPECT_EQ(frame->Channel(false)->text(), QString());
  riv->Inputs()->At(4)->Selected = true;
  ASSERT_TRUE(frame->Channel(true)->DropFrom(pool));
  riv->Inputs()->At(4)->Selected = false;
  frame->Invert(true)->click();
  frame->TransitionSpin()->setValue(800);
  frame->PairList()->setCurrentRow(0);
  EXPECT_EQ(ts2->Pairs[1].On.get(), riv->Inputs()->At(4));
  EXPECT_EQ(ts2->Pairs[1].OnFlag, 1);
  EXPECT_EQ(ts2->Pairs[1].TransitionTime, 800);
  EXPECT_EQ(ts2->Pairs[0].OnFlag, 0);

  // A signal whose module is deleted stays shown, grey, as no longer in the pool.
  config().Remove(riv);
  port->ChildrenChanged();
  frame = Open<ui::TPairPortFrame>(ts2);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->Channel(false)->text(),
            QStringLiteral("1_Порт.1_RIV-24.Пр3  (нет в списке сигналов)"));

  // "Удалить сигнал" asks, then the record goes; the next one added is Пр1 again.
  frame->DeleteButton()->click();
  ASSERT_FALSE(messages.Questions.empty());
  EXPECT_EQ(messages.Questions.back(), "Удалить сигнал Пр1 ?");
  EXPECT_EQ(ts2->PairCount(), 1);
  EXPECT_EQ(frame->PairList()->count(), 1);
  EXPECT_EQ(frame->CountSpin()->value(), 1);
  frame->CountSpin()->setValue(2);
  frame->SetButton()->click();
  ASSERT_EQ(ts2->PairCount(), 2);
  EXPECT_EQ(ts2->Pairs[1].Name, "Пр1");
  EXPECT_EQ(frame->PairList()->item(1)->text(), QStringLiteral("Пр1"));

  // The address picker renumbers the port: its caption and its own signals follow.
  ui::TAddrEditForm* picker = frame->Rows()->OpenAddressPicker();
  ASSERT_NE(picker, nullptr);
  ASSERT_NE(picker->Button(5), nullptr);
  picker->Button(5)->click();
  EXPECT_EQ(ts2->Number, 5);
  EXPECT_EQ(ts2->Caption().rfind("5_Порт ", 0), 0u) << ts2->Caption();
  EXPECT_EQ(frame->Rows()->AddressEdit()->text(), QStringLiteral("5"));
  TParams* own = ts2->OwnList();
  ASSERT_NE(own, nullptr);
  ASSERT_GT(own->Count(), 0);
  EXPECT_EQ(own->At(0)->Name().rfind("5_Порт.", 0), 0u) << own->At(0)->Name();
  EXPECT_TRUE(window->isWindowModified());
}

TEST_F(ModulesWindowTest, CommandPairsChooseTheirCommands) {
  TPortDoro* port = AddDoro();
  auto* zuz = dynamic_cast<TMDK24*>(port->AddChild(kModuleZUZ24));
  TItem* proc = config().Controller().Proc();
  auto* tu2 = static_cast<TPortTU2*>(config().Append(proc, MakePort(config(), kPortTU2)));
  tu2->Number = 3;
  tu2->SetCount(1);
  tu2->Pairs[0].OnFlag = 7;  // a code the list lacks survives a visit
  auto* frame = Open<ui::TPairPortFrame>(tu2);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(editor()->PoolPage()->ActiveKind(), kKindTU);
  EXPECT_EQ(frame->Command(false)->currentText(), QStringLiteral("Включить"));
  zuz->Commands()->At(0)->Selected = true;
  ASSERT_TRUE(frame->Channel(false)->DropFrom(editor()->PoolPage()->View(kKindTU)));
  frame->Command(false)->setCurrentIndex(0);
  ASSERT_TRUE(frame->Store());
  EXPECT_EQ(tu2->Pairs[0].OffFlag, 0);
  EXPECT_EQ(tu2->Pairs[0].OnFlag, 7);
  EXPECT_EQ(tu2->Pairs[0].Off.get(), zuz->Commands()->At(0));
}

}  // namespace
}  // namespace vilk::test
