#pragma once
// Small editing widgets shared by the frames.
#include <QBoxLayout>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

namespace vilk::ui {

// An entry of a choice list and the code the item stores for it.
struct ChoiceItem {
  QString Text;
  int Code;
};

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

// A number with its hexadecimal echo beside it ("0x2000"), as address bases are shown.
class HexSpinEdit : public QWidget {
  Q_OBJECT
 public:
  explicit HexSpinEdit(int digits = 4, QWidget* parent = nullptr);
  ClampSpinBox* Spin() const { return spin_; }
  QLabel* Echo() const { return echo_; }

 private:
  ClampSpinBox* spin_;
  QLabel* echo_;
  int digits_;
};

// A read-only text computed from the item or the frame; Refresh recomputes it.
class ValueLabel : public QLabel {
  Q_OBJECT
 public:
  ValueLabel(std::function<QString()> text, QWidget* parent);
  void Refresh() { setText(text_()); }

 private:
  std::function<QString()> text_;
};

// An address held as four bytes, first octet first, and as a number whose most
// significant byte is the first octet.
std::uint32_t IpFromBytes(const std::array<std::uint8_t, 4>& bytes);
std::array<std::uint8_t, 4> IpToBytes(std::uint32_t ip);

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
QPushButton* AddAcceptRow(QDialog* dialog, QBoxLayout* layout, const QString& acceptText,
                          const QString& cancelText, std::function<bool()> onAccept = {});

// A bold frame title.
QLabel* FrameTitle(const QString& text, QWidget* parent);

}  // namespace vilk::ui
