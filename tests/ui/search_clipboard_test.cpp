// Search in the window (a signal among 8,192 found and its row selected), copy and paste of
// a device between two ports, and the tree's Delete and Insert keys.
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTemporaryDir>
#include <functional>

#include "model/show.h"
#include "search_dialog.h"
#include "signals/list_frame.h"
#include "signals/storage_page.h"
#include "snmp/mib_dialog.h"
#include "snmp/port_snmp.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

class SearchClipboardTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ResetKindRegistry();  // the real SNMP port and device
  }
  TSNMP* AddDevice(TItem* port, int tags, const char* stem) {
    auto* device = static_cast<TSNMP*>(port->AddChild(kSNMPDevice));
    TSNMP_TagList list(static_cast<std::size_t>(tags));
    for (int i = 0; i < tags; ++i)
      list[static_cast<std::size_t>(i)].Name = stem + std::to_string(i);
    device->SetTags(list);
    config().Storage().RebuildPool();
    Settle();
    return device;
  }
  static std::vector<TSNMP*> Devices(TItem* port) {
    std::vector<TSNMP*> out;
    for (int i = 0; i < port->ChildCount(); ++i)
      if (auto* d = dynamic_cast<TSNMP*>(port->Child(i))) out.push_back(d);
    return out;
  }
};

TEST_F(SearchClipboardTest, SearchFindsASignalAmong8192AndSelectsItsRow) {
  ShowWindow();
  TItem* port = editor()->AddPortCommand(kPortSNMP);
  TSNMP* device = AddDevice(port, 8192, "tag");
  ui::SearchDialog* search = window->ShowSearch();
  ASSERT_NE(search, nullptr);
  EXPECT_TRUE(window->Action(QStringLiteral("Найти..."))->shortcuts().contains(QKeySequence::Find));

  search->Edit()->setText(QStringLiteral("TAG8191"));
  ASSERT_EQ(search->Results()->count(), 1);
  EXPECT_TRUE(search->Results()->item(0)->text().contains(QStringLiteral("№ 8191")))
      << search->Results()->item(0)->text().toStdString();
  QTest::keyClick(search->Edit(), Qt::Key_Return);
  auto* frame = qobject_cast<ui::TFrameParams*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->List()->Owner, device);
  EXPECT_EQ(frame->View()->CurrentRow(), 8191);
  EXPECT_TRUE(frame->List()->At(8191)->Selected);
  EXPECT_FALSE(frame->List()->At(0)->Selected);

  // Many hits: the first thousand shown, all counted.
  search->Edit()->setText(QStringLiteral("tag1"));
  EXPECT_EQ(search->Results()->count(), static_cast<int>(ui::SearchDialog::kShown));
  EXPECT_TRUE(search->Summary()->text().startsWith(QStringLiteral("Найдено: 1111")))
      << search->Summary()->text().toStdString();

  // A change of the configuration is found at the next keystroke.
  device->Measurements()->At(5)->SetName("Особый");
  config().NotifyEdited(device->Measurements());
  search->Edit()->setText(QStringLiteral("особ"));
  EXPECT_EQ(search->Results()->count(), 1);
}

TEST_F(SearchClipboardTest, CopyAndPasteADeviceBetweenTwoPortsAndTheTreeKeys) {
  ShowWindow();
  TItem* first = editor()->AddPortCommand(kPortSNMP);
  TSNMP* device = AddDevice(first, 3, "ifIn");
  TItem* second = editor()->AddPortCommand(kPortSNMP);
  static_cast<TPortSNMP*>(second)->Renumber(2);  // new ports all start at address 1
  Settle();

  ASSERT_TRUE(editor()->Select(device));
  editor()->Tree()->setFocus();
  QTest::keyClick(editor()->Tree(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_TRUE(editor()->HasCopy());
  ASSERT_TRUE(editor()->Select(second));
  QTest::keyClick(editor()->Tree(), Qt::Key_V, Qt::ControlModifier);
  Settle();
  ASSERT_EQ(Devices(second).size(), 1u) << "pasted under the second port";
  TSNMP* pasted = Devices(second)[0];
  EXPECT_EQ(editor()->CurrentItem(), pasted);
  EXPECT_EQ(pasted->Device.Tags, device->Device.Tags);
  EXPECT_EQ(Devices(first).size(), 1u) << "the original stays";
  // Its signals are its own, under its own prefix.
  TParams* copied = pasted->Measurements();
  ASSERT_NE(copied, nullptr);
  ASSERT_EQ(copied->Count(), 3);
  EXPECT_NE(copied->At(0), device->Measurements()->At(0));
  EXPECT_EQ(copied->At(0)->Name().rfind("2_Порт.", 0), 0u) << copied->At(0)->Name();
  EXPECT_NE(copied->At(0)->Name(), device->Measurements()->At(0)->Name());

  // Delete asks and removes; the answer No keeps it.
  messages.SetAnswer(Answer::No);
  QTest::keyClick(editor()->Tree(), Qt::Key_Delete);
  EXPECT_EQ(Devices(second).size(), 1u);
  messages.SetAnswer(Answer::Yes);
  QTest::keyClick(editor()->Tree(), Qt::Key_Delete);
  EXPECT_EQ(Devices(second).size(), 0u);
  EXPECT_FALSE(messages.Questions.empty());

  // Insert on a port with one add command adds a device.
  ASSERT_TRUE(editor()->Select(second));
  QTest::keyClick(editor()->Tree(), Qt::Key_Insert);
  Settle();
  EXPECT_EQ(Devices(second).size(), 1u);

  // Pasting once the copied node is gone says so.
  ASSERT_TRUE(editor()->Select(device));
  editor()->CopyCommand();
  messages.SetAnswer(Answer::Yes);
  ASSERT_TRUE(editor()->DeleteCommand());
  ASSERT_TRUE(editor()->Select(second));
  EXPECT_EQ(editor()->PasteCommand(), nullptr);
  EXPECT_NE(messages.Errors.back().find("больше нет"), std::string::npos);
}

TEST_F(SearchClipboardTest, ThePoolPageAndTheMibTreeFilterTheirRows) {
  ShowWindow();
  TItem* port = editor()->AddPortCommand(kPortSNMP);
  AddDevice(port, 30, "ifInOctets");
  ui::TStoragePage* page = editor()->PoolPage();
  page->SetActiveKind(kKindTI);
  ui::SignalTableView* view = page->View(kKindTI);
  ASSERT_EQ(view->Model()->rowCount({}), 30);
  auto shown = [view] {
    std::vector<int> rows;
    for (int r = 0; r < view->Model()->rowCount({}); ++r)
      if (!view->isRowHidden(r)) rows.push_back(r);
    return rows;
  };
  page->Filter()->setText(QStringLiteral("OCTETS2"));
  EXPECT_EQ(shown(), (std::vector<int>{2, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29}));
  page->Refresh();  // a redraw keeps the filter
  EXPECT_EQ(shown().size(), 11u);
  page->Filter()->clear();
  EXPECT_EQ(shown().size(), 30u);

  ui::TMIBdlg dialog(window.get());
  dialog.MibFolder = VILK_TEST_DATA "/mibs";
  dialog.FileEdit()->setText(QStringLiteral(VILK_TEST_DATA "/mibs/IF-MIB"));
  dialog.Load();
  dialog.TreeFilter()->setText(QStringLiteral("ifinoctets"));
  // Every visible leaf matches; the nodes above a match stay to reach it.
  int visibleMatches = 0, visibleOthers = 0;
  std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
    for (int r = 0; r < dialog.Model()->rowCount(parent); ++r) {
      const QModelIndex i = dialog.Model()->index(r, 0, parent);
      if (dialog.Tree()->isRowHidden(r, parent)) continue;
      const bool leaf = dialog.Model()->rowCount(i) == 0;
      if (i.data().toString().contains(QStringLiteral("ifInOctets"), Qt::CaseInsensitive))
        ++visibleMatches;
      else if (leaf)
        ++visibleOthers;
      walk(i);
    }
  };
  walk({});
  EXPECT_GE(visibleMatches, 1);
  EXPECT_EQ(visibleOthers, 0);
}

TEST_F(SearchClipboardTest, ADeviceCopiedInOneWindowIsPastedInAnother) {
  ShowWindow();
  TItem* port = editor()->AddPortCommand(kPortSNMP);
  TSNMP* device = AddDevice(port, 3, "ifOut");
  device->Place = "Щит 2";
  ASSERT_TRUE(editor()->Select(device));
  ASSERT_TRUE(editor()->CopyCommand());

  QTemporaryDir otherHome;
  RecordingMessages otherMessages;
  ui::TForm1 other(otherHome.path(), &otherMessages);
  TItem* otherPort = other.Editor()->AddPortCommand(kPortSNMP);
  ASSERT_NE(otherPort, nullptr);
  static_cast<TPortSNMP*>(otherPort)->Renumber(4);
  ASSERT_TRUE(other.Editor()->Select(otherPort));
  TItem* pasted = other.Editor()->PasteCommand();
  ASSERT_NE(pasted, nullptr) << (otherMessages.Errors.empty() ? "" : otherMessages.Errors.back());
  auto* copy = dynamic_cast<TSNMP*>(pasted);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Parent(), otherPort);
  EXPECT_EQ(copy->Device.Tags, device->Device.Tags);
  EXPECT_EQ(copy->Place, "Щит 2");
  ASSERT_NE(copy->Measurements(), nullptr);
  EXPECT_EQ(copy->Measurements()->At(0)->Name().rfind("4_Порт.", 0), 0u)
      << copy->Measurements()->At(0)->Name();
  EXPECT_EQ(Devices(otherPort).size(), 1u) << "the scratch device is gone";
  EXPECT_EQ(other.Config().Storage().FindByName(kKindTI, copy->Measurements()->At(0)->Name()),
            copy->Measurements()->At(0));

  // A block whose length says more than it holds is refused with the reason.
  auto* bad = new QMimeData;
  bad->setData(QStringLiteral("application/x-vilk-origin"), "elsewhere");
  bad->setData(QStringLiteral("application/x-vilk-device"),
               QByteArray("\xf1\xff\xe8\x00\x40\x00\x00\x00 12345678", 17));
  QGuiApplication::clipboard()->setMimeData(bad);
  EXPECT_EQ(other.Editor()->PasteCommand(), nullptr);
  ASSERT_FALSE(otherMessages.Errors.empty());
  EXPECT_NE(otherMessages.Errors.back().find("повреждены"), std::string::npos)
      << otherMessages.Errors.back();
  EXPECT_EQ(Devices(otherPort).size(), 1u);
}

}  // namespace
}  // namespace vilk::test
