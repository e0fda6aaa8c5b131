// The pairing ports: pair records byte for byte, the count and the names of the records,
// references that outlive their signals, and what loading makes of odd files.
#include "ports/modules/pairing.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "model/show.h"
#include "ports/modules/modules.h"
#include "ports/modules/port_doro.h"
#include "record_spelling.h"
#include "test_items.h"

namespace vilk {
namespace {

using test::Blk;
using test::ByteVec;
using test::Join;
using test::Place65;
using test::Rec;
using test::U16;

ByteVec Names65(const std::vector<std::string>& names) {
  ByteVec out;
  for (const std::string& n : names) {
    const ByteVec one = Place65(Utf8ToCp1251(n));
    out.insert(out.end(), one.begin(), one.end());
  }
  return out;
}
std::vector<std::string> PairNames(const TPairPort& port) {
  std::vector<std::string> names;
  for (int i = 0; i < port.PairCount(); ++i) names.push_back(port.PairName(i));
  return names;
}

class PairingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Signals to pair: the inputs of a RIV-24 and the commands of a ZUZ-24.
    doro = static_cast<TPortDoro*>(
        config.Append(config.Controller().Proc(), MakePort(config, kPortDoro)));
    doro->Renumber(3);
    riv = static_cast<TMDS24*>(doro->AddChild(kModuleRIV24));
    zuz = static_cast<TMDK24*>(doro->AddChild(kModuleZUZ24));
    config.Storage().ForceRebuild();
    tsBase = config.Storage().IndexOf(kKindTS, riv->Inputs()->At(0));
    tuBase = config.Storage().IndexOf(kKindTU, zuz->Commands()->At(0));
    ASSERT_GE(tsBase, 0);
    ASSERT_GE(tuBase, 0);
  }
  template <typename T>
  T* AddPort(int code) {
    auto* port = static_cast<T*>(config.Append(config.Controller().Proc(), MakePort(config, code)));
    port->UpdateCaption();
    return port;
  }
  TParam* Input(int i) const { return riv->Inputs()->At(i); }
  TParam* Command(int i) const { return zuz->Commands()->At(i); }

  RecordingMessages messages;
  Configuration config{messages};
  TPortDoro* doro = nullptr;
  TMDS24* riv = nullptr;
  TMDK24* zuz = nullptr;
  int tsBase = -1, tuBase = -1;
};

TEST_F(PairingTest, RecordsByteForByte) {
  auto* ts2 = AddPort<TPortTS2>(kPortTS2);
  EXPECT_EQ(ts2->Caption(), "1_Порт ТС-2");
  EXPECT_EQ(ts2->SignalKind, kKindTS);
  EXPECT_EQ(ts2->ListRole, kRolePairing);
  EXPECT_EQ(ts2->Icon(), 5);
  ts2->SetCount(2);
  ASSERT_TRUE(ts2->SetChannel(0, false, Input(2)));
  ASSERT_TRUE(ts2->SetChannel(0, true, Input(3)));
  ts2->Pairs[0].OnFlag = 1;
  ts2->Pairs[1].TransitionTime = 1200;
  ASSERT_TRUE(ts2->SetChannel(1, true, Input(0)));
  config.Storage().ForceRebuild();
  EXPECT_EQ(
      test::SaveItem(*ts2),
      Blk(132, {Rec(48, {1}), Rec(1, {1}), Rec(13, {2, 0}),
                Blk(230, {Rec(48, {1}), Rec(43, {0, 1}), Rec(111, U16(tsBase + 2)),
                          Rec(110, U16(tsBase + 3)), Rec(17, {0xF4, 0x01})}),
                Blk(230, {Rec(48, {1}), Rec(43, {0, 0}), Rec(111, {0xFF, 0xFF}),
                          Rec(110, U16(tsBase)), Rec(17, {0xB0, 0x04})}),
                Blk(211, {Rec(48, {1}), Rec(13, {2, 0}),
                          Rec(41, Names65({"1_Порт.Пр1", "1_Порт.Пр2"})), Rec(78, {0, 0})})}));

  auto* tu2 = AddPort<TPortTU2>(kPortTU2);
  EXPECT_EQ(tu2->Icon(), 6);
  tu2->Number = 2;
  tu2->SetCount(1);
  EXPECT_EQ(tu2->Pairs[0].OffFlag, 1);  // "Включить" on both channels by default
  tu2->Pairs[0].OffFlag = 0;
  ASSERT_TRUE(tu2->SetChannel(0, false, Command(1)));
  ASSERT_TRUE(tu2->SetChannel(0, true, Command(0)));
  config.Storage().ForceRebuild();
  EXPECT_EQ(
      test::SaveItem(*tu2),
      Blk(133, {Rec(48, {1}), Rec(1, {2}), Rec(15, {1, 0}),
                Blk(231, {Rec(48, {1}), Rec(43, {0, 1}), Rec(111, U16(tuBase + 1)),
                          Rec(110, U16(tuBase))}),
                Blk(212, {Rec(48, {1}), Rec(15, {1, 0}), Rec(41, Names65({"2_Порт.Пр1"}))})}));
  // The own signals of a port never pair with each other, nor signals of the other kind.
  EXPECT_FALSE(tu2->SetChannel(0, true, tu2->OwnList()->At(0)));
  EXPECT_FALSE(tu2->SetChannel(0, true, Input(0)));
  EXPECT_EQ(messages.Errors.size(), 2u);
  EXPECT_EQ(tu2->Pairs[0].On.get(), Command(0));
}

TEST_F(PairingTest, CountNamesAndTheLowestUnusedNumber) {
  auto* ts2 = AddPort<TPortTS2>(kPortTS2);
  ts2->SetCount(3);
  EXPECT_EQ(PairNames(*ts2), (std::vector<std::string>{"Пр1", "Пр2", "Пр3"}));
  ASSERT_TRUE(ts2->SetChannel(1, false, Input(1)));
  const std::uint32_t holds = Input(1)->RefCount;
  ts2->SetCount(1);
  EXPECT_EQ(PairNames(*ts2), std::vector<std::string>{"Пр1"});
  EXPECT_EQ(Input(1)->RefCount, holds - 1);  // the freed record let its signal go
  EXPECT_EQ(ts2->OwnList()->Count(), 1);
  ts2->SetCount(0);
  EXPECT_EQ(ts2->OwnList(), nullptr);
  EXPECT_EQ(ts2->ChildCount(), 0);

  // Deleting Пр2 of four, then adding one: Пр2 again, never a second Пр4.
  ts2->SetCount(4);
  ts2->OwnList()->At(2)->SetName("1_Порт.Выключатель");
  ts2->RemovePair(1);
  EXPECT_EQ(PairNames(*ts2), (std::vector<std::string>{"Пр1", "Выключатель", "Пр4"}));
  ts2->SetCount(4);
  EXPECT_EQ(PairNames(*ts2), (std::vector<std::string>{"Пр1", "Выключатель", "Пр4", "Пр2"}));
  ts2->SetCount(5);
  EXPECT_EQ(ts2->Pairs[4].Name, "Пр5");

  // A count beyond the list's capacity is cut, with a message.
  ts2->SetCount(70000);
  EXPECT_EQ(ts2->PairCount(), kMaxPairs);
  EXPECT_EQ(ts2->OwnList()->Count(), kMaxPairs);
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0],
            "Порт 1_Порт ТС-2: записей пар не может быть больше 8192, задано 70000");
}

// The device a pair reads is deleted: the pair keeps its signal alive, shows it as
// unresolved and saves -1.
TEST_F(PairingTest, ASignalGoneFromThePoolSavesAsMinusOne) {
  auto* ts2 = AddPort<TPortTS2>(kPortTS2);
  ts2->SetCount(1);
  ASSERT_TRUE(ts2->SetChannel(0, false, Input(4)));
  ASSERT_TRUE(ts2->SetChannel(0, true, Input(5)));
  config.Remove(riv);
  doro->ChildrenChanged();
  config.Storage().ForceRebuild();
  ASSERT_TRUE(ts2->Pairs[0].Off);
  EXPECT_EQ(ts2->Pairs[0].Off->Name(), "3_Порт.1_RIV-24.Пр5");
  EXPECT_TRUE(ts2->Unresolved(ts2->Pairs[0].Off));
  const ByteVec saved = test::SaveItem(*ts2);
  const ByteVec pair = Blk(230, {Rec(48, {1}), Rec(43, {0, 0}), Rec(111, {0xFF, 0xFF}),
                                 Rec(110, {0xFF, 0xFF}), Rec(17, {0xF4, 0x01})});
  EXPECT_EQ(test::Slice(saved, 8 + 9 + 9 + 10, pair.size()), pair);

  std::string shown;
  for (const ShownField& f : TPairPort::ShowPairs(*ts2)) shown += f.Name + "=" + f.Value + "\n";
  EXPECT_EQ(shown,
            "pair1_name=Пр1\npair1_off=unresolved: 3_Порт.1_RIV-24.Пр5\n"
            "pair1_on=unresolved: 3_Порт.1_RIV-24.Пр6\npair1_off_invert=0\npair1_on_invert=0\n"
            "pair1_transition_time=500\n");
}

TEST_F(PairingTest, SaveAndLoadReferToTheSameSignals) {
  auto* ts2 = AddPort<TPortTS2>(kPortTS2);
  ts2->SetCount(3);
  ts2->SetChannel(0, false, Input(7));
  ts2->SetChannel(0, true, Input(8));
  ts2->SetChannel(2, true, doro->LinkStates()->At(1));
  ts2->Pairs[2].OffFlag = 1;
  ts2->OwnList()->At(1)->SetName("1_Порт.Разъединитель");
  auto* tu2 = AddPort<TPortTU2>(kPortTU2);
  tu2->Number = 2;
  tu2->SetCount(2);
  tu2->SetChannel(1, false, Command(6));
  tu2->SetChannel(1, true, Command(7));
  tu2->Pairs[1].OnFlag = 0;
  const std::vector<std::uint8_t> first = test::Build(config);
  ASSERT_FALSE(first.empty()) << (messages.Errors.empty() ? "" : messages.Errors.back());

  RecordingMessages loadMessages;
  Configuration loaded(loadMessages);
  ASSERT_TRUE(test::Load(loaded, first));
  EXPECT_TRUE(loadMessages.Errors.empty()) << loadMessages.Errors.front();
  TPairPort *ts = nullptr, *tu = nullptr;
  TItem* proc = loaded.Controller().Proc();
  for (int i = 0; i < proc->ChildCount(); ++i) {
    if (auto* p = dynamic_cast<TPortTS2*>(proc->Child(i))) ts = p;
    if (auto* p = dynamic_cast<TPortTU2*>(proc->Child(i))) tu = p;
  }
  ASSERT_TRUE(ts && tu);
  ASSERT_EQ(ts->PairCount(), 3);
  EXPECT_EQ(ts->Pairs[0].Off->Name(), "3_Порт.1_RIV-24.Пр8");
  EXPECT_EQ(ts->Pairs[0].On->Name(), "3_Порт.1_RIV-24.Пр9");
  EXPECT_FALSE(ts->Pairs[2].Off);
  EXPECT_EQ(ts->Pairs[2].On->Name(), "3_Порт.связь_2_ZUZ-24");
  EXPECT_EQ(ts->Pairs[2].OffFlag, 1);
  EXPECT_EQ(PairNames(*ts), (std::vector<std::string>{"Пр1", "Разъединитель", "Пр3"}));
  EXPECT_EQ(tu->Pairs[1].Off->Name(), "3_Порт.2_ZUZ-24.Пр7");
  EXPECT_EQ(tu->Pairs[1].OnFlag, 0);
  EXPECT_EQ(tu->Pairs[0].OnFlag, 1);
  EXPECT_EQ(test::Build(loaded), first);
  EXPECT_EQ(test::DumpTree(loaded), test::DumpTree(config));

  // After a delete and an append the names keep their rule in the loaded port too.
  ts->RemovePair(0);
  ts->SetCount(3);
  EXPECT_EQ(PairNames(*ts), (std::vector<std::string>{"Разъединитель", "Пр3", "Пр1"}));
}

TEST_F(PairingTest, OddFilesLoadWithAMessageAndLoseNothingThatFits) {
  auto* ts2 = AddPort<TPortTS2>(kPortTS2);
  const ByteVec current = Blk(230, {Rec(48, {1}), Rec(43, {1, 0}), Rec(111, U16(tsBase + 1)),
                                    Rec(110, U16(tsBase)), Rec(17, {10, 0})});
  const ByteVec newer = Blk(230, {Rec(48, {2}), Rec(43, {1, 1}), Rec(200, {1, 2, 3})});
  const ByteVec list =
      Blk(211, {Rec(48, {1}), Rec(13, {3, 0}),
                Rec(41, Names65({"1_Порт.А", "1_Порт.Б", "1_Порт.В"})), Rec(78, {0, 0, 0})});

  // A newer record is kept as it was; the record after it is read.
  const ByteVec block =
      Blk(132, {Rec(48, {1}), Rec(1, {1}), Rec(13, {3, 0}), newer, current, current, list});
  test::LoadItem(*ts2, block);
  ASSERT_EQ(messages.Errors, std::vector<std::string>{"Новая версия TS2"});
  ts2->AfterLoad();
  ASSERT_EQ(ts2->PairCount(), 3);
  EXPECT_EQ(ts2->Pairs[0].Kept, newer);
  EXPECT_EQ(ts2->Pairs[1].Off.get(), Input(1));
  EXPECT_EQ(ts2->Pairs[2].TransitionTime, 10);
  EXPECT_EQ(PairNames(*ts2), (std::vector<std::string>{"А", "Б", "В"}));
  EXPECT_FALSE(ts2->SetChannel(0, true, Input(0)));  // a kept record is not edited
  config.Storage().ForceRebuild();
  EXPECT_EQ(test::SaveItem(*ts2), block);

  // A count of 65535 with two records: the records present are the port's.
  messages.Errors.clear();
  test::LoadItem(*ts2,
                 Blk(132, {Rec(48, {1}), Rec(1, {1}), Rec(13, {0xFF, 0xFF}), current, current}));
  EXPECT_EQ(ts2->PairCount(), 2);
  EXPECT_EQ(messages.Errors,
            std::vector<std::string>{"Порт 1_Порт ТС-2: количество записей пар 65535, а записей в "
                                     "блоке 2; приняты записи блока"});

  // More records than a list holds: the first 8192 are read, with a message.
  messages.Errors.clear();
  ByteVec many = Join({Rec(48, {1}), Rec(1, {1}), Rec(13, U16(8193))});
  for (int i = 0; i <= kMaxPairs; ++i) many.insert(many.end(), current.begin(), current.end());
  test::LoadItem(
      *ts2,
      Join({{0xF1, 0xFF, 132, 0}, test::U32(static_cast<std::uint32_t>(8 + many.size())), many}));
  EXPECT_EQ(ts2->PairCount(), kMaxPairs);
  EXPECT_EQ(ts2->OwnList()->Count(), kMaxPairs);
  EXPECT_EQ(messages.Errors,
            std::vector<std::string>{"Порт 1_Порт ТС-2: записей пар больше 8192; читаются первые "
                                     "8192, остальные не сохранятся"});

  // A reference past the pool is named and saves as -1.
  messages.Errors.clear();
  const ByteVec far = Blk(230, {Rec(48, {1}), Rec(111, U16(8000)), Rec(110, {0xFF, 0xFF})});
  test::LoadItem(*ts2, Blk(132, {Rec(48, {1}), Rec(1, {1}), Rec(13, {1, 0}), far}));
  EXPECT_EQ(ts2->PairCount(), 1);
  ts2->AfterLoad();
  EXPECT_FALSE(ts2->Pairs[0].Off);
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{"Порт 1_Порт ТС-2: ссылок на сигналы, которых нет в списке "
                                      "сигналов: 1; они сохранятся пустыми (-1)"}));
  config.Storage().ForceRebuild();
  const ByteVec written = Blk(230, {Rec(48, {1}), Rec(43, {0, 0}), Rec(111, {0xFF, 0xFF}),
                                    Rec(110, {0xFF, 0xFF}), Rec(17, {0xF4, 0x01})});
  EXPECT_EQ(test::Slice(test::SaveItem(*ts2), 36, written.size()), written);
  EXPECT_EQ(PairNames(*ts2), std::vector<std::string>{"Пр1"});
}

}  // namespace
}  // namespace vilk
