#include "frames/fieldbus/name_edit.h"

#include <QMouseEvent>
#include <QVBoxLayout>

#include "gui_messages.h"
#include "widgets.h"

namespace vilk::ui {

TfEdit::TfEdit(QWidget* parent, const QString& prompt, const QString& value, int maxChars)
    : QDialog(parent), maxChars_(maxChars) {
  setWindowTitle(QString::fromUtf8(kAppTitle) + QStringLiteral(" - Ввод"));
  auto* layout = new QVBoxLayout(this);
  label_ = new QLabel(prompt, this);
  edit_ = new QLineEdit(value, this);
  edit_->setMinimumWidth(edit_->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 20);
  edit_->selectAll();
  layout->addWidget(label_);
  layout->addWidget(edit_);
  AddAcceptRow(this, layout, QStringLiteral("Установить"), QStringLiteral("Отмена"));
  edit_->setFocus();
}

QString TfEdit::Text() const {
  return edit_->text().left(maxChars_);
}

void TfEdit::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    reject();
    return;
  }
  QDialog::mousePressEvent(event);
}

bool TfEdit::Ask(QWidget* parent, const QString& prompt, QString& value, int maxChars) {
  TfEdit dialog(parent, prompt, value, maxChars);
  if (dialog.exec() != QDialog::Accepted) return false;
  value = dialog.Text();
  return true;
}

}  // namespace vilk::ui
