#pragma once
// The Modbus master ports: the RTU port on a COM board and the TCP port on the network.
#include "form.h"
#include "frames/port_rows.h"
#include "ports/fieldbus/modbus.h"

namespace vilk::ui {

// What both port frames show: the port address (a click opens the address picker and a
// new address renumbers the port and its devices) and the count of devices.
class TModbusPortFrame : public ItemFrame {
  Q_OBJECT
 public:
  TModbusPortFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;

  QLineEdit* AddressEdit() const { return rows_->AddressEdit(); }
  QLabel* CountLabel() const { return rows_->CountLabel(); }
  // Opens the address picker under the address field (also what a click does).
  TAddrEditForm* OpenAddressPicker() { return rows_->OpenAddressPicker(); }
  TAddrEditForm* AddressPicker() const { return rows_->AddressPicker(); }

 protected:
  TModbusPortBase* Port() const { return static_cast<TModbusPortBase*>(Item()); }
  void AddTimes(Form& form);
  PortRows* rows_;
};

// "Порт опроса устройств по протоколу MODBUS-RTU": the board that carries it as well.
class TPortRTUFrame : public TModbusPortFrame {
  Q_OBJECT
 public:
  TPortRTUFrame(TItem* item, QWidget* parent);
  QComboBox* BoardBox() const { return rows_->BoardBox(); }
  QPushButton* TuneButton() const { return rows_->TuneButton(); }
};

// "Порт опроса устройств по протоколу MODBUS-TCP".
class TPortRTUTCPFrame : public TModbusPortFrame {
  Q_OBJECT
 public:
  TPortRTUTCPFrame(TItem* item, QWidget* parent);
};

}  // namespace vilk::ui
