// Controlled-station polling: the port's and the station's records byte for byte, the
// count rules of the three protocols, group-and-parameter names, the limits of a list and
// of a kind's pool, duplicating, renumbering, and loading what older and newer files hold.
#include "ports/telemechanics/kp.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/text.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/tree_rules.h"
#include "model/unknown.h"
#include "record_spelling.h"
#include "test_items.h"

namespace vilk {
namespace {

using test::Blk;
using test::ByteVec;
using test::Join;
using test::Rec;
using test::U16;
using test::U32;

ByteVec Text65(const std::string& utf8) {
  return test::Place65(Utf8ToCp1251(utf8));
}
ByteVec Names65(const std::vector<std::string>& names) {
  ByteVec out;
  for (const std::string& n : names) {
    const ByteVec one = Text65(n);
    out.insert(out.end(), one.begin(), one.end());
  }
  return out;
}
std::vector<std::string> Names(const TParams* list) {
  std::vector<std::string> names;
  if (list)
    for (int i = 0; i < list->Count(); ++i) names.push_back(list->At(i)->Name());
  return names;
}
std::vector<int> Formats(const TParams* list) {
  std::vector<int> formats;
  if (list)
    for (int i = 0; i < list->Count(); ++i) formats.push_back(list->At(i)->ValueFormat);
  return formats;
}
SignalCounts Counts(int ts, int tu, int ti, int tii, int tr, int mts) {
  return {ts, tu, ti, tii, tr, mts};
}

class KPTest : public ::testing::Test {
 protected:
  TPortKP* AddPort(int number) {
    auto* port =
        static_cast<TPortKP*>(config.Append(config.Controller().Proc(), MakePort(config, kPortKP)));
    port->Renumber(static_cast<std::uint8_t>(number));
    return port;
  }
  TKP* AddStation(TPortKP* port, int address) {
    auto* s = static_cast<TKP*>(port->AddChild(kKPDevice));
    s->Number = static_cast<std::uint8_t>(address);
    s->UpdateSignalList();
    return s;
  }

  RecordingMessages messages;
  Configuration config{messages};
};

// --- records ---

TEST_F(KPTest, PortAndStationRecordsByteForByte) {
  TPortKP* port = AddPort(3);
  test::LinkToBoard(port, 34);
  EXPECT_EQ(port->Caption(), "3_Порт опроса КП");
  EXPECT_EQ(test::SaveItem(*port),
            Blk(112, {Rec(48, {1}), Rec(1, {3}), Rec(20, {0}), Rec(30, {34})}));

  TKP* s = AddStation(port, 5);
  s->Place = "Щит";
  s->Asdu = 7;
  ASSERT_TRUE(s->ApplyCounts(Counts(2, 1, 0, 0, 0, 0)));
  EXPECT_EQ(s->Caption(), "5_КП");
  EXPECT_EQ(Names(s->List(kKindTS)),
            (std::vector<std::string>{"3_Порт.5_КП.Пр1", "3_Порт.5_КП.Пр2"}));

  const ByteVec station = Blk(
      206, {Rec(48, {1}),
            Rec(77, Text65("Щит")),
            Rec(1, {5}),
            Rec(108, {7}),
            Rec(27, {2}),
            Rec(62, {5}),
            Rec(57, {0xD0, 0x07}),
            Rec(58, {0xB8, 0x0B}),
            Rec(17, {0xC0, 0x27, 0x09, 0x00}),
            Rec(63, U32(0)),
            Rec(64, U32(0)),
            Rec(65, U32(0)),
            Rec(31, U32(0)),
            Rec(59, {0}),
            Rec(20, {6}),
            Rec(44, {2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
            Rec(46, ByteVec(256, 0)),
            Rec(60, {1}),
            Rec(61, {1}),
            Rec(10, {0x00, 0x20}),
            Rec(100, {0x00, 0xC0}),
            Rec(12, {0x00, 0x60}),
            Rec(11, {0x00, 0x40}),
            Rec(76, {0x00, 0xA0}),
            Rec(51, {0x00, 0x80}),
            Blk(211, {Rec(48, {1}), Rec(13, U16(2)),
                      Rec(41, Names65({"3_Порт.5_КП.Пр1", "3_Порт.5_КП.Пр2"})), Rec(78, {0, 0})}),
            Blk(212, {Rec(48, {1}), Rec(15, U16(1)), Rec(41, Text65("3_Порт.5_КП.Пр1"))})});
  EXPECT_EQ(test::SaveItem(*s), station);

  // The port: its count, its board, the link state named after the place, the station.
  EXPECT_EQ(port->DeviceCount, 1);
  EXPECT_EQ(test::SaveItem(*port),
            Blk(112, {Rec(48, {1}), Rec(1, {3}), Rec(20, {1}), Rec(30, {34}),
                      Blk(211, {Rec(48, {1}), Rec(13, U16(1)),
                                Rec(41, Text65("3_Порт.Щит_связь_5_КП")), Rec(78, {0})}),
                      station}));
}

// --- counts and names ---

TEST_F(KPTest, SiriusNamesByGroupAndParameterAndTakesMeasurementsFromTheGroupTable) {
  TKP* s = AddStation(AddPort(1), 4);
  s->Protocol = kProtocolSirius;
  s->GroupTypes[5] = kGroupTI11;
  s->GroupTypes[12] = kGroupTI15;
  s->GroupTypes[20] = kGroupTII36;
  // Typed measurement and total counts do not count under Сириус.
  ASSERT_TRUE(s->ApplyCounts(Counts(10, 0, 99, 99, 0, 0)));

  const std::string p = "1_Порт.4_КП.";
  EXPECT_EQ(
      Names(s->List(kKindTI)),
      (std::vector<std::string>{p + "Гр5_Пр1", p + "Гр5_Пр2", p + "Гр5_Пр3", p + "Гр5_Пр4",
                                p + "Гр5_Пр5", p + "Гр5_Пр6", p + "Гр5_Пр7", p + "Гр5_Пр8",
                                p + "Гр12_Пр1", p + "Гр12_Пр2", p + "Гр12_Пр3", p + "Гр12_Пр4"}));
  EXPECT_EQ(Formats(s->List(kKindTI)), (std::vector<int>{2, 2, 2, 2, 2, 2, 2, 2, 4, 4, 4, 4}));
  EXPECT_EQ(Names(s->List(kKindTII)), (std::vector<std::string>{p + "Гр20_Пр1", p + "Гр20_Пр2"}));
  EXPECT_EQ(s->Count(kKindTI), 12);
  EXPECT_EQ(s->Count(kKindTII), 2);
  // Discrete inputs: eight parameters to a group.
  const std::vector<std::string> ts = Names(s->List(kKindTS));
  ASSERT_EQ(ts.size(), 10u);
  EXPECT_EQ(ts[0], p + "Гр1_Пр1");
  EXPECT_EQ(ts[7], p + "Гр1_Пр8");
  EXPECT_EQ(ts[8], p + "Гр2_Пр1");
  EXPECT_EQ(ts[9], p + "Гр2_Пр2");
  EXPECT_EQ(GroupParamNames(17).back(), "Гр3_Пр1");

  // Clearing the group of the totals takes their list away; a cleared table no measurements.
  ASSERT_TRUE(s->SetGroupTypes({20}, kGroupNone));
  EXPECT_EQ(s->List(kKindTII), nullptr);
  // Group 0 never takes a type.
  ASSERT_TRUE(s->SetGroupTypes({0, 5, 12}, kGroupNone));
  EXPECT_EQ(s->GroupTypes[0], 0);
  EXPECT_EQ(s->List(kKindTI), nullptr);
  EXPECT_EQ(s->Count(kKindTI), 0);
}

TEST_F(KPTest, Iec101SizesEveryListFromItsCountAndAZeroCountRemovesTheList) {
  TPortKP* port = AddPort(2);
  TKP* s = AddStation(port, 3);
  ASSERT_TRUE(s->ApplyCounts(Counts(3, 1, 2, 1, 1, 2)));
  // The lists lead the children in the stored order.
  std::vector<int> kinds;
  for (int i = 0; i < s->ChildCount(); ++i) kinds.push_back(s->Child(i)->AsParams()->SignalKind);
  EXPECT_EQ(kinds, (std::vector<int>{kKindTS, kKindTU, kKindTI, kKindTII, kKindTR, kKindMTS}));
  EXPECT_EQ(Names(s->List(kKindTI)),
            (std::vector<std::string>{"2_Порт.3_КП.Пр1", "2_Порт.3_КП.Пр2"}));
  config.Storage().ForceRebuild();
  EXPECT_EQ(config.Storage().Count(kKindTS), 3 + 1);  // with the link state

  // The user's name of a signal survives a smaller and a larger count.
  s->List(kKindTS)->At(1)->SetName("2_Порт.3_КП.Дверь");
  ASSERT_TRUE(s->ApplyCounts(Counts(2, 1, 2, 1, 1, 2)));
  ASSERT_TRUE(s->ApplyCounts(Counts(5, 1, 2, 1, 1, 2)));
  EXPECT_EQ(s->List(kKindTS)->At(1)->Name(), "2_Порт.3_КП.Дверь");

  ASSERT_TRUE(s->ApplyCounts(Counts(0, 1, 2, 1, 1, 2)));
  EXPECT_EQ(s->List(kKindTS), nullptr);
  config.Storage().ForceRebuild();
  EXPECT_EQ(config.Storage().Count(kKindTS), 1);  // the link state alone

  // Switching to Сириус: the measurement lists follow the (empty) group table.
  s->Protocol = kProtocolVikont;
  s->UpdateSignalList();
  EXPECT_EQ(s->List(kKindTI), nullptr);
  EXPECT_EQ(s->List(kKindTII), nullptr);
  EXPECT_EQ(Names(s->List(kKindTU)), std::vector<std::string>{"2_Порт.3_КП.Гр1_Пр1"});
}

TEST_F(KPTest, CountsBeyondAListOrTheKindsPoolAreRefusedWithAMessage) {
  TPortKP* port = AddPort(1);
  TKP* a = AddStation(port, 1);
  TKP* b = AddStation(port, 2);
  EXPECT_FALSE(a->ApplyCounts(Counts(8193, 0, 0, 0, 0, 0)));
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0], "Количество сигналов ТС должно быть от 0 до 8192.");
  EXPECT_EQ(a->List(kKindTS), nullptr);

  ASSERT_TRUE(a->ApplyCounts(Counts(5000, 0, 0, 0, 0, 0)));
  // 5000 + 3191 + the two link states would be 8193.
  EXPECT_FALSE(b->ApplyCounts(Counts(3191, 0, 0, 0, 0, 0)));
  ASSERT_EQ(messages.Errors.size(), 2u);
  EXPECT_EQ(messages.Errors[1], "Сигналов ТС в конфигурации стало бы 8193, больше 8192.");
  EXPECT_EQ(b->Count(kKindTS), 0);
  EXPECT_TRUE(b->ApplyCounts(Counts(3190, 0, 0, 0, 0, 0)));
  // Fewer signals are always taken.
  EXPECT_TRUE(a->ApplyCounts(Counts(4000, 0, 0, 0, 0, 0)));

  // A group table that would overflow the measurements is refused as well.
  TKP* c = AddStation(port, 3);
  ASSERT_TRUE(c->ApplyCounts(Counts(0, 0, 8000, 0, 0, 0)));
  TKP* d = AddStation(port, 4);
  d->Protocol = kProtocolSirius;
  d->UpdateSignalList();
  std::vector<int> groups;
  for (int g = 1; g <= 30; ++g) groups.push_back(g);
  EXPECT_FALSE(d->SetGroupTypes(groups, kGroupTI11));  // 240 more than room for 192
  EXPECT_EQ(d->GroupTypes[1], 0);
  EXPECT_EQ(d->List(kKindTI), nullptr);
  EXPECT_TRUE(d->SetGroupTypes({1, 2}, kGroupTI11));
  EXPECT_EQ(d->Count(kKindTI), 16);
}

// --- the port ---

TEST_F(KPTest, LinkStatesRenumberingAndClashes) {
  TPortKP* port = AddPort(3);
  TKP* a = AddStation(port, 3);
  TKP* b = AddStation(port, 4);
  a->Place = "Подстанция";
  port->UpdateSignalList();
  EXPECT_EQ(port->CountText(), "Количество подключенных устройств = 2");
  EXPECT_EQ(Names(port->LinkStates()),
            (std::vector<std::string>{"3_Порт.Подстанция_связь_3_КП", "3_Порт.связь_4_КП"}));
  EXPECT_FALSE(a->Clashes());
  b->Number = 3;
  EXPECT_TRUE(a->Clashes());
  EXPECT_TRUE(b->Clashes());
  b->Number = 4;
  b->UpdateSignalList();

  ASSERT_TRUE(b->ApplyCounts(Counts(2, 0, 0, 0, 0, 0)));
  b->List(kKindTS)->At(0)->SetName("3_Порт.4_КП.Авария");
  port->LinkStates()->At(1)->SetName("3_Порт.Связь с Б");
  port->Renumber(5);
  EXPECT_EQ(port->Caption(), "5_Порт опроса КП");
  EXPECT_EQ(Names(b->List(kKindTS)),
            (std::vector<std::string>{"5_Порт.4_КП.Авария", "5_Порт.4_КП.Пр2"}));
  EXPECT_EQ(Names(port->LinkStates()),
            (std::vector<std::string>{"5_Порт.Подстанция_связь_3_КП", "5_Порт.Связь с Б"}));

  config.Remove(a);
  config.Remove(b);
  port->ChildrenChanged();
  EXPECT_EQ(port->LinkStates(), nullptr);
  EXPECT_EQ(port->DeviceCount, 0);
}

TEST_F(KPTest, DuplicateTakesTheSetupAndRePrefixesTheSignals) {
  TPortKP* port = AddPort(3);
  TKP* src = AddStation(port, 7);
  src->Place = "Щит";
  src->Protocol = kProtocolSirius;
  src->ReplyWait = 1500;
  src->GroupTypes[2] = kGroupTI13;
  src->BaseTS = 0x2100;
  ASSERT_TRUE(src->ApplyCounts(Counts(9, 0, 0, 0, 0, 0)));
  src->List(kKindTS)->At(8)->SetName("3_Порт.7_КП.Дверь");
  src->List(kKindTS)->At(8)->Inverted = 4;
  src->List(kKindTI)->At(1)->Gain = 2.5f;
  src->List(kKindTI)->At(1)->SetGroup("Г1");

  auto* copy = static_cast<TKP*>(port->DuplicateChild(src));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Number, 1);
  EXPECT_EQ(copy->Place, "");
  EXPECT_EQ(copy->Protocol, kProtocolSirius);
  EXPECT_EQ(copy->ReplyWait, 1500);
  EXPECT_EQ(copy->BaseTS, 0x2100);
  EXPECT_EQ(copy->GroupTypes, src->GroupTypes);
  EXPECT_EQ(copy->Counts, src->Counts);
  const std::vector<std::string> ts = Names(copy->List(kKindTS));
  ASSERT_EQ(ts.size(), 9u);
  EXPECT_EQ(ts[0], "3_Порт.1_КП.Гр1_Пр1");
  EXPECT_EQ(ts[8], "3_Порт.1_КП.Дверь");  // the user's part under the copy's prefix
  EXPECT_EQ(copy->List(kKindTS)->At(8)->Inverted, 4);
  EXPECT_EQ(copy->List(kKindTI)->At(1)->Gain, 2.5f);
  EXPECT_EQ(copy->List(kKindTI)->At(1)->Group, "Г1");
  EXPECT_EQ(copy->List(kKindTI)->At(1)->ValueFormat, 4);
  // The source is untouched.
  EXPECT_EQ(src->List(kKindTS)->At(8)->Name(), "3_Порт.7_КП.Дверь");
  EXPECT_EQ(port->DeviceCount, 2);
  EXPECT_EQ(port->DuplicateChild(port->LinkStates()), nullptr);
}

TEST_F(KPTest, AStationDraggedToAnotherPortTakesItsNamesAlong) {
  TPortKP* first = AddPort(1);
  TPortKP* second = AddPort(2);
  TKP* a = AddStation(first, 1);
  TKP* b = AddStation(second, 2);
  ASSERT_TRUE(a->ApplyCounts(Counts(2, 0, 0, 0, 0, 0)));
  a->List(kKindTS)->At(1)->SetName("1_Порт.1_КП.Насос");
  ASSERT_NE(Drop(config, a, b), nullptr);
  EXPECT_EQ(a->Parent(), second);
  EXPECT_EQ(Names(a->List(kKindTS)),
            (std::vector<std::string>{"2_Порт.1_КП.Пр1", "2_Порт.1_КП.Насос"}));
  EXPECT_EQ(first->LinkStates(), nullptr);
  EXPECT_EQ(Names(second->LinkStates()),
            (std::vector<std::string>{"2_Порт.связь_1_КП", "2_Порт.связь_2_КП"}));
  EXPECT_EQ(second->DeviceCount, 2);
}

// --- loading ---

TEST_F(KPTest, OlderBlocksWithoutAsduOrMultiStateCounts) {
  TKP* s = AddStation(AddPort(1), 1);
  // Four counts stored: no set-points and no multi-state inputs; the ASDU address is the
  // station's.
  test::LoadItem(*s, Blk(206, {Rec(48, {1}), Rec(1, {9}), Rec(27, {2}), Rec(20, {4}),
                               Rec(44, Join({U16(3), U16(0), U16(2), U16(1)}))}));
  EXPECT_EQ(s->Number, 9);
  EXPECT_EQ(s->Asdu, 9);
  EXPECT_EQ(s->Counts, (std::array<std::uint16_t, 6>{3, 0, 2, 1, 0, 0}));
  EXPECT_EQ(s->List(kKindMTS), nullptr);
  EXPECT_EQ(s->List(kKindTS)->Count(), 3);
  EXPECT_EQ(s->Caption(), "9_КП");
  EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(KPTest, AtMostSixCountsAreReadAndNoneBeyondTheRecordOr8192) {
  TKP* s = AddStation(AddPort(1), 1);
  // Key 20 says 40 counts, the record holds 7: six are read, the seventh never.
  test::LoadItem(
      *s, Blk(206, {Rec(48, {1}), Rec(1, {2}), Rec(20, {40}),
                    Rec(44, Join({U16(1), U16(2), U16(3), U16(4), U16(5), U16(6), U16(7)}))}));
  EXPECT_EQ(s->Counts, (std::array<std::uint16_t, 6>{1, 2, 3, 4, 5, 6}));
  // Key 20 says six, the record holds two and a half.
  test::LoadItem(*s, Blk(206, {Rec(48, {1}), Rec(1, {2}), Rec(20, {6}), Rec(44, {1, 0, 2, 0, 3})}));
  EXPECT_EQ(s->Counts, (std::array<std::uint16_t, 6>{1, 2, 0, 0, 0, 0}));
  EXPECT_TRUE(messages.Errors.empty());
  // A count beyond a list's 8192 is cut, with a message.
  test::LoadItem(*s,
                 Blk(206, {Rec(48, {1}), Rec(1, {2}), Rec(20, {6}),
                           Rec(44, Join({U16(20000), U16(0), U16(0), U16(0), U16(0), U16(0)}))}));
  EXPECT_EQ(s->Count(kKindTS), 8192);
  EXPECT_EQ(s->List(kKindTS)->Count(), 8192);
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0], "2_КП: количество сигналов ТС 20000, читаются первые 8192.");
}

TEST_F(KPTest, GroupCodesAboveFiveMakeNothingAndAreWrittenBack) {
  TKP* s = AddStation(AddPort(1), 1);
  ByteVec table(256, 0);
  table[3] = 9;
  table[4] = kGroupTI11;
  table[0] = 2;  // group 0 as another tool wrote it
  test::LoadItem(*s, Blk(206, {Rec(48, {1}), Rec(1, {6}), Rec(27, {0}), Rec(46, table)}));
  EXPECT_EQ(Names(s->List(kKindTI)).size(), 8u);
  EXPECT_EQ(Names(s->List(kKindTI))[0], "1_Порт.6_КП.Гр4_Пр1");
  const ByteVec saved = test::SaveItem(*s);
  const ByteVec record = Rec(46, table);
  EXPECT_NE(std::search(saved.begin(), saved.end(), record.begin(), record.end()), saved.end());
  // A shorter table fills the groups it holds.
  test::LoadItem(*s, Blk(206, {Rec(48, {1}), Rec(1, {6}), Rec(27, {0}), Rec(46, {0, 1})}));
  EXPECT_EQ(s->Count(kKindTI), 8);
}

// A station block of a newer version is kept whole; the stations after it, the link-state
// names and the rest of the configuration load, and a resave writes the same image.
TEST_F(KPTest, ANewerStationIsKeptAndCostsNothingAfterIt) {
  TPortKP* port = AddPort(1);
  TKP* a = AddStation(port, 1);
  TKP* b = AddStation(port, 2);
  TKP* c = AddStation(port, 3);
  ASSERT_TRUE(a->ApplyCounts(Counts(1, 0, 0, 0, 0, 0)));
  ASSERT_TRUE(b->ApplyCounts(Counts(2, 0, 0, 0, 0, 0)));
  ASSERT_TRUE(c->ApplyCounts(Counts(3, 0, 1, 0, 0, 0)));
  c->List(kKindTS)->At(2)->SetName("1_Порт.3_КП.Насос");
  port->LinkStates()->At(2)->SetName("1_Порт.Связь с третьим");
  std::vector<std::uint8_t> bytes = test::Build(config);
  ASSERT_FALSE(bytes.empty());
  // The second station's version becomes 2.
  const std::size_t portAt = test::TopBlocks(bytes, kPortKP)[0];
  std::size_t stationAt = portAt + 8;
  for (int seen = 0;;) {
    const bool block = bytes[stationAt] == 0xF1;
    const int id = bytes[stationAt + 2] | bytes[stationAt + 3] << 8;
    if (block && id == kKPDevice && ++seen == 2) break;
    stationAt += test::GetU32(bytes, stationAt + 4);
  }
  const std::size_t version = stationAt + 8;
  ASSERT_EQ(bytes[version + 4], 9);  // record length of key 48
  ASSERT_EQ(bytes[version + 8], 1);
  bytes[version + 8] = 2;
  test::Restamp(bytes);

  RecordingMessages loadMessages;
  Configuration loaded(loadMessages);
  ASSERT_TRUE(test::Load(loaded, bytes));
  ASSERT_EQ(loadMessages.Errors.size(), 1u);
  EXPECT_EQ(loadMessages.Errors[0], "Новая версия КП");
  auto* lport = dynamic_cast<TPortKP*>(loaded.Controller().Proc()->Child(1));
  ASSERT_NE(lport, nullptr);
  ASSERT_EQ(lport->Stations().size(), 2u);
  EXPECT_TRUE(dynamic_cast<TUnknown*>(lport->Child(2)) != nullptr);
  EXPECT_EQ(lport->Stations()[1]->List(kKindTS)->At(2)->Name(), "1_Порт.3_КП.Насос");
  EXPECT_EQ(lport->LinkStates()->Count(), 3);
  EXPECT_EQ(lport->LinkStates()->At(2)->Name(), "1_Порт.Связь с третьим");
  EXPECT_EQ(test::Build(loaded), bytes);
}

// Damaged station and IEC-104 blocks (every 13th byte of the polling ports set to 0x00,
// 0xFF or 0x7F in turn): loading reads nothing past a record or a block, and whatever loads
// is saved and read back to the same image.
TEST_F(KPTest, DamagedBlocksLoadOrAreRefusedAndResaveTheSame) {
  TPortKP* port = AddPort(1);
  TKP* a = AddStation(port, 1);
  TKP* b = AddStation(port, 2);
  a->Protocol = kProtocolSirius;
  a->GroupTypes[1] = kGroupTI13;
  a->GroupTypes[2] = kGroupTII36;
  ASSERT_TRUE(a->ApplyCounts(Counts(9, 1, 0, 0, 1, 0)));
  ASSERT_TRUE(b->ApplyCounts(Counts(2, 1, 3, 1, 1, 2)));
  auto* iec =
      static_cast<TCountedPort*>(config.Append(config.Controller().Proc(), MakePort(config, 128)));
  iec->Renumber(2);
  auto* d = static_cast<TCountedDevice*>(iec->AddChild(224));
  ASSERT_TRUE(d->ApplyCounts(Counts(1, 0, 2, 0, 0, 1)));
  const std::vector<std::uint8_t> good = test::Build(config);
  ASSERT_FALSE(good.empty()) << messages.Errors.front();
  const std::size_t from = test::TopBlocks(good, kPortKP)[0];
  const std::size_t to =
      test::TopBlocks(good, 128)[0] + test::GetU32(good, test::TopBlocks(good, 128)[0] + 4);
  const std::uint8_t values[] = {0x00, 0xFF, 0x7F};
  int loadedCount = 0, step = 0;
  for (std::size_t at = from; at < to; at += 13, ++step) {
    std::vector<std::uint8_t> bytes = good;
    bytes[at] = values[step % 3];
    test::Restamp(bytes);
    SilentMessages quiet;
    Configuration loaded(quiet);
    if (!test::Load(loaded, bytes)) continue;
    ++loadedCount;
    const std::vector<std::uint8_t> again = test::Build(loaded);
    if (again.empty()) continue;  // a save check refused what the damage made
    Configuration reloaded(quiet);
    ASSERT_TRUE(test::Load(reloaded, again)) << "offset " << at;
    EXPECT_EQ(test::Build(reloaded), again) << "offset " << at;
  }
  EXPECT_GT(loadedCount, 0);
}

}  // namespace
}  // namespace vilk
