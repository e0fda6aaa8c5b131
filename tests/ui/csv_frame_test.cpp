// "Экспорт в CSV..." and "Импорт из CSV..." on the list frames: the file written, the
// preview that lists every row, and an import that is cancelled or refused changing nothing.
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "signals/csv.h"
#include "signals/csv_preview.h"
#include "signals/list_frame.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

class CsvFrameTest : public WindowTest {
 protected:
  ui::TFrameParams* Open(TItem* list) {
    editor()->Select(list);
    Settle();
    auto* frame = qobject_cast<ui::TFrameParams*>(editor()->CurrentFrame());
    EXPECT_NE(frame, nullptr);
    return frame;
  }
  void Write(const QString& path, const std::string& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  std::string Read(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll().toStdString();
  }
};

TEST_F(CsvFrameTest, ExportWritesTheListAndImportGoesThroughThePreview) {
  ShowWindow();
  FieldPort* port = AddFieldPort(config(), 1, "Dev", 3, 0, 0);
  ui::TFrameParams* frame = Open(port->TS());
  ASSERT_NE(frame->ExportCsvButton(), nullptr);
  ASSERT_NE(frame->ImportCsvButton(), nullptr);

  window->setWindowModified(false);  // as after a save
  const QString out = File(QStringLiteral("ts.csv"));
  frame->ChooseFile = [&](const QString&, const QString&) { return out; };
  QTest::mouseClick(frame->ExportCsvButton(), Qt::LeftButton);
  EXPECT_EQ(Read(out),
            "\xEF\xBB\xBF№;Инверсия;Тип;Имя параметра\r\n0;;Однопозиционный;Dev.Вход1\r\n"
            "1;;Однопозиционный;Dev.Вход2\r\n2;;Однопозиционный;Dev.Вход3\r\n");
  EXPECT_FALSE(window->IsModified()) << "an export changes nothing";

  // The real preview dialog, answered by the user: Cancel first, then Apply.
  const QString in = File(QStringLiteral("in.csv"));
  Write(in, "№;Инверсия;Имя параметра\r\n0;Вкл;Насос\r\n1;;Вход2\r\n2;;Нет;лишнее\r\n");
  frame->ChooseImportFile = [&] { return in; };
  int rows = -1;
  QString reason;
  bool applyEnabled = true;
  auto answer = [&](bool apply) {
    QTimer::singleShot(0, [&, apply] {
      auto* dialog = qobject_cast<ui::CsvPreviewDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      rows = dialog->Table()->rowCount();
      reason = dialog->Table()->item(2, 3)->text();
      applyEnabled = dialog->ApplyButton()->isEnabled();
      if (apply) {
        dialog->SkipBox()->setChecked(true);
        dialog->ApplyButton()->click();
      } else {
        dialog->reject();
      }
    });
  };
  answer(false);
  EXPECT_FALSE(frame->ImportCsv());
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(reason, QStringLiteral("значение «лишнее» в столбце без заголовка"))
      << "nothing in the file is passed over in silence";
  EXPECT_FALSE(applyEnabled) << "a row with an error keeps Apply off until skipped";
  EXPECT_EQ(port->TS()->At(0)->Name(), "Dev.Вход1");
  EXPECT_FALSE(window->IsModified());

  answer(true);
  EXPECT_TRUE(frame->ImportCsv());
  EXPECT_EQ(port->TS()->At(0)->Name(), "Dev.Насос");
  EXPECT_EQ(port->TS()->At(0)->Inverted, 4);
  EXPECT_EQ(port->TS()->At(2)->Name(), "Dev.Вход3");
  EXPECT_TRUE(window->IsModified());
  EXPECT_EQ(config().Storage().FindByName(kKindTS, "Dev.Насос"), port->TS()->At(0));
}

TEST_F(CsvFrameTest, AFileThatIsNoListSaysWhyAndChangesNothing) {
  FieldPort* port = AddFieldPort(config(), 1, "Dev", 2, 0, 0);
  ui::TFrameParams* frame = Open(port->TS());
  const QString in = File(QStringLiteral("bad.csv"));
  Write(in, "Номер;Имя параметра\r\n0;X\r\n");
  frame->ChooseImportFile = [&] { return in; };
  bool asked = false;
  frame->ConfirmImport = [&](const CsvImportPlan&, const QString&, bool&) {
    asked = true;
    return true;
  };
  EXPECT_FALSE(frame->ImportCsv());
  EXPECT_FALSE(asked);
  ASSERT_FALSE(messages.Errors.empty());
  EXPECT_NE(messages.Errors.back().find("Столбец «Номер» не относится к списку ТС."),
            std::string::npos)
      << messages.Errors.back();

  frame->ChooseImportFile = [&] { return File(QStringLiteral("missing.csv")); };
  EXPECT_FALSE(frame->ImportCsv());
  EXPECT_FALSE(asked);
  EXPECT_NE(messages.Errors.back().find("missing.csv"), std::string::npos);
  EXPECT_EQ(port->TS()->At(0)->Name(), "Dev.Вход1");
}

}  // namespace
}  // namespace vilk::test
