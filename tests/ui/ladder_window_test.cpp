// The discrete-logic frame: keyboard editing gives the program its mouse twin gives, the
// signal picker with type-ahead, copy and paste of tasks, and the simulation mode with
// its toggled inputs and the outputs drawn.
#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QProcess>
#include <QScrollBar>

#include "controller/controller.h"
#include "controller/proc.h"
#include "frames/logic/ladder_frame.h"
#include "link/device_runner.h"
#include "ports/logic/ladder_text.h"
#include "ports/logic/port_ld.h"
#include "ports/modules/modules.h"
#include "ports/modules/port_doro.h"
#include "ui_fixture.h"

namespace vilk::test {
namespace {

class LadderWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ShowWindow();
    window->resize(1900, 1000);  // room for the ten columns of a new program
    Settle();
    TItem* proc = config().Controller().Proc();
    auto* doro = static_cast<TPortDoro*>(config().Append(proc, MakePort(config(), kPortDoro)));
    doro->Renumber(3);
    riv = static_cast<TMDS24*>(doro->AddChild(kModuleRIV24));
    const char* names[] = {"Пуск", "Стоп", "Ключ", "Пожар"};
    for (int i = 0; i < 4; ++i) riv->Inputs()->At(i)->SetName(names[i]);
    config().Storage().ForceRebuild();
    port = static_cast<TPortLD*>(config().Append(proc, MakePort(config(), kPortLD)));
    port->UpdateCaption();
    ASSERT_TRUE(editor()->Select(port));
    Settle();
    frame = qobject_cast<ui::TPortLDFrame*>(editor()->CurrentFrame());
    ASSERT_NE(frame, nullptr);
    view = frame->View();
    view->setFocus();
  }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(view, static_cast<Qt::Key>(key), mods);
  }
  // Enter, the name typed into the picker, Enter again.
  void Pick(const QString& name) {
    Key(Qt::Key_Return);
    ASSERT_TRUE(frame->SignalEditor()->isVisible());
    frame->SignalEditor()->clear();
    Type(frame->SignalEditor(), name);
    frame->SignalEditor()->completer()->popup()->hide();
    QTest::keyClick(frame->SignalEditor(), Qt::Key_Return);
  }
  // Types text the way a keyboard with a Cyrillic layout does (QTest's key clicks take
  // ASCII only).
  static void Type(QWidget* w, const QString& text) {
    for (const QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(w, &press);
      QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(w, &release);
    }
  }
  // The centre of a cell in the viewport as it is scrolled now.
  QPoint Centre(int column, int row) const {
    return {(column - view->horizontalScrollBar()->value()) * ui::LadderView::kCell + 32,
            (row - view->verticalScrollBar()->value()) * ui::LadderView::kCell + 32};
  }
  void Click(int column, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, mods, Centre(column, row));
  }
  void ChooseSignal(const char* name) {
    QComboBox* choice = frame->SignalChoice();
    const int index = choice->findText(QString::fromUtf8(name));
    ASSERT_GE(index, 0) << name;
    choice->setCurrentIndex(index);
    emit choice->activated(index);
  }
  void Trigger(int column, int row, const QString& action) {
    std::unique_ptr<QMenu> menu(frame->ElementMenu(column, row));
    ASSERT_NE(menu, nullptr);
    for (QAction* a : menu->actions())
      if (a->text() == action) {
        a->trigger();
        return;
      }
    FAIL() << action.toStdString();
  }
  std::string Text() const { return LadderText(*port); }

  TMDS24* riv = nullptr;
  TPortLD* port = nullptr;
  ui::TPortLDFrame* frame = nullptr;
  ui::LadderView* view = nullptr;
};

TEST_F(LadderWindowTest, KeyboardEditingGivesTheProgramOfItsMouseTwin) {
  // Keyboard: two tasks, contacts inserted, picked by name, inverted, one deleted, a task
  // copied and pasted.
  Key(Qt::Key_Insert);  // no task yet: nothing happens
  EXPECT_EQ(port->TaskCount(), 0);
  frame->TaskButton()->click();
  frame->TaskButton()->click();
  view->SetCursor(0, 0);
  Key(Qt::Key_Insert);
  Pick(QStringLiteral("Пуск"));
  Key(Qt::Key_Right);
  Key(Qt::Key_Insert);
  Pick(QStringLiteral("Стоп"));
  Key(Qt::Key_Slash);
  Key(Qt::Key_Right);
  Key(Qt::Key_Insert);
  Pick(QStringLiteral("Ключ"));
  Key(Qt::Key_Delete);  // the third contact goes again
  Key(Qt::Key_Down);
  Key(Qt::Key_Left);
  Key(Qt::Key_Left);
  EXPECT_EQ(view->CursorRow(), 1);
  EXPECT_EQ(view->CursorColumn(), 0);
  Key(Qt::Key_Insert);
  Pick(QStringLiteral("Пожар"));
  Key(Qt::Key_Slash);
  Key(Qt::Key_Slash);  // twice: not inverted
  Key(Qt::Key_Up);
  Key(Qt::Key_C, Qt::ControlModifier);
  Key(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(view->CursorRow(), 2);  // the cursor goes to the pasted task
  // Enter on a name the pool does not have: said, and the picker stays for another try.
  view->SetCursor(0, 1);
  Key(Qt::Key_Return);
  Type(frame->SignalEditor(), QStringLiteral("Нет такого"));
  frame->SignalEditor()->completer()->popup()->hide();
  QTest::keyClick(frame->SignalEditor(), Qt::Key_Return);
  EXPECT_EQ(messages.Errors.back(), "Нет сигнала ТС Нет такого");
  EXPECT_TRUE(frame->SignalEditor()->isVisible());
  QTest::keyClick(frame->SignalEditor(), Qt::Key_Escape);
  EXPECT_FALSE(frame->SignalEditor()->isVisible());
  const std::string keyboard = Text();
  EXPECT_EQ(keyboard,
            "1_Порт.Пр_0\n  Пуск /Стоп\n\n1_Порт.Пр_1\n  Пожар\n\n1_Порт.Пр_2\n  Пуск /Стоп\n");
  EXPECT_TRUE(window->isWindowModified());

  // The mouse: the same program from a new scheme.
  messages.SetAnswer(Answer::Yes);
  frame->ClearButton()->click();
  EXPECT_EQ(messages.Questions.back(), "Удалить все задачи?");
  EXPECT_EQ(port->TaskCount(), 0);
  frame->TaskButton()->click();
  frame->TaskButton()->click();
  frame->ContactButton()->setChecked(true);
  Click(0, 0);
  Click(1, 0);
  Click(2, 0);
  Click(0, 1);
  Click(9, 1);  // on the output: the button is released
  EXPECT_FALSE(frame->ContactButton()->isChecked());
  Click(0, 0);
  EXPECT_EQ(frame->SignalLabel()->text(), QStringLiteral("ТС__"));
  EXPECT_EQ(QColor(view->viewport()->grab().toImage().pixel(Centre(0, 0) - QPoint(28, 28))),
            QColor(0xA6, 0xCA, 0xF0));
  ChooseSignal("Пуск");
  EXPECT_TRUE(frame->SignalLabel()->text().startsWith(QStringLiteral("ТС_")));
  Click(1, 0);
  ChooseSignal("Стоп");
  frame->InverseBox()->click();
  Click(2, 0);
  ChooseSignal("Ключ");
  Trigger(2, 0, QStringLiteral("Удалить"));
  Click(0, 1);
  ChooseSignal("Пожар");
  Trigger(0, 1, QStringLiteral("Инверсия"));
  Trigger(0, 1, QStringLiteral("Инверсия"));
  Trigger(9, 0, QStringLiteral("Дублировать"));
  EXPECT_EQ(Text(), keyboard);
}

TEST_F(LadderWindowTest, BridgeRenameAndTheNameCheck) {
  frame->TaskButton()->click();
  frame->ContactButton()->setChecked(true);
  Click(0, 0);
  Click(1, 0);
  frame->ContactButton()->setChecked(false);
  Click(0, 0);
  ChooseSignal("Пуск");
  Click(1, 0);
  ChooseSignal("Стоп");
  EXPECT_FALSE(frame->BridgeButton()->isEnabled());
  Click(0, 0);
  Click(1, 0, Qt::ShiftModifier);
  EXPECT_TRUE(frame->BridgeButton()->isEnabled());
  // The range is drawn money green, a single selection sky blue.
  auto cornerOf = [&](int column, int row) {
    return QColor(view->viewport()->grab().toImage().pixel(Centre(column, row) - QPoint(28, 28)));
  };
  EXPECT_EQ(cornerOf(1, 0), QColor(0xC0, 0xDC, 0xC0));
  EXPECT_EQ(cornerOf(2, 0), QColor(Qt::white));
  frame->BridgeButton()->click();
  EXPECT_EQ(Text(), "1_Порт.Пр_0\n  [Пуск Стоп | ?]\n");
  // A double click on the output asks for the name; a name the pool has is asked again.
  std::vector<QString> titles;
  std::vector<QString> answers{QStringLiteral("Пуск"), QStringLiteral("Насос")};
  frame->AskName = [&](const QString& title, const QString&) -> std::optional<QString> {
    titles.push_back(title);
    if (titles.size() > answers.size()) return std::nullopt;
    return answers[titles.size() - 1];
  };
  riv->Inputs()->At(0)->SetName("1_Порт.Пуск");
  config().Storage().ForceRebuild();
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, Centre(9, 0));
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_EQ(titles[1], QStringLiteral("Имя задачи уже используется"));
  EXPECT_EQ(port->OutputSignal(0)->Name(), "1_Порт.Насос");
}

TEST_F(LadderWindowTest, SimulationTogglesInputsAndDrawsTheOutputs) {
  // Насос = [Пуск | Насос] /Стоп
  frame->TaskButton()->click();
  frame->ContactButton()->setChecked(true);
  Click(0, 0);
  Click(1, 0);
  frame->ContactButton()->setChecked(false);
  Click(0, 0);
  ChooseSignal("Пуск");
  Click(1, 0);
  ChooseSignal("Стоп");
  frame->InverseBox()->click();
  Click(0, 0);
  Click(0, 0, Qt::ShiftModifier);
  frame->BridgeButton()->click();
  Click(0, 1);
  ChooseSignal("1_Порт.Пр_0");
  ASSERT_EQ(Text(), "1_Порт.Пр_0\n  [Пуск | 1_Порт.Пр_0] /Стоп\n");

  frame->SimulateButton()->click();
  ASSERT_NE(frame->Simulator(), nullptr);
  EXPECT_FALSE(frame->TaskButton()->isEnabled());
  ASSERT_TRUE(frame->OutputList()->isVisible());
  auto shown = [&] { return frame->OutputList()->item(0)->text(); };
  auto coil = [&] {
    const QImage image = view->viewport()->grab().toImage();
    const QPoint at = Centre(9, 0);
    EXPECT_TRUE(image.rect().contains(at));
    return image.rect().contains(at) ? QColor(image.pixel(at)) : QColor();
  };
  EXPECT_EQ(shown(), QStringLiteral("1_Порт.Пр_0 = 0"));
  EXPECT_EQ(coil(), QColor(Qt::white));
  Click(0, 0);  // Пуск on
  EXPECT_EQ(shown(), QStringLiteral("1_Порт.Пр_0 = 1"));
  EXPECT_EQ(coil(), QColor(0xD0, 0x10, 0x10));
  Click(0, 0);  // Пуск off: sealed in
  EXPECT_EQ(shown(), QStringLiteral("1_Порт.Пр_0 = 1"));
  view->SetCursor(1, 0);
  Key(Qt::Key_Space);  // Стоп on, from the keyboard
  EXPECT_EQ(shown(), QStringLiteral("1_Порт.Пр_0 = 0"));
  EXPECT_EQ(coil(), QColor(Qt::white));
  // Editing keys do nothing while simulating; leaving the mode edits again.
  Key(Qt::Key_Delete);
  EXPECT_EQ(Text(), "1_Порт.Пр_0\n  [Пуск | 1_Порт.Пр_0] /Стоп\n");
  frame->SimulateButton()->click();
  EXPECT_EQ(frame->Simulator(), nullptr);
  EXPECT_FALSE(frame->OutputList()->isVisible());
  EXPECT_TRUE(frame->TaskButton()->isEnabled());
}

TEST_F(LadderWindowTest, PrintsTheProgramAsPdf) {
  frame->TaskButton()->click();
  frame->ContactButton()->setChecked(true);
  Click(0, 0);
  frame->ContactButton()->setChecked(false);
  Click(0, 0);
  ChooseSignal("Пуск");
  const QString path = File("logic.pdf");
  ASSERT_TRUE(frame->PrintPdf(path));
  QFile pdf(path);
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  const QByteArray head = pdf.read(5);
  EXPECT_EQ(head, QByteArray("%PDF-"));
  EXPECT_GT(pdf.size(), 1000);
  EXPECT_FALSE(frame->PrintPdf(File("missing/dir/logic.pdf")));
}

// The inputs of the simulation from a linked controller's live values (the stand-in gives
// every address its own number, non-zero, unless told a value).
TEST_F(LadderWindowTest, LiveInputsComeFromTheLinkedController) {
  frame->TaskButton()->click();
  frame->ContactButton()->setChecked(true);
  Click(0, 0);
  Click(1, 0);
  frame->ContactButton()->setChecked(false);
  Click(0, 0);
  ChooseSignal("Пуск");
  Click(1, 0);
  ChooseSignal("Стоп");
  frame->InverseBox()->click();
  ASSERT_EQ(Text(), "1_Порт.Пр_0\n  Пуск /Стоп\n");
  const int stop = 8192 + config().Storage().IndexOf(kKindTS, riv->Inputs()->At(1));

  // vilk-sim on a free UDP port of 127.0.0.1; Стоп reads 0, Пуск its address.
  QProcess sim;
  sim.start(
      QStringLiteral(VILK_SIM_PATH),
      {QStringLiteral("--dir"), home.path(), QStringLiteral("--udp"), QStringLiteral("127.0.0.1:0"),
       QStringLiteral("--value"), QStringLiteral("%1=0").arg(stop)});
  std::uint16_t simPort = 0;
  QElapsedTimer t;
  t.start();
  bool ready = false;
  while (!ready && t.elapsed() < 10000) {
    if (!sim.canReadLine() && !sim.waitForReadyRead(200)) continue;
    while (sim.canReadLine()) {
      const QString line = QString::fromUtf8(sim.readLine()).trimmed();
      if (line.startsWith(QStringLiteral("udp ")))
        simPort = static_cast<std::uint16_t>(line.section(QLatin1Char(':'), -1).toInt());
      if (line == QStringLiteral("ready")) ready = true;
    }
  }
  ASSERT_TRUE(ready && simPort);
  ui::DeviceRunner* runner = window->Runner();
  runner->Settings.LinkMode = kLinkUdp;
  runner->Settings.SelfIP = {127, 0, 0, 1};
  runner->Settings.DestIP = {127, 0, 0, 1};
  runner->Options.SelfPort = 0;
  runner->Options.DestPort = simPort;
  runner->Options.AnswerWaitMs = 1500;
  runner->Options.ValidateSelf = false;
  runner->Login.Confirm("", "");

  EXPECT_FALSE(frame->LiveBox()->isVisible());
  frame->SimulateButton()->click();
  ASSERT_TRUE(frame->LiveBox()->isVisible());
  ASSERT_TRUE(frame->LiveBox()->isEnabled());
  frame->LiveBox()->setChecked(true);
  t.restart();
  while (t.elapsed() < 8000 && !frame->Simulator()->Output(0))
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(frame->Simulator()->Output(0));
  EXPECT_EQ(frame->OutputList()->item(0)->text(), QStringLiteral("1_Порт.Пр_0 = 1"));
  // A click no longer toggles an input while they are live.
  Click(0, 0);
  EXPECT_TRUE(frame->Simulator()->Value(riv->Inputs()->At(0)));
  // A device command takes the link: the live inputs stop until it ends.
  ASSERT_TRUE(window->SetTimeCommand());
  EXPECT_FALSE(frame->LiveBox()->isChecked());
  EXPECT_FALSE(frame->LiveBox()->isEnabled());
  t.restart();
  while (window->Runner()->Busy() && t.elapsed() < 20000)
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(frame->LiveBox()->isEnabled());
  frame->SimulateButton()->click();
  EXPECT_EQ(frame->Simulator(), nullptr);
  sim.terminate();
  sim.waitForFinished(3000);
}

}  // namespace
}  // namespace vilk::test
