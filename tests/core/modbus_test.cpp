// Modbus ports and devices: their records byte for byte, the naming of their signals, the
// link states, renumbering, duplicating, and loading what other files hold.
#include "ports/fieldbus/modbus.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/ini.h"
#include "base/text.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "file_faults.h"
#include "ports/fieldbus/templates.h"
#include "record_spelling.h"
#include "signals/list_edit.h"
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
ByteVec Repeat(const ByteVec& row, int n) {
  ByteVec out;
  for (int i = 0; i < n; ++i) out.insert(out.end(), row.begin(), row.end());
  return out;
}
std::vector<std::string> Names(const TParams* list) {
  std::vector<std::string> names;
  if (list)
    for (int i = 0; i < list->Count(); ++i) names.push_back(list->At(i)->Name());
  return names;
}

class ModbusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // No library: default names (tests of the library bring their own home folder).
    SetTemplateHome("");
    ModbusTemplates().Reset();
  }
  void TearDown() override { ModbusTemplates().Reset(); }

  TPortMODBUS* AddRtuPort(int number) {
    auto* port = static_cast<TPortMODBUS*>(
        config.Append(config.Controller().Proc(), MakePort(config, kPortMODBUS)));
    port->Renumber(static_cast<std::uint8_t>(number));
    return port;
  }
  TPortRTUTCP* AddTcpPort(int number) {
    auto* port = static_cast<TPortRTUTCP*>(
        config.Append(config.Controller().Proc(), MakePort(config, kPortRTUTCP)));
    port->Renumber(static_cast<std::uint8_t>(number));
    return port;
  }

  RecordingMessages messages;
  Configuration config{messages};
};

// --- records ---

TEST_F(ModbusTest, PortRecordsByteForByte) {
  TPortMODBUS* rtu = AddRtuPort(3);
  test::LinkToBoard(rtu, 34);
  EXPECT_EQ(rtu->Caption(), "3_Порт MODBUS-RTU");
  EXPECT_EQ(test::SaveItem(*rtu), Blk(102, {Rec(48, {1}), Rec(1, {3}), Rec(57, {0xF4, 0x01}),
                                            Rec(31, U32(0)), Rec(20, {0}), Rec(30, {34})}));
  // Without a board there is no key 30.
  TController::SelectBoard(rtu, nullptr);
  EXPECT_EQ(test::SaveItem(*rtu), Blk(102, {Rec(48, {1}), Rec(1, {3}), Rec(57, {0xF4, 0x01}),
                                            Rec(31, U32(0)), Rec(20, {0})}));

  TPortRTUTCP* tcp = AddTcpPort(2);
  tcp->TimeSync = 5 * 60000;
  EXPECT_EQ(tcp->Caption(), "2_Порт MODBUS-TCP");
  EXPECT_EQ(test::SaveItem(*tcp),
            Blk(129, {Rec(48, {1}), Rec(1, {2}), Rec(63, {0xD0, 0x07}), Rec(64, {0x10, 0x27}),
                      Rec(24, {0x64, 0}), Rec(57, {0xF4, 0x01}), Rec(31, {0xE0, 0x93, 0x04, 0}),
                      Rec(72, {1}), Rec(20, {0})}));
}

TEST_F(ModbusTest, DeviceRecordByteForByte) {
  TPortMODBUS* port = AddRtuPort(3);
  TRTU* d = port->AddDevice(7, "Meter");
  d->Place = "Щит";
  d->Attempts = 3;
  d->TS[0] = {1, 0x0010, 0};
  d->TUAutoOff = 1000;
  d->TUPassword = "12";
  d->TUPasswordAddress = 0x0100;
  d->TimeAddress = 0x0200;
  d->TimeString = "T";
  d->EventLog = {0x1000, 0x1001, 4, 100, "L", {3, 7}};
  d->UpdateSignalList();
  ASSERT_EQ(d->Caption(), "7_Meter");
  // One МТС signal for the event log (multi-TS is on), named under the place.
  ASSERT_EQ(Names(d->List(kKindMTS)), std::vector<std::string>{"3_Порт.7_Щит.Журнал Событий"});

  const ByteVec mts =
      Blk(219, {Rec(48, {1}), Rec(99, U16(1)), Rec(41, Text65("3_Порт.7_Щит.Журнал Событий"))});
  EXPECT_EQ(test::SaveItem(*d), Blk(202, {Rec(48, {1}),
                                          Rec(77, Text65("Щит")),
                                          Rec(1, {7}),
                                          Rec(62, {3}),
                                          Rec(41, Text65("Meter")),
                                          Rec(20, {8}),
                                          Rec(45, Join({{1, 0x10, 0, 0}, Repeat({1, 0, 0, 0}, 7)})),
                                          Rec(47, Repeat({5, 0, 0, 0}, 8)),
                                          Rec(46, Repeat({0, 4, 0, 0, 0}, 8)),
                                          Rec(56, Repeat({6, 0, 0, 0}, 8)),
                                          Rec(19, {0xE8, 0x03}),
                                          Rec(59, Text65("12")),
                                          Rec(34, {0x00, 0x01}),
                                          Rec(63, {0x00, 0x02}),
                                          Rec(54, Text65("T")),
                                          Rec(101, {1}),
                                          Rec(49, U32(0)),
                                          Rec(30, {1}),
                                          Rec(82, {0x00, 0x10}),
                                          Rec(81, {0x01, 0x10}),
                                          Rec(83, {4, 0}),
                                          Rec(84, {100, 0}),
                                          Rec(85, Text65("L")),
                                          Rec(86, {2, 0}),
                                          Rec(87, {3, 0, 7, 0}),
                                          Rec(89, {0, 0}),
                                          Rec(88, {0, 0}),
                                          Rec(90, {0, 0}),
                                          Rec(91, {0, 0}),
                                          Rec(92, Text65("")),
                                          Rec(93, {0, 0}),
                                          mts}));

  // Without a password keys 59 and 34 are left out; the TCP device writes its address.
  TPortRTUTCP* tcpPort = AddTcpPort(4);
  auto* tcp = static_cast<TRTUTCP*>(tcpPort->AddChild(kModbusDevice));
  tcp->SetIp(0x0A000009);  // 10.0.0.9
  EXPECT_EQ(tcp->Number, 9);
  EXPECT_EQ(tcp->Caption(), "9_RTU_TCP");
  tcp->UnitAddress = 17;
  EXPECT_EQ(test::SaveItem(*tcp), Blk(202, {Rec(48, {1}),
                                            Rec(77, Text65("")),
                                            Rec(1, {9}),
                                            Rec(62, {5}),
                                            Rec(41, Text65("RTU_TCP")),
                                            Rec(20, {8}),
                                            Rec(45, Repeat({1, 0, 0, 0}, 8)),
                                            Rec(47, Repeat({5, 0, 0, 0}, 8)),
                                            Rec(46, Repeat({0, 4, 0, 0, 0}, 8)),
                                            Rec(56, Repeat({6, 0, 0, 0}, 8)),
                                            Rec(19, {0, 0}),
                                            Rec(63, {0, 0}),
                                            Rec(54, Text65("")),
                                            Rec(101, {1}),
                                            Rec(49, {9, 0, 0, 10}),
                                            Rec(30, {17}),
                                            Rec(82, {0, 0}),
                                            Rec(81, {0, 0}),
                                            Rec(83, {0, 0}),
                                            Rec(84, {0, 0}),
                                            Rec(85, Text65("")),
                                            Rec(86, {0, 0}),
                                            Rec(89, {0, 0}),
                                            Rec(88, {0, 0}),
                                            Rec(90, {0, 0}),
                                            Rec(91, {0, 0}),
                                            Rec(92, Text65("")),
                                            Rec(93, {0, 0})}));
}

// --- naming ---

TEST_F(ModbusTest, BitAndRegisterAddressesNameTheSignals) {
  TRTU* d = AddRtuPort(3)->AddDevice(5, "");
  d->TS[0] = {3, 0x0010, 20};    // word reading: bits from 0x100
  d->TS[1] = {1, 0xFFF0, 32};    // past FFFF: five digits
  d->TI[0] = {2, 4, 0x0020, 3};  // two-word values: two signals
  d->TI[1] = {0, 4, 0x0030, 0};  // an empty row
  d->TI[2] = {5, 4, 0x0040, 2};
  d->TU[0] = {5, 0x0005, 1};
  d->TR[0] = {6, 0x0100, 2};
  d->UpdateSignalList();

  const std::vector<std::string> ts = Names(d->List(kKindTS));
  ASSERT_EQ(ts.size(), 52u);
  EXPECT_EQ(ts[0], "3_Порт.5_RTU.Пр_0100");
  EXPECT_EQ(ts[19], "3_Порт.5_RTU.Пр_0113");
  EXPECT_EQ(ts[20], "3_Порт.5_RTU.Пр_fff0");
  EXPECT_EQ(ts[35], "3_Порт.5_RTU.Пр_ffff");
  EXPECT_EQ(ts[36], "3_Порт.5_RTU.Пр_10000");
  EXPECT_EQ(ts[51], "3_Порт.5_RTU.Пр_1000f");
  EXPECT_EQ(Names(d->List(kKindTI)),
            (std::vector<std::string>{"3_Порт.5_RTU.Пр_0020", "3_Порт.5_RTU.Пр_0022",
                                      "3_Порт.5_RTU.Пр_0040", "3_Порт.5_RTU.Пр_0041"}));
  // Two-word values are four-byte formats; one-word values two until they are scaled.
  EXPECT_EQ(d->List(kKindTI)->At(0)->ValueFormat, 4);
  EXPECT_EQ(d->List(kKindTI)->At(2)->ValueFormat, 2);
  EXPECT_EQ(Names(d->List(kKindTU)), std::vector<std::string>{"3_Порт.5_RTU.Пр_0005"});
  EXPECT_EQ(Names(d->List(kKindTR)),
            (std::vector<std::string>{"3_Порт.5_RTU.Пр_0100", "3_Порт.5_RTU.Пр_0101"}));
  // The children read ТС, ТУ, ТИ, ТР.
  ASSERT_EQ(d->ChildCount(), 4);
  EXPECT_EQ(d->Child(0)->AsParams()->SignalKind, kKindTS);
  EXPECT_EQ(d->Child(1)->AsParams()->SignalKind, kKindTU);
  EXPECT_EQ(d->Child(2)->AsParams()->SignalKind, kKindTI);
  EXPECT_EQ(d->Child(3)->AsParams()->SignalKind, kKindTR);

  // An emptied table takes its list away; the place replaces the type in the prefix.
  d->TR[0].Count = 0;
  d->Place = "Насосная";
  d->UpdateSignalList();
  EXPECT_EQ(d->List(kKindTR), nullptr);
  EXPECT_EQ(d->List(kKindTU)->At(0)->Name(), "3_Порт.5_Насосная.Пр_0005");
}

TEST_F(ModbusTest, RepeatsAndPointsAreCleaned) {
  std::vector<std::string> names{"a.b", "Пр_0005", "Пр_0005", "x", "Пр_0005", "Пр_0005_повтор2"};
  CleanNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"a b", "Пр_0005", "Пр_0005_повтор2", "x",
                                             "Пр_0005_повтор4", "Пр_0005_повтор2_повтор5"}));

  TRTU* d = AddRtuPort(1)->AddDevice(2, "");
  d->TS[0] = {1, 0x0005, 1};
  d->TS[1] = {1, 0x0005, 1};
  d->UpdateSignalList();
  EXPECT_EQ(Names(d->List(kKindTS)),
            (std::vector<std::string>{"1_Порт.2_RTU.Пр_0005", "1_Порт.2_RTU.Пр_0005_повтор1"}));
}

TEST_F(ModbusTest, LogSignalsGoToMtsOrFollowTheInputs) {
  TRTU* d = AddRtuPort(1)->AddDevice(2, "");
  d->TS[0] = {1, 0, 2};
  d->EventLog.Selected = {12};
  d->AlarmLog.Selected = {3, 4};
  d->UpdateSignalList();
  EXPECT_EQ(Names(d->List(kKindMTS)), (std::vector<std::string>{"1_Порт.2_RTU.Журнал Событий",
                                                                "1_Порт.2_RTU.Журнал Аварий"}));
  EXPECT_EQ(d->List(kKindTS)->Count(), 2);
  ASSERT_EQ(d->ChildCount(), 2);
  EXPECT_EQ(d->Child(1)->AsParams()->SignalKind, kKindMTS);  // МТС last

  d->MultiTS = 0;
  d->UpdateSignalList();
  EXPECT_EQ(d->List(kKindMTS), nullptr);
  EXPECT_EQ(Names(d->List(kKindTS)),
            (std::vector<std::string>{"1_Порт.2_RTU.Пр_0000", "1_Порт.2_RTU.Пр_0001",
                                      "1_Порт.2_RTU.12_LogSystem", "1_Порт.2_RTU.3_LogAlarm",
                                      "1_Порт.2_RTU.4_LogAlarm"}));
}

// --- the port ---

TEST_F(ModbusTest, LinkStatesFollowTheDevicesAndTheirNumbers) {
  TPortMODBUS* port = AddRtuPort(3);
  EXPECT_EQ(port->ChildCount(), 0);  // no devices, no ТС list
  TRTU* a = port->AddDevice(5, "");
  a->Place = "Щит";
  port->AddDevices({{9, ""}, {7, ""}});
  port->UpdateSignalList();
  ASSERT_NE(port->LinkStates(), nullptr);
  EXPECT_EQ(port->DeviceCount, 3);
  EXPECT_EQ(port->CountText(), "Количество подключенных устройств = 3");
  EXPECT_EQ(Names(port->LinkStates()),
            (std::vector<std::string>{"3_Порт.связь_5_RTU_Щит", "3_Порт.связь_7_RTU",
                                      "3_Порт.связь_9_RTU"}));

  a->TS[0] = {1, 0, 1};
  a->UpdateSignalList();
  port->LinkStates()->At(1)->SetName("3_Порт.Связь со щитом");
  port->Renumber(4);
  EXPECT_EQ(port->Caption(), "4_Порт MODBUS-RTU");
  EXPECT_EQ(a->List(kKindTS)->At(0)->Name(), "4_Порт.5_Щит.Пр_0000");
  EXPECT_EQ(Names(port->LinkStates()),
            (std::vector<std::string>{"4_Порт.связь_5_RTU_Щит", "4_Порт.Связь со щитом",
                                      "4_Порт.связь_9_RTU"}));

  // The last device taken away takes the list with it.
  while (!port->ModbusDevices().empty()) config.Remove(port->ModbusDevices().back());
  port->ChildrenChanged();
  EXPECT_EQ(port->LinkStates(), nullptr);
  EXPECT_EQ(port->DeviceCount, 0);
}

TEST_F(ModbusTest, DuplicateIsANewDeviceWithTheSourcesSetupAndItsOwnNames) {
  TPortMODBUS* port = AddRtuPort(3);
  TRTU* src = port->AddDevice(5, "Meter");
  src->Place = "Щит";
  src->TS[0] = {1, 0, 2};
  src->TI[0] = {0, 4, 0x10, 1};
  src->Fresh = false;
  src->UpdateSignalList();
  src->List(kKindTS)->At(1)->SetName("3_Порт.5_Щит.Авария");
  src->List(kKindTS)->At(1)->TSType = 1;
  src->List(kKindTI)->At(0)->Gain = 0.5f;
  src->List(kKindTI)->At(0)->SetGroup("Г1");

  auto* copy = static_cast<TRTU*>(port->DuplicateChild(src));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Number, 1);
  EXPECT_EQ(copy->Name(), "Meter");
  EXPECT_EQ(copy->Place, "");
  EXPECT_EQ(copy->TS, src->TS);
  // The renamed signal keeps its own part under the copy's prefix: no name twice in the pool.
  EXPECT_EQ(Names(copy->List(kKindTS)),
            (std::vector<std::string>{"3_Порт.1_Meter.Пр_0000", "3_Порт.1_Meter.Авария"}));
  EXPECT_EQ(copy->List(kKindTS)->At(1)->TSType, 1);
  EXPECT_EQ(copy->List(kKindTI)->At(0)->Gain, 0.5f);
  EXPECT_EQ(copy->List(kKindTI)->At(0)->Group, "Г1");
  EXPECT_EQ(port->DeviceCount, 2);
  EXPECT_EQ(port->DuplicateChild(port->LinkStates()), nullptr);

  // A TCP copy is a new device at 192.168.1.1.
  TPortRTUTCP* tcpPort = AddTcpPort(4);
  auto* tcp = static_cast<TRTUTCP*>(tcpPort->AddChild(kModbusDevice));
  tcp->SetIp(0x0A000009);
  auto* tcpCopy = static_cast<TRTUTCP*>(tcpPort->DuplicateChild(tcp));
  ASSERT_NE(tcpCopy, nullptr);
  EXPECT_EQ(tcpCopy->IpAddress, 0xC0A80101u);
  EXPECT_EQ(tcpCopy->Number, 1);
  EXPECT_FALSE(tcpCopy->Clashes());
  tcpCopy->SetIp(0x0A000009);
  EXPECT_TRUE(tcpCopy->Clashes());
}

// --- loading ---

// Built as another tool would: the port's key 20 says one device, its block holds two,
// and the next port holds one of its own. Every device stays with its port.
TEST_F(ModbusTest, DevicesComeFromTheBlocksNotFromTheCount) {
  TPortMODBUS* first = AddRtuPort(1);
  first->AddDevices({{5, ""}, {6, ""}});
  first->LinkStates()->At(1)->SetName("1_Порт.Мой щит");
  TPortMODBUS* second = AddRtuPort(2);
  second->AddDevices({{9, ""}});
  std::vector<std::uint8_t> bytes = test::Build(config);
  ASSERT_FALSE(bytes.empty());
  const std::size_t port = test::TopBlocks(bytes, kPortMODBUS)[0];
  const std::size_t count = test::FindRecord(bytes, port, 20);
  ASSERT_EQ(bytes[count + 8], 2);
  bytes[count + 8] = 1;
  test::Restamp(bytes);

  RecordingMessages loadMessages;
  Configuration loaded(loadMessages);
  ASSERT_TRUE(test::Load(loaded, bytes));
  TItem* proc = loaded.Controller().Proc();
  ASSERT_EQ(proc->ChildCount(), 3);
  auto* a = dynamic_cast<TPortMODBUS*>(proc->Child(1));
  auto* b = dynamic_cast<TPortMODBUS*>(proc->Child(2));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->ModbusDevices().size(), 2u);
  EXPECT_EQ(b->ModbusDevices().size(), 1u);
  // The renamed link state survives: its stored name is read after the devices exist.
  EXPECT_EQ(Names(a->LinkStates()),
            (std::vector<std::string>{"1_Порт.связь_5_RTU", "1_Порт.Мой щит"}));
  EXPECT_EQ(a->DeviceCount, 2);
}

TEST_F(ModbusTest, TooManyRowsOrEventsAreCutWithAMessage) {
  TRTU* d = AddRtuPort(1)->AddDevice(3, "");
  ByteVec events;
  for (int i = 0; i < 600; ++i) {
    const ByteVec two = U16(i);
    events.insert(events.end(), two.begin(), two.end());
  }
  const ByteVec block =
      Blk(202, {Rec(48, {1}), Rec(1, {3}), Rec(20, {12}), Rec(45, Repeat({1, 2, 0, 1}, 12)),
                Rec(101, {0}), Rec(86, U16(600)), Rec(87, events)});
  test::LoadItem(*d, block);
  EXPECT_EQ(d->TS[7], (ModbusRow{1, 2, 1}));
  EXPECT_EQ(d->EventLog.Selected.size(), 512u);
  EXPECT_EQ(d->EventLog.Selected[511], 511);
  ASSERT_EQ(messages.Errors.size(), 2u);
  EXPECT_NE(messages.Errors[0].find("строк"), std::string::npos) << messages.Errors[0];
  EXPECT_NE(messages.Errors[1].find("512"), std::string::npos) << messages.Errors[1];
  // Without key 101 in the record the multi-TS option was off; here it was stored as 0.
  EXPECT_EQ(d->MultiTS, 0);
  EXPECT_EQ(d->List(kKindTS)->Count(), 8 + 512);
}

TEST_F(ModbusTest, AMissingMultiTsKeyLeavesTheOptionOff) {
  TRTU* d = AddRtuPort(1)->AddDevice(3, "");
  ASSERT_EQ(d->MultiTS, 1);
  test::LoadItem(*d, Blk(202, {Rec(48, {1}), Rec(1, {3})}));
  EXPECT_EQ(d->MultiTS, 0);
}

// A configuration with both port kinds, renamed link signals and a command blocked by
// another device's input reads back into the same image.
TEST_F(ModbusTest, ResaveKeepsTheRecordStream) {
  TPortMODBUS* rtu = AddRtuPort(1);
  test::LinkToBoard(rtu, 33);
  rtu->AddDevices({{5, ""}, {6, ""}});
  TRTU* a = rtu->ModbusDevices()[0];
  TRTU* b = rtu->ModbusDevices()[1];
  a->TS[0] = {1, 0, 4};
  a->Fresh = false;
  a->UpdateSignalList();
  b->TU[0] = {5, 0x10, 2};
  b->Fresh = false;
  b->UpdateSignalList();
  a->List(kKindTS)->At(2)->SetName("1_Порт.5_RTU.Дверь");
  config.Storage().ForceRebuild();
  SetBlocking(*b->List(kKindTU), 0, "1_Порт.5_RTU.Дверь", "");
  rtu->LinkStates()->At(0)->SetName("1_Порт.Связь с 5");
  TPortRTUTCP* tcp = AddTcpPort(2);
  static_cast<TRTUTCP*>(tcp->AddChild(kModbusDevice))->SetIp(0x0A000009);
  const std::vector<std::uint8_t> first = test::Build(config);
  ASSERT_FALSE(first.empty());

  RecordingMessages loadMessages;
  Configuration loaded(loadMessages);
  ASSERT_TRUE(test::Load(loaded, first));
  EXPECT_TRUE(loadMessages.Errors.empty()) << loadMessages.Errors.front();
  EXPECT_EQ(test::Build(loaded), first);
  EXPECT_EQ(test::DumpTree(loaded), test::DumpTree(config));
}

// A device of a library type takes its tables and names from the template, and such a
// configuration reads back into the same image.
TEST_F(ModbusTest, TemplatedDevicesNameTheirSignalsAndResaveTheSame) {
  test::ScratchFolder home;
  std::filesystem::create_directories(home / "MODBUS");
  IniDocument tpl;
  tpl.WriteString("Устройства", "Meter", "");
  tpl.WriteString("Таблица ТС", "1_Адрес", "$0010");
  tpl.WriteString("Таблица ТС", "1_Количество", "2");
  tpl.WriteString("Таблица ТС", "1_Функция", "1");
  tpl.WriteString("Таблица ТИ", "1_Тип", "2");
  tpl.WriteString("Таблица ТИ", "1_Адрес", "256");
  tpl.WriteString("Таблица ТИ", "1_Количество", "4");
  tpl.WriteString("Таблица ТИ", "1_Функция", "4");
  tpl.WriteString("Список ТС", "$0010", "Выключатель.вкл");
  tpl.WriteString("Список ТС", "$0011", "Выключатель откл");
  tpl.WriteString("Список ТИ", "$0100", "Ток А");
  ASSERT_TRUE(tpl.SaveFile(home / "MODBUS/Meter.ini"));
  SetTemplateHome(home.Path());
  ModbusTemplates().Reset();

  TPortMODBUS* port = AddRtuPort(1);
  test::LinkToBoard(port, 33);
  TRTU* d = port->AddDevice(3, "Meter");
  EXPECT_FALSE(d->Fresh);
  EXPECT_EQ(d->TS[0], (ModbusRow{1, 0x10, 2}));
  EXPECT_EQ(Names(d->List(kKindTS)), (std::vector<std::string>{"1_Порт.3_Meter.Выключатель вкл",
                                                               "1_Порт.3_Meter.Выключатель откл"}));
  EXPECT_EQ(Names(d->List(kKindTI)),
            (std::vector<std::string>{"1_Порт.3_Meter.Ток А", "1_Порт.3_Meter.Пр_0102"}));
  port->AddDevices({{4, "Meter"}, {5, ""}});
  port->LinkStates()->At(2)->SetName("1_Порт.Резерв");
  d->List(kKindTI)->At(1)->SetName("1_Порт.3_Meter.Ток B");
  const std::vector<std::uint8_t> first = test::Build(config);
  ASSERT_FALSE(first.empty());

  RecordingMessages loadMessages;
  Configuration loaded(loadMessages);
  ASSERT_TRUE(test::Load(loaded, first));
  EXPECT_EQ(test::Build(loaded), first);
  EXPECT_EQ(test::DumpTree(loaded), test::DumpTree(config));
}

}  // namespace
}  // namespace vilk
