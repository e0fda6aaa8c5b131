#pragma once
// The address selection dialog (TSelectRTU): a board of 16 × 16 address buttons 1..255.
// Addresses the port's devices use are flat and black and carry the device's type; a
// click on a free address chooses it with the type in "Тип устройства", another click
// clears it. "Добавить" returns the chosen addresses with their types.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vilk {
class TItem;
}

namespace vilk::ui {

class TSelectRTU : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kAddresses = 255;

  // `used`: address -> type name of the device there. `types`: the library's device
  // types, sorted.
  TSelectRTU(QWidget* parent, const std::map<int, std::string>& used,
             const std::vector<std::string>& types);

  QPushButton* Button(int address) const;
  QComboBox* TypeBox() const { return typeBox_; }
  QLabel* Panel() const { return panel_; }
  QPushButton* AddButton() const { return add_; }
  // Address -> type, ascending.
  std::vector<std::pair<int, std::string>> Chosen() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Toggle(int address);
  void Paint(QPushButton* button, bool chosen);

  std::array<QPushButton*, kAddresses + 1> buttons_{};
  std::map<int, std::string> used_;
  std::map<int, std::string> chosen_;
  QComboBox* typeBox_;
  QLabel* panel_;
  QPushButton* add_;
};

// The add-device command of a Modbus RTU port: the dialog, then the port adds the devices.
TItem* AddModbusDevices(TItem* port, int kind, QWidget* parent);

}  // namespace vilk::ui
