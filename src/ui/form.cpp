#include "form.h"

#include <QHBoxLayout>

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
  BindKept<QString>([edit] { return edit->text(); }, [edit, &field] { edit->setText(Q(field)); },
                    [edit, &field, maxChars] {
                      field = Truncate(S(edit->text()), static_cast<std::size_t>(maxChars));
                    });
  return edit;
}

IpEdit* Form::Ip(const QString& label, std::uint32_t& field) {
  return Ip(
      label, [&field] { return field; }, [&field](std::uint32_t v) { field = v; });
}

IpEdit* Form::Ip(const QString& label, std::function<std::uint32_t()> get,
                 std::function<void(std::uint32_t)> set) {
  auto* ip = new IpEdit(container_);
  Add(label, ip);
  BindKept<std::uint32_t>([ip] { return ip->Value(); }, [ip, get] { ip->SetValue(get()); },
                          [ip, set] { set(ip->Value()); });
  return ip;
}

FormatTable* Form::Formats(const QString& title, const QStringList& lines,
                           std::vector<FormatColumn> columns) {
  auto* table = new FormatTable(title, lines, std::move(columns), container_);
  layout_->addRow(table);
  frame_->Bind([table] { table->Load(); }, [table] { table->Store(); });
  return table;
}

ValueLabel* Form::Value(const QString& label, std::function<QString()> text) {
  auto* value = new ValueLabel(std::move(text), container_);
  Add(label, value);
  frame_->Bind([value] { value->Refresh(); }, [] {});
  return value;
}

std::vector<QPushButton*> Form::Exports(const std::vector<ExportCommand>& commands) {
  auto* row = new QWidget(container_);
  auto* h = new QHBoxLayout(row);
  h->setContentsMargins(0, 0, 0, 0);
  std::vector<QPushButton*> buttons;
  for (const ExportCommand& command : commands) {
    auto* button = new QPushButton(command.Text, row);
    h->addWidget(button);
    ItemFrame* frame = frame_;
    QObject::connect(button, &QPushButton::clicked, frame,
                     [frame, command] { frame->Export(command); });
    buttons.push_back(button);
  }
  h->addStretch();
  layout_->addRow(row);
  return buttons;
}

}  // namespace vilk::ui
