#include "frames/modules/port_address.h"

#include <QMouseEvent>

namespace vilk::ui {

PortAddressField::PortAddressField(ItemFrame* frame, Form& form, TItem* port,
                                   std::function<void(int)> renumber)
    : QLineEdit(form.Container()), frame_(frame), port_(port), renumber_(std::move(renumber)) {
  setReadOnly(true);
  setObjectName(QStringLiteral("Адрес порта"));
  setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("8888")) + 16);
  form.Add(QStringLiteral("Адрес порта"), this);
  frame->Bind([this] { setText(QString::number(port_->Number)); }, [] {});
}

void PortAddressField::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    OpenPicker();
    return;
  }
  QLineEdit::mousePressEvent(event);
}

TAddrEditForm* PortAddressField::OpenPicker() {
  if (picker_) return picker_;
  AddressRange range = PortAddresses();
  if (TItem* parent = port_->Parent())
    for (int i = 0; i < parent->ChildCount(); ++i)
      if (TItem* other = parent->Child(i); other != port_) range.Used.insert(other->Number);
  range.Own = port_->Number;
  picker_ = new TAddrEditForm(range, this);
  picker_->setAttribute(Qt::WA_DeleteOnClose);
  picker_->move(mapToGlobal(QPoint(0, height())));
  connect(picker_, &TAddrEditForm::Picked, this, [this](int number) {
    if (number == port_->Number) return;
    renumber_(number);
    setText(QString::number(number));
    frame_->ItemEdited();
  });
  picker_->show();
  return picker_;
}

QLabel* FrameTitle(const QString& text, QWidget* parent) {
  auto* title = new QLabel(text, parent);
  QFont f = title->font();
  f.setBold(true);
  title->setFont(f);
  return title;
}

}  // namespace vilk::ui
