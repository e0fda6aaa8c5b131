// The control-panel port: its record byte for byte, the legacy record without format
// rows, the summary bytes derived from the rows, the format rule, taking the pool into
// the selections, the INI export and the channel names.
#include "ports/telemechanics/pu.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/ini.h"
#include "model/tree_rules.h"
#include "pc_test_support.h"
#include "record_spelling.h"

namespace vilk {
namespace {

using test::Blk;
using test::ByteVec;
using test::Place65;
using test::Rec;
using test::SourcePort;
using test::U16;

ByteVec Sel(int blockId, int countKey, std::initializer_list<int> indexes) {
  ByteVec idx;
  for (int i : indexes) {
    const ByteVec two = U16(i);
    idx.insert(idx.end(), two.begin(), two.end());
  }
  return Blk(blockId,
             {Rec(48, {1}), Rec(countKey, U16(static_cast<int>(indexes.size()))), Rec(1, idx)});
}

// The values of a panel record up to the options, with the given summary and rows.
ByteVec PanelValues(std::uint8_t number, ByteVec summary, ByteVec rows, ByteVec addresses) {
  return test::Join({Rec(48, {1}), Rec(77, Place65("")), Rec(1, {number}), Rec(27, {2}), summary,
                     rows, addresses});
}

const ByteVec kBases =
    test::Join({Rec(10, {0x00, 0x20}), Rec(100, {0x00, 0xC0}), Rec(12, {0x00, 0x60}),
                Rec(11, {0x00, 0x40}), Rec(76, {0x00, 0xA0}), Rec(51, {0x00, 0x80})});
const ByteVec kEmptyLists = test::Join(
    {Sel(211, 13, {}), Sel(212, 15, {}), Sel(213, 14, {}), Sel(214, 75, {}), Sel(215, 74, {})});

class PUTest : public test::WithRealPC {
 protected:
  TPortPU* AddPU() {
    auto* pu = dynamic_cast<TPortPU*>(AddPort(config, kPortPU));
    EXPECT_NE(pu, nullptr);
    return pu;
  }
  RecordingMessages messages;
  Configuration config{messages};
};

TEST_F(PUTest, NewPortRecordHoldsEveryDefaultInKeyOrder) {
  config.Controller().Proc()->Address = 17;  // link and ASDU addresses come from it
  TPortPU* pu = AddPU();
  ASSERT_NE(pu, nullptr);
  EXPECT_EQ(pu->Caption(), "1_Порт ПУ");
  ASSERT_EQ(pu->ChildCount(), 6);
  const int order[] = {kKindTS, kKindTU, kKindTI, kKindTII, kKindTR, kKindMTS};
  for (int i = 0; i < 6; ++i) {
    ASSERT_NE(pu->Child(i)->AsParams(), nullptr);
    EXPECT_EQ(pu->Child(i)->SignalKind, order[i]);
    EXPECT_EQ(pu->Child(i)->ListRole, kRoleSelection);
  }
  const ByteVec expected =
      Blk(101, {Rec(48, {1}), Rec(77, Place65("")), Rec(1, {1}), Rec(27, {2}),
                // Summary: ТС interrogation 1; cyclic ТИ on with 8 per telegram: 2; 4 ТИИ.
                Rec(35, {1}), Rec(36, {2}), Rec(73, {4}), Rec(45, {8, 30, 0, 1, 21, 0}),
                Rec(46, {8, 11, 11, 0, 22, 0}), Rec(107, {4, 0, 0, 0, 23, 36}), Rec(109, {17}),
                Rec(108, {17}), Rec(78, {0, 0}), kBases, kEmptyLists});
  ASSERT_EQ(expected.size(), 440u);
  EXPECT_EQ(test::SaveItem(*pu), expected);
}

TEST_F(PUTest, BoardPlaceOptionsAndSelectionsRoundTrip) {
  AddSource(config, {{kKindTS, {"Щит.Ввод1", "Авария"}}, {kKindMTS, {"Режим"}}});
  TPortPU* pu = AddPU();
  pu->Place = "Щит";
  pu->Number = 2;
  pu->UpdateCaption();
  pu->ProtocolCode = TPortPU::kModbusRTU;
  pu->Options = 6;
  pu->BaseTS = 0x0100;
  test::LinkToBoard(pu, 33);
  ASSERT_NE(pu->LinkedBoard, nullptr);
  pu->List(kKindTS)->Append(Acquire(config.Storage().List(kKindTS).At(1)));
  pu->List(kKindMTS)->Append(Acquire(config.Storage().List(kKindMTS).At(0)));
  const ByteVec bytes = test::SaveItem(*pu);
  const ByteVec expected = Blk(
      101,
      {Rec(48, {1}), Rec(77, Place65(test::Cp1251("Щит"))), Rec(1, {2}), Rec(27, {1}),
       Rec(30, {33}), Rec(35, {1}), Rec(36, {2}), Rec(73, {4}), Rec(45, {8, 30, 0, 1, 21, 0}),
       Rec(46, {8, 11, 11, 0, 22, 0}), Rec(107, {4, 0, 0, 0, 23, 36}), Rec(109, {1}), Rec(108, {1}),
       Rec(78, {6, 0}), Rec(10, {0x00, 0x01}), Rec(100, {0x00, 0xC0}), Rec(12, {0x00, 0x60}),
       Rec(11, {0x00, 0x40}), Rec(76, {0x00, 0xA0}), Rec(51, {0x00, 0x80}), Sel(211, 13, {1}),
       Sel(212, 15, {}), Sel(213, 14, {}), Sel(214, 75, {}), Sel(215, 74, {}),
       // The МТС list is written once it holds something.
       Sel(219, 99, {0})});
  EXPECT_EQ(bytes, expected);

  // The whole configuration survives a build and a load with the same bytes.
  const ByteVec image = test::Build(config);
  ASSERT_FALSE(image.empty());
  Configuration loaded(messages);
  ASSERT_TRUE(test::Load(loaded, image));
  EXPECT_EQ(test::Build(loaded), image);
  EXPECT_EQ(test::DumpTree(loaded), test::DumpTree(config));
}

TEST_F(PUTest, RecordWithoutFormatRowsDerivesThemFromTheSummaryBytes) {
  config.Controller().Proc()->Address = 9;
  struct Case {
    std::uint8_t ts, ti, tii;
    FormatRow tsRow, tiRow, tiiRow;
  } cases[] = {
      // 7 counts as ТС (1,3); ТИ 0: 8 per telegram, cyclic off; ТИИ 5 is not a count: 4.
      {7, 0, 5, {8, 30, 0, 1, 21, 0}, {8, 11, 0, 0, 22, 0}, {4, 0, 0, 0, 23, 36}},
      {30, 1, 8, {8, 30, 0, 30, 21, 0}, {1, 11, 11, 0, 22, 0}, {8, 0, 0, 0, 23, 36}},
      {1, 2, 1, {8, 30, 0, 1, 21, 0}, {8, 11, 11, 0, 22, 0}, {1, 0, 0, 0, 23, 36}},
  };
  for (const Case& c : cases) {
    TPortPU* pu = AddPU();
    // Rows edited away from the defaults: loading starts from the defaults again.
    pu->TIIFormat = {8, 1, 1, 1, 1, 1};
    const ByteVec old = Blk(
        101,
        {PanelValues(2, test::Join({Rec(35, {c.ts}), Rec(36, {c.ti}), Rec(73, {c.tii})}), {}, {}),
         Rec(78, {0, 0}), kBases});
    test::LoadItem(*pu, old);
    EXPECT_EQ(pu->TSFormat, c.tsRow) << int(c.ts);
    EXPECT_EQ(pu->TIFormat, c.tiRow) << int(c.ti);
    EXPECT_EQ(pu->TIIFormat, c.tiiRow) << int(c.tii);
    // Link and ASDU addresses missing: the controller's address.
    EXPECT_EQ(pu->LinkAddress, 9);
    EXPECT_EQ(pu->AsduAddress, 9);
    // A resave writes the rows and the summary bytes they mean.
    const ByteVec again = test::SaveItem(*pu);
    const std::size_t at = test::FindRecord(again, 0, 35);
    ASSERT_NE(at, 0u);
    EXPECT_EQ(again[at + 8], c.tsRow[3]);
    EXPECT_EQ(again[test::FindRecord(again, 0, 36) + 8], c.tiRow[2] == 0  ? 0
                                                         : c.tiRow[0] < 2 ? 1
                                                                          : 2);
    EXPECT_EQ(again[test::FindRecord(again, 0, 73) + 8], c.tiiRow[0]);
    EXPECT_NE(test::FindRecord(again, 0, 45), 0u);
    DeleteItem(config, pu);
  }
}

TEST_F(PUTest, StaleSummaryBytesAreRewrittenFromTheRows) {
  TPortPU* pu = AddPU();
  // The rows say: ТС with time, one ТИ per telegram cyclic, 8 ТИИ; the summary bytes say
  // otherwise (what an older program left beside edited rows).
  const ByteVec stored = Blk(
      101, {PanelValues(1,
                        test::Join({Rec(35, {1}), Rec(36, {2}), Rec(73, {4}),
                                    Rec(45, {8, 30, 0, 30, 21, 0}), Rec(46, {1, 11, 13, 0, 22, 0}),
                                    Rec(107, {8, 0, 0, 36, 23, 36})}),
                        {}, test::Join({Rec(109, {5}), Rec(108, {6})})),
            Rec(78, {2, 0}), kBases, kEmptyLists});
  test::LoadItem(*pu, stored);
  EXPECT_EQ(pu->LinkAddress, 5);
  EXPECT_EQ(pu->AsduAddress, 6);
  ByteVec expected = stored;
  const std::size_t ts = test::FindRecord(expected, 0, 35);
  expected[ts + 8] = 30;
  expected[test::FindRecord(expected, 0, 36) + 8] = 1;
  expected[test::FindRecord(expected, 0, 73) + 8] = 8;
  EXPECT_EQ(test::SaveItem(*pu), expected);
}

TEST_F(PUTest, ABoardLinkThatCannotBeMadeIsSaid) {
  TPortPU* first = AddPU();
  test::LinkToBoard(first, 33);
  ASSERT_NE(first->LinkedBoard, nullptr);
  for (int board : {99, 33}) {
    TPortPU* pu = AddPU();
    pu->Number = 3;
    const ByteVec stored = Blk(101, {Rec(48, {1}), Rec(77, Place65("")), Rec(1, {3}), Rec(27, {2}),
                                     Rec(30, {static_cast<std::uint8_t>(board)})});
    messages.Errors.clear();
    test::LoadItem(*pu, stored);
    EXPECT_EQ(pu->LinkedBoard, nullptr);
    EXPECT_EQ(first->LinkedBoard->Number, 33) << "the other port keeps its board";
    ASSERT_EQ(messages.Errors.size(), 1u);
    EXPECT_EQ(messages.Errors[0],
              board == 99 ? "3_Порт ПУ: плата с номером 99 не найдена, порт не связан с платой."
                          : "3_Порт ПУ: плата с номером 33 уже связана с другим портом, порт не "
                            "связан с платой.");
    DeleteItem(config, pu);
  }
}

TEST_F(PUTest, TimedTIFormatsAllowSixteenPerTelegram) {
  TPortPU* pu = AddPU();
  pu->TIFormat = {24, 36, 0, 0, 22, 0};  // sporadic "Float + время (36)"
  pu->NormalizeFormats();
  EXPECT_EQ(pu->TIFormat[0], 16);
  for (int cell : {1, 2, 3}) {
    FormatRow row{24, 11, 11, 0, 22, 0};
    row[static_cast<std::size_t>(cell)] = 35;
    TPortPU::LimitTimedTI(row);
    EXPECT_EQ(row[0], 16) << cell;
  }
  FormatRow untimed{24, 11, 13, 11, 22, 0};
  TPortPU::LimitTimedTI(untimed);
  EXPECT_EQ(untimed[0], 24);
}

TEST_F(PUTest, UpdatePeriodCountsRequests) {
  AddSource(config, {{kKindTI, {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}}});
  TPortPU* pu = AddPU();
  for (int i = 0; i < 10; ++i)
    pu->List(kKindTI)->Append(Acquire(config.Storage().List(kKindTI).At(i)));
  pu->TIFormat[0] = 8;
  EXPECT_EQ(pu->UpdatePeriodText(), "2 запросов");  // 10 / 8, a remainder adds one
  pu->TIFormat[0] = 1;
  EXPECT_EQ(pu->UpdatePeriodText(), "10 запросов");
  pu->TIFormat[2] = 0;
  EXPECT_EQ(pu->UpdatePeriodText(), "определяется периодом \"Опроса группы 2\"");
}

TEST_F(PUTest, TakingThePoolKeepsTwoWordValuesAndIecGroups) {
  SourcePort* source = AddSource(
      config,
      {{kKindTI, {"t0", "t1", "t2", "t3", "t4", "t5", "t6", "t7", "t8", "t9", "t10", "t11"}},
       {kKindTS, {"s0", "s1"}},
       {kKindTII, {"e0"}}});
  source->Signal(kKindTI, 2)->ValueFormat = 4;  // t2 is a two-word value
  TPortPU* pu = AddPU();
  pu->TakeFromStorage();
  auto names = [](const TParams* list) {
    std::vector<std::string> out;
    for (const TParam* s : list->Items) out.push_back(s ? s->Name() : "(null)");
    return out;
  };
  EXPECT_EQ(names(pu->List(kKindTS)), (std::vector<std::string>{"s0", "s1"}));
  // t2 takes two addresses; the pool's second group of eight starts at address 16.
  EXPECT_EQ(names(pu->List(kKindTI)),
            (std::vector<std::string>{"t0", "t1", "t2", "", "t3", "t4", "t5", "t6", "t7",  "",
                                      "",   "",   "",   "", "",   "",   "t8", "t9", "t10", "t11"}));
  EXPECT_EQ(pu->List(kKindTII)->Count(), 0);  // ТИИ and МТС are not taken
  const ByteVec bytes = test::SaveItem(*pu);
  const int none = 0xFFFF;
  const ByteVec tiList = Sel(213, 14, {0,    1,    2,    none, 3,    4,    5, 6, 7,  none,
                                       none, none, none, none, none, none, 8, 9, 10, 11});
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), tiList.begin(), tiList.end()), bytes.end());

  // Modbus: no groups, the two-word value still takes two addresses; taking again
  // replaces what was there.
  pu->ProtocolCode = TPortPU::kModbusRTU;
  pu->TakeFromStorage();
  EXPECT_EQ(names(pu->List(kKindTI)),
            (std::vector<std::string>{"t0", "t1", "t2", "", "t3", "t4", "t5", "t6", "t7", "t8",
                                      "t9", "t10", "t11"}));
  // Without a two-word value the groups need no padding.
  source->Signal(kKindTI, 2)->ValueFormat = 2;
  pu->ProtocolCode = TPortPU::kIec101;
  pu->TakeFromStorage();
  EXPECT_EQ(pu->List(kKindTI)->Count(), 12);
}

TEST_F(PUTest, IniExportSectionsByNameAndKeysByAddress) {
  AddSource(config, {{kKindTS, {"Щит.Ввод1", "Авария"}}, {kKindTI, {"Щит.Секция.U"}}});
  TPortPU* pu = AddPU();
  pu->BaseTS = 0x100;
  pu->List(kKindTS)->Append(Acquire(config.Storage().List(kKindTS).At(0)));
  pu->List(kKindTS)->Append(Acquire(config.Storage().List(kKindTS).At(1)));
  pu->List(kKindTI)->Append(Acquire(config.Storage().List(kKindTI).At(0)));
  EXPECT_EQ(pu->ChannelName(*pu->List(kKindTS), 1), "257");
  EXPECT_EQ(pu->ChannelName(*pu->List(kKindTI), 0), "16384");

  const std::string dir = ::testing::TempDir() + "pu_ini_" + std::to_string(::getpid());
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/panel.ini";
  test::WriteText(path, "[Old]\r\nx=1\r\n");  // the file is rewritten, not merged
  ASSERT_TRUE(pu->ExportIni(path));
  IniDocument ini;
  ASSERT_TRUE(ini.LoadFile(path));
  EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"TS.Щит", "TS.", "TI.Щит.Секция"}));
  EXPECT_EQ(ini.ReadString("TS.Щит", "256"), "Ввод1");
  EXPECT_EQ(ini.ReadString("TS.", "257"), "Авария");
  EXPECT_EQ(ini.ReadString("TI.Щит.Секция", "16384"), "U");

  // A folder that cannot take the file: the error names it and nothing is claimed.
  messages.Errors.clear();
  EXPECT_FALSE(pu->ExportIni(dir + "/missing/panel.ini"));
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0], "Ошибка записи файла " + dir + "/missing/panel.ini");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vilk
