#include "gui_messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "qt_text.h"

namespace vilk::ui {

void GuiMessages::Error(const std::string& text) {
  QApplication::beep();
  QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kAppTitle) + " - Ошибка",
                  MessageText(text), QMessageBox::NoButton, parent_);
  box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.exec();
}

Answer GuiMessages::Question(const std::string& text, bool withCancel) {
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(kAppTitle) + " - Запрос",
                  MessageText(text), QMessageBox::NoButton, parent_);
  QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
  QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
  QPushButton* cancel =
      withCancel ? box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole) : nullptr;
  box.setDefaultButton(yes);
  box.setEscapeButton(cancel ? cancel : no);
  box.exec();
  if (box.clickedButton() == yes) return Answer::Yes;
  if (box.clickedButton() == no) return Answer::No;
  return Answer::Cancel;
}

void GuiMessages::Beep() {
  QApplication::beep();
}

void GuiMessages::Info(const std::string& text) {
  QMessageBox box(QMessageBox::Information, QString::fromUtf8(kAppTitle), MessageText(text),
                  QMessageBox::NoButton, parent_);
  box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.exec();
}

}  // namespace vilk::ui
