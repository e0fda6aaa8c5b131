#pragma once
// The Modbus master ports: the RTU port on a COM board and the TCP port on the network.
#include "form.h"
#include "frames/port_rows.h"
#include "ports/fieldbus/modbus.h"

namespace vilk::ui {

// What both port frames show: the port address (a click opens the address picker and a
// new address renumbers the port and its devices) and the count of devices.
class TModbusPortFrame : public DevicePortFrame {
  Q_OBJECT
 public:
  TModbusPortFrame(TItem* item, QWidget* parent);

 protected:
  TModbusPortBase* Port() const { return static_cast<TModbusPortBase*>(Item()); }
  void AddTimes(Form& form);
};

// "Порт опроса устройств по протоколу MODBUS-RTU": the board that carries it as well.
class TPortRTUFrame : public TModbusPortFrame {
  Q_OBJECT
 public:
  TPortRTUFrame(TItem* item, QWidget* parent);
};

// "Порт опроса устройств по протоколу MODBUS-TCP".
class TPortRTUTCPFrame : public TModbusPortFrame {
  Q_OBJECT
 public:
  TPortRTUTCPFrame(TItem* item, QWidget* parent);
};

}  // namespace vilk::ui
