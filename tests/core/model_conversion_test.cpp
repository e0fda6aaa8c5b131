// What a change of the controller model does to the boards, said before it is done: the
// list agrees with what ApplyModel then removes and adds.
#include <gtest/gtest.h>

#include "controller/controller.h"
#include "link/commands.h"
#include "test_items.h"

namespace vilk {
namespace {

class ModelConversionTest : public test::WithTestKinds {
 protected:
  RecordingMessages messages;
  Configuration config{messages};
  TController& c = config.Controller();

  std::vector<std::string> BoardCaptions() const {
    std::vector<std::string> out;
    for (int i = 1; i < c.ChildCount(); ++i) out.push_back(c.Child(i)->Caption());
    return out;
  }
};

TEST_F(ModelConversionTest, ListsTheBoardsThatGoAndThePortsLeftWithout) {
  test::FieldPort* kept = test::AddFieldPort(config, 1, "A", 0, 0, 0);
  test::FieldPort* lost = test::AddFieldPort(config, 2, "B", 0, 0, 0);
  TController::SelectBoard(kept, static_cast<TBlock*>(c.Child(2)));
  TController::SelectBoard(lost, static_cast<TBlock*>(c.Child(7)));

  const TController::ModelConversion to22 = c.ConversionTo(22);
  EXPECT_EQ(to22.RemovedBoards, (std::vector<std::string>{"COM_0.5 RS485", "COM_0.6 RS485",
                                                          "COM_0.7 RS485", "COM_0.8 RS485"}));
  EXPECT_EQ(to22.UnlinkedPorts, std::vector<std::string>{lost->Caption()});
  EXPECT_EQ(to22.AddedBoards, 0);
  // The same model, or one that does not exist, converts nothing.
  EXPECT_TRUE(c.ConversionTo(23).RemovedBoards.empty());
  EXPECT_TRUE(c.ConversionTo(99).RemovedBoards.empty());
  EXPECT_EQ(c.ConversionTo(99).AddedBoards, 0);

  ModelRecord identity = *FindModelRecord(26);
  identity.Minor = 10;
  EXPECT_EQ(ModelConversionNote(c, identity),
            "Конфигурация ВИЛК.A2 будет преобразована для контроллера ВИЛК.A1-X v 1.10.\r"
            "Будут удалены платы (4): COM_0.5 RS485, COM_0.6 RS485, COM_0.7 RS485, "
            "COM_0.8 RS485.\r"
            "Останутся без платы порты: " +
                lost->Caption() +
                ".\r"
                "Будут добавлены платы: 1.\r\r");
  EXPECT_EQ(ModelConversionNote(c, *FindModelRecord(23)), "");
  identity.TypeCode = 99;  // refused as incompatible before any question
  EXPECT_EQ(ModelConversionNote(c, identity), "");

  // What was announced is what happens.
  c.TypeCode = 26;
  c.SelectModelRecord();
  c.ApplyModel();
  ASSERT_EQ(c.ChildCount(), 6);
  EXPECT_EQ(lost->LinkedBoard, nullptr);
  EXPECT_EQ(kept->LinkedBoard, c.Child(3));  // a DI board came in before the COM boards
  // And back: the DI board goes, four COM boards come.
  const TController::ModelConversion to23 = c.ConversionTo(23);
  EXPECT_EQ(to23.RemovedBoards.size(), 1u);
  EXPECT_EQ(to23.AddedBoards, 4);
  EXPECT_TRUE(to23.UnlinkedPorts.empty());
}

}  // namespace
}  // namespace vilk
