// The table editor driven by keys (typing rules, Enter block fill, arrows that grow the
// table, the row commands) and the IEC-103 frames in the window: the tables shown and
// read back, Cancel on a bad cell, a type change on a fresh device, the address dialog.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include "frames/fieldbus/iec103_frames.h"
#include "frames/fieldbus/select_rtu.h"
#include "frames/fieldbus/table_frame.h"
#include "ports/fieldbus/iec103.h"
#include "ports/fieldbus/templates.h"
#include "signals/params.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

// Sends each character of `text` to whatever has the focus (the grid opens a cell editor
// at the first key, which takes the focus).
void Type(const QString& text) {
  for (const QChar c : text) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, c.toLatin1());
  }
}
void Press(Qt::Key key) {
  QWidget* target = QApplication::focusWidget();
  ASSERT_NE(target, nullptr);
  QTest::keyClick(target, key);
}
QString CellText(const ui::TTableFrame& t, int row, int col) {
  const QTableWidgetItem* item = t.item(row, col);
  return item ? item->text() : QString();
}
QAction* MenuCommand(ui::TTableFrame& t, const QString& text) {
  for (QAction* a : t.PopupMenu()->actions())
    if (a->text() == text) return a;
  return nullptr;
}

class TableEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table = std::make_unique<ui::TTableFrame>(Iec103TableModel(kKindTI), nullptr);
    table->resize(500, 300);
    table->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(table.get()));
    table->activateWindow();
    table->setFocus();
  }
  // Types into a cell and commits with Return.
  void TypeCell(int row, int col, const QString& text) {
    table->setFocus();
    table->setCurrentCell(row, col);
    Type(text);
    Press(Qt::Key_Return);
    table->setFocus();
  }
  std::unique_ptr<ui::TTableFrame> table;
};

TEST_F(TableEditorTest, KeysThatWouldBreakTheColumnAreRefused) {
  TypeCell(0, 0, QStringLiteral("255"));
  EXPECT_EQ(CellText(*table, 0, 0), QStringLiteral("255"));
  // "256": the third key is refused; letters never go in.
  TypeCell(0, 1, QStringLiteral("25a6"));
  EXPECT_EQ(CellText(*table, 0, 1), QStringLiteral("25"));
  // The word number (1..32) takes 0 while typing; 33 stops at the second key.
  TypeCell(0, 2, QStringLiteral("0"));
  EXPECT_EQ(CellText(*table, 0, 2), QStringLiteral("0"));
  TypeCell(0, 2, QStringLiteral("33"));
  EXPECT_EQ(CellText(*table, 0, 2), QStringLiteral("3"));
  EXPECT_EQ(table->Model().Cell(0, 1), "25");
  EXPECT_EQ(table->Model().Cell(0, 2), "3");
  // Backspace inside a cell: "3" -> "" is allowed.
  table->setCurrentCell(0, 2);
  Press(Qt::Key_F2);
  Press(Qt::Key_Backspace);
  Press(Qt::Key_Return);
  EXPECT_EQ(table->Model().Cell(0, 2), "");
}

TEST_F(TableEditorTest, ArrowsGrowTheTableAndEnterFillsTheBlock) {
  TypeCell(0, 0, QStringLiteral("7"));
  TypeCell(0, 1, QStringLiteral("9"));
  // Down on the last row appends one; Right in the last column goes to the next row.
  table->setCurrentCell(0, 1);
  Press(Qt::Key_Down);
  EXPECT_EQ(table->rowCount(), 2);
  EXPECT_EQ(table->currentRow(), 1);
  table->setCurrentCell(1, 2);
  Press(Qt::Key_Right);
  EXPECT_EQ(table->rowCount(), 3);
  EXPECT_EQ(table->currentRow(), 2);
  EXPECT_EQ(table->currentColumn(), 0);
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  ASSERT_EQ(table->rowCount(), 5);

  // Rows 1 to 4 of columns 1 and 2 selected, the caret on row 1: Enter copies row 1 down.
  table->setCurrentCell(0, 0);
  table->setRangeSelected(QTableWidgetSelectionRange(0, 0, 3, 1), true);
  Press(Qt::Key_Return);
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(CellText(*table, r, 0), QStringLiteral("7")) << r;
    EXPECT_EQ(CellText(*table, r, 1), QStringLiteral("9")) << r;
    EXPECT_EQ(CellText(*table, r, 2), QString()) << r;
  }
  EXPECT_EQ(CellText(*table, 4, 0), QString());
}

TEST_F(TableEditorTest, RowCommandsInsertCopyAndDelete) {
  table->Model().Reset({{"1", "2", "3"}, {"4", "5", "6"}});
  table->ShowModel();
  table->setCurrentCell(1, 0);
  MenuCommand(*table, QStringLiteral("Вставить  пустую строку"))->trigger();
  ASSERT_EQ(table->rowCount(), 3);
  EXPECT_EQ(CellText(*table, 1, 0), QString());
  EXPECT_EQ(CellText(*table, 2, 0), QStringLiteral("4"));
  table->setCurrentCell(2, 0);
  MenuCommand(*table, QStringLiteral("Вставить копию строки"))->trigger();
  ASSERT_EQ(table->rowCount(), 4);
  EXPECT_EQ(CellText(*table, 2, 2), QStringLiteral("6"));
  EXPECT_EQ(CellText(*table, 3, 2), QStringLiteral("6"));
  table->setCurrentCell(1, 0);
  MenuCommand(*table, QStringLiteral("Удалить строку"))->trigger();
  ASSERT_EQ(table->rowCount(), 3);
  EXPECT_EQ(CellText(*table, 1, 0), QStringLiteral("4"));
  // The last row is only emptied.
  table->setCurrentCell(2, 0);
  MenuCommand(*table, QStringLiteral("Удалить строку"))->trigger();
  ASSERT_EQ(table->rowCount(), 3);
  EXPECT_EQ(CellText(*table, 2, 0), QString());
  // Row numbers are the vertical header's.
  EXPECT_EQ(table->model()->headerData(2, Qt::Vertical).toString(), QStringLiteral("3"));
  EXPECT_EQ(table->horizontalHeaderItem(2)->text(), QStringLiteral(" Номер слова"));
}

TEST_F(TableEditorTest, TextFilesThroughTheMenu) {
  QTemporaryDir dir;
  table->Model().Reset({{"1", "", "3"}, {}});
  table->ShowModel();
  const QString path = dir.filePath(QStringLiteral("t.txt"));
  QString suggested;
  table->ChooseFile = [&](bool, const QString& s) {
    suggested = s;
    return path;
  };
  MenuCommand(*table, QStringLiteral("Сохранить таблицу в текстовом файле"))->trigger();
  EXPECT_TRUE(suggested.endsWith(QDate::currentDate().toString(QStringLiteral("_yyyy_MM_dd")) +
                                 QStringLiteral(".txt")))
      << suggested.toStdString();
  table->Model().Clear();
  table->ShowModel();
  MenuCommand(*table, QStringLiteral("Читать таблицу из текстового файла"))->trigger();
  ASSERT_EQ(table->rowCount(), 2);
  EXPECT_EQ(CellText(*table, 0, 1), QString());
  EXPECT_EQ(CellText(*table, 0, 2), QStringLiteral("3"));
  // A bad file is refused with a message and the table stays.
  QFile bad(path);
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("1\t2\t99\t\r\n");
  bad.close();
  QString shown;
  table->ShowError = [&](const QString& m) { shown = m; };
  MenuCommand(*table, QStringLiteral("Читать таблицу из текстового файла"))->trigger();
  EXPECT_TRUE(shown.contains(QStringLiteral("недопустимое значение \"99\"")))
      << shown.toStdString();
  EXPECT_EQ(CellText(*table, 0, 2), QStringLiteral("3"));
}

TEST(Iec103ParamDialogTest, SelectedLinesFillRowsAfterTheLastFilledOne) {
  TableModel model = Iec103TableModel(kKindTI);
  model.Reset({{"1", "2", "3"}, {}});
  ui::TSelectParamIEC103 dialog(nullptr, QStringLiteral("Список ТИ"), model,
                                {{"128 148 1", "Ua"}, {"128 148 2", "Ub"}, {"128 148 3", "Uc"}});
  ASSERT_EQ(dialog.List()->count(), 3);
  EXPECT_EQ(dialog.List()->item(0)->text(), QStringLiteral("128 148 1=Ua"));
  dialog.List()->item(0)->setSelected(true);
  dialog.List()->item(2)->setSelected(true);
  QTest::mouseClick(dialog.AddButton(), Qt::LeftButton);
  const TableModel& grid = dialog.Grid()->Model();
  ASSERT_EQ(grid.RowCount(), 3);
  EXPECT_EQ(grid.Cell(0, 0), "1");
  EXPECT_EQ(grid.Cell(1, 0), "128");
  EXPECT_EQ(grid.Cell(1, 2), "1");
  EXPECT_EQ(grid.Cell(2, 1), "148");
  EXPECT_EQ(grid.Cell(2, 2), "3");
}

class Iec103WindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("IEC_103")));
    IniDocument ini;
    ini.WriteString("Устройства", "Sirius", "");
    ini.WriteString("Таблица ТС", "ТС_1", "160 16");
    ini.WriteString("Таблица ТИ", "ТИ_1", "128 148 1");
    ini.WriteString("Список ТС", "160 16", "Выключатель");
    ini.WriteString("Список ТС", "160 17", "Тележка");
    ASSERT_TRUE(ini.SaveFile(
        QDir(home.path()).filePath(QStringLiteral("IEC_103/Sirius.ini")).toStdString()));
    SetTemplateHome(home.path().toStdString());
    Iec103Templates().Reset();
    ShowWindow();
    editor()->Select(config().Controller().Proc());
    Settle();
    for (QAction* a : editor()->ContextMenu()->actions())
      if (a->data().isValid() && a->data().toInt() == kPort103) a->trigger();
    port = dynamic_cast<TPort103*>(editor()->CurrentItem());
    ASSERT_NE(port, nullptr);
  }
  void TearDown() override {
    WindowTest::TearDown();
    SetTemplateHome("");
    Iec103Templates().Reset();
  }
  ui::TRTU103Frame* Open(TItem* device) {
    editor()->Select(device);
    Settle();
    return qobject_cast<ui::TRTU103Frame*>(editor()->CurrentFrame());
  }
  TPort103* port = nullptr;
};

TEST_F(Iec103WindowTest, TheFrameShowsTheTablesAndReadsThemBack) {
  TRTU103* d = port->AddDevices({{5, "Sirius"}})[0];
  ui::TRTU103Frame* frame = Open(d);
  ASSERT_NE(frame, nullptr);
  ui::TTableFrame* ts = frame->Table(kKindTS);
  // One entry from the template and the empty row to type into.
  ASSERT_EQ(ts->rowCount(), 2);
  EXPECT_EQ(CellText(*ts, 0, 0), QStringLiteral("160"));
  EXPECT_TRUE(frame->ChooseButton(kKindTS)->isEnabled());
  frame->Tabs()->setCurrentIndex(0);
  ts->setFocus();
  ts->setCurrentCell(1, 0);
  Type(QStringLiteral("160"));
  Press(Qt::Key_Tab);
  Type(QStringLiteral("17"));
  Press(Qt::Key_Return);
  ASSERT_TRUE(editor()->StoreFrame());
  EXPECT_EQ(d->TS, (Iec103Table{{160, 16, 0}, {160, 17, 0}}));
  const TParams* list = d->List(kKindTS);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ(list->At(1)->Name(), "1_Порт.5_Sirius.Тележка");
}

TEST_F(Iec103WindowTest, CancelOnABadCellKeepsTheDeviceAndTheFrame) {
  TRTU103* d = port->AddDevices({{5, "Sirius"}})[0];
  ui::TRTU103Frame* frame = Open(d);
  ASSERT_NE(frame, nullptr);
  ui::TTableFrame* ti = frame->Table(kKindTI);
  frame->Tabs()->setCurrentIndex(0);
  // A word number 0 (typing allows it) in a new row, and a ТС row added too.
  ti->Model().SetCell(1, 0, "128");
  ti->Model().SetCell(1, 1, "148");
  ti->Model().SetCell(1, 2, "0");
  ti->ShowModel();
  ui::TTableFrame* ts = frame->Table(kKindTS);
  ts->Model().SetCell(1, 0, "1");
  ts->ShowModel();
  QString asked;
  ti->CellBox = [&](const QString& m) {
    asked = m;
    return false;  // Cancel
  };
  const Iec103Table before = d->TI;
  // Leaving the device is refused: the frame stays on the bad cell, the device unchanged.
  editor()->Select(port);
  Settle();
  EXPECT_EQ(editor()->CurrentFrame(), frame);
  EXPECT_EQ(editor()->CurrentItem(), d);
  EXPECT_TRUE(asked.contains(QStringLiteral("Ячейка таблицы (строка 2, колонка 3)")))
      << asked.toStdString();
  EXPECT_TRUE(asked.contains(QStringLiteral("Cancel - возврат к редактированию")));
  EXPECT_EQ(frame->Tabs()->currentIndex(), 2);
  EXPECT_EQ(ti->currentRow(), 1);
  EXPECT_EQ(ti->currentColumn(), 2);
  EXPECT_EQ(d->TI, before);
  EXPECT_EQ(d->TS.size(), 1u);  // the ТС table read before it is not taken either
  // A save stops too.
  savePath = File(QStringLiteral("x.cfg"));
  EXPECT_FALSE(window->SaveAsCommand());
  EXPECT_FALSE(QFile::exists(savePath));

  // Ignore reads the cell as 0 and goes on.
  ti->CellBox = [](const QString&) { return true; };
  ASSERT_TRUE(editor()->StoreFrame());
  EXPECT_EQ(d->TI.back(), (Iec103Entry{128, 148, 0}));
  EXPECT_EQ(d->TS.size(), 2u);
}

TEST_F(Iec103WindowTest, AChangeOfTypeIsAppliedToAFreshDevice) {
  TRTU103* d = port->AddDevices({{3, ""}})[0];
  ASSERT_TRUE(d->Fresh);
  ui::TRTU103Frame* frame = Open(d);
  ASSERT_NE(frame, nullptr);
  const int i = frame->TypeBox()->findText(QStringLiteral("Sirius"));
  ASSERT_GE(i, 0);
  frame->TypeBox()->setCurrentIndex(i);
  emit frame->TypeBox()->activated(i);
  EXPECT_EQ(d->Name(), "Sirius");
  EXPECT_EQ(d->Caption(), "3_Sirius");
  EXPECT_EQ(d->TS, (Iec103Table{{160, 16, 0}}));
  EXPECT_EQ(CellText(*frame->Table(kKindTI), 0, 2), QStringLiteral("1"));
}

TEST_F(Iec103WindowTest, ThePortFrameShowsItsDevicesBoardAndTimes) {
  port->AddDevices({{4, ""}, {6, ""}});
  editor()->Select(config().Controller().Proc());
  Settle();
  editor()->Select(port);
  Settle();
  auto* frame = qobject_cast<ui::TPort103Frame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->CountLabel()->text(), QStringLiteral("Количество подключенных устройств = 2"));
  EXPECT_EQ(frame->AddressEdit()->text(), QStringLiteral("1"));
  // The first entry is "no board"; choosing a board links it and enables "Настроить".
  ASSERT_GE(frame->BoardBox()->count(), 2);
  EXPECT_FALSE(frame->TuneButton()->isEnabled());
  emit frame->BoardBox()->activated(1);
  EXPECT_NE(port->LinkedBoard, nullptr);
  EXPECT_TRUE(frame->TuneButton()->isEnabled());
  auto* poll = frame->findChild<QSpinBox*>(QStringLiteral("Период общего опроса, мин"));
  auto* wait = frame->findChild<QSpinBox*>(QStringLiteral("Время ожидания ответа, мс"));
  ASSERT_TRUE(poll && wait);
  EXPECT_EQ(wait->value(), 300);
  EXPECT_EQ(wait->singleStep(), 100);
  EXPECT_EQ(poll->maximum(), 60000);
  poll->setValue(15);
  ASSERT_TRUE(editor()->StoreFrame());
  EXPECT_EQ(port->GeneralPoll, 15u * 60000u);
  // A new port address renames the devices' signals and link states.
  port->Renumber(4);
  EXPECT_EQ(port->Devices103()[0]->ListPrefix, "4_Порт");
}

TEST_F(Iec103WindowTest, TheAddCommandAsksForAddressesAndTypes) {
  editor()->Select(port);
  Settle();
  bool ran = false;
  QTimer::singleShot(0, [&ran] {
    auto* dialog = qobject_cast<ui::TSelectRTU*>(QApplication::activeModalWidget());
    if (!dialog) return;
    ran = true;
    dialog->TypeBox()->setCurrentIndex(dialog->TypeBox()->findText(QStringLiteral("Sirius")));
    QTest::mouseClick(dialog->Button(9), Qt::LeftButton);
    QTest::mouseClick(dialog->AddButton(), Qt::LeftButton);
  });
  for (QAction* a : editor()->ContextMenu()->actions())
    if (a->data().isValid() && a->data().toInt() == kDevice103) a->trigger();
  Settle();
  ASSERT_TRUE(ran);
  ASSERT_EQ(port->Devices103().size(), 1u);
  EXPECT_EQ(port->Devices103()[0]->Caption(), "9_Sirius");
  EXPECT_EQ(port->DeviceCount, 1);
}

}  // namespace
}  // namespace vilk::test
