// Undo and redo in the window: tree commands, a drag, a delete that takes signals out of a
// PC's selection, a frame edit and a pool button, each restoring the configuration byte for
// byte; the unsaved mark following the history; recent files across two windows.
#include <QMenu>
#include <QSpinBox>

#include "model/image_ops.h"
#include "model/show.h"
#include "ports/telemechanics/pc.h"
#include "signals/storage.h"
#include "signals/storage_page.h"
#include "snmp/port_snmp.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

class UndoWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ResetKindRegistry();  // the real kinds: every step goes through their records
  }
  // The configuration's records as a save writes them (the header's time left out).
  std::vector<std::uint8_t> Records() {
    auto image = std::make_unique<ConfigImage>();
    SilentMessages quiet;
    config().SetMessages(quiet);
    EXPECT_TRUE(BuildImageUnchecked(config(), *image));
    config().SetMessages(messages);
    return {image->Data() + kDataOffset, image->Data() + image->BuildCursor};
  }
  TSNMP* AddDevice(TItem* port, std::initializer_list<const char*> names) {
    auto* device = static_cast<TSNMP*>(port->AddChild(kSNMPDevice));
    TSNMP_TagList tags;
    for (const char* n : names) {
      TSNMP_Tag t;
      t.Name = n;
      tags.push_back(t);
    }
    device->SetTags(tags);
    config().Storage().RebuildPool();
    config().NotifyEdited(device);
    Settle();
    return device;
  }
  // The port's devices (its first child is the link-state list).
  static std::vector<TSNMP*> Devices(TItem* port) {
    std::vector<TSNMP*> out;
    for (int i = 0; i < port->ChildCount(); ++i)
      if (auto* d = dynamic_cast<TSNMP*>(port->Child(i))) out.push_back(d);
    return out;
  }
};

TEST_F(UndoWindowTest, TreeCommandsADragAndADeleteComeBackByteForByte) {
  ShowWindow();
  const auto empty = Records();
  EXPECT_FALSE(window->UndoAction()->isEnabled());

  TItem* snmp = editor()->AddPortCommand(kPortSNMP);
  ASSERT_NE(snmp, nullptr);
  Settle();
  const auto withPort = Records();
  AddDevice(snmp, {"ifInOctets", "ifOutOctets"});
  AddDevice(snmp, {"sysUpTime"});
  const auto withDevices = Records();

  // A PC that passes the first device's two measurements on.
  auto* pc = static_cast<TPC*>(config().Controller().PortIP()->AddChild(kPcCode));
  config().Controller().PortIP()->ChildrenChanged();
  TStorage& pool = config().Storage();
  pool.RebuildPool();
  ASSERT_EQ(Devices(snmp).size(), 2u);
  TParams* first = Devices(snmp)[0]->Child(0)->AsParams();
  ASSERT_NE(first, nullptr);
  for (TParam* s : first->Items) pc->List(kKindTI)->Append(Acquire(s));
  config().NotifyEdited(pc->List(kKindTI));
  Settle();
  const auto withPc = Records();
  const std::string firstName = first->At(0)->Name();

  // Delete the first device: its signals leave the PC's selection.
  ASSERT_TRUE(editor()->Select(Devices(snmp)[0]));
  ASSERT_TRUE(editor()->DeleteCommand());
  Settle();
  const auto deleted = Records();
  EXPECT_NE(deleted, withPc);
  EXPECT_EQ(window->UndoAction()->text().left(10), QStringLiteral("Отменить: "));

  // A second port dragged onto the first: the ports change places.
  TItem* second = editor()->AddPortCommand(kPortSNMP);
  ASSERT_NE(second, nullptr);
  Settle();
  const auto twoPorts = Records();
  ASSERT_TRUE(editor()->DropItem(second, snmp));
  Settle();
  const auto afterDrag = Records();
  EXPECT_NE(afterDrag, twoPorts);
  EXPECT_EQ(window->UndoHistory().UndoName().rfind("Перемещение", 0), 0u)
      << window->UndoHistory().UndoName();

  ASSERT_TRUE(window->UndoCommand());
  EXPECT_EQ(Records(), twoPorts);
  ASSERT_TRUE(window->UndoCommand());
  EXPECT_EQ(Records(), deleted);
  ASSERT_TRUE(window->UndoCommand());
  EXPECT_EQ(Records(), withPc);
  // The restored device's signal is the one the restored PC passes on.
  TPC* restoredPc = nullptr;
  TItem* ip = config().Controller().PortIP();
  for (int i = 0; i < ip->ChildCount() && !restoredPc; ++i)
    restoredPc = dynamic_cast<TPC*>(ip->Child(i));
  ASSERT_NE(restoredPc, nullptr);
  ASSERT_GT(restoredPc->List(kKindTI)->Count(), 0);
  EXPECT_EQ(restoredPc->List(kKindTI)->At(0), pool.FindByName(kKindTI, firstName));

  ASSERT_TRUE(window->UndoCommand());
  EXPECT_EQ(Records(), withDevices);
  ASSERT_TRUE(window->UndoCommand());
  ASSERT_TRUE(window->UndoCommand());
  EXPECT_EQ(Records(), withPort);
  ASSERT_TRUE(window->UndoCommand());
  EXPECT_EQ(Records(), empty);
  EXPECT_FALSE(window->UndoAction()->isEnabled());
  EXPECT_FALSE(window->IsModified()) << "back to the state the window started with";

  while (window->RedoCommand()) {
  }
  EXPECT_EQ(Records(), afterDrag);
  EXPECT_TRUE(window->IsModified());
  EXPECT_TRUE(messages.Errors.empty()) << messages.Errors.front();
}

TEST_F(UndoWindowTest, AFrameEditAndAPoolButtonAreOneStepEach) {
  ShowWindow();
  TItem* snmp = editor()->AddPortCommand(kPortSNMP);
  TSNMP* device = AddDevice(snmp, {"ifInOctets", "ifOutOctets"});
  auto* pc = static_cast<TPC*>(config().Controller().PortIP()->AddChild(kPcCode));
  config().Controller().PortIP()->ChildrenChanged();
  config().Storage().RebuildPool();
  Settle();
  const std::string pcPath = CaptionPath(*pc);
  const std::string devicePath = CaptionPath(*device);

  // The pool page's "Добавить все" into the PC's ТИ list.
  TParams* ti = pc->List(kKindTI);
  ASSERT_TRUE(editor()->Select(ti));
  Settle();
  const auto before = Records();
  editor()->PoolPage()->SetActiveKind(kKindTI);
  editor()->PoolPage()->AddSelected(true);
  Settle();
  EXPECT_EQ(ti->Count(), 2);
  const auto added = Records();
  ASSERT_TRUE(window->UndoCommand());
  EXPECT_EQ(Records(), before);
  ASSERT_TRUE(window->RedoCommand());
  EXPECT_EQ(Records(), added);

  // A frame edit: the device's first spin box, written back when the frame is left. (Undo
  // and redo replace the tree: items are found again by their caption path.)
  ASSERT_TRUE(
      editor()->Select(const_cast<TItem*>(FindByCaptionPath(config().Controller(), devicePath))));
  Settle();
  auto* spin = editor()->CurrentFrame()->findChild<QSpinBox*>();
  ASSERT_NE(spin, nullptr);
  spin->setValue(spin->value() == spin->maximum() ? spin->minimum() : spin->value() + 1);
  const auto unedited = Records();
  ASSERT_TRUE(window->UndoCommand()) << "the open frame's edit is written back and undone";
  EXPECT_EQ(Records(), unedited);
  EXPECT_TRUE(window->RedoCommand());
  EXPECT_NE(Records(), unedited);
  EXPECT_NE(FindByCaptionPath(config().Controller(), pcPath), nullptr);
}

TEST_F(UndoWindowTest, SavingMarksTheCleanStateAndUndoFindsItAgain) {
  ShowWindow();
  editor()->AddPortCommand(kPortSNMP);
  Settle();
  savePath = File(QStringLiteral("a.cfg"));
  ASSERT_TRUE(window->SaveAsCommand());
  EXPECT_FALSE(window->IsModified());
  TItem* snmp = config().Controller().Proc()->Child(1);
  AddDevice(snmp, {"x"});
  EXPECT_TRUE(window->IsModified());
  ASSERT_TRUE(window->UndoCommand());
  EXPECT_FALSE(window->IsModified()) << "undone to what the file holds";
  ASSERT_TRUE(window->UndoCommand());
  EXPECT_TRUE(window->IsModified());

  // Opening a file clears the history.
  openPath = savePath;
  ASSERT_TRUE(window->OpenFile(openPath));
  EXPECT_FALSE(window->UndoAction()->isEnabled());
  EXPECT_FALSE(window->RedoAction()->isEnabled());
}

TEST_F(UndoWindowTest, RecentFilesSurviveTheWindowAndForgetMissingOnes) {
  const QString a = File(QStringLiteral("a.cfg")), b = File(QStringLiteral("b.cfg"));
  savePath = a;
  ASSERT_TRUE(window->SaveAsCommand());
  savePath = b;
  ASSERT_TRUE(window->SaveAsCommand());
  ASSERT_TRUE(window->OpenFile(a));
  EXPECT_EQ(window->RecentFiles(), (QStringList{a, b}));
  window->close();

  window = std::make_unique<ui::TForm1>(home.path(), &messages);
  EXPECT_EQ(window->RecentFiles(), (QStringList{a, b}));
  ASSERT_EQ(window->RecentMenu()->actions().size(), 2);
  EXPECT_TRUE(window->RecentMenu()->actions()[1]->text().endsWith(b));

  ASSERT_TRUE(QFile::remove(b));
  window->RecentMenu()->actions()[1]->trigger();
  ASSERT_FALSE(messages.Errors.empty());
  EXPECT_NE(messages.Errors.back().find("не найден"), std::string::npos);
  EXPECT_EQ(window->RecentFiles(), (QStringList{a}));
  window->RecentMenu()->actions()[0]->trigger();
  EXPECT_EQ(window->ConfigFileName(), a);
}

}  // namespace
}  // namespace vilk::test
