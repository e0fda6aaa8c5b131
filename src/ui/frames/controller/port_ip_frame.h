#pragma once
#include <QGroupBox>
#include <QLabel>

#include "controller/port_ip.h"
#include "form.h"

namespace vilk::ui {

// The IP port: networks 1 and 2 (by the model), the GSM modem (by the model), PC count.
class TPortIPFrame : public ItemFrame {
  Q_OBJECT
 public:
  TPortIPFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;
  QWidget* Network2() const { return net2_; }
  QWidget* Gsm() const { return gsm_; }

 private:
  TPortIP* Port() const { return static_cast<TPortIP*>(Item()); }
  QWidget* net2_;
  QWidget* gsm_;
  QLabel* pcs_;
};

}  // namespace vilk::ui
