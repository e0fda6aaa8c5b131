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
  // CountText; and a chosen board shows the whole frame again (the frame's SetToFrame
  // refreshes these rows with the rest).
  template <class P>
  static PortRows* ForDevicePort(ItemFrame* frame, P* port) {
    auto* rows = new PortRows(frame);
    rows->renumber_ = [port](std::uint8_t number) { port->Renumber(number); };
    rows->countText_ = [port] { return port->CountText(); };
    rows->reshowFrame_ = true;
    return rows;
  }

  void AddAddress(Form& form);
  void AddBoard(Form& form, const QString& objectName = QStringLiteral("Плата"));
  // The count of devices ("CountLabel"), for device ports.
  void AddCount(Form& form);
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
  bool reshowFrame_ = false;
  std::vector<TBlock*> boards_;  // the entries after the empty one
  QPointer<TAddrEditForm> picker_;
};

}  // namespace vilk::ui
