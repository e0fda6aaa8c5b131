// Signal lists: sizing, rebuilding and naming, the list blocks in the image with their
// optional keys, and the limits of the pool.
#include "signals/params.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "test_items.h"

namespace vilk {
namespace {

using test::Ascii;
using test::Build;
using test::Bytes;
using test::Cat;
using test::FieldPort;
using test::FindRecord;
using test::LoadItem;
using test::SaveItem;
using test::Slice;
using test::Zeros;

// A 65-byte name field: length, cp1251 characters (ASCII here), zeros.
std::vector<std::uint8_t> Name65(const std::string& ascii) {
  return Cat({Bytes({static_cast<int>(ascii.size())}), Ascii(ascii), Zeros(64 - ascii.size())});
}

std::vector<std::string> Names(const TParams& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.At(i)->Name());
  return out;
}

class ParamsTest : public test::WithTestKinds {
 protected:
  RecordingMessages messages;
  Configuration config{messages};
};

TEST_F(ParamsTest, ResizeReleasesTheTailAndZeroKeepsTheList) {
  TParamsTU list(config);
  list.Resize(10, "Dev");
  ASSERT_EQ(list.Count(), 10);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(list.At(i)->Name(), Format("Dev.Пр%d", i + 1));
    EXPECT_EQ(list.At(i)->DefaultName(), list.At(i)->Name());
    EXPECT_EQ(list.At(i)->Prefix, "Dev");
    EXPECT_EQ(list.At(i)->Number, i);
    EXPECT_EQ(list.At(i)->RefCount, 1u);
  }
  std::vector<SignalRef> tail;
  for (int i = 4; i < 10; ++i) tail.push_back(Acquire(list.At(i)));
  const std::vector<TParam*> head(list.Items.begin(), list.Items.begin() + 4);

  list.Resize(4, "Dev");
  EXPECT_EQ(list.Count(), 4);
  for (const SignalRef& s : tail) EXPECT_EQ(s->RefCount, 1u) << s->Name();  // the list let go
  tail.clear();
  EXPECT_EQ(list.Items, head);

  list.Resize(0, "Dev");
  EXPECT_EQ(list.Items, head);

  list.Resize(6, "Dev");
  ASSERT_EQ(list.Count(), 6);
  EXPECT_EQ(std::vector<TParam*>(list.Items.begin(), list.Items.begin() + 4), head);
  EXPECT_EQ(list.At(5)->Name(), "Dev.Пр6");
  EXPECT_EQ(list.At(5)->Number, 5);

  list.Resize(9000, "Dev");
  EXPECT_EQ(list.Count(), 8192);
}

// A handle counts its hold: copies take one, moves pass it on, the last one out frees the
// signal (the sanitizers see a double free or a leak); a command that goes lets its
// blocking input go.
TEST_F(ParamsTest, SignalHandlesCountTheirHolds) {
  TParam* s = new TParam(kKindTS);
  SignalRef first = SignalRef::Adopt(s);
  EXPECT_EQ(s->RefCount, 1u);
  SignalRef copy = first;
  EXPECT_EQ(s->RefCount, 2u);
  SignalRef moved = std::move(copy);
  EXPECT_EQ(s->RefCount, 2u);
  EXPECT_FALSE(copy);
  copy = moved;
  EXPECT_EQ(s->RefCount, 3u);
  copy = moved;  // the same signal again: one hold let go, one taken
  EXPECT_EQ(s->RefCount, 3u);
  first.reset();
  moved.reset();
  EXPECT_EQ(s->RefCount, 1u);
  EXPECT_EQ(copy, s);

  FieldPort* inputs = test::AddFieldPort(config, 1, "In", 1, 0, 0);
  FieldPort* commands = test::AddFieldPort(config, 2, "Cmd", 0, 1, 0);
  TParam* in = inputs->TS()->At(0);
  commands->TU()->At(0)->BlockOn = Acquire(in);
  commands->TU()->At(0)->BlockOff = Acquire(in);
  EXPECT_EQ(in->RefCount, 3u);
  config.Remove(commands);
  EXPECT_EQ(in->RefCount, 1u);
}

TEST_F(ParamsTest, OwnerRenameReplacesOnlyTheOwnerPart) {
  TParamsTS list(config);
  list.Resize(5, "Dev1");
  list.At(1)->SetName("Dev1.Насос");
  list.At(3)->SetName("Dev1.Насос.Авария");
  list.Resize(5, "Dev2");
  EXPECT_EQ(Names(list), (std::vector<std::string>{"Dev2.Пр1", "Dev2.Насос", "Dev2.Пр3",
                                                   "Dev2.Насос.Авария", "Dev2.Пр5"}));
  EXPECT_EQ(list.At(2)->DefaultName(), "Dev2.Пр3");
  EXPECT_EQ(TParams::ShortName(*list.At(3)), "Насос.Авария");
  TParams::SetShortName(*list.At(1), "Клапан");
  EXPECT_EQ(list.At(1)->Name(), "Dev2.Клапан");

  // An unchanged prefix leaves every name as it is.
  list.Resize(5, "Dev2");
  EXPECT_EQ(list.At(3)->Name(), "Dev2.Насос.Авария");
}

TEST_F(ParamsTest, RebuildKeepsSignalsWhoseParameterKeptItsName) {
  TParamsTS list(config);
  list.Rebuild(NameListSource({"A", "B", "C"}), 0, "Dev");
  TParam* a = list.At(0);
  TParam* b = list.At(1);
  TParam* c = list.At(2);
  b->TSType = 1;
  b->SetName("Dev.Моё");
  SignalRef hold = Acquire(c);

  list.Rebuild(NameListSource({"B", "D", "A"}), 3, "Dev");
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.At(0), b);
  EXPECT_EQ(b->Name(), "Dev.Моё");
  EXPECT_EQ(b->TSType, 1);
  EXPECT_EQ(b->Number, 0);
  EXPECT_EQ(b->ValueFormat, 3);
  EXPECT_NE(list.At(1), c);
  EXPECT_EQ(list.At(1)->Name(), "Dev.D");
  EXPECT_EQ(list.At(2), a);
  EXPECT_EQ(a->Number, 2);
  EXPECT_EQ(c->RefCount, 1u);  // dropped by the list
  hold.reset();

  // Parameters of the same name keep their signals in order.
  list.Rebuild(NameListSource({"Резерв", "Резерв", "A"}), 0, "Dev");
  TParam* r1 = list.At(0);
  TParam* r2 = list.At(1);
  r2->SetName("Dev.Второй резерв");
  list.Rebuild(NameListSource({"Резерв", "Резерв", "A"}), 0, "Dev");
  EXPECT_EQ(list.At(0), r1);
  EXPECT_EQ(list.At(1), r2);
  EXPECT_EQ(list.At(2), a);
}

TEST_F(ParamsTest, RebuildUnderANewPrefixKeepsEverySignal) {
  // Long names of equal length, in a short list and a long one: the lookup of the
  // set-aside signals must survive the renaming of those already taken over.
  for (int n : {12, 40}) {
    std::vector<std::string> params;
    for (int i = 0; i < n; ++i) params.push_back(Format("Параметр_измерения_%02d", i));
    params.push_back("Резервный_параметр");
    params.push_back("Резервный_параметр");
    TParamsTI list(config);
    list.Rebuild(NameListSource(params), 2, "Насосная_станция_номер_1");
    const std::vector<TParam*> before = list.Items;
    list.At(3)->Gain = 3;
    list.At(5)->SetName("Насосная_станция_номер_1.Моё.Имя");

    list.Rebuild(NameListSource(params), 2, "Насосная_станция_номер_2");
    EXPECT_EQ(list.Items, before) << n;
    EXPECT_EQ(list.At(0)->Name(), "Насосная_станция_номер_2.Параметр_измерения_00");
    EXPECT_EQ(list.At(5)->Name(), "Насосная_станция_номер_2.Моё.Имя");
    EXPECT_EQ(list.At(n + 1)->DefaultName(), "Насосная_станция_номер_2.Резервный_параметр");
    EXPECT_EQ(list.At(3)->Gain, 3.0f);

    list.Rebuild(NameListSource(params), 2, "Насосная_станция_номер_1");
    EXPECT_EQ(list.Items, before) << n;
    EXPECT_EQ(list.At(5)->Name(), "Насосная_станция_номер_1.Моё.Имя");
  }
}

TEST_F(ParamsTest, EmptyPrefixAddsNoPoint) {
  TParamsTS list(config);
  list.Rebuild(NameListSource({"x1", "x2"}), 0, "");
  EXPECT_EQ(list.At(0)->Name(), "x1");
  EXPECT_EQ(list.At(0)->DefaultName(), "x1");
  list.At(0)->SetName("A.B.x1");
  list.Rebuild(NameListSource({"x1", "x2"}), 0, "");
  EXPECT_EQ(list.At(0)->Name(), "A.B.x1");
  EXPECT_EQ(TParams::ShortName(*list.At(0)), "A.B.x1");
  list.Rebuild(NameListSource({"x1", "x2"}), 0, "Dev");
  EXPECT_EQ(Names(list), (std::vector<std::string>{"Dev.A.B.x1", "Dev.x2"}));
  list.Rebuild(NameListSource({"x1", "x2"}), 0, "");
  EXPECT_EQ(Names(list), (std::vector<std::string>{"A.B.x1", "x2"}));
}

TEST_F(ParamsTest, DottedUserNamesSurviveLoadAndRebuild) {
  FieldPort* port = test::AddFieldPort(config, 3, "3_Порт.5_Meter", 3, 0, 0);
  test::LinkToBoard(port, 33);
  port->TS()->At(0)->SetName("3_Порт.5_Meter.Насос.Авария");
  port->TS()->At(2)->SetName("Своё");  // no owner part at all
  const auto bytes = Build(config);
  ASSERT_FALSE(bytes.empty());

  RecordingMessages m;
  Configuration loaded(m);
  ASSERT_TRUE(test::Load(loaded, bytes));
  auto* p = dynamic_cast<FieldPort*>(loaded.Controller().Proc()->Child(1));
  ASSERT_NE(p, nullptr);
  const std::vector<std::string> stored{"3_Порт.5_Meter.Насос.Авария", "3_Порт.5_Meter.Вход2",
                                        "Своё"};
  EXPECT_EQ(Names(*p->TS()), stored);
  EXPECT_EQ(TParams::ShortName(*p->TS()->At(0)), "Насос.Авария");

  p->UpdateSignalList();  // same prefix: nothing changes
  EXPECT_EQ(Names(*p->TS()), stored);
  EXPECT_EQ(test::Slice(Build(loaded), 144, bytes.size() - 146),
            Slice(bytes, 144, bytes.size() - 146));

  p->DeviceName = "4_Порт.6_Meter";
  p->UpdateSignalList();
  EXPECT_EQ(Names(*p->TS()), (std::vector<std::string>{"4_Порт.6_Meter.Насос.Авария",
                                                       "4_Порт.6_Meter.Вход2", "Своё"}));
}

TEST_F(ParamsTest, MeasurementListWithoutGainsOrGroups) {
  TParamsTI list(config);
  list.Rebuild(NameListSource({"A", "B"}), 2, "");
  const auto bytes = SaveItem(list);
  EXPECT_EQ(bytes, Cat({Bytes({0xF1, 0xFF, 0xD5, 0x00, 0xAF, 0, 0, 0}),
                        Bytes({0xF2, 0xFF, 0x30, 0x00, 0x09, 0, 0, 0, 0x01}),
                        Bytes({0xF2, 0xFF, 0x0E, 0x00, 0x0A, 0, 0, 0, 0x02, 0x00}),
                        Bytes({0xF2, 0xFF, 0x29, 0x00, 0x8A, 0, 0, 0}), Name65("A"), Name65("B"),
                        Bytes({0xF2, 0xFF, 0x2E, 0x00, 0x0A, 0, 0, 0, 0x00, 0x00})}));

  TParamsTI back(config);
  back.Resize(2, "");
  back.At(1)->Gain = 9;  // stale values do not survive a load without gains
  LoadItem(back, bytes);
  EXPECT_EQ(back.At(1)->Gain, 0.0f);
  EXPECT_EQ(back.At(1)->Offset, 0.0f);
  EXPECT_EQ(back.At(1)->Group, "");
  EXPECT_EQ(Names(back), (std::vector<std::string>{"A", "B"}));
}

TEST_F(ParamsTest, MeasurementGainsAndGroupValues) {
  SporadicGroup g;
  g.AbsAperture = 1;
  g.RelAperture = 2.5f;  // rounds to 2 (halves to even)
  g.Upper = 10;
  g.Lower = -10;
  g.Name = "Г1";
  config.Controller().Proc()->Groups = {g};
  TParamsTI list(config);
  list.Rebuild(NameListSource({"A", "B"}), 2, "");
  list.At(0)->SetGroup("нет такой");
  list.At(1)->Gain = 2;
  list.At(1)->Offset = 0.5f;
  list.At(1)->SetGroup("Г1");
  const auto bytes = SaveItem(list);
  EXPECT_EQ(bytes, Cat({Bytes({0xF1, 0xFF, 0xD5, 0x00, 0xF9, 0, 0, 0}),
                        Bytes({0xF2, 0xFF, 0x30, 0x00, 0x09, 0, 0, 0, 0x01}),
                        Bytes({0xF2, 0xFF, 0x0E, 0x00, 0x0A, 0, 0, 0, 0x02, 0x00}),
                        Bytes({0xF2, 0xFF, 0x29, 0x00, 0x8A, 0, 0, 0}), Name65("A"), Name65("B"),
                        Bytes({0xF2, 0xFF, 0x15, 0x00, 0x10, 0, 0, 0}),  // 21 gain
                        Bytes({0, 0, 0, 0, 0x00, 0x00, 0x00, 0x40}),
                        Bytes({0xF2, 0xFF, 0x2A, 0x00, 0x10, 0, 0, 0}),  // 42 offset
                        Bytes({0, 0, 0, 0, 0x00, 0x00, 0x00, 0x3F}),
                        Bytes({0xF2, 0xFF, 0x60, 0x00, 0x10, 0, 0, 0}),  // 96 upper
                        Bytes({0, 0, 0, 0, 0x00, 0x00, 0x20, 0x41}),
                        Bytes({0xF2, 0xFF, 0x61, 0x00, 0x10, 0, 0, 0}),  // 97 lower
                        Bytes({0, 0, 0, 0, 0x00, 0x00, 0x20, 0xC1}),
                        Bytes({0xF2, 0xFF, 0x62, 0x00, 0x0A, 0, 0, 0, 0, 2}),     // 98 relative
                        Bytes({0xF2, 0xFF, 0x2E, 0x00, 0x0A, 0, 0, 0, 0, 1})}));  // 46 number

  TParamsTI back(config);
  LoadItem(back, bytes);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.At(1)->Gain, 2.0f);
  EXPECT_EQ(back.At(1)->Offset, 0.5f);
  EXPECT_EQ(back.At(1)->Group, "Г1");
  EXPECT_EQ(back.At(0)->Group, "");
  EXPECT_EQ(config.Controller().Proc()->Groups.size(), 1u);

  // Relative apertures round half to even; thresholds of zero write no keys.
  std::vector<SporadicGroup> groups(3);
  groups[0].RelAperture = 2.5f;
  groups[1].RelAperture = 3.5f;
  groups[2].RelAperture = 0.5f;
  groups[0].Name = "a";
  groups[1].Name = "b";
  groups[2].Name = "c";
  config.Controller().Proc()->Groups = groups;
  TParamsTI three(config);
  three.Rebuild(NameListSource({"a", "b", "c"}), 2, "");
  for (int i = 0; i < 3; ++i) three.At(i)->SetGroup(groups[static_cast<std::size_t>(i)].Name);
  const auto rounded = SaveItem(three);
  EXPECT_EQ(FindRecord(rounded, 0, 21), 0u);
  EXPECT_EQ(FindRecord(rounded, 0, 96), 0u);
  EXPECT_EQ(FindRecord(rounded, 0, 97), 0u);
  const std::size_t rel = FindRecord(rounded, 0, 98);
  ASSERT_NE(rel, 0u);
  EXPECT_EQ(Slice(rounded, rel + 4, 7), Bytes({0x0B, 0, 0, 0, 2, 4, 0}));
  EXPECT_EQ(Slice(rounded, FindRecord(rounded, 0, 46) + 8, 3), Bytes({1, 2, 3}));
}

TEST_F(ParamsTest, OldMeasurementListsWithoutGroupNumbersMakeGroupsForNewTriples) {
  SporadicGroup existing;
  existing.Upper = 10;
  existing.Lower = 0;
  existing.RelAperture = 1;
  existing.Name = "Существующая";
  config.Controller().Proc()->Groups = {existing};

  const auto f10 = Bytes({0x00, 0x00, 0x20, 0x41});
  const auto f20 = Bytes({0x00, 0x00, 0xA0, 0x41});
  const auto block = Cat({
      Bytes({0xF1, 0xFF, 0xD5, 0x00, 0xBF, 0x01, 0, 0}),  // 447 bytes
      Bytes({0xF2, 0xFF, 0x30, 0x00, 0x09, 0, 0, 0, 0x01}),
      Bytes({0xF2, 0xFF, 0x0E, 0x00, 0x0A, 0, 0, 0, 0x05, 0x00}),
      // Key 1 has no business in an own list; the positions stay the numbers.
      Bytes({0xF2, 0xFF, 0x01, 0x00, 0x12, 0, 0, 0, 7, 0, 7, 0, 7, 0, 7, 0, 7, 0}),
      Bytes({0xF2, 0xFF, 0x29, 0x00, 0x4D, 0x01, 0, 0}),
      Name65("A"),
      Name65("B"),
      Name65("C"),
      Name65("D"),
      Name65("E"),
      Bytes({0xF2, 0xFF, 0x60, 0x00, 0x1C, 0, 0, 0}),
      f10,
      f10,
      f20,
      f20,
      Zeros(4),
      Bytes({0xF2, 0xFF, 0x61, 0x00, 0x1C, 0, 0, 0}),
      Zeros(20),
      Bytes({0xF2, 0xFF, 0x62, 0x00, 0x0D, 0, 0, 0, 1, 1, 5, 5, 0}),
  });
  ASSERT_EQ(block.size(), 447u);
  TParamsTI list(config);
  LoadItem(list, block);
  ASSERT_EQ(list.Count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(list.At(i)->Number, i);
  EXPECT_EQ(list.At(0)->Group, "Существующая");
  EXPECT_EQ(list.At(1)->Group, "Существующая");
  EXPECT_EQ(list.At(2)->Group, "Group1");
  EXPECT_EQ(list.At(3)->Group, "Group1");
  EXPECT_EQ(list.At(4)->Group, "");
  const auto& groups = config.Controller().Proc()->Groups;
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[1].Upper, 20.0f);
  EXPECT_EQ(groups[1].Lower, 0.0f);
  EXPECT_EQ(groups[1].RelAperture, 5.0f);
}

TEST_F(ParamsTest, DiscreteInputTypesAndInversion) {
  TParamsTS list(config);
  list.Rebuild(NameListSource({"a", "b", "c"}), 0, "");
  list.At(0)->TSType = 1;
  list.At(0)->Inverted = 4;
  list.At(1)->TSType = 2;
  const auto bytes = SaveItem(list);
  const std::size_t types = FindRecord(bytes, 0, 78);
  ASSERT_NE(types, 0u);
  EXPECT_EQ(Slice(bytes, types, 11), Bytes({0xF2, 0xFF, 0x4E, 0x00, 0x0B, 0, 0, 0, 5, 2, 0}));
  EXPECT_EQ(Slice(bytes, 0, 4), Bytes({0xF1, 0xFF, 0xD3, 0x00}));

  TParamsTS back(config);
  back.Rebuild(NameListSource({"a", "b", "c"}), 0, "");
  back.At(2)->Inverted = 4;
  LoadItem(back, bytes);
  EXPECT_EQ(back.At(0)->TSType, 1);
  EXPECT_EQ(back.At(0)->Inverted, 4);
  EXPECT_EQ(back.At(1)->TSType, 2);
  EXPECT_EQ(back.At(1)->Inverted, 0);
  EXPECT_EQ(back.At(2)->Inverted, 0);
}

TEST_F(ParamsTest, OwnersSizingWinsOverTheStoredCount) {
  TParamsTS five(config);
  five.Rebuild(NameListSource({"a", "b", "c", "d", "e"}), 0, "Dev");
  five.At(4)->SetName("Dev.Пятый");
  const auto bytes = SaveItem(five);

  TParamsTS three(config);
  three.Rebuild(NameListSource({"a", "b", "c"}), 0, "Dev");
  LoadItem(three, bytes);
  EXPECT_EQ(Names(three), (std::vector<std::string>{"Dev.a", "Dev.b", "Dev.c"}));

  five.At(1)->SetName("Dev.Второй");
  const auto again = SaveItem(five);
  TParamsTS seven(config);
  seven.Rebuild(NameListSource({"a", "b", "c", "d", "e", "f", "g"}), 0, "Dev");
  LoadItem(seven, again);
  EXPECT_EQ(Names(seven), (std::vector<std::string>{"Dev.a", "Dev.Второй", "Dev.c", "Dev.d",
                                                    "Dev.Пятый", "Dev.f", "Dev.g"}));

  // A list nobody sized takes the stored count; positions are the numbers.
  TParamsTS unsized(config);
  LoadItem(unsized, again);
  ASSERT_EQ(unsized.Count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(unsized.At(i)->Number, i);
  EXPECT_EQ(unsized.At(1)->DefaultName(), "Dev.Второй");
}

TEST_F(ParamsTest, ListOfANewerVersionKeepsItsState) {
  TParamsTS list(config);
  list.Rebuild(NameListSource({"a"}), 0, "Dev");
  auto bytes = SaveItem(list);
  bytes[16] = 2;
  bytes[8 + 9 + 10 + 8 + 1 + 4] = 'X';  // the stored name would read "Dev.X"
  list.At(0)->TSType = 1;
  LoadItem(list, bytes);
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Новая версия ТС"}));
  EXPECT_EQ(list.At(0)->Name(), "Dev.a");
  EXPECT_EQ(list.At(0)->TSType, 1);
}

TEST_F(ParamsTest, CommandBlockingIsSavedOnlyWhenUsed) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 4, 3, 0);
  test::LinkToBoard(port, 33);
  TParams& tu = *port->TU();
  auto bytes = SaveItem(tu);
  EXPECT_EQ(FindRecord(bytes, 0, 110), 0u);
  EXPECT_EQ(FindRecord(bytes, 0, 111), 0u);

  tu.At(1)->BlockOn = Acquire(port->TS()->At(3));
  bytes = SaveItem(tu);
  const std::size_t on = FindRecord(bytes, 0, 110);
  const std::size_t off = FindRecord(bytes, 0, 111);
  ASSERT_NE(on, 0u);
  ASSERT_NE(off, 0u);
  EXPECT_EQ(Slice(bytes, on, 14),
            Bytes({0xF2, 0xFF, 0x6E, 0x00, 0x0E, 0, 0, 0, 0xFF, 0xFF, 0x03, 0x00, 0xFF, 0xFF}));
  EXPECT_EQ(Slice(bytes, off, 14),
            Bytes({0xF2, 0xFF, 0x6F, 0x00, 0x0E, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));

  const auto image = Build(config);
  RecordingMessages m;
  Configuration loaded(m);
  ASSERT_TRUE(test::Load(loaded, image));
  auto* p = dynamic_cast<FieldPort*>(loaded.Controller().Proc()->Child(1));
  ASSERT_NE(p, nullptr);
  EXPECT_FALSE(p->TU()->NeedsResolve);
  EXPECT_EQ(p->TU()->At(0)->BlockOn, nullptr);
  EXPECT_EQ(p->TU()->At(1)->BlockOn, p->TS()->At(3));
  EXPECT_EQ(p->TU()->At(2)->BlockOn, nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(p->TU()->At(i)->BlockOff, nullptr);
  EXPECT_EQ(p->TS()->At(3)->RefCount, 2u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(p->TU()->At(i)->Number, i);
}

TEST_F(ParamsTest, SecondDevicesInputsFollowTheFirstInThePool) {
  FieldPort* a = test::AddFieldPort(config, 1, "A", 100, 0, 2);
  FieldPort* b = test::AddFieldPort(config, 2, "B", 100, 0, 2);
  TStorage& pool = config.Storage();
  EXPECT_EQ(pool.Count(kKindTS), 200);
  EXPECT_EQ(pool.IndexOf(kKindTS, b->TS()->At(0)), 100);
  EXPECT_EQ(pool.SignalNumber(kKindTS, b->TS()->At(0)), 0x2000 + 100);
  EXPECT_EQ(pool.SignalNumber(kKindTS, b->TS()->At(99)), 0x2000 + 199);
  EXPECT_EQ(pool.SignalNumber(kKindTI, a->TI()->At(1)), 0x4000 + 1);
  EXPECT_EQ(pool.SignalNumber(kKindTI, b->TI()->At(0)), 0x4000 + 2);
  // The processor board's block counts them.
  test::LinkToBoard(a, 33);
  test::LinkToBoard(b, 34);
  const auto bytes = Build(config);
  EXPECT_EQ(Slice(bytes, FindRecord(bytes, 144, 13) + 8, 2), Bytes({200, 0}));
  EXPECT_EQ(Slice(bytes, FindRecord(bytes, 144, 14) + 8, 2), Bytes({4, 0}));
  EXPECT_EQ(Slice(bytes, FindRecord(bytes, 144, 15) + 8, 2), Bytes({0, 0}));

  // Moving the second port before the first renumbers.
  config.Move(b, config.Controller().Proc(), 1);
  config.Storage().RebuildPool();
  EXPECT_EQ(pool.IndexOf(kKindTS, b->TS()->At(0)), 0);
  EXPECT_EQ(pool.IndexOf(kKindTS, a->TS()->At(0)), 100);
}

TEST_F(ParamsTest, ASignalSelectedThreeHundredTimesSurvives) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 1, 0, 0);
  test::LinkToBoard(port, 33);
  TParam* s = port->TS()->At(0);
  test::TestPC* pc = test::AddPC(config, "ПК", 0);
  for (int i = 0; i < 300; ++i) pc->Selection()->Append(Acquire(s));
  EXPECT_EQ(s->RefCount, 301u);

  const auto bytes = Build(config);
  RecordingMessages m;
  Configuration loaded(m);
  ASSERT_TRUE(test::Load(loaded, bytes));
  auto* p = dynamic_cast<FieldPort*>(loaded.Controller().Proc()->Child(1));
  auto* lpc = dynamic_cast<test::TestPC*>(loaded.Controller().PortIP()->Child(1));
  ASSERT_NE(p, nullptr);
  ASSERT_NE(lpc, nullptr);
  ASSERT_EQ(lpc->Selection()->Count(), 300);
  EXPECT_EQ(lpc->Selection()->At(299), p->TS()->At(0));
  EXPECT_EQ(p->TS()->At(0)->RefCount, 301u);

  config.Remove(pc);
  EXPECT_EQ(s->RefCount, 1u);
  EXPECT_EQ(s->Name(), "Dev.Вход1");
}

TEST_F(ParamsTest, OwnListsOfOneKindBeyond8192AreRefused) {
  FieldPort* a = test::AddFieldPort(config, 1, "A", 5000, 0, 0);
  FieldPort* b = test::AddFieldPort(config, 2, "B", 5000, 0, 0);
  test::LinkToBoard(a, 33);
  test::LinkToBoard(b, 34);
  TStorage& pool = config.Storage();
  EXPECT_EQ(pool.Count(kKindTS), 8192);
  EXPECT_TRUE(pool.Overflow(kKindTS));
  EXPECT_FALSE(pool.Overflow(kKindTI));
  EXPECT_EQ(pool.IndexOf(kKindTS, b->TS()->At(3191)), 8191);
  EXPECT_EQ(pool.IndexOf(kKindTS, b->TS()->At(3192)), -1);

  messages.Errors.clear();
  EXPECT_TRUE(Build(config).empty());
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Количество сигналов ТС превышает 8192.",
                                                       "Сохранение прервано."}));
  EXPECT_EQ(pool.Count(kKindTS), 8192);

  // Within the limit again, the save goes through.
  b->TsCount = 3192;
  b->UpdateSignalList();
  pool.RebuildPool();
  EXPECT_FALSE(pool.Overflow(kKindTS));
  messages.Errors.clear();
  EXPECT_FALSE(Build(config).empty());
  EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(ParamsTest, SelectionListStoresPoolPositions) {
  FieldPort* port = test::AddFieldPort(config, 1, "Dev", 3, 0, 0);
  test::TestPC* pc = test::AddPC(config, "ПК", 0);
  TParams& sel = *pc->Selection();
  sel.Append(Acquire(port->TS()->At(2)));
  sel.Append(SignalRef::Adopt(new TParam(kKindTS)));  // a placeholder that names nothing
  sel.Append(Acquire(port->TS()->At(0)));
  config.Storage().RebuildPool();
  // The pool: the PC's link state first, then the port's three inputs.
  const auto bytes = SaveItem(sel);
  EXPECT_EQ(bytes, Cat({Bytes({0xF1, 0xFF, 0xD3, 0x00, 0x29, 0, 0, 0}),
                        Bytes({0xF2, 0xFF, 0x30, 0x00, 0x09, 0, 0, 0, 0x01}),
                        Bytes({0xF2, 0xFF, 0x0D, 0x00, 0x0A, 0, 0, 0, 0x03, 0x00}),
                        Bytes({0xF2, 0xFF, 0x01, 0x00, 0x0E, 0, 0, 0, 3, 0, 0xFF, 0xFF, 1, 0})}));

  // Loading keeps the numbers until Resolve; an index past the pool becomes a placeholder.
  auto changed = bytes;
  changed[35] = 0x10;  // pool index 0x10 (16) does not exist
  TParams back(config, kKindTS, kRoleSelection);
  LoadItem(back, changed);
  EXPECT_TRUE(back.NeedsResolve);
  ASSERT_EQ(back.Count(), 3);
  back.Resolve();
  EXPECT_FALSE(back.NeedsResolve);
  EXPECT_NE(back.At(0), nullptr);
  EXPECT_EQ(back.At(0)->Name(), "");
  EXPECT_NE(back.At(1), nullptr);
  EXPECT_EQ(back.At(2), port->TS()->At(0));
  EXPECT_EQ(port->TS()->At(0)->RefCount, 3u);
}

}  // namespace
}  // namespace vilk
