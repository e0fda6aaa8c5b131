// The IEC-104 client: the port's and the device's records byte for byte, addresses taken
// from the last octet, lists sized from the counts, duplicating, and a configuration of
// both telemechanics polling kinds that reads back into the same image.
#include "ports/telemechanics/rtu104.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/text.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "ports/telemechanics/kp.h"
#include "record_spelling.h"
#include "signals/list_edit.h"
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
std::vector<std::string> Names(const TParams* list) {
  std::vector<std::string> names;
  if (list)
    for (int i = 0; i < list->Count(); ++i) names.push_back(list->At(i)->Name());
  return names;
}

class RTU104Test : public ::testing::Test {
 protected:
  TPortRTU104* AddPort(int number) {
    auto* port = static_cast<TPortRTU104*>(
        config.Append(config.Controller().Proc(), MakePort(config, kPortRTU104)));
    port->Renumber(static_cast<std::uint8_t>(number));
    return port;
  }
  TRTU104* AddDevice(TPortRTU104* port, std::uint32_t ip) {
    auto* d = static_cast<TRTU104*>(port->AddChild(kRTU104Device));
    d->SetIp(ip);
    return d;
  }

  RecordingMessages messages;
  Configuration config{messages};
};

TEST_F(RTU104Test, DeviceAndPortRecordsByteForByte) {
  TPortRTU104* port = AddPort(2);
  EXPECT_EQ(port->Caption(), "2_Порт МЭК 870-5-104");
  EXPECT_EQ(port->Icon(), 0);
  EXPECT_EQ(test::SaveItem(*port),
            Blk(128, {Rec(48, {1}), Rec(1, {2}), Rec(72, {1}), Rec(20, {0})}));

  TRTU104* d = AddDevice(port, 0x0A000007);  // 10.0.0.7
  EXPECT_EQ(d->Caption(), "7_RTU104");
  EXPECT_EQ(d->Icon(), 0);
  EXPECT_EQ(port->Icon(), 2);
  ASSERT_TRUE(d->ApplyCounts({0, 0, 2, 0, 0, 0}));
  EXPECT_EQ(d->Icon(), 28);
  const ByteVec device = Blk(
      224, {Rec(48, {1}),
            Rec(77, Text65("")),
            Rec(20, {6}),
            Rec(49, {7, 0, 0, 10}),
            Rec(108, {1}),
            Rec(57, {0xD0, 0x07}),
            Rec(24, {0x10, 0x27}),
            Rec(63, {0x98, 0x3A}),
            Rec(64, {0x88, 0x13}),
            Rec(65, {0x40, 0x9C}),
            Rec(25, {0x60, 0xEA, 0x00, 0x00}),
            Rec(17, {0xC0, 0x27, 0x09, 0x00}),
            Rec(31, {0x80, 0xEE, 0x36, 0x00}),
            Rec(66, {12}),
            Rec(67, {8}),
            Rec(44, {0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0}),
            Rec(10, {0x00, 0x20}),
            Rec(100, {0x00, 0xC0}),
            Rec(12, {0x00, 0x60}),
            Rec(11, {0x00, 0x40}),
            Rec(76, {0x00, 0xA0}),
            Rec(51, {0x00, 0x80}),
            Blk(213, {Rec(48, {1}), Rec(14, U16(2)),
                      Rec(41, Join({Text65("2_Порт.7_RTU104.Пр1"), Text65("2_Порт.7_RTU104.Пр2")})),
                      Rec(46, {0, 0})})});
  EXPECT_EQ(test::SaveItem(*d), device);

  // Three devices: the port's values, the link states of the three, the three blocks.
  TRTU104* e = AddDevice(port, 0x0A000008);
  e->Place = "ПС";
  TRTU104* f = AddDevice(port, 0x0A000009);
  port->UpdateSignalList();
  const ByteVec links =
      Blk(211, {Rec(48, {1}), Rec(13, U16(3)),
                Rec(41, Join({Text65("2_Порт.связь_7_RTU104"), Text65("2_Порт.ПС_связь_8_RTU104"),
                              Text65("2_Порт.связь_9_RTU104")})),
                Rec(78, {0, 0, 0})});
  EXPECT_EQ(test::SaveItem(*port),
            Blk(128, {Rec(48, {1}), Rec(1, {2}), Rec(72, {1}), Rec(20, {3}), links, device,
                      test::SaveItem(*e), test::SaveItem(*f)}));
}

TEST_F(RTU104Test, AddressesComeFromTheLastOctet) {
  TPortRTU104* port = AddPort(1);
  TRTU104* a = AddDevice(port, 0x0A000007);  // 10.0.0.7
  TRTU104* b = AddDevice(port, 0x0A000107);  // 10.0.1.7
  EXPECT_EQ(b->Caption(), "7_RTU104");
  // Shown: the same device address; edited: not the same IP address.
  EXPECT_TRUE(a->SameAddress());
  EXPECT_TRUE(b->SameAddress());
  EXPECT_FALSE(b->SameIp());
  b->SetIp(0x0A000007);
  EXPECT_TRUE(b->SameIp());

  ASSERT_TRUE(b->ApplyCounts({1, 1, 0, 0, 0, 0}));
  b->List(kKindTS)->At(0)->SetName("1_Порт.7_RTU104.Ввод");
  b->SetIp(0x0A00000C);
  EXPECT_EQ(b->Number, 12);
  EXPECT_EQ(Names(b->List(kKindTS)), std::vector<std::string>{"1_Порт.12_RTU104.Ввод"});
  EXPECT_EQ(Names(b->List(kKindTU)), std::vector<std::string>{"1_Порт.12_RTU104.Пр1"});
  EXPECT_EQ(Names(port->LinkStates()),
            (std::vector<std::string>{"1_Порт.связь_7_RTU104", "1_Порт.связь_12_RTU104"}));

  // Every count 0: no list, image 0.
  ASSERT_TRUE(b->ApplyCounts({0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(b->ChildCount(), 0);
  EXPECT_EQ(b->Icon(), 0);
}

TEST_F(RTU104Test, LoadingTakesTheNumberFromTheAddressAndKeepsOddTimers) {
  TRTU104* d = AddDevice(AddPort(1), 0x0A000001);
  const ByteVec block = Blk(
      224, {Rec(48, {1}), Rec(20, {6}), Rec(49, {33, 1, 168, 192}), Rec(57, U16(1500)),
            Rec(24, U16(65535)), Rec(44, Join({U16(2), U16(0), U16(0), U16(0), U16(0), U16(1)}))});
  test::LoadItem(*d, block);
  EXPECT_EQ(d->Number, 33);
  EXPECT_EQ(d->Caption(), "33_RTU104");
  EXPECT_EQ(d->T0, 1500);
  EXPECT_EQ(d->ReconnectInterval, 65535);
  EXPECT_EQ(Names(d->List(kKindMTS)), std::vector<std::string>{"1_Порт.33_RTU104.Пр1"});
  // The odd values are written back as they were read.
  const ByteVec saved = test::SaveItem(*d);
  for (const ByteVec& rec : {Rec(57, U16(1500)), Rec(24, U16(65535))})
    EXPECT_NE(std::search(saved.begin(), saved.end(), rec.begin(), rec.end()), saved.end());
}

TEST_F(RTU104Test, DuplicateTakesTimersCountsAndSignalSettingsButNotTheAddress) {
  TPortRTU104* port = AddPort(1);
  TRTU104* src = AddDevice(port, 0x0A000005);
  src->Place = "Узел";
  src->T1 = 20000;
  src->K = 30;
  src->Asdu = 9;
  src->ClockSyncInterval = 0;
  ASSERT_TRUE(src->ApplyCounts({0, 0, 3, 0, 0, 0}));
  src->List(kKindTI)->At(2)->Gain = 0.1f;
  src->List(kKindTI)->At(2)->Offset = 4;
  src->List(kKindTI)->At(2)->SetName("1_Порт.5_RTU104.Ток");

  auto* copy = static_cast<TRTU104*>(port->DuplicateChild(src));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->IpAddress, 0xC0A80101u);
  EXPECT_EQ(copy->Caption(), "1_RTU104");
  EXPECT_EQ(copy->Place, "");
  EXPECT_EQ(copy->T1, 20000);
  EXPECT_EQ(copy->K, 30);
  EXPECT_EQ(copy->Asdu, 9);
  EXPECT_EQ(copy->ClockSyncInterval, 0u);
  EXPECT_EQ(copy->Counts, src->Counts);
  EXPECT_EQ(copy->List(kKindTI)->At(2)->Gain, 0.1f);
  EXPECT_EQ(copy->List(kKindTI)->At(2)->Offset, 4.0f);
  EXPECT_EQ(copy->List(kKindTI)->At(2)->Name(), "1_Порт.1_RTU104.Ток");
  EXPECT_EQ(port->DeviceCount, 2);
}

// A device block of a newer version is kept whole with its bytes; the device after it and
// the renamed link state load.
TEST_F(RTU104Test, ANewerDeviceIsKeptAndCostsNothingAfterIt) {
  TPortRTU104* port = AddPort(1);
  AddDevice(port, 0x0A000001);
  TRTU104* b = AddDevice(port, 0x0A000002);
  ASSERT_TRUE(b->ApplyCounts({2, 0, 0, 0, 0, 0}));
  b->List(kKindTS)->At(0)->SetName("1_Порт.2_RTU104.Ввод");
  port->LinkStates()->At(1)->SetName("1_Порт.Связь с РП");
  std::vector<std::uint8_t> bytes = test::Build(config);
  ASSERT_FALSE(bytes.empty());
  std::size_t at = test::TopBlocks(bytes, kPortRTU104)[0] + 8;
  while (!(bytes[at] == 0xF1 && bytes[at + 2] == kRTU104Device)) at += test::GetU32(bytes, at + 4);
  ASSERT_EQ(bytes[at + 8 + 2], 48);  // the first device's version record
  bytes[at + 8 + 8] = 3;
  test::Restamp(bytes);

  RecordingMessages loadMessages;
  Configuration loaded(loadMessages);
  ASSERT_TRUE(test::Load(loaded, bytes));
  ASSERT_EQ(loadMessages.Errors.size(), 1u);
  EXPECT_EQ(loadMessages.Errors[0], "Новая версия RTU104");
  auto* lport = dynamic_cast<TPortRTU104*>(loaded.Controller().Proc()->Child(1));
  ASSERT_NE(lport, nullptr);
  ASSERT_EQ(lport->Rtus().size(), 1u);
  EXPECT_EQ(lport->Rtus()[0]->List(kKindTS)->At(0)->Name(), "1_Порт.2_RTU104.Ввод");
  EXPECT_EQ(lport->LinkStates()->Count(), 2);
  EXPECT_EQ(lport->LinkStates()->At(1)->Name(), "1_Порт.Связь с РП");
  EXPECT_EQ(test::Build(loaded), bytes);
}

// Every protocol of the station port, renamed signals and link states, a blocked command,
// a second IEC-104 port: loading and saving again gives the same image and the same tree.
TEST_F(RTU104Test, ResaveOfBothPollingKindsKeepsTheRecordStream) {
  auto* kp =
      static_cast<TPortKP*>(config.Append(config.Controller().Proc(), MakePort(config, kPortKP)));
  test::LinkToBoard(kp, 33);
  auto station = [&](int address, std::uint8_t protocol) {
    auto* s = static_cast<TKP*>(kp->AddChild(kKPDevice));
    s->Number = static_cast<std::uint8_t>(address);
    s->Protocol = protocol;
    s->UpdateSignalList();
    return s;
  };
  TKP* sirius = station(1, kProtocolSirius);
  sirius->GroupTypes[1] = kGroupTI11;
  sirius->GroupTypes[7] = kGroupTI13;
  sirius->GroupTypes[9] = kGroupTII37;
  sirius->GroupTypes[12] = 8;  // a code this build does not know
  ASSERT_TRUE(sirius->ApplyCounts({12, 2, 0, 0, 1, 3}));
  TKP* vikont = station(2, kProtocolVikont);
  vikont->Place = "Насосная";
  vikont->ReceiptWait = 1234;
  ASSERT_TRUE(vikont->ApplyCounts({4, 0, 0, 0, 0, 0}));
  TKP* iec = station(3, kProtocolIec101);
  iec->Asdu = 200;
  iec->ClockPeriod = 5 * 60000;
  iec->Group2Period = 90000;  // not whole minutes
  ASSERT_TRUE(iec->ApplyCounts({2, 2, 3, 1, 1, 1}));
  sirius->List(kKindTS)->At(9)->SetName("1_Порт.1_КП.Выключатель");
  sirius->List(kKindTS)->At(9)->TSType = 1;
  iec->List(kKindTI)->At(0)->Gain = 1.5f;
  kp->LinkStates()->At(1)->SetName("1_Порт.Связь с насосной");
  config.Storage().ForceRebuild();
  SetBlocking(*iec->List(kKindTU), 1, "1_Порт.1_КП.Выключатель", "");

  TPortRTU104* first = AddPort(2);
  TRTU104* a = AddDevice(first, 0x0A000007);
  a->T0 = 1500;
  ASSERT_TRUE(a->ApplyCounts({3, 0, 2, 0, 0, 0}));
  a->List(kKindTI)->At(1)->SetName("2_Порт.7_RTU104.Мощность");
  AddDevice(first, 0x0A000107);
  TPortRTU104* second = AddPort(3);
  TRTU104* c = AddDevice(second, 0xC0A80102);
  ASSERT_TRUE(c->ApplyCounts({0, 0, 0, 0, 4, 0}));
  second->LinkStates()->At(0)->SetName("3_Порт.Связь");

  const std::vector<std::uint8_t> bytes = test::Build(config);
  ASSERT_FALSE(bytes.empty());
  RecordingMessages loadMessages;
  Configuration loaded(loadMessages);
  ASSERT_TRUE(test::Load(loaded, bytes));
  EXPECT_TRUE(loadMessages.Errors.empty()) << loadMessages.Errors.front();
  EXPECT_EQ(test::Build(loaded), bytes);
  EXPECT_EQ(test::DumpTree(loaded), test::DumpTree(config));
}

}  // namespace
}  // namespace vilk
