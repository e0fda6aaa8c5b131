#pragma once
// The address picker: a borderless popup under an address field with one button per
// valid address. Addresses the item's siblings use are shown flat, its own highlighted.
#include <QFrame>
#include <QPointer>
#include <set>

class QLineEdit;
class QPushButton;

namespace vilk::ui {

struct AddressRange {
  int First = 1;
  int Last = 16;
  int Columns = 4;
  std::set<int> Skipped;  // never offered (board address 7)
  std::set<int> Used;     // taken by the siblings
  int Own = -1;
};

// Board addresses 1..8 in rows of 4, 7 left out; port addresses 1..16 in rows of 4.
AddressRange BoardAddresses();
AddressRange PortAddresses();

class TAddrEditForm : public QFrame {
  Q_OBJECT
 public:
  TAddrEditForm(const AddressRange& range, QWidget* parent = nullptr);
  QPushButton* Button(int address) const;
  int Chosen() const { return chosen_; }

  // Opens under `edit`; a click writes the number into it. Returns the chosen address or -1
  // when the popup closed without a choice.
  static int Pick(QLineEdit* edit, const AddressRange& range);

 signals:
  void Picked(int address);

 private:
  int chosen_ = -1;
};

}  // namespace vilk::ui
