// The search index: node captions and own signal names, case folded in both alphabets,
// selections not counted twice, the limit with the total beyond it.
#include "model/search.h"

#include <gtest/gtest.h>

#include "model/show.h"
#include "test_items.h"

namespace vilk {
namespace {

class SearchTest : public test::WithTestKinds {
 protected:
  RecordingMessages messages;
  Configuration config{messages};
};

TEST_F(SearchTest, FindsCaptionsAndSignalNamesWhateverTheirCase) {
  test::FieldPort* port = test::AddFieldPort(config, 1, "Насос", 3, 0, 2);
  port->TS()->At(1)->SetName("Насос.Авария ДВИГАТЕЛЯ");
  test::TestPC* pc = test::AddPC(config, "ПК", 0);
  pc->Selection()->Append(Acquire(port->TS()->At(1)));  // a selection is not a second hit

  SearchIndex index;
  index.Build(config.Controller());
  std::size_t total = 0;
  std::vector<SearchHit> hits = index.Find("двигат", 10, &total);
  ASSERT_EQ(total, 1u);
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0].Item, port->TS());
  EXPECT_EQ(hits[0].Row, 1);
  EXPECT_EQ(hits[0].Text, "Насос.Авария ДВИГАТЕЛЯ");
  EXPECT_EQ(hits[0].Owner, CaptionPath(*port->TS()));

  // Every signal under the device's name part, in tree order: ТС then ТИ.
  hits = index.Find("НАСОС", 100, &total);
  ASSERT_EQ(hits.size(), 5u);
  EXPECT_EQ(hits[0].Text, "Насос.Вход1");
  EXPECT_EQ(hits[0].Row, 0);
  EXPECT_EQ(hits[4].Text, "Насос.Изм2");
  EXPECT_EQ(hits[4].Item, port->TI());
  // Node captions: the PC is found as a node, after its link state in the IP port's list.
  hits = index.Find("пк", 100, &total);
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(hits[0].Text, "0_Порт_IP.связь_ПК_ПК");
  EXPECT_EQ(hits[0].Row, 0);
  EXPECT_EQ(hits[1].Item, pc);
  EXPECT_EQ(hits[1].Row, -1);

  // The limit keeps the first hits and still counts them all.
  hits = index.Find("вход", 2, &total);
  EXPECT_EQ(hits.size(), 2u);
  EXPECT_EQ(total, 2u) << "Вход1 and Вход3 (Вход2 was renamed)";
  hits = index.Find("изм", 1, &total);
  EXPECT_EQ(hits.size(), 1u);
  EXPECT_EQ(total, 2u);

  EXPECT_TRUE(index.Find("", 10).empty());
  EXPECT_TRUE(index.Find("нет такого", 10).empty());
}

}  // namespace
}  // namespace vilk
