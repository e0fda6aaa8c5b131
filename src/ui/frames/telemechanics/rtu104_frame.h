#pragma once
// "Устройство с протоколом МЭК 870-5-104": address, timers (seconds in the frame, 16-bit
// milliseconds in the record, so at most 65 s), intervals, k and w, counts, base addresses.
#include "frames/telemechanics/kp_frames.h"

namespace vilk::ui {

class TRTU104Frame : public TCountedDeviceFrame {
  Q_OBJECT
 public:
  TRTU104Frame(TItem* item, QWidget* parent);

  IpEdit* IpAddress() const { return ip_; }
  QSpinBox* AsduEdit() const { return asdu_; }
  QSpinBox* T0Edit() const { return t0_; }

 protected:
  void ShowState() override;

 private:
  TRTU104* Rtu() const { return static_cast<TRTU104*>(Item()); }
  IpEdit* ip_ = nullptr;
  QSpinBox* asdu_ = nullptr;
  QSpinBox* t0_ = nullptr;
  bool editingOctet_ = false;
};

}  // namespace vilk::ui
