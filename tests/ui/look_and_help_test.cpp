// The window's look and help: the first size fits the frames, colours come from the palette
// and stay readable in a dark theme, node icons are drawn for the screen's pixel ratio, F1
// opens the page of the open frame, and the window's --version says the version the about box shows
// (vilkcfg's: tests/cli).
#include <QAbstractScrollArea>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTextBrowser>
#include <QTimer>
#include <set>

#include "app.h"
#include "base/version.h"
#include "controller/port_ip.h"
#include "help_dialog.h"
#include "help_pages.h"
#include "icons.h"
#include "qt_text.h"
#include "signals/signal_table.h"
#include "theme.h"
#include "ui_fixture.h"
#include "window_fit.h"

namespace vilk::test {
namespace {

using ui::Q;
using ui::S;

// Sets the application palette for one test and puts the old one back.
class PaletteScope {
 public:
  explicit PaletteScope(const QPalette& p) : old_(QApplication::palette()) {
    QApplication::setPalette(p);
  }
  ~PaletteScope() { QApplication::setPalette(old_); }

 private:
  QPalette old_;
};

QPalette LightPalette() {
  QPalette p;
  p.setColor(QPalette::Base, Qt::white);
  p.setColor(QPalette::Text, Qt::black);
  p.setColor(QPalette::Link, QColor(0x00, 0x00, 0xFF));
  p.setColor(QPalette::PlaceholderText, QColor(0x80, 0x80, 0x80));
  return p;
}

// High contrast as desktops ship it: black background, white text, yellow links, and a
// placeholder colour too dim to be read.
QPalette HighContrastPalette() {
  QPalette p;
  p.setColor(QPalette::Base, Qt::black);
  p.setColor(QPalette::Window, Qt::black);
  p.setColor(QPalette::Text, Qt::white);
  p.setColor(QPalette::WindowText, Qt::white);
  p.setColor(QPalette::Link, QColor(0xFF, 0xFF, 0x00));
  p.setColor(QPalette::PlaceholderText, QColor(0x30, 0x30, 0x30));
  p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x30, 0x30, 0x30));
  p.setColor(QPalette::Mid, QColor(0x28, 0x28, 0x28));
  return p;
}

TEST(ThemeTest, MarksStandOutFromTheBackgroundInEveryTheme) {
  // The ratio itself: black on white is 21, a colour on itself 1.
  EXPECT_NEAR(ui::ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
  EXPECT_NEAR(ui::ContrastRatio(QColor(0x12, 0x34, 0x56), QColor(0x12, 0x34, 0x56)), 1.0, 1e-9);
  // The blue the names had is unreadable on a dark base: that is what is mended.
  EXPECT_LT(ui::ContrastRatio(Qt::blue, ui::DarkPalette().color(QPalette::Base)), 2.5);

  for (const QPalette& p : {LightPalette(), ui::DarkPalette(), HighContrastPalette()}) {
    const QColor base = p.color(QPalette::Base);
    SCOPED_TRACE(S(base.name()));
    EXPECT_GE(ui::ContrastRatio(ui::RenamedText(p), base), 4.5);
    EXPECT_GE(ui::ContrastRatio(ui::ErrorText(p), base), 4.5);
    EXPECT_GE(ui::ContrastRatio(ui::GoodText(p), base), 4.5);
    EXPECT_GE(ui::ContrastRatio(ui::GreyedText(p), base), 3.0);
    EXPECT_NE(ui::RenamedText(p), p.color(QPalette::Text)) << "a renamed signal still shows";
  }
  EXPECT_FALSE(ui::IsDark(LightPalette()));
  EXPECT_TRUE(ui::IsDark(ui::DarkPalette()));
  // The theme's own link colour is taken when it reads well.
  EXPECT_EQ(ui::RenamedText(HighContrastPalette()), QColor(0xFF, 0xFF, 0x00));
  // A placeholder too dim for the background is replaced by the text colour.
  EXPECT_EQ(ui::GreyedText(HighContrastPalette()), QColor(Qt::white));
  EXPECT_EQ(ui::ErrorText(LightPalette()), QColor(0xB0, 0x00, 0x00));
  EXPECT_EQ(ui::ErrorText(ui::DarkPalette()), QColor(0xFF, 0x6B, 0x6B));
}

TEST_F(WindowTest, SignalNamesTakeTheirColoursFromTheDarkPalette) {
  PaletteScope dark(ui::DarkPalette());
  FieldPort* port = AddFieldPort(config(), 1, "Насосная", 3, 0, 0);
  TParams* ts = port->TS();
  ts->At(1)->SetName("Авария насоса");
  ts->At(2)->Unresolved = true;
  ts->At(0)->Selected = true;
  ui::SignalTableModel model(ts, nullptr);
  const int name = model.ColumnOf(ui::SignalColumn::Name);
  auto fg = [&](int row) {
    return model.data(model.index(row, name), Qt::ForegroundRole).value<QColor>();
  };
  const QPalette p = ui::DarkPalette();
  EXPECT_EQ(fg(0), p.color(QPalette::HighlightedText));
  EXPECT_EQ(model.data(model.index(0, name), Qt::BackgroundRole).value<QColor>(),
            p.color(QPalette::Highlight));
  EXPECT_EQ(fg(1), ui::RenamedText(p));
  EXPECT_EQ(fg(2), ui::GreyedText(p));
  for (int row : {1, 2}) EXPECT_GE(ui::ContrastRatio(fg(row), p.color(QPalette::Base)), 3.0);
}

TEST(IconTest, NodeIconsAreDrawnForThePixelRatio) {
  const QIcon icon = ui::NodeIcon(5);
  for (const qreal ratio : {1.0, 1.5, 2.0, 3.0}) {
    const QPixmap pm = icon.pixmap(QSize(16, 16), ratio);
    SCOPED_TRACE(ratio);
    EXPECT_EQ(pm.size(), QSize(qRound(16 * ratio), qRound(16 * ratio)));
    EXPECT_DOUBLE_EQ(pm.devicePixelRatio(), ratio);
  }
  // Drawn at 32 pixels, not blown up from 16: the rounded corner is antialiased at its own
  // scale, so the 32-pixel image differs from the 16-pixel one scaled up.
  const QImage big = icon.pixmap(QSize(16, 16), 2.0).toImage();
  const QImage small = icon.pixmap(QSize(16, 16), 1.0).toImage().scaled(32, 32);
  EXPECT_NE(big.convertToFormat(QImage::Format_ARGB32),
            small.convertToFormat(QImage::Format_ARGB32));
  const QPixmap warned = ui::NodeIconWithState(5, 3).pixmap(QSize(34, 16), 2.0);
  EXPECT_EQ(warned.size(), QSize(68, 32));
}

TEST_F(WindowTest, TheFirstStartFitsTheLargestFrameAsFarAsTheScreenAllows) {
  // No settings file: the stored default place, grown to what the frames need.
  const QSize hint = ui::LargestFrameHint();
  EXPECT_GT(hint.width(), 400);
  const QRect avail = window->screen()->availableGeometry();
  const QRect g = window->geometry();
  EXPECT_TRUE(avail.contains(g)) << g.x() << "," << g.y() << " " << g.width() << "x" << g.height();
  EXPECT_GE(g.width(), std::min(hint.width() + 330, avail.width()));
  EXPECT_GE(g.width(), std::min(657, avail.width()));
  EXPECT_GE(g.height(), std::min(446, avail.height() - 30));
  // A stored size larger than the screen is the user's and kept; a place off the screen is
  // brought back so that the title bar can be reached.
  IniDocument ini;
  ini.WriteInteger("Form", "Left", avail.right() + 500);
  ini.WriteInteger("Form", "Top", -300);
  ini.WriteInteger("Form", "Width", avail.width() + 400);
  ini.WriteInteger("Form", "Height", avail.height() + 400);
  window.reset();
  ASSERT_TRUE(ini.SaveFile(S(File(QStringLiteral("Vilk.ini")))));
  window = std::make_unique<ui::TForm1>(home.path(), &messages);
  EXPECT_EQ(window->geometry(),
            QRect(avail.left(), avail.top() + 30, avail.width() + 400, avail.height() + 400));
}

TEST_F(WindowTest, ThePcFrameOpensUnclippedAtTheFirstSize) {
  TPortIP* ip = config().Controller().PortIP();
  ASSERT_NE(ip, nullptr);
  const KindRow* pcRow = nullptr;
  for (const KindRow& row : KindTable())
    if (row.Parent == kPortIP && row.Make && std::string(row.ClassName) == "TPC") pcRow = &row;
  ASSERT_NE(pcRow, nullptr);
  TItem* pc = ip->AddChild(pcRow->Code);
  ASSERT_NE(pc, nullptr);
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  ASSERT_TRUE(editor()->Select(pc));
  Settle();
  ui::ItemFrame* frame = editor()->CurrentFrame();
  ASSERT_NE(frame, nullptr);
  auto* area = qobject_cast<QScrollArea*>(frame->parentWidget()->parentWidget());
  ASSERT_NE(area, nullptr);
  const QRect avail = window->screen()->availableGeometry();
  if (frame->sizeHint().width() + 330 + 32 <= avail.width()) {
    EXPECT_FALSE(area->horizontalScrollBar()->isVisible());
    EXPECT_GE(area->viewport()->width(), frame->sizeHint().width());
  } else {
    // A screen narrower than the frame: the window takes the whole width.
    EXPECT_GE(window->width(), avail.width() - 1);
  }
}

TEST_F(WindowTest, F1OpensThePageOfTheOpenFrame) {
  ShowWindow();
  TPortIP* ip = config().Controller().PortIP();
  ASSERT_TRUE(editor()->Select(ip));
  Settle();
  ui::ItemFrame* frame = editor()->CurrentFrame();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->HelpContext(), ui::HelpContextOf({0, kPortIP}));
  EXPECT_EQ(frame->HelpContext(), 100000 + 3 * 256 + 100);
  QTest::keyClick(window.get(), Qt::Key_F1);
  Settle();
  auto* help = QApplication::topLevelWidgets().isEmpty() ? nullptr : [] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == QStringLiteral("helpWindow") && w->isVisible()) return w;
    return static_cast<QWidget*>(nullptr);
  }();
  ASSERT_NE(help, nullptr);
  const QString page = help->findChild<QTextBrowser*>()->toPlainText();
  EXPECT_TRUE(page.contains(QStringLiteral("Сетевые настройки контроллера"))) << S(page);
  // Each field with its input and range; the GSM texts with their length.
  EXPECT_TRUE(page.contains(QStringLiteral("Маска подсети")) ||
              page.contains(QStringLiteral("Маска  подсети")));
  EXPECT_TRUE(page.contains(QStringLiteral("четыре числа от 0 до 255")));
  EXPECT_TRUE(page.contains(QStringLiteral("до 16 символов")));
  EXPECT_TRUE(page.contains(QStringLiteral("Клавиши")));
  EXPECT_TRUE(page.contains(QStringLiteral("Ctrl+Z")));
  EXPECT_TRUE(page.contains(QStringLiteral("Ctrl+Shift+S")));

  // Another kind, another page: the controller's.
  help->close();
  Settle();
  ASSERT_TRUE(editor()->Select(&config().Controller()));
  Settle();
  QTest::keyClick(window.get(), Qt::Key_F1);
  Settle();
  help = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QStringLiteral("helpWindow") && w->isVisible()) help = w;
  ASSERT_NE(help, nullptr);
  const QString second = help->findChild<QTextBrowser*>()->toPlainText();
  EXPECT_TRUE(second.contains(QStringLiteral("Модель контроллера и её платы"))) << S(second);
  EXPECT_FALSE(second.contains(QStringLiteral("Сетевые настройки контроллера")));
  // "Как пользоваться" keeps context 1, with the keys at its end as well.
  window->HelpCommand(-1);
  Settle();
  const QString usage = help->findChild<QTextBrowser*>()->toPlainText();
  EXPECT_TRUE(usage.startsWith(QStringLiteral("Как пользоваться")));
  EXPECT_TRUE(usage.contains(QStringLiteral("Ctrl+F")));
  help->close();
}

TEST(HelpPageTest, EveryKindTheTableBuildsSaysWhatItIsFor) {
  int built = 0;
  std::set<int> contexts;
  for (const KindRow& row : KindTable()) {
    if (!row.Make) continue;
    ++built;
    EXPECT_FALSE(ui::KindPurpose(row.ClassName).isEmpty()) << row.ClassName;
    contexts.insert(ui::HelpContextOf(row.Key()));
  }
  EXPECT_EQ(static_cast<int>(contexts.size()), built) << "one page per kind";
  EXPECT_EQ(contexts.count(1), 0u) << "context 1 stays Как пользоваться";
  EXPECT_FALSE(ui::KindPurpose("TController").isEmpty());
  EXPECT_TRUE(ui::KindPurpose("TNoSuchKind").isEmpty());
}

TEST(HelpPageTest, EveryFieldIsListedWithRangeAndUnit) {
  QWidget frame;
  auto* form = new QFormLayout(&frame);
  auto* spin = new QSpinBox(&frame);
  spin->setRange(10, 60000);
  form->addRow(QStringLiteral("Таймаут ответа, мс"), spin);
  auto* speed = new QSpinBox(&frame);
  speed->setRange(1, 8);
  form->addRow(QStringLiteral("Порт, номер 2"), speed);
  auto* choice = new QComboBox(&frame);
  choice->addItems({QStringLiteral("9600"), QStringLiteral("57600")});
  choice->setToolTip(QStringLiteral("Скорость линии"));
  form->addRow(QStringLiteral("Скорость, бит/с"), choice);
  auto* text = new QLineEdit(&frame);
  text->setMaxLength(12);
  form->addRow(QStringLiteral("Имя <b>"), text);
  const QString html = ui::FrameHelpPage(1234567, frame, QStringLiteral("12_Порт"));
  EXPECT_TRUE(html.contains(QStringLiteral(
      "<tr><td>Таймаут ответа, мс</td><td>число</td><td>от 10 до 60000</td><td>мс</td><td></td>"
      "</tr>")))
      << S(html);
  // "номер 2" is no unit.
  EXPECT_TRUE(html.contains(QStringLiteral(
      "<tr><td>Порт, номер 2</td><td>число</td><td>от 1 до 8</td><td></td><td></td></tr>")));
  EXPECT_TRUE(html.contains(
      QStringLiteral("<tr><td>Скорость, бит/с</td><td>выбор из списка</td><td>9600; 57600</td>"
                     "<td>бит/с</td><td>Скорость линии</td></tr>")));
  // Labels are shown as text, never as markup.
  EXPECT_TRUE(html.contains(QStringLiteral("<td>Имя &lt;b&gt;</td>")));
  EXPECT_TRUE(html.contains(QStringLiteral("<td>до 12 символов</td>")));
  EXPECT_TRUE(html.contains(QStringLiteral("<h2>12_Порт</h2>")));
}

TEST(VersionTest, TheWindowProgramSaysTheVersionOfTheAboutBox) {
  const std::string version = ProgramVersion();
  // Three numbers from the build's project version.
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$"))
                  .match(QString::fromStdString(version))
                  .hasMatch())
      << version;
  testing::internal::CaptureStdout();
  char arg0[] = "vilk", arg1[] = "--version";
  char* argv[] = {arg0, arg1, nullptr};
  EXPECT_EQ(ui::RunApplication(2, argv), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "vilk " + version + "\n");

  // The about box shows the same text.
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* label = w->findChild<QLabel*>(QStringLiteral("aboutText"))) {
        const QString text = label->text();
        w->setProperty("seen", text);
        qApp->setProperty("aboutText", text);
        w->close();
      }
  });
  ui::ShowAbout(nullptr);
  EXPECT_TRUE(qApp->property("aboutText")
                  .toString()
                  .contains(QStringLiteral("Версия ") + QString::fromStdString(version)));
}

}  // namespace
}  // namespace vilk::test
