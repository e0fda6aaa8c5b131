#include "help_dialog.h"

#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "base/version.h"
#include "gui_messages.h"
#include "help_pages.h"
#include "icons.h"

// The pages are compiled into the static library: the linker keeps them only when they are
// asked for by name.
static void InitHelpPages() {
  Q_INIT_RESOURCE(help);
}

namespace vilk::ui {

QString HelpPage(int context) {
  static const bool ready = (InitHelpPages(), true);
  (void)ready;
  QFile file(QStringLiteral(":/help/%1.html").arg(context));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

void ShowHelp(QWidget* parent, int context, const QWidget* frame, const QString& caption) {
  // One help window at a time: a new request replaces the page of the open one.
  static QPointer<QDialog> window;
  QString page = HelpPage(context);
  if (page.isEmpty() && frame && context != 1) page = FrameHelpPage(context, *frame, caption);
  if (page.isEmpty()) page = HelpPage(1);
  // Every page ends with the keys of the window.
  if (!page.contains(QStringLiteral("<h3>Клавиши</h3>")))
    page.replace(QStringLiteral("</body>"), ShortcutsSection() + QStringLiteral("</body>"));
  if (!window) {
    window = new QDialog(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(QStringLiteral("helpWindow"));
    window->setWindowTitle(QStringLiteral("Справка для программы \"Конфигуратор ВИЛК\""));
    auto* layout = new QVBoxLayout(window);
    auto* browser = new QTextBrowser(window);
    browser->setObjectName(QStringLiteral("helpBrowser"));
    layout->addWidget(browser);
    window->resize(620, 480);
  }
  window->findChild<QTextBrowser*>(QStringLiteral("helpBrowser"))->setHtml(page);
  window->show();
  window->raise();
}

namespace {
// A left click anywhere closes the about box.
class AboutBox : public QDialog {
 public:
  explicit AboutBox(QWidget* parent) : QDialog(parent) {}

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) accept();
    QDialog::mouseReleaseEvent(event);
  }
};
}  // namespace

void ShowAbout(QWidget* parent) {
  AboutBox box(parent);
  box.setWindowTitle(QStringLiteral("О программе"));
  auto* layout = new QHBoxLayout(&box);
  auto* icon = new QLabel(&box);
  icon->setPixmap(NodeIcon(3).pixmap(48, 48));
  icon->setAlignment(Qt::AlignTop);
  layout->addWidget(icon);
  auto* text = new QLabel(&box);
  text->setText(
      QStringLiteral(
          "<b>%1</b><br><br>Конфигуратор контроллера ВИЛК.<br>Версия %2<br><br>"
          "Настройка контроллера телемеханики ВИЛК:<br>платы, порты, устройства, сигналы.")
          .arg(QString::fromUtf8(kAppTitle), QString::fromLatin1(ProgramVersion())));
  text->setObjectName(QStringLiteral("aboutText"));
  layout->addWidget(text);
  box.exec();
}

}  // namespace vilk::ui
