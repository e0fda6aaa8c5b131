// IEC-103 ports and devices: their records byte for byte, the naming of their signals, the
// 255-entry tables against older files' longer ones, the template library, and reading
// the table editor into a device.
#include "ports/fieldbus/iec103.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/ini.h"
#include "base/text.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "file_faults.h"
#include "ports/fieldbus/templates.h"
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

ByteVec Text65(const std::string& utf8) {
  return Place65(Utf8ToCp1251(utf8));
}
std::vector<std::string> Names(const TParams* list) {
  std::vector<std::string> names;
  if (list)
    for (int i = 0; i < list->Count(); ++i) names.push_back(list->At(i)->Name());
  return names;
}
Iec103Table Entries(int n, bool ti) {
  Iec103Table t;
  for (int i = 0; i < n; ++i)
    t.push_back({static_cast<std::uint8_t>(i % 256), static_cast<std::uint8_t>(i / 256 + 1),
                 static_cast<std::uint8_t>(ti ? 1 + i % 32 : 0)});
  return t;
}

class Iec103Test : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTemplateHome("");
    Iec103Templates().Reset();
  }
  void TearDown() override {
    SetTemplateHome("");
    Iec103Templates().Reset();
  }
  TPort103* AddPort(int number) {
    auto* port = static_cast<TPort103*>(
        config.Append(config.Controller().Proc(), MakePort(config, kPort103)));
    port->Renumber(static_cast<std::uint8_t>(number));
    return port;
  }
  // Sets the tables and rebuilds the lists as the frame does.
  static void SetTables(TRTU103* d, Iec103Table ts, Iec103Table tu, Iec103Table ti) {
    d->TS = std::move(ts);
    d->TU = std::move(tu);
    d->TI = std::move(ti);
    d->Fresh = false;
    d->UpdateSignalList();
  }

  RecordingMessages messages;
  Configuration config{messages};
};

// --- records ---

TEST_F(Iec103Test, PortRecordByteForByte) {
  TPort103* port = AddPort(3);
  test::LinkToBoard(port, 34);
  port->TimeSync = 2 * 60000;
  port->GeneralPoll = 60000;
  EXPECT_EQ(port->Caption(), "3_Порт МЭК 870-5-103");
  EXPECT_EQ(
      test::SaveItem(*port),
      Blk(115, {Rec(48, {1}), Rec(1, {3}), Rec(57, {0x2C, 0x01}), Rec(31, {0xC0, 0xD4, 0x01, 0x00}),
                Rec(17, {0x60, 0xEA, 0x00, 0x00}), Rec(20, {0}), Rec(30, {34})}));
  // Without a board there is no key 30.
  TController::SelectBoard(port, nullptr);
  EXPECT_EQ(test::SaveItem(*port), Blk(115, {Rec(48, {1}), Rec(1, {3}), Rec(57, {0x2C, 0x01}),
                                             Rec(31, {0xC0, 0xD4, 0x01, 0x00}),
                                             Rec(17, {0x60, 0xEA, 0x00, 0x00}), Rec(20, {0})}));
}

TEST_F(Iec103Test, DeviceRecordByteForByte) {
  TPort103* port = AddPort(3);
  TRTU103* d = port->AddDevice(7, "Sirius");
  d->Place = "Щит";
  d->Attempts = 3;
  SetTables(d, {{160, 1}, {160, 2}}, {{20, 1}}, {{128, 148, 3}});
  ASSERT_EQ(d->Caption(), "7_Sirius");
  const std::string prefix = "3_Порт.7_Sirius.";
  EXPECT_EQ(
      test::SaveItem(*d),
      Blk(208,
          {Rec(48, {1}), Rec(77, Text65("Щит")), Rec(1, {7}), Rec(62, {3}),
           Rec(41, Text65("Sirius")), Rec(13, {2}), Rec(14, {1}), Rec(15, {1}),
           Rec(45, {160, 1, 160, 2}), Rec(46, {128, 148, 3}), Rec(47, {20, 1}),
           Blk(211, {Rec(48, {1}), Rec(13, U16(2)),
                     Rec(41, Join({Text65(prefix + "Щит Func160_Inf1"),
                                   Text65(prefix + "Щит Func160_Inf2")})),
                     Rec(78, {0, 0})}),
           Blk(212, {Rec(48, {1}), Rec(15, U16(1)), Rec(41, Text65(prefix + "Щит Func20_Inf1"))}),
           Blk(213, {Rec(48, {1}), Rec(14, U16(1)),
                     Rec(41, Text65(prefix + "Щит Func128_Inf148_N3")), Rec(46, {0})})}));

  // A device without entries has no lists and writes empty tables.
  TRTU103* e = port->AddDevice(9, "");
  EXPECT_EQ(test::SaveItem(*e),
            Blk(208, {Rec(48, {1}), Rec(77, Text65("")), Rec(1, {9}), Rec(62, {5}),
                      Rec(41, Text65("RTU_103")), Rec(13, {0}), Rec(14, {0}), Rec(15, {0}),
                      Rec(45, {}), Rec(46, {}), Rec(47, {})}));
  // The port: its count, the link states named after caption and place, the devices.
  EXPECT_EQ(port->DeviceCount, 2);
  EXPECT_EQ(Names(port->LinkStates()),
            (std::vector<std::string>{"3_Порт.связь_7_Sirius_Щит", "3_Порт.связь_9_RTU_103"}));
}

// --- naming ---

TEST_F(Iec103Test, NamesComeFromTheAddressesThePlaceAndTheTemplate) {
  TRTU103* d = AddPort(1)->AddDevice(4, "");
  SetTables(d, {{1, 2}, {1, 2}, {1, 2}}, {}, {{128, 148, 3}, {0, 0, 5}});
  EXPECT_EQ(Names(d->List(kKindTI)), (std::vector<std::string>{"1_Порт.4_RTU_103.Func128_Inf148_N3",
                                                               "1_Порт.4_RTU_103.Func0_Inf0_N5"}));
  // Repeats of one address are told apart; no ТУ entries, no ТУ list.
  EXPECT_EQ(Names(d->List(kKindTS)),
            (std::vector<std::string>{"1_Порт.4_RTU_103.Func1_Inf2",
                                      "1_Порт.4_RTU_103.Func1_Inf2_повтор1",
                                      "1_Порт.4_RTU_103.Func1_Inf2_повтор2"}));
  EXPECT_EQ(d->List(kKindTU), nullptr);
  // The children read ТС, ТИ; a ТУ list joins between them.
  SetTables(d, d->TS, {{9, 9}}, d->TI);
  ASSERT_EQ(d->ChildCount(), 3);
  EXPECT_EQ(d->Child(1), d->List(kKindTU));
  EXPECT_EQ(d->Child(2), d->List(kKindTI));

  // A place prefixes every name with a space; dots stay.
  d->Place = "Ячейка 5.1";
  d->UpdateSignalList();
  EXPECT_EQ(Names(d->List(kKindTU)),
            (std::vector<std::string>{"1_Порт.4_RTU_103.Ячейка 5.1 Func9_Inf9"}));

  // With a template the names come from its sections, the default where a key is missing.
  test::ScratchFolder home;
  std::filesystem::create_directories(home / "IEC_103");
  IniDocument tpl;
  tpl.WriteString("Устройства", "Sirius", "");
  tpl.WriteString("Список ТИ", "128 148 3", "Ток фазы А");
  tpl.WriteString("Список ТС", "1 2", "Выключатель");
  ASSERT_TRUE(tpl.SaveFile(home / "IEC_103/sirius.ini"));
  SetTemplateHome(home.Path());
  Iec103Templates().Reset();
  ASSERT_TRUE(Iec103Templates().Load(home.Path(), messages));
  d->SetName("Sirius");
  d->Place.clear();
  d->UpdateSignalList();
  EXPECT_EQ(Names(d->List(kKindTI)), (std::vector<std::string>{"1_Порт.4_Sirius.Ток фазы А",
                                                               "1_Порт.4_Sirius.Func0_Inf0_N5"}));
  EXPECT_EQ(Names(d->List(kKindTS))[1], "1_Порт.4_Sirius.Выключатель_повтор1");
  // The port's new number renames every signal and link state.
  static_cast<TPort103*>(d->Parent())->Renumber(6);
  EXPECT_EQ(Names(d->List(kKindTI))[0], "6_Порт.4_Sirius.Ток фазы А");
  EXPECT_EQ(Names(static_cast<TPort103*>(d->Parent())->LinkStates()),
            (std::vector<std::string>{"6_Порт.связь_4_Sirius"}));
}

// --- the one-byte counts ---

TEST_F(Iec103Test, ExactlyTwoHundredFiftyFiveEntriesSurviveSavingAndLoading) {
  TPort103* port = AddPort(1);
  test::LinkToBoard(port, 33);
  TRTU103* d = port->AddDevice(2, "");
  SetTables(d, Entries(255, false), Entries(255, false), Entries(255, true));
  const std::vector<std::uint8_t> first = test::Build(config);
  ASSERT_FALSE(first.empty()) << (messages.Errors.empty() ? "" : messages.Errors.back());

  RecordingMessages loadMessages;
  Configuration loaded(loadMessages);
  ASSERT_TRUE(test::Load(loaded, first));
  EXPECT_TRUE(loadMessages.Errors.empty()) << loadMessages.Errors.front();
  auto* back = dynamic_cast<TRTU103*>(loaded.Controller().Proc()->Child(1)->Child(1));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->TS, d->TS);
  EXPECT_EQ(back->TU, d->TU);
  EXPECT_EQ(back->TI, d->TI);
  EXPECT_EQ(back->List(kKindTI)->Count(), 255);
  EXPECT_EQ(test::Build(loaded), first);
  EXPECT_EQ(test::DumpTree(loaded), test::DumpTree(config));
}

TEST_F(Iec103Test, TwoHundredFiftySixEntriesStopTheSave) {
  TPort103* port = AddPort(1);
  test::LinkToBoard(port, 33);
  TRTU103* d = port->AddDevice(2, "");
  SetTables(d, Entries(3, false), {}, Entries(256, true));
  EXPECT_TRUE(test::Build(config).empty());
  ASSERT_FALSE(messages.Errors.empty());
  EXPECT_EQ(messages.Errors.front(),
            "Устройство 2_RTU_103: в таблице ТИ 256 записей, сохраняется не более 255.");
  // One entry fewer saves.
  d->TI.pop_back();
  d->UpdateSignalList();
  messages.Errors.clear();
  EXPECT_FALSE(test::Build(config).empty());
  EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(Iec103Test, OlderFilesAreReadByTheRecordLength) {
  TRTU103* d = AddPort(1)->AddDevice(2, "");
  // 300 ТС entries: the count byte holds 300 mod 256 = 44.
  ByteVec ts;
  for (int i = 0; i < 300; ++i) {
    ts.push_back(static_cast<std::uint8_t>(i % 7));
    ts.push_back(static_cast<std::uint8_t>(i % 256));
  }
  test::LoadItem(*d, Blk(208, {Rec(48, {1}), Rec(1, {2}), Rec(13, {44}), Rec(14, {0}), Rec(15, {0}),
                               Rec(45, ts), Rec(46, {}), Rec(47, {})}));
  EXPECT_TRUE(messages.Errors.empty()) << messages.Errors.front();
  ASSERT_EQ(d->TS.size(), 300u);
  EXPECT_EQ(d->TS[299], (Iec103Entry{299 % 7, 299 % 256, 0}));
  EXPECT_EQ(d->List(kKindTS)->Count(), 300);
  // Such a device is not written back with a wrong count: the save stops and says why.
  EXPECT_EQ(d->OverfullTable(),
            "Устройство 2_RTU_103: в таблице ТС 300 записей, сохраняется не более 255.");
}

TEST_F(Iec103Test, CountsThatDisagreeWithTheirRecordsAreReportedAndBounded) {
  TRTU103* d = AddPort(1)->AddDevice(2, "");
  // ТС: count 1 for two entries; ТИ: count 5 for one entry and a stray byte; ТУ: no count.
  test::LoadItem(*d, Blk(208, {Rec(48, {1}), Rec(1, {2}), Rec(13, {1}), Rec(14, {5}),
                               Rec(45, {1, 2, 3, 4}), Rec(46, {7, 8, 9, 10}), Rec(47, {5, 6})}));
  EXPECT_EQ(d->TS, (Iec103Table{{1, 2, 0}}));
  EXPECT_EQ(d->TI, (Iec103Table{{7, 8, 9}}));
  EXPECT_TRUE(d->TU.empty());
  ASSERT_EQ(messages.Errors.size(), 4u);
  EXPECT_EQ(messages.Errors[0],
            "Устройство 2_RTU_103: в таблице ТС записано 2 адресов при счётчике 1, читаются 1.");
  EXPECT_EQ(messages.Errors[1],
            "Устройство 2_RTU_103: запись таблицы ТИ длиной 4 байт не делится на записи по 3 "
            "байта, остаток пропущен.");
  EXPECT_EQ(messages.Errors[2],
            "Устройство 2_RTU_103: в таблице ТИ записано 1 адресов при счётчике 5, читаются 1.");
  EXPECT_EQ(messages.Errors[3],
            "Устройство 2_RTU_103: в таблице ТУ записано 1 адресов при счётчике 0, читаются 0.");
  // A newer version is left at its defaults.
  messages.Errors.clear();
  TRTU103* e = static_cast<TPort103*>(d->Parent())->AddDevice(3, "");
  test::LoadItem(*e, Blk(208, {Rec(48, {2}), Rec(1, {9}), Rec(13, {1}), Rec(45, {1, 1})}));
  EXPECT_EQ(e->Number, 3);
  EXPECT_TRUE(e->TS.empty());
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_NE(messages.Errors[0].find("Новая версия"), std::string::npos);
}

// --- templates ---

class Iec103TemplateLibraryTest : public Iec103Test {
 protected:
  void SetUp() override {
    Iec103Test::SetUp();
    std::filesystem::create_directories(home / "IEC_103");
    SetTemplateHome(home.Path());
  }
  test::ScratchFolder home;
};

TEST_F(Iec103TemplateLibraryTest, ATemplateFillsTheTablesAndRefusesWhatDoesNotFit) {
  test::WriteAll(home / "IEC_103/sirius.ini",
                 test::Ascii(Utf8ToCp1251("[Устройства]\r\nSirius=\r\n"
                                          "[Таблица ТС]\r\nТС_1=160 1\r\nТС_7=\r\nТСx=1 2\r\n"
                                          "ТС_3=1 a\r\nТС_4=1 256\r\nТС_5=1 2 3\r\n"
                                          "[Таблица ТИ]\r\nТИ_1=128 148 3\r\n"
                                          "[Таблица ТУ]\r\nТУ_1=20 1\r\n")));
  TPort103* port = AddPort(2);
  TRTU103* d = port->AddDevice(5, "Sirius");
  EXPECT_FALSE(d->Fresh);
  EXPECT_EQ(d->TS, (Iec103Table{{160, 1, 0}, {1, 2, 0}}));
  EXPECT_EQ(d->TI, (Iec103Table{{128, 148, 3}}));
  EXPECT_EQ(d->TU, (Iec103Table{{20, 1, 0}}));
  ASSERT_EQ(messages.Errors.size(), 3u);
  EXPECT_EQ(messages.Errors[0],
            "Шаблон sirius.ini, раздел Таблица ТС: значение \"1 a\" не является адресом, "
            "пропущено.");
  EXPECT_EQ(Names(d->List(kKindTS)), (std::vector<std::string>{"2_Порт.5_Sirius.Func160_Inf1",
                                                               "2_Порт.5_Sirius.Func1_Inf2"}));
  // A type without a template leaves the device as it is.
  d->SetName("Other");
  d->LoadTemplate();
  EXPECT_EQ(d->TS.size(), 2u);
}

TEST_F(Iec103TemplateLibraryTest, SavingWritesTheTablesWithoutEntriesOfFunctionZero) {
  ASSERT_TRUE(Iec103Templates().Load(home.Path(), messages));
  TRTU103* d = AddPort(1)->AddDevice(3, "");
  SetTables(d, {{160, 1}, {0, 5}, {160, 2}}, {{20, 1}}, {{128, 148, 3}});
  ASSERT_TRUE(SaveIec103Template(Iec103Templates(), *d, "Relay", messages));
  EXPECT_EQ(d->Name(), "Relay");
  EXPECT_EQ(d->Caption(), "3_Relay");
  IniDocument written;
  ASSERT_TRUE(written.LoadFile(home / "IEC_103/Relay.ini"));
  EXPECT_EQ(written.SectionValues("Устройства"),
            (std::vector<std::pair<std::string, std::string>>{{"Relay", ""}}));
  EXPECT_EQ(written.SectionValues("Таблица ТС"), (std::vector<std::pair<std::string, std::string>>{
                                                     {"ТС_1", "160 1"}, {"ТС_3", "160 2"}}));
  EXPECT_EQ(written.SectionValues("Таблица ТИ"),
            (std::vector<std::pair<std::string, std::string>>{{"ТИ_1", "128 148 3"}}));
  EXPECT_EQ(written.SectionValues("Таблица ТУ"),
            (std::vector<std::pair<std::string, std::string>>{{"ТУ_1", "20 1"}}));
  // Saving again asks first; "Нет" leaves the file alone.
  messages.SetAnswer(Answer::No);
  d->TS.clear();
  EXPECT_FALSE(SaveIec103Template(Iec103Templates(), *d, "Relay", messages));
  ASSERT_EQ(messages.Questions.size(), 1u);
  EXPECT_EQ(messages.Questions[0], "Блок уже существует.\rПереписать настройку?");
  IniDocument again;
  ASSERT_TRUE(again.LoadFile(home / "IEC_103/Relay.ini"));
  EXPECT_EQ(again.SectionValues("Таблица ТС").size(), 2u);
}

// --- the table editor ---

TEST(Iec103TableModelTest, RowsWithAValueBecomeEntriesAndBadCellsAsk) {
  TableModel model = Iec103TableModel(kKindTI);
  ASSERT_EQ(model.ColumnCount(), 3);
  EXPECT_EQ(model.Column(2).Caption, "Номер слова");
  EXPECT_EQ(model.Column(2).Min, 1);
  EXPECT_EQ(model.Column(2).Max, 32);
  // A row with only the word number is an entry of function type and information 0.
  model.Reset({{"128", "148", "3"}, {}, {"", "", "7"}, {}});
  Iec103Table out;
  ASSERT_TRUE(Iec103TableFromModel(model, kKindTI, out, nullptr, nullptr));
  EXPECT_EQ(out, (Iec103Table{{128, 148, 3}, {0, 0, 7}}));

  // A word number of 0 asks; Ignore reads it as 0, Cancel stops at that cell.
  model.Reset({{"1", "2", "3"}, {"4", "5", "0"}});
  std::vector<std::string> asked;
  auto ignore = [&asked](int, int, const std::string& m) {
    asked.push_back(m);
    return true;
  };
  ASSERT_TRUE(Iec103TableFromModel(model, kKindTI, out, ignore, nullptr));
  EXPECT_EQ(out, (Iec103Table{{1, 2, 3}, {4, 5, 0}}));
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0],
            "Ячейка таблицы (строка 2, колонка 3)\rсодержит недопустимое значение: \"0\"\r"
            "Допустимый диапазон значений: 1..32.\r");
  Iec103CellFault fault;
  EXPECT_FALSE(Iec103TableFromModel(
      model, kKindTI, out, [](int, int, const std::string&) { return false; }, &fault));
  EXPECT_EQ(fault.Row, 2);
  EXPECT_EQ(fault.Column, 3);

  // A device's table is shown with one empty row to type into, none when it is full.
  model = Iec103TableModel(kKindTS);
  Iec103TableToModel({{160, 1}}, kKindTS, model);
  EXPECT_EQ(model.RowCount(), 2);
  EXPECT_EQ(model.Cell(0, 0), "160");
  EXPECT_TRUE(model.RowEmpty(1));
  Iec103TableToModel(Entries(255, false), kKindTS, model);
  EXPECT_EQ(model.RowCount(), 255);
  EXPECT_FALSE(model.AppendRow());
}

}  // namespace
}  // namespace vilk
