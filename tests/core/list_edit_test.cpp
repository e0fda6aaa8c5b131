// Editing operations of the signal list editor and the pool page, on lists held by a
// real configuration: name commits with the _повтор counter, the discrete-input type
// rules, reordering, the pool page buttons, the gain computer and command blocking.
#include "signals/list_edit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "base/text.h"
#include "test_items.h"

namespace vilk {
namespace {

using test::FieldPort;
using test::TestPC;

std::string Rep(const std::string& unit, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += unit;
  return out;
}

std::vector<std::string> Names(const TParams& list) {
  std::vector<std::string> out;
  for (const TParam* s : list.Items) out.push_back(s ? s->Name() : "(null)");
  return out;
}

std::vector<int> SelectedRows(const TParams& list) {
  std::vector<int> out;
  for (int i = 0; i < list.Count(); ++i)
    if (list.At(i) && list.At(i)->Selected) out.push_back(i);
  return out;
}

class ListEditTest : public test::WithTestKinds {
 protected:
  RecordingMessages messages;
  Configuration config{messages};
  TStorage& pool = config.Storage();
};

// --- names ---

TEST_F(ListEditTest, CommitNameAddsRepeatCounterOnClash) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 4, 0, 0);
  TParams& ts = *port->TS();

  EXPECT_EQ(CommitName(ts, 1, "Вход1"), std::optional<std::string>("Dev.Вход1_повтор1"));
  EXPECT_EQ(ts.At(1)->Name(), "Dev.Вход1_повтор1");
  EXPECT_EQ(ts.At(1)->Prefix, "Dev");
  EXPECT_EQ(CommitName(ts, 2, "Вход1"), std::optional<std::string>("Dev.Вход1_повтор2"));
  // A typed repeat suffix is dropped before the clash check.
  EXPECT_EQ(CommitName(ts, 3, "Вход1_повтор2"), std::optional<std::string>("Dev.Вход1_повтор3"));
  EXPECT_EQ(Names(ts), (std::vector<std::string>{"Dev.Вход1", "Dev.Вход1_повтор1",
                                                 "Dev.Вход1_повтор2", "Dev.Вход1_повтор3"}));

  // Once the plain name is free again, a repeat goes back to it.
  EXPECT_EQ(CommitName(ts, 0, "Насос"), std::optional<std::string>("Dev.Насос"));
  EXPECT_EQ(CommitName(ts, 1, "Вход1"), std::optional<std::string>("Dev.Вход1"));
  EXPECT_EQ(pool.FindByName(kKindTS, "Dev.Вход1"), ts.At(1));
}

TEST_F(ListEditTest, CommitNameLeavesTheNameAloneForEmptyOrUnchangedText) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 2, 0, 0);
  TParams& ts = *port->TS();

  EXPECT_EQ(CommitName(ts, 0, ""), std::nullopt);
  EXPECT_EQ(CommitName(ts, 0, "Вход1"), std::nullopt);  // its own name is no clash
  EXPECT_EQ(CommitName(ts, 2, "Новое"), std::nullopt);
  EXPECT_EQ(CommitName(ts, -1, "Новое"), std::nullopt);
  EXPECT_EQ(Names(ts), (std::vector<std::string>{"Dev.Вход1", "Dev.Вход2"}));
}

TEST_F(ListEditTest, CommitNameClashesOnlyWithinTheKindButAcrossLists) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 2, 1, 1);
  TestPC* pc = test::AddPC(config, "Dev", 1);  // its own TI list is named after "Dev" too
  TParams& ts = *port->TS();

  // Command "Dev.Пр1" and measurement "Dev.Изм1" are other kinds.
  EXPECT_EQ(CommitName(ts, 0, "Пр1"), std::optional<std::string>("Dev.Пр1"));
  EXPECT_EQ(CommitName(ts, 1, "Изм1"), std::optional<std::string>("Dev.Изм1"));

  // A measurement of another device's list is a clash.
  EXPECT_EQ(pc->OwnTI()->At(0)->Name(), "Dev.Расчёт1");
  EXPECT_EQ(CommitName(*pc->OwnTI(), 0, "Изм1"), std::optional<std::string>("Dev.Изм1_повтор1"));
  EXPECT_EQ(port->TI()->At(0)->Name(), "Dev.Изм1");
}

TEST_F(ListEditTest, CommitNameKeepsSixtyFourCharactersWithTheCounter) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 12, 0, 0);
  TParams& ts = *port->TS();
  const std::string typed = Rep("Ж", 60) + "ABCD";  // 64 characters, 124 bytes

  // "Dev." takes four characters; the tail of the typed text gives way.
  const std::string whole = "Dev." + Rep("Ж", 60);
  EXPECT_EQ(CommitName(ts, 0, typed), std::optional<std::string>(whole));
  EXPECT_EQ(CharCount(ts.At(0)->Name()), 64u);

  // Every further clash cuts the base so that the counter still fits.
  for (int n = 1; n <= 9; ++n) {
    const std::string expected = "Dev." + Rep("Ж", 52) + "_повтор" + std::to_string(n);
    EXPECT_EQ(CommitName(ts, n, typed), std::optional<std::string>(expected)) << n;
  }
  const std::string tenth = "Dev." + Rep("Ж", 51) + "_повтор10";
  EXPECT_EQ(CommitName(ts, 10, typed), std::optional<std::string>(tenth));
  // Typing a name that only differs past the 64th character is a clash as well.
  EXPECT_EQ(CommitName(ts, 11, Rep("Ж", 60) + "XYZ"),
            std::optional<std::string>("Dev." + Rep("Ж", 51) + "_повтор11"));

  std::vector<std::string> names = Names(ts);
  for (const std::string& name : names) EXPECT_EQ(CharCount(name), 64u) << name;
  std::sort(names.begin(), names.end());
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
}

// --- discrete inputs ---

TEST_F(ListEditTest, DoublePointTypeSetsAndClearsTheNextSignal) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 6, 0, 0);
  TParams& ts = *port->TS();
  auto types = [&] {
    std::vector<int> out;
    for (const TParam* s : ts.Items) out.push_back(s->TSType);
    return out;
  };

  SetTSType(ts, 5, 1);  // the last row has no partner
  EXPECT_FALSE(CanChangeType(ts, 5));
  EXPECT_EQ(types(), (std::vector<int>{0, 0, 0, 0, 0, 0}));

  SetTSType(ts, 3, 1);
  EXPECT_EQ(types(), (std::vector<int>{0, 0, 0, 1, 2, 0}));
  EXPECT_FALSE(CanChangeType(ts, 4));  // second of the pair
  EXPECT_FALSE(CanChangeType(ts, 2));  // followed by the first of the pair
  SetTSType(ts, 2, 1);
  SetTSType(ts, 4, 0);
  EXPECT_EQ(types(), (std::vector<int>{0, 0, 0, 1, 2, 0}));
  EXPECT_TRUE(CanChangeType(ts, 3));
  EXPECT_TRUE(CanChangeType(ts, 1));

  SetTSType(ts, 3, 0);
  EXPECT_EQ(types(), (std::vector<int>{0, 0, 0, 0, 0, 0}));

  // The last but one row may pair with the last.
  SetTSType(ts, 4, 1);
  EXPECT_EQ(types(), (std::vector<int>{0, 0, 0, 0, 1, 2}));

  ts.At(0)->Fixed = true;
  EXPECT_FALSE(CanChangeType(ts, 0));
  SetTSType(ts, 0, 1);
  EXPECT_EQ(types(), (std::vector<int>{0, 0, 0, 0, 1, 2}));

  EXPECT_FALSE(CanChangeType(ts, -1));
  EXPECT_FALSE(CanChangeType(ts, 6));
}

TEST_F(ListEditTest, TypeIconFollowsThePairRules) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 6, 0, 0);
  TParams& ts = *port->TS();
  SetTSType(ts, 3, 1);
  ts.At(0)->Fixed = true;

  // fixed, single, before a pair's first, first of pair, second of pair, single last row
  std::vector<int> icons;
  for (int row = 0; row < ts.Count(); ++row) icons.push_back(TypeIcon(ts, row));
  EXPECT_EQ(icons, (std::vector<int>{0, 1, 0, 2, 0, 0}));
  EXPECT_EQ(TypeIcon(ts, 6), 0);
  EXPECT_EQ(TypeIcon(ts, -1), 0);
}

TEST_F(ListEditTest, InversionTogglesExceptForFixedSignals) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 2, 0, 0);
  TParams& ts = *port->TS();
  ToggleInversion(ts, 1);
  EXPECT_EQ(ts.At(1)->Inverted, 4);
  EXPECT_EQ(ts.At(0)->Inverted, 0);
  ToggleInversion(ts, 1);
  EXPECT_EQ(ts.At(1)->Inverted, 0);

  ts.At(0)->Fixed = true;
  ToggleInversion(ts, 0);
  EXPECT_EQ(ts.At(0)->Inverted, 0);
  ts.At(0)->Inverted = 4;
  ToggleInversion(ts, 0);
  EXPECT_EQ(ts.At(0)->Inverted, 4);
}

// --- selection ---

TEST_F(ListEditTest, SelectionByClicks) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 6, 0, 0);
  TParams& ts = *port->TS();

  SelectThrough(ts, 3);  // nothing selected yet: only the row itself
  EXPECT_EQ(SelectedRows(ts), (std::vector<int>{3}));

  SelectOnly(ts, 1);
  SelectThrough(ts, 4);
  EXPECT_EQ(SelectedRows(ts), (std::vector<int>{1, 2, 3, 4}));

  // Above the first selected row there is no range to fill.
  SelectOnly(ts, 4);
  SelectThrough(ts, 2);
  EXPECT_EQ(SelectedRows(ts), (std::vector<int>{2, 4}));

  ToggleSelected(ts, 4);
  ToggleSelected(ts, 0);
  EXPECT_EQ(SelectedRows(ts), (std::vector<int>{0, 2}));

  SelectOnly(ts, -1);  // a click outside the rows
  EXPECT_FALSE(AnySelected(ts));
  SelectAll(ts);
  EXPECT_EQ(SelectedRows(ts), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  ClearSelection(ts);
  EXPECT_FALSE(AnySelected(ts));
}

// --- order within a list ---

class ListEditMoveTest : public ListEditTest {
 protected:
  void SetUp() override {
    ListEditTest::SetUp();
    port = test::AddFieldPort(config, 1, "Dev", 10, 0, 0);
    pc = test::AddPC(config, "ПК", 0);
    sel = pc->Selection();
    SelectAll(*port->TS());
    ASSERT_EQ(AddFromPool(*sel, pool.List(kKindTS), false), 10);
    ClearSelection(*sel);
    for (int i = 0; i < 10; ++i) signals.push_back(port->TS()->At(i));
  }
  std::vector<TParam*> Order(std::initializer_list<int> rows) {
    std::vector<TParam*> out;
    for (int r : rows) out.push_back(signals[static_cast<std::size_t>(r)]);
    return out;
  }

  FieldPort* port = nullptr;
  TestPC* pc = nullptr;
  TParams* sel = nullptr;
  std::vector<TParam*> signals;
};

TEST_F(ListEditMoveTest, SelectedRowsMoveAsABlockKeepingTheirOrder) {
  for (int r : {7, 2, 5}) ToggleSelected(*sel, r);
  // Rows 0, 1, 3 and 4 stay above the drop row 6.
  EXPECT_EQ(MoveSelected(*sel, 6), 7);
  EXPECT_EQ(sel->Items, Order({0, 1, 3, 4, 2, 5, 7, 6, 8, 9}));
  EXPECT_EQ(SelectedRows(*sel), (std::vector<int>{4, 5, 6}));
}

TEST_F(ListEditMoveTest, DropAtTheEndsOfTheList) {
  ToggleSelected(*sel, 0);
  ToggleSelected(*sel, 3);
  EXPECT_EQ(MoveSelected(*sel, sel->Count()), 10);
  EXPECT_EQ(sel->Items, Order({1, 2, 4, 5, 6, 7, 8, 9, 0, 3}));

  EXPECT_EQ(MoveSelected(*sel, 0), 2);
  EXPECT_EQ(sel->Items, Order({0, 3, 1, 2, 4, 5, 6, 7, 8, 9}));

  ClearSelection(*sel);
  EXPECT_EQ(MoveSelected(*sel, 5), 5);
  EXPECT_EQ(sel->Items, Order({0, 3, 1, 2, 4, 5, 6, 7, 8, 9}));
  for (TParam* s : signals) EXPECT_EQ(s->RefCount, 2u);
}

// --- the pool page ---

class ListEditPoolTest : public ListEditTest {
 protected:
  void SetUp() override {
    ListEditTest::SetUp();
    port = test::AddFieldPort(config, 1, "Dev", 4, 2, 3);
    pc = test::AddPC(config, "ПК", 0);
    sel = pc->Selection();
    for (int i = 0; i < 4; ++i) s.push_back(port->TS()->At(i));
    // The IP port's link-state input of the PC comes first in the pool.
    ASSERT_EQ(TsPool().Count(), 5);
    link = TsPool().At(0);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(TsPool().At(Row(i)), s[static_cast<std::size_t>(i)]);
  }
  TParams& TsPool() { return pool.List(kKindTS); }
  static int Row(int i) { return i + 1; }  // pool row of s[i]
  void AddPortSignals() {
    SelectAll(*port->TS());
    ASSERT_EQ(AddFromPool(*sel, TsPool(), false), 4);
    ClearSelection(*sel);
  }
  std::vector<unsigned> RefCounts() {
    std::vector<unsigned> out;
    for (TParam* p : s) out.push_back(p->RefCount);
    return out;
  }

  FieldPort* port = nullptr;
  TestPC* pc = nullptr;
  TParams* sel = nullptr;
  std::vector<TParam*> s;
  TParam* link = nullptr;
};

TEST_F(ListEditPoolTest, AddingFromThePoolTakesEachSignalOnce) {
  ToggleSelected(TsPool(), Row(3));
  ToggleSelected(TsPool(), Row(1));
  EXPECT_EQ(AddFromPool(*sel, TsPool(), false), 2);
  EXPECT_EQ(sel->Items, (std::vector<TParam*>{s[1], s[3]}));  // pool order
  EXPECT_EQ(RefCounts(), (std::vector<unsigned>{1, 2, 1, 2}));

  EXPECT_EQ(AddFromPool(*sel, TsPool(), false), 0);
  EXPECT_EQ(sel->Count(), 2);
  EXPECT_EQ(RefCounts(), (std::vector<unsigned>{1, 2, 1, 2}));

  const unsigned linkHolds = link->RefCount;
  EXPECT_EQ(AddFromPool(*sel, TsPool(), true), 3);
  EXPECT_EQ(sel->Items, (std::vector<TParam*>{s[1], s[3], link, s[0], s[2]}));
  EXPECT_EQ(RefCounts(), (std::vector<unsigned>{2, 2, 2, 2}));
  EXPECT_EQ(link->RefCount, linkHolds + 1);
  EXPECT_EQ(AddFromPool(*sel, TsPool(), true), 0);
  EXPECT_EQ(RefCounts(), (std::vector<unsigned>{2, 2, 2, 2}));
  EXPECT_EQ(link->RefCount, linkHolds + 1);
}

TEST_F(ListEditPoolTest, InsertingFromThePoolAtARow) {
  SelectOnly(TsPool(), Row(0));
  ToggleSelected(TsPool(), Row(3));
  ASSERT_EQ(AddFromPool(*sel, TsPool(), false), 2);
  ClearSelection(TsPool());

  // s3 is held already and is left where it is.
  for (int i : {1, 2, 3}) ToggleSelected(TsPool(), Row(i));
  EXPECT_EQ(InsertFromPool(*sel, TsPool(), 1), 2);
  EXPECT_EQ(sel->Items, (std::vector<TParam*>{s[0], s[1], s[2], s[3]}));
  EXPECT_EQ(SelectedRows(*sel), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(RefCounts(), (std::vector<unsigned>{2, 2, 2, 2}));

  // Past the end means at the end.
  DeleteSelected(*sel, false);
  ASSERT_EQ(sel->Items, (std::vector<TParam*>{s[0]}));
  SelectOnly(TsPool(), Row(2));
  EXPECT_EQ(InsertFromPool(*sel, TsPool(), 99), 1);
  EXPECT_EQ(sel->Items, (std::vector<TParam*>{s[0], s[2]}));
  EXPECT_EQ(RefCounts(), (std::vector<unsigned>{2, 1, 2, 1}));
}

TEST_F(ListEditPoolTest, DeletingReleasesReferencesAndPoolSignalsStay) {
  AddPortSignals();
  InsertPlaceholder(*sel, 2);
  ASSERT_EQ(sel->Count(), 5);

  ToggleSelected(*sel, 1);
  ToggleSelected(*sel, 4);
  DeleteSelected(*sel, false);
  EXPECT_EQ(sel->Count(), 3);
  EXPECT_EQ(sel->At(0), s[0]);
  EXPECT_EQ(sel->At(1)->Name(), "");  // the placeholder closes up with the others
  EXPECT_EQ(sel->At(2), s[2]);
  EXPECT_EQ(RefCounts(), (std::vector<unsigned>{2, 1, 2, 1}));
  EXPECT_FALSE(s[1]->Selected);
  EXPECT_FALSE(s[3]->Selected);

  DeleteSelected(*sel, true);
  EXPECT_EQ(sel->Count(), 0);
  EXPECT_EQ(RefCounts(), (std::vector<unsigned>{1, 1, 1, 1}));
  pool.RebuildPool();
  EXPECT_EQ(pool.Count(kKindTS), 5);
  EXPECT_EQ(port->TS()->Items, s);
  EXPECT_EQ(port->TS()->At(3)->Name(), "Dev.Вход4");
}

TEST_F(ListEditPoolTest, PlaceholdersInsertedAndReplacingSelectedEntries) {
  InsertPlaceholder(*sel, 0);
  ASSERT_EQ(sel->Count(), 1);
  ASSERT_NE(sel->At(0), nullptr);
  EXPECT_EQ(sel->At(0)->Name(), "");
  EXPECT_EQ(sel->At(0)->DefaultName(), "");
  EXPECT_EQ(sel->At(0)->Kind, kKindTS);
  EXPECT_EQ(sel->At(0)->RefCount, 1u);
  DeleteSelected(*sel, true);

  AddPortSignals();
  InsertPlaceholder(*sel, 1);
  InsertPlaceholder(*sel, 99);
  ASSERT_EQ(sel->Count(), 6);
  EXPECT_EQ(sel->At(0), s[0]);
  EXPECT_EQ(sel->At(1)->Name(), "");
  EXPECT_EQ(sel->At(2), s[1]);
  EXPECT_EQ(sel->At(5)->Name(), "");

  ToggleSelected(*sel, 2);
  ToggleSelected(*sel, 4);
  ReplaceSelectedWithPlaceholders(*sel);
  ASSERT_EQ(sel->Count(), 6);
  EXPECT_EQ(sel->At(0), s[0]);
  EXPECT_EQ(sel->At(3), s[2]);
  for (int r : {2, 4}) {
    ASSERT_NE(sel->At(r), nullptr);
    EXPECT_EQ(sel->At(r)->Name(), "") << r;
    EXPECT_FALSE(sel->At(r)->Selected) << r;
  }
  EXPECT_EQ(RefCounts(), (std::vector<unsigned>{2, 1, 2, 1}));
  EXPECT_FALSE(s[1]->Selected);
  EXPECT_FALSE(s[3]->Selected);
}

TEST_F(ListEditPoolTest, NamesMoveUpAndDownButTheSignalsStay) {
  TParams& ts = *port->TS();
  ToggleSelected(ts, 1);
  ToggleSelected(ts, 2);
  MoveNamesUp(ts);
  EXPECT_EQ(ts.Items, s);
  EXPECT_EQ(Names(ts),
            (std::vector<std::string>{"Dev.Вход2", "Dev.Вход3", "Dev.Вход1", "Dev.Вход4"}));
  EXPECT_EQ(SelectedRows(ts), (std::vector<int>{0, 1}));
  EXPECT_EQ(s[0]->DefaultName(), "Dev.Вход1");

  // The top row cannot move; the rest move up to it.
  MoveNamesUp(ts);
  EXPECT_EQ(Names(ts),
            (std::vector<std::string>{"Dev.Вход2", "Dev.Вход3", "Dev.Вход1", "Dev.Вход4"}));
  EXPECT_EQ(SelectedRows(ts), (std::vector<int>{0, 1}));

  MoveNamesDown(ts);
  EXPECT_EQ(Names(ts),
            (std::vector<std::string>{"Dev.Вход1", "Dev.Вход2", "Dev.Вход3", "Dev.Вход4"}));
  EXPECT_EQ(SelectedRows(ts), (std::vector<int>{1, 2}));
  MoveNamesDown(ts);
  EXPECT_EQ(Names(ts),
            (std::vector<std::string>{"Dev.Вход1", "Dev.Вход4", "Dev.Вход2", "Dev.Вход3"}));
  EXPECT_EQ(SelectedRows(ts), (std::vector<int>{2, 3}));
  MoveNamesDown(ts);  // the bottom row cannot move
  EXPECT_EQ(Names(ts),
            (std::vector<std::string>{"Dev.Вход1", "Dev.Вход4", "Dev.Вход2", "Dev.Вход3"}));
  EXPECT_EQ(SelectedRows(ts), (std::vector<int>{2, 3}));
  EXPECT_EQ(ts.Items, s);
}

TEST_F(ListEditPoolTest, RestoringDefaultNamesOfSelectedPoolSignals) {
  s[0]->SetName("Dev.Насос");
  s[1]->SetName("Dev.Задвижка");
  s[2]->SetName("Dev.Клапан");
  for (int i : {0, 2, 3}) ToggleSelected(TsPool(), Row(i));
  RestoreDefaultNames(TsPool());
  EXPECT_EQ(Names(*port->TS()),
            (std::vector<std::string>{"Dev.Вход1", "Dev.Задвижка", "Dev.Вход3", "Dev.Вход4"}));
  EXPECT_FALSE(AnySelected(TsPool()));
  EXPECT_EQ(pool.FindByName(kKindTS, "Dev.Вход1"), s[0]);
}

TEST_F(ListEditPoolTest, TemplateGoesToSelectedMeasurementsOnly) {
  TParams& ti = *port->TI();
  ti.At(1)->Gain = 7;
  ti.At(1)->Group = "Старая";
  ToggleSelected(ti, 0);
  ToggleSelected(ti, 2);
  TITemplate t;
  t.Set = true;
  t.Gain = 0.5f;
  t.Offset = -3;
  t.Group = "Г1";
  ApplyTemplateToSelected(ti, t);
  for (int r : {0, 2}) {
    EXPECT_EQ(ti.At(r)->Gain, 0.5f) << r;
    EXPECT_EQ(ti.At(r)->Offset, -3.0f) << r;
    EXPECT_EQ(ti.At(r)->Group, "Г1") << r;
  }
  EXPECT_EQ(ti.At(1)->Gain, 7.0f);
  EXPECT_EQ(ti.At(1)->Offset, 0.0f);
  EXPECT_EQ(ti.At(1)->Group, "Старая");
  EXPECT_FALSE(AnySelected(ti));

  // A group name longer than a signal can hold is cut to 64 characters.
  const std::string longGroup = Rep("Г", 70);
  t.Group = longGroup;
  SelectOnly(ti, 1);
  ApplyTemplateToSelected(ti, t);
  EXPECT_EQ(ti.At(1)->Group, Rep("Г", 64));
}

// --- measurements: the gain computer ---

TEST_F(ListEditTest, GainAndOffsetFromQuantaAndLimits) {
  GainOffset r = ComputeGainOffset("0", "4095", "0", "100");
  EXPECT_EQ(r.Error, "");
  EXPECT_EQ(r.Gain, "0.02442");
  EXPECT_EQ(r.Offset, "0");

  // The offset uses the gain as written: 4 - 819 * 0.004884 = 0.000004.
  r = ComputeGainOffset("819", "4095", "4", "20");
  EXPECT_EQ(r.Gain, "0.004884");
  EXPECT_EQ(r.Offset, "4e-06");

  // Comma and point both separate decimals; limits may be negative.
  r = ComputeGainOffset("0", "200", "-12,5", "37.5");
  EXPECT_EQ(r.Error, "");
  EXPECT_EQ(r.Gain, "0.25");
  EXPECT_EQ(r.Offset, "-12.5");
  r = ComputeGainOffset("100", "0", "0", "50");  // a falling scale
  EXPECT_EQ(r.Gain, "-0.5");
  EXPECT_EQ(r.Offset, "50");
}

TEST_F(ListEditTest, GainComputerErrors) {
  const std::string same = "Ошибка. Минимум и максимум квантов должны быть разными.";
  const std::string bad = "Ошибка значения!";
  for (const auto& [mn, mx, lo, hi, error] : std::vector<std::array<std::string, 5>>{
           {"4095", "4095", "0", "100", same},
           {"", "", "0", "100", same},      // equal texts, even empty
           {"0", "0,0", "0", "100", same},  // different texts, equal numbers
           {"0", "4095", "0", "сто", bad},
           {"0", "4095", "", "100", bad},
           {"0", "абв", "0", "100", bad},
           {"1.2.3", "4095", "0", "100", bad},
       }) {
    const GainOffset r = ComputeGainOffset(mn, mx, lo, hi);
    EXPECT_EQ(r.Error, error) << mn << " " << mx << " " << lo << " " << hi;
    EXPECT_EQ(r.Gain, "");
    EXPECT_EQ(r.Offset, "");
  }
}

TEST_F(ListEditTest, ParseNumberAcceptsCommaAndPoint) {
  EXPECT_EQ(ParseNumber("1,5"), std::optional<double>(1.5));
  EXPECT_EQ(ParseNumber("1.5"), std::optional<double>(1.5));
  EXPECT_EQ(ParseNumber(" -2,25 "), std::optional<double>(-2.25));
  EXPECT_EQ(ParseNumber("1e3"), std::optional<double>(1000));
  EXPECT_EQ(ParseNumber("2,5E-2"), std::optional<double>(0.025));
  EXPECT_EQ(ParseNumber("0"), std::optional<double>(0));
  for (const char* junk : {"", "   ", "abc", "1,5x", "1.2.3", "1,2,3", "-", ".", "e5", "1 000",
                           "0x10", "inf", "nan", "1e"})
    EXPECT_EQ(ParseNumber(junk), std::nullopt) << '"' << junk << '"';
}

// --- cell texts and command blocking ---

TEST_F(ListEditTest, GainText) {
  TParam s(kKindTI);
  EXPECT_EQ(GainText(s), "");
  s.Gain = 100.0f / 4095.0f;
  EXPECT_EQ(GainText(s), "0.02442");
  s.Gain = 1234567;
  EXPECT_EQ(GainText(s), "1.2346e+06");
  s.Gain = -2.5f;
  EXPECT_EQ(GainText(s), "-2.5");
  s.Gain = 0.1f;
  EXPECT_EQ(GainText(s), "0.1");
}

TEST_F(ListEditTest, BlockingByNameHoldsAndReleasesPoolInputs) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 2, 2, 1);
  TParams& tu = *port->TU();
  TParam* in1 = port->TS()->At(0);
  TParam* in2 = port->TS()->At(1);
  TParam* cmd = tu.At(0);
  EXPECT_EQ(BlockingText(*cmd), "     |      ");

  SetBlocking(tu, 0, "Dev.Вход1", "Dev.Вход2");
  EXPECT_EQ(cmd->BlockOn, in1);
  EXPECT_EQ(cmd->BlockOff, in2);
  EXPECT_EQ(in1->RefCount, 2u);
  EXPECT_EQ(in2->RefCount, 2u);
  EXPECT_EQ(BlockingText(*cmd), "ТУ_В | ТУ_О");

  SetBlocking(tu, 0, "", "Dev.Вход1");
  EXPECT_EQ(cmd->BlockOn, nullptr);
  EXPECT_EQ(cmd->BlockOff, in1);
  EXPECT_EQ(in1->RefCount, 2u);
  EXPECT_EQ(in2->RefCount, 1u);
  EXPECT_EQ(BlockingText(*cmd), "     | ТУ_О");

  // The same input for both commands is held twice; choosing it again changes nothing.
  SetBlocking(tu, 0, "Dev.Вход1", "Dev.Вход1");
  SetBlocking(tu, 0, "Dev.Вход1", "Dev.Вход1");
  EXPECT_EQ(in1->RefCount, 3u);

  // A name that no discrete input has, even if a measurement has it, leaves it empty.
  SetBlocking(tu, 0, "Dev.Изм1", "Нет такого");
  EXPECT_EQ(cmd->BlockOn, nullptr);
  EXPECT_EQ(cmd->BlockOff, nullptr);
  EXPECT_EQ(in1->RefCount, 1u);
  EXPECT_EQ(BlockingText(*cmd), "     |      ");

  SetBlocking(tu, 1, "Dev.Вход2", "");
  EXPECT_EQ(BlockingText(*tu.At(1)), "ТУ_В |      ");
  EXPECT_EQ(in2->RefCount, 2u);
  EXPECT_EQ(tu.At(0)->BlockOn, nullptr);
}

}  // namespace
}  // namespace vilk
