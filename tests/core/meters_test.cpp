// Energy meters: the records of the three port and meter kinds byte for byte, the signals
// their ticks give, the link states, renumbering and duplicating, and what odd files hold.
#include "ports/meters/meters.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "model/tree_rules.h"
#include "record_spelling.h"
#include "signals/params.h"
#include "signals/storage.h"
#include "test_items.h"

namespace vilk {
namespace {

using test::Blk;
using test::ByteVec;
using test::Join;
using test::Place65;
using test::Rec;
using test::U16;
using test::U32;

ByteVec Text65(const std::string& utf8) {
  return Place65(Utf8ToCp1251(utf8));
}
// The 32-byte parameter set with the given bits set.
ByteVec Bits(std::initializer_list<int> bits) {
  ByteVec set(32, 0);
  for (int b : bits)
    set[static_cast<std::size_t>(b / 8)] |= static_cast<std::uint8_t>(1 << (b % 8));
  return set;
}
// An own list block of ТИ (213, count key 14) or ТИИ (214, count key 75) with these names.
ByteVec ListBlock(int kind, const std::vector<std::string>& names) {
  ByteVec packed;
  for (const std::string& n : names) {
    const ByteVec one = Text65(n);
    packed.insert(packed.end(), one.begin(), one.end());
  }
  const int n = static_cast<int>(names.size());
  if (kind == kKindTI)
    return Blk(213,
               {Rec(48, {1}), Rec(14, U16(n)), Rec(41, packed), Rec(46, ByteVec(names.size(), 0))});
  return Blk(214, {Rec(48, {1}), Rec(75, U16(n)), Rec(41, packed)});
}
std::vector<std::string> Names(const TParams* list) {
  std::vector<std::string> names;
  if (list)
    for (int i = 0; i < list->Count(); ++i) names.push_back(list->At(i)->Name());
  return names;
}

class MetersTest : public ::testing::Test {
 protected:
  template <typename P>
  P* AddPort(int code, int number) {
    auto* port = static_cast<P*>(config.Append(config.Controller().Proc(), MakePort(config, code)));
    port->Renumber(static_cast<std::uint8_t>(number));
    return port;
  }
  template <typename M>
  M* AddMeter(TMeterPort* port) {
    return static_cast<M*>(port->AddChild(port->MeterKind()));
  }
  static void Tick(TMeter* meter, std::initializer_list<int> items) {
    for (int i : items) meter->SetTicked(i, true);
    meter->UpdateSignalList();
  }

  RecordingMessages messages;
  Configuration config{messages};
};

// --- records ---

TEST_F(MetersTest, PortRecordsByteForByte) {
  auto* ce303 = AddPort<TPortCE303>(kPortCE303, 3);
  test::LinkToBoard(ce303, 34);
  EXPECT_EQ(ce303->Caption(), "3_Порт CE303");
  EXPECT_EQ(test::SaveItem(*ce303), Blk(118, {Rec(48, {1}), Rec(1, {3}), Rec(31, {3}),
                                              Rec(95, {0, 0}), Rec(20, {0}), Rec(30, {34})}));

  // CE318 has no TCP port; unlinked, there is no key 30.
  auto* ce318 = AddPort<TPortCE318>(kPortCE318, 5);
  ce318->Period = 60;
  EXPECT_EQ(ce318->Caption(), "5_Порт CE318");
  EXPECT_EQ(test::SaveItem(*ce318),
            Blk(135, {Rec(48, {1}), Rec(1, {5}), Rec(31, {60}), Rec(20, {0})}));

  auto* cc301 = AddPort<TPortCC301>(kPortCC301, 2);
  cc301->Period = 15;
  cc301->TcpPort = 8080;  // 0x1F90
  EXPECT_EQ(cc301->Caption(), "2_Порт CC301");
  EXPECT_EQ(test::SaveItem(*cc301), Blk(106, {Rec(48, {1}), Rec(1, {2}), Rec(31, {15}),
                                              Rec(95, {0x90, 0x1F}), Rec(20, {0})}));
}

// A CE303 meter with only "Частота сети" has one ТИ signal and no ТИИ list; the port
// block holds its link-state list before the meter.
TEST_F(MetersTest, CE303MeterAndItsPortByteForByte) {
  auto* port = AddPort<TPortCE303>(kPortCE303, 3);
  auto* m = AddMeter<TCE303>(port);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->Number, 1);
  EXPECT_EQ(m->Attempts, 0);
  m->SetAddress(7);
  m->Place = "Щит";
  m->Attempts = 3;
  Tick(m, {2});
  EXPECT_EQ(m->Caption(), "7_CE303");
  EXPECT_EQ(Names(m->Measurements()), std::vector<std::string>{"3_Порт.7_CE303.Частота"});
  EXPECT_EQ(m->Counters(), nullptr);
  EXPECT_EQ(m->Measurements()->At(0)->ValueFormat, 4);

  const ByteVec meter = Blk(217, {Rec(48, {1}), Rec(77, Text65("Щит")), Rec(1, {7}), Rec(62, {3}),
                                  Rec(44, Join({{0x04}, ByteVec(31, 0)})),
                                  ListBlock(kKindTI, {"3_Порт.7_CE303.Частота"})});
  EXPECT_EQ(test::SaveItem(*m), meter);
  const ByteVec links = Blk(211, {Rec(48, {1}), Rec(13, U16(1)),
                                  Rec(41, Text65("3_Порт.связь_7_CE303_Щит")), Rec(78, {0})});
  EXPECT_EQ(test::SaveItem(*port), Blk(118, {Rec(48, {1}), Rec(1, {3}), Rec(31, {3}),
                                             Rec(95, {0, 0}), Rec(20, {1}), links, meter}));

  // The same block read into a fresh port gives the same meter.
  auto* other = AddPort<TPortCE303>(kPortCE303, 3);
  test::LoadItem(*other, test::SaveItem(*port));
  ASSERT_EQ(other->Meters().size(), 1u);
  TMeter* read = other->Meters()[0];
  EXPECT_EQ(read->Place, "Щит");
  EXPECT_EQ(read->Attempts, 3);
  EXPECT_EQ(test::SaveItem(*read), meter);
}

// CE318 stores a four-byte address; 40000000 is 00 5A 62 02.
TEST_F(MetersTest, CE318FourByteAddressByteForByte) {
  auto* port = AddPort<TPortCE318>(kPortCE318, 5);
  auto* m = AddMeter<TCE318>(port);
  EXPECT_EQ(m->NetAddress, 1u);
  m->SetAddress(40000000);
  Tick(m, {7});  // "Энергия суммарная положительная активная": a counter
  EXPECT_EQ(m->Number, 1) << "the item number is not the address";
  EXPECT_EQ(m->Caption(), "40000000_CE318");
  EXPECT_EQ(m->Measurements(), nullptr);
  const ByteVec meter =
      Blk(233, {Rec(48, {1}), Rec(77, Text65("")), Rec(1, {0x00, 0x5A, 0x62, 0x02}), Rec(62, {0}),
                Rec(44, Bits({7})),
                ListBlock(kKindTII, {"5_Порт.40000000_CE318.Энергия_Сумм_Акт_Полож"})});
  EXPECT_EQ(test::SaveItem(*m), meter);

  auto* other = AddPort<TPortCE318>(kPortCE318, 5);
  test::LoadItem(*other, test::SaveItem(*port));
  ASSERT_EQ(other->Meters().size(), 1u);
  EXPECT_EQ(other->Meters()[0]->Address(), 40000000u);
  EXPECT_EQ(test::SaveItem(*other->Meters()[0]), meter);
  // The captions of CE318 items lose the "(CE303)" marks.
  EXPECT_STREQ(MeterParams(kMeterCE318)[5].Caption, "Мощность мгновенная реактивная суммарная");
  EXPECT_STREQ(MeterParams(kMeterCE303)[5].Caption,
               "Мощность мгновенная реактивная суммарная  (CE303)");
}

// CC301 with the energy as ТИ and as ТИИ: the two extra keys and where the energy goes.
TEST_F(MetersTest, CC301EnergyAsTIOrTIIByteForByte) {
  auto* port = AddPort<TPortCC301>(kPortCC301, 2);
  auto* m = AddMeter<TCC301>(port);
  m->SetAddress(4);
  Tick(m, {2, 6});
  const std::vector<std::string> energy{
      "2_Порт.4_CC301.Энергия_Сумм_Акт_Полож", "2_Порт.4_CC301.Энергия_Сумм_Акт_Отриц",
      "2_Порт.4_CC301.Энергия_Сумм_Реакт_Полож", "2_Порт.4_CC301.Энергия_Сумм_Реакт_Отриц"};
  EXPECT_EQ(Names(m->Measurements()), std::vector<std::string>{"2_Порт.4_CC301.Частота"});
  EXPECT_EQ(Names(m->Counters()), energy);
  EXPECT_EQ(
      test::SaveItem(*m),
      Blk(216, {Rec(48, {1}), Rec(77, Text65("")), Rec(1, {4}), Rec(62, {0}), Rec(44, Bits({2, 6})),
                Rec(8, {0}), Rec(73, {0}), ListBlock(kKindTI, {"2_Порт.4_CC301.Частота"}),
                ListBlock(kKindTII, energy)}));

  m->EnergyKind = 1;
  m->RatioFlag = 1;
  m->UpdateSignalList();
  std::vector<std::string> all{"2_Порт.4_CC301.Частота"};
  all.insert(all.end(), energy.begin(), energy.end());
  EXPECT_EQ(Names(m->Measurements()), all);
  EXPECT_EQ(m->Counters(), nullptr);
  EXPECT_EQ(m->ChildCount(), 1);
  EXPECT_EQ(test::SaveItem(*m),
            Blk(216, {Rec(48, {1}), Rec(77, Text65("")), Rec(1, {4}), Rec(62, {0}),
                      Rec(44, Bits({2, 6})), Rec(8, {1}), Rec(73, {1}), ListBlock(kKindTI, all)}));
}

// --- signals the ticks give ---

TEST_F(MetersTest, ListsFollowTheTicksTheCountersListLast) {
  auto* port = AddPort<TPortCE303>(kPortCE303, 1);
  auto* m = AddMeter<TCE303>(port);
  EXPECT_EQ(m->ChildCount(), 0);
  Tick(m, {0});
  EXPECT_EQ(Names(m->Measurements()),
            (std::vector<std::string>{"1_Порт.1_CE303.Напряжение_А", "1_Порт.1_CE303.Напряжение_B",
                                      "1_Порт.1_CE303.Напряжение_C"}));
  // Ticking a counter creates the ТИИ list as the meter's last child.
  Tick(m, {7});
  ASSERT_EQ(m->ChildCount(), 2);
  EXPECT_EQ(m->Child(0), m->Measurements());
  EXPECT_EQ(m->Child(1), m->Counters());
  // Unticking every measurement removes the ТИ list; a new measurement list goes first.
  m->SetTicked(0, false);
  m->UpdateSignalList();
  ASSERT_EQ(m->ChildCount(), 1);
  EXPECT_EQ(m->Child(0), m->Counters());
  Tick(m, {3});
  ASSERT_EQ(m->ChildCount(), 2);
  EXPECT_EQ(m->Child(0), m->Measurements());
  EXPECT_EQ(Names(m->Measurements()),
            std::vector<std::string>{"1_Порт.1_CE303.Мощность_Мгнов_Акт_Полная"});
  // Every item: 3 + 3 + 1 + 1 + 3 + 1 + 3 measurements and 4 counters, in bit order.
  Tick(m, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  EXPECT_EQ(m->Measurements()->Count(), 15);
  EXPECT_EQ(Names(m->Counters()).back(), "1_Порт.1_CE303.Энергия_Сумм_Реакт_Отриц");
  EXPECT_EQ(m->Counters()->Count(), 4);
  // The pool holds them after the link state.
  config.Storage().ForceRebuild();
  EXPECT_EQ(config.Storage().List(kKindTI).Count(), 15);
  EXPECT_EQ(config.Storage().List(kKindTII).Count(), 4);
  EXPECT_EQ(config.Storage().List(kKindTS).At(0)->Name(), "1_Порт.связь_1_CE303");
}

TEST_F(MetersTest, CC301AllItemsAsTIAndBack) {
  auto* port = AddPort<TPortCC301>(kPortCC301, 1);
  auto* m = AddMeter<TCC301>(port);
  for (int i = 0; i < 9; ++i) m->SetTicked(i, true);
  m->EnergyKind = 1;
  m->UpdateSignalList();
  EXPECT_EQ(m->Measurements()->Count(), 31);
  EXPECT_EQ(m->Counters(), nullptr);
  EXPECT_EQ(Names(m->Measurements())[7], "1_Порт.1_CC301.Мощность_Мгнов_Акт_полная");
  EXPECT_EQ(Names(m->Measurements())[30], "1_Порт.1_CC301.Энергия_Прошл_сутки_Реакт_Отриц");
  m->EnergyKind = 0;
  m->UpdateSignalList();
  EXPECT_EQ(m->Measurements()->Count(), 19);
  EXPECT_EQ(m->Counters()->Count(), 12);
  EXPECT_EQ(Names(m->Counters())[4], "1_Порт.1_CC301.Энергия_Текущ_сутки_Акт_Полож");
  EXPECT_EQ(m->ChildCount(), 2);
}

// --- odd files ---

// Bits past the family's list and an energy kind past its two choices: nothing is read
// for them, and they are written back as they were.
TEST_F(MetersTest, BitsWithoutAParameterAreKeptAndNeverRead) {
  auto* port = AddPort<TPortCC301>(kPortCC301, 1);
  auto* m = AddMeter<TCC301>(port);
  const ByteVec stored = Blk(216, {Rec(48, {1}), Rec(77, Text65("")), Rec(1, {1}), Rec(62, {2}),
                                   Rec(44, Bits({2, 9, 31, 255})), Rec(8, {7}), Rec(73, {9})});
  test::LoadItem(*m, stored);
  EXPECT_EQ(m->StrayBits(), (std::vector<int>{9, 31, 255}));
  EXPECT_EQ(Names(m->Measurements()), std::vector<std::string>{"1_Порт.1_CC301.Частота"});
  EXPECT_FALSE(m->EnergyAsTI());
  EXPECT_FALSE(m->Ticked(9));
  EXPECT_FALSE(m->Ticked(-1));
  m->SetTicked(9, false);  // no parameter there: nothing to change
  m->SetTicked(1000, true);
  EXPECT_EQ(test::SaveItem(*m),
            Blk(216, {Rec(48, {1}), Rec(77, Text65("")), Rec(1, {1}), Rec(62, {2}),
                      Rec(44, Bits({2, 9, 31, 255})), Rec(8, {7}), Rec(73, {9}),
                      ListBlock(kKindTI, {"1_Порт.1_CC301.Частота"})}));
  // Ticking a real item keeps the others.
  Tick(m, {0});
  EXPECT_EQ(m->StrayBits(), (std::vector<int>{9, 31, 255}));

  // A set longer than 32 bytes is cut, a shorter one leaves the rest clear.
  auto* ce303 = AddMeter<TCE303>(AddPort<TPortCE303>(kPortCE303, 2));
  ByteVec longSet = Bits({1});
  longSet.resize(40, 0xFF);
  test::LoadItem(*ce303, Blk(217, {Rec(48, {1}), Rec(1, {1}), Rec(44, longSet)}));
  EXPECT_EQ(ce303->StrayBits().size(), 0u);
  EXPECT_EQ(ce303->Measurements()->Count(), 3);
  test::LoadItem(*ce303, Blk(217, {Rec(48, {1}), Rec(1, {1}), Rec(44, {0x04})}));
  EXPECT_EQ(Names(ce303->Measurements()), std::vector<std::string>{"2_Порт.1_CE303.Частота"});
}

TEST_F(MetersTest, ZeroAttemptsAreKeptOnLoad) {
  auto* m = AddMeter<TCE303>(AddPort<TPortCE303>(kPortCE303, 1));
  m->Attempts = 5;
  const ByteVec stored =
      Blk(217, {Rec(48, {1}), Rec(77, Text65("")), Rec(1, {9}), Rec(62, {0}), Rec(44, Bits({}))});
  test::LoadItem(*m, stored);
  EXPECT_EQ(m->Attempts, 0);
  EXPECT_EQ(m->ChildCount(), 0);
  EXPECT_EQ(test::SaveItem(*m), stored);
}

// A meter of a newer version is kept whole in its place; the meter after it is read.
TEST_F(MetersTest, NewerMeterIsKeptAndTheNextOneRead) {
  const ByteVec newer = Blk(217, {Rec(48, {2}), Rec(1, {4}), Rec(200, {1, 2, 3})});
  const ByteVec meter =
      Blk(217, {Rec(48, {1}), Rec(77, Text65("")), Rec(1, {5}), Rec(62, {2}), Rec(44, Bits({2})),
                ListBlock(kKindTI, {"1_Порт.5_CE303.Частота"})});
  const ByteVec links =
      Blk(211, {Rec(48, {1}), Rec(13, U16(2)),
                Rec(41, Join({Text65("1_Порт.Связь 4"), Text65("1_Порт.связь_5_CE303")})),
                Rec(78, {0, 0})});
  const ByteVec port = Blk(118, {Rec(48, {1}), Rec(1, {1}), Rec(31, {3}), Rec(95, {0, 0}),
                                 Rec(20, {2}), links, newer, meter});
  auto* p = AddPort<TPortCE303>(kPortCE303, 1);
  test::LoadItem(*p, port);
  ASSERT_EQ(p->ChildCount(), 3);
  EXPECT_TRUE(p->Child(1)->IsKept());
  ASSERT_EQ(p->Meters().size(), 1u);
  EXPECT_EQ(p->Meters()[0]->Address(), 5u);
  EXPECT_EQ(Names(p->Meters()[0]->Measurements()),
            std::vector<std::string>{"1_Порт.5_CE303.Частота"});
  EXPECT_EQ(messages.Errors, std::vector<std::string>{"Новая версия CE303"});
  EXPECT_EQ(test::SaveItem(*p), port);
}

// Every byte of a meter port's block changed in turn: each image either loads or is
// refused, never read out of bounds (the sanitizers watch), and what loads saves into an
// image that loads back into itself.
TEST_F(MetersTest, DamagedMeterBlocksLoadOrAreRefusedAndRoundTrip) {
  auto* port = AddPort<TPortCC301>(kPortCC301, 1);
  test::LinkToBoard(port, 33);
  auto* m = AddMeter<TCC301>(port);
  m->Place = "Щ";
  Tick(m, {2});
  const std::vector<std::uint8_t> image = test::Build(config);
  ASSERT_FALSE(image.empty());
  const std::size_t at = test::TopBlocks(image, kPortCC301).at(0);
  const std::size_t length = test::GetU32(image, at + 4);
  int loaded = 0;
  for (std::size_t i = at; i < at + length; ++i) {
    // The zero padding of names (runs longer than a length field's) adds nothing.
    if (i > at + 2 && !image[i - 2] && !image[i - 1] && !image[i] && !image[i + 1]) continue;
    std::vector<std::uint8_t> bytes = image;
    bytes[i] ^= 0x5A;
    test::Restamp(bytes);
    RecordingMessages quiet;
    Configuration first(quiet);
    if (!test::Load(first, bytes)) continue;
    ++loaded;
    const std::vector<std::uint8_t> again = test::Build(first);
    if (again.empty()) continue;  // refused to save (a check said why)
    Configuration second(quiet);
    ASSERT_TRUE(test::Load(second, again)) << "byte " << i - at;
    EXPECT_EQ(test::Build(second), again) << "byte " << i - at;
  }
  EXPECT_GT(loaded, 0);
}

// A meter port of a newer version is kept whole; the port after it is read.
TEST_F(MetersTest, NewerPortIsKeptAndThePortsAfterItRead) {
  auto* first = AddPort<TPortCE318>(kPortCE318, 1);
  test::LinkToBoard(first, 33);
  Tick(AddMeter<TCE318>(first), {2});
  auto* second = AddPort<TPortCC301>(kPortCC301, 2);
  test::LinkToBoard(second, 34);
  Tick(AddMeter<TCC301>(second), {6});
  std::vector<std::uint8_t> bytes = test::Build(config);
  ASSERT_FALSE(bytes.empty());
  const std::size_t version = test::FindRecord(bytes, test::TopBlocks(bytes, kPortCE318).at(0), 48);
  ASSERT_EQ(bytes[version + 8], 1);
  bytes[version + 8] = 2;
  test::Restamp(bytes);

  RecordingMessages loadMessages;
  Configuration loaded(loadMessages);
  ASSERT_TRUE(test::Load(loaded, bytes));
  EXPECT_EQ(loadMessages.Errors, std::vector<std::string>{"Новая версия CE318"});
  TItem* proc = loaded.Controller().Proc();
  ASSERT_EQ(proc->ChildCount(), 3);
  EXPECT_TRUE(proc->Child(1)->IsKept());
  auto* read = dynamic_cast<TMeterPort*>(proc->Child(2));
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->Meters().size(), 1u);
  EXPECT_EQ(read->Meters()[0]->Counters()->Count(), 4);
  // Its signals keep their pool numbers behind the kept port's.
  EXPECT_EQ(loaded.Storage().SignalNumber(kKindTII, read->Meters()[0]->Counters()->At(0)), 0xA000);
  const std::vector<std::uint8_t> again = test::Build(loaded);
  ASSERT_EQ(again.size(), bytes.size());
  EXPECT_TRUE(std::equal(bytes.begin() + 128, bytes.end() - 2, again.begin() + 128));
}

// --- the port and its meters ---

TEST_F(MetersTest, LinkStatesFollowTheMetersAndThePortNumber) {
  auto* port = AddPort<TPortCE303>(kPortCE303, 3);
  EXPECT_EQ(port->LinkStates(), nullptr);
  TMeter* a = AddMeter<TCE303>(port);
  a->Place = "Ввод 1";
  a->UpdateSignalList();
  TMeter* b = AddMeter<TCE303>(port);
  b->SetAddress(2);
  Tick(b, {2});
  EXPECT_EQ(port->MeterCount, 2);
  EXPECT_EQ(port->CountText(), "Количество подключенных устройств = 2");
  EXPECT_EQ(Names(port->LinkStates()),
            (std::vector<std::string>{"3_Порт.связь_1_CE303_Ввод 1", "3_Порт.связь_2_CE303"}));

  port->Renumber(4);
  EXPECT_EQ(port->Caption(), "4_Порт CE303");
  EXPECT_EQ(Names(b->Measurements()), std::vector<std::string>{"4_Порт.2_CE303.Частота"});
  EXPECT_EQ(Names(port->LinkStates()),
            (std::vector<std::string>{"4_Порт.связь_1_CE303_Ввод 1", "4_Порт.связь_2_CE303"}));

  config.Remove(a);
  config.Remove(b);
  port->ChildrenChanged();
  EXPECT_EQ(port->LinkStates(), nullptr);
  EXPECT_EQ(port->MeterCount, 0);
}

// A meter dragged onto a meter of another port of its family joins that port: its names
// and both ports' link states follow.
TEST_F(MetersTest, AMeterDroppedOnAnotherPortTakesItsPrefix) {
  auto* from = AddPort<TPortCE303>(kPortCE303, 1);
  auto* to = AddPort<TPortCE303>(kPortCE303, 2);
  TMeter* moving = AddMeter<TCE303>(from);
  moving->SetAddress(5);
  Tick(moving, {2});
  AddMeter<TCE303>(from);
  TMeter* target = AddMeter<TCE303>(to);
  ASSERT_EQ(Drop(config, moving, target), to);
  EXPECT_EQ(moving->Parent(), to);
  EXPECT_EQ(Names(moving->Measurements()), std::vector<std::string>{"2_Порт.5_CE303.Частота"});
  EXPECT_EQ(Names(to->LinkStates()),
            (std::vector<std::string>{"2_Порт.связь_5_CE303", "2_Порт.связь_1_CE303"}));
  EXPECT_EQ(Names(from->LinkStates()), std::vector<std::string>{"1_Порт.связь_1_CE303"});
  EXPECT_EQ(from->MeterCount, 1);
  EXPECT_EQ(to->MeterCount, 2);
  // Meters go only to ports of their own family.
  auto* cc301 = AddPort<TPortCC301>(kPortCC301, 3);
  EXPECT_FALSE(CanDrop(moving, AddMeter<TCC301>(cc301)));
}

TEST_F(MetersTest, EqualAddressesAreAllowedAndShown) {
  auto* port = AddPort<TPortCE318>(kPortCE318, 1);
  TMeter* a = AddMeter<TCE318>(port);
  TMeter* b = AddMeter<TCE318>(port);
  EXPECT_TRUE(a->Clashes());
  b->SetAddress(40000000);
  EXPECT_FALSE(a->Clashes());
  a->SetAddress(40000000);
  EXPECT_TRUE(b->Clashes());
  // Addresses negative as signed 32-bit numbers never count as equal.
  a->SetAddress(0x80000000u);
  b->SetAddress(0x80000000u);
  EXPECT_FALSE(a->Clashes());
  EXPECT_FALSE(b->Clashes());
}

// A copy takes the lowest free address, so its names have a prefix of their own; names the
// user gave keep their own part.
TEST_F(MetersTest, DuplicateHasItsOwnPrefixAndKeepsUserNames) {
  auto* port = AddPort<TPortCE303>(kPortCE303, 1);
  TMeter* src = AddMeter<TCE303>(port);
  src->Place = "Щит";
  Tick(src, {2, 7});
  src->Measurements()->At(0)->SetName("1_Порт.1_CE303.Частота сети ввода");
  src->Counters()->At(0)->Gain = 0;  // counters carry nothing else

  auto* copy = dynamic_cast<TMeter*>(port->DuplicateChild(src));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Address(), 2u);
  EXPECT_EQ(copy->Place, "Щит");
  EXPECT_EQ(copy->ParamSet, src->ParamSet);
  EXPECT_EQ(Names(copy->Measurements()),
            std::vector<std::string>{"1_Порт.2_CE303.Частота сети ввода"});
  EXPECT_EQ(Names(copy->Counters()),
            std::vector<std::string>{"1_Порт.2_CE303.Энергия_Сумм_Акт_Полож"});
  EXPECT_EQ(Names(src->Measurements()),
            std::vector<std::string>{"1_Порт.1_CE303.Частота сети ввода"});
  EXPECT_FALSE(copy->Clashes());
  EXPECT_EQ(port->MeterCount, 2);
  EXPECT_EQ(port->LinkStates()->Count(), 2);
  EXPECT_EQ(port->DuplicateChild(port->LinkStates()), nullptr);
  // No name twice in the pool.
  config.Storage().ForceRebuild();
  const TParams& ti = config.Storage().List(kKindTI);
  ASSERT_EQ(ti.Count(), 2);
  EXPECT_NE(ti.At(0)->Name(), ti.At(1)->Name());
}

// --- the whole configuration ---

TEST_F(MetersTest, UnlinkedMeterPortWarnsOnSave) {
  auto* port = AddPort<TPortCE303>(kPortCE303, 1);
  AddMeter<TCE303>(port);
  EXPECT_FALSE(test::Build(config).empty());
  EXPECT_EQ(messages.Errors, std::vector<std::string>{"Не все порты связаны с COM."});
  test::LinkToBoard(port, 33);
  messages.Errors.clear();
  EXPECT_FALSE(test::Build(config).empty());
  EXPECT_TRUE(messages.Errors.empty());
}

// The count byte holds 255: a 256th meter is refused when added or copied, and a file that
// brings more (read whole, nothing dropped) cannot be saved with a wrong count.
TEST_F(MetersTest, AtMost255MetersPerPort) {
  auto* port = AddPort<TPortCE303>(kPortCE303, 1);
  test::LinkToBoard(port, 33);
  for (int i = 0; i < kMaxMetersPerPort; ++i) ASSERT_NE(AddMeter<TCE303>(port), nullptr);
  EXPECT_EQ(port->MeterCount, 255);
  EXPECT_TRUE(messages.Errors.empty());
  EXPECT_EQ(AddMeter<TCE303>(port), nullptr);
  EXPECT_EQ(port->DuplicateChild(port->Meters()[0]), nullptr);
  EXPECT_EQ(messages.Errors, (std::vector<std::string>(
                                 2, "1_Порт CE303: на порту не может быть больше 255 счётчиков.")));
  EXPECT_EQ(port->Meters().size(), 255u);
  messages.Errors.clear();
  EXPECT_FALSE(test::Build(config).empty());
  EXPECT_TRUE(messages.Errors.empty());

  // One more meter as a crafted file would bring it.
  config.Append(port, MakeDevice(config, kPortCE303, kMeterCE303));
  port->ChildrenChanged();
  EXPECT_TRUE(test::Build(config).empty());
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{"1_Порт CE303: на порту не может быть больше 255 счётчиков.",
                                      "Сохранение прервано."}));
}

// All three families, renamed signals and link states, odd bits: the same image again.
TEST_F(MetersTest, ResaveKeepsTheRecordStream) {
  auto* ce303 = AddPort<TPortCE303>(kPortCE303, 1);
  test::LinkToBoard(ce303, 33);
  ce303->TcpPort = 4001;
  TMeter* a = AddMeter<TCE303>(ce303);
  a->Place = "Ввод";
  a->Attempts = 4;
  Tick(a, {0, 2, 7, 10});
  a->Measurements()->At(1)->SetName("1_Порт.1_CE303.Ub");
  TMeter* b = AddMeter<TCE303>(ce303);
  b->SetAddress(2);
  b->ParamSet[31] = 0x80;  // a bit no item names
  Tick(b, {1});
  ce303->LinkStates()->At(1)->SetName("1_Порт.Связь с вводом 2");

  auto* ce318 = AddPort<TPortCE318>(kPortCE318, 2);
  test::LinkToBoard(ce318, 34);
  Tick(AddMeter<TCE318>(ce318), {4, 9});
  ce318->Meters()[0]->SetAddress(40000000);
  ce318->Meters()[0]->UpdateSignalList();

  auto* cc301 = AddPort<TPortCC301>(kPortCC301, 3);
  auto* c = AddMeter<TCC301>(cc301);
  c->EnergyKind = 1;
  c->RatioFlag = 1;
  Tick(c, {5, 7});
  config.Storage().ForceRebuild();

  const std::vector<std::uint8_t> first = test::Build(config);
  ASSERT_FALSE(first.empty());
  RecordingMessages loadMessages;
  Configuration loaded(loadMessages);
  ASSERT_TRUE(test::Load(loaded, first));
  EXPECT_TRUE(loadMessages.Errors.empty()) << loadMessages.Errors.front();
  EXPECT_EQ(test::Build(loaded), first);
  EXPECT_EQ(test::DumpTree(loaded), test::DumpTree(config));
}

}  // namespace
}  // namespace vilk
