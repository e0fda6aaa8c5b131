#pragma once
// The read-only "Адрес порта" field of the module and pairing ports: a click opens the
// address picker, and the number picked goes to the port through `renumber`.
#include <QLineEdit>
#include <QPointer>
#include <functional>

#include "form.h"
#include "signals/addr_edit.h"

namespace vilk::ui {

class PortAddressField : public QLineEdit {
  Q_OBJECT
 public:
  // Adds the field to `form`, bound to `port`'s number.
  PortAddressField(ItemFrame* frame, Form& form, TItem* port, std::function<void(int)> renumber);
  TAddrEditForm* OpenPicker();
  TAddrEditForm* Picker() const { return picker_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  ItemFrame* frame_;
  TItem* port_;
  std::function<void(int)> renumber_;
  QPointer<TAddrEditForm> picker_;
};

// A bold frame title.
QLabel* FrameTitle(const QString& text, QWidget* parent);

}  // namespace vilk::ui
