// Every kind the table builds has a frame; opening it and writing it back changes nothing.
// A block kept unread opens a frame that only tells what it is.
#include <gtest/gtest.h>

#include <QLabel>
#include <QWidget>

#include "controller/controller.h"
#include "controller/proc.h"
#include "frame.h"
#include "model/unknown.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

TItem* PlaceRow(Configuration& config, const KindRow& row) {
  TController& c = config.Controller();
  if (row.IsBoard())
    return row.Code == 0 ? static_cast<TItem*>(c.Proc())
                         : config.Append(&c, MakeBoard(config, row.Code));
  if (row.IsPort())
    return row.Code == kPortIP ? static_cast<TItem*>(c.PortIP())
                               : config.Append(c.Proc(), MakePort(config, row.Code));
  if (row.Parent == kAnyParent) return config.Append(c.Proc(), MakeItem(config, row.Key()));
  TItem* parent = row.Parent == kPortIP ? static_cast<TItem*>(c.PortIP())
                                        : config.Append(c.Proc(), MakePort(config, row.Parent));
  return parent ? parent->AddChild(row.Code) : nullptr;
}

TEST(KindFramesTest, EveryBuiltKindHasAFrameThatWritesBackWhatItShowed) {
  int checked = 0, built = 0;
  for (const KindRow& row : KindTable()) {
    if (!row.Make) continue;
    ++built;
    SCOPED_TRACE(row.ClassName);
    RecordingMessages messages;
    Configuration config(messages);
    TItem* item = PlaceRow(config, row);
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(ui::HasFrame(row.Key()));
    config.Storage().RebuildPool();
    const std::vector<std::uint8_t> before = SaveItem(*item);
    QWidget host;
    std::unique_ptr<ui::ItemFrame> frame(ui::CreateFrame(item, &host));
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->GetFromFrame());
    EXPECT_EQ(SaveItem(*item), before);
    EXPECT_TRUE(messages.Errors.empty());
    ++checked;
  }
  EXPECT_EQ(checked, built);
  EXPECT_GE(built, 14);
}

TEST(KindFramesTest, AKeptBlockOpensAViewThatEditsNothing) {
  RecordingMessages messages;
  Configuration config(messages);
  const std::vector<std::uint8_t> block{0xF1, 0xFF, 250, 0, 17, 0, 0, 0, 0xF2,
                                        0xFF, 48,   0,   9, 0,  0, 0, 1};
  TItem* kept =
      config.Append(config.Controller().Proc(), std::make_unique<TUnknown>(config, 2, block, 0));
  EXPECT_EQ(kept->Caption(), "Неизвестный порт, ID = 250");
  QWidget host;
  std::unique_ptr<ui::ItemFrame> frame(ui::CreateFrame(kept, &host));
  ASSERT_NE(frame, nullptr);
  bool told = false;
  for (const QLabel* label : frame->findChildren<QLabel*>())
    told |= label->text().contains(QStringLiteral("ID = 250, 17 байт"));
  EXPECT_TRUE(told);
  EXPECT_TRUE(frame->GetFromFrame());
  EXPECT_EQ(SaveItem(*kept), block);
}

}  // namespace
}  // namespace vilk::test
