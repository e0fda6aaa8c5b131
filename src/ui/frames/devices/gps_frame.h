#pragma once
#include <QComboBox>

#include "form.h"
#include "frames/port_rows.h"
#include "ports/devices/gps.h"

namespace vilk::ui {

// The clock source: protocol, UDP port, period, SNTP server, time zone. Opening the frame
// shows the stored UDP port; only choosing another protocol presets its default.
class TGPSFrame : public ItemFrame {
  Q_OBJECT
 public:
  TGPSFrame(TItem* item, QWidget* parent);
  void SetToFrame() override;

  QComboBox* ProtocolBox() const { return protocol_; }
  ClampSpinBox* UdpPortEdit() const { return udpPort_; }
  IpEdit* ServerEdit() const { return server_; }
  PortRows* Rows() const { return rows_; }

 private:
  TPortGPS* Port() const { return static_cast<TPortGPS*>(Item()); }
  void ProtocolChosen(int index);
  void EnableServer();

  PortRows* rows_;
  QComboBox* protocol_;
  ClampSpinBox* udpPort_;
  IpEdit* server_;
};

}  // namespace vilk::ui
