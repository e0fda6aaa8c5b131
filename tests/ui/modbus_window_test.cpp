// Modbus ports and devices in the window: the address dialog of the add command, the
// device frame's grids and commands, the pattern, templates, and the dialogs that fill
// tables and logs from a template.
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <functional>

#include "base/ini.h"
#include "controller/controller.h"
#include "controller/proc.h"
#include "controller/rs232.h"
#include "frames/fieldbus/modbus_port_frames.h"
#include "frames/fieldbus/name_edit.h"
#include "frames/fieldbus/rtu_frame.h"
#include "frames/fieldbus/select_param.h"
#include "frames/fieldbus/select_rtu.h"
#include "ports/fieldbus/modbus.h"
#include "ports/fieldbus/templates.h"
#include "signals/params.h"
#include "theme.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

std::vector<std::string> Names(const TParams* list) {
  std::vector<std::string> names;
  if (list)
    for (int i = 0; i < list->Count(); ++i) names.push_back(list->At(i)->Name());
  return names;
}

// Runs `drive` on the modal dialog of type D that the next command opens; `ran` tells
// whether it was there.
template <typename D>
void OnDialog(std::function<void(D*)> drive, bool& ran) {
  ran = false;
  QTimer::singleShot(0, [drive, &ran] {
    QWidget* modal = QApplication::activeModalWidget();
    auto* dialog = qobject_cast<D*>(modal);
    if (!dialog) {
      if (modal) modal->close();
      return;
    }
    ran = true;
    drive(dialog);
  });
}

QPushButton* ButtonNamed(QWidget* parent, const QString& text) {
  for (QPushButton* b : parent->findChildren<QPushButton*>())
    if (b->text() == text) return b;
  return nullptr;
}

class ModbusWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("MODBUS")));
    WriteTemplate("Meter.ini", {{"Устройства", "Meter", ""},
                                {"Таблица ТС", "1_Адрес", "$0010"},
                                {"Таблица ТС", "1_Количество", "3"},
                                {"Таблица ТС", "1_Функция", "2"},
                                {"Таблица ТИ", "1_Тип", "2"},
                                {"Таблица ТИ", "1_Адрес", "$0100"},
                                {"Таблица ТИ", "1_Количество", "4"},
                                {"Таблица ТИ", "1_Функция", "4"},
                                {"Список ТС", "$0010", "Авария"},
                                {"Список ТС", "$0011", "Питание"},
                                {"Список ТС", "$0012", "Дверь"},
                                {"Список ТС", "$0020", "Вход 1"},
                                {"Список ТС", "$0021", "Вход 2"},
                                {"Список ТС", "$0022", "Вход 3"},
                                {"Список ТИ", "$0100", "Ток"},
                                {"Список ТИ", "$0102", "Напряжение"},
                                {"Список Событий", "1", "Включение"},
                                {"Список Событий", "2", "Отключение"}});
    WriteTemplate("Relay.ini", {{"Устройства", "Relay", ""},
                                {"Таблица ТУ", "1_Адрес", "$0005"},
                                {"Таблица ТУ", "1_Количество", "2"},
                                {"Таблица ТУ", "1_Функция", "5"}});
    SetTemplateHome(S(home.path()));
    ModbusTemplates().Reset();
    ShowWindow();
  }
  void TearDown() override {
    WindowTest::TearDown();
    ModbusTemplates().Reset();
  }
  static std::string S(const QString& s) { return s.toStdString(); }

  void WriteTemplate(const QString& name,
                     const std::vector<std::tuple<std::string, std::string, std::string>>& lines) {
    IniDocument ini;
    for (const auto& [section, key, value] : lines) ini.WriteString(section, key, value);
    ASSERT_TRUE(ini.SaveFile(S(TemplatePath(name))));
  }
  QString TemplatePath(const QString& name) const {
    return QDir(home.path()).filePath(QStringLiteral("MODBUS/") + name);
  }

  // The RTU port, added from the processor board's menu.
  TPortMODBUS* AddRtuPort() {
    editor()->Select(config().Controller().Proc());
    Settle();
    for (QAction* a : editor()->ContextMenu()->actions())
      if (a->data().isValid() && a->data().toInt() == kPortMODBUS) {
        a->trigger();
        return dynamic_cast<TPortMODBUS*>(editor()->CurrentItem());
      }
    return nullptr;
  }
  // Devices added as the address dialog would add them.
  TRTU* AddDevice(TPortMODBUS* port, int number, const std::string& type = "") {
    std::vector<TRTU*> added = port->AddDevices({{number, type}});
    return added.empty() ? nullptr : added[0];
  }
  ui::TRTUFrame* Open(TItem* device) {
    editor()->Select(device);
    Settle();
    return qobject_cast<ui::TRTUFrame*>(editor()->CurrentFrame());
  }
  void Leave(TItem* device) {
    editor()->Select(device->Parent());
    Settle();
  }
  // Types `text` into a cell of a grid and commits it with Return; what the cell holds.
  static QString TypeIntoCell(ui::ModbusGrid* grid, int row, int column, const QString& text) {
    // Moving to a cell opens its editor (a cell already current is opened by hand).
    grid->setCurrentCell(row, column);
    auto openEditor = [grid]() -> QLineEdit* {
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      for (QLineEdit* e : grid->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible()) return e;
      return nullptr;
    };
    QLineEdit* edit = openEditor();
    if (!edit) {
      grid->editItem(grid->item(row, column));
      edit = openEditor();
    }
    if (!edit) return QStringLiteral("<no editor>");
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
    Settle();
    return grid->Text(row, column);
  }
};

TEST_F(ModbusWindowTest, PortFromTheMenuAndDevicesFromTheAddressDialog) {
  TPortMODBUS* port = AddRtuPort();
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->Caption(), "1_Порт MODBUS-RTU");
  auto* portFrame = qobject_cast<ui::TPortRTUFrame*>(editor()->CurrentFrame());
  ASSERT_NE(portFrame, nullptr);
  EXPECT_EQ(portFrame->CountLabel()->text(),
            QStringLiteral("Количество подключенных устройств = 0"));

  bool shown = false;
  OnDialog<ui::TSelectRTU>(
      [](ui::TSelectRTU* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Выбор сетевых адресов добавляемых устройств"));
        ASSERT_EQ(d->TypeBox()->count(), 2);
        EXPECT_EQ(d->TypeBox()->currentText(), QStringLiteral("Meter")) << "first type chosen";
        EXPECT_EQ(d->Button(256), nullptr);
        QTest::mouseClick(d->Button(5), Qt::LeftButton);
        d->TypeBox()->setCurrentIndex(1);  // Relay
        QTest::mouseClick(d->Button(9), Qt::LeftButton);
        QTest::mouseClick(d->Button(200), Qt::LeftButton);
        QTest::mouseClick(d->Button(200), Qt::LeftButton);  // a second click clears it
        EXPECT_TRUE(d->Button(5)->isChecked());
        EXPECT_FALSE(d->Button(200)->isChecked());
        EXPECT_EQ(d->Button(9)->toolTip(), QStringLiteral("Relay"));
        QTest::mouseClick(d->AddButton(), Qt::LeftButton);
      },
      shown);
  TItem* first = editor()->AddDeviceCommand(kModbusDevice);
  ASSERT_TRUE(shown);
  ASSERT_NE(first, nullptr);
  std::vector<TRTU*> devices = port->ModbusDevices();
  ASSERT_EQ(devices.size(), 2u);
  EXPECT_EQ(devices[0]->Caption(), "5_Meter");
  EXPECT_EQ(devices[1]->Caption(), "9_Relay");
  EXPECT_EQ(devices[0]->TS[0], (ModbusRow{2, 0x10, 3})) << "the template filled the table";
  EXPECT_EQ(devices[1]->TU[0], (ModbusRow{5, 0x05, 2}));
  EXPECT_EQ(Names(devices[0]->List(kKindTS)),
            (std::vector<std::string>{"1_Порт.5_Meter.Авария", "1_Порт.5_Meter.Питание",
                                      "1_Порт.5_Meter.Дверь"}));
  EXPECT_EQ(portFrame->CountLabel()->text(),
            QStringLiteral("Количество подключенных устройств = 2"));
  ASSERT_NE(port->LinkStates(), nullptr);
  EXPECT_EQ(port->LinkStates()->Count(), 2);

  // Used addresses are flat, carry their type and take no click; cancelling adds nothing.
  OnDialog<ui::TSelectRTU>(
      [](ui::TSelectRTU* d) {
        EXPECT_TRUE(d->Button(5)->isFlat());
        EXPECT_EQ(d->Button(5)->toolTip(), QStringLiteral("Meter"));
        QTest::mouseClick(d->Button(5), Qt::LeftButton);
        EXPECT_TRUE(d->Chosen().empty());
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(d->Button(9), &enter);
        EXPECT_EQ(d->Panel()->text(), QStringLiteral("  9 = Relay"));
        QTest::mouseClick(d->Button(7), Qt::LeftButton);
        QTest::mouseClick(ButtonNamed(d, QStringLiteral("Отмена")), Qt::LeftButton);
      },
      shown);
  EXPECT_EQ(editor()->AddDeviceCommand(kModbusDevice), nullptr);
  EXPECT_TRUE(shown);
  EXPECT_EQ(port->ModbusDevices().size(), 2u);
}

TEST_F(ModbusWindowTest, TypedRowsFollowTheInputRulesAndNameTheSignals) {
  TPortMODBUS* port = AddRtuPort();
  ASSERT_NE(port, nullptr);
  TRTU* device = AddDevice(port, 5);
  ASSERT_NE(device, nullptr);
  ui::TRTUFrame* frame = Open(device);
  ASSERT_NE(frame, nullptr);
  frame->Tabs()->setCurrentIndex(0);
  ui::ModbusGrid* ts = frame->Grid(kKindTS);
  ASSERT_NE(ts, nullptr);
  EXPECT_EQ(ts->horizontalHeaderItem(1)->text(), QStringLiteral("  Адрес, hex"));
  EXPECT_EQ(ts->verticalHeaderItem(2)->text(), QStringLiteral("   3"));
  EXPECT_EQ(TypeIntoCell(ts, 0, 0, QStringLiteral("1")), QStringLiteral("1"));
  EXPECT_EQ(TypeIntoCell(ts, 0, 1, QStringLiteral("1g0")), QStringLiteral("10"))
      << "the address takes hex digits only";
  EXPECT_EQ(TypeIntoCell(ts, 0, 2, QStringLiteral("4")), QStringLiteral("4"));
  EXPECT_EQ(TypeIntoCell(ts, 1, 0, QStringLiteral("999")), QStringLiteral("255"))
      << "a byte column holds at most 255";
  EXPECT_EQ(TypeIntoCell(ts, 1, 1, QStringLiteral("ab")), QStringLiteral("AB"))
      << "typed letters are upper-cased";
  EXPECT_EQ(TypeIntoCell(ts, 1, 2, QStringLiteral("2x5")), QStringLiteral("25"));
  EXPECT_EQ(TypeIntoCell(ts, 2, 2, QStringLiteral("1234")), QStringLiteral("123"))
      << "three digits at most";
  ts->item(2, 2)->setText(QString());
  frame->Tabs()->setCurrentIndex(1);
  QTest::keyClicks(frame->PasswordEdit(), QStringLiteral("abcde"));
  EXPECT_EQ(frame->PasswordEdit()->text(), QStringLiteral("abcd")) << "four characters at most";
  frame->PasswordEdit()->selectAll();
  QTest::keyClicks(frame->PasswordEdit(), QStringLiteral("ab"));

  Leave(device);
  EXPECT_EQ(device->TUPassword, "ab  ") << "a short password is padded to four";
  EXPECT_EQ(device->TS[0], (ModbusRow{1, 0x10, 4}));
  EXPECT_EQ(device->TS[1], (ModbusRow{255, 0xAB, 25}));
  EXPECT_FALSE(device->Fresh);
  const std::vector<std::string> names = Names(device->List(kKindTS));
  ASSERT_EQ(names.size(), 29u);
  EXPECT_EQ(names[0], "1_Порт.5_RTU.Пр_0010");
  EXPECT_EQ(names[3], "1_Порт.5_RTU.Пр_0013");
  EXPECT_EQ(names[4], "1_Порт.5_RTU.Пр_00ab");
}

TEST_F(ModbusWindowTest, AnAddressBeyondFFFFIsRefusedAndTheFrameStays) {
  TPortMODBUS* port = AddRtuPort();
  TRTU* device = AddDevice(port, 3);
  ui::TRTUFrame* frame = Open(device);
  ASSERT_NE(frame, nullptr);
  // Only a dialog writes cells directly; five hex digits do not fit the field.
  frame->Grid(kKindTR)->SetText(0, 1, QStringLiteral("10000"));
  frame->Grid(kKindTR)->SetText(0, 2, QStringLiteral("1"));
  editor()->Select(port);
  Settle();
  EXPECT_EQ(editor()->CurrentItem(), device) << "the refusing frame keeps the selection";
  ASSERT_FALSE(messages.Errors.empty());
  EXPECT_EQ(messages.Errors.back(), "Таблица ТР, строка 1: адрес 10000 больше FFFF");
  EXPECT_EQ(device->TR[0].Count, 0);
  frame->Grid(kKindTR)->SetText(0, 1, QStringLiteral("FFFF"));
  Leave(device);
  EXPECT_EQ(device->TR[0], (ModbusRow{0, 0xFFFF, 1}));
}

TEST_F(ModbusWindowTest, ChoosingALibraryTypeFillsTheTablesFromItsTemplate) {
  TPortMODBUS* port = AddRtuPort();
  TRTU* device = AddDevice(port, 5);
  ui::TRTUFrame* frame = Open(device);
  ASSERT_NE(frame, nullptr);
  QComboBox* box = frame->TypeBox();
  ASSERT_EQ(box->count(), 2);
  EXPECT_EQ(box->itemText(0), QStringLiteral("Meter"));
  EXPECT_EQ(box->currentText(), QStringLiteral("RTU"));
  QTest::keyClick(box, Qt::Key_Down);  // the first library type
  EXPECT_EQ(device->Name(), "Meter");
  EXPECT_EQ(device->Caption(), "5_Meter");
  EXPECT_EQ(device->TS[0], (ModbusRow{2, 0x10, 3}));
  EXPECT_EQ(device->TI[0], (ModbusTIRow{2, 4, 0x100, 4}));
  EXPECT_EQ(frame->Grid(kKindTS)->Text(0, 1), QStringLiteral("0010"));
  EXPECT_EQ(frame->Grid(kKindTI)->Text(0, 0), QStringLiteral("2"));
  EXPECT_EQ(Names(device->List(kKindTI)),
            (std::vector<std::string>{"1_Порт.5_Meter.Ток", "1_Порт.5_Meter.Напряжение"}));
  EXPECT_TRUE(frame->ChooseButton(kKindTS)->isEnabled()) << "the type has a template";

  QTest::keyClick(box, Qt::Key_Down);  // Relay: its tables replace Meter's
  EXPECT_EQ(device->TU[0], (ModbusRow{5, 0x05, 2}));
  EXPECT_EQ(device->TS[0].Count, 0);
  EXPECT_EQ(device->List(kKindTS), nullptr);
}

TEST_F(ModbusWindowTest, PatternCopiesTheSetupButNotNumberOrPlace) {
  TPortMODBUS* port = AddRtuPort();
  TRTU* source = AddDevice(port, 5, "Meter");
  TRTU* target = AddDevice(port, 6);
  target->Place = "Ввод 2";
  ui::TRTUFrame* frame = Open(source);
  ASSERT_NE(frame, nullptr);
  frame->Grid(kKindTR)->SetText(2, 0, QStringLiteral("6"));
  frame->Grid(kKindTR)->SetText(2, 1, QStringLiteral("0040"));
  frame->Grid(kKindTR)->SetText(2, 2, QStringLiteral("2"));
  QTest::mouseClick(frame->ToPatternButton(), Qt::LeftButton);
  EXPECT_TRUE(ui::TRTUFrame::HasPattern());
  EXPECT_EQ(source->TR[2], (ModbusRow{6, 0x40, 2})) << "the frame went to the device first";

  frame = Open(target);
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->FromPatternButton()->isEnabled());
  QTest::mouseClick(frame->FromPatternButton(), Qt::LeftButton);
  EXPECT_EQ(target->Name(), "Meter");
  EXPECT_EQ(target->TS, source->TS);
  EXPECT_EQ(target->TR[2], (ModbusRow{6, 0x40, 2}));
  EXPECT_EQ(target->Number, 6);
  EXPECT_EQ(target->Place, "Ввод 2");
  EXPECT_EQ(frame->Grid(kKindTR)->Text(2, 1), QStringLiteral("0040"));
  EXPECT_EQ(Names(target->List(kKindTS))[0], "1_Порт.6_Ввод 2.Авария");
}

TEST_F(ModbusWindowTest, DuplicateFromTheTreeAndTheClashOfEqualNumbers) {
  TPortMODBUS* port = AddRtuPort();
  TRTU* source = AddDevice(port, 1, "Meter");
  ui::TRTUFrame* frame = Open(source);
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->ErrorLabel()->isHidden());
  auto* copy = dynamic_cast<TRTU*>(editor()->DuplicateCommand());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Number, 1);
  EXPECT_EQ(copy->TS, source->TS);
  EXPECT_EQ(copy->TI, source->TI);
  EXPECT_EQ(Names(copy->List(kKindTS)).size(), 3u);

  frame = Open(copy);
  ASSERT_NE(frame, nullptr);
  EXPECT_FALSE(frame->ErrorLabel()->isHidden()) << "two devices numbered 1";
  EXPECT_EQ(frame->ErrorLabel()->text(), QStringLiteral("Уже существует"));
  frame->AddressEdit()->setValue(2);
  EXPECT_TRUE(frame->ErrorLabel()->isHidden());
  EXPECT_EQ(copy->Caption(), "2_Meter");
  EXPECT_EQ(Names(copy->List(kKindTS))[0], "1_Порт.2_Meter.Авария");
  frame->AddressEdit()->setValue(1);
  EXPECT_FALSE(frame->ErrorLabel()->isHidden());
}

TEST_F(ModbusWindowTest, TemplateSavedUnderANewNameThenDeleted) {
  TPortMODBUS* port = AddRtuPort();
  TRTU* device = AddDevice(port, 4, "Meter");
  ui::TRTUFrame* frame = Open(device);
  ASSERT_NE(frame, nullptr);
  frame->Grid(kKindTU)->SetText(0, 0, QStringLiteral("5"));
  frame->Grid(kKindTU)->SetText(0, 1, QStringLiteral("0030"));
  frame->Grid(kKindTU)->SetText(0, 2, QStringLiteral("1"));

  bool shown = false;
  OnDialog<ui::TfEdit>(
      [](ui::TfEdit* d) {
        EXPECT_EQ(d->Prompt()->text(), QStringLiteral("Сохранить настройку блока как :"));
        EXPECT_EQ(d->Edit()->text(), QStringLiteral("Meter"));
        EXPECT_EQ(d->Edit()->selectedText(), QStringLiteral("Meter"));
        QTest::keyClicks(d->Edit(), QStringLiteral("Counter"));
        QTest::mouseClick(ButtonNamed(d, QStringLiteral("Установить")), Qt::LeftButton);
      },
      shown);
  QTest::mouseClick(frame->SaveButton(), Qt::LeftButton);
  ASSERT_TRUE(shown);
  EXPECT_EQ(messages.Errors.size(), 0u);
  EXPECT_EQ(device->Name(), "Counter");
  EXPECT_EQ(device->Caption(), "4_Counter");
  EXPECT_GE(frame->TypeBox()->findText(QStringLiteral("Counter")), 0);
  EXPECT_EQ(frame->TypeBox()->currentText(), QStringLiteral("Counter"));
  IniDocument saved;
  ASSERT_TRUE(saved.LoadFile(S(TemplatePath(QStringLiteral("Counter.ini")))));
  EXPECT_EQ(saved.SectionKeys("Устройства"), std::vector<std::string>{"Counter"});
  EXPECT_EQ(saved.ReadString("Таблица ТУ", "1_Адрес"), "$0030");
  EXPECT_EQ(saved.ReadString("Список ТС", "$0010"), "Авария");
  EXPECT_EQ(saved.ReadString("Список Событий", "2"), "Отключение")
      << "a new file starts as a copy of the template used last";

  // The same name again: asked, and "no" leaves the file as it was.
  QFile file(TemplatePath(QStringLiteral("Counter.ini")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray before = file.readAll();
  file.close();
  frame->Grid(kKindTU)->SetText(0, 1, QStringLiteral("0031"));
  messages.SetAnswer(Answer::No);
  OnDialog<ui::TfEdit>(
      [](ui::TfEdit* d) {
        QTest::mouseClick(ButtonNamed(d, QStringLiteral("Установить")), Qt::LeftButton);
      },
      shown);
  QTest::mouseClick(frame->SaveButton(), Qt::LeftButton);
  ASSERT_TRUE(shown);
  ASSERT_FALSE(messages.Questions.empty());
  EXPECT_EQ(messages.Questions.back(), "Файл уже существует.\rПереписать настройку?");
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), before);
  file.close();

  messages.SetAnswer(Answer::Yes);
  QTest::mouseClick(frame->DeleteButton(), Qt::LeftButton);
  EXPECT_EQ(messages.Questions.back(), "Удалить устройство Counter из списка ?");
  EXPECT_FALSE(QFile::exists(TemplatePath(QStringLiteral("Counter.ini"))));
  EXPECT_LT(frame->TypeBox()->findText(QStringLiteral("Counter")), 0);
  EXPECT_EQ(device->Name(), "Counter") << "the device keeps its type name";
  EXPECT_FALSE(frame->ChooseButton(kKindTS)->isEnabled());
}

TEST_F(ModbusWindowTest, NameDialogIsCancelledByARightClick) {
  ui::TfEdit dialog(window.get(), QStringLiteral("Имя :"), QStringLiteral("Meter"), 4);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Vilk - Ввод"));
  dialog.show();
  EXPECT_EQ(dialog.Text(), QStringLiteral("Mete")) << "cut to the dialog's length";
  QTest::mouseClick(&dialog, Qt::RightButton);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ModbusWindowTest, ParameterDialogFillsRowsFromAShiftSelectedRange) {
  TPortMODBUS* port = AddRtuPort();
  TRTU* device = AddDevice(port, 5, "Meter");
  ui::TRTUFrame* frame = Open(device);
  ASSERT_NE(frame, nullptr);
  frame->Tabs()->setCurrentIndex(0);  // the button is on the ТС page
  bool shown = false;
  OnDialog<ui::TSelectParam>(
      [](ui::TSelectParam* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Список ТС"));
        QListWidget* list = d->List();
        ASSERT_EQ(list->count(), 6);
        EXPECT_EQ(list->item(3)->text(), QStringLiteral("$0020=Вход 1"));
        const QColor greyed = ui::GreyedText(d->palette());
        EXPECT_EQ(list->item(0)->foreground().color(), greyed) << "row 1 reads it";
        EXPECT_NE(list->item(3)->foreground().color(), greyed);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(3)).center());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          list->visualItemRect(list->item(5)).center());
        QTest::mouseClick(d->AddButton(), Qt::LeftButton);
        EXPECT_EQ(d->Grid()->Text(1, 0), QStringLiteral("2")) << "copied from the row above";
        EXPECT_EQ(d->Grid()->Text(1, 1), QStringLiteral("0020"));
        EXPECT_EQ(d->Grid()->Text(1, 2), QStringLiteral("3"));
        EXPECT_EQ(list->item(4)->foreground().color(), greyed);
        // The first row goes; the new one moves up.
        QTest::mouseClick(d->RowButton(0), Qt::LeftButton);
        EXPECT_EQ(d->Grid()->Text(0, 1), QStringLiteral("0020"));
        EXPECT_EQ(d->Grid()->Text(1, 1), QString());
        QTest::mouseClick(ButtonNamed(d, QStringLiteral("Принять")), Qt::LeftButton);
      },
      shown);
  QTest::mouseClick(frame->ChooseButton(kKindTS), Qt::LeftButton);
  ASSERT_TRUE(shown);
  EXPECT_EQ(device->TS[0], (ModbusRow{2, 0x20, 3}));
  EXPECT_EQ(device->TS[1].Count, 0);
  EXPECT_EQ(Names(device->List(kKindTS)),
            (std::vector<std::string>{"1_Порт.5_Meter.Вход 1", "1_Порт.5_Meter.Вход 2",
                                      "1_Порт.5_Meter.Вход 3"}));
}

TEST_F(ModbusWindowTest, EventDialogSelectsLogEventsForTheMultiStateList) {
  TPortMODBUS* port = AddRtuPort();
  TRTU* device = AddDevice(port, 5, "Meter");
  ui::TRTUFrame* frame = Open(device);
  ASSERT_NE(frame, nullptr);
  frame->Tabs()->setCurrentIndex(5);
  EXPECT_EQ(frame->Tabs()->tabText(5), QStringLiteral("Журналы"));
  bool shown = false;
  OnDialog<ui::TSelectLogParam>(
      [](ui::TSelectLogParam* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Выбор событий журнала"));
        ASSERT_EQ(d->List()->count(), 2);
        EXPECT_EQ(d->List()->item(1)->text(), QStringLiteral("2=Отключение"));
        d->List()->item(1)->setSelected(true);
        QTest::mouseClick(d->TickButton(), Qt::LeftButton);
        EXPECT_EQ(d->List()->item(1)->checkState(), Qt::Checked);
        EXPECT_TRUE(d->List()->selectedItems().isEmpty());
        QTest::mouseClick(ButtonNamed(d, QStringLiteral("Принять")), Qt::LeftButton);
      },
      shown);
  QTest::mouseClick(frame->EventsButton(0), Qt::LeftButton);
  ASSERT_TRUE(shown);
  EXPECT_EQ(device->EventLog.Selected, std::vector<std::uint16_t>{2});
  EXPECT_EQ(Names(device->List(kKindMTS)),
            std::vector<std::string>{"1_Порт.5_Meter.Журнал Событий"});
  auto* count = frame->findChild<ui::ValueLabel*>(QStringLiteral("Выбрано параметров"));
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count->text(), QStringLiteral("1"));

  // Opening again ticks what is selected; "Стереть" clears the highlighted one.
  OnDialog<ui::TSelectLogParam>(
      [](ui::TSelectLogParam* d) {
        EXPECT_EQ(d->List()->item(1)->checkState(), Qt::Checked);
        EXPECT_EQ(d->List()->item(0)->checkState(), Qt::Unchecked);
        d->List()->item(1)->setSelected(true);
        QTest::mouseClick(d->ClearButton(), Qt::LeftButton);
        QTest::mouseClick(ButtonNamed(d, QStringLiteral("Принять")), Qt::LeftButton);
      },
      shown);
  QTest::mouseClick(frame->EventsButton(0), Qt::LeftButton);
  ASSERT_TRUE(shown);
  EXPECT_TRUE(device->EventLog.Selected.empty());
  EXPECT_EQ(device->List(kKindMTS), nullptr);
}

TEST_F(ModbusWindowTest, PortFrameRenumbersLinksItsBoardAndKeepsTheLastDeviceTab) {
  TPortMODBUS* port = AddRtuPort();
  TRTU* a = AddDevice(port, 5);
  TRTU* b = AddDevice(port, 6);
  editor()->Select(port);
  auto* frame = qobject_cast<ui::TPortRTUFrame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  QTest::mouseClick(frame->AddressEdit(), Qt::LeftButton);
  ui::TAddrEditForm* picker = frame->AddressPicker();
  ASSERT_NE(picker, nullptr);
  QTest::mouseClick(picker->Button(3), Qt::LeftButton);
  EXPECT_EQ(port->Number, 3);
  EXPECT_EQ(port->Caption(), "3_Порт MODBUS-RTU");
  EXPECT_EQ(frame->AddressEdit()->text(), QStringLiteral("3"));
  EXPECT_EQ(Names(port->LinkStates())[0], "3_Порт.связь_5_RTU");

  // The board list: an empty entry, then the COM boards free for the port.
  QComboBox* boards = frame->BoardBox();
  ASSERT_GE(boards->count(), 2);
  EXPECT_EQ(boards->itemText(0), QString());
  EXPECT_FALSE(frame->TuneButton()->isEnabled());
  QTest::keyClick(boards, Qt::Key_Down);
  ASSERT_NE(port->LinkedBoard, nullptr);
  EXPECT_EQ(ui::Q(port->LinkedBoard->Caption()), boards->itemText(1));
  TBlock* board = port->LinkedBoard;
  QTest::mouseClick(frame->TuneButton(), Qt::LeftButton);
  Settle();
  EXPECT_EQ(editor()->CurrentItem(), board);

  ui::TRTUFrame* deviceFrame = Open(a);
  ASSERT_NE(deviceFrame, nullptr);
  deviceFrame->Tabs()->setCurrentIndex(3);
  deviceFrame = Open(b);
  ASSERT_NE(deviceFrame, nullptr);
  EXPECT_EQ(deviceFrame->Tabs()->currentIndex(), 3) << "the page last shown";
}

TEST_F(ModbusWindowTest, TcpPortAndDeviceFrames) {
  editor()->Select(config().Controller().Proc());
  auto* port = dynamic_cast<TPortRTUTCP*>(editor()->AddPortCommand(kPortRTUTCP));
  ASSERT_NE(port, nullptr);
  auto* frame = qobject_cast<ui::TPortRTUTCPFrame*>(editor()->CurrentFrame());
  ASSERT_NE(frame, nullptr);
  auto* network = frame->findChild<QCheckBox*>();
  ASSERT_NE(network, nullptr);
  EXPECT_TRUE(network->isChecked());
  EXPECT_FALSE(network->isEnabled());
  auto* connectWait =
      frame->findChild<QSpinBox*>(QStringLiteral("Время ожидания установки соединения, с"));
  ASSERT_NE(connectWait, nullptr);
  EXPECT_EQ(connectWait->value(), 2);
  connectWait->findChild<QLineEdit*>()->selectAll();
  QTest::keyClicks(connectWait, QStringLiteral("99"));
  EXPECT_EQ(connectWait->value(), 65) << "16-bit milliseconds hold 65 s at most";
  auto* sync = frame->findChild<QSpinBox*>(QStringLiteral("Период синхронизации времени, мин"));
  ASSERT_NE(sync, nullptr);
  sync->setValue(10);

  TItem* added = editor()->AddDeviceCommand(kModbusDevice);  // no dialog on the TCP port
  auto* device = dynamic_cast<TRTUTCP*>(added);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(port->ConnectWait, 65000);
  EXPECT_EQ(port->TimeSync, 600000u);
  EXPECT_EQ(device->Caption(), "1_RTU_TCP");

  ui::TRTUFrame* deviceFrame = Open(device);
  ASSERT_NE(qobject_cast<ui::TRTUTCPFrame*>(deviceFrame), nullptr);
  EXPECT_EQ(deviceFrame->Tabs()->count(), 5) << "no logs over TCP";
  auto* ip = deviceFrame->findChild<ui::IpEdit*>(QStringLiteral("IP адрес"));
  ASSERT_NE(ip, nullptr);
  EXPECT_EQ(ip->Value(), 0xC0A80101u);
  ip->Octet(3)->setValue(20);
  EXPECT_EQ(device->Number, 20);
  EXPECT_EQ(device->Caption(), "20_RTU_TCP");
  EXPECT_EQ(Names(port->LinkStates())[0], "1_Порт.связь_20_RTU_TCP");
  deviceFrame->AddressEdit()->setValue(7);
  Leave(device);
  EXPECT_EQ(device->UnitAddress, 7);
  EXPECT_EQ(device->IpAddress, 0xC0A80114u);
}

}  // namespace
}  // namespace vilk::test
