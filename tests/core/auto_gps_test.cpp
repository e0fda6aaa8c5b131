// The clock-source port and the automation port: records byte for byte, the protocol
// preset, the automation import and export and its stored counts; the rule that a
// configuration holds one port of some kinds, across a save and a load.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/ini.h"
#include "model/tree_rules.h"
#include "model/unknown.h"
#include "pc_test_support.h"
#include "ports/devices/auto_port.h"
#include "ports/devices/gps.h"
#include "ports/telemechanics/pu.h"
#include "record_spelling.h"

namespace vilk {
namespace {

using test::Blk;
using test::ByteVec;
using test::Place65;
using test::Rec;
using test::U16;
using test::U32;

constexpr int kPortTS2 = 132;

class FieldPortsTest : public test::WithRealPC {
 protected:
  void SetUp() override {
    test::WithRealPC::SetUp();
    dir_ = ::testing::TempDir() + "auto_gps_" + std::to_string(::getpid());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::filesystem::remove_all(dir_);
    test::WithRealPC::TearDown();
  }
  template <typename T>
  T* Add(int code) {
    auto* port = dynamic_cast<T*>(AddPort(config, code));
    EXPECT_NE(port, nullptr);
    return port;
  }
  // The automation port is never offered by the menu: it comes with files.
  TPortAuto* AppendAuto(Configuration& c) {
    auto* port = static_cast<TPortAuto*>(c.Append(c.Controller().Proc(), MakePort(c, kPortAuto)));
    port->UpdateCaption();
    return port;
  }
  int PortsOfKind(const Configuration& c, int code) {
    int n = 0;
    const TItem* proc = c.Controller().Proc();
    for (int i = 0; i < proc->ChildCount(); ++i) n += proc->Child(i)->Kind == code;
    return n;
  }

  std::string dir_;
  RecordingMessages messages;
  Configuration config{messages};
};

// ---------------------------------------------------------------------------------------
// Clock source

TEST_F(FieldPortsTest, ClockSourceRecordByteForByte) {
  auto* gps = Add<TPortGPS>(kPortGPS);
  ASSERT_NE(gps, nullptr);
  EXPECT_EQ(gps->Caption(), "1_Порт установки времени");
  EXPECT_EQ(gps->Icon(), 17);
  // 3600000 ms = 0x0036EE80; 192.168.1.1 with the first octet in the top byte.
  const ByteVec expected =
      Blk(120, {Rec(48, {1}), Rec(1, {1}), Rec(120, {123, 0}), Rec(31, {0x80, 0xEE, 0x36, 0x00}),
                Rec(27, {0}), Rec(49, {0x01, 0x01, 0xA8, 0xC0}), Rec(24, {3})});
  ASSERT_EQ(expected.size(), 78u);
  EXPECT_EQ(test::SaveItem(*gps), expected);

  // Stored values come back as they were, a UDP port that is no protocol's default too.
  const ByteVec stored =
      Blk(120, {Rec(48, {1}), Rec(1, {4}), Rec(120, {0x88, 0x13}), Rec(31, {0x60, 0xEA, 0, 0}),
                Rec(27, {1}), Rec(49, {10, 0, 0, 10}), Rec(24, {0})});
  auto* other = Add<TPortGPS>(kPortGPS);
  test::LoadItem(*other, stored);
  EXPECT_EQ(other->Number, 4);
  EXPECT_EQ(other->UdpPort, 5000);
  EXPECT_EQ(other->Period, 60000u);
  EXPECT_EQ(other->ProtocolCode, TPortGPS::kNMEA);
  EXPECT_EQ(other->Server, 0x0A00000Au);
  EXPECT_EQ(other->TimeZone, 0);
  EXPECT_EQ(other->Caption(), "4_Порт установки времени");
  EXPECT_EQ(test::SaveItem(*other), stored);
}

TEST_F(FieldPortsTest, ChoosingAProtocolPresetsItsPortAndKeepsTheServer) {
  auto* gps = Add<TPortGPS>(kPortGPS);
  gps->Server = 0xC0A8010A;
  gps->ChooseProtocol(TPortGPS::kNMEA);
  EXPECT_EQ(gps->ProtocolCode, TPortGPS::kNMEA);
  EXPECT_EQ(gps->UdpPort, 10110);
  EXPECT_EQ(gps->Server, 0xC0A8010Au);
  gps->ChooseProtocol(TPortGPS::kSNTP);
  EXPECT_EQ(gps->UdpPort, 123);
  EXPECT_EQ(TPortGPS::DefaultUdpPort(7), 123);  // an unknown code is not NMEA
}

// ---------------------------------------------------------------------------------------
// Automation

TEST_F(FieldPortsTest, AutomationRecordWithAndWithoutOutputs) {
  TPortAuto* port = AppendAuto(config);
  EXPECT_EQ(port->Caption(), "1_Порт Автоматики");
  EXPECT_EQ(port->ChildCount(), 0);
  EXPECT_EQ(test::SaveItem(*port), Blk(117, {Rec(48, {1}), Rec(1, {1}), Rec(4, {0}),
                                             Rec(13, {0, 0, 0, 0}), Rec(15, {0, 0, 0, 0})}));

  port->Enabled = 1;
  port->TSNames = {"A", "B"};
  port->TUNames = {"C"};
  port->UpdateSignalList();
  ASSERT_EQ(port->ChildCount(), 2);
  EXPECT_EQ(port->Child(0), port->TSList());  // ТС first
  EXPECT_EQ(port->Child(1), port->TUList());
  EXPECT_TRUE(port->TSList()->At(0)->Fixed);
  EXPECT_TRUE(port->TUList()->At(0)->Fixed);
  EXPECT_EQ(config.Storage().List(kKindTS).Count(), 2);
  const ByteVec names2 = test::Join({Place65("A"), Place65("B")});
  const ByteVec expected =
      Blk(117, {Rec(48, {1}), Rec(1, {1}), Rec(4, {1}), Rec(13, U32(2)), Rec(15, U32(1)),
                Blk(211, {Rec(48, {1}), Rec(13, U16(2)), Rec(41, names2), Rec(78, {0, 0})}),
                Blk(212, {Rec(48, {1}), Rec(15, U16(1)), Rec(41, Place65("C"))})});
  EXPECT_EQ(test::SaveItem(*port), expected);

  // Read back into a fresh port: the names come from the list blocks and stay the
  // program's outputs (a later rebuild keeps them).
  Configuration other(messages);
  TPortAuto* loaded = AppendAuto(other);
  test::LoadItem(*loaded, expected);
  EXPECT_EQ(loaded->TSNames, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(loaded->TUNames, (std::vector<std::string>{"C"}));
  loaded->UpdateSignalList();
  EXPECT_EQ(loaded->TSList()->At(1)->Name(), "B");
  EXPECT_EQ(test::SaveItem(*loaded), expected);

  // No names left: the lists go.
  port->TSNames.clear();
  port->TUNames.clear();
  port->UpdateSignalList();
  EXPECT_EQ(port->ChildCount(), 0);
  EXPECT_EQ(config.Storage().List(kKindTS).Count(), 0);
}

TEST_F(FieldPortsTest, AutomationCountsBeyondAListAreClampedWithAMessage) {
  TPortAuto* port = AppendAuto(config);
  const ByteVec stored = Blk(117, {Rec(48, {1}), Rec(1, {2}), Rec(4, {1}), Rec(13, U32(9000)),
                                   Rec(15, U32(0xFFFFFFFBu))});  // -5
  test::LoadItem(*port, stored);
  EXPECT_EQ(port->TSNames.size(), 8192u);
  EXPECT_EQ(port->TUNames.size(), 0u);
  EXPECT_EQ(port->TUList(), nullptr);
  ASSERT_NE(port->TSList(), nullptr);
  EXPECT_EQ(port->TSList()->Count(), 8192);
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{
                "Порт автоматики: число имён ТС 9000 вне пределов 0..8192, принято 8192.",
                "Порт автоматики: число имён ТУ -5 вне пределов 0..8192, принято 0."}));
}

TEST_F(FieldPortsTest, AutomationListBlocksAreReadWhateverTheCountsSay) {
  TPortAuto* port = AppendAuto(config);
  // The record says no names, yet a ТУ list of two follows: its names are the outputs.
  const ByteVec tu =
      Blk(212, {Rec(48, {1}), Rec(15, U16(2)), Rec(41, test::Join({Place65("X"), Place65("Y")}))});
  test::LoadItem(*port, Blk(117, {Rec(48, {1}), Rec(1, {1}), Rec(4, {0}), Rec(13, U32(0)),
                                  Rec(15, U32(0)), tu}));
  EXPECT_EQ(port->TUNames, (std::vector<std::string>{"X", "Y"}));
  ASSERT_NE(port->TUList(), nullptr);
  EXPECT_TRUE(port->TUList()->At(1)->Fixed);
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{
                "Порт автоматики: число имён ТУ 0, а список хранит 2; принято 2."}));
  EXPECT_EQ(test::SaveItem(*port), Blk(117, {Rec(48, {1}), Rec(1, {1}), Rec(4, {0}),
                                             Rec(13, U32(0)), Rec(15, U32(2)), tu}));
}

TEST_F(FieldPortsTest, AutomationImportKeepsRepeatedInputsAndOneOfEachCommand) {
  TPortAuto* port = AppendAuto(config);
  const std::string file = dir_ + "/program.ini";
  test::WriteText(file, test::Cp1251("[TS_out]\r\n0=Пуск\r\n1=Стоп\r\n2=Пуск\r\n"
                                     "[TU_out]\r\n0=Откл\r\n1=Вкл\r\n2=Откл\r\n"));
  ASSERT_TRUE(port->ImportOutputs(file));
  EXPECT_EQ(port->TSNames, (std::vector<std::string>{"Пуск", "Стоп", "Пуск"}));
  EXPECT_EQ(port->TUNames, (std::vector<std::string>{"Откл", "Вкл"}));
  ASSERT_NE(port->TUList(), nullptr);
  EXPECT_EQ(port->TUList()->Count(), 2);
  EXPECT_EQ(config.Storage().List(kKindTU).Count(), 2);

  // A file that cannot be read changes nothing and says why.
  messages.Errors.clear();
  EXPECT_FALSE(port->ImportOutputs(dir_ + "/none.ini"));
  EXPECT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(port->TSNames.size(), 3u);

  // More names than a list holds: refused whole.
  std::string big = "[TS_out]\r\n";
  for (int i = 0; i <= 8192; ++i) big += std::to_string(i) + "=n\r\n";
  test::WriteText(file, big);
  messages.Errors.clear();
  EXPECT_FALSE(port->ImportOutputs(file));
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0],
            "Файл " + file + ": в разделе TS_out 8193 имён, список вмещает 8192.");
  EXPECT_EQ(port->TSNames.size(), 3u);
}

TEST_F(FieldPortsTest, AutomationExportRefillsItsSectionsAndKeepsTheRest) {
  AddSource(config, {{kKindTS, {"Вход1", "Вход2"}}, {kKindTI, {"U"}}});
  TPortAuto* port = AppendAuto(config);
  const std::string file = dir_ + "/inputs.ini";
  test::WriteText(file, "[Other]\r\nk=v\r\n[TS_in]\r\n0=old\r\n5=gone\r\n");
  ASSERT_TRUE(port->ExportInputs(file));
  IniDocument ini;
  ASSERT_TRUE(ini.LoadFile(file));
  EXPECT_EQ(ini.ReadString("Other", "k"), "v");
  EXPECT_EQ(ini.SectionKeys("TS_in"), (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(ini.ReadString("TS_in", "1"), "Вход2");
  EXPECT_EQ(ini.ReadString("TI_in", "0"), "U");
  EXPECT_TRUE(ini.SectionKeys("TU_in").empty());
}

// ---------------------------------------------------------------------------------------
// One port of a kind per configuration

TEST_F(FieldPortsTest, KindsHeldOnceCanBeAddedOnlyWhileNoneExists) {
  for (int code : {117, 131, 132, 133}) EXPECT_TRUE(OnePerConfiguration(code)) << code;
  for (int code : {101, 102, 120, 125, 134}) EXPECT_FALSE(OnePerConfiguration(code)) << code;

  EXPECT_TRUE(CanAddPort(config, kPortTS2));
  TItem* first = AddPort(config, kPortTS2);
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(CanAddPort(config, kPortTS2));
  messages.Errors.clear();
  EXPECT_EQ(AddPort(config, kPortTS2), nullptr);
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{
                "Порт двухпозиционных ТС уже есть в конфигурации, второй не допускается."}));
  EXPECT_EQ(PortsOfKind(config, kPortTS2), 1);
  // Kinds not held once are added as often as wanted.
  for (int number : {2, 3}) {
    TItem* gps = AddPort(config, kPortGPS);
    ASSERT_NE(gps, nullptr);
    gps->Number = static_cast<std::uint8_t>(number);
  }
  EXPECT_TRUE(CanAddPort(config, kPortGPS));

  // The rule survives a save and a load: it is read from the tree, not from a menu.
  const ByteVec image = test::Build(config);
  ASSERT_FALSE(image.empty());
  Configuration loaded(messages);
  ASSERT_TRUE(test::Load(loaded, image));
  EXPECT_FALSE(CanAddPort(loaded, kPortTS2));
  EXPECT_TRUE(test::Build(loaded) == image);
  EXPECT_FALSE(CanAddPort(loaded, kPortTS2));

  DeleteItem(config, first);
  EXPECT_TRUE(CanAddPort(config, kPortTS2));
  // A port of a newer version, kept unread, is one of the kind as well.
  const ByteVec newer = Blk(kPortTS2, {Rec(48, {9})});
  TItem* kept =
      config.Append(config.Controller().Proc(), std::make_unique<TUnknown>(config, 2, newer, 9));
  EXPECT_FALSE(CanAddPort(config, kPortTS2));
  DeleteItem(config, kept);

  // A firmware without the kind: never, port or no port.
  config.Controller().Record.Minor = 9;
  config.Controller().ApplyModel();
  EXPECT_FALSE(CanAddPort(config, kPortTS2));
}

TEST_F(FieldPortsTest, AutomationPortIsNeverAddedButSavesWhenLoaded) {
  EXPECT_FALSE(CanAddPort(config, kPortAuto));
  messages.Errors.clear();
  EXPECT_EQ(AddPort(config, kPortAuto), nullptr);
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{
                "Порт автоматики не совместим с контроллером или его версией ПФ."}));

  TPortAuto* port = AppendAuto(config);
  port->TSNames = {"Готов"};
  port->UpdateSignalList();
  config.Controller().ApplyModel();
  EXPECT_EQ(port->StateIcon(), -1);  // no warning mark: it is saved as it came
  messages.Errors.clear();
  const ByteVec image = test::Build(config);
  ASSERT_FALSE(image.empty());
  EXPECT_TRUE(messages.Errors.empty());
  EXPECT_FALSE(CanAddPort(config, kPortAuto));
  DeleteItem(config, port);
  EXPECT_FALSE(CanAddPort(config, kPortAuto));  // deleting it enables nothing
}

TEST_F(FieldPortsTest, AFileWithTwoPortsOfAKindHeldOnceLoadsWholeWithAWarning) {
  // Made past the menu, as another tool or an older program may have written them.
  for (int i = 0; i < 2; ++i) {
    TPortAuto* port = AppendAuto(config);
    port->Number = static_cast<std::uint8_t>(5 + i);
    port->TUNames = {"Команда" + std::to_string(i)};
    port->UpdateSignalList();
  }
  const ByteVec image = test::Build(config);
  ASSERT_FALSE(image.empty());
  RecordingMessages loadMessages;
  Configuration loaded(loadMessages);
  ASSERT_TRUE(test::Load(loaded, image));
  EXPECT_EQ(PortsOfKind(loaded, kPortAuto), 2);
  EXPECT_EQ(loaded.Storage().List(kKindTU).Count(), 2);
  EXPECT_EQ(loadMessages.Errors,
            (std::vector<std::string>{
                "Портов вида \"Порт автоматики\" в конфигурации 2, допускается один."}));
  EXPECT_EQ(test::Build(loaded), image);
}

// ---------------------------------------------------------------------------------------
// Every kind of this file in one configuration, saved again byte for byte

TEST_F(FieldPortsTest, ConfigurationWithEveryKindResavesByteIdentical) {
  AddSource(config, {{kKindTS, {"a", "b"}}, {kKindTI, {"u", "i"}}});
  auto* pu = Add<TPortPU>(kPortPU);
  pu->Number = 2;
  pu->UpdateCaption();
  pu->TakeFromStorage();
  test::LinkToBoard(pu, 33);
  auto* gps = Add<TPortGPS>(kPortGPS);
  gps->Number = 3;
  gps->UpdateCaption();
  gps->ChooseProtocol(TPortGPS::kNMEA);
  TPortAuto* port = AppendAuto(config);
  port->Number = 4;
  port->UpdateCaption();
  port->TSNames = {"x", "y"};
  port->TUNames = {"z"};
  port->UpdateSignalList();
  const ByteVec image = test::Build(config);
  ASSERT_FALSE(image.empty());
  Configuration loaded(messages);
  ASSERT_TRUE(test::Load(loaded, image));
  EXPECT_EQ(test::DumpTree(loaded), test::DumpTree(config));
  EXPECT_EQ(test::Build(loaded), image);
}

}  // namespace
}  // namespace vilk
