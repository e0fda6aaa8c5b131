#pragma once
// The Modbus master ports: the RTU port on a COM board and the TCP port on the network.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <vector>

#include "form.h"
#include "ports/fieldbus/modbus.h"
#include "signals/addr_edit.h"

namespace vilk::ui {

// What both port frames show: the port address (a click opens the address picker and a
// new address renumbers the port and its devices) and the count of devices.
class TModbusPortFrame : public ItemFrame {
  Q_OBJECT
 public:
  TModbusPortFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;

  QLineEdit* AddressEdit() const { return address_; }
  QLabel* CountLabel() const { return count_; }
  // Opens the address picker under the address field (also what a click does).
  TAddrEditForm* OpenAddressPicker();
  TAddrEditForm* AddressPicker() const { return picker_; }

 protected:
  TModbusPortBase* Port() const { return static_cast<TModbusPortBase*>(Item()); }
  void AddAddress(Form& form);
  void AddTimes(Form& form);
  void AddCount(Form& form);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* address_ = nullptr;
  QLabel* count_ = nullptr;
  QPointer<TAddrEditForm> picker_;
};

// "Порт опроса устройств по протоколу MODBUS-RTU": the board that carries it as well.
class TPortRTUFrame : public TModbusPortFrame {
  Q_OBJECT
 public:
  TPortRTUFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;
  QComboBox* BoardBox() const { return board_; }
  QPushButton* TuneButton() const { return tune_; }

 private:
  void BoardChosen(int index);
  QComboBox* board_;
  QPushButton* tune_;
  std::vector<TBlock*> boards_;  // the entries after the empty one
};

// "Порт опроса устройств по протоколу MODBUS-TCP".
class TPortRTUTCPFrame : public TModbusPortFrame {
  Q_OBJECT
 public:
  TPortRTUTCPFrame(TItem* item, QWidget* parent);
};

}  // namespace vilk::ui
