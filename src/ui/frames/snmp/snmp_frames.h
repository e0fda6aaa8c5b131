#pragma once
#include <QLabel>
#include <QPushButton>

#include "form.h"
#include "snmp/port_snmp.h"

namespace vilk::ui {

// An SNMP polling port: its address and the number of its devices.
class TPortSNMPFrame : public ItemFrame {
  Q_OBJECT
 public:
  TPortSNMPFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;

 private:
  TPortSNMP* Port() const { return static_cast<TPortSNMP*>(Item()); }
  QLabel* count_;
};

// An SNMP device ("Устройство с протоколом SNMP"): place, address, the tags it is polled for.
class TRTUSNMPFrame : public ItemFrame {
  Q_OBJECT
 public:
  TRTUSNMPFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;
  IpEdit* Address() const { return address_; }
  QPushButton* ChooseButton() const { return choose_; }
  // "Выбрать параметры": the MIB dialog on the device's tags.
  void ChooseParameters();

 private:
  TSNMP* Device() const { return static_cast<TSNMP*>(Item()); }
  IpEdit* address_;
  QPushButton* choose_;
  QLabel* tags_;
};

}  // namespace vilk::ui
