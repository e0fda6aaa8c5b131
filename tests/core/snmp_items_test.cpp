// The SNMP port and its devices: captions, measurement and link-state names, the image
// records byte for byte, loading (also of damaged or newer records), duplicates.
#include "snmp/port_snmp.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "test_items.h"

namespace vilk {
namespace {

using test::Bytes;
using test::Cat;
using test::LoadItem;
using test::SaveItem;
using test::Zeros;

std::vector<std::string> Names(const TParams* list) {
  std::vector<std::string> out;
  if (!list) return out;
  for (int i = 0; i < list->Count(); ++i) out.push_back(list->At(i)->Name());
  return out;
}

TSNMP_TagList Tags(std::initializer_list<std::pair<const char*, const char*>> tags) {
  TSNMP_TagList out;
  for (const auto& [name, dotted] : tags) {
    OidValue oid;
    EXPECT_TRUE(OidFromText(dotted, &oid));
    TSNMP_Tag tag;
    EXPECT_TRUE(TSNMP_Tag::Make(name, oid, &tag));
    out.push_back(tag);
  }
  return out;
}

class SnmpItemsTest : public ::testing::Test {
 protected:
  TPortSNMP* AddPort() {
    auto made = MakePort(config, kPortSNMP);
    EXPECT_NE(made, nullptr);
    return static_cast<TPortSNMP*>(config.Append(config.Controller().Proc(), std::move(made)));
  }
  TSNMP* AddDevice(TPortSNMP* port) { return static_cast<TSNMP*>(port->AddChild(kSNMPDevice)); }

  RecordingMessages messages;
  Configuration config{messages};
};

TEST_F(SnmpItemsTest, PortAndDeviceDefaults) {
  TPortSNMP* port = AddPort();
  EXPECT_EQ(port->Caption(), "1_Порт");
  EXPECT_EQ(port->Name(), "SNMP");
  EXPECT_EQ(port->Network, 1);
  EXPECT_EQ(port->PollPeriod, 200);
  EXPECT_EQ(port->AnswerWait, 500);
  EXPECT_EQ(port->Icon(), 0);
  EXPECT_EQ(port->Menu, PopupMenu::AddDelete);
  EXPECT_EQ(port->AddChild(kPCKind), nullptr);
  EXPECT_EQ(port->ChildCount(), 0);

  TSNMP* device = AddDevice(port);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->Caption(), "0_RTU");
  EXPECT_EQ(device->Number, 0);
  EXPECT_EQ(device->PortText, "1_Порт");
  EXPECT_EQ(device->Device.Address, (std::array<std::uint8_t, 4>{192, 168, 1, 0}));
  EXPECT_EQ(device->Device.UdpPort, 161);
  EXPECT_EQ(device->Menu, PopupMenu::DuplicateDelete);
  EXPECT_EQ(device->Measurements(), nullptr);
  EXPECT_EQ(device->ChildCount(), 0);
  EXPECT_EQ(device->Icon(), 0);

  // The port: the link-state list first, one input per device.
  ASSERT_EQ(port->ChildCount(), 2);
  ASSERT_NE(port->LinkStates(), nullptr);
  EXPECT_EQ(port->Child(1), device);
  EXPECT_EQ(Names(port->LinkStates()), std::vector<std::string>{"1_Порт.связь_0_RTU"});
  EXPECT_EQ(port->LinkStates()->At(0)->DefaultName(), "1_Порт.связь_0_RTU");
  EXPECT_EQ(port->DeviceCount, 1);
  EXPECT_EQ(port->CountText(), "Количество подключенных устройств = 1");
  EXPECT_EQ(port->Icon(), 2);

  device->Place = "Щит 2";
  port->UpdateSignalList();
  EXPECT_EQ(Names(port->LinkStates()), std::vector<std::string>{"1_Порт.связь_0_RTU_Щит 2"});

  // The last device goes: so do the list and the icon.
  config.Remove(device);
  port->ChildrenChanged();
  EXPECT_EQ(port->ChildCount(), 0);
  EXPECT_EQ(port->DeviceCount, 0);
  EXPECT_EQ(port->Icon(), 0);
}

TEST_F(SnmpItemsTest, TagsBecomeMeasurements) {
  TPortSNMP* port = AddPort();
  TSNMP* device = AddDevice(port);
  device->SetTags(Tags({{"sysDescr.0", "1.3.6.1.2.1.1.1.0"},
                        {"sysDescr.0", "1.3.6.1.2.1.1.1.0"},
                        {"ifInOctets[2]", "1.3.6.1.2.1.2.2.1.10.2"}}));
  TParams* list = device->Measurements();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(device->Child(0), list);
  EXPECT_EQ(list->SignalKind, kKindTI);
  EXPECT_EQ(Names(list),
            (std::vector<std::string>{"1_Порт.0_RTU.sysDescr_0", "1_Порт.0_RTU.sysDescr_0_повтор1",
                                      "1_Порт.0_RTU.ifInOctets[2]"}));
  for (int i = 0; i < list->Count(); ++i) EXPECT_EQ(list->At(i)->ValueFormat, 4);
  EXPECT_EQ(device->Icon(), 28);
  EXPECT_EQ(config.Storage().Count(kKindTI), 3);
  EXPECT_EQ(config.Storage().Count(kKindTS), 1);

  // A repeat whose "_повтор" name is taken already counts on.
  device->SetTags(Tags({{"a", "1.3"}, {"a_повтор2", "1.3"}, {"a", "1.3"}, {"a", "1.3"}}));
  EXPECT_EQ(device->MeasurementNames(),
            (std::vector<std::string>{"a", "a_повтор2", "a_повтор3", "a_повтор4"}));

  device->SetTags({});
  EXPECT_EQ(device->Measurements(), nullptr);
  EXPECT_EQ(device->ChildCount(), 0);
  EXPECT_EQ(device->Icon(), 0);
  EXPECT_EQ(config.Storage().Count(kKindTI), 0);
}

TEST_F(SnmpItemsTest, TheLastAddressByteNumbersTheDevice) {
  TPortSNMP* port = AddPort();
  TSNMP* device = AddDevice(port);
  device->SetAddress({192, 168, 1, 10});
  device->SetTags(Tags({{"ifNumber", "1.3.6.1.2.1.2.1"}, {"sysUpTime", "1.3.6.1.2.1.1.3"}}));
  EXPECT_EQ(device->Caption(), "10_RTU");
  EXPECT_EQ(Names(device->Measurements()),
            (std::vector<std::string>{"1_Порт.10_RTU.ifNumber", "1_Порт.10_RTU.sysUpTime"}));
  // The user's own name keeps its part when the device is renumbered.
  device->Measurements()->At(1)->SetName("1_Порт.10_RTU.Время работы");

  device->SetAddress({192, 168, 1, 11});
  EXPECT_EQ(device->Number, 11);
  EXPECT_EQ(device->Caption(), "11_RTU");
  EXPECT_EQ(Names(device->Measurements()),
            (std::vector<std::string>{"1_Порт.11_RTU.ifNumber", "1_Порт.11_RTU.Время работы"}));
  EXPECT_EQ(Names(port->LinkStates()), std::vector<std::string>{"1_Порт.связь_11_RTU"});

  // The port's number starts every name below it.
  port->Renumber(5);
  EXPECT_EQ(port->Caption(), "5_Порт");
  EXPECT_EQ(device->PortText, "5_Порт");
  EXPECT_EQ(Names(device->Measurements()),
            (std::vector<std::string>{"5_Порт.11_RTU.ifNumber", "5_Порт.11_RTU.Время работы"}));
  EXPECT_EQ(Names(port->LinkStates()), std::vector<std::string>{"5_Порт.связь_11_RTU"});
}

TEST_F(SnmpItemsTest, RecordsByteForByte) {
  TPortSNMP* port = AddPort();
  TSNMP* first = AddDevice(port);
  first->Place = "Щит";
  AddDevice(port);
  AddDevice(port);

  const std::vector<std::uint8_t> device = SaveItem(*first);
  const std::vector<std::uint8_t> expected = Cat({
      Bytes({0xF1, 0xFF, 232, 0, 126, 0, 0, 0}),
      Bytes({0xF2, 0xFF, 48, 0, 9, 0, 0, 0, 1}),
      Bytes({0xF2, 0xFF, 77, 0, 73, 0, 0, 0, 3, 0xD9, 0xE8, 0xF2}),
      Zeros(61),
      Bytes({0xF2, 0xFF, 60, 0, 12, 0, 0, 0, 16, 0, 0, 0}),
      Bytes({0xF2, 0xFF, 102, 0, 24, 0, 0, 0}),
      Bytes({0, 0, 192, 168, 1, 0, 161, 0, 3, 0, 10, 0, 0, 0, 0, 0}),
  });
  EXPECT_EQ(device, expected);

  const std::vector<std::uint8_t> bytes = SaveItem(*port);
  const std::vector<std::uint8_t> values = Cat({
      Bytes({0xF2, 0xFF, 48, 0, 9, 0, 0, 0, 1}),
      Bytes({0xF2, 0xFF, 1, 0, 9, 0, 0, 0, 1}),
      Bytes({0xF2, 0xFF, 72, 0, 9, 0, 0, 0, 1}),
      Bytes({0xF2, 0xFF, 24, 0, 10, 0, 0, 0, 200, 0}),
      Bytes({0xF2, 0xFF, 57, 0, 10, 0, 0, 0, 0xF4, 0x01}),
      Bytes({0xF2, 0xFF, 20, 0, 9, 0, 0, 0, 3}),
  });
  ASSERT_GE(bytes.size(), 8 + values.size());
  EXPECT_EQ(test::Slice(bytes, 0, 4), Bytes({0xF1, 0xFF, 134, 0}));
  EXPECT_EQ(test::GetU32(bytes, 4), bytes.size());
  EXPECT_EQ(test::Slice(bytes, 8, values.size()), values);
  // Then the link-state list and the three devices, each block right after the other.
  std::vector<int> blocks;
  for (std::size_t at = 8 + values.size(); at + 8 <= bytes.size();
       at += test::GetU32(bytes, at + 4)) {
    ASSERT_EQ(bytes[at], 0xF1);
    blocks.push_back(bytes[at + 2] | (bytes[at + 3] << 8));
  }
  EXPECT_EQ(blocks, (std::vector<int>{211, 232, 232, 232}));
}

TEST_F(SnmpItemsTest, SavedAndLoadedWithTheWholeImage) {
  TPortSNMP* port = AddPort();
  port->PollPeriod = 350;
  port->AnswerWait = 1200;
  TSNMP* a = AddDevice(port);
  a->Place = "Щит";
  a->SetAddress({10, 1, 2, 3});
  a->SetTags(Tags({{"ifInOctets[1]", "1.3.6.1.2.1.2.2.1.10.1"}, {"sysUpTime", "1.3.6.1.2.1.1.3"}}));
  a->Measurements()->At(0)->SetName("1_Порт.3_RTU.Вход");
  TSNMP* b = AddDevice(port);
  b->SetAddress({10, 1, 2, 4});
  port->LinkStates()->At(1)->SetName("1_Порт.Связь с шкафом");
  const std::string before = test::DumpTree(config);

  const std::vector<std::uint8_t> image = test::Build(config);
  ASSERT_FALSE(image.empty());
  RecordingMessages messages2;
  Configuration loaded(messages2);
  ASSERT_TRUE(test::Load(loaded, image));
  EXPECT_EQ(test::DumpTree(loaded), before);
  auto* port2 = dynamic_cast<TPortSNMP*>(loaded.Controller().Proc()->Child(1));
  ASSERT_NE(port2, nullptr);
  EXPECT_EQ(port2->PollPeriod, 350);
  EXPECT_EQ(port2->AnswerWait, 1200);
  auto* a2 = dynamic_cast<TSNMP*>(port2->Child(1));
  ASSERT_NE(a2, nullptr);
  EXPECT_EQ(a2->Place, "Щит");
  EXPECT_EQ(a2->Device.Serialize(), a->Device.Serialize());
  EXPECT_EQ(Names(a2->Measurements()),
            (std::vector<std::string>{"1_Порт.3_RTU.Вход", "1_Порт.3_RTU.sysUpTime"}));
  EXPECT_EQ(a2->Measurements()->At(0)->DefaultName(), "1_Порт.3_RTU.ifInOctets[1]");
  EXPECT_EQ(Names(port2->LinkStates()),
            (std::vector<std::string>{"1_Порт.связь_3_RTU_Щит", "1_Порт.Связь с шкафом"}));
  EXPECT_EQ(test::Build(loaded), image);
}

TEST_F(SnmpItemsTest, ANewerDeviceRecordKeepsTheDefaults) {
  TPortSNMP* port = AddPort();
  TSNMP* device = AddDevice(port);
  device->SetTags(Tags({{"x", "1.3.6"}}));
  std::vector<std::uint8_t> bytes = SaveItem(*device);
  ASSERT_EQ(test::Slice(bytes, 8, 9), Bytes({0xF2, 0xFF, 48, 0, 9, 0, 0, 0, 1}));
  bytes[16] = 2;

  TSNMP* fresh = AddDevice(port);
  LoadItem(*fresh, bytes);
  EXPECT_EQ(messages.Errors, std::vector<std::string>{"Новая версия RTU"});
  EXPECT_TRUE(fresh->Device.Tags.empty());
  EXPECT_EQ(fresh->Measurements(), nullptr);
}

TEST_F(SnmpItemsTest, ADamagedDeviceRecordKeepsTheTagsReadSoFar) {
  TPortSNMP* port = AddPort();
  TSNMP* device = AddDevice(port);
  device->SetTags(Tags({{"a", "1.3.6"}, {"b", "1.3.7"}}));
  std::vector<std::uint8_t> bytes = SaveItem(*device);
  // The record's data starts at 8 + 9 + 73 + 12 + 8 = 110; the second tag's name length
  // follows the 16 bytes of fields and the first tag (1 + 1 + 1 + 2).
  ASSERT_EQ(bytes[110 + 16], 1);
  ASSERT_EQ(bytes[110 + 21], 1);
  bytes[110 + 21] = 64;
  // The size record claims more than the record holds: what is there is read.
  test::SetU32(bytes, 8 + 9 + 73 + 8, 5000);

  TSNMP* fresh = AddDevice(port);
  LoadItem(*fresh, bytes);
  ASSERT_EQ(fresh->Device.Tags.size(), 1u);
  EXPECT_EQ(fresh->Device.Tags[0].Name, "a");
  EXPECT_EQ(Names(fresh->Measurements()), std::vector<std::string>{"1_Порт.0_RTU.a"});
  EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(SnmpItemsTest, DuplicateCopiesPlaceRecordAndNames) {
  TPortSNMP* port = AddPort();
  TSNMP* device = AddDevice(port);
  device->Place = "Щит";
  device->SetAddress({10, 0, 0, 7});
  device->SetTags(Tags({{"ifNumber", "1.3.6.1.2.1.2.1"}}));
  device->Measurements()->At(0)->SetName("1_Порт.7_RTU.Интерфейсы");

  auto* copy = dynamic_cast<TSNMP*>(port->DuplicateChild(device));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(port->Child(port->ChildCount() - 1), copy);
  EXPECT_EQ(copy->Place, "Щит");
  EXPECT_EQ(copy->PortText, "1_Порт");
  EXPECT_EQ(copy->Caption(), "7_RTU");
  EXPECT_EQ(copy->Device.Serialize(), device->Device.Serialize());
  EXPECT_EQ(Names(copy->Measurements()), std::vector<std::string>{"1_Порт.7_RTU.Интерфейсы"});
  EXPECT_NE(copy->Measurements()->At(0), device->Measurements()->At(0));
  EXPECT_EQ(port->DeviceCount, 2);
  EXPECT_EQ(Names(port->LinkStates()),
            (std::vector<std::string>{"1_Порт.связь_7_RTU_Щит", "1_Порт.связь_7_RTU_Щит"}));
  EXPECT_EQ(config.Storage().Count(kKindTI), 2);
  EXPECT_EQ(port->DuplicateChild(port->LinkStates()), nullptr);
}

}  // namespace
}  // namespace vilk
