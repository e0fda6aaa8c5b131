// The control-centre PC in the window: its frame, picking its signals from the pool, and
// what is saved.
#include <QFile>

#include "frames/telemechanics/pc_frame.h"
#include "ports/telemechanics/pc.h"
#include "signals/list_frame.h"
#include "signals/storage_page.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

class PcWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ShowWindow();
  }
  TPC* AddPc() {
    editor()->Select(config().Controller().PortIP());
    auto* pc = dynamic_cast<TPC*>(editor()->AddDeviceCommand(kPCKind));
    EXPECT_NE(pc, nullptr);
    Settle();
    return pc;
  }
  ui::TPCFrame* OpenFrame(TPC* pc) {
    editor()->Select(pc);
    Settle();
    return qobject_cast<ui::TPCFrame*>(editor()->CurrentFrame());
  }
};

TEST_F(PcWindowTest, PcsAreNumberedByPlaceAndNameTheirLinkStates) {
  TPC* first = AddPc();
  TPC* second = AddPc();
  EXPECT_EQ(first->Caption(), "1_Порт ПЭВМ");
  EXPECT_EQ(second->Caption(), "2_Порт ПЭВМ");
  auto* frame = OpenFrame(first);
  ASSERT_NE(frame, nullptr);
  auto* place = frame->findChild<QLineEdit*>(QStringLiteral("Место установки"));
  ASSERT_NE(place, nullptr);
  place->setText(QStringLiteral("ДП"));
  editor()->Select(config().Controller().PortIP());  // the frame is written back
  TParams* links = config().Controller().PortIP()->LinkStates();
  ASSERT_NE(links, nullptr);
  ASSERT_EQ(links->Count(), 2);
  EXPECT_EQ(links->At(0)->Name(), "0_Порт_IP.связь_1_Порт ПЭВМ_ДП");
  EXPECT_EQ(links->At(1)->Name(), "0_Порт_IP.связь_2_Порт ПЭВМ_2");

  editor()->Select(first);
  messages.SetAnswer(Answer::Yes);
  ASSERT_TRUE(editor()->DeleteCommand());
  EXPECT_EQ(messages.Questions.back(), "Удалить блок 1_Порт ПЭВМ ?");
  EXPECT_EQ(second->Caption(), "1_Порт ПЭВМ") << "renumbered after the delete";
}

TEST_F(PcWindowTest, FrameStoresSecondsBitsAndFormatRules) {
  TPC* pc = AddPc();
  ui::TPCFrame* frame = OpenFrame(pc);
  ASSERT_NE(frame, nullptr);
  // Row 3 of the discrete-input column is the interrogation format; 30 allows 16 at most.
  frame->FormatBox(3, 0)->setCurrentIndex(frame->FormatBox(3, 0)->findData(30));
  frame->FormatBox(0, 0)->setCurrentIndex(frame->FormatBox(0, 0)->findData(24));
  EXPECT_EQ(frame->FormatBox(0, 0)->currentData().toInt(), 16);
  frame->FormatBox(0, 1)->setCurrentIndex(frame->FormatBox(0, 1)->findData(24));
  EXPECT_EQ(frame->FormatBox(0, 1)->currentData().toInt(), 24);
  frame->FormatBox(2, 1)->setCurrentIndex(frame->FormatBox(2, 1)->findData(36));
  EXPECT_EQ(frame->FormatBox(0, 1)->currentData().toInt(), 16);

  for (QCheckBox* box : frame->findChildren<QCheckBox*>()) {
    if (box->text() == QStringLiteral("Разрешить исполнение ТУ, ТР")) box->setChecked(false);
    if (box->text() == QStringLiteral("Разрешить запись файлов")) box->setChecked(false);
  }
  editor()->StoreFrame();
  EXPECT_EQ(pc->TSFormat[3], 30);
  EXPECT_EQ(pc->TSFormat[0], 16);
  EXPECT_EQ(pc->TIFormat[2], 36);
  EXPECT_EQ(pc->TIFormat[0], 16);
  EXPECT_EQ(pc->Permissions, 2) << "bit 1 set means commands are NOT allowed";
  EXPECT_EQ(pc->T1, 15000u);
  EXPECT_EQ(frame->UpdatePeriod()->text(), QStringLiteral("0 с"));
}

TEST_F(PcWindowTest, AddressTabNeedsFirmwareSeven) {
  TPC* pc = AddPc();
  EXPECT_TRUE(OpenFrame(pc)->Tabs()->isTabEnabled(1));
  config().Controller().Record.Minor = 6;
  editor()->Select(config().Controller().Proc());
  EXPECT_FALSE(OpenFrame(pc)->Tabs()->isTabEnabled(1));
}

TEST_F(PcWindowTest, SignalsPickedByButtonAndDragKeepTheirOrderAndAddresses) {
  FieldPort* port = AddFieldPort(config(), 1, "Dev", 6, 0, 0);
  TPC* pc = AddPc();
  TParams* sel = pc->List(kKindTS);
  editor()->Select(sel);
  Settle();
  auto* frame = qobject_cast<ui::TFrameParams*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  ui::TStoragePage* page = editor()->PoolPage();
  EXPECT_EQ(page->ActiveKind(), kKindTS);

  // By button: the port's inputs 1 and 2.
  ClearSelection(config().Storage().List(kKindTS));
  port->TS()->At(1)->Selected = port->TS()->At(2)->Selected = true;
  QTest::mouseClick(page->Button(QStringLiteral("Добавить выбранные")), Qt::LeftButton);
  ASSERT_EQ(sel->Count(), 2);
  // By drag: input 4 dropped before row 0.
  ClearSelection(config().Storage().List(kKindTS));
  port->TS()->At(4)->Selected = true;
  frame->View()->DropFrom(page->View(kKindTS), 0);
  ASSERT_EQ(sel->Count(), 3);
  EXPECT_EQ(sel->At(0), port->TS()->At(4));
  EXPECT_EQ(sel->At(1), port->TS()->At(1));
  // Reorder inside the list: row 2 to the top.
  ClearSelection(*sel);
  sel->At(2)->Selected = true;
  frame->View()->DropFrom(frame->View(), 0);
  EXPECT_EQ(sel->At(0), port->TS()->At(2));

  const auto addressColumn = frame->View()->Model()->ColumnOf(ui::SignalColumn::Address);
  EXPECT_EQ(frame->View()->Model()->index(2, addressColumn).data().toString(),
            QStringLiteral(" 8194"));

  // The saved selection holds pool positions (key 1): the pool starts with the PC's link
  // state, then the port's six inputs.
  savePath = File("pc.cfg");
  ASSERT_TRUE(window->SaveCommand());
  const int i2 = config().Storage().IndexOf(kKindTS, port->TS()->At(2));
  const int i4 = config().Storage().IndexOf(kKindTS, port->TS()->At(4));
  const int i1 = config().Storage().IndexOf(kKindTS, port->TS()->At(1));
  EXPECT_EQ(i1, 2);
  EXPECT_EQ(i4, 5);
  EXPECT_EQ(i2, 3);
  QFile f(savePath);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  // The TS selection block: count key 13 = 3, then key 1 with 3, 5, 2 as 16-bit values.
  const QByteArray key1("\xF2\xFF\x01\x00\x0E\x00\x00\x00\x03\x00\x05\x00\x02\x00", 14);
  EXPECT_TRUE(bytes.contains(key1));
}

TEST_F(PcWindowTest, ExportButtonsWriteTheFiles) {
  AddFieldPort(config(), 1, "Dev", 2, 0, 0);
  TPC* pc = AddPc();
  ClearSelection(config().Storage().List(kKindTS));
  SelectAll(config().Storage().List(kKindTS));
  AddFromPool(*pc->List(kKindTS), config().Storage().List(kKindTS), false);
  ui::TPCFrame* frame = OpenFrame(pc);
  ASSERT_NE(frame, nullptr);
  frame->ChooseFile = [this](const QString& filter, const QString&) {
    return File(filter.contains(QStringLiteral("XML")) ? QStringLiteral("pc.xml")
                                                       : QStringLiteral("pc.ini"));
  };
  EXPECT_TRUE(frame->ExportXml());
  EXPECT_TRUE(frame->ExportIni());
  QFile xml(File("pc.xml")), ini(File("pc.ini"));
  ASSERT_TRUE(xml.open(QIODevice::ReadOnly));
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  const QByteArray x = xml.readAll();
  EXPECT_TRUE(x.startsWith("<?xml version=\"1.0\" encoding=\"windows-1251\"?> \r\n"));
  EXPECT_TRUE(x.contains("<Item name=\"\xC2\xF5\xEE\xE4\x31\" address=\"1\" />"))
      << "Dev.Вход1 in cp1251";
  EXPECT_TRUE(ini.readAll().contains("[TS.Dev]\r\n"));
}

}  // namespace
}  // namespace vilk::test
