// Frames that refuse their input, and the unsaved-changes mark that follows what the
// configuration reports: edits written back from a frame, edits made by frame commands,
// structural changes -- never mere browsing.
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableWidget>

#include "frames/controller/board_frames.h"
#include "frames/controller/port_ip_frame.h"
#include "frames/snmp/snmp_frames.h"
#include "frames/telemechanics/pc_frame.h"
#include "ports/telemechanics/pc.h"
#include "snmp/port_snmp.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class FrameEditTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ShowWindow();
  }

  TRS232* FirstBoard() {
    for (int i = 1; i < config().Controller().ChildCount(); ++i)
      if (auto* b = dynamic_cast<TRS232*>(config().Controller().Child(i))) return b;
    return nullptr;
  }

  // Opens the processor board's frame and types `text` into a cell of its group table
  // through the cell's editor and its key filter, then commits it with Enter.
  ui::TProcFrame* TypeIntoGroupCell(int row, int column, const QString& text) {
    editor()->Select(config().Controller().Proc());
    auto* frame = qobject_cast<ui::TProcFrame*>(editor()->CurrentFrame());
    EXPECT_NE(frame, nullptr);
    if (!frame) return nullptr;
    QTableWidget* t = frame->Groups();
    t->setCurrentCell(row, column);
    t->edit(t->currentIndex());
    QLineEdit* edit = nullptr;
    for (QLineEdit* e : t->viewport()->findChildren<QLineEdit*>())
      if (e->isVisible()) edit = e;
    EXPECT_NE(edit, nullptr) << "the cell opens its editor";
    if (!edit) return frame;
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
    Settle();
    return frame;
  }

  // A processor-board group whose aperture cell holds a lone decimal separator.
  ui::TProcFrame* EnterBadGroup() {
    TProc* proc = config().Controller().Proc();
    editor()->Select(proc);
    auto* frame = qobject_cast<ui::TProcFrame*>(editor()->CurrentFrame());
    if (!frame) return nullptr;
    frame->Groups()->setItem(0, 0, new QTableWidgetItem(QStringLiteral("Насосы")));
    TypeIntoGroupCell(0, 1, QStringLiteral(","));
    return frame;
  }

  static constexpr char kBadCell[] =
      "Ячейка таблицы (строка 1, колонка 2)\rсодержит недопустимое значение: \",\"\r"
      "которое невозможно преобразовать в число.";

  // Saves to a file so that the mark is clear, then checks it is.
  void SaveClean(const QString& name) {
    savePath = File(name);
    ASSERT_TRUE(window->SaveAsCommand());
    Settle();  // the save selects the root through a posted request
    ASSERT_FALSE(window->IsModified());
  }

  // Every node of the tree, in pre-order.
  std::vector<TItem*> AllItems() {
    std::vector<TItem*> items;
    std::vector<TItem*> stack{&config().Controller()};
    while (!stack.empty()) {
      TItem* i = stack.back();
      stack.pop_back();
      items.push_back(i);
      for (int c = i->ChildCount(); c-- > 0;) stack.push_back(i->Child(c));
    }
    return items;
  }
};

TEST_F(FrameEditTest, ARefusingFrameKeepsItsSelectionItsInputAndTheItem) {
  TProc* proc = config().Controller().Proc();
  editor()->Select(proc);
  auto* frame = qobject_cast<ui::TProcFrame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  auto* place = frame->findChild<QLineEdit*>(QStringLiteral("Место установки"));
  ASSERT_NE(place, nullptr);
  QTest::keyClicks(place, QStringLiteral("Shield 4"));
  ASSERT_EQ(EnterBadGroup(), frame);
  ASSERT_EQ(frame->Groups()->item(0, 1)->text(), QStringLiteral(","))
      << "the cell takes a separator on its own";

  TRS232* board = FirstBoard();
  ASSERT_NE(board, nullptr);
  EXPECT_FALSE(editor()->Select(board));
  Settle();
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0], kBadCell);
  EXPECT_EQ(editor()->CurrentItem(), proc);
  EXPECT_EQ(editor()->CurrentFrame(), frame) << "the same frame, not a fresh one";
  EXPECT_EQ(editor()->Tree()->currentIndex(), editor()->Model()->IndexOf(proc));
  EXPECT_EQ(frame->Groups()->currentRow(), 0) << "the bad cell is made current";
  EXPECT_EQ(frame->Groups()->currentColumn(), 1);
  EXPECT_EQ(place->text(), QStringLiteral("Shield 4")) << "the user's input stays";
  EXPECT_TRUE(proc->Place.empty()) << "nothing of a refused frame reaches the item";
  EXPECT_TRUE(proc->Groups.empty());
  EXPECT_FALSE(window->IsModified());

  // A click on another node: the current node and the highlighted row stay.
  ui::ConfigTreeView* tree = editor()->Tree();
  const QModelIndex boardIndex = editor()->Model()->IndexOf(board);
  tree->scrollTo(boardIndex);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(boardIndex).center());
  Settle();
  EXPECT_EQ(messages.Errors.size(), 2u);
  EXPECT_EQ(editor()->CurrentItem(), proc);
  EXPECT_EQ(editor()->CurrentFrame(), frame);
  EXPECT_EQ(tree->currentIndex(), editor()->Model()->IndexOf(proc));
  const QModelIndexList selected = tree->selectionModel()->selectedIndexes();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(selected[0], editor()->Model()->IndexOf(proc));

  // Corrected, the frame lets go and everything it held arrives.
  TypeIntoGroupCell(0, 1, QStringLiteral("1,5"));
  EXPECT_TRUE(editor()->Select(board));
  EXPECT_EQ(editor()->CurrentItem(), board);
  EXPECT_EQ(proc->Place, "Shield 4");
  ASSERT_EQ(proc->Groups.size(), 1u);
  EXPECT_EQ(proc->Groups[0].Name, "Насосы");
  EXPECT_FLOAT_EQ(proc->Groups[0].AbsAperture, 1.5f);
  EXPECT_TRUE(window->IsModified());
  EXPECT_EQ(messages.Errors.size(), 2u);
}

TEST_F(FrameEditTest, CommandsThatChangeTheTreeWaitForARefusingFrame) {
  TItem* proc = config().Controller().Proc();
  const int ports = proc->ChildCount();
  ASSERT_NE(EnterBadGroup(), nullptr);

  EXPECT_EQ(editor()->AddPortCommand(kFieldPortCode), nullptr);
  EXPECT_EQ(proc->ChildCount(), ports);
  TRS232* board = FirstBoard();
  const int row = board->Row();
  EXPECT_FALSE(editor()->DropItem(board, nullptr));
  EXPECT_EQ(board->Row(), row);
  EXPECT_FALSE(editor()->RefreshFrame());
  EXPECT_EQ(messages.Errors.size(), 3u);
  for (const std::string& e : messages.Errors) EXPECT_EQ(e, kBadCell);
  EXPECT_FALSE(window->IsModified());
  EXPECT_EQ(editor()->CurrentItem(), proc);
}

TEST_F(FrameEditTest, NoSaveNewOrCloseGoesPastARefusingFrame) {
  SaveClean(QStringLiteral("station.cfg"));
  const QByteArray saved = ReadAll(savePath);
  ASSERT_FALSE(saved.isEmpty());
  LinkToBoard(AddFieldPort(config(), 4, "Dev", 1, 0, 0), 33);
  ASSERT_TRUE(window->IsModified());
  ASSERT_NE(EnterBadGroup(), nullptr);

  EXPECT_FALSE(window->SaveCommand());
  EXPECT_EQ(ReadAll(savePath), saved) << "the old file is left as it was";
  ASSERT_EQ(messages.Errors.size(), 1u);
  EXPECT_EQ(messages.Errors[0], kBadCell);

  const int asked = chooserCalls;
  savePath = File("other.cfg");
  EXPECT_FALSE(window->SaveAsCommand());
  EXPECT_EQ(chooserCalls, asked) << "no file name is asked for";
  EXPECT_FALSE(QFile::exists(savePath));
  EXPECT_EQ(window->ConfigFileName(), File("station.cfg"));

  messages.SetAnswer(Answer::No);  // would discard the changes, if it were asked
  EXPECT_FALSE(window->NewCommand());
  EXPECT_TRUE(messages.Questions.empty());
  EXPECT_EQ(config().Controller().Proc()->ChildCount(), 2);
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->IsModified());
  EXPECT_EQ(messages.Errors.size(), 4u);
}

TEST_F(FrameEditTest, BrowsingEveryNodeLeavesTheConfigurationUnmodified) {
  editor()->Select(config().Controller().PortIP());
  auto* pc = dynamic_cast<TPC*>(editor()->AddDeviceCommand(kPCKind));
  ASSERT_NE(pc, nullptr);
  LinkToBoard(AddFieldPort(config(), 3, "Dev", 2, 1, 1), 33);
  // Values the frames cannot show exactly: they must survive a visit unchanged.
  pc->T1 = 1500;         // edited in whole seconds
  pc->TIFormat[1] = 99;  // no entry of its chooser
  pc->K = 200;           // beyond the field's range
  config().Controller().Proc()->Groups = {{0.1234567f, 2, 0, 0, "Насосы"}};
  SaveClean(QStringLiteral("browse.cfg"));

  for (int pass = 0; pass < 2; ++pass)
    for (TItem* item : AllItems()) {
      EXPECT_TRUE(editor()->Select(item)) << item->Caption();
      Settle();
      EXPECT_FALSE(window->IsModified()) << "after visiting " << item->Caption();
    }
  EXPECT_EQ(pc->T1, 1500u);
  EXPECT_EQ(pc->TIFormat[1], 99);
  EXPECT_EQ(pc->K, 200);
  EXPECT_EQ(config().Controller().Proc()->Groups[0].AbsAperture, 0.1234567f);
  EXPECT_TRUE(messages.Errors.empty());
}

TEST_F(FrameEditTest, AFieldChangedMarksWhenItsNodeIsLeftAndOnlyIfItReallyChanged) {
  TProc* proc = config().Controller().Proc();
  proc->Groups = {{0, 2.5f, 0, 0, "Насосы"}};
  SaveClean(QStringLiteral("edit.cfg"));

  // Retyped in another spelling: the table is written back, the record is as it was.
  TypeIntoGroupCell(0, 2, QStringLiteral("2,5"));
  TPortIP* ip = config().Controller().PortIP();
  editor()->Select(ip);
  EXPECT_FLOAT_EQ(proc->Groups[0].RelAperture, 2.5f);
  EXPECT_FALSE(window->IsModified());

  // Changed and changed back.
  auto gateways =
      editor()->CurrentFrame()->findChildren<ui::IpEdit*>(QStringLiteral("IP Адрес шлюза"));
  ASSERT_FALSE(gateways.isEmpty());
  gateways[0]->Octet(0)->setValue(7);
  gateways[0]->Octet(0)->setValue(0);
  editor()->Select(proc);
  EXPECT_FALSE(window->IsModified());

  editor()->Select(ip);
  auto addresses = editor()->CurrentFrame()->findChildren<ui::IpEdit*>(QStringLiteral("IP Адрес"));
  ASSERT_FALSE(addresses.isEmpty());
  ui::IpEdit* address = addresses[0];  // network 1
  address->Octet(0)->findChild<QLineEdit*>()->selectAll();
  QTest::keyClicks(address->Octet(0), QStringLiteral("10"));
  editor()->Select(config().Controller().Proc());
  EXPECT_EQ(ip->Net1Ip, 0x0AA801DEu);
  EXPECT_TRUE(window->IsModified());

  ASSERT_TRUE(window->SaveCommand());
  EXPECT_FALSE(window->IsModified());
}

TEST_F(FrameEditTest, StructuralChangesMark) {
  SaveClean(QStringLiteral("tree.cfg"));
  TItem* a = editor()->AddPortCommand(kFieldPortCode);
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(window->IsModified()) << "a port added";

  ASSERT_TRUE(window->SaveCommand());
  TItem* b = AddFieldPort(config(), 2, "Dev", 1, 0, 0);
  ASSERT_TRUE(window->SaveCommand());
  Settle();
  ASSERT_FALSE(window->IsModified());
  EXPECT_TRUE(editor()->DropItem(b, a));
  EXPECT_TRUE(window->IsModified()) << "a port moved";

  ASSERT_TRUE(window->SaveCommand());
  Settle();
  editor()->Select(b);
  messages.SetAnswer(Answer::Yes);
  EXPECT_TRUE(editor()->DeleteCommand());
  EXPECT_TRUE(window->IsModified()) << "a port deleted";

  // Open and New leave a clean window.
  openPath = File("tree.cfg");
  messages.SetAnswer(Answer::No);
  ASSERT_TRUE(window->OpenCommand());
  EXPECT_FALSE(window->IsModified());
  EXPECT_EQ(config().Controller().Proc()->ChildCount(), 3);
  editor()->AddPortCommand(kFieldPortCode);
  EXPECT_TRUE(window->IsModified());
  ASSERT_TRUE(window->NewCommand());
  EXPECT_FALSE(window->IsModified());
}

TEST_F(FrameEditTest, FrameCommandsThatEditTheItemMarkAtOnce) {
  ResetKindRegistry();  // the real SNMP port and device
  TItem* port = editor()->AddPortCommand(kPortSNMP);
  ASSERT_NE(port, nullptr);
  editor()->Select(port);
  TItem* device = editor()->AddDeviceCommand(kSNMPDevice);
  ASSERT_NE(device, nullptr);
  SaveClean(QStringLiteral("snmp.cfg"));

  editor()->Select(device);
  auto* frame = qobject_cast<ui::TRTUSNMPFrame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  EXPECT_FALSE(window->IsModified());
  frame->Address()->Octet(3)->setValue(9);  // the device number follows at once
  EXPECT_EQ(device->Number, 9);
  EXPECT_TRUE(window->IsModified());
}

}  // namespace
}  // namespace vilk::test
