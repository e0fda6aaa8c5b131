// The signal list editor and the pool page with their real widgets.
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include "base/text.h"
#include "signals/addr_edit.h"
#include "signals/editor_ti.h"
#include "signals/editor_tu.h"
#include "signals/list_frame.h"
#include "signals/storage_page.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

class SignalEditorTest : public WindowTest {
 protected:
  ui::TFrameParams* Open(TItem* list) {
    if (!window->isVisible()) {
      window->resize(1000, 600);
      window->show();
      EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    editor()->Select(list);
    Settle();
    auto* frame = qobject_cast<ui::TFrameParams*>(editor()->CurrentFrame());
    EXPECT_NE(frame, nullptr);
    return frame;
  }
  QPoint Cell(ui::SignalTableView* view, int row, ui::SignalColumn col) {
    return view->visualRect(view->Model()->index(row, view->Model()->ColumnOf(col))).center();
  }
  void Click(ui::SignalTableView* view, int row, ui::SignalColumn col,
             Qt::KeyboardModifiers mods = {}) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, mods, Cell(view, row, col));
  }
  // Picks the menu entry that starts with `text` from the popup a click opens.
  static void AnswerMenu(const QString& text) {
    QTimer::singleShot(0, [text] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      for (QAction* a : menu->actions())
        if (a->text().startsWith(text)) {
          menu->setActiveAction(a);
          QTest::keyClick(menu, Qt::Key_Return);
          return;
        }
      menu->close();
    });
  }
  void Rename(ui::SignalTableView* view, int row, const QString& text) {
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                       Cell(view, row, ui::SignalColumn::Name));
    QLineEdit* edit = OpenEditor(view);
    ASSERT_NE(edit, nullptr) << "double click opens the name editor";
    edit->setText(text);  // typed Cyrillic: QTest only types ASCII keys
    QTest::keyClick(edit, Qt::Key_Return);
    Settle();  // the delegate commits on Return through a posted call
  }
  // The name editor open on the view (closed editors linger until deleted later).
  static QLineEdit* OpenEditor(ui::SignalTableView* view) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QLineEdit* e : view->viewport()->findChildren<QLineEdit*>())
      if (e->isVisible()) return e;
    return nullptr;
  }
  std::vector<std::string> Names(const TParams* list) {
    std::vector<std::string> names;
    for (const TParam* s : list->Items) names.push_back(s ? s->Name() : "<null>");
    return names;
  }
};

TEST_F(SignalEditorTest, ColumnsFollowKindAndRole) {
  FieldPort* port = AddFieldPort(config(), 1, "Dev", 3, 2, 2);
  auto headers = [](ui::SignalTableView* v) {
    QStringList h;
    for (int c = 0; c < v->Model()->columnCount({}); ++c)
      h << v->Model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    return h.join(QLatin1Char('|'));
  };
  EXPECT_EQ(headers(Open(port->TS())->View()), QStringLiteral("№|Инверсия|Тип|Имя параметра"));
  EXPECT_EQ(headers(Open(port->TI())->View()), QStringLiteral("№|Дорасчет|Группа|Имя параметра"));
  EXPECT_EQ(headers(Open(port->TU())->View()), QStringLiteral("№|Блокировка|Имя параметра"));
  TestPC* pc = AddPC(config(), "ПК", 0);
  EXPECT_EQ(headers(Open(pc->Selection())->View()), QStringLiteral("№|Адрес|Имя параметра"));
  EXPECT_TRUE(editor()->PoolPage()->View(kKindTS)->horizontalHeader()->isHidden());
  EXPECT_EQ(Open(port->TS())
                ->View()
                ->Model()
                ->data(Open(port->TS())->View()->Model()->index(1, 3), Qt::DisplayRole)
                .toString(),
            QStringLiteral("Вход2"))
      << "an own list shows short names";
}

TEST_F(SignalEditorTest, RenamesGetRepeatSuffixesAndTheCut) {
  FieldPort* port = AddFieldPort(config(), 1, "Dev", 4, 0, 0);
  ui::SignalTableView* view = Open(port->TS())->View();
  Rename(view, 0, QStringLiteral("Насос"));
  EXPECT_EQ(port->TS()->At(0)->Name(), "Dev.Насос");
  Rename(view, 1, QStringLiteral("Насос"));
  EXPECT_EQ(port->TS()->At(1)->Name(), "Dev.Насос_повтор1");
  Rename(view, 2, QStringLiteral("Насос"));
  EXPECT_EQ(port->TS()->At(2)->Name(), "Dev.Насос_повтор2");
  Rename(view, 0, QStringLiteral("Задвижка"));
  Rename(view, 1, QStringLiteral("Насос"));
  EXPECT_EQ(port->TS()->At(1)->Name(), "Dev.Насос") << "a free name takes no suffix";

  Rename(view, 3, QString(70, QChar(0x0416)));  // 70 × "Ж"
  EXPECT_EQ(CharCount(port->TS()->At(3)->Name()), 64u);
  EXPECT_EQ(port->TS()->At(3)->Name().rfind("Dev.Ж", 0), 0u);
  EXPECT_TRUE(window->IsModified());
}

TEST_F(SignalEditorTest, EnterUpAndDownCommitAndMoveTheEditor) {
  FieldPort* port = AddFieldPort(config(), 1, "Dev", 3, 0, 0);
  ui::SignalTableView* view = Open(port->TS())->View();
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, Cell(view, 1, ui::SignalColumn::Name));
  QLineEdit* edit = OpenEditor(view);
  ASSERT_NE(edit, nullptr);
  edit->setText(QStringLiteral("Б"));
  QTest::keyClick(edit, Qt::Key_Down);
  Settle();
  EXPECT_EQ(port->TS()->At(1)->Name(), "Dev.Б");
  EXPECT_EQ(view->CurrentRow(), 2);
  edit = OpenEditor(view);
  ASSERT_NE(edit, nullptr) << "editing goes on in the next row";
  edit->setText(QStringLiteral("В"));
  QTest::keyClick(edit, Qt::Key_Up);
  Settle();
  EXPECT_EQ(port->TS()->At(2)->Name(), "Dev.В");
  EXPECT_EQ(view->CurrentRow(), 1);
}

TEST_F(SignalEditorTest, DoublePointRulesOnTheLastRowAndRowsThreeAndFour) {
  FieldPort* port = AddFieldPort(config(), 1, "Dev", 6, 0, 0);
  ui::SignalTableView* view = Open(port->TS())->View();
  TParams* ts = port->TS();

  AnswerMenu(QStringLiteral("Двухпозиционный"));
  Click(view, 5, ui::SignalColumn::Type);
  Settle();
  EXPECT_EQ(ts->At(5)->TSType, 0) << "the last row cannot start a pair";

  AnswerMenu(QStringLiteral("Двухпозиционный"));
  Click(view, 3, ui::SignalColumn::Type);
  Settle();
  EXPECT_EQ(ts->At(3)->TSType, 1);
  EXPECT_EQ(ts->At(4)->TSType, 2);

  AnswerMenu(QStringLiteral("Однопозиционный"));
  Click(view, 3, ui::SignalColumn::Type);
  Settle();
  EXPECT_EQ(ts->At(3)->TSType, 0);
  EXPECT_EQ(ts->At(4)->TSType, 0);

  Click(view, 2, ui::SignalColumn::Inversion);
  EXPECT_EQ(ts->At(2)->Inverted, 4);
  EXPECT_EQ(view->Model()->data(view->Model()->index(2, 1), Qt::DisplayRole).toString(),
            QStringLiteral("Вкл"));
}

TEST_F(SignalEditorTest, ClicksSelectRowsAndDragMovesThemInOrder) {
  TestPC* pc = AddPC(config(), "ПК", 0);
  FieldPort* port = AddFieldPort(config(), 1, "Dev", 9, 0, 0);
  ui::TFrameParams* frame = Open(pc->Selection());
  ui::TStoragePage* page = editor()->PoolPage();
  page->SetActiveKind(kKindTS);
  SelectAll(config().Storage().List(kKindTS));
  page->AddSelected(false);
  TParams* sel = pc->Selection();
  ASSERT_EQ(sel->Count(), 10);  // the PC's link state and the port's nine inputs
  const std::vector<std::string> before = Names(sel);
  ui::SignalTableView* view = frame->View();
  ClearSelection(*sel);  // the marks live on the shared signals: the pool's picks show here too

  Click(view, 2, ui::SignalColumn::Name);
  Click(view, 5, ui::SignalColumn::Name, Qt::ControlModifier);
  Click(view, 7, ui::SignalColumn::Name, Qt::ControlModifier);
  view->DropFrom(view, 6);
  const std::vector<std::string> after = Names(sel);
  EXPECT_EQ(after[4], before[2]);
  EXPECT_EQ(after[5], before[5]);
  EXPECT_EQ(after[6], before[7]);
  EXPECT_EQ(after[3], before[4]);
  EXPECT_EQ(after[7], before[6]);
  EXPECT_TRUE(sel->At(4)->Selected && sel->At(5)->Selected && sel->At(6)->Selected);

  Click(view, 1, ui::SignalColumn::Name);
  Click(view, 3, ui::SignalColumn::Name, Qt::ShiftModifier);
  EXPECT_TRUE(sel->At(1)->Selected && sel->At(2)->Selected && sel->At(3)->Selected);
  EXPECT_FALSE(sel->At(4)->Selected);
  QTest::mouseClick(view->viewport(), Qt::RightButton, {}, Cell(view, 1, ui::SignalColumn::Name));
  EXPECT_FALSE(AnySelected(*sel));
  (void)port;
}

TEST_F(SignalEditorTest, KeyboardMovesSelectsRenamesAndDeletes) {
  TestPC* pc = AddPC(config(), "ПК", 0);
  AddFieldPort(config(), 1, "Dev", 40, 0, 0);
  ui::SignalTableView* view = Open(pc->Selection())->View();
  editor()->PoolPage()->SetActiveKind(kKindTS);
  editor()->PoolPage()->AddSelected(true);
  TParams* sel = pc->Selection();
  ASSERT_EQ(sel->Count(), 41);  // the PC's link state and the port's forty inputs
  view->setFocus();
  Click(view, 0, ui::SignalColumn::Name);
  QTest::keyClick(view, Qt::Key_Down);
  EXPECT_EQ(view->CurrentRow(), 1);
  EXPECT_TRUE(sel->At(1)->Selected && !sel->At(0)->Selected);
  QTest::keyClick(view, Qt::Key_End);
  EXPECT_EQ(view->CurrentRow(), 40);
  QTest::keyClick(view, Qt::Key_Home);
  EXPECT_EQ(view->CurrentRow(), 0);
  QTest::keyClick(view, Qt::Key_PageDown);
  EXPECT_GT(view->CurrentRow(), 1);
  QTest::keyClick(view, Qt::Key_PageUp);
  EXPECT_EQ(view->CurrentRow(), 0);
  QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(
      std::count_if(sel->Items.begin(), sel->Items.end(), [](TParam* s) { return s->Selected; }),
      41);
  QTest::keyClick(view, Qt::Key_Down);  // selects row 1 only
  QTest::keyClick(view, Qt::Key_Delete);
  EXPECT_EQ(sel->Count(), 40);

  FieldPort* own = AddFieldPort(config(), 2, "Dev2", 3, 0, 0);
  ui::SignalTableView* ownView = Open(own->TS())->View();
  ownView->setFocus();
  Click(ownView, 1, ui::SignalColumn::Name);
  // F2 stays the window's Save key; Enter renames.
  QTest::keyClick(ownView, Qt::Key_Return);
  EXPECT_NE(OpenEditor(ownView), nullptr) << "Enter renames";
}

TEST_F(SignalEditorTest, PoolPageAddsOnceMovesNamesAndReleases) {
  TestPC* pc = AddPC(config(), "ПК", 0);
  FieldPort* port = AddFieldPort(config(), 1, "Dev", 5, 0, 0);
  Open(pc->Selection());
  ui::TStoragePage* page = editor()->PoolPage();
  EXPECT_EQ(page->ActiveKind(), kKindTS);
  EXPECT_TRUE(page->Button(QStringLiteral("Добавить выбранные"))->isEnabled());
  EXPECT_FALSE(page->Button(QStringLiteral("Сдвинуть вверх"))->isEnabled());
  EXPECT_TRUE(page->Button(QStringLiteral("Установить приоритет в ТИ"))->isHidden());

  TParams& pool = config().Storage().List(kKindTS);
  // The pool list holds the PC's link state first, then the port's inputs.
  TParam* first = port->TS()->At(0);
  TParam* second = port->TS()->At(1);
  first->Selected = second->Selected = true;
  page->AddSelected(false);
  page->AddSelected(false);
  EXPECT_EQ(pc->Selection()->Count(), 2) << "adding twice adds once";
  EXPECT_EQ(first->RefCount, 2u);
  EXPECT_GT(pool.Count(), 0);

  page->DeleteSelectedEntries(true);
  EXPECT_EQ(pc->Selection()->Count(), 0);
  EXPECT_EQ(first->RefCount, 1u);
  EXPECT_EQ(second->RefCount, 1u);
  EXPECT_EQ(port->TS()->At(0), first) << "pool signals stay in their own lists";

  page->AddEmptyRow();
  ASSERT_EQ(pc->Selection()->Count(), 1);
  EXPECT_TRUE(pc->Selection()->At(0)->Name().empty());

  // Names move in an own list; the signals stay in place.
  Open(port->TS());
  EXPECT_TRUE(page->Button(QStringLiteral("Сдвинуть вверх"))->isEnabled());
  ClearSelection(*port->TS());
  TParams* ts = port->TS();
  const std::string n0 = ts->At(0)->Name(), n1 = ts->At(1)->Name(), n2 = ts->At(2)->Name();
  ts->At(1)->Selected = ts->At(2)->Selected = true;
  page->NamesUp();
  EXPECT_EQ(ts->At(0)->Name(), n1);
  EXPECT_EQ(ts->At(1)->Name(), n2);
  EXPECT_EQ(ts->At(2)->Name(), n0);
  EXPECT_TRUE(ts->At(0)->Selected && ts->At(1)->Selected && !ts->At(2)->Selected);
}

TEST_F(SignalEditorTest, MeasurementDialogComputesAndRefusesGarbage) {
  FieldPort* port = AddFieldPort(config(), 1, "Dev", 0, 0, 2);
  ui::TEditorTI dialog(window.get(), *port->TI(), 0);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Настройка параметра ТИ  Dev.Изм1"));
  dialog.MinEdit()->setCurrentText(QStringLiteral("0"));
  dialog.MaxEdit()->setCurrentText(QStringLiteral("4095"));
  dialog.LowEdit()->setCurrentText(QStringLiteral("0"));
  dialog.HiEdit()->setCurrentText(QStringLiteral("100"));
  dialog.Setup();
  EXPECT_EQ(dialog.GainEdit()->text(), QStringLiteral("0.02442"));
  EXPECT_EQ(dialog.OffsetEdit()->text(), QStringLiteral("0"));

  dialog.MinEdit()->setCurrentText(QStringLiteral("4095"));
  dialog.Setup();
  ASSERT_FALSE(messages.Errors.empty());
  EXPECT_EQ(messages.Errors.back(), "Ошибка. Минимум и максимум квантов должны быть разными.");
  EXPECT_EQ(dialog.GainEdit()->text(), QStringLiteral("0.02442")) << "fields unchanged";

  dialog.OffsetEdit()->setText(QStringLiteral("abc"));
  EXPECT_FALSE(dialog.Accept());
  EXPECT_EQ(messages.Errors.back(), "Ошибка значения!");
  EXPECT_EQ(port->TI()->At(0)->Gain, 0.0f) << "nothing stored";

  dialog.OffsetEdit()->setText(QStringLiteral("-1,5"));
  EXPECT_TRUE(dialog.Accept());
  EXPECT_FLOAT_EQ(port->TI()->At(0)->Gain, 0.02442f);
  EXPECT_FLOAT_EQ(port->TI()->At(0)->Offset, -1.5f);
  EXPECT_EQ(port->TI()->At(0)->ValueFormat, 4);

  dialog.SaveTemplate();
  ui::TEditorTI second(window.get(), *port->TI(), 1);
  EXPECT_TRUE(second.GetTemplateButton()->isEnabled());
  second.FillTemplate();
  EXPECT_EQ(second.GainEdit()->text(), QStringLiteral("0.02442"));
}

TEST_F(SignalEditorTest, BlockingDialogCountsReferences) {
  FieldPort* port = AddFieldPort(config(), 1, "Dev", 2, 1, 0);
  TParam* input = port->TS()->At(1);
  ui::TEditorTU dialog(window.get(), *port->TU(), 0);
  dialog.OnBox()->setCurrentText(QString::fromStdString(input->Name()));
  dialog.Accept();
  EXPECT_EQ(port->TU()->At(0)->BlockOn, input);
  EXPECT_EQ(input->RefCount, 2u);
  ui::TEditorTU again(window.get(), *port->TU(), 0);
  EXPECT_EQ(again.OnBox()->currentText(), QString::fromStdString(input->Name()));
  again.OnBox()->setCurrentIndex(0);
  again.Accept();
  EXPECT_EQ(port->TU()->At(0)->BlockOn, nullptr);
  EXPECT_EQ(input->RefCount, 1u);
}

}  // namespace
}  // namespace vilk::test

namespace vilk::test {
namespace {

TEST(AddressPicker, OffersValidAddressesMarksUsedAndReturnsTheClick) {
  ui::AddressRange range = ui::BoardAddresses();
  range.Used = {2, 3};
  range.Own = 3;
  ui::TAddrEditForm popup(range);
  for (int a : {1, 2, 3, 4, 5, 6, 8}) EXPECT_NE(popup.Button(a), nullptr) << a;
  EXPECT_EQ(popup.Button(7), nullptr) << "board address 7 is never offered";
  EXPECT_EQ(popup.Button(9), nullptr);
  EXPECT_TRUE(popup.Button(2)->isFlat());
  EXPECT_FALSE(popup.Button(3)->isFlat()) << "the item's own address is highlighted, not flat";
  EXPECT_TRUE(popup.Button(3)->font().bold());
  int picked = -1;
  QObject::connect(&popup, &ui::TAddrEditForm::Picked, [&](int a) { picked = a; });
  popup.show();
  QTest::mouseClick(popup.Button(5), Qt::LeftButton);
  EXPECT_EQ(picked, 5);
  EXPECT_EQ(popup.Chosen(), 5);
  EXPECT_FALSE(popup.isVisible());

  ui::TAddrEditForm ports(ui::PortAddresses());
  EXPECT_NE(ports.Button(16), nullptr);
  EXPECT_EQ(ports.Button(17), nullptr);
}

}  // namespace
}  // namespace vilk::test
