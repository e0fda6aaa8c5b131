#pragma once
// "Идентификация пользователя": the login to the controller.
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <functional>

#include "base/ini.h"
#include "link/login.h"

namespace vilk::ui {

class TPasswordForm : public QDialog {
  Q_OBJECT
 public:
  TPasswordForm(QWidget* parent, LoginState& login, KeySettings& keys, IniDocument& ini);
  // Opens the dialog; true when it was confirmed.
  static bool Ask(QWidget* parent, LoginState& login, KeySettings& keys, IniDocument& ini);

  QLineEdit* UserEdit() const { return user_; }
  QLineEdit* PasswordEdit() const { return password_; }
  QCheckBox* ShowBox() const { return show_; }
  QCheckBox* SaveBox() const { return save_; }
  void Confirm();  // OK
  // "Добавить в файл"; tests replace the chooser.
  std::function<QString()> ChooseFile;
  bool AddToFile();

 private:
  LoginState& login_;
  KeySettings& keys_;
  IniDocument& ini_;
  QLineEdit *user_, *password_;
  QCheckBox *show_, *save_;
};

}  // namespace vilk::ui
