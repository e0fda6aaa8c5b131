#pragma once
// "Параметры связи": serial port or Ethernet, the port number and the two addresses.
#include <QComboBox>
#include <QDialog>
#include <QRadioButton>

#include "link/link_settings.h"
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
  // The speed buttons: copy the chosen local address into a field.
  void CopyToSelf();
  void CopyToDest();

 private:
  LinkSettings settings_;
  QRadioButton *com_, *net_;
  ClampSpinBox* comEdit_;
  IpEdit *self_, *dest_;
  QComboBox* addresses_;
};

}  // namespace vilk::ui
