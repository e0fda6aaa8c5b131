// Signal lists to and from CSV: the text format as spreadsheets write it, the round trip of
// every field of own and selection lists, and imports that must change nothing because one
// row is wrong.
#include "signals/csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controller/proc.h"
#include "pc_test_support.h"
#include "signals/storage.h"
#include "test_items.h"

namespace vilk {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

TEST(CsvText, QuotesOnlyWhatNeedsItAndReadsItBack) {
  const std::vector<CsvRecord> records{{"№", "Имя параметра"}, {"0", "Насос; правый"},
                                       {"1", "Клапан \"A\""},  {"2", "две\r\nстроки"},
                                       {"3", " пробел"},       {"4", ""}};
  const std::string text = WriteCsv(records);
  EXPECT_EQ(text, kBom +
                      "№;Имя параметра\r\n0;\"Насос; правый\"\r\n1;\"Клапан \"\"A\"\"\"\r\n"
                      "2;\"две\r\nстроки\"\r\n3;\" пробел\"\r\n4;\r\n");
  const CsvText parsed = ParseCsv(text);
  ASSERT_EQ(parsed.Error, "");
  EXPECT_EQ(parsed.Records, records);
  // The record after the two-line field starts on line 6.
  EXPECT_EQ(parsed.Lines, (std::vector<int>{1, 2, 3, 4, 6, 7}));
}

TEST(CsvText, ReadsWhatSpreadsheetsAndEditorsWrite) {
  // No BOM, LF only, a trailing row of bare separators, no newline at the end.
  CsvText t = ParseCsv("a;b\n1;2\n;;\n3;4");
  ASSERT_EQ(t.Error, "");
  EXPECT_EQ(t.Records, (std::vector<CsvRecord>{{"a", "b"}, {"1", "2"}, {"3", "4"}}));
  EXPECT_EQ(t.Lines, (std::vector<int>{1, 2, 4}));

  // Code page 1251 (Russian spreadsheets' "CSV") is recognised as not UTF-8.
  t = ParseCsv("\xB9;\xC8\xEC\xFF\r\n0;\xCD\xE0\xF1\xEE\xF1\r\n");
  ASSERT_EQ(t.Error, "");
  EXPECT_EQ(t.Records, (std::vector<CsvRecord>{{"№", "Имя"}, {"0", "Насос"}}));

  // A comma- or tab-separated file, told by its header line.
  EXPECT_EQ(ParseCsv("a,b\r\n1,2\r\n").Records, (std::vector<CsvRecord>{{"a", "b"}, {"1", "2"}}));
  EXPECT_EQ(ParseCsv("a\tb\n1\t2\n").Records, (std::vector<CsvRecord>{{"a", "b"}, {"1", "2"}}));

  t = ParseCsv("a;b\r\n1;\"open\r\n2;3\r\n");
  EXPECT_EQ(t.Error, "Строка 2: кавычка не закрыта.");
}

// --- own lists ---

class CsvOwnTest : public test::WithTestKinds {
 protected:
  RecordingMessages messages;
  Configuration config{messages};

  void AddGroups(Configuration& c) {
    for (const char* name : {"Быстрые", "Медленные"}) {
      SporadicGroup g;
      g.Name = name;
      c.Controller().Proc()->Groups.push_back(g);
    }
  }
};

TEST_F(CsvOwnTest, RoundTripKeepsEveryFieldOfEveryOwnKind) {
  AddGroups(config);
  test::FieldPort* port = test::AddFieldPort(config, 1, "Щит", 4, 2, 3);
  TParams& ts = *port->TS();
  TParams& tu = *port->TU();
  TParams& ti = *port->TI();
  ts.At(0)->SetName("Щит.Авария; общая");
  ts.At(1)->Inverted = 4;
  ts.At(1)->TSType = 1;
  ts.At(2)->TSType = 2;
  ti.At(0)->Gain = 0.02442f;
  ti.At(0)->Offset = -3.5f;
  ti.At(1)->Gain = 1.0f / 3.0f;  // needs eight digits to read back as the same float
  ti.At(2)->SetGroup("Медленные");
  config.Storage().RebuildPool();
  tu.At(1)->BlockOn = config.Storage().AcquireByName(kKindTS, "Щит.Вход2");
  tu.At(1)->BlockOff = config.Storage().AcquireByName(kKindTS, "Щит.Авария; общая");

  EXPECT_EQ(ExportListCsv(ts), kBom +
                                   "№;Инверсия;Тип;Имя параметра\r\n"
                                   "0;;Однопозиционный;\"Щит.Авария; общая\"\r\n"
                                   "1;Вкл;Двухпозиционный;Щит.Вход2\r\n"
                                   "2;;Двухпозиционный (второй);Щит.Вход3\r\n"
                                   "3;;Однопозиционный;Щит.Вход4\r\n");
  EXPECT_EQ(ExportListCsv(ti), kBom +
                                   "№;Множитель;Смещение;Группа;Имя параметра\r\n"
                                   "0;0,02442;-3,5;;Щит.Изм1\r\n"
                                   "1;0,33333334;0;;Щит.Изм2\r\n"
                                   "2;0;0;Медленные;Щит.Изм3\r\n");
  EXPECT_EQ(ExportListCsv(tu), kBom +
                                   "№;Блокировка ТУ_В;Блокировка ТУ_О;Имя параметра\r\n"
                                   "0;;;Щит.Пр1\r\n"
                                   "1;Щит.Вход2;\"Щит.Авария; общая\";Щит.Пр2\r\n");

  // The same device in a fresh configuration, filled from the three files.
  RecordingMessages otherMessages;
  Configuration other(otherMessages);
  AddGroups(other);
  test::FieldPort* copy = test::AddFieldPort(other, 1, "Щит", 4, 2, 3);
  for (auto [from, to] : {std::pair{&ts, copy->TS()}, {&tu, copy->TU()}, {&ti, copy->TI()}}) {
    const CsvImportPlan plan = PlanListImport(*to, ExportListCsv(*from));
    ASSERT_TRUE(plan.Ok()) << DescribePlan(plan);
    EXPECT_GT(plan.Changed, 0);
    ApplyListImport(*to, plan, false);
    other.Storage().RebuildPool();
  }
  // Blocking names resolve only once the renamed input is in the pool: import TU again.
  const CsvImportPlan again = PlanListImport(*copy->TU(), ExportListCsv(tu));
  ASSERT_TRUE(again.Ok()) << DescribePlan(again);
  ApplyListImport(*copy->TU(), again, false);

  for (auto [from, to] : {std::pair{&ts, copy->TS()}, {&tu, copy->TU()}, {&ti, copy->TI()}})
    EXPECT_EQ(ExportListCsv(*to), ExportListCsv(*from));
  EXPECT_EQ(copy->TI()->At(1)->Gain, 1.0f / 3.0f);
  EXPECT_EQ(copy->TI()->At(0)->ValueFormat, 4);
  EXPECT_EQ(copy->TU()->At(1)->BlockOff.get(), copy->TS()->At(0));
  EXPECT_EQ(copy->TS()->At(0)->RefCount, 2u);  // its list and the blocking reference

  // Importing a list's own export again changes nothing.
  const CsvImportPlan same = PlanListImport(ts, ExportListCsv(ts));
  EXPECT_EQ(same.Changed, 0);
  EXPECT_EQ(same.Unchanged, 4);
}

TEST_F(CsvOwnTest, OneBadRowChangesNothingAndIsNamed) {
  AddGroups(config);
  test::FieldPort* port = test::AddFieldPort(config, 1, "Dev", 3, 1, 2);
  test::FieldPort* other = test::AddFieldPort(config, 2, "Other", 1, 0, 0);
  other->TS()->At(0)->SetName("Dev.Чужой");  // a renamed input under another prefix
  config.Storage().RebuildPool();
  TParams& ts = *port->TS();
  TParams& ti = *port->TI();

  const std::string tiCsv = "№;Множитель;Имя параметra\r\n";  // a column the list does not have
  EXPECT_EQ(PlanListImport(ti, tiCsv).Error, "Столбец «Имя параметra» не относится к списку ТИ.");

  CsvImportPlan plan = PlanListImport(
      ti, "№;Множитель;Смещение;Группа;Имя параметра\r\n0;2,5;;;Ток\r\n1;abc;;;Напряжение\r\n");
  ASSERT_EQ(plan.Rows.size(), 2u);
  EXPECT_EQ(plan.Rows[0].Result, CsvRowResult::Changed);
  EXPECT_EQ(plan.Rows[1].Result, CsvRowResult::Error);
  EXPECT_EQ(DescribeRow(plan.Rows[1]), "Строка 3 (№ 1): ошибка: множитель «abc» не число");
  EXPECT_EQ(ApplyListImport(ti, plan, false), 0);
  EXPECT_EQ(ti.At(0)->Gain, 0.0f);
  EXPECT_EQ(ti.At(0)->Name(), "Dev.Изм1");
  // With the errors skipped the good row goes in, the bad one does not.
  EXPECT_EQ(ApplyListImport(ti, plan, true), 1);
  EXPECT_EQ(ti.At(0)->Gain, 2.5f);
  EXPECT_EQ(ti.At(0)->Name(), "Dev.Ток");  // a short name goes under the device prefix
  EXPECT_EQ(ti.At(1)->Name(), "Dev.Изм2");

  plan = PlanListImport(ti, "№;Группа;Имя параметра\r\n1;Никакая;\r\n5;;X\r\n0;;\r\n0;;\r\n");
  ASSERT_EQ(plan.Errors, 3);
  EXPECT_EQ(plan.Rows[0].Reason, "неизвестная группа «Никакая»");
  EXPECT_EQ(plan.Rows[1].Reason, "строки № 5 нет: в списке 2 строк");
  EXPECT_EQ(plan.Rows[3].Reason, "повтор строки № 0 (уже в строке 4 файла)");

  // Two rows to one name, and a name another device's input already has.
  plan = PlanListImport(ts, "№;Имя параметра\r\n0;Насос\r\n1;Dev.Насос\r\n2;Чужой\r\n");
  ASSERT_EQ(plan.Errors, 3) << DescribePlan(plan);
  EXPECT_EQ(plan.Rows[0].Reason, "повтор имени «Dev.Насос» в списке");
  EXPECT_EQ(plan.Rows[2].Reason, "повтор имени «Dev.Чужой»: так назван сигнал другого списка");
  // Swapping two names within the list is no clash.
  plan = PlanListImport(ts, "№;Имя параметра\r\n0;Вход2\r\n1;Вход1\r\n");
  EXPECT_TRUE(plan.Ok()) << DescribePlan(plan);

  // Blocking inputs must name discrete inputs of the pool.
  plan = PlanListImport(*port->TU(), "№;Блокировка ТУ_В;Имя параметра\r\n0;Нет такого;\r\n");
  EXPECT_EQ(plan.Rows[0].Reason, "неизвестное имя ТС «Нет такого»");

  // A double-point type without its second row breaks the pair.
  plan = PlanListImport(ts, "№;Тип;Имя параметра\r\n2;Двухпозиционный;\r\n");
  EXPECT_EQ(plan.Rows[0].Reason, "двухпозиционный ТС должен идти парой строк (тип и «второй»)");
  plan = PlanListImport(ts, "№;Тип;Имя параметра\r\n0;Двухпозиционный;\r\n1;2;\r\n");
  EXPECT_TRUE(plan.Ok()) << DescribePlan(plan);
  ApplyListImport(ts, plan, false);
  EXPECT_EQ(ts.At(0)->TSType, 1);
  EXPECT_EQ(ts.At(1)->TSType, 2);
}

TEST_F(CsvOwnTest, ASpreadsheetFileImportsWithCyrillicQuotesAndDecimalCommas) {
  test::FieldPort* port = test::AddFieldPort(config, 1, "Dev", 2, 0, 2);
  TParams& ti = *port->TI();
  // Columns in another order, a blank column, CRLF, a quoted name holding ";".
  const std::string file = kBom +
                           "Имя параметра;;№;Смещение;Множитель\r\n"
                           "\"Ток; фаза A\";;0;\"-1,25\";1000\r\n"
                           "Напряжение;;1;0.5;\"1,5E-3\"\r\n";
  const CsvImportPlan plan = PlanListImport(ti, file);
  ASSERT_TRUE(plan.Ok()) << DescribePlan(plan);
  ApplyListImport(ti, plan, false);
  EXPECT_EQ(ti.At(0)->Name(), "Dev.Ток; фаза A");
  EXPECT_EQ(ti.At(0)->Offset, -1.25f);
  EXPECT_EQ(ti.At(0)->Gain, 1000.0f);
  EXPECT_EQ(ti.At(1)->Offset, 0.5f);
  EXPECT_EQ(ti.At(1)->Gain, 0.0015f);
}

// --- selection lists ---

class CsvSelectionTest : public test::WithRealPC {
 protected:
  RecordingMessages messages;
  Configuration config{messages};
};

TEST_F(CsvSelectionTest, SelectionListsGoByNameAtTheirAddresses) {
  AddSource(config, {{kKindTS, {"Насос", "Клапан", "Дверь"}}});
  TPC* pc = AddPC(config);
  TParams& sel = *pc->List(kKindTS);
  TStorage& pool = config.Storage();
  sel.Append(pool.AcquireByName(kKindTS, "Клапан"));
  sel.Append(SignalRef::Adopt(new TParam(kKindTS)));
  sel.Append(pool.AcquireByName(kKindTS, "Насос"));

  EXPECT_EQ(ExportListCsv(sel), kBom +
                                    "№;Адрес;Вид;Имя параметра\r\n"
                                    "0;8192;ТС;Клапан\r\n"
                                    "1;8193;ТС;\r\n"
                                    "2;8194;ТС;Насос\r\n");

  // The control centre's list by address only: Дверь into the gap, the rest as it was.
  CsvImportPlan plan = PlanListImport(sel, "Адрес;Имя параметра\r\n8193;Дверь\r\n8194;Насос\r\n");
  ASSERT_TRUE(plan.Ok()) << DescribePlan(plan);
  EXPECT_EQ(plan.Changed, 1);
  EXPECT_EQ(plan.Unchanged, 1);
  ApplyListImport(sel, plan, false);
  EXPECT_EQ(sel.At(1), pool.FindByName(kKindTS, "Дверь"));
  EXPECT_EQ(sel.At(1)->RefCount, 2u);

  // Unknown names, a signal that would sit twice, a wrong kind, an address outside.
  plan = PlanListImport(sel,
                        "№;Адрес;Вид;Имя параметра\r\n0;;ТС;Нет\r\n4;;ТС;Насос\r\n5;;ТИ;Дверь\r\n"
                        ";9;;Клапан\r\n");
  ASSERT_EQ(plan.Errors, 4) << DescribePlan(plan);
  EXPECT_EQ(plan.Rows[0].Reason, "неизвестное имя «Нет»");
  EXPECT_EQ(plan.Rows[1].Reason, "повтор: «Насос» уже в списке (№ 2)");
  EXPECT_EQ(plan.Rows[2].Reason, "вид «ТИ» не совпадает со списком ТС");
  EXPECT_EQ(plan.Rows[3].Reason, "адрес «9» вне диапазона");
  EXPECT_EQ(ApplyListImport(sel, plan, false), 0);
  EXPECT_EQ(sel.Count(), 3);

  // Moving a signal: it leaves its old row in the same import, so it is no repeat; rows
  // past the end grow the list with empty rows between.
  plan = PlanListImport(sel, "№;Имя параметра\r\n0;\r\n5;Клапан\r\n");
  ASSERT_TRUE(plan.Ok()) << DescribePlan(plan);
  ApplyListImport(sel, plan, false);
  ASSERT_EQ(sel.Count(), 6);
  EXPECT_EQ(sel.At(0)->Name(), "");
  EXPECT_EQ(sel.At(5), pool.FindByName(kKindTS, "Клапан"));
  EXPECT_EQ(sel.At(3)->Name(), "");
  EXPECT_EQ(pool.FindByName(kKindTS, "Клапан")->RefCount, 2u);
}

}  // namespace
}  // namespace vilk
