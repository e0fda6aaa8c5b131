#pragma once
// The rows that the port frames share: "Адрес порта" (read-only; a click opens the address
// picker and a new address renumbers the port, its caption following), for ports on a COM
// board "Плата" with "Настроить", and for ports that own devices the count of devices.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <string>
#include <vector>

#include "form.h"
#include "signals/addr_edit.h"

namespace vilk::ui {

class PortRows : public QObject {
  Q_OBJECT
 public:
  explicit PortRows(ItemFrame* frame);

  // The rows of a port that owns devices: a new address goes through the port's own
  // Renumber, which renames its devices and their signals too; the count line shows its
  // CountText; a chosen board shows the whole frame again (the frame's SetToFrame
  // refreshes these rows with the rest); and `storedCount`, the count the record keeps,
  // tells when devices were added or removed since the count was taken.
  template <class P, class N>
  static PortRows* ForDevicePort(ItemFrame* frame, P* port, N P::*storedCount) {
    auto* rows = new PortRows(frame);
    rows->renumber_ = [port](std::uint8_t number) { port->Renumber(number); };
    rows->countText_ = [port] { return port->CountText(); };
    rows->catchUp_ = [port, storedCount] {
      if (port->DeviceTotal() != port->*storedCount) port->ChildrenChanged();
    };
    rows->reshowFrame_ = true;
    return rows;
  }

  // A port whose renumbering does more than the number and the caption.
  void SetRenumber(std::function<void(std::uint8_t)> renumber) { renumber_ = std::move(renumber); }

  void AddAddress(Form& form);
  void AddBoard(Form& form, const QString& objectName = QStringLiteral("Плата"));
  // The count of devices ("CountLabel"), for device ports.
  void AddCount(Form& form);
  // Devices added or removed since the count was taken: the count and the link states
  // follow them (device ports; called before the frame shows the port).
  void CatchUp() {
    if (catchUp_) catchUp_();
  }
  // The address, the count and the board list are taken again (the free boards change
  // with the tree).
  void Refresh();

  QLineEdit* AddressEdit() const { return address_; }
  QComboBox* BoardBox() const { return board_; }
  QPushButton* TuneButton() const { return tune_; }
  QLabel* CountLabel() const { return count_; }
  // Opens the address picker under the address field (also what a click does).
  TAddrEditForm* OpenAddressPicker();
  TAddrEditForm* AddressPicker() const { return picker_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TPort* Port() const;
  void BoardChosen(int index);

  ItemFrame* frame_;
  QLineEdit* address_ = nullptr;
  QComboBox* board_ = nullptr;
  QPushButton* tune_ = nullptr;
  QLabel* count_ = nullptr;
  std::function<std::string()> countText_;
  std::function<void(std::uint8_t)> renumber_;
  std::function<void()> catchUp_;
  bool reshowFrame_ = false;
  std::vector<TBlock*> boards_;  // the entries after the empty one
  QPointer<TAddrEditForm> picker_;
};

// The frame of a port that owns devices, built on these rows. `storedCount` is the
// port's count as its record keeps it (see PortRows::ForDevicePort).
class DevicePortFrame : public ItemFrame {
  Q_OBJECT
 public:
  void SetToFrame() override;

  QLineEdit* AddressEdit() const { return rows_->AddressEdit(); }
  QComboBox* BoardBox() const { return rows_->BoardBox(); }  // nullptr off a COM board
  QPushButton* TuneButton() const { return rows_->TuneButton(); }
  QLabel* CountLabel() const { return rows_->CountLabel(); }
  // Opens the address picker under the address field (also what a click does).
  TAddrEditForm* OpenAddressPicker() { return rows_->OpenAddressPicker(); }
  TAddrEditForm* AddressPicker() const { return rows_->AddressPicker(); }

 protected:
  template <class P, class N>
  DevicePortFrame(TItem* item, QWidget* parent, N P::*storedCount)
      : ItemFrame(item, parent),
        rows_(PortRows::ForDevicePort(this, static_cast<P*>(item), storedCount)) {}

  PortRows* rows_;
};

}  // namespace vilk::ui
