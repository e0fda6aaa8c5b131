#pragma once
// "Параметры связи": serial port or Ethernet, the port number and the two addresses.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "link/link_settings.h"
#include "network.h"
#include "widgets.h"

namespace vilk::ui {

class TTuneLinkDlg : public QDialog {
  Q_OBJECT
 public:
  TTuneLinkDlg(QWidget* parent, const LinkSettings& settings);
  // The settings as the fields hold them ("Установить").
  LinkSettings Result() const;

  QRadioButton* ComChk() const { return com_; }
  QRadioButton* NetChk() const { return net_; }
  ClampSpinBox* ComEdit() const { return comEdit_; }
  IpEdit* SelfEdit() const { return self_; }
  IpEdit* DestEdit() const { return dest_; }
  QComboBox* Addresses() const { return addresses_; }
  // The machine's serial ports (the first entry: the device of the port number) and the
  // device path, which takes any path the list lacks.
  QComboBox* Ports() const { return ports_; }
  QLineEdit* DeviceEdit() const { return device_; }
  QPushButton* CheckButton() const { return check_; }
  QLabel* CheckResult() const { return checkResult_; }
  // "Проверить": tries the link of the fields right now; the answer goes to CheckResult().
  void Check();
  // The wait for the controller's answer during Check (short: the window waits meanwhile).
  TransportOptions CheckOptions;

  // "Установить": a device path longer than kMaxDevicePath characters is refused, said in
  // the dialog, which stays open.
  void accept() override;
  // The speed buttons: copy the chosen local address into a field.
  void CopyToSelf();
  void CopyToDest();

 private:
  LinkSettings settings_;
  QRadioButton *com_, *net_;
  ClampSpinBox* comEdit_;
  IpEdit *self_, *dest_;
  QComboBox* addresses_;
  QComboBox* ports_;
  QLineEdit* device_;
  QPushButton* check_;
  QLabel* checkResult_;
};

}  // namespace vilk::ui
