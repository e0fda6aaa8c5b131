// One suite over every row of the kind table: each kind this build implements is made by
// its factory, saved, loaded into a fresh item and saved again with the same bytes; and
// the parent's menu offers it exactly when the firmware allows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "controller/controller.h"
#include "controller/proc.h"
#include "model/record.h"
#include "test_items.h"

namespace vilk {
namespace {

std::vector<KindRow> Implemented() {
  std::vector<KindRow> rows;
  for (const KindRow& row : KindTable())
    if (row.Make) rows.push_back(row);
  return rows;
}

// A fresh item of the row's kind in `config`, in the place the tree gives it.
TItem* Place(Configuration& config, const KindRow& row) {
  TController& c = config.Controller();
  if (row.IsBoard()) {
    if (row.Code == 0) return c.Proc();
    return config.Append(&c, MakeBoard(config, row.Code));
  }
  if (row.IsPort()) {
    if (row.Code == kPortIP) return c.PortIP();
    return config.Append(c.Proc(), MakePort(config, row.Code));
  }
  if (row.Parent == kAnyParent) return config.Append(c.Proc(), MakeItem(config, row.Key()));
  TItem* parent = row.Parent == kPortIP ? static_cast<TItem*>(c.PortIP())
                                        : config.Append(c.Proc(), MakePort(config, row.Parent));
  return parent ? parent->AddChild(row.Code) : nullptr;
}

class KindRowTest : public ::testing::TestWithParam<KindRow> {
 protected:
  RecordingMessages messages;
  Configuration config{messages};
  Configuration fresh{messages};
};

TEST_P(KindRowTest, SavesLoadsAndSavesTheSameBytes) {
  const KindRow& row = GetParam();
  TItem* item = Place(config, row);
  ASSERT_NE(item, nullptr) << row.ClassName;
  EXPECT_EQ(KeyOf(*item), row.Key()) << "the item is found under its own row";
  EXPECT_FALSE(item->IsKept());
  config.Storage().RebuildPool();
  const std::vector<std::uint8_t> saved = test::SaveItem(*item);
  ASSERT_GE(saved.size(), 9u);
  EXPECT_EQ(saved[2] | (saved[3] << 8), item->BlockId());
  EXPECT_EQ(test::GetU32(saved, 4), saved.size()) << "the block's length covers it all";

  TItem* copy = Place(fresh, row);
  ASSERT_NE(copy, nullptr);
  test::LoadItem(*copy, saved);
  if (TPort* port = copy->AsPort()) port->AfterLoad();
  fresh.Storage().RebuildPool();
  EXPECT_EQ(test::SaveItem(*copy), saved);
  EXPECT_TRUE(messages.Errors.empty()) << messages.Errors.front();

  // Its described fields all show (the description and the record agree on every key).
  if (const RecordDesc* record = item->Record()) {
    std::set<std::uint16_t> keys;
    for (const FieldDesc& f : record->Fields()) {
      EXPECT_TRUE(keys.insert(f.Key).second) << "key " << f.Key << " twice";
      EXPECT_NE(f.Key, kVersionKey);
      if (f.Present && !f.Present(*item)) continue;  // written only when it has a value
      EXPECT_NE(test::FindRecord(saved, 0, f.Key), 0u) << "key " << f.Key << " not written";
    }
  }
}

TEST_P(KindRowTest, ItsParentOffersItWhenTheFirmwareAllows) {
  const KindRow& row = GetParam();
  if (!*row.MenuCaption) {
    // Made by its owner, never from a menu.
    for (const KindRow* r : AddCommands(*config.Controller().Proc()))
      EXPECT_NE(r->Key(), row.Key());
    return;
  }
  TItem* parent = row.IsPort() ? static_cast<TItem*>(config.Controller().Proc())
                  : row.Parent == kPortIP
                      ? static_cast<TItem*>(config.Controller().PortIP())
                      : config.Append(config.Controller().Proc(), MakePort(config, row.Parent));
  ASSERT_NE(parent, nullptr) << "a device row whose port kind is not built";
  EXPECT_TRUE(parent->Menu == PopupMenu::Add || parent->Menu == PopupMenu::AddDelete);
  const auto commands = AddCommands(*parent);
  EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                          [&](const KindRow* r) { return r->Key() == row.Key(); }),
            1);
  if (!row.IsPort()) return;
  for (int minor = 0; minor <= 12; ++minor)
    EXPECT_EQ(PortKindSetFor(1, minor)[static_cast<std::size_t>(row.Code)],
              row.MinMinor != kNeverAllowed && minor >= row.MinMinor)
        << "minor " << minor;
}

std::string RowName(const ::testing::TestParamInfo<KindRow>& info) {
  return std::string(info.param.ClassName) + "_" +
         std::to_string(info.param.Parent < 0 ? 0 : info.param.Parent) + "_" +
         std::to_string(info.param.Code);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, KindRowTest, ::testing::ValuesIn(Implemented()), RowName);

// The table itself: one row per key, stand-ins kept off the real codes, every port row
// in the processor board's menu.
TEST(KindTableTest, KeysAreUniqueAndStandInsStayOffRealCodes) {
  std::set<KindKey> keys;
  for (const KindRow& row : KindTable()) {
    EXPECT_TRUE(keys.insert(row.Key()).second) << row.ClassName;
    EXPECT_LT(row.Code, kFirstTestCode) << row.ClassName;
  }
  EXPECT_FALSE(RegisterTestKind({0, 102, "Shadow", "", 0, 0, nullptr}));
  EXPECT_FALSE(RegisterTestKind({kPortIP, 202, "Shadow", "", 0, 0, nullptr}));
  EXPECT_TRUE(RegisterTestKind({0, 250, "Stand-in", "x", 0, 0, nullptr}));
  EXPECT_FALSE(RegisterTestKind({0, 250, "Twice", "x", 0, 0, nullptr}));
  ResetKindRegistry();
  EXPECT_EQ(FindKind({0, 250}), nullptr);
  // 202 is three kinds, told apart by the parent.
  EXPECT_STREQ(FindKind({kPortIP, 202})->ClassName, "TPC");
  EXPECT_STREQ(FindKind({102, 202})->ClassName, "TRTU");
  EXPECT_STREQ(FindKind({129, 202})->ClassName, "TRTUTCP");
}

}  // namespace
}  // namespace vilk
