#pragma once
// Declarative frame building: each call adds a labelled field bound to an item field, so
// that a frame reads like the table of its fields (label, field, range).
//
// Every binding writes its field back only when the widget no longer shows what it was
// filled with: a value the widget cannot show exactly (milliseconds edited as seconds, a
// number beyond the field's range, a code the list lacks) survives opening and leaving
// the frame, and an untouched frame leaves its item byte for byte as it was.
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"
#include "format_table.h"
#include "frame.h"
#include "qt_text.h"
#include "widgets.h"

namespace vilk::ui {

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
    BindKept<int>([spin] { return spin->value(); },
                  [spin, &field] { spin->setValue(static_cast<int>(field)); },
                  [spin, &field] { field = static_cast<T>(spin->value()); });
    return spin;
  }

  // A number stored scaled: the field holds value × scale (seconds edited, ms stored).
  template <typename T>
  ClampSpinBox* SpinScaled(const QString& label, int min, int max, T& field, int scale) {
    auto* spin = new ClampSpinBox(container_);
    spin->setRange(min, max);
    Add(label, spin);
    BindKept<int>(
        [spin] { return spin->value(); },
        [spin, &field, scale] { spin->setValue(static_cast<int>(field / scale)); },
        [spin, &field, scale] { field = static_cast<T>(spin->value()) * static_cast<T>(scale); });
    return spin;
  }

  // A number shown also in hexadecimal ("0x2000"), as the address bases are.
  template <typename T>
  HexSpinEdit* Hex(const QString& label, int min, int max, T& field, int digits = 4) {
    auto* hex = new HexSpinEdit(digits, container_);
    ClampSpinBox* spin = hex->Spin();
    spin->setRange(min, max);
    Add(label, hex);
    BindKept<int>([spin] { return spin->value(); },
                  [spin, &field] { spin->setValue(static_cast<int>(field)); },
                  [spin, &field] { field = static_cast<T>(spin->value()); });
    return hex;
  }

  // A choice list; the item stores the code of the chosen entry.
  template <typename T>
  QComboBox* Choice(const QString& label, std::vector<ChoiceItem> items, T& field) {
    auto* box = new QComboBox(container_);
    for (const ChoiceItem& c : items) box->addItem(c.Text, c.Code);
    Add(label, box);
    BindKept<int>([box] { return box->currentIndex(); },
                  [box, &field] {
                    const int i = box->findData(static_cast<int>(field));
                    box->setCurrentIndex(i < 0 ? 0 : i);
                  },
                  [box, &field] {
                    if (box->currentIndex() >= 0)
                      field = static_cast<T>(box->currentData().toInt());
                  });
    return box;
  }

  // One bit of a flags field; `inverted` shows the box ticked when the bit is clear.
  template <typename T>
  QCheckBox* CheckBit(const QString& text, T& field, int bit, bool inverted = false) {
    auto* box = new QCheckBox(text, container_);
    layout_->addRow(box);
    const T mask = static_cast<T>(1u << bit);
    BindKept<bool>(
        [box] { return box->isChecked(); },
        [box, &field, mask, inverted] { box->setChecked(((field & mask) != 0) != inverted); },
        [box, &field, mask, inverted] {
          if (box->isChecked() != inverted)
            field = static_cast<T>(field | mask);
          else
            field = static_cast<T>(field & ~mask);
        });
    return box;
  }

  // A check box; `inverted` shows the box ticked when the field is 0.
  template <typename T>
  QCheckBox* Check(const QString& text, T& field, bool inverted = false) {
    auto* box = new QCheckBox(text, container_);
    layout_->addRow(box);
    BindKept<bool>(
        [box] { return box->isChecked(); },
        [box, &field, inverted] { box->setChecked((field != 0) != inverted); },
        [box, &field, inverted] { field = static_cast<T>(box->isChecked() != inverted); });
    return box;
  }

  QLineEdit* Text(const QString& label, std::string& field, int maxChars);

  // An IPv4 address in four octet fields; the number's most significant byte is the
  // first octet.
  IpEdit* Ip(const QString& label, std::uint32_t& field);
  // The same for an address the item keeps in another form or sets through a call.
  IpEdit* Ip(const QString& label, std::function<std::uint32_t()> get,
             std::function<void(std::uint32_t)> set);

  // A format table (one chooser or fixed text per cell), spanning the form's width.
  FormatTable* Formats(const QString& title, const QStringList& lines,
                       std::vector<FormatColumn> columns);

  // A read-only value, recomputed whenever the frame is filled and on Refresh.
  ValueLabel* Value(const QString& label, std::function<QString()> text);

  // One row of export buttons; each runs ItemFrame::Export with its command.
  std::vector<QPushButton*> Exports(const std::vector<ExportCommand>& commands);

  void Add(const QString& label, QWidget* field);

 private:
  // Binds a widget whose shown value `shown` reads back: `load` fills it and `store`
  // writes the field, only when the widget shows something else than it was filled with.
  template <typename V>
  void BindKept(std::function<V()> shown, std::function<void()> load, std::function<void()> store) {
    auto loaded = std::make_shared<V>();
    frame_->Bind(
        [shown, load, loaded] {
          load();
          *loaded = shown();
        },
        [shown, store, loaded] {
          const V now = shown();
          if (now == *loaded) return;
          store();
          *loaded = now;
        });
  }

  ItemFrame* frame_;
  QWidget* container_;
  QFormLayout* layout_;
};

}  // namespace vilk::ui
