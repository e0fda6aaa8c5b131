#include "form.h"

namespace vilk::ui {

Form::Form(ItemFrame* frame, QWidget* container)
    : frame_(frame), container_(container), layout_(new QFormLayout(container)) {
  layout_->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
  layout_->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void Form::Add(const QString& label, QWidget* field) {
  // The label names the field, so that tests and accessibility tools find it.
  if (field->objectName().isEmpty()) field->setObjectName(label);
  if (label.isEmpty())
    layout_->addRow(field);
  else
    layout_->addRow(label, field);
}

Form Form::Group(const QString& title) {
  auto* box = new QGroupBox(title, container_);
  layout_->addRow(box);
  return Form(frame_, box);
}

QLineEdit* Form::Text(const QString& label, std::string& field, int maxChars) {
  auto* edit = new QLineEdit(container_);
  edit->setMaxLength(maxChars);
  edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('W')) *
                        std::min(maxChars, 10));
  Add(label, edit);
  frame_->Bind([edit, &field] { edit->setText(Q(field)); },
               [edit, &field, maxChars] {
                 field = Truncate(S(edit->text()), static_cast<std::size_t>(maxChars));
               });
  QObject::connect(edit, &QLineEdit::textEdited, frame_, &ItemFrame::MarkModified);
  return edit;
}

IpEdit* Form::Ip(const QString& label, std::uint32_t& field) {
  auto* ip = new IpEdit(container_);
  Add(label, ip);
  frame_->Bind([ip, &field] { ip->SetValue(field); }, [ip, &field] { field = ip->Value(); });
  QObject::connect(ip, &IpEdit::Changed, frame_, &ItemFrame::MarkModified);
  return ip;
}

QLabel* Form::Value(const QString& label, std::function<QString()> text) {
  auto* value = new QLabel(container_);
  Add(label, value);
  frame_->Bind([value, text] { value->setText(text()); }, [] {});
  return value;
}

}  // namespace vilk::ui
