#pragma once
// Declarative frame building: each call adds a labelled field bound to an item field, so
// that a frame reads like the table of its fields (label, field, range).
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"
#include "frame.h"
#include "qt_text.h"
#include "widgets.h"

namespace vilk::ui {

struct ChoiceItem {
  QString Text;
  int Code;  // the value stored in the item
};

class Form {
 public:
  // Lays the fields of `frame` out in `container` (a form layout is created on it).
  Form(ItemFrame* frame, QWidget* container);

  QWidget* Container() const { return container_; }
  QFormLayout* Layout() const { return layout_; }

  // A group box with its own fields; `visible` false hides it (and its fields still bind).
  Form Group(const QString& title);

  template <typename T>
  ClampSpinBox* Spin(const QString& label, int min, int max, T& field) {
    auto* spin = new ClampSpinBox(container_);
    spin->setRange(min, max);
    Add(label, spin);
    frame_->Bind([spin, &field] { spin->setValue(static_cast<int>(field)); },
                 [spin, &field] { field = static_cast<T>(spin->value()); });
    QObject::connect(spin, &QSpinBox::valueChanged, frame_, &ItemFrame::MarkModified);
    return spin;
  }

  // A choice list; the item stores the code of the chosen entry.
  template <typename T>
  QComboBox* Choice(const QString& label, std::vector<ChoiceItem> items, T& field) {
    auto* box = new QComboBox(container_);
    for (const ChoiceItem& c : items) box->addItem(c.Text, c.Code);
    Add(label, box);
    frame_->Bind(
        [box, &field] {
          const int i = box->findData(static_cast<int>(field));
          box->setCurrentIndex(i < 0 ? 0 : i);
        },
        [box, &field] {
          if (box->currentIndex() >= 0) field = static_cast<T>(box->currentData().toInt());
        });
    QObject::connect(box, &QComboBox::currentIndexChanged, frame_, &ItemFrame::MarkModified);
    return box;
  }

  // A number stored scaled: the field holds value × scale (seconds edited, ms stored).
  template <typename T>
  ClampSpinBox* SpinScaled(const QString& label, int min, int max, T& field, int scale) {
    auto* spin = new ClampSpinBox(container_);
    spin->setRange(min, max);
    Add(label, spin);
    frame_->Bind(
        [spin, &field, scale] { spin->setValue(static_cast<int>(field / scale)); },
        [spin, &field, scale] { field = static_cast<T>(spin->value()) * static_cast<T>(scale); });
    QObject::connect(spin, &QSpinBox::valueChanged, frame_, &ItemFrame::MarkModified);
    return spin;
  }

  // One bit of a flags field; `inverted` shows the box ticked when the bit is clear.
  template <typename T>
  QCheckBox* CheckBit(const QString& text, T& field, int bit, bool inverted = false) {
    auto* box = new QCheckBox(text, container_);
    layout_->addRow(box);
    const T mask = static_cast<T>(1u << bit);
    frame_->Bind(
        [box, &field, mask, inverted] { box->setChecked(((field & mask) != 0) != inverted); },
        [box, &field, mask, inverted] {
          if (box->isChecked() != inverted)
            field = static_cast<T>(field | mask);
          else
            field = static_cast<T>(field & ~mask);
        });
    QObject::connect(box, &QCheckBox::toggled, frame_, &ItemFrame::MarkModified);
    return box;
  }

  QLineEdit* Text(const QString& label, std::string& field, int maxChars);
  IpEdit* Ip(const QString& label, std::uint32_t& field);

  // A check box; `inverted` shows the box ticked when the field is 0.
  template <typename T>
  QCheckBox* Check(const QString& text, T& field, bool inverted = false) {
    auto* box = new QCheckBox(text, container_);
    layout_->addRow(box);
    frame_->Bind([box, &field, inverted] { box->setChecked((field != 0) != inverted); },
                 [box, &field, inverted] { field = static_cast<T>(box->isChecked() != inverted); });
    QObject::connect(box, &QCheckBox::toggled, frame_, &ItemFrame::MarkModified);
    return box;
  }

  // A read-only value, refreshed whenever the frame is filled.
  QLabel* Value(const QString& label, std::function<QString()> text);
  void Add(const QString& label, QWidget* field);

 private:
  ItemFrame* frame_;
  QWidget* container_;
  QFormLayout* layout_;
};

}  // namespace vilk::ui
