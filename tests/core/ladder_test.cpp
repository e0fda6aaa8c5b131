// The discrete-logic port: records byte for byte, the layout on the grid, the editing
// operations, references that outlive their signals, what loading makes of odd files, and
// the offline scan.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/text.h"
#include "model/show.h"
#include "ports/logic/ladder_sim.h"
#include "ports/logic/ladder_text.h"
#include "ports/logic/port_ld.h"
#include "ports/modules/modules.h"
#include "ports/modules/port_doro.h"
#include "record_spelling.h"
#include "test_items.h"

namespace vilk {
namespace {

using test::Blk;
using test::ByteVec;
using test::Place65;
using test::Rec;
using test::U16;

ByteVec Names65(const std::vector<std::string>& names) {
  ByteVec out;
  for (const std::string& n : names) {
    const ByteVec one = Place65(Utf8ToCp1251(n));
    out.insert(out.end(), one.begin(), one.end());
  }
  return out;
}

// Hand-spelled blocks of the program.
ByteVec Contact(int inverse, int number) {
  return Blk(225,
             {Rec(48, {1}), Rec(43, {static_cast<std::uint8_t>(inverse)}), Rec(41, U16(number))});
}
ByteVec NoSignal(int inverse = 0) {
  return Blk(225,
             {Rec(48, {1}), Rec(43, {static_cast<std::uint8_t>(inverse)}), Rec(41, {0xFF, 0xFF})});
}
ByteVec Line(std::initializer_list<ByteVec> elements) {
  ByteVec body;
  for (const ByteVec& e : elements) body.insert(body.end(), e.begin(), e.end());
  return Blk(226, {Rec(48, {1}), Rec(20, U16(static_cast<int>(elements.size()))), body});
}
ByteVec Group(std::initializer_list<ByteVec> branches) {
  ByteVec body;
  for (const ByteVec& b : branches) body.insert(body.end(), b.begin(), b.end());
  return Blk(227, {Rec(48, {1}), Rec(20, U16(static_cast<int>(branches.size()))), body});
}
ByteVec Task(const ByteVec& output, const ByteVec& line) {
  return Blk(228, {Rec(48, {1}), output, line});
}

// The image of what a tree holds, whatever the save checks say (damaged files can leave a
// tree that would not pass them), with a fixed header.
ByteVec Unchecked(Configuration& config) {
  auto image = std::make_unique<ConfigImage>();
  if (!BuildImageUnchecked(config, *image)) return {};
  return ByteVec(image->Data(), image->Data() + image->TotalSize);
}

class LadderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The inputs contacts read: a RIV-24 on a DORO port, renamed A..X for short texts.
    doro = static_cast<TPortDoro*>(
        config.Append(config.Controller().Proc(), MakePort(config, kPortDoro)));
    doro->Renumber(3);
    riv = static_cast<TMDS24*>(doro->AddChild(kModuleRIV24));
    for (int i = 0; i < 24; ++i) riv->Inputs()->At(i)->SetName(std::string(1, char('A' + i)));
    config.Storage().ForceRebuild();
    base = config.Storage().IndexOf(kKindTS, In(0));
    ASSERT_GE(base, 0);
    port =
        static_cast<TPortLD*>(config.Append(config.Controller().Proc(), MakePort(config, kPortLD)));
    ASSERT_NE(port, nullptr);
    port->UpdateCaption();
  }
  TParam* In(int i) const { return riv->Inputs()->At(i); }
  int Out(int task) const { return config.Storage().IndexOf(kKindTS, port->OutputSignal(task)); }
  // A contact at the cell reading `signal`.
  TLD* Put(int column, int row, TParam* signal, bool inverse = false) {
    TLD* c = port->AddContact(column, row);
    EXPECT_NE(c, nullptr) << column << "," << row;
    if (!c) return nullptr;
    EXPECT_TRUE(port->SetSignal(*c, signal));
    c->Inverse = inverse;
    return c;
  }
  // Selects cells first..last of `row` (as a click and a Shift+click) and bridges them.
  TLD* BridgeCells(int first, int last, int row, TParam* signal) {
    port->Select(port->ElementAt(first, row), false);
    port->SelectRange(last, row);
    EXPECT_TRUE(port->CanBridge());
    TLD* c = port->BridgeSelection();
    EXPECT_NE(c, nullptr);
    if (c) port->SetSignal(*c, signal);
    return c;
  }
  ByteVec Save() {
    config.Storage().ForceRebuild();
    return test::SaveItem(*port);
  }
  ByteVec OwnList(const std::vector<std::string>& names) {
    return Blk(211, {Rec(48, {1}), Rec(13, U16(static_cast<int>(names.size()))),
                     Rec(41, Names65(names)), Rec(78, ByteVec(names.size(), 0))});
  }

  RecordingMessages messages;
  Configuration config{messages};
  TPortDoro* doro = nullptr;
  TMDS24* riv = nullptr;
  TPortLD* port = nullptr;
  int base = -1;
};

TEST_F(LadderTest, ANewPortAndItsFirstTask) {
  EXPECT_EQ(port->Caption(), "1_Порт дискретной логики");
  EXPECT_EQ(port->ChildCount(), 0);
  EXPECT_EQ(port->GridWidth, 10);
  EXPECT_EQ(Save(), Blk(131, {Rec(48, {1}), Rec(1, {1}), Rec(20, {0, 0})}));

  ASSERT_NE(port->AddTask(), nullptr);
  ASSERT_NE(port->OwnList(), nullptr);
  EXPECT_EQ(port->Child(0), port->OwnList());
  EXPECT_EQ(port->OutputSignal(0)->Name(), "1_Порт.Пр_0");
  EXPECT_EQ(port->Tasks[0]->Output->Column, 9);
  // An empty line: the output's number is its own entry in the pool.
  EXPECT_EQ(Save(), Blk(131, {Rec(48, {1}), Rec(1, {1}), Rec(20, {1, 0}),
                              Task(Contact(0, Out(0)), Line({})), OwnList({"1_Порт.Пр_0"})}));
  EXPECT_EQ(LadderText(*port), "1_Порт.Пр_0\n  -\n");
}

TEST_F(LadderTest, SeriesContactsKeepTheOutputAtTheLastColumn) {
  port->AddTask();
  port->AddTask();
  Put(0, 0, In(0));
  Put(1, 0, In(1), true);
  Put(2, 0, In(2));
  EXPECT_EQ(port->Tasks[0]->Output->Column, 9);
  // The output's cell, and any cell right of it, takes no contact.
  EXPECT_EQ(port->AddContact(9, 1), nullptr);
  EXPECT_EQ(port->AddContact(12, 1), nullptr);
  EXPECT_EQ(port->AddContact(3, 2), nullptr);  // no task on row 2
  // A click right of the line's end appends; a click on a contact inserts after it.
  Put(5, 1, In(4));
  Put(0, 1, In(3));
  EXPECT_EQ(LadderText(*port), "1_Порт.Пр_0\n  A /B C\n\n1_Порт.Пр_1\n  E D\n");
  EXPECT_EQ(LadderLayoutText(*port),
            "grid 10x2\n"
            "task 1 rows 0..0\n  output 9 0 1_Порт.Пр_0\n  line 0 0 9x1\n"
            "    contact 0 0 A\n    contact 1 0 /B\n    contact 2 0 C\n"
            "task 2 rows 1..1\n  output 9 1 1_Порт.Пр_1\n  line 0 1 9x1\n"
            "    contact 0 1 E\n    contact 1 1 D\n");
  EXPECT_EQ(Save(),
            Blk(131, {Rec(48, {1}), Rec(1, {1}), Rec(20, {2, 0}),
                      Task(Contact(0, Out(0)),
                           Line({Contact(0, base), Contact(1, base + 1), Contact(0, base + 2)})),
                      Task(Contact(0, Out(1)), Line({Contact(0, base + 4), Contact(0, base + 3)})),
                      OwnList({"1_Порт.Пр_0", "1_Порт.Пр_1"})}));

  // A line longer than the grid widens every task; all outputs stay aligned.
  for (int i = 0; i < 8; ++i) Put(0, 1, In(5));
  EXPECT_EQ(port->GridWidth, 11);
  EXPECT_EQ(port->Tasks[0]->Output->Column, 10);
  EXPECT_EQ(port->Tasks[1]->Output->Column, 10);
}

TEST_F(LadderTest, BridgingARunMakesAGroupOfTwoBranches) {
  port->AddTask();
  Put(0, 0, In(0));
  Put(1, 0, In(1));
  Put(2, 0, In(2));
  BridgeCells(1, 2, 0, In(3));
  const TLine& line = *port->Tasks[0]->Line;
  ASSERT_EQ(line.Elements.size(), 2u);
  const TBaseLD& group = *line.Elements[1];
  ASSERT_EQ(group.ElementType(), TBaseLD::Type::Stack);
  EXPECT_EQ(group.Column, 1);
  EXPECT_EQ(group.Width, 2);
  EXPECT_EQ(group.Height, 2);
  const TLine& second = *static_cast<const TStack&>(group).Branches[1];
  EXPECT_EQ(second.Elements[0]->Column, 1);
  EXPECT_EQ(second.Elements[0]->Row, 1);
  EXPECT_EQ(port->Tasks[0]->Height, 2);
  EXPECT_EQ(LadderText(*port), "1_Порт.Пр_0\n  A [B C | D]\n");
  EXPECT_EQ(Save(), Blk(131, {Rec(48, {1}), Rec(1, {1}), Rec(20, {1, 0}),
                              Task(Contact(0, Out(0)),
                                   Line({Contact(0, base),
                                         Group({Line({Contact(0, base + 1), Contact(0, base + 2)}),
                                                Line({Contact(0, base + 3)})})})),
                              OwnList({"1_Порт.Пр_0"})}));

  // A contact added on the second branch's row goes into that branch.
  Put(1, 1, In(4));
  EXPECT_EQ(LadderText(*port), "1_Порт.Пр_0\n  A [B C | D E]\n");
  // Bridging the whole first branch adds a third branch to its group.
  BridgeCells(1, 2, 0, In(5));
  EXPECT_EQ(LadderText(*port), "1_Порт.Пр_0\n  A [B C | D E | F]\n");
  EXPECT_EQ(port->Tasks[0]->Height, 3);
  // A range whose ends lie in different branches has no common line below the group's.
  port->Select(port->ElementAt(2, 0), false);
  port->RangeFirst = port->ElementAt(2, 0);
  port->RangeLast = port->ElementAt(2, 1);
  EXPECT_TRUE(port->CanBridge());  // their common line is the task's main line
  int from = -1, to = -1;
  EXPECT_EQ(CommonLine(port->RangeFirst, port->RangeLast, &from, &to), &line);
  EXPECT_EQ(from, 1);
  EXPECT_EQ(to, 1);
}

TEST_F(LadderTest, NestedGroupsAndTheirRecords) {
  port->AddTask();
  Put(0, 0, In(0));
  Put(1, 0, In(1));
  BridgeCells(0, 1, 0, In(2));  // [A B | C]
  BridgeCells(1, 1, 0, In(3));  // [A [B | D] | C]
  EXPECT_EQ(LadderText(*port), "1_Порт.Пр_0\n  [A [B | D] | C]\n");
  const TBaseLD& outer = *port->Tasks[0]->Line->Elements[0];
  EXPECT_EQ(outer.Width, 2);
  EXPECT_EQ(outer.Height, 3);
  EXPECT_EQ(port->ElementAt(0, 1), nullptr);  // the empty cell below A
  EXPECT_EQ(static_cast<TLD*>(port->ElementAt(0, 2))->Signal.get(), In(2));
  EXPECT_EQ(static_cast<TLD*>(port->ElementAt(1, 1))->Signal.get(), In(3));
  EXPECT_EQ(
      Save(),
      Blk(131, {Rec(48, {1}), Rec(1, {1}), Rec(20, {1, 0}),
                Task(Contact(0, Out(0)),
                     Line({Group({Line({Contact(0, base), Group({Line({Contact(0, base + 1)}),
                                                                 Line({Contact(0, base + 3)})})}),
                                  Line({Contact(0, base + 2)})})})),
                OwnList({"1_Порт.Пр_0"})}));
}

TEST_F(LadderTest, SealInInvertedCoilAndAContactWithoutASignal) {
  port->AddTask();  // Пр_0 = [Start | Пр_0] /Stop
  port->AddTask();  // /Пр_1 = ?
  Put(0, 0, In(0));
  Put(1, 0, In(1), true);
  BridgeCells(0, 0, 0, port->OutputSignal(0));
  port->Tasks[1]->Output->Inverse = true;
  port->AddContact(0, 2);
  EXPECT_EQ(LadderText(*port), "1_Порт.Пр_0\n  [A | 1_Порт.Пр_0] /B\n\n/1_Порт.Пр_1\n  ?\n");
  EXPECT_EQ(Save(),
            Blk(131, {Rec(48, {1}), Rec(1, {1}), Rec(20, {2, 0}),
                      Task(Contact(0, Out(0)),
                           Line({Group({Line({Contact(0, base)}), Line({Contact(0, Out(0))})}),
                                 Contact(1, base + 1)})),
                      Task(Contact(1, Out(1)), Line({NoSignal()})),
                      OwnList({"1_Порт.Пр_0", "1_Порт.Пр_1"})}));
}

TEST_F(LadderTest, DeletingTidiesLinesAndGroups) {
  port->AddTask();
  Put(0, 0, In(0));
  Put(1, 0, In(1));
  BridgeCells(1, 1, 0, In(2));  // A [B | C]
  // The only contact of the second branch goes: the group dissolves into the line.
  port->Select(port->ElementAt(1, 1), false);
  port->DeleteSelected();
  EXPECT_EQ(LadderText(*port), "1_Порт.Пр_0\n  A B\n");
  EXPECT_EQ(port->Tasks[0]->Line->Elements[1]->Parent, port->Tasks[0]->Line.get());
  EXPECT_EQ(port->Tasks[0]->Height, 1);

  // Both branches emptied: the group goes.
  BridgeCells(1, 1, 0, In(2));
  port->Select(port->ElementAt(1, 0), false);
  port->Select(port->ElementAt(1, 1), true);
  port->DeleteSelected();
  EXPECT_EQ(LadderText(*port), "1_Порт.Пр_0\n  A\n");
  EXPECT_TRUE(messages.Questions.empty());

  // An output: the task goes only when the question is answered yes.
  port->AddTask();
  messages.SetAnswer(Answer::No);
  port->Select(port->Tasks[0]->Output.get(), false);
  port->DeleteSelected();
  EXPECT_EQ(port->TaskCount(), 2);
  messages.SetAnswer(Answer::Yes);
  port->Select(port->Tasks[0]->Output.get(), false);
  port->DeleteSelected();
  EXPECT_EQ(messages.Questions, (std::vector<std::string>{"Удалить задачу?", "Удалить задачу?"}));
  ASSERT_EQ(port->TaskCount(), 1);
  EXPECT_EQ(port->OutputSignal(0)->Name(), "1_Порт.Пр_1");  // the survivor keeps its name
  port->ClearProgram();
  EXPECT_EQ(port->TaskCount(), 0);
  EXPECT_EQ(port->OwnList(), nullptr);
  EXPECT_EQ(port->GridWidth, 10);
}

TEST_F(LadderTest, DuplicateInverseAndPaste) {
  port->AddTask();
  Put(0, 0, In(0));
  BridgeCells(0, 0, 0, In(1));
  port->Select(port->Tasks[0]->Output.get(), false);
  port->DuplicateSelected();
  ASSERT_EQ(port->TaskCount(), 2);
  EXPECT_EQ(LadderTaskText(*port, 1), "1_Порт.Пр_1 = [A | B]");
  // The copy is deep: editing it leaves the original.
  port->Select(port->ElementAt(0, 2), false);
  port->Select(port->Tasks[1]->Output.get(), true);
  port->ToggleInverseSelected();
  EXPECT_EQ(LadderTaskText(*port, 0), "1_Порт.Пр_0 = [A | B]");
  EXPECT_EQ(LadderTaskText(*port, 1), "/1_Порт.Пр_1 = [/A | B]");
  ASSERT_NE(port->PasteTask(*port->Tasks[1]), nullptr);
  EXPECT_EQ(LadderTaskText(*port, 2), "/1_Порт.Пр_2 = [/A | B]");
  EXPECT_EQ(In(0)->RefCount, In(1)->RefCount);  // each copy holds its signals
}

TEST_F(LadderTest, OutputNamesAreTheLowestUnusedAcrossThePool) {
  // A pool input already called like the first default name.
  In(0)->SetName("1_Порт.Пр_0");
  port->AddTask();
  EXPECT_EQ(port->OutputSignal(0)->Name(), "1_Порт.Пр_1");
  port->AddTask();
  port->AddTask();
  EXPECT_EQ(port->OutputSignal(2)->Name(), "1_Порт.Пр_3");
  // The gap left by a deleted task is used again, never a second Пр_3.
  port->Select(port->Tasks[1]->Output.get(), false);
  port->DeleteSelected();
  port->AddTask();
  EXPECT_EQ(port->OutputSignal(2)->Name(), "1_Порт.Пр_2");

  // Renaming an output: a name any discrete input of the pool has is refused.
  EXPECT_FALSE(port->RenameOutput(0, "Пр_0"));
  EXPECT_FALSE(port->RenameOutput(0, "Пр_3"));
  EXPECT_TRUE(port->RenameOutput(0, "Авария"));
  EXPECT_EQ(port->OutputSignal(0)->Name(), "1_Порт.Авария");
  EXPECT_TRUE(port->RenameOutput(0, "Авария"));  // its own name is no clash
}

// The device a contact reads is deleted: the contact keeps its signal alive, shows it as
// unresolved, saves -1 and never conducts.
TEST_F(LadderTest, ASignalGoneFromThePoolSavesAsMinusOne) {
  port->AddTask();
  Put(0, 0, In(4));
  TParam* gone = In(4);
  config.Remove(riv);
  doro->ChildrenChanged();
  config.Storage().ForceRebuild();
  const auto& contact = static_cast<const TLD&>(*port->Tasks[0]->Line->Elements[0]);
  ASSERT_EQ(contact.Signal.get(), gone);
  EXPECT_EQ(gone->RefCount, 1u);
  EXPECT_TRUE(port->Unresolved(contact));
  EXPECT_EQ(LadderText(*port), "1_Порт.Пр_0\n  !E\n");
  EXPECT_EQ(Save(),
            Blk(131, {Rec(48, {1}), Rec(1, {1}), Rec(20, {1, 0}),
                      Task(Contact(0, Out(0)), Line({NoSignal()})), OwnList({"1_Порт.Пр_0"})}));
  TLadderSim sim(*port);
  sim.SetInput(gone, true);
  sim.Scan();
  EXPECT_FALSE(sim.Output(0));
}

TEST_F(LadderTest, SaveAndLoadGiveTheSameProgram) {
  port->AddTask();
  port->AddTask();
  Put(0, 0, In(0));
  Put(1, 0, In(1), true);
  Put(2, 0, In(2));
  BridgeCells(1, 2, 0, In(3));
  BridgeCells(1, 1, 1, nullptr);
  Put(0, 3, port->OutputSignal(0), true);
  port->Tasks[1]->Output->Inverse = true;
  port->RenameOutput(1, "Блокировка");
  const std::string text = LadderText(*port);
  const ByteVec first = test::Build(config);
  ASSERT_FALSE(first.empty());

  RecordingMessages loadMessages;
  Configuration loaded(loadMessages);
  ASSERT_TRUE(test::Load(loaded, first));
  EXPECT_TRUE(loadMessages.Errors.empty()) << loadMessages.Errors.front();
  TPortLD* back = nullptr;
  TItem* proc = loaded.Controller().Proc();
  for (int i = 0; i < proc->ChildCount(); ++i)
    if (auto* p = dynamic_cast<TPortLD*>(proc->Child(i))) back = p;
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(LadderText(*back), text);
  EXPECT_EQ(LadderLayoutText(*back), LadderLayoutText(*port));
  EXPECT_EQ(test::Build(loaded), first);
  // The contact that reads task 1's output reads the loaded port's own signal.
  const auto& c = static_cast<const TLD&>(*back->Tasks[1]->Line->Elements[0]);
  EXPECT_EQ(c.Signal.get(), back->OutputSignal(0));
}

TEST_F(LadderTest, OddBlocksAreKeptAndLaterTasksReadTheirOwnBlocks) {
  const ByteVec newerContact = Blk(225, {Rec(48, {2}), Rec(43, {1}), Rec(99, {7})});
  const ByteVec unknown = Blk(240, {Rec(48, {1}), Rec(5, {1, 2})});
  const ByteVec newerTask = Blk(228, {Rec(48, {3}), Contact(0, 0), Line({})});
  // Task 1: a newer contact and an unknown element, with an inflated count; task 2 newer;
  // task 3 plain. Nothing is lost and task 3 reads its own blocks.
  const ByteVec line1 = Blk(226, {Rec(48, {1}), Rec(20, {50, 0}), Contact(0, base), newerContact,
                                  unknown, Contact(1, base + 1)});
  const ByteVec block =
      Blk(131, {Rec(48, {1}), Rec(1, {1}), Rec(20, {3, 0}), Task(Contact(0, 0xFFFF), line1),
                newerTask, Task(Contact(1, 0xFFFF), Line({Contact(0, base + 2)}))});
  test::LoadItem(*port, block);
  port->AfterLoad();
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{
                "Новая версия LD", "Новая версия TaskLD",
                "Порт 1_Порт дискретной логики: линий и групп, чьё количество элементов не "
                "совпадает с блоками: 1",
                "Порт 1_Порт дискретной логики: блоков программы неизвестного вида: 1; они "
                "сохраняются без изменений"}));
  ASSERT_EQ(port->TaskCount(), 3);
  EXPECT_EQ(LadderText(*port), "1_Порт.Пр_0\n  A #225 #240 /B\n\n1_Порт.Пр_1\n  #228 (" +
                                   std::to_string(newerTask.size()) +
                                   " байт)\n\n/1_Порт.Пр_2\n  C\n");
  // Written back: the kept blocks as read, the counts as they are now, the own list added.
  config.Storage().ForceRebuild();
  const ByteVec saved = test::SaveItem(*port);
  const ByteVec expected =
      Blk(131, {Rec(48, {1}), Rec(1, {1}), Rec(20, {3, 0}),
                Task(Contact(0, Out(0)), Blk(226, {Rec(48, {1}), Rec(20, {4, 0}), Contact(0, base),
                                                   newerContact, unknown, Contact(1, base + 1)})),
                newerTask, Task(Contact(1, Out(2)), Line({Contact(0, base + 2)})),
                OwnList({"1_Порт.Пр_0", "1_Порт.Пр_1", "1_Порт.Пр_2"})});
  EXPECT_EQ(saved, expected);
  // The scan passes a kept element as open.
  TLadderSim sim(*port);
  sim.SetInput(In(0), true);
  sim.Scan();
  EXPECT_FALSE(sim.Output(0));
}

TEST_F(LadderTest, CountsAndNestingAreBoundedOnLoad) {
  // A stored count of 65535 tasks with one block, and a signal number past the pool.
  test::LoadItem(*port, Blk(131, {Rec(48, {1}), Rec(1, {1}), Rec(20, {0xFF, 0xFF}),
                                  Task(Contact(0, 0), Line({Contact(0, 8000)}))}));
  port->AfterLoad();
  EXPECT_EQ(port->TaskCount(), 1);
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{
                "Порт 1_Порт дискретной логики: количество задач 65535, а блоков задач 1",
                "Порт 1_Порт дискретной логики: контактов, читающих сигналы, которых нет в "
                "списке сигналов: 1; они сохранятся без сигнала (-1)"}));

  // Groups nested 40 deep: the part below the limit is kept as it was, unread.
  ByteVec nested = Line({Contact(0, base)});
  for (int i = 0; i < 40; ++i) nested = Line({Group({nested, Line({Contact(0, base + 1)})})});
  messages.Errors.clear();
  const ByteVec block =
      Blk(131, {Rec(48, {1}), Rec(1, {1}), Rec(20, {1, 0}), Task(Contact(0, 0), nested)});
  test::LoadItem(*port, block);
  port->AfterLoad();
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0],
            "Порт 1_Порт дискретной логики: групп, вложенных глубже 32 уровней: 1; они "
            "сохраняются без изменений");
  config.Storage().ForceRebuild();
  const ByteVec saved = test::SaveItem(*port);
  const ByteVec task = Task(Contact(0, Out(0)), nested);
  ASSERT_GT(saved.size(), task.size());
  EXPECT_EQ(test::Slice(saved, 8 + 9 + 9 + 10, task.size()), task);
}

TEST_F(LadderTest, AProgramWiderThanTheGridIsRefused) {
  port->AddTask();
  int added = 0;
  while (port->AddContact(0, 0) && added < 400) ++added;
  EXPECT_EQ(added, 255);  // 255 contacts and the output fill the 256 columns
  EXPECT_EQ(port->GridWidth, 256);
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0],
            "Порт 1_Порт дискретной логики: программа не помещается в сетку 256 × 256 (нужно "
            "столбцов 257, строк 1)");
  EXPECT_EQ(port->Tasks[0]->Line->Elements.size(), 255u);
}

// Damaged program blocks (bytes changed at random, lengths and counts included) in a whole
// image: the image is refused or loads, never reading outside its data, and whatever
// loaded saves and loads back the same.
TEST_F(LadderTest, DamagedBlocksLoadAndResaveStably) {
  port->AddTask();
  port->AddTask();
  Put(0, 0, In(0));
  Put(1, 0, In(1), true);
  BridgeCells(0, 1, 0, In(2));
  BridgeCells(1, 1, 0, port->OutputSignal(0));
  Put(0, 3, port->OutputSignal(0));
  const ByteVec good = test::Build(config);
  ASSERT_FALSE(good.empty());
  const ByteVec head = {0xF1, 0xFF, 131, 0};
  const auto at = std::search(good.begin(), good.end(), head.begin(), head.end());
  ASSERT_NE(at, good.end());
  const std::size_t from = static_cast<std::size_t>(at - good.begin()) + 8;
  const std::size_t size = test::GetU32(good, from - 4) - 8;
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  int loaded = 0;
  for (int round = 0; round < 300; ++round) {
    ByteVec bad = good;
    const int changes = 1 + static_cast<int>(next() % 3);
    for (int c = 0; c < changes; ++c) bad[from + next() % size] = static_cast<std::uint8_t>(next());
    test::Restamp(bad);
    RecordingMessages said;
    Configuration first(said);
    if (!test::Load(first, bad)) continue;
    const ByteVec once = Unchecked(first);
    ASSERT_FALSE(once.empty()) << "round " << round;
    ++loaded;
    Configuration second(said);
    ASSERT_TRUE(test::Load(second, once)) << "round " << round;
    ASSERT_EQ(Unchecked(second), once) << "round " << round;
  }
  EXPECT_GT(loaded, 50);  // much of the damage is read around, not refused
}

// --- The scan ---

TEST_F(LadderTest, SealInLatchesAndReleases) {
  port->AddTask();  // Q = [Start | Q] /Stop
  Put(0, 0, In(0));
  Put(1, 0, In(1), true);
  BridgeCells(0, 0, 0, port->OutputSignal(0));
  TLadderSim sim(*port);
  sim.Scan();
  EXPECT_FALSE(sim.Output(0));
  sim.SetInput(In(0), true);
  sim.Scan();
  EXPECT_TRUE(sim.Output(0));
  sim.SetInput(In(0), false);  // start let go: held by its own contact
  sim.Scan();
  sim.Scan();
  EXPECT_TRUE(sim.Output(0));
  sim.SetInput(In(1), true);  // stop
  sim.Scan();
  EXPECT_FALSE(sim.Output(0));
  sim.SetInput(In(1), false);
  sim.Scan();
  EXPECT_FALSE(sim.Output(0));
}

TEST_F(LadderTest, NestedGroupsInvertedContactsAndTheOrderOfTasks) {
  port->AddTask();  // Пр_0 = [A [B | D] | C]
  Put(0, 0, In(0));
  Put(1, 0, In(1));
  BridgeCells(0, 1, 0, In(2));
  BridgeCells(1, 1, 0, In(3));
  struct Case {
    bool a, b, c, d, out;
  };
  const Case cases[] = {{0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {1, 1, 0, 0, 1}, {1, 0, 0, 1, 1},
                        {0, 1, 0, 1, 0}, {0, 0, 1, 0, 1}, {1, 1, 1, 1, 1}};
  TLadderSim sim(*port);
  for (const Case& k : cases) {
    sim.SetInput(In(0), k.a);
    sim.SetInput(In(1), k.b);
    sim.SetInput(In(2), k.c);
    sim.SetInput(In(3), k.d);
    sim.Scan();
    EXPECT_EQ(sim.Output(0), k.out) << k.a << k.b << k.c << k.d;
  }

  // Task 2 reads task 3's output, task 3 reads task 1's: task 3 sees task 1 in the same
  // scan, task 2 sees task 3 only in the next one. An inverted contact conducts on 0.
  port->AddTask();
  port->AddTask();
  Put(0, 3, port->OutputSignal(2));
  Put(0, 4, port->OutputSignal(0));
  Put(1, 4, In(5), true);
  port->Tasks[1]->Output->Inverse = false;
  TLadderSim order(*port);
  order.SetInput(In(2), true);  // task 1 on through C
  order.Scan();
  EXPECT_TRUE(order.Output(0));
  EXPECT_TRUE(order.Output(2));
  EXPECT_FALSE(order.Output(1));
  order.Scan();
  EXPECT_TRUE(order.Output(1));
  order.SetInput(In(5), true);  // the inverted contact opens
  order.Scan();
  EXPECT_FALSE(order.Output(2));
  EXPECT_TRUE(order.Output(1));  // still the previous scan's value of task 3
  order.Scan();
  EXPECT_FALSE(order.Output(1));

  // An empty line conducts, and an inverted coil stores the negation.
  port->AddTask();
  port->Tasks[3]->Output->Inverse = true;
  port->AddTask();
  port->AddContact(0, 6);  // a contact without a signal is open
  TLadderSim plain(*port);
  plain.Scan();
  EXPECT_FALSE(plain.Output(3));
  EXPECT_FALSE(plain.Output(4));
  port->Tasks[3]->Output->Inverse = false;
  plain.Scan();
  EXPECT_TRUE(plain.Output(3));

  // Energised paths: with C on, C's branch and the group carry power, A's branch not.
  TLadderSim power(*port);
  power.TrackPower = true;
  power.SetInput(In(2), true);
  power.Scan();
  const auto& group = static_cast<const TStack&>(*port->Tasks[0]->Line->Elements[0]);
  EXPECT_TRUE(power.Energised(&group));
  EXPECT_FALSE(power.Energised(group.Branches[0].get()));
  EXPECT_TRUE(power.Energised(group.Branches[1].get()));
  EXPECT_TRUE(power.Energised(port->Tasks[0]->Output.get()));
}

}  // namespace
}  // namespace vilk
