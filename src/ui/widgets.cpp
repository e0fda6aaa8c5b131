#include "widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace vilk::ui {

ClampSpinBox::ClampSpinBox(QWidget* parent) : QSpinBox(parent) {
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
  setKeyboardTracking(true);
}

QValidator::State ClampSpinBox::validate(QString& input, int& pos) const {
  if (input.isEmpty()) return QValidator::Intermediate;
  if (input == QLatin1String("-") && minimum() < 0) return QValidator::Intermediate;
  bool ok = false;
  const qlonglong v = input.toLongLong(&ok);
  if (!ok) return QValidator::Invalid;
  if (v > maximum()) {
    input = QString::number(maximum());
    pos = static_cast<int>(input.size());
    return QValidator::Acceptable;
  }
  if (v < minimum())
    return minimum() >= 0 && v >= 0 ? QValidator::Intermediate : QValidator::Invalid;
  return QValidator::Acceptable;
}

void ClampSpinBox::fixup(QString& input) const {
  bool ok = false;
  const qlonglong v = input.toLongLong(&ok);
  if (input.isEmpty() || !ok || v < minimum())
    input = QString::number(minimum());
  else if (v > maximum())
    input = QString::number(maximum());
}

void ClampSpinBox::focusOutEvent(QFocusEvent* event) {
  if (lineEdit()->text().isEmpty()) setValue(minimum());
  QSpinBox::focusOutEvent(event);
}

HexSpinEdit::HexSpinEdit(int digits, QWidget* parent)
    : QWidget(parent), spin_(new ClampSpinBox(this)), echo_(new QLabel(this)), digits_(digits) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(spin_);
  row->addWidget(echo_);
  row->addStretch();
  auto echo = [this](int v) {
    echo_->setText(QStringLiteral("0x%1").arg(v, digits_, 16, QLatin1Char('0')));
  };
  connect(spin_, &QSpinBox::valueChanged, this, echo);
  echo(spin_->value());
}

ValueLabel::ValueLabel(std::function<QString()> text, QWidget* parent)
    : QLabel(parent), text_(std::move(text)) {}

std::uint32_t IpFromBytes(const std::array<std::uint8_t, 4>& bytes) {
  return (static_cast<std::uint32_t>(bytes[0]) << 24) |
         (static_cast<std::uint32_t>(bytes[1]) << 16) |
         (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
}

std::array<std::uint8_t, 4> IpToBytes(std::uint32_t ip) {
  return {static_cast<std::uint8_t>(ip >> 24), static_cast<std::uint8_t>(ip >> 16),
          static_cast<std::uint8_t>(ip >> 8), static_cast<std::uint8_t>(ip)};
}

IpEdit::IpEdit(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  for (int i = 0; i < 4; ++i) {
    auto* octet = new ClampSpinBox(this);
    octet->setRange(0, 255);
    octet->setButtonSymbols(QAbstractSpinBox::NoButtons);
    octet->setAlignment(Qt::AlignRight);
    octet->setFixedWidth(octet->fontMetrics().horizontalAdvance(QStringLiteral("255")) + 14);
    connect(octet, &QSpinBox::valueChanged, this, &IpEdit::Changed);
    octets_[static_cast<std::size_t>(i)] = octet;
    row->addWidget(octet);
    if (i < 3) row->addWidget(new QLabel(QStringLiteral("."), this));
  }
  row->addStretch();
}

std::uint32_t IpEdit::Value() const {
  std::uint32_t v = 0;
  for (auto* octet : octets_) v = (v << 8) | static_cast<std::uint32_t>(octet->value());
  return v;
}

void IpEdit::SetValue(std::uint32_t ip) {
  for (int i = 0; i < 4; ++i)
    octets_[static_cast<std::size_t>(i)]->setValue(static_cast<int>((ip >> (24 - 8 * i)) & 255));
}

QPushButton* AddAcceptRow(QDialog* dialog, QBoxLayout* layout, const QString& acceptText,
                          const QString& cancelText, std::function<bool()> onAccept) {
  auto* row = new QHBoxLayout;
  auto* ok = new QPushButton(acceptText, dialog);
  auto* cancel = new QPushButton(cancelText, dialog);
  ok->setDefault(true);
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  layout->addLayout(row);
  QObject::connect(ok, &QPushButton::clicked, dialog, [dialog, onAccept] {
    if (!onAccept || onAccept()) dialog->accept();
  });
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  return ok;
}

QLabel* FrameTitle(const QString& text, QWidget* parent) {
  auto* title = new QLabel(text, parent);
  QFont f = title->font();
  f.setBold(true);
  title->setFont(f);
  return title;
}

}  // namespace vilk::ui
