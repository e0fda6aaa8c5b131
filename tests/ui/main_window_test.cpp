// File commands, settings and the window's own rules.
#include <QFile>
#include <QLineEdit>
#include <QScreen>

#include "base/ini.h"
#include "base/text.h"
#include "frames/controller/board_frames.h"
#include "ui_fixture.h"
#include "widgets.h"

namespace vilk::test {
namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(WindowTest, WindowTitleAndDefaultsWithoutSettingsFile) {
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Конфигуратор контроллера ВИЛК[*]"));
  // The stored defaults; the window grows from them to fit its frames (look_and_help_test).
  EXPECT_EQ(QRect(window->Settings().Left, window->Settings().Top, window->Settings().Width,
                  window->Settings().Height),
            QRect(303, 174, 657, 446));
  EXPECT_EQ(window->Settings().ComN, 1);
  EXPECT_EQ(window->Settings().LinkMode, 0);
  EXPECT_EQ(window->ModelName()->text(), QStringLiteral("ВИЛК.A2"));
  EXPECT_EQ(window->ModelVersion()->text(), QStringLiteral("v 1.12"));
  EXPECT_EQ(window->ModelYear()->text(), QStringLiteral("2025"));
  EXPECT_TRUE(window->Action(QStringLiteral("Записать настройку"))->isEnabled());
  EXPECT_EQ(window->Action(QStringLiteral("Открыть файл"))->shortcut(), QKeySequence(Qt::Key_F3));
}

TEST_F(WindowTest, SettingsRoundTripInCp1251AndBadComPortReadsAsOne) {
  window->move(120, 80);
  window->close();
  window.reset();
  const QByteArray bytes = ReadAll(File("Vilk.ini"));
  ASSERT_FALSE(bytes.isEmpty());
  EXPECT_TRUE(bytes.contains(QByteArray("\xD1\xCE\xCC_N=1\r\n"))) << "СОМ_N in cp1251 with CR LF";
  EXPECT_TRUE(bytes.contains("[Form]\r\n"));

  IniDocument ini;
  ASSERT_TRUE(ini.LoadFile(File("Vilk.ini").toStdString()));
  EXPECT_EQ(ini.ReadInteger("Form", "Left", 0), 120);
  ini.WriteInteger("Link", "СОМ_N", 100);  // beyond the 99 the link dialog takes
  ini.WriteString("Key", "Оператор", "Иванов");
  ASSERT_TRUE(ini.SaveFile(File("Vilk.ini").toStdString()));

  window = std::make_unique<ui::TForm1>(home.path(), &messages);
  EXPECT_EQ(window->Settings().ComN, 1);
  // The place is kept unless the window, grown to fit its frames, would leave the screen.
  const QRect avail = window->screen()->availableGeometry();
  EXPECT_EQ(window->geometry().left(), std::min(120, avail.right() + 1 - window->width()));
  window->close();
  IniDocument after;
  ASSERT_TRUE(after.LoadFile(File("Vilk.ini").toStdString()));
  EXPECT_EQ(after.ReadString("Key", "оператор"), "Иванов") << "sections we do not use are kept";
}

TEST_F(WindowTest, SaveAsksForANameOnceThenWritesWithoutAsking) {
  savePath = File("station.cfg");
  EXPECT_TRUE(window->SaveCommand());
  EXPECT_EQ(chooserCalls, 1);
  EXPECT_EQ(window->ConfigFileName(), savePath);
  const QByteArray first = ReadAll(savePath);
  ASSERT_FALSE(first.isEmpty());
  EXPECT_EQ(first.size() % 16, 0);
  EXPECT_EQ(static_cast<std::size_t>(first.size()), window->Image().TotalSize);
  EXPECT_FALSE(window->IsModified());

  EXPECT_TRUE(window->SaveCommand());
  EXPECT_EQ(chooserCalls, 1);
}

TEST_F(WindowTest, NewKeepsModelAndFileNameAndRemovesPorts) {
  config().Controller().TypeCode = 26;
  config().Controller().ApplyModel();
  savePath = File("a.cfg");
  ASSERT_TRUE(window->SaveAsCommand());
  AddFieldPort(config(), 2, "Dev", 3, 0, 0);
  editor()->Select(config().Controller().Proc());
  window->Editor()->Modified();

  messages.SetAnswer(Answer::No);  // do not save the changes
  ASSERT_TRUE(window->NewCommand());
  EXPECT_EQ(messages.Questions.back(), "Конфигурация изменена.\rСохранить изменения?");
  EXPECT_EQ(config().Controller().TypeCode, 26);
  EXPECT_EQ(window->ConfigFileName(), savePath);
  EXPECT_EQ(config().Controller().Proc()->ChildCount(), 1);
}

TEST_F(WindowTest, CancelKeepsUnsavedWork) {
  AddFieldPort(config(), 2, "Dev", 3, 0, 0);
  window->Editor()->Modified();
  messages.SetAnswer(Answer::Cancel);
  EXPECT_FALSE(window->NewCommand());
  EXPECT_EQ(config().Controller().Proc()->ChildCount(), 2);
  EXPECT_FALSE(window->OpenCommand());
  EXPECT_EQ(chooserCalls, 0);
}

TEST_F(WindowTest, ARefusedFileChangesNeitherTreeNorFileName) {
  savePath = File("good.cfg");
  ASSERT_TRUE(window->SaveCommand());
  AddFieldPort(config(), 4, "Dev", 1, 0, 0);
  window->Editor()->Modified();
  ASSERT_TRUE(window->SaveCommand());

  QFile bad(File("bad.cfg"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write(QByteArray(300, 'x'));
  bad.close();
  EXPECT_FALSE(window->OpenFile(File("bad.cfg")));
  ASSERT_FALSE(messages.Errors.empty());
  EXPECT_TRUE(QString::fromStdString(messages.Errors.back())
                  .startsWith(QStringLiteral("Ошибка сигнатуры файла")));
  EXPECT_EQ(window->ConfigFileName(), savePath);
  EXPECT_EQ(config().Controller().Proc()->ChildCount(), 2);

  QFile huge(File("huge.cfg"));
  ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
  huge.resize(kImageCapacity);
  huge.close();
  EXPECT_FALSE(window->OpenFile(File("huge.cfg")));
  EXPECT_NE(messages.Errors.back().find("слишком велик"), std::string::npos);
  EXPECT_EQ(window->ConfigFileName(), savePath);
}

TEST_F(WindowTest, OpenLoadsTheFileAndSelectsTheModel) {
  config().Controller().TypeCode = 22;
  config().Controller().ApplyModel();
  AddFieldPort(config(), 5, "Насос", 2, 0, 0);
  savePath = File("two.cfg");
  ASSERT_TRUE(window->SaveCommand());

  window->NewCommand();
  config().Controller().TypeCode = 23;
  config().Controller().ApplyModel();
  openPath = savePath;
  messages.SetAnswer(Answer::No);  // the model change is not worth saving over the file
  ASSERT_TRUE(window->OpenCommand());
  Settle();
  EXPECT_EQ(config().Controller().TypeCode, 22);
  ASSERT_EQ(config().Controller().Proc()->ChildCount(), 2);
  EXPECT_EQ(config().Controller().Proc()->Child(1)->Caption(), "5_Порт Поле");
  EXPECT_EQ(window->ModelName()->text(), QStringLiteral("ВИЛК.A1"));
  EXPECT_FALSE(window->IsModified());
}

TEST_F(WindowTest, SpinFieldsClampAboveTheMaximumAndFillEmptyWithTheMinimum) {
  ui::ClampSpinBox spin;
  spin.setRange(2, 255);
  spin.setValue(10);
  spin.show();
  spin.setFocus();
  spin.findChild<QLineEdit*>()->selectAll();
  QTest::keyClicks(&spin, QStringLiteral("999"));
  EXPECT_EQ(spin.value(), 255);
  spin.findChild<QLineEdit*>()->selectAll();
  QTest::keyClick(&spin, Qt::Key_Backspace);
  EXPECT_TRUE(spin.findChild<QLineEdit*>()->text().isEmpty());
  spin.clearFocus();
  QFocusEvent out(QEvent::FocusOut);
  QApplication::sendEvent(&spin, &out);
  EXPECT_EQ(spin.value(), 2);
}

}  // namespace
}  // namespace vilk::test
