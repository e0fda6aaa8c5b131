// The controller models, ApplyModel, the boards, the IP port and the checks run when
// saving.
#include "controller/controller.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controller/di.h"
#include "controller/models.h"
#include "controller/port_ip.h"
#include "controller/proc.h"
#include "controller/rs232.h"
#include "test_items.h"

namespace vilk {
namespace {

using test::Build;
using test::Bytes;
using test::FieldPort;
using test::LinkToBoard;

std::vector<std::string> Captions(const TItem& parent) {
  std::vector<std::string> out;
  for (int i = 0; i < parent.ChildCount(); ++i) out.push_back(parent.Child(i)->Caption());
  return out;
}

void SwitchModel(Configuration& config, int code) {
  config.Controller().TypeCode = static_cast<std::uint8_t>(code);
  config.Controller().SelectModelRecord();
  config.Controller().ApplyModel();
}

TEST(Models, DescriptionsAndRecords) {
  struct Case {
    int code;
    const char* name;
    int eth, com, di, gsm;
    std::vector<std::uint8_t> boards;
  };
  const Case cases[] = {
      {23, "ВИЛК.A2", 2, 8, 0, 0, std::vector<std::uint8_t>(8, 223)},
      {22, "ВИЛК.A1", 1, 4, 0, 0, std::vector<std::uint8_t>(4, 223)},
      {26, "ВИЛК.A1-X", 1, 4, 8, 1, {121, 223, 223, 223, 223}},
  };
  EXPECT_EQ(ModelCodes(), (std::vector<int>{23, 22, 26}));
  for (const Case& c : cases) {
    const ControllerDescription* d = FindDescription(c.code);
    ASSERT_NE(d, nullptr) << c.code;
    EXPECT_EQ(d->TypeCode, c.code);
    EXPECT_EQ(d->DisplayName, c.name);
    EXPECT_EQ(d->EthernetCount, c.eth);
    EXPECT_EQ(d->MaxComBoards, c.com);
    EXPECT_EQ(d->DiscreteInputs, c.di);
    EXPECT_EQ(d->Gsm, c.gsm);
    EXPECT_EQ(d->Boards, c.boards);
    const ModelRecord* r = FindModelRecord(c.code);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Year, 2025);
    EXPECT_EQ(r->Letter, -1);
    EXPECT_EQ(r->Major, 1);
    EXPECT_EQ(r->Minor, 12);
    EXPECT_EQ(r->VersionLabel(), "v 1.12");
  }
  for (int code : {0, 21, 24, 25, 27, 100, 255}) {
    EXPECT_FALSE(IsModelSupported(code)) << code;
    EXPECT_EQ(FindDescription(code), nullptr);
  }
  for (int code : {22, 23, 26}) EXPECT_TRUE(IsModelSupported(code));
}

TEST(Models, RecordPacksIntoTwentyThreeBytes) {
  ModelRecord r = *FindModelRecord(23);
  // "ВИЛК.A2" in cp1251, 17 bytes with its length; 2025 = 0x07E9; letter -1; 1.12; 23.
  EXPECT_EQ(r.Pack(), Bytes({7, 0xC2, 0xC8, 0xCB, 0xCA, '.',  'A',  '2',  0,  0, 0, 0,
                             0, 0,    0,    0,    0,    0xE9, 0x07, 0xFF, 12, 1, 23}));
  r.Letter = 'b';
  r.Minor = 5;
  const ModelRecord back = ModelRecord::Unpack(r.Pack().data());
  EXPECT_EQ(back.Name, "ВИЛК.A2");
  EXPECT_EQ(back.VersionLabel(), "v 1.5b");
  EXPECT_EQ(back.TypeCode, 23);
}

TEST(Models, PortKindSetGrowsWithTheMinorVersion) {
  const std::vector<int> base{101, 102, 106, 112, 115, 118, 120, 125, 131};
  struct Case {
    int minor;
    std::vector<int> extra;
  };
  const Case cases[] = {
      {0, {}},
      {5, {}},
      {6, {129}},
      {7, {129}},
      {8, {128, 129}},
      {9, {128, 129}},
      {10, {128, 129, 132, 133}},
      {11, {128, 129, 132, 133, 134}},
      {12, {128, 129, 132, 133, 134, 135}},
      {40, {128, 129, 132, 133, 134, 135}},
  };
  for (const Case& c : cases) {
    PortKindSet expected;
    for (int code : base) expected.set(static_cast<std::size_t>(code));
    for (int code : c.extra) expected.set(static_cast<std::size_t>(code));
    EXPECT_EQ(PortKindSetFor(1, c.minor), expected) << "minor " << c.minor;
  }
  EXPECT_TRUE(PortKindSetFor(2, 12).none());
  EXPECT_FALSE(PortKindSetFor(1, 12)[100]);  // the IP port is in no set
  EXPECT_FALSE(PortKindSetFor(1, 12)[117]);
}

TEST(Models, SerialTimingDefaults) {
  // b = 10 (+1 parity, +1 two stop bits); start-up max(3, 2000b/speed), gap max(2, 3000b/speed).
  struct Case {
    int speed, parity, stop, startUp, gap;
  };
  const Case cases[] = {
      {9600, 2, 1, 3, 3},    // b 12: 2 -> 3, 3
      {600, 0, 0, 33, 50},   // b 10
      {1200, 1, 1, 20, 30},  // b 12
      {115200, 0, 0, 3, 2},  // both below their floors
      {2400, 4, 0, 9, 13},   // b 11: 22000/2400 = 9, 33000/2400 = 13
  };
  for (const Case& c : cases) {
    const SerialTiming t = SerialTimingDefaults(c.speed, c.parity, c.stop);
    EXPECT_EQ(t.StartUp, c.startUp) << c.speed;
    EXPECT_EQ(t.ReceiveGap, c.gap) << c.speed;
  }
  RecordingMessages messages;
  Configuration config(messages);
  auto* com = static_cast<TRS232*>(config.Controller().Child(1));
  com->Speed = 600;
  com->Parity = 0;
  com->StopBits = 0;
  com->ApplyTimingDefaults();
  EXPECT_EQ(com->StartUp, 33);
  EXPECT_EQ(com->ReceiveGap, 50);
}

TEST(Controller, StartsAsModel23WithItsBoardsAndTheIpPort) {
  RecordingMessages messages;
  Configuration config(messages);
  TController& c = config.Controller();
  EXPECT_EQ(c.TypeCode, 23);
  EXPECT_EQ(c.Caption(), "ВИЛК.A2");
  EXPECT_EQ(Captions(c),
            (std::vector<std::string>{"Процессор", "COM_0.1 RS485", "COM_0.2 RS485",
                                      "COM_0.3 RS485", "COM_0.4 RS485", "COM_0.5 RS485",
                                      "COM_0.6 RS485", "COM_0.7 RS485", "COM_0.8 RS485"}));
  for (int i = 1; i <= 8; ++i) {
    EXPECT_EQ(c.Child(i)->Number, 32 + i);
    EXPECT_EQ(c.Child(i)->BoardMask, kMaskRS485);
    EXPECT_EQ(c.Child(i)->Icon(), 0);
  }
  ASSERT_EQ(c.Proc()->ChildCount(), 1);
  EXPECT_EQ(c.Proc()->Child(0), c.PortIP());
  EXPECT_EQ(c.PortIP()->Caption(), "0_Порт_IP");
  EXPECT_EQ(c.PortIP()->Number, 255);
  EXPECT_EQ(c.PortIP()->Net2Ip, Ip(192, 168, 1, 222));
  EXPECT_TRUE(messages.Errors.empty());
}

TEST(Controller, ComBoardCaptionsFollowNumberAndInterface) {
  RecordingMessages messages;
  Configuration config(messages);
  auto board = MakeBoard(config, 200, 1);
  auto* com = static_cast<TRS232*>(board.get());
  EXPECT_EQ(com->Number, 33);
  EXPECT_EQ(com->Caption(), "COM_0.1 RS232");
  EXPECT_EQ(com->BoardMask, kMaskRS232);
  com->SetInterface(1);
  EXPECT_EQ(com->Caption(), "COM_0.1 RS485");
  EXPECT_EQ(com->BoardMask, kMaskRS485);
  EXPECT_EQ(com->Interface, 1);
  com->SetNumber(50);  // (50 - 32) / 16 = 1, 50 mod 16 = 2
  EXPECT_EQ(com->Caption(), "COM_1.2 RS485");
  EXPECT_EQ(com->BlockId(), 200);
  EXPECT_EQ(MakeBoard(config, 223, 3)->BlockId(), 200);
  EXPECT_EQ(MakeBoard(config, 55), nullptr);
}

class ControllerTest : public test::WithTestKinds {
 protected:
  RecordingMessages messages;
  Configuration config{messages};
  TController& c = config.Controller();
};

TEST_F(ControllerTest, SwitchingTo22DropsTheLastFourComBoardsAndUnlinksTheirPorts) {
  FieldPort* onFirst = test::AddFieldPort(config, 1, "A", 1, 0, 0);
  FieldPort* onSixth = test::AddFieldPort(config, 2, "B", 1, 0, 0);
  LinkToBoard(onFirst, 33);
  LinkToBoard(onSixth, 38);
  ASSERT_EQ(onSixth->LinkedBoard, c.Child(6));
  EXPECT_EQ(onSixth->Icon(), onSixth->ImageIndex);
  EXPECT_EQ(c.Child(6)->Icon(), 8);

  SwitchModel(config, 22);
  EXPECT_EQ(c.Caption(), "ВИЛК.A1");
  EXPECT_EQ(Captions(c), (std::vector<std::string>{"Процессор", "COM_0.1 RS485", "COM_0.2 RS485",
                                                   "COM_0.3 RS485", "COM_0.4 RS485"}));
  EXPECT_EQ(onFirst->LinkedBoard, c.Child(1));
  EXPECT_EQ(onSixth->LinkedBoard, nullptr);
  EXPECT_EQ(onSixth->Icon(), 0);
  EXPECT_EQ(c.Proc()->ChildCount(), 3);  // the ports stay

  // Back to 23: the missing boards are appended with their numbers, unlinked.
  SwitchModel(config, 23);
  ASSERT_EQ(c.ChildCount(), 9);
  for (int i = 1; i <= 8; ++i) EXPECT_EQ(c.Child(i)->Number, 32 + i);
  EXPECT_EQ(c.Child(8)->Caption(), "COM_0.8 RS485");
  EXPECT_EQ(static_cast<TBlock*>(c.Child(6))->LinkedPort, nullptr);
}

TEST_F(ControllerTest, SwitchingTo26InsertsTheDiscreteInputBoardFirst) {
  LinkToBoard(test::AddFieldPort(config, 1, "A", 1, 0, 0), 34);
  SwitchModel(config, 26);
  ASSERT_EQ(c.ChildCount(), 6);
  auto* di = dynamic_cast<TDI*>(c.Child(1));
  ASSERT_NE(di, nullptr);
  EXPECT_EQ(di->Caption(), "0_Плата Узел сигнализации");
  EXPECT_EQ(di->Icon(), 9);
  TParams* inputs = di->Inputs();
  ASSERT_NE(inputs, nullptr);
  ASSERT_EQ(inputs->Count(), 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(inputs->At(i)->Name(), Format("ТС%d", i + 1));
    EXPECT_EQ(inputs->At(i)->Number, i);
  }
  for (int i = 2; i <= 5; ++i) EXPECT_EQ(c.Child(i)->Number, 31 + i);
  EXPECT_EQ(c.Proc()->Child(1)->AsPort()->LinkedBoard, c.Child(3));
  // Its inputs come first in the pool.
  EXPECT_EQ(config.Storage().Count(kKindTS), 9);
  EXPECT_EQ(config.Storage().SignalNumber(kKindTS, inputs->At(0)), 0x2000);

  SwitchModel(config, 23);
  EXPECT_EQ(c.ChildCount(), 9);
  for (int i = 1; i < 9; ++i) EXPECT_EQ(c.Child(i)->BoardMask, kMaskRS485);
  EXPECT_EQ(config.Storage().Count(kKindTS), 1);
}

TEST_F(ControllerTest, BoardAndPortLinkBothWaysOrNotAtAll) {
  FieldPort* a = test::AddFieldPort(config, 1, "A", 0, 0, 0);
  FieldPort* b = test::AddFieldPort(config, 2, "B", 0, 0, 0);
  auto* board = static_cast<TBlock*>(c.Child(1));
  EXPECT_EQ(c.BoardCandidates(a, kMaskCom).size(), 8u);
  ASSERT_TRUE(board->Attach(a));
  EXPECT_FALSE(board->Attach(b));
  EXPECT_EQ(b->LinkedBoard, nullptr);
  EXPECT_EQ(c.BoardCandidates(b, kMaskCom).size(), 7u);
  EXPECT_EQ(c.BoardCandidates(a, kMaskCom).size(), 8u);  // its own board counts
  EXPECT_TRUE(c.BoardCandidates(a, kMaskRS232).empty());

  // Choosing another board moves the link.
  TController::SelectBoard(a, static_cast<TBlock*>(c.Child(2)));
  EXPECT_EQ(board->LinkedPort, nullptr);
  EXPECT_EQ(board->Icon(), 0);
  EXPECT_EQ(a->LinkedBoard, c.Child(2));

  // Deleting either side leaves the other unlinked with icon 0.
  config.Remove(a);
  EXPECT_EQ(static_cast<TBlock*>(c.Child(2))->LinkedPort, nullptr);
  EXPECT_EQ(c.Child(2)->Icon(), 0);
  LinkToBoard(b, 40);
  ASSERT_EQ(b->LinkedBoard, c.Child(8));
  config.Remove(c.Child(8));
  EXPECT_EQ(b->LinkedBoard, nullptr);
  EXPECT_EQ(b->Icon(), 0);
}

TEST_F(ControllerTest, IpPortRecordAndAddresses) {
  std::uint32_t ip = 0;
  ASSERT_TRUE(IpFromText("192.168.1.222", &ip));
  EXPECT_EQ(ip, 0xC0A801DEu);
  EXPECT_EQ(IpToText(0xC0A801DEu), "192.168.1.222");
  for (const char* bad : {"", "1.2.3", "1.2.3.256", "1.2.3.4.5", "a.b.c.d", "1..2.3", "1.2.3.4 "})
    EXPECT_FALSE(IpFromText(bad, &ip)) << bad;

  TPortIP* port = c.PortIP();
  port->Net1Gateway = Ip(10, 1, 2, 3);
  port->GsmApn = "internet";
  port->GsmNetType = 4;
  const auto b = Build(config);
  const std::size_t block = 144 + 207 + 8 * 102;
  ASSERT_EQ(b[block + 2], 100);
  EXPECT_EQ(test::Slice(b, test::FindRecord(b, block, 49) + 8, 4), Bytes({0xDE, 0x01, 0xA8, 0xC0}));
  EXPECT_EQ(test::Slice(b, test::FindRecord(b, block, 68) + 8, 4), Bytes({3, 2, 1, 10}));
  EXPECT_EQ(test::Slice(b, test::FindRecord(b, block, 53) + 4, 13),
            Bytes({25, 0, 0, 0, 8, 'i', 'n', 't', 'e', 'r', 'n', 'e', 't'}));
  EXPECT_EQ(b[test::FindRecord(b, block, 112) + 8], 4);

  port->SetDefaults();
  EXPECT_EQ(port->Net2Ip, Ip(192, 168, 2, 1));
  EXPECT_EQ(port->GsmApn, "");
  EXPECT_EQ(port->GsmAuth, 1);
}

TEST_F(ControllerTest, IpPortKeepsALinkStateListWhileItHasPcs) {
  TPortIP* ip = c.PortIP();
  EXPECT_EQ(ip->LinkStates(), nullptr);
  test::TestPC* first = test::AddPC(config, "Диспетчер", 0);
  test::TestPC* second = test::AddPC(config, "", 0);
  TParams* states = ip->LinkStates();
  ASSERT_NE(states, nullptr);
  EXPECT_EQ(ip->Child(0), states);
  EXPECT_EQ(ip->PcTotal(), 2);
  EXPECT_EQ(ip->PcCount, 2);
  ASSERT_EQ(states->Count(), 2);
  EXPECT_EQ(states->At(0)->Name(), "0_Порт_IP.связь_Диспетчер_Диспетчер");
  EXPECT_EQ(states->At(1)->Name(), "0_Порт_IP.связь__2");  // no name: the index
  EXPECT_EQ(config.Storage().Count(kKindTS), 2);

  config.Remove(first);
  ip->ChildrenChanged();
  ASSERT_EQ(ip->LinkStates()->Count(), 1);
  EXPECT_EQ(ip->PcCount, 1);
  config.Remove(second);
  ip->ChildrenChanged();
  EXPECT_EQ(ip->LinkStates(), nullptr);
  EXPECT_EQ(ip->ChildCount(), 0);
}

TEST_F(ControllerTest, DuplicatedPcCarriesItsListsAndSelection) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 3, 0, 0);
  test::TestPC* pc = test::AddPC(config, "ПК", 2);
  pc->OwnTI()->At(1)->SetName("ПК.Мощность");
  pc->Selection()->Append(Acquire(port->TS()->At(2)));
  pc->Selection()->Append(Acquire(port->TS()->At(0)));
  config.Storage().RebuildPool();

  TPortIP* ip = c.PortIP();
  auto* copy = dynamic_cast<test::TestPC*>(ip->DuplicateChild(pc));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(ip->Child(ip->ChildCount() - 1), copy);
  EXPECT_EQ(ip->PcTotal(), 2);
  EXPECT_EQ(ip->LinkStates()->Count(), 2);
  ASSERT_EQ(copy->Selection()->Count(), 2);
  EXPECT_EQ(copy->Selection()->At(0), port->TS()->At(2));
  EXPECT_EQ(copy->Selection()->At(1), port->TS()->At(0));
  EXPECT_EQ(port->TS()->At(2)->RefCount, 3u);
  ASSERT_EQ(copy->OwnTI()->Count(), 2);
  EXPECT_NE(copy->OwnTI()->At(1), pc->OwnTI()->At(1));  // own signals are new objects
  EXPECT_EQ(copy->OwnTI()->At(1)->Name(), "ПК.Мощность");
  EXPECT_EQ(config.Storage().Count(kKindTI), 4);
}

TEST_F(ControllerTest, DiscreteInputNamesSurviveSaving) {
  SwitchModel(config, 26);
  auto* di = static_cast<TDI*>(c.Child(1));
  di->Inputs()->At(2)->SetName("Дверь");
  di->Inputs()->At(0)->TSType = 1;
  di->Inputs()->At(1)->TSType = 2;
  di->Debounce = 1200;
  const auto bytes = Build(config);  // saving re-applies the model
  EXPECT_EQ(di->Inputs()->At(2)->Name(), "Дверь");

  RecordingMessages m;
  Configuration loaded(m);
  ASSERT_TRUE(test::Load(loaded, bytes));
  auto* back = dynamic_cast<TDI*>(loaded.Controller().Child(1));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Debounce, 1200);
  ASSERT_EQ(back->Inputs()->Count(), 8);
  EXPECT_EQ(back->Inputs()->At(2)->Name(), "Дверь");
  EXPECT_EQ(back->Inputs()->At(3)->Name(), "ТС4");
  EXPECT_EQ(back->Inputs()->At(1)->TSType, 2);
  EXPECT_EQ(test::Slice(Build(loaded), 144, bytes.size() - 146),
            test::Slice(bytes, 144, bytes.size() - 146));
}

TEST_F(ControllerTest, PortKindsTheFirmwareLacksAreMarkedAndBlockSaving) {
  FieldPort* modbus = test::AddFieldPort(config, 1, "A", 0, 0, 0);
  FieldPort* tcp = test::AddFieldPort(config, 2, "B", 0, 0, 0, test::kTcpPortCode);
  FieldPort* tcp2 = test::AddFieldPort(config, 3, "C", 0, 0, 0, test::kTcpPortCode);
  tcp2->SetName("Второй");
  LinkToBoard(modbus, 33);
  LinkToBoard(tcp, 34);
  LinkToBoard(tcp2, 35);
  c.ApplyModel();
  EXPECT_EQ(tcp->StateIcon(), -1);
  ASSERT_FALSE(Build(config).empty());

  c.Record.Minor = 5;
  c.ApplyModel();
  EXPECT_FALSE(c.Desc.PortKinds[129]);
  EXPECT_TRUE(c.Desc.PortKinds[102]);
  EXPECT_EQ(modbus->StateIcon(), -1);
  EXPECT_EQ(tcp->StateIcon(), 3);
  EXPECT_EQ(tcp2->StateIcon(), 3);
  EXPECT_EQ(c.PortIP()->StateIcon(), -1);

  messages.Errors.clear();
  EXPECT_TRUE(Build(config).empty());
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{"Порт Поле не совместим с контроллером или его версией ПФ.",
                                      "Порт Второй не совместим с контроллером или его версией ПФ.",
                                      "Сохранение прервано."}));

  c.Record.Minor = 12;
  c.ApplyModel();
  EXPECT_EQ(tcp->StateIcon(), -1);
  messages.Errors.clear();
  EXPECT_FALSE(Build(config).empty());
  EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(ControllerTest, DuplicatePortNumbersBlockSavingUnlinkedPortsOnlyWarn) {
  FieldPort* a = test::AddFieldPort(config, 4, "A", 0, 0, 0);
  FieldPort* b = test::AddFieldPort(config, 5, "B", 0, 0, 0);

  // Unlinked: a warning, and the image is built.
  auto bytes = Build(config);
  EXPECT_FALSE(bytes.empty());
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Не все порты связаны с COM."}));

  LinkToBoard(a, 33);
  LinkToBoard(b, 34);
  messages.Errors.clear();
  EXPECT_FALSE(Build(config).empty());
  EXPECT_TRUE(messages.Errors.empty());

  b->Number = 4;
  messages.Errors.clear();
  EXPECT_TRUE(Build(config).empty());
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Обнаружены порты с одинаковым адресом.",
                                                       "Сохранение прервано."}));

  // All three messages when everything goes wrong at once.
  c.Record.Minor = 0;
  b->Kind = test::kTcpPortCode;
  b->Unlink();
  messages.Errors.clear();
  EXPECT_TRUE(Build(config).empty());
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{"Порт Поле не совместим с контроллером или его версией ПФ.",
                                      "Обнаружены порты с одинаковым адресом.",
                                      "Не все порты связаны с COM.", "Сохранение прервано."}));
}

TEST_F(ControllerTest, ImageBeyondOneMegabyteIsRefused) {
  // 8192 input names and 8192 command names: 2 x 8192 x 65 bytes, more than 1 MiB.
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 8192, 8192, 0);
  LinkToBoard(port, 33);
  auto image = std::make_unique<ConfigImage>();
  EXPECT_FALSE(BuildImage(config, *image, "big.cfg", "", test::FixedTime()));
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{"Конфигурация не помещается в образ размером 1 МБ.",
                                      "Сохранение прервано."}));
  EXPECT_EQ(image->TotalSize, 0u);
  // Nothing was written where the last row of a 1 MiB image would be, or beyond.
  for (std::size_t at = 1048559; at < image->Capacity(); ++at)
    ASSERT_EQ(image->Data()[at], 0) << at;

  // One list less, and it fits.
  port->TuCount = 0;
  port->UpdateSignalList();
  messages.Errors.clear();
  EXPECT_TRUE(BuildImage(config, *image, "big.cfg", "", test::FixedTime()));
  EXPECT_TRUE(messages.Errors.empty());
  EXPECT_LE(image->TotalSize, 1048576u);
  EXPECT_EQ(image->TotalSize % 16, 0u);
}

TEST_F(ControllerTest, ProcessorBoardKeysMissingOrUnknown) {
  TProc* proc = c.Proc();
  proc->PasswordFlags = {1, 0, 1, 1};
  proc->Address = 0x1234;
  auto bytes = Build(config);
  const std::size_t passwords = test::FindRecord(bytes, 144, 34);
  ASSERT_EQ(passwords, 144u + 207 - 12);
  EXPECT_EQ(test::Slice(bytes, passwords + 8, 4), Bytes({1, 0, 1, 1}));
  EXPECT_EQ(test::Slice(bytes, test::FindRecord(bytes, 144, 1) + 8, 2), Bytes({0x34, 0x12}));

  // Key 34 renamed to a key nobody reads: the flags take their defaults, the rest loads.
  bytes[passwords + 2] = 250;
  test::Restamp(bytes);
  // Loading replaces the tree: the controller is reached through the configuration.
  ASSERT_TRUE(test::Load(config, bytes));
  EXPECT_TRUE(messages.Errors.empty());
  EXPECT_EQ(config.Controller().Proc()->PasswordFlags, (std::array<std::uint8_t, 4>{0, 1, 0, 0}));
  EXPECT_EQ(config.Controller().Proc()->Address, 0x1234);

  // Processor block of a newer version: defaults everywhere, nothing else read.
  bytes = Build(config);
  bytes[144 + 16] = 2;
  test::Restamp(bytes);
  ASSERT_TRUE(test::Load(config, bytes));
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Новая версия Процессор"}));
  EXPECT_EQ(config.Controller().Proc()->Address, 1);
  EXPECT_EQ(config.Controller().ChildCount(), 9);
}

TEST_F(ControllerTest, NewConfigurationKeepsTheModelAndDropsThePorts) {
  SwitchModel(config, 22);
  test::AddFieldPort(config, 1, "A", 2, 0, 0);
  test::AddPC(config, "ПК", 1);
  c.Proc()->Place = "x";
  static_cast<TRS232*>(c.Child(1))->Speed = 1200;
  c.NewConfiguration();
  EXPECT_EQ(c.TypeCode, 22);
  EXPECT_EQ(c.ChildCount(), 5);
  EXPECT_EQ(c.Proc()->ChildCount(), 1);
  EXPECT_EQ(c.PortIP()->ChildCount(), 0);
  EXPECT_EQ(c.Proc()->Place, "");
  EXPECT_EQ(static_cast<TRS232*>(c.Child(1))->Speed, 9600);
  EXPECT_EQ(config.Storage().Count(kKindTS), 0);
  EXPECT_EQ(config.Storage().Count(kKindTI), 0);
}

}  // namespace
}  // namespace vilk

namespace vilk {
namespace {

// A network port has no COM board to lack: only ports that need one are warned about.
TEST(SaveChecks, OnlyPortsThatNeedACOMBoardWarnWhenUnlinked) {
  RecordingMessages messages;
  Configuration config(messages);
  TItem* snmp = config.Append(config.Controller().Proc(), MakePort(config, 134));
  ASSERT_NE(snmp, nullptr);
  snmp->Number = 1;
  ASSERT_FALSE(test::Build(config).empty());
  EXPECT_TRUE(messages.Errors.empty()) << messages.Errors.front();
}

}  // namespace
}  // namespace vilk
