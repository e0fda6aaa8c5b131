#pragma once
// Small editing widgets shared by the frames.
#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>
#include <functional>
#include <array>
#include <cstdint>

namespace vilk::ui {

// A spin box with the clamp rules of every numeric field: a typed value above the
// maximum becomes the maximum at once; an empty field becomes the minimum when left.
class ClampSpinBox : public QSpinBox {
  Q_OBJECT
 public:
  explicit ClampSpinBox(QWidget* parent = nullptr);

 protected:
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;
  void focusOutEvent(QFocusEvent* event) override;
};

// Four octet fields of 0 to 255.
class IpEdit : public QWidget {
  Q_OBJECT
 public:
  explicit IpEdit(QWidget* parent = nullptr);
  std::uint32_t Value() const;
  void SetValue(std::uint32_t ip);
  ClampSpinBox* Octet(int i) const { return octets_[static_cast<std::size_t>(i)]; }

 signals:
  void Changed();

 private:
  std::array<ClampSpinBox*, 4> octets_{};
};

// The accept / cancel buttons at the bottom right of a dialog. `onAccept` may refuse to
// close (a field holds no number); without it the dialog simply accepts.
QPushButton* AddAcceptRow(QDialog* dialog, QBoxLayout* layout, const QString& acceptText, const QString& cancelText,
                          std::function<bool()> onAccept = {});

}  // namespace vilk::ui
