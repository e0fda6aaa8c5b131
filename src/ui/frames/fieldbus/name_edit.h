#pragma once
// The name input dialog (TfEdit): a prompt, a line preset with the current value and all
// of it selected, "Установить" and "Отмена". A right click on the dialog cancels too.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>

namespace vilk::ui {

class TfEdit : public QDialog {
  Q_OBJECT
 public:
  TfEdit(QWidget* parent, const QString& prompt, const QString& value, int maxChars);

  QLabel* Prompt() const { return label_; }
  QLineEdit* Edit() const { return edit_; }
  // The edited text cut to the dialog's length.
  QString Text() const;

  // Shows the dialog; true with `value` set to the text when accepted.
  static bool Ask(QWidget* parent, const QString& prompt, QString& value, int maxChars);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QLabel* label_;
  QLineEdit* edit_;
  int maxChars_;
};

}  // namespace vilk::ui
