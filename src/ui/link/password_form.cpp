#include "link/password_form.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRandomGenerator>
#include <QVBoxLayout>

#include "gui_messages.h"
#include "qt_text.h"

namespace vilk::ui {

TPasswordForm::TPasswordForm(QWidget* parent, LoginState& login, KeySettings& keys,
                             IniDocument& ini)
    : QDialog(parent), login_(login), keys_(keys), ini_(ini) {
  setWindowTitle(QStringLiteral("Идентификация пользователя"));
  keys_.Load(ini_);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  user_ = new QLineEdit(Q(keys_.UserLogin), this);
  user_->setMaxLength(static_cast<int>(kUserNameChars));
  password_ = new QLineEdit(Q(PasswordUnscramble(keys_.UserPassword)), this);
  password_->setMaxLength(static_cast<int>(kPasswordChars));
  form->addRow(QStringLiteral("Имя пользователя"), user_);
  form->addRow(QStringLiteral("Пароль"), password_);
  layout->addLayout(form);
  show_ = new QCheckBox(QStringLiteral("Показать пароль"), this);
  save_ = new QCheckBox(QStringLiteral("Запомнить пароль"), this);
  show_->setChecked(keys_.ShowPassword);
  save_->setChecked(keys_.SavePassword);
  password_->setEchoMode(keys_.ShowPassword ? QLineEdit::Normal : QLineEdit::Password);
  layout->addWidget(show_);
  layout->addWidget(save_);
  auto* buttons = new QHBoxLayout;
  auto* add = new QPushButton(QStringLiteral("Добавить в файл"), this);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
  ok->setDefault(true);
  buttons->addWidget(add);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);

  ChooseFile = [this] {
    return QFileDialog::getSaveFileName(this, QString(), QString(),
                                        QStringLiteral("Файл ключей (*.ini)"));
  };
  connect(show_, &QCheckBox::toggled, this, [this](bool on) {
    password_->setEchoMode(on ? QLineEdit::Normal : QLineEdit::Password);
  });
  connect(ok, &QPushButton::clicked, this, [this] {
    Confirm();
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(add, &QPushButton::clicked, this, &TPasswordForm::AddToFile);
}

bool TPasswordForm::Ask(QWidget* parent, LoginState& login, KeySettings& keys, IniDocument& ini) {
  TPasswordForm form(parent, login, keys, ini);
  return form.exec() == QDialog::Accepted;
}

void TPasswordForm::Confirm() {
  ConfirmLoginDialog(login_, keys_, S(user_->text()), S(password_->text()), show_->isChecked(),
                     save_->isChecked(), static_cast<int>(QRandomGenerator::global()->bounded(31)));
  keys_.Store(ini_);
}

bool TPasswordForm::AddToFile() {
  QString path = ChooseFile();
  if (path.isEmpty()) return false;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".ini");
  std::string error;
  if (!AddToPasswordFile(S(path), S(user_->text()), S(password_->text()), &error)) {
    GuiMessages(this).Error("Ошибка записи файла " + S(path));
    return false;
  }
  return true;
}

}  // namespace vilk::ui
