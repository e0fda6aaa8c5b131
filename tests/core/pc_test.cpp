// The control-centre PC: its record byte for byte, save and load with the exact
// selections, the legacy keys of older files, numbering under the IP port, the rules of
// the format table, and the XML and INI exports of its signal list.
#include "ports/telemechanics/pc.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "model/tree_rules.h"
#include "pc_test_support.h"
#include "ports/telemechanics/pc_export.h"
#include "record_spelling.h"

namespace vilk {
namespace {

namespace fs = std::filesystem;
using test::ByteVec;
using test::Cp1251;
using test::SourcePort;

using test::Blk;
using test::Join;
using test::Place65;
using test::Rec;
using test::U16;
using test::U32;

// A selection list: version, count under the kind's count key, key 1 with the pool indexes.
ByteVec Sel(int blockId, int countKey, std::initializer_list<int> indexes) {
  ByteVec idx;
  for (int i : indexes) {
    const ByteVec two = U16(i);
    idx.insert(idx.end(), two.begin(), two.end());
  }
  return Blk(blockId,
             {Rec(48, {1}), Rec(countKey, U16(static_cast<int>(indexes.size()))), Rec(1, idx)});
}

ByteVec SaveItem(TItem& item) {
  auto image = std::make_unique<ConfigImage>();
  TConfig cfg(*image);
  cfg.StartWrite(0);
  item.SaveToImage(cfg);
  EXPECT_FALSE(cfg.Overflow());
  return ByteVec(image->Data(), image->Data() + cfg.Cursor());
}

void LoadItem(TItem& item, const ByteVec& bytes) {
  auto image = std::make_unique<ConfigImage>();
  image->Assign(bytes);
  TConfig cfg(*image);
  cfg.StartRead(0, bytes.size());
  ASSERT_EQ(cfg.NextBlock(), item.BlockId());
  item.LoadFromImage(cfg);
}

// Offsets of every block with this id in a built image, in file order.
std::vector<std::size_t> BlocksWithId(const ByteVec& b, int id) {
  std::vector<std::size_t> found;
  std::size_t at = kDataOffset;
  while (at + 8 <= b.size() && b[at + 1] == 0xFF && (b[at] == 0xF1 || b[at] == 0xF2)) {
    const bool block = b[at] == 0xF1;
    if (block && (b[at + 2] | (b[at + 3] << 8)) == id) found.push_back(at);
    at += block ? 8 : test::GetU32(b, at + 4);
  }
  return found;
}

std::vector<std::string> Names(const TParams& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.At(i) ? list.At(i)->Name() : "(null)");
  return out;
}

std::vector<TPC*> PCs(const Configuration& c) {
  std::vector<TPC*> out;
  const TPortIP* ip = c.Controller().PortIP();
  for (int i = 0; i < ip->ChildCount(); ++i)
    if (auto* pc = dynamic_cast<TPC*>(ip->Child(i))) out.push_back(pc);
  return out;
}

std::vector<std::string> LinkStateNames(const Configuration& c) {
  const TParams* list = c.Controller().PortIP()->LinkStates();
  return list ? Names(*list) : std::vector<std::string>{};
}

class PCTest : public test::WithRealPC {
 protected:
  void Select(TPC* pc, int kind, TParam* s) { pc->List(kind)->Append(Acquire(s)); }
  void SelectEmpty(TPC* pc, int kind) {
    pc->List(kind)->Append(SignalRef::Adopt(new TParam(static_cast<std::uint8_t>(kind))));
  }

  RecordingMessages messages;
  Configuration config{messages};
};

// ---------------------------------------------------------------------------------------
// The record

TEST_F(PCTest, NewPcBlockHoldsEveryDefaultInKeyOrder) {
  config.Controller().Proc()->Address = 0x0102;  // a new PC takes the controller address
  TPC* pc = AddPC(config);
  ASSERT_NE(pc, nullptr);
  EXPECT_EQ(pc->Name(), "ПЭВМ");
  // The six lists in tree order ТС ТУ ТИ ТИИ ТР МТС, all selections owned by the PC.
  ASSERT_EQ(pc->ChildCount(), 6);
  const int order[] = {kKindTS, kKindTU, kKindTI, kKindTII, kKindTR, kKindMTS};
  for (int i = 0; i < 6; ++i) {
    const TParams* list = pc->Child(i)->AsParams();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->SignalKind, order[i]);
    EXPECT_EQ(list->ListRole, kRoleSelection);
    EXPECT_EQ(list->Owner, pc);
  }

  const ByteVec expected = Blk(
      202,
      {Rec(48, {1}), Rec(77, Place65("")), Rec(49, {0x00, 0x01, 0xA8, 0xC0}), Rec(68, {0, 0, 0, 0}),
       Rec(108, {0x02, 0x01}), Rec(35, {1}), Rec(36, {8}), Rec(73, {8}),
       Rec(45, {8, 30, 0, 1, 21, 0}), Rec(46, {8, 11, 11, 0, 22, 0}),
       Rec(107, {8, 0, 0, 0, 23, 36}), Rec(18, {100, 0}), Rec(63, {0x98, 0x3A, 0, 0}),
       Rec(64, {0x88, 0x13, 0, 0}), Rec(65, {0x40, 0x9C, 0, 0}), Rec(66, {12}), Rec(67, {8}),
       Rec(78, {1, 0}), Rec(10, {0x00, 0x20}), Rec(100, {0x00, 0xC0}), Rec(12, {0x00, 0x60}),
       Rec(11, {0x00, 0x40}), Rec(76, {0x00, 0xA0}), Rec(51, {0x00, 0x80}),
       // Empty lists are written, except the multi-state one.
       Sel(211, 13, {}), Sel(212, 15, {}), Sel(213, 14, {}), Sel(214, 75, {}), Sel(215, 74, {})});
  // 8 + 319 bytes of values + five empty lists of 35 bytes.
  ASSERT_EQ(expected.size(), 502u);
  EXPECT_EQ(SaveItem(*pc), expected);
}

TEST_F(PCTest, ChangedFieldsAndSelectionsInTheBlock) {
  SourcePort* src = AddSource(config, {{kKindTS, {"Dev.a", "Dev.b"}},
                                       {kKindTU, {"Dev.u"}},
                                       {kKindTII, {"Dev.t"}},
                                       {kKindTR, {"Dev.r"}},
                                       {kKindMTS, {"Dev.s"}}});
  TPC* pc = AddPC(config);
  pc->Place = "Щит 1";
  pc->PcIp = Ip(172, 16, 5, 9);
  pc->Gateway = Ip(255, 255, 255, 255);
  pc->AsduAddress = 65535;
  pc->TSFormat = {16, 30, 0, 30, 21, 0};
  pc->TIFormat = {24, 13, 0, 13, 22, 0};
  pc->TIIFormat = {1, 0, 0, 36, 23, 36};
  pc->CyclicInterval = 60000;
  pc->T1 = 60000 * 1000;  // edited as 60000 s
  pc->T2 = 1000;
  pc->T3 = 0;
  pc->K = 50;
  pc->W = 0;
  pc->Permissions = 7;
  pc->BaseTS = 0;
  pc->BaseMTS = 0xFFFF;
  pc->BaseTU = 1;
  pc->BaseTI = 0x1234;
  pc->BaseTII = 0xABCD;
  pc->BaseTR = 0x8001;
  // The TS pool starts with the PC's link state, then the source's two inputs.
  Select(pc, kKindTS, src->Signal(kKindTS, 1));
  SelectEmpty(pc, kKindTS);
  Select(pc, kKindTS, config.Controller().PortIP()->LinkStates()->At(0));
  Select(pc, kKindTU, src->Signal(kKindTU, 0));
  Select(pc, kKindTII, src->Signal(kKindTII, 0));
  Select(pc, kKindTR, src->Signal(kKindTR, 0));
  Select(pc, kKindMTS, src->Signal(kKindMTS, 0));
  Select(pc, kKindMTS, src->Signal(kKindMTS, 0));

  const ByteVec expected = Blk(
      202, {Rec(48, {1}), Rec(77, Place65("\xD9\xE8\xF2 1")), Rec(49, {0x09, 0x05, 0x10, 0xAC}),
            Rec(68, {0xFF, 0xFF, 0xFF, 0xFF}), Rec(108, {0xFF, 0xFF}),
            // The legacy bytes copy the interrogation format and the two counts.
            Rec(35, {30}), Rec(36, {24}), Rec(73, {1}), Rec(45, {16, 30, 0, 30, 21, 0}),
            Rec(46, {24, 13, 0, 13, 22, 0}), Rec(107, {1, 0, 0, 36, 23, 36}), Rec(18, {0x60, 0xEA}),
            Rec(63, {0x00, 0x87, 0x93, 0x03}), Rec(64, {0xE8, 0x03, 0, 0}), Rec(65, {0, 0, 0, 0}),
            Rec(66, {50}), Rec(67, {0}), Rec(78, {7, 0}), Rec(10, {0, 0}), Rec(100, {0xFF, 0xFF}),
            Rec(12, {1, 0}), Rec(11, {0x34, 0x12}), Rec(76, {0xCD, 0xAB}), Rec(51, {0x01, 0x80}),
            Sel(211, 13, {2, 0xFFFF, 0}), Sel(212, 15, {0}), Sel(213, 14, {}), Sel(214, 75, {0}),
            Sel(215, 74, {0}), Sel(219, 99, {0, 0})});
  EXPECT_EQ(SaveItem(*pc), expected);
}

// ---------------------------------------------------------------------------------------
// Save and load

TEST_F(PCTest, EveryFieldAndTheExactSelectionsSurviveSaveAndLoad) {
  SourcePort* src = AddSource(config, {{kKindTS, {"Dev.a", "Dev.b", "Dev.c"}},
                                       {kKindTU, {"Dev.u1", "Dev.u2"}},
                                       {kKindTI, {"Dev.m1", "Dev.m2"}},
                                       {kKindTII, {"Dev.t1"}},
                                       {kKindTR, {"Dev.r1"}},
                                       {kKindMTS, {"Dev.s1", "Dev.s2"}}});
  config.Controller().Proc()->Address = 9;
  TPC* first = AddPC(config);
  TPC* second = AddPC(config);
  first->Place = "Диспетчер";
  first->PcIp = Ip(172, 16, 0, 1);
  first->Gateway = Ip(172, 16, 0, 254);
  first->AsduAddress = 300;
  first->TSFormat = {16, 30, 0, 30, 21, 0};
  first->TIFormat = {1, 36, 35, 13, 22, 0};
  first->TIIFormat = {16, 0, 0, 36, 23, 36};
  first->CyclicInterval = 2500;
  first->T1 = 30000;
  first->T2 = 10000;
  first->T3 = 20000;
  first->K = 3;
  first->W = 2;
  first->Permissions = 6;
  first->BaseTS = 1;
  first->BaseMTS = 2;
  first->BaseTU = 3;
  first->BaseTI = 4;
  first->BaseTII = 5;
  first->BaseTR = 6;
  second->Place = "Резерв";
  config.Controller().PortIP()->ChildrenChanged();
  config.Storage().RebuildPool();

  // TS pool: the two link states, then a, b, c.
  TParams* states = config.Controller().PortIP()->LinkStates();
  Select(first, kKindTS, src->Signal(kKindTS, 2));
  SelectEmpty(first, kKindTS);
  Select(first, kKindTS, src->Signal(kKindTS, 0));
  Select(first, kKindTS, states->At(1));
  Select(first, kKindTU, src->Signal(kKindTU, 1));
  Select(first, kKindTI, src->Signal(kKindTI, 1));
  Select(first, kKindTI, src->Signal(kKindTI, 0));
  Select(first, kKindTII, src->Signal(kKindTII, 0));
  Select(first, kKindTR, src->Signal(kKindTR, 0));
  Select(first, kKindMTS, src->Signal(kKindMTS, 1));
  Select(second, kKindTS, src->Signal(kKindTS, 1));

  const ByteVec bytes = test::Build(config);
  ASSERT_FALSE(bytes.empty());
  const auto pcBlocks = BlocksWithId(bytes, 202);
  ASSERT_EQ(pcBlocks.size(), 2u);
  // The key-1 indexes are pool positions: c = 4, nothing = -1, a = 2, the second link state = 1.
  const auto firstTs = BlocksWithId(bytes, 211);
  const std::size_t firstTsList = [&] {
    for (std::size_t at : firstTs)
      if (at > pcBlocks[0] && at < pcBlocks[1]) return at;
    return std::size_t{0};
  }();
  ASSERT_NE(firstTsList, 0u);
  const std::size_t idx = test::FindRecord(bytes, firstTsList, 1);
  ASSERT_NE(idx, 0u);
  EXPECT_EQ(test::Slice(bytes, idx, 16), Rec(1, {4, 0, 0xFF, 0xFF, 2, 0, 1, 0}));
  // The second PC has no multi-state selection: no multi-state list block at all.
  const auto mts = BlocksWithId(bytes, 219);
  ASSERT_EQ(mts.size(), 2u);  // the first PC's selection, then the source's own list
  EXPECT_GT(mts[0], pcBlocks[0]);
  EXPECT_LT(mts[0], pcBlocks[1]);
  EXPECT_GE(mts[1], pcBlocks[1] + test::GetU32(bytes, pcBlocks[1] + 4));

  RecordingMessages m;
  Configuration loaded(m);
  ASSERT_TRUE(test::Load(loaded, bytes));
  EXPECT_TRUE(m.Errors.empty());
  const auto pcs = PCs(loaded);
  ASSERT_EQ(pcs.size(), 2u);
  const TPC& a = *pcs[0];
  EXPECT_EQ(a.Caption(), "1_Порт ПЭВМ");
  EXPECT_EQ(pcs[1]->Caption(), "2_Порт ПЭВМ");
  EXPECT_EQ(a.Place, "Диспетчер");
  EXPECT_EQ(a.PcIp, Ip(172, 16, 0, 1));
  EXPECT_EQ(a.Gateway, Ip(172, 16, 0, 254));
  EXPECT_EQ(a.AsduAddress, 300);
  EXPECT_EQ(a.TSFormat, (FormatRow{16, 30, 0, 30, 21, 0}));
  EXPECT_EQ(a.TIFormat, (FormatRow{1, 36, 35, 13, 22, 0}));
  EXPECT_EQ(a.TIIFormat, (FormatRow{16, 0, 0, 36, 23, 36}));
  EXPECT_EQ(a.CyclicInterval, 2500);
  EXPECT_EQ(a.T1, 30000u);
  EXPECT_EQ(a.T2, 10000u);
  EXPECT_EQ(a.T3, 20000u);
  EXPECT_EQ(a.K, 3);
  EXPECT_EQ(a.W, 2);
  EXPECT_EQ(a.Permissions, 6);
  EXPECT_EQ(a.Base(kKindTS), 1);
  EXPECT_EQ(a.Base(kKindMTS), 2);
  EXPECT_EQ(a.Base(kKindTU), 3);
  EXPECT_EQ(a.Base(kKindTI), 4);
  EXPECT_EQ(a.Base(kKindTII), 5);
  EXPECT_EQ(a.Base(kKindTR), 6);
  // The second PC kept its defaults, with the ASDU address it got when it was added.
  EXPECT_EQ(pcs[1]->Place, "Резерв");
  EXPECT_EQ(pcs[1]->AsduAddress, 9);
  EXPECT_EQ(pcs[1]->TSFormat, (FormatRow{8, 30, 0, 1, 21, 0}));

  // The selections point at the loaded pool's signals, in the same order.
  auto* lsrc = dynamic_cast<SourcePort*>(loaded.Controller().Proc()->Child(1));
  ASSERT_NE(lsrc, nullptr);
  const TParams& ts = *a.List(kKindTS);
  ASSERT_EQ(ts.Count(), 4);
  EXPECT_EQ(ts.At(0), lsrc->Signal(kKindTS, 2));
  ASSERT_NE(ts.At(1), nullptr);  // the empty row stays an empty row
  EXPECT_EQ(ts.At(1)->Name(), "");
  EXPECT_EQ(ts.At(2), lsrc->Signal(kKindTS, 0));
  EXPECT_EQ(ts.At(3), loaded.Controller().PortIP()->LinkStates()->At(1));
  EXPECT_EQ(ts.At(3)->Name(), "0_Порт_IP.связь_2_Порт ПЭВМ_Резерв");
  EXPECT_EQ(Names(*a.List(kKindTU)), (std::vector<std::string>{"Dev.u2"}));
  EXPECT_EQ(a.List(kKindTI)->At(0), lsrc->Signal(kKindTI, 1));
  EXPECT_EQ(a.List(kKindTI)->At(1), lsrc->Signal(kKindTI, 0));
  EXPECT_EQ(a.List(kKindTII)->At(0), lsrc->Signal(kKindTII, 0));
  EXPECT_EQ(a.List(kKindTR)->At(0), lsrc->Signal(kKindTR, 0));
  EXPECT_EQ(Names(*a.List(kKindMTS)), (std::vector<std::string>{"Dev.s2"}));
  EXPECT_EQ(Names(*pcs[1]->List(kKindTS)), (std::vector<std::string>{"Dev.b"}));
  EXPECT_EQ(pcs[1]->List(kKindMTS)->Count(), 0);
  EXPECT_EQ(lsrc->Signal(kKindTS, 1)->RefCount, 2u);

  // Saved again, the image is the same to the byte.
  EXPECT_EQ(test::Build(loaded), bytes);
  // A PC added to the loaded configuration takes the loaded controller address.
  EXPECT_EQ(AddPC(loaded)->AsduAddress, 9);

  // An index past the pool (a signal that is gone) loads as an empty placeholder.
  ByteVec changed = bytes;
  changed[idx + 8] = 0x50;  // pool index 80
  test::Restamp(changed);
  RecordingMessages m2;
  Configuration broken(m2);
  ASSERT_TRUE(test::Load(broken, changed));
  const TParams& bts = *PCs(broken)[0]->List(kKindTS);
  ASSERT_EQ(bts.Count(), 4);
  ASSERT_NE(bts.At(0), nullptr);
  EXPECT_EQ(bts.At(0)->Name(), "");
  EXPECT_EQ(bts.At(2)->Name(), "Dev.a");
}

TEST_F(PCTest, SelectionOfAGoneSignalWaitsUnresolvedAndHealsWhenItReturns) {
  SourcePort* src = AddSource(config, {{kKindTS, {"Dev.a", "Dev.b"}}, {kKindTI, {"Dev.m"}}});
  TPC* pc = AddPC(config);
  Select(pc, kKindTS, src->Signal(kKindTS, 1));
  Select(pc, kKindTI, src->Signal(kKindTI, 0));
  TParam* oldB = src->Signal(kKindTS, 1);

  ASSERT_NE(DeleteItem(config, src), nullptr);
  // The PC keeps its entries, named as before, but marked unresolved.
  const TParams& ts = *pc->List(kKindTS);
  ASSERT_EQ(ts.Count(), 1);
  EXPECT_EQ(ts.At(0), oldB);
  EXPECT_EQ(ts.At(0)->Name(), "Dev.b");
  EXPECT_TRUE(ts.At(0)->Unresolved);
  EXPECT_TRUE(pc->List(kKindTI)->At(0)->Unresolved);
  EXPECT_EQ(oldB->RefCount, 1u);  // only the PC holds it now
  // Saved while unresolved, the entry names no pool position.
  const ByteVec gone = SaveItem(*pc);
  const ByteVec unresolvedTs = Sel(211, 13, {0xFFFF});
  EXPECT_NE(std::search(gone.begin(), gone.end(), unresolvedTs.begin(), unresolvedTs.end()),
            gone.end());

  // A new port brings signals with those default names back: the entries heal.
  SourcePort* again = AddSource(config, {{kKindTS, {"Dev.x", "Dev.b"}}, {kKindTI, {"Dev.m"}}});
  ASSERT_EQ(ts.At(0), again->Signal(kKindTS, 1));
  EXPECT_FALSE(ts.At(0)->Unresolved);
  EXPECT_EQ(again->Signal(kKindTS, 1)->RefCount, 2u);  // its own list and the PC
  EXPECT_EQ(pc->List(kKindTI)->At(0), again->Signal(kKindTI, 0));
  EXPECT_FALSE(pc->List(kKindTI)->At(0)->Unresolved);
  // TS pool: link state, x, b.
  const ByteVec healed = SaveItem(*pc);
  const ByteVec healedTs = Sel(211, 13, {2});
  EXPECT_NE(std::search(healed.begin(), healed.end(), healedTs.begin(), healedTs.end()),
            healed.end());
}

// ---------------------------------------------------------------------------------------
// Older and newer files

// A PC block of an older program: the legacy bytes, no format rows.
ByteVec LegacyBlock(int ts35, int ti36, int tii73) {
  ByteVec values = Rec(48, {1});
  const auto add = [&](int key, int v) {
    if (v < 0) return;
    const ByteVec r = Rec(key, {static_cast<std::uint8_t>(v)});
    values.insert(values.end(), r.begin(), r.end());
  };
  add(35, ts35);
  add(36, ti36);
  add(73, tii73);
  return Blk(202, {values});
}

TEST_F(PCTest, OlderFilesWithoutFormatRowsTakeTheLegacyBytes) {
  struct Case {
    int ts35, ti36, tii73;
    int tsCount, tiCount, tiiCount, tsInterrogation;
  };
  const Case cases[] = {
      {5, 5, 5, 8, 8, 8, 1},       // none allowed: 8 per message, interrogation stays 1
      {30, 16, 4, 16, 16, 4, 30},  //
      {1, 1, 1, 1, 1, 1, 1},       //
      {0, 24, 8, 24, 24, 8, 1},    // 0 is no interrogation format
      {-1, -1, -1, 8, 8, 8, 1},    // nothing stored: the defaults
      {31, 0, 16, 8, 8, 8, 1},     // 16 is no integrated-total count, 0 no count at all
      {-1, 8, 2, 8, 8, 8, 1},      //
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "keys 35/36/73 = " << c.ts35 << "/" << c.ti36 << "/" << c.tii73);
    TPC* pc = AddPC(config);
    LoadItem(*pc, LegacyBlock(c.ts35, c.ti36, c.tii73));
    EXPECT_EQ(pc->TSFormat, (FormatRow{static_cast<std::uint8_t>(c.tsCount), 30, 0,
                                       static_cast<std::uint8_t>(c.tsInterrogation), 21, 0}));
    EXPECT_EQ(pc->TIFormat, (FormatRow{static_cast<std::uint8_t>(c.tiCount), 11, 11, 0, 22, 0}));
    EXPECT_EQ(pc->TIIFormat, (FormatRow{static_cast<std::uint8_t>(c.tiiCount), 0, 0, 0, 23, 36}));
    DeleteItem(config, pc);
  }
  EXPECT_TRUE(messages.Errors.empty());

  // With the row stored, the legacy bytes are ignored.
  TPC* pc = AddPC(config);
  LoadItem(*pc, Blk(202, {Rec(48, {1}), Rec(35, {1}), Rec(36, {1}), Rec(73, {1}),
                          Rec(45, {16, 30, 0, 30, 21, 0})}));
  EXPECT_EQ(pc->TSFormat, (FormatRow{16, 30, 0, 30, 21, 0}));
  EXPECT_EQ(pc->TIFormat, (FormatRow{8, 11, 11, 0, 22, 0}));
  EXPECT_EQ(pc->TIIFormat, (FormatRow{8, 0, 0, 0, 23, 36}));
}

TEST_F(PCTest, NewerVersionIsRefusedAndKeepsTheDefaults) {
  SourcePort* src = AddSource(config, {{kKindTS, {"Dev.a"}}});
  TPC* pc = AddPC(config);
  LoadItem(*pc, Blk(202, {Rec(48, {2}), Rec(77, Place65("abc")), Rec(49, {1, 2, 3, 4}),
                          Rec(66, {1}), Sel(211, 13, {1})}));
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Новая версия ПЭВМ"}));
  EXPECT_EQ(pc->Place, "");
  EXPECT_EQ(pc->PcIp, Ip(192, 168, 1, 0));
  EXPECT_EQ(pc->K, 12);
  pc->AfterLoad();
  EXPECT_EQ(pc->List(kKindTS)->Count(), 0);
  EXPECT_EQ(src->Signal(kKindTS, 0)->RefCount, 1u);  // held by its own list alone
}

TEST_F(PCTest, ListsLoadInAnyOrderAndAForeignBlockIsKept) {
  SourcePort* src = AddSource(
      config, {{kKindTS, {"Dev.a"}}, {kKindTU, {"Dev.u"}}, {kKindTI, {"Dev.m1", "Dev.m2"}}});
  TPC* pc = AddPC(config);
  LoadItem(*pc, Blk(202, {Rec(48, {1}), Sel(213, 14, {1, 0}), Sel(211, 13, {1}),
                          Blk(0x99, {Rec(48, {1})}), Sel(212, 15, {0})}));
  pc->AfterLoad();
  EXPECT_EQ(pc->List(kKindTI)->At(0), src->Signal(kKindTI, 1));
  EXPECT_EQ(pc->List(kKindTI)->At(1), src->Signal(kKindTI, 0));
  ASSERT_EQ(pc->List(kKindTS)->Count(), 1);
  EXPECT_EQ(pc->List(kKindTS)->At(0), src->Signal(kKindTS, 0));
  // The foreign block neither ends the lists nor gets lost: it is kept and written back.
  ASSERT_EQ(pc->List(kKindTU)->Count(), 1);
  EXPECT_EQ(pc->List(kKindTU)->At(0), src->Signal(kKindTU, 0));
  ASSERT_EQ(pc->ChildCount(), 7);
  EXPECT_TRUE(pc->Child(6)->IsKept());
  EXPECT_EQ(pc->Child(6)->KeptBlock(), Blk(0x99, {Rec(48, {1})}));
  const std::vector<std::uint8_t> saved = SaveItem(*pc);
  const std::vector<std::uint8_t> foreign = Blk(0x99, {Rec(48, {1})});
  EXPECT_TRUE(std::equal(foreign.begin(), foreign.end(), saved.end() - foreign.size()));
}

// ---------------------------------------------------------------------------------------
// Under the IP port

TEST_F(PCTest, PcsAreNumberedByPositionAndNameTheirLinkStates) {
  TPortIP* ip = config.Controller().PortIP();
  TPC* one = AddPC(config);
  TPC* two = AddPC(config);
  TPC* three = AddPC(config);
  two->Place = "Север";
  ip->ChildrenChanged();
  EXPECT_EQ(one->Caption(), "1_Порт ПЭВМ");
  EXPECT_EQ(two->Caption(), "2_Порт ПЭВМ");
  EXPECT_EQ(three->Caption(), "3_Порт ПЭВМ");
  EXPECT_EQ(ip->Child(0), ip->LinkStates());
  EXPECT_EQ(ip->PcCount, 3);
  EXPECT_EQ(LinkStateNames(config), (std::vector<std::string>{"0_Порт_IP.связь_1_Порт ПЭВМ_1",
                                                              "0_Порт_IP.связь_2_Порт ПЭВМ_Север",
                                                              "0_Порт_IP.связь_3_Порт ПЭВМ_3"}));

  ASSERT_NE(DeleteItem(config, one), nullptr);
  EXPECT_EQ(two->Caption(), "1_Порт ПЭВМ");
  EXPECT_EQ(three->Caption(), "2_Порт ПЭВМ");
  EXPECT_EQ(ip->PcCount, 2);
  EXPECT_EQ(LinkStateNames(config), (std::vector<std::string>{"0_Порт_IP.связь_1_Порт ПЭВМ_Север",
                                                              "0_Порт_IP.связь_2_Порт ПЭВМ_2"}));

  // Dragged before the other PC; the link-state list itself is no drop target.
  EXPECT_EQ(Drop(config, three, ip->LinkStates()), nullptr);
  ASSERT_EQ(Drop(config, three, two), ip);
  EXPECT_EQ(three->Caption(), "1_Порт ПЭВМ");
  EXPECT_EQ(two->Caption(), "2_Порт ПЭВМ");
  EXPECT_EQ(LinkStateNames(config),
            (std::vector<std::string>{"0_Порт_IP.связь_1_Порт ПЭВМ_1",
                                      "0_Порт_IP.связь_2_Порт ПЭВМ_Север"}));

  // A duplicate goes last, with the original's place; the numbers still tell them apart.
  auto* copy = dynamic_cast<TPC*>(ip->DuplicateChild(two));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Caption(), "3_Порт ПЭВМ");
  EXPECT_EQ(copy->Place, "Север");
  EXPECT_EQ(LinkStateNames(config),
            (std::vector<std::string>{"0_Порт_IP.связь_1_Порт ПЭВМ_1",
                                      "0_Порт_IP.связь_2_Порт ПЭВМ_Север",
                                      "0_Порт_IP.связь_3_Порт ПЭВМ_Север"}));
  // The link states lead the TS pool.
  ASSERT_EQ(config.Storage().Count(kKindTS), 3);
  EXPECT_EQ(config.Storage().List(kKindTS).At(2)->Name(), "0_Порт_IP.связь_3_Порт ПЭВМ_Север");
}

// ---------------------------------------------------------------------------------------
// Format table, update period, addresses

TEST_F(PCTest, CountsFallBackTo16WithTimeTaggedFormats) {
  struct Case {
    FormatRow ts, ti;
    int tsCount, tiCount;
  };
  const Case cases[] = {
      {{24, 30, 0, 30, 21, 0}, {24, 11, 11, 0, 22, 0}, 16, 24},  // TS interrogation with time
      {{24, 30, 0, 1, 21, 0}, {24, 13, 13, 13, 22, 0}, 24, 24},  // nothing time-tagged
      {{16, 30, 0, 30, 21, 0}, {24, 35, 0, 0, 22, 0}, 16, 16},   // sporadic 35
      {{8, 30, 0, 30, 21, 0}, {24, 0, 36, 0, 22, 0}, 8, 16},     // cyclic 36
      {{1, 30, 0, 30, 21, 0}, {24, 0, 0, 35, 22, 0}, 1, 16},     // interrogation 35
      {{24, 30, 0, 1, 21, 0}, {16, 36, 36, 36, 22, 0}, 24, 16},  // already within the limit
      {{24, 30, 0, 1, 21, 0}, {8, 35, 35, 35, 22, 0}, 24, 8},
  };
  TPC* pc = AddPC(config);
  for (const Case& c : cases) {
    pc->TSFormat = c.ts;
    pc->TIFormat = c.ti;
    pc->TIIFormat = {16, 0, 0, 36, 23, 36};
    pc->NormalizeFormats();
    EXPECT_EQ(pc->TSFormat[0], c.tsCount) << int(c.ts[0]) << " with interrogation " << int(c.ts[3]);
    EXPECT_EQ(pc->TIFormat[0], c.tiCount)
        << int(c.ti[0]) << " with " << int(c.ti[1]) << "," << int(c.ti[2]) << "," << int(c.ti[3]);
    EXPECT_EQ(pc->TIIFormat[0], 16);
  }
}

TEST_F(PCTest, UpdatePeriodTextAndChannelNames) {
  TPC* pc = AddPC(config);
  // Cyclic output off: the period comes from the group 2 interrogation.
  pc->TIFormat = {8, 11, 0, 0, 22, 0};
  EXPECT_EQ(pc->UpdatePeriodText(), "определяется периодом \"Опроса группы 2\"");
  // Otherwise interval × measurements / 1000 / per message, in whole seconds.
  struct Case {
    int interval, count, perMessage;
    const char* text;
  };
  const Case cases[] = {
      {1000, 20, 8, "2 с"}, {100, 90, 1, "9 с"}, {999, 1, 1, "0 с"}, {60000, 8192, 24, "20480 с"}};
  for (const Case& c : cases) {
    pc->TIFormat = {static_cast<std::uint8_t>(c.perMessage), 11, 13, 0, 22, 0};
    pc->CyclicInterval = static_cast<std::uint16_t>(c.interval);
    pc->List(kKindTI)->Clear();
    for (int i = 0; i < c.count; ++i) SelectEmpty(pc, kKindTI);
    EXPECT_EQ(pc->UpdatePeriodText(), c.text)
        << c.interval << " ms, " << c.count << " / " << c.perMessage;
  }

  // The "Адрес" column: the PC's base of the list's kind plus the row, in decimal.
  pc->BaseTS = 100;
  pc->BaseTU = 0;
  pc->BaseTII = 40000;
  EXPECT_EQ(pc->ChannelName(*pc->List(kKindTS), 0), "100");
  EXPECT_EQ(pc->ChannelName(*pc->List(kKindTS), 7), "107");
  EXPECT_EQ(pc->ChannelName(*pc->List(kKindTU), 12), "12");
  EXPECT_EQ(pc->ChannelName(*pc->List(kKindTI), 1), "16385");
  EXPECT_EQ(pc->ChannelName(*pc->List(kKindTII), 5), "40005");
  EXPECT_EQ(pc->ChannelName(*pc->List(kKindTR), 0), "32768");
  EXPECT_EQ(pc->ChannelName(*pc->List(kKindMTS), 2), "49154");
}

// ---------------------------------------------------------------------------------------
// XML export

// The parts of a document for a controller with no place, address 1, the default IP port
// and a PC with the default timeouts.
const std::string kXmlHead =
    "<?xml version=\"1.0\" encoding=\"windows-1251\"?> \r\n"
    "<WS_IEC_870_5_104 name=\"\"  ASDUaddr=\"1\" >\r\n"
    "    <BaseChannel   LocalIP=\"0.0.0.0\"  RemoteIP=\"192.168.1.222\" Port=\"2404\" t1=\"15\" "
    "t2=\"5\" t3=\"40\" "
    "k=\"12\" w=\"8\" />  \r\n";
const std::string kXmlFiles =
    "    <Group name=\"файлы\" type=\"file\" ASDUaddr=\"1\"  Baseaddr=\"57344\" >\r\n"
    "        <Item name=\"конфигурация\" address=\"1\" fileID=\"0\" filename=\"Tamor.cfg\" />\r\n"
    "        <Item name=\"прошивка\" address=\"2\" fileID=\"0\" filename=\"Tamor.bin\" />\r\n"
    "        <Item name=\"список ключей доступа\" address=\"3\" fileID=\"0\" "
    "filename=\"Tamor.key\" />\r\n"
    "        <Item name=\"журнал всех событий\" address=\"4\" fileID=\"0\" "
    "filename=\"EventFull.dat\" />\r\n"
    "        <Item name=\"журнал 100 событий\" address=\"5\" fileID=\"0\" "
    "filename=\"Event100.dat\" />\r\n"
    "        <Item name=\"журнал всех тревог\" address=\"6\" fileID=\"0\" "
    "filename=\"AlarmFull.dat\" />\r\n"
    "        <Item name=\"журнал 100 тревог\" address=\"7\" fileID=\"0\" filename=\"Alarm100.dat\" "
    "/>\r\n"
    "    </Group>\r\n";
const std::string kXmlEnd = "</WS_IEC_870_5_104>\r\n";
const std::string kTsGroup =
    "    <Group name=\"ТС\" type=\"TS\" ASDUaddr=\"1\"  Baseaddr=\"8192\" >\r\n";
const std::string kGroupEnd = "    </Group>\r\n";

// A group line for a nested name part of the TS list (address 1, base 8192).
std::string TsSub(int indent, const std::string& name) {
  return std::string(static_cast<std::size_t>(indent), ' ') + "<Group name=\"" + name +
         "\" type=\"TS\" ASDUaddr=\"1\"  Baseaddr=\"8192\" >\r\n";
}
std::string Item(int indent, const std::string& name, int address) {
  return std::string(static_cast<std::size_t>(indent), ' ') + "<Item name=\"" + name +
         "\" address=\"" + std::to_string(address) + "\" />\r\n";
}
std::string End(int indent) {
  return std::string(static_cast<std::size_t>(indent), ' ') + "</Group>\r\n";
}

class PCExportTest : public PCTest {
 protected:
  void SetUp() override {
    PCTest::SetUp();
    dir =
        fs::path(::testing::TempDir()) /
        (std::string("vilk_pc_") + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
         "_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::remove_all(dir);
    PCTest::TearDown();
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  // Exports to a file, which must parse; returns its bytes.
  std::string ExportXml(const TPC& pc, const std::string& name) {
    const std::string path = Path(name);
    EXPECT_TRUE(ExportPcXml(pc, path, messages));
    test::ExpectWellFormedXml(path);
    return test::ReadText(path);
  }

  // A PC whose TS list selects these names in this order ("" for an empty row).
  TPC* PcWithInputs(const std::vector<std::string>& names) {
    std::vector<std::string> own;
    for (const std::string& n : names)
      if (!n.empty()) own.push_back(n);
    SourcePort* src = AddSource(config, {{kKindTS, own}});
    TPC* pc = AddPC(config);
    int next = 0;
    for (const std::string& n : names) {
      if (n.empty())
        SelectEmpty(pc, kKindTS);
      else
        Select(pc, kKindTS, src->Signal(kKindTS, next++));
    }
    return pc;
  }

  fs::path dir;
};

TEST_F(PCExportTest, PcWithOnlyDiscreteInputsWritesExactlyTheseBytes) {
  TPC* pc = PcWithInputs({"Вход1", "Вход2"});
  const std::string expected = kXmlHead + kTsGroup + Item(8, "Вход1", 0) + Item(8, "Вход2", 1) +
                               kGroupEnd + kXmlFiles + kXmlEnd;
  EXPECT_EQ(PcXml(*pc), expected);

  const std::string path = Path("only_ts.xml");
  ASSERT_TRUE(ExportPcXml(*pc, path, messages));
  EXPECT_TRUE(messages.Errors.empty());
  const std::string file = test::ReadText(path);
  EXPECT_EQ(file, Cp1251(expected));
  // Spot checks of the code page and the line ends, spelled out.
  EXPECT_NE(file.find("<Group name=\"\xD2\xD1\" type=\"TS\""), std::string::npos);
  EXPECT_EQ(file.substr(0, 48), "<?xml version=\"1.0\" encoding=\"windows-1251\"?> \r\n");
  EXPECT_EQ(file.find("журнал"), std::string::npos);  // no UTF-8 left
  test::ExpectWellFormedXml(path);
}

TEST_F(PCExportTest, NamesSharingLeadingPartsNestInGroups) {
  TPC* pc = PcWithInputs({"A.B.x1", "A.B.x2", "A.C.y", "D.z"});
  const std::string expected = kXmlHead + kTsGroup + TsSub(8, "A") + TsSub(12, "B") +
                               Item(16, "x1", 0) + Item(16, "x2", 1) + End(12) + TsSub(12, "C") +
                               Item(16, "y", 2) + End(12) + End(8) + TsSub(8, "D") +
                               Item(12, "z", 3) + End(8) + kGroupEnd + kXmlFiles + kXmlEnd;
  EXPECT_EQ(PcXml(*pc), expected);
  const std::string path = Path("nested.xml");
  EXPECT_EQ(ExportXml(*pc, "nested.xml"), Cp1251(expected));
  test::ExpectXPath(
      path,
      "string(/WS_IEC_870_5_104/Group[1]/Group[@name=\"A\"]/Group[@name=\"C\"]/Item/@address)",
      "2");
}

TEST_F(PCExportTest, EmptyRowsLeaveTheirAddressUnused) {
  TPC* pc = PcWithInputs({"Вход1", "", "Вход3", "A.p", "", "A.q"});
  // An empty row also ends a group: the next A.q opens group A again.
  const std::string expected = kXmlHead + kTsGroup + Item(8, "Вход1", 0) + Item(8, "Вход3", 2) +
                               TsSub(8, "A") + Item(12, "p", 3) + End(8) + TsSub(8, "A") +
                               Item(12, "q", 5) + End(8) + kGroupEnd + kXmlFiles + kXmlEnd;
  EXPECT_EQ(PcXml(*pc), expected);
  EXPECT_EQ(ExportXml(*pc, "gaps.xml"), Cp1251(expected));

  // A list of empty rows only still writes its group.
  TPC* blank = PcWithInputs({"", ""});
  const std::string empty = kXmlHead + kTsGroup + kGroupEnd + kXmlFiles + kXmlEnd;
  EXPECT_EQ(PcXml(*blank), empty);
  EXPECT_EQ(ExportXml(*blank, "blank.xml"), Cp1251(empty));
}

TEST_F(PCExportTest, LongerFirstPartStartsANewGroup) {
  TPC* pc = PcWithInputs({"A.p", "AB.q", "A.r"});
  const std::string expected = kXmlHead + kTsGroup + TsSub(8, "A") + Item(12, "p", 0) + End(8) +
                               TsSub(8, "AB") + Item(12, "q", 1) + End(8) + TsSub(8, "A") +
                               Item(12, "r", 2) + End(8) + kGroupEnd + kXmlFiles + kXmlEnd;
  EXPECT_EQ(PcXml(*pc), expected);
  EXPECT_EQ(ExportXml(*pc, "ab.xml"), Cp1251(expected));
}

TEST_F(PCExportTest, MarkupCharactersAreEscapedAndReadBack) {
  config.Controller().Proc()->Place = "Щит \"A\" & <B>";
  TPC* pc = PcWithInputs({"R&D.<x>", "\"q\"", "a>b"});
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"windows-1251\"?> \r\n"
      "<WS_IEC_870_5_104 name=\"Щит &quot;A&quot; &amp; &lt;B&gt;\"  ASDUaddr=\"1\" >\r\n" +
      kXmlHead.substr(kXmlHead.find("    <BaseChannel")) + kTsGroup + TsSub(8, "R&amp;D") +
      Item(12, "&lt;x&gt;", 0) + End(8) + Item(8, "&quot;q&quot;", 1) + Item(8, "a&gt;b", 2) +
      kGroupEnd + kXmlFiles + kXmlEnd;
  EXPECT_EQ(PcXml(*pc), expected);

  const std::string path = Path("escaped.xml");
  ASSERT_TRUE(ExportPcXml(*pc, path, messages));
  test::ExpectWellFormedXml(path);
  // A parser gives the names back as they were.
  const std::pair<const char*, const char*> reads[] = {
      {"string(/WS_IEC_870_5_104/@name)", "Щит \"A\" & <B>"},
      {"string(/WS_IEC_870_5_104/Group[1]/Group[1]/@name)", "R&D"},
      {"string(/WS_IEC_870_5_104/Group[1]/Group[1]/Item/@name)", "<x>"},
      {"string(/WS_IEC_870_5_104/Group[1]/Item[@address=\"1\"]/@name)", "\"q\""},
      {"string(/WS_IEC_870_5_104/Group[1]/Item[@address=\"2\"]/@name)", "a>b"},
  };
  for (const auto& [expr, name] : reads) test::ExpectXPath(path, expr, name);
}

TEST_F(PCExportTest, EveryKindInGroupOrderWithTheControllerAddressAndTheRemoteIp) {
  config.Controller().Proc()->Address = 7;
  config.Controller().Proc()->Place = "Подстанция";
  config.Controller().PortIP()->Net1Ip = Ip(10, 1, 2, 3);
  SourcePort* src = AddSource(config, {{kKindTS, {"ts"}},
                                       {kKindTU, {"tu"}},
                                       {kKindTI, {"ti"}},
                                       {kKindTII, {"tii"}},
                                       {kKindTR, {"tr"}},
                                       {kKindMTS, {"mts"}}});
  TPC* pc = AddPC(config);
  pc->AsduAddress = 99;  // the PC's own ASDU address is not what the export writes
  pc->T1 = 20000;
  pc->T2 = 3000;
  pc->T3 = 40999;  // whole seconds
  pc->K = 1;
  pc->W = 2;
  pc->BaseTS = 1;
  pc->BaseMTS = 2;
  pc->BaseTU = 3;
  pc->BaseTI = 4;
  pc->BaseTII = 5;
  pc->BaseTR = 6;
  for (int kind : {kKindTR, kKindTII, kKindTI, kKindTU, kKindMTS, kKindTS})
    Select(pc, kind, src->Signal(kind, 0));

  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"windows-1251\"?> \r\n"
      "<WS_IEC_870_5_104 name=\"Подстанция\"  ASDUaddr=\"7\" >\r\n"
      "    <BaseChannel   LocalIP=\"0.0.0.0\"  RemoteIP=\"10.1.2.3\" Port=\"2404\" t1=\"20\" "
      "t2=\"3\" t3=\"40\" k=\"1\" "
      "w=\"2\" />  \r\n"
      "    <Group name=\"ТС\" type=\"TS\" ASDUaddr=\"7\"  Baseaddr=\"1\" >\r\n"
      "        <Item name=\"ts\" address=\"0\" />\r\n"
      "    </Group>\r\n"
      "    <Group name=\"МТС\" type=\"TS32\" ASDUaddr=\"7\"  Baseaddr=\"2\" >\r\n"
      "        <Item name=\"mts\" address=\"0\" />\r\n"
      "    </Group>\r\n"
      "    <Group name=\"ТУ\" type=\"TU2\" ASDUaddr=\"7\"  Baseaddr=\"3\" >\r\n"
      "        <Item name=\"tu\" address=\"0\" />\r\n"
      "    </Group>\r\n"
      "    <Group name=\"ТИ\" type=\"TI\" ASDUaddr=\"7\"  Baseaddr=\"4\" >\r\n"
      "        <Item name=\"ti\" address=\"0\" />\r\n"
      "    </Group>\r\n"
      "    <Group name=\"ТИИ\" type=\"TI\" ASDUaddr=\"7\"  Baseaddr=\"5\" >\r\n"
      "        <Item name=\"tii\" address=\"0\" />\r\n"
      "    </Group>\r\n"
      "    <Group name=\"ТР\" type=\"TR\" ASDUaddr=\"7\"  Baseaddr=\"6\" >\r\n"
      "        <Item name=\"tr\" address=\"0\" />\r\n"
      "    </Group>\r\n"
      "    <Group name=\"файлы\" type=\"file\" ASDUaddr=\"7\"  Baseaddr=\"57344\" >\r\n"
      "        <Item name=\"конфигурация\" address=\"1\" fileID=\"0\" filename=\"Tamor.cfg\" />\r\n"
      "        <Item name=\"прошивка\" address=\"2\" fileID=\"0\" filename=\"Tamor.bin\" />\r\n"
      "        <Item name=\"список ключей доступа\" address=\"3\" fileID=\"0\" "
      "filename=\"Tamor.key\" />\r\n"
      "        <Item name=\"журнал всех событий\" address=\"4\" fileID=\"0\" "
      "filename=\"EventFull.dat\" />\r\n"
      "        <Item name=\"журнал 100 событий\" address=\"5\" fileID=\"0\" "
      "filename=\"Event100.dat\" />\r\n"
      "        <Item name=\"журнал всех тревог\" address=\"6\" fileID=\"0\" "
      "filename=\"AlarmFull.dat\" />\r\n"
      "        <Item name=\"журнал 100 тревог\" address=\"7\" fileID=\"0\" "
      "filename=\"Alarm100.dat\" />\r\n"
      "    </Group>\r\n"
      "</WS_IEC_870_5_104>\r\n";
  EXPECT_EQ(PcXml(*pc), expected);
  const std::string path = Path("all.xml");
  ASSERT_TRUE(ExportPcXml(*pc, path, messages));
  EXPECT_EQ(test::ReadText(path), Cp1251(expected));
  test::ExpectWellFormedXml(path);
}

TEST_F(PCExportTest, AlarmLogsFromMultiStateNames) {
  SourcePort* src =
      AddSource(config, {{kKindMTS,
                          {"3_Порт.5_Meter.Насос Журнал Аварий", "Дверь", "12.7.ЩитЖурнал Аварий",
                           "Порт.5_X.Y Журнал Аварий", "1_A.2_B.<Q> Журнал Аварий"}}});
  TPC* pc = AddPC(config);
  for (int i = 0; i < 5; ++i) Select(pc, kKindMTS, src->Signal(kKindMTS, i));
  const auto mts = [](int indent, const std::string& name) {
    return std::string(static_cast<std::size_t>(indent), ' ') + "<Group name=\"" + name +
           "\" type=\"TS32\" ASDUaddr=\"1\"  Baseaddr=\"49152\" >\r\n";
  };
  const std::string expected =
      kXmlHead + "    <Group name=\"МТС\" type=\"TS32\" ASDUaddr=\"1\"  Baseaddr=\"49152\" >\r\n" +
      mts(8, "3_Порт") + mts(12, "5_Meter") + Item(16, "Насос Журнал Аварий", 0) + End(12) +
      End(8) + Item(8, "Дверь", 1) + mts(8, "12") + mts(12, "7") + Item(16, "ЩитЖурнал Аварий", 2) +
      End(12) + End(8) + mts(8, "Порт") + mts(12, "5_X") + Item(16, "Y Журнал Аварий", 3) +
      End(12) + End(8) + mts(8, "1_A") + mts(12, "2_B") + Item(16, "&lt;Q&gt; Журнал Аварий", 4) +
      End(12) + End(8) + kGroupEnd + kXmlFiles +
      "    <Group name=\"журналы аварий\" type=\"log\" ASDUaddr=\"1\"  Baseaddr=\"0\" >\r\n"
      // 3 * 256 + 5; the space before the phrase is dropped
      "        <Group name=\"3_Порт.5_Meter.Насос\" type=\"log\" ASDUaddr=\"1\"  Baseaddr=\"773\" "
      ">\r\n"
      "        </Group>\r\n"
      // 12 * 256 + 7; the one character dropped is a letter
      "        <Group name=\"12.7.Щи\" type=\"log\" ASDUaddr=\"1\"  Baseaddr=\"3079\" >\r\n"
      "        </Group>\r\n"
      "        <Group name=\"1_A.2_B.&lt;Q&gt;\" type=\"log\" ASDUaddr=\"1\"  Baseaddr=\"258\" "
      ">\r\n"
      "        </Group>\r\n"
      "    </Group>\r\n" +
      kXmlEnd;
  std::vector<std::string> warnings;
  EXPECT_EQ(PcXml(*pc, &warnings), expected);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("\"Порт.5_X.Y Журнал Аварий\""), std::string::npos) << warnings[0];

  // The file is still written; the warning goes to the message box.
  const std::string path = Path("logs.xml");
  ASSERT_TRUE(ExportPcXml(*pc, path, messages));
  EXPECT_EQ(messages.Errors, warnings);
  EXPECT_EQ(test::ReadText(path), Cp1251(expected));
  test::ExpectWellFormedXml(path);
  test::ExpectXPath(path, "string(//Group[@type=\"log\"][@Baseaddr=\"258\"]/@name)", "1_A.2_B.<Q>");
}

TEST_F(PCExportTest, AlarmLogNumbersBeyondTheIntegerRange) {
  SourcePort* src = AddSource(
      config, {{kKindMTS, {"999999999.255.Big Журнал Аварий", "1234567890.1.X Журнал Аварий"}}});
  TPC* pc = AddPC(config);
  Select(pc, kKindMTS, src->Signal(kKindMTS, 0));
  Select(pc, kKindMTS, src->Signal(kKindMTS, 1));
  std::vector<std::string> warnings;
  const std::string xml = PcXml(*pc, &warnings);
  EXPECT_EQ(ExportXml(*pc, "big.xml"), Cp1251(xml));
  // Nine digits read as a number (999999999 * 256 + 255); ten are no port number.
  EXPECT_NE(xml.find("<Group name=\"999999999.255.Big\" type=\"log\" ASDUaddr=\"1\"  "
                     "Baseaddr=\"255999999999\" >"),
            std::string::npos)
      << xml;
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("1234567890.1.X"), std::string::npos);
}

// ---------------------------------------------------------------------------------------
// INI export

TEST_F(PCExportTest, IniSectionsFromNamePartsAndKeysFromTheKindBase) {
  SourcePort* src =
      AddSource(config, {{kKindTS, {"Dev.Пр1", "Один", "Dev.Пр2", "A..b", "Сеть.Узел.Вход"}},
                         {kKindTU, {"Dev.Ку"}},
                         {kKindMTS, {"Х"}}});
  TPC* pc = AddPC(config);
  pc->BaseTS = 5;  // the key uses the kind's base number, not the PC's base
  for (int i = 0; i < 5; ++i) Select(pc, kKindTS, src->Signal(kKindTS, i));
  Select(pc, kKindTU, src->Signal(kKindTU, 0));
  Select(pc, kKindMTS, src->Signal(kKindMTS, 0));

  const std::string expected =
      "[TS.Dev]\r\n"
      "8192=Пр1\r\n"
      "8194=Пр2\r\n"
      "\r\n"
      "[TS.]\r\n"
      "8193=Один\r\n"
      "\r\n"
      "[TS.A]\r\n"
      "8195=b\r\n"
      "\r\n"
      "[TS.Сеть.Узел]\r\n"
      "8196=Вход\r\n"
      "\r\n"
      "[MTS.]\r\n"
      "49152=Х\r\n"
      "\r\n"
      "[TU.Dev]\r\n"
      "24576=Ку\r\n";
  EXPECT_EQ(PcIni(*pc), expected);

  const std::string path = Path("list.ini");
  ASSERT_TRUE(ExportPcIni(*pc, path, messages));
  EXPECT_TRUE(messages.Errors.empty());
  const std::string file = test::ReadText(path);
  EXPECT_EQ(file, Cp1251(expected));
  EXPECT_EQ(file.substr(0, 20),
            "[TS.Dev]\r\n8192=\xCF\xF0"
            "1\r\n");
  test::ExpectConfigParserReads(
      path,
      "TS.Dev|8192|Пр1\nTS.Dev|8194|Пр2\nTS.|8193|Один\nTS.A|8195|b\nTS.Сеть.Узел|8196|Вход\n"
      "MTS.|49152|Х\nTU.Dev|24576|Ку\n");
}

TEST_F(PCExportTest, IniKeysOfEveryKind) {
  SourcePort* src = AddSource(config, {{kKindTI, {"P.ti0", "P.ti1"}},
                                       {kKindTII, {"P.tii"}},
                                       {kKindTR, {"P.tr"}},
                                       {kKindTU, {"P.tu"}}});
  TPC* pc = AddPC(config);
  Select(pc, kKindTI, src->Signal(kKindTI, 1));
  Select(pc, kKindTI, src->Signal(kKindTI, 0));
  Select(pc, kKindTII, src->Signal(kKindTII, 0));
  Select(pc, kKindTR, src->Signal(kKindTR, 0));
  Select(pc, kKindTU, src->Signal(kKindTU, 0));
  EXPECT_EQ(PcIni(*pc),
            "[TU.P]\r\n24576=tu\r\n\r\n"
            "[TI.P]\r\n16384=ti1\r\n16385=ti0\r\n\r\n"
            "[TII.P]\r\n40960=tii\r\n\r\n"
            "[TR.P]\r\n32768=tr\r\n");
  const std::string path = Path("kinds.ini");
  ASSERT_TRUE(ExportPcIni(*pc, path, messages));
  test::ExpectConfigParserReads(
      path, "TU.P|24576|tu\nTI.P|16384|ti1\nTI.P|16385|ti0\nTII.P|40960|tii\nTR.P|32768|tr\n");
}

// ---------------------------------------------------------------------------------------
// Writing the files

TEST_F(PCExportTest, WriteFailureNamesTheFileAndLeavesNothingBehind) {
  TPC* pc = PcWithInputs({"Dev.a"});
  fs::create_directories(dir / "taken");
  const std::string intoMissingFolder = Path("missing/out.xml");
  const std::string ontoAFolder = Path("taken");
  for (const std::string& path : {intoMissingFolder, ontoAFolder}) {
    for (bool xml : {true, false}) {
      SCOPED_TRACE(path + (xml ? " xml" : " ini"));
      messages.Errors.clear();
      const bool ok = xml ? ExportPcXml(*pc, path, messages) : ExportPcIni(*pc, path, messages);
      EXPECT_FALSE(ok);
      EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Ошибка записи файла " + path}));
      EXPECT_EQ(test::FolderEntries(dir.string()), (std::vector<std::string>{"taken"}));
      EXPECT_TRUE(fs::is_empty(dir / "taken"));
    }
  }
}

TEST_F(PCExportTest, ExportReplacesAnExistingFileWhole) {
  TPC* pc = PcWithInputs({"Dev.a"});
  const std::string ini = Path("old.ini");
  const std::string xml = Path("old.xml");
  // Longer than the new contents, and an INI with sections of its own that must not stay.
  test::WriteText(
      ini, "[TS.Old]\r\n8192=old\r\n[Other]\r\nkey=value\r\n" + std::string(5000, ';') + "\r\n");
  test::WriteText(xml, std::string(20000, 'x'));
  ASSERT_TRUE(ExportPcIni(*pc, ini, messages));
  ASSERT_TRUE(ExportPcXml(*pc, xml, messages));
  EXPECT_EQ(test::ReadText(ini), "[TS.Dev]\r\n8192=a\r\n");
  EXPECT_EQ(test::ReadText(xml), Cp1251(kXmlHead + kTsGroup + TsSub(8, "Dev") + Item(12, "a", 0) +
                                        End(8) + kGroupEnd + kXmlFiles + kXmlEnd));
  EXPECT_EQ(test::FolderEntries(dir.string()), (std::vector<std::string>{"old.ini", "old.xml"}));
}

}  // namespace
}  // namespace vilk
