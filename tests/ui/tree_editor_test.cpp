// The tree editor with its real widgets: frames written back, menus, add / duplicate /
// delete and the drag rules.
#include <QMenu>
#include <QTableWidget>

#include "frames/controller/board_frames.h"
#include "frames/controller/controller_frame.h"
#include "frames/controller/port_ip_frame.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

TRS232* ComBoard(Configuration& c, int ordinal) {
  int seen = 0;
  for (int i = 1; i < c.Controller().ChildCount(); ++i)
    if (auto* b = dynamic_cast<TRS232*>(c.Controller().Child(i)); b && ++seen == ordinal) return b;
  return nullptr;
}

TEST_F(WindowTest, AnEditSurvivesSelectingAnotherNodeAndComingBack) {
  TRS232* board = ComBoard(config(), 1);
  editor()->Select(board);
  auto* frame = qobject_cast<ui::TRS232Frame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  frame->Speed()->setCurrentIndex(frame->Speed()->findData(19200));
  EXPECT_EQ(board->Speed, 9600) << "the item changes only when the frame is written back";

  editor()->Select(config().Controller().Proc());
  EXPECT_EQ(board->Speed, 19200);
  EXPECT_TRUE(window->IsModified());

  editor()->Select(board);
  frame = qobject_cast<ui::TRS232Frame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->Speed()->currentData().toInt(), 19200);
}

TEST_F(WindowTest, ComBoardTimingFollowsSpeedParityAndStopBits) {
  editor()->Select(ComBoard(config(), 1));
  auto* frame = qobject_cast<ui::TRS232Frame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  EXPECT_FALSE(frame->Interface()->isEnabled());

  frame->Parity()->setCurrentIndex(0);
  frame->StopBits()->setCurrentIndex(0);
  frame->Speed()->setCurrentIndex(frame->Speed()->findData(600));
  EXPECT_EQ(frame->StartUp()->value(), 33);
  EXPECT_EQ(frame->ReceiveGap()->value(), 50);

  frame->Speed()->setCurrentIndex(frame->Speed()->findData(9600));
  frame->Parity()->setCurrentIndex(2);
  frame->StopBits()->setCurrentIndex(1);
  EXPECT_EQ(frame->StartUp()->value(), 3);
  EXPECT_EQ(frame->ReceiveGap()->value(), 3);
}

TEST_F(WindowTest, SwitchingA2ToA1AsksAndRemovesTheBoardsBeyondTheFourth) {
  FieldPort* port = AddFieldPort(config(), 1, "Dev", 0, 0, 0);
  LinkToBoard(port, 38);  // the sixth COM board
  ASSERT_NE(port->LinkedBoard, nullptr);
  editor()->Select(&config().Controller());
  auto* frame = qobject_cast<ui::TControllerFrame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);

  messages.SetAnswer(Answer::No);
  const int a1 = frame->ModelBox()->findData(22);
  frame->ModelBox()->setCurrentIndex(a1);
  emit frame->ModelBox()->activated(a1);
  ASSERT_EQ(messages.Questions.size(), 1u);
  EXPECT_EQ(messages.Questions[0],
            "Изменить тип контроллера\rс\rВИЛК.A2  v 1.12  2025\rна\rВИЛК.A1  v 1.12  2025");
  EXPECT_EQ(config().Controller().TypeCode, 23);
  EXPECT_EQ(frame->ModelBox()->currentData().toInt(), 23)
      << "a refused change puts the selector back";

  messages.SetAnswer(Answer::Yes);
  frame->ModelBox()->setCurrentIndex(a1);
  emit frame->ModelBox()->activated(a1);
  Settle();
  EXPECT_EQ(config().Controller().TypeCode, 22);
  EXPECT_EQ(config().Controller().ChildCount(), 5);  // processor board and four COM boards
  EXPECT_EQ(port->LinkedBoard, nullptr);
  EXPECT_EQ(port->Icon(), 0);
  EXPECT_EQ(window->ModelName()->text(), QStringLiteral("ВИЛК.A1"));
}

TEST_F(WindowTest, PortMenuFollowsTheFirmwareVersion) {
  config().Controller().Record.Minor = 5;
  config().Controller().ApplyModel();
  editor()->Select(config().Controller().Proc());
  Settle();
  editor()->Select(config().Controller().Proc());
  QMap<int, bool> enabled;
  for (QAction* a : editor()->ContextMenu()->actions())
    if (a->data().isValid()) enabled[a->data().toInt()] = a->isEnabled();
  EXPECT_TRUE(enabled.value(102));
  EXPECT_FALSE(enabled.value(129));
  EXPECT_FALSE(enabled.value(135));
  EXPECT_FALSE(enabled.value(117)) << "the automation port is never offered";
}

TEST_F(WindowTest, AddingAnUnknownPortKindShowsTheMessageAndAddsNothing) {
  const int ports = config().Controller().Proc()->ChildCount();
  // No kind uses code 150.
  EXPECT_EQ(editor()->AddPortCommand(150), nullptr);
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0], "Неизвестный тип порта,\rID = 150");
  EXPECT_EQ(config().Controller().Proc()->ChildCount(), ports);
}

TEST_F(WindowTest, DeleteAsksByLevelAndUnlinksTheBoard) {
  TItem* port = editor()->AddPortCommand(kFieldPortCode);
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(editor()->CurrentItem(), port);
  LinkToBoard(port->AsPort(), 33);
  TRS232* board = ComBoard(config(), 1);
  ASSERT_EQ(board->LinkedPort, port);

  messages.SetAnswer(Answer::No);
  EXPECT_FALSE(editor()->DeleteCommand());
  EXPECT_EQ(messages.Questions.back(), "Удалить порт " + port->Caption() + " ?");
  EXPECT_EQ(config().Controller().Proc()->ChildCount(), 2);

  messages.SetAnswer(Answer::Yes);
  EXPECT_TRUE(editor()->DeleteCommand());
  EXPECT_EQ(config().Controller().Proc()->ChildCount(), 1);
  EXPECT_EQ(board->LinkedPort, nullptr);
  EXPECT_EQ(board->Icon(), 0);

  editor()->Select(board);
  EXPECT_TRUE(editor()->DeleteCommand());
  EXPECT_EQ(messages.Questions.back(), "Удалить плату COM_0.1 RS485 ?");

  editor()->Select(config().Controller().Proc());
  const std::size_t asked = messages.Questions.size();
  EXPECT_FALSE(editor()->DeleteCommand()) << "the processor board cannot be deleted";
  EXPECT_EQ(messages.Questions.size(), asked);
}

TEST_F(WindowTest, DeletingADeviceSelectsAndRefreshesItsPort) {
  TItem* port = editor()->AddPortCommand(kBusPortCode);
  TItem* first = editor()->AddDeviceCommand(kBusDeviceCode);
  TItem* second = editor()->AddDeviceCommand(kBusDeviceCode);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Caption(), "2_Порт Устройство");
  editor()->Select(first);
  EXPECT_TRUE(editor()->DeleteCommand());
  EXPECT_EQ(messages.Questions.back(), "Удалить блок 1_Порт Устройство ?");
  EXPECT_EQ(editor()->CurrentItem(), port);
  ASSERT_EQ(port->ChildCount(), 1);
  EXPECT_EQ(port->Child(0)->Caption(), "1_Порт Устройство") << "the port renumbered its devices";
}

TEST_F(WindowTest, DragRulesKeepFixedNodesLevelsAndPortKinds) {
  TController& root = config().Controller();
  TItem* proc = root.Proc();
  TItem* ip = root.PortIP();
  TItem* busA = editor()->AddPortCommand(kBusPortCode);
  TItem* deviceA = editor()->AddDeviceCommand(kBusDeviceCode);
  TItem* busB = editor()->AddPortCommand(kBusPortCode);
  TItem* deviceB = editor()->AddDeviceCommand(kBusDeviceCode);
  TItem* field = editor()->AddPortCommand(kFieldPortCode);
  TItem* fieldDevice = editor()->AddDeviceCommand(kBusDeviceCode);
  ASSERT_TRUE(busA && deviceA && busB && deviceB && field);

  for (TItem* fixed : {static_cast<TItem*>(&root), proc, ip}) EXPECT_FALSE(CanDrag(fixed));
  EXPECT_FALSE(CanDrag(deviceA->Child(0))) << "signal lists stay with their owner";
  EXPECT_FALSE(CanDrop(busB, ip)) << "nothing goes before the IP port";
  EXPECT_FALSE(CanDrop(busB, deviceA)) << "levels must match";
  EXPECT_FALSE(CanDrop(ComBoard(config(), 2), proc));

  // A device moves to a port of the same kind, not to a port of another kind.
  EXPECT_FALSE(editor()->DropItem(deviceA, fieldDevice ? fieldDevice : field));
  EXPECT_TRUE(editor()->DropItem(deviceA, deviceB));
  EXPECT_EQ(deviceA->Parent(), busB);
  EXPECT_EQ(busA->ChildCount(), 0);
  EXPECT_EQ(deviceA->Row(), 0);

  // Ports reorder among themselves; a board dropped on empty space goes last.
  EXPECT_TRUE(editor()->DropItem(field, busA));
  EXPECT_EQ(field->Row(), 1);
  TRS232* firstBoard = ComBoard(config(), 1);
  EXPECT_TRUE(editor()->DropItem(firstBoard, nullptr));
  EXPECT_EQ(firstBoard->Row(), root.ChildCount() - 1);
  EXPECT_FALSE(editor()->DropItem(field, nullptr)) << "only boards may go to empty space";
}

TEST_F(WindowTest, TheRootCannotBeCollapsed) {
  const QModelIndex root = editor()->Model()->IndexOf(&config().Controller());
  editor()->Tree()->collapse(root);
  EXPECT_TRUE(editor()->Tree()->isExpanded(root));
}

TEST_F(WindowTest, GoToLinkedSelectsThePortOfABoardAfterTheFrameIsDone) {
  FieldPort* port = AddFieldPort(config(), 3, "Dev", 0, 0, 0);
  LinkToBoard(port, 33);
  TRS232* board = ComBoard(config(), 1);
  editor()->Select(board);
  board->GoToLinked();
  EXPECT_EQ(editor()->CurrentItem(), board) << "the selection is posted, not immediate";
  Settle();
  EXPECT_EQ(editor()->CurrentItem(), port);
}

TEST_F(WindowTest, IpPortFrameShowsNetworkTwoAndGsmByModel) {
  editor()->Select(config().Controller().PortIP());
  auto* frame = qobject_cast<ui::TPortIPFrame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  EXPECT_FALSE(frame->Network2()->isHidden());
  EXPECT_TRUE(frame->Gsm()->isHidden());

  config().Controller().TypeCode = 26;
  config().Controller().ApplyModel();
  editor()->Select(config().Controller().PortIP());
  editor()->RefreshFrame();
  frame = qobject_cast<ui::TPortIPFrame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->Network2()->isHidden());
  EXPECT_FALSE(frame->Gsm()->isHidden());
}

TEST_F(WindowTest, ProcessorTableDropsRowsWithoutName) {
  TProc* proc = config().Controller().Proc();
  editor()->Select(proc);
  auto* frame = qobject_cast<ui::TProcFrame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  QTableWidget* t = frame->Groups();
  t->setItem(0, 0, new QTableWidgetItem(QStringLiteral("Насосы")));
  t->setItem(0, 2, new QTableWidgetItem(QStringLiteral("2,5")));
  t->setItem(0, 4, new QTableWidgetItem(QStringLiteral("100.5")));
  t->setItem(1, 1, new QTableWidgetItem(QStringLiteral("7")));  // no name: dropped
  editor()->StoreFrame();
  ASSERT_EQ(proc->Groups.size(), 1u);
  EXPECT_EQ(proc->Groups[0].Name, "Насосы");
  EXPECT_FLOAT_EQ(proc->Groups[0].RelAperture, 2.5f);
  EXPECT_FLOAT_EQ(proc->Groups[0].Upper, 100.5f);
  editor()->RefreshFrame();
  frame = qobject_cast<ui::TProcFrame*>(editor()->CurrentFrame());
  EXPECT_EQ(frame->Groups()->item(0, 1)->text(), QString()) << "zero shows blank";
  EXPECT_EQ(frame->Groups()->item(0, 2)->text(), QStringLiteral("2.5"));
}

}  // namespace
}  // namespace vilk::test
