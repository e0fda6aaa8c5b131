// Undo and redo over whole-configuration states: every step restores the records byte for
// byte, a new action drops the redo steps, the saved state is remembered across both, and
// the history stays within its bounds.
#include "model/history.h"

#include <gtest/gtest.h>

#include "model/image_ops.h"
#include "signals/storage.h"
#include "test_items.h"

namespace vilk {
namespace {

class HistoryTest : public test::WithTestKinds {
 protected:
  RecordingMessages messages;
  Configuration config{messages};

  // The records of the configuration now (the header's build time left out).
  std::vector<std::uint8_t> Records() {
    auto image = std::make_unique<ConfigImage>();
    SilentMessages quiet;  // the save checks' words are not the history's
    config.SetMessages(quiet);
    EXPECT_TRUE(BuildImageUnchecked(config, *image));
    config.SetMessages(messages);
    return std::vector<std::uint8_t>(image->Data() + kDataOffset,
                                     image->Data() + image->BuildCursor);
  }
};

TEST_F(HistoryTest, UndoAndRedoRestoreEveryStepByteForByte) {
  History history(config);
  history.Reset();
  const auto empty = Records();
  EXPECT_FALSE(history.CanUndo());
  EXPECT_FALSE(history.Commit("ничего")) << "no change, no step";

  test::AddFieldPort(config, 1, "Насос", 4, 2, 1);
  ASSERT_TRUE(history.Commit("Добавление порта"));
  const auto added = Records();
  auto* port = static_cast<test::FieldPort*>(config.Controller().Proc()->Child(1));
  port->TS()->At(2)->SetName("Насос.Авария");
  port->TS()->At(1)->Inverted = 4;
  ASSERT_TRUE(history.Commit("Изменение ТС"));
  const auto renamed = Records();
  EXPECT_EQ(history.UndoName(), "Изменение ТС");
  EXPECT_EQ(history.Steps(), 2u);

  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(Records(), added);
  EXPECT_EQ(history.UndoName(), "Добавление порта");
  EXPECT_EQ(history.RedoName(), "Изменение ТС");
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(Records(), empty);
  EXPECT_EQ(config.Controller().Proc()->ChildCount(), 1) << "the port is gone with its lists";
  EXPECT_EQ(config.Storage().Count(kKindTS), 0);
  EXPECT_FALSE(history.Undo());

  ASSERT_TRUE(history.Redo());
  ASSERT_TRUE(history.Redo());
  EXPECT_EQ(Records(), renamed);
  EXPECT_NE(config.Storage().FindByName(kKindTS, "Насос.Авария"), nullptr);
  EXPECT_FALSE(history.Redo());
  EXPECT_TRUE(messages.Errors.empty()) << messages.Errors.front();
}

TEST_F(HistoryTest, ANewActionDropsTheRedoStepsAndTheCleanMarkFollows) {
  History history(config);
  history.Reset();
  EXPECT_TRUE(history.IsClean());
  test::AddFieldPort(config, 1, "A", 1, 0, 0);
  history.Commit("A");
  EXPECT_FALSE(history.IsClean());
  history.MarkClean();  // saved here
  test::AddFieldPort(config, 2, "B", 1, 0, 0);
  history.Commit("B");
  EXPECT_FALSE(history.IsClean());
  history.Undo();
  EXPECT_TRUE(history.IsClean()) << "back to what the file holds";
  history.Undo();
  EXPECT_FALSE(history.IsClean());

  // Another action from the empty state: "A" and "B" cannot be redone, and the saved state
  // is no longer reachable.
  test::AddFieldPort(config, 3, "C", 1, 0, 0);
  history.Commit("C");
  EXPECT_FALSE(history.CanRedo());
  EXPECT_EQ(history.Steps(), 1u);
  history.Undo();
  EXPECT_FALSE(history.IsClean());
}

TEST_F(HistoryTest, AStateTheSaveChecksRefuseIsStillAStep) {
  History history(config);
  history.Reset();
  // Two ports at one address: a save is refused, an undo step is not.
  test::AddFieldPort(config, 5, "A", 1, 0, 0);
  test::AddFieldPort(config, 5, "B", 1, 0, 0);
  ASSERT_TRUE(history.Commit("Дубль"));
  EXPECT_TRUE(messages.Errors.empty()) << "the history says nothing to the user";
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(config.Controller().Proc()->ChildCount(), 1);
  ASSERT_TRUE(history.Redo());
  EXPECT_EQ(config.Controller().Proc()->ChildCount(), 3);
  EXPECT_FALSE(config.Abort);
}

TEST_F(HistoryTest, KeepsAtMostItsStepsDroppingTheOldest) {
  History history(config);
  history.Reset();
  test::FieldPort* port = test::AddFieldPort(config, 1, "P", 1, 0, 0);
  history.Commit("порт");
  for (std::size_t i = 0; i < History::kMaxSteps + 5; ++i) {
    port->TS()->At(0)->SetName("P.Вход" + std::to_string(i));
    ASSERT_TRUE(history.Commit("имя " + std::to_string(i)));
    port = static_cast<test::FieldPort*>(config.Controller().Proc()->Child(1));
  }
  EXPECT_EQ(history.Steps(), History::kMaxSteps);
  int undone = 0;
  while (history.Undo()) ++undone;
  EXPECT_EQ(undone, static_cast<int>(History::kMaxSteps));
  port = static_cast<test::FieldPort*>(config.Controller().Proc()->Child(1));
  EXPECT_EQ(port->TS()->At(0)->Name(), "P.Вход4") << "the oldest five steps were dropped";
  EXPECT_FALSE(history.IsClean()) << "the saved (empty) state is gone";
}

}  // namespace
}  // namespace vilk
