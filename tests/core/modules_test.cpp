// I/O modules on the DORO port: their records byte for byte, the lists each mode builds,
// the link states of the port, and what loading makes of odd files.
#include "ports/modules/modules.h"

#include <gtest/gtest.h>

#include "base/text.h"
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
using test::U32;

ByteVec Names65(const std::vector<std::string>& names) {
  ByteVec out;
  for (const std::string& n : names) {
    const ByteVec one = Place65(Utf8ToCp1251(n));
    out.insert(out.end(), one.begin(), one.end());
  }
  return out;
}
std::vector<std::string> Numbered(const std::string& prefix, int n) {
  std::vector<std::string> names;
  for (int i = 1; i <= n; ++i) names.push_back(prefix + ".Пр" + std::to_string(i));
  return names;
}
std::vector<std::string> Names(const TParams* list) {
  std::vector<std::string> names;
  if (list)
    for (int i = 0; i < list->Count(); ++i) names.push_back(list->At(i)->Name());
  return names;
}

class ModulesTest : public ::testing::Test {
 protected:
  TPortDoro* AddDoro(int number) {
    auto* port = static_cast<TPortDoro*>(
        config.Append(config.Controller().Proc(), MakePort(config, kPortDoro)));
    port->Renumber(static_cast<std::uint8_t>(number));
    return port;
  }
  template <typename T>
  T* AddModule(TPortDoro* port, int kind) {
    return dynamic_cast<T*>(port->AddChild(kind));
  }

  RecordingMessages messages;
  Configuration config{messages};
};

TEST_F(ModulesTest, PortAndModuleRecordsByteForByte) {
  TPortDoro* port = AddDoro(2);
  test::LinkToBoard(port, 33);
  auto* riv = AddModule<TMDS24>(port, kModuleRIV24);
  ASSERT_NE(riv, nullptr);
  riv->Mode = 1;
  riv->Attempts = 7;
  riv->CheckPeriod = 10 * 60000;
  riv->Debounce = 20;
  riv->UpdateSignalList();
  EXPECT_EQ(port->Caption(), "2_Порт DORO");
  EXPECT_EQ(riv->Caption(), "1_RIV-24");
  EXPECT_EQ(riv->Icon(), 3);

  const std::vector<std::string> inputs = Numbered("2_Порт.1_RIV-24", 12);
  EXPECT_EQ(test::SaveItem(*riv),
            Blk(221, {Rec(48, {1}), Rec(1, {1}), Rec(62, {7}), Rec(57, {0xF4, 0x01}),
                      Rec(31, {0xC0, 0x27, 0x09, 0x00}), Rec(17, {20, 0}), Rec(8, {1}),
                      Blk(211, {Rec(48, {1}), Rec(13, {12, 0}), Rec(41, Names65(inputs)),
                                Rec(78, ByteVec(12, 0))})}));

  // DED-12 in mode 1: two status inputs, six commands, version 1.
  auto* ded = AddModule<TMRK12>(port, kModuleDED12);
  ASSERT_NE(ded, nullptr);
  ded->Mode = 1;
  ded->OutputTime = 300;
  ded->UpdateSignalList();
  EXPECT_EQ(ded->Caption(), "2_DED-12");
  const ByteVec dedBytes = Blk(
      222, {Rec(48, {1}), Rec(1, {2}), Rec(62, {5}), Rec(57, {0xD0, 0x07}), Rec(19, {0x2C, 1}),
            Rec(8, {1}),
            Blk(211, {Rec(48, {1}), Rec(13, {2, 0}),
                      Rec(41, Names65({"2_Порт.2_DED-12.Работа ТУ", "2_Порт.2_DED-12.Сбой ТУ"})),
                      Rec(78, {0, 0})}),
            Blk(212, {Rec(48, {1}), Rec(15, {6, 0}),
                      Rec(41, Names65(Numbered("2_Порт.2_DED-12", 6)))})});
  EXPECT_EQ(test::SaveItem(*ded), dedBytes);

  // The port: number, module count, board; then the link states and the modules.
  const ByteVec links = Blk(211, {Rec(48, {1}), Rec(13, {4, 0}),
                                  Rec(41, Names65({"2_Порт.связь_1_RIV-24", "2_Порт.связь_2_DED-12",
                                                   "2_Порт.Работа ТУ", "2_Порт.Сбой ТУ"})),
                                  Rec(78, {0, 0, 0, 0})});
  const ByteVec saved = test::SaveItem(*port);
  EXPECT_EQ(Names(port->LinkStates()),
            (std::vector<std::string>{"2_Порт.связь_1_RIV-24", "2_Порт.связь_2_DED-12",
                                      "2_Порт.Работа ТУ", "2_Порт.Сбой ТУ"}));
  EXPECT_EQ(test::Slice(saved, 0, 8 + 4 * 9 + links.size()),
            Join({{0xF1, 0xFF, 125, 0},
                  U32(static_cast<std::uint32_t>(saved.size())),
                  Rec(48, {1}),
                  Rec(1, {2}),
                  Rec(20, {2}),
                  Rec(30, {33}),
                  links}));
  EXPECT_EQ(test::Slice(saved, saved.size() - dedBytes.size(), dedBytes.size()), dedBytes);
}

TEST_F(ModulesTest, DedModeZeroToThreeToZero) {
  TPortDoro* port = AddDoro(1);
  auto* ded = AddModule<TMRK12>(port, kModuleDED12);
  ASSERT_NE(ded, nullptr);
  EXPECT_EQ(ded->Version, 1);
  EXPECT_EQ(ded->Commands()->Count(), 4);
  EXPECT_EQ(ded->Outputs(), nullptr);
  EXPECT_EQ(ded->ReplyWait, 2000);
  EXPECT_EQ(ded->OutputTime, 2000);

  ded->Mode = 3;
  ded->UpdateSignalList();
  EXPECT_EQ(ded->Version, 2);
  EXPECT_EQ(Names(ded->Commands()), Numbered("1_Порт.1_DED-12", 12));
  TParams* outputs = ded->Outputs();
  ASSERT_NE(outputs, nullptr);
  EXPECT_EQ(outputs->Caption(), "Выходы");
  EXPECT_EQ(outputs->ListRole, kRoleSelection);
  EXPECT_EQ(ded->Child(0), outputs);  // Выходы, ТС, ТУ
  EXPECT_EQ(ded->Child(2), ded->Commands());
  EXPECT_EQ(ded->ChannelName(*outputs, 0), "1");
  EXPECT_EQ(ded->ChannelName(*outputs, 11), "12");
  EXPECT_EQ(ded->ChannelName(*outputs, 12), "");
  EXPECT_EQ(ded->ChannelName(*ded->Commands(), 0), "");

  // Two pool inputs drive outputs 1 and 2: the selection is saved after the own lists.
  config.Storage().ForceRebuild();
  const int base = config.Storage().IndexOf(kKindTS, ded->Inputs()->At(0));
  ASSERT_GE(base, 0);
  outputs->Append(SignalRef::Share(ded->Inputs()->At(1)));
  outputs->Append(SignalRef::Share(ded->Inputs()->At(0)));
  const ByteVec saved = test::SaveItem(*ded);
  EXPECT_EQ(test::Slice(saved, 8, 9), Rec(48, {2}));
  const ByteVec outputBlock =
      Blk(211, {Rec(48, {1}), Rec(13, {2, 0}), Rec(1, Join({U16(base + 1), U16(base)}))});
  EXPECT_EQ(test::Slice(saved, saved.size() - outputBlock.size(), outputBlock.size()), outputBlock);

  ded->Mode = 0;
  ded->UpdateSignalList();
  EXPECT_EQ(ded->Version, 1);
  EXPECT_EQ(ded->Outputs(), nullptr);
  EXPECT_EQ(Names(ded->Commands()), Numbered("1_Порт.1_DED-12", 4));
  EXPECT_EQ(ded->ChildCount(), 2);
  EXPECT_EQ(test::Slice(test::SaveItem(*ded), 8, 9), Rec(48, {1}));
}

TEST_F(ModulesTest, RivHasTwentyFourOrTwelveInputs) {
  TPortDoro* port = AddDoro(3);
  auto* riv = AddModule<TMDS24>(port, kModuleRIV24);
  ASSERT_NE(riv, nullptr);
  EXPECT_EQ(Names(riv->Inputs()), Numbered("3_Порт.1_RIV-24", 24));
  EXPECT_EQ(riv->Commands(), nullptr);
  riv->Inputs()->At(5)->SetName("3_Порт.1_RIV-24.Дверь");
  riv->Mode = 1;
  riv->UpdateSignalList();
  EXPECT_EQ(riv->Inputs()->Count(), 12);
  EXPECT_EQ(riv->Inputs()->At(5)->Name(), "3_Порт.1_RIV-24.Дверь");
  riv->Mode = 0;
  riv->UpdateSignalList();
  EXPECT_EQ(riv->Inputs()->Count(), 24);
  EXPECT_EQ(riv->Inputs()->At(23)->Name(), "3_Порт.1_RIV-24.Пр24");
  // The address renames the module and its signals, the user's name keeps its own part.
  riv->SetAddress(9);
  EXPECT_EQ(riv->Caption(), "9_RIV-24");
  EXPECT_EQ(riv->Inputs()->At(5)->Name(), "3_Порт.9_RIV-24.Дверь");
  EXPECT_EQ(riv->Inputs()->At(0)->Name(), "3_Порт.9_RIV-24.Пр1");
}

TEST_F(ModulesTest, LinkStatesAddressesAndRenumbering) {
  TPortDoro* port = AddDoro(1);
  auto* riv = AddModule<TMDS24>(port, kModuleRIV24);
  ASSERT_NE(riv, nullptr);
  EXPECT_EQ(Names(port->LinkStates()), std::vector<std::string>{"1_Порт.связь_1_RIV-24"});
  EXPECT_EQ(port->CountText(), "Количество подключенных модулей = 1");
  auto* zuz = AddModule<TMDK24>(port, kModuleZUZ24);
  ASSERT_NE(zuz, nullptr);
  EXPECT_EQ(zuz->Number, 2);  // the lowest free address
  EXPECT_EQ(zuz->Commands()->Count(), 8);
  EXPECT_EQ(Names(port->LinkStates()),
            (std::vector<std::string>{"1_Порт.связь_1_RIV-24", "1_Порт.связь_2_ZUZ-24",
                                      "1_Порт.Работа ТУ", "1_Порт.Сбой ТУ"}));
  EXPECT_FALSE(zuz->Clashes());
  zuz->SetAddress(1);
  EXPECT_TRUE(zuz->Clashes());
  EXPECT_TRUE(riv->Clashes());
  zuz->SetAddress(4);
  EXPECT_EQ(port->LinkStates()->At(1)->Name(), "1_Порт.связь_4_ZUZ-24");

  port->Renumber(6);
  EXPECT_EQ(port->Caption(), "6_Порт DORO");
  EXPECT_EQ(zuz->Commands()->At(0)->Name(), "6_Порт.4_ZUZ-24.Пр1");
  EXPECT_EQ(port->LinkStates()->At(0)->Name(), "6_Порт.связь_1_RIV-24");

  // Without a command module the two common status signals go.
  config.Remove(zuz);
  port->ChildrenChanged();
  EXPECT_EQ(Names(port->LinkStates()), std::vector<std::string>{"6_Порт.связь_1_RIV-24"});
  EXPECT_EQ(port->AddChild(kPCKind), nullptr);
}

TEST_F(ModulesTest, OddModuleRecordsLoadWithAMessage) {
  TPortDoro* port = AddDoro(1);
  auto* zuz = AddModule<TMDK24>(port, kModuleZUZ24);
  ASSERT_NE(zuz, nullptr);
  test::LoadItem(*zuz, Blk(229, {Rec(48, {2}), Rec(1, {5}), Rec(8, {9})}));
  EXPECT_EQ(zuz->Mode, 0);
  EXPECT_EQ(zuz->Version, 1);
  EXPECT_EQ(zuz->Commands()->Count(), 8);
  EXPECT_EQ(zuz->Outputs(), nullptr);
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0],
            "Модуль 5_ZUZ-24: режима 9 нет среди режимов модуля, установлен режим 0");

  // Thirteen entries for twelve outputs: all kept, with a message.
  messages.Errors.clear();
  auto* ded = AddModule<TMRK12>(port, kModuleDED12);
  ByteVec indexes;
  for (int i = 0; i < 13; ++i) indexes.insert(indexes.end(), {0xFF, 0xFF});
  test::LoadItem(*ded, Blk(222, {Rec(48, {2}), Rec(1, {3}), Rec(8, {3}),
                                 Blk(211, {Rec(48, {1}), Rec(13, {2, 0})}),
                                 Blk(212, {Rec(48, {1}), Rec(15, {12, 0})}),
                                 Blk(211, {Rec(48, {1}), Rec(13, {13, 0}), Rec(1, indexes)})}));
  ASSERT_NE(ded->Outputs(), nullptr);
  EXPECT_EQ(ded->Outputs()->Count(), 13);
  EXPECT_EQ(messages.Errors, std::vector<std::string>{
                                 "Модуль 3_DED-12: в списке \"Выходы\" 13 сигналов, а выходов 12"});

  messages.Errors.clear();
  auto* riv = AddModule<TMDS24>(port, kModuleRIV24);
  test::LoadItem(*riv, Blk(221, {Rec(48, {1}), Rec(1, {6}), Rec(8, {2})}));
  EXPECT_EQ(riv->Mode, 0);
  EXPECT_EQ(riv->Inputs()->Count(), 24);
  EXPECT_EQ(messages.Errors.size(), 1u);
}

// A whole image: a module of a newer version is kept byte for byte and costs neither the
// module after it nor the port after the DORO port.
TEST_F(ModulesTest, NewerModuleIsKeptAndTheBlocksAfterItLoad) {
  TPortDoro* port = AddDoro(1);
  test::LinkToBoard(port, 33);
  AddModule<TMDS24>(port, kModuleRIV24);
  auto* ded = AddModule<TMRK12>(port, kModuleDED12);
  ded->Mode = 3;
  ded->UpdateSignalList();
  auto* zuz = AddModule<TMDK24>(port, kModuleZUZ24);
  zuz->Mode = 2;
  zuz->UpdateSignalList();
  TPortDoro* second = AddDoro(2);
  AddModule<TMDS24>(second, kModuleRIV24);
  std::vector<std::uint8_t> image = test::Build(config);
  ASSERT_FALSE(image.empty());

  // Mark the DED-12's record version 3 (one the program does not read).
  const std::size_t doro = test::TopBlocks(image, 125).at(0);
  std::size_t at = doro + 8;
  std::size_t dedAt = 0;
  while (at < doro + test::GetU32(image, doro + 4)) {
    if (image[at] == 0xF1 && image[at + 2] == 222) dedAt = at;
    at += test::GetU32(image, at + 4);
  }
  ASSERT_NE(dedAt, 0u);
  const std::size_t version = test::FindRecord(image, dedAt, 48);
  ASSERT_NE(version, 0u);
  ASSERT_EQ(image[version + 8], 2);
  image[version + 8] = 3;
  test::Restamp(image);

  RecordingMessages loadMessages;
  Configuration loaded(loadMessages);
  ASSERT_TRUE(test::Load(loaded, image));
  ASSERT_EQ(loadMessages.Errors, std::vector<std::string>{"Новая версия DED-12"});
  TItem* proc = loaded.Controller().Proc();
  std::vector<TPortDoro*> ports;
  for (int i = 0; i < proc->ChildCount(); ++i)
    if (auto* p = dynamic_cast<TPortDoro*>(proc->Child(i))) ports.push_back(p);
  ASSERT_EQ(ports.size(), 2u);
  ASSERT_EQ(ports[0]->DeviceTotal(), 3);
  EXPECT_TRUE(ports[0]->Devices()[1]->IsKept());
  auto* loadedZuz = dynamic_cast<TMDK24*>(ports[0]->Devices()[2]);
  ASSERT_NE(loadedZuz, nullptr);
  EXPECT_EQ(loadedZuz->Mode, 2);
  EXPECT_EQ(loadedZuz->Commands()->Count(), 22);
  EXPECT_EQ(ports[1]->Modules().size(), 1u);
  EXPECT_EQ(test::Build(loaded), image);
}

// Every module kind and mode, renamed signals and a filled output selection read back
// into the same image and the same tree.
TEST_F(ModulesTest, ResaveIsByteIdentical) {
  TPortDoro* port = AddDoro(4);
  test::LinkToBoard(port, 34);
  auto* riv = AddModule<TMDS24>(port, kModuleRIV24);
  riv->Mode = 1;
  riv->UpdateSignalList();
  riv->Inputs()->At(3)->SetName("4_Порт.1_RIV-24.Ввод");
  for (int mode = 0; mode < 4; ++mode) {
    auto* ded = AddModule<TMRK12>(port, kModuleDED12);
    ded->Mode = static_cast<std::uint8_t>(mode);
    ded->OutputTime = static_cast<std::uint16_t>(100 * (mode + 1));
    ded->UpdateSignalList();
    auto* zuz = AddModule<TMDK24>(port, kModuleZUZ24);
    zuz->Mode = static_cast<std::uint8_t>(mode);
    zuz->ReplyWait = static_cast<std::uint16_t>(1000 + mode);
    zuz->UpdateSignalList();
  }
  config.Storage().ForceRebuild();
  auto* ded3 = dynamic_cast<TMRK12*>(port->Devices()[7]);
  ASSERT_NE(ded3, nullptr);
  ASSERT_NE(ded3->Outputs(), nullptr);
  ded3->Outputs()->Append(SignalRef::Share(riv->Inputs()->At(3)));
  ded3->Outputs()->Append(SignalRef::Share(port->LinkStates()->At(0)));
  const std::vector<std::uint8_t> first = test::Build(config);
  ASSERT_FALSE(first.empty());

  RecordingMessages loadMessages;
  Configuration loaded(loadMessages);
  ASSERT_TRUE(test::Load(loaded, first));
  EXPECT_TRUE(loadMessages.Errors.empty()) << loadMessages.Errors.front();
  EXPECT_EQ(test::Build(loaded), first);
  EXPECT_EQ(test::DumpTree(loaded), test::DumpTree(config));
}

TEST_F(ModulesTest, AtMost255Modules) {
  TPortDoro* port = AddDoro(1);
  for (int i = 0; i < kMaxModules; ++i) ASSERT_NE(port->AddChild(kModuleRIV24), nullptr) << i;
  EXPECT_EQ(port->Modules().back()->Number, 255);
  EXPECT_EQ(port->AddChild(kModuleRIV24), nullptr);
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0], "На порту 1_Порт DORO уже 255 модулей, больше не помещается");
  const ByteVec saved = test::SaveItem(*port);
  EXPECT_EQ(test::Slice(saved, 8 + 9 + 9, 9), Rec(20, {255}));
}

}  // namespace
}  // namespace vilk
