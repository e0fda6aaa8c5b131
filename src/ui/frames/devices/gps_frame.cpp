#include "frames/devices/gps_frame.h"

#include <QVBoxLayout>

namespace vilk::ui {

TGPSFrame::TGPSFrame(TItem* item, QWidget* parent) : ItemFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(QStringLiteral("Порт синхронизации от источника точного времени"), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  layout->addWidget(title);
  auto* body = new QWidget(this);
  Form form(this, body);
  TPortGPS* port = Port();
  rows_ = new PortRows(this);
  rows_->AddAddress(form);
  protocol_ = form.Choice(
      QStringLiteral("Протокол синхронизации"),
      {{QStringLiteral("SNTP"), TPortGPS::kSNTP}, {QStringLiteral("NMEA 0183"), TPortGPS::kNMEA}},
      port->ProtocolCode);
  udpPort_ = form.Spin(QStringLiteral("Номер UDP порта"), 0, 65535, port->UdpPort);
  form.SpinScaled(QStringLiteral("Период установки времени, мин"), 0, 65535, port->Period, 60000);
  server_ = form.Ip(QStringLiteral("IP адрес SNTP сервера"), port->Server);
  form.Spin(QStringLiteral("Смещение временной зоны, час"), 0, 24, port->TimeZone);
  layout->addWidget(body);
  layout->addStretch();
  // Only a choice of the user presets the port: filling the frame does not.
  connect(protocol_, &QComboBox::activated, this, &TGPSFrame::ProtocolChosen);
}

void TGPSFrame::SetToFrame() {
  ItemFrame::SetToFrame();
  EnableServer();
}

void TGPSFrame::ProtocolChosen(int index) {
  if (index < 0) return;
  udpPort_->setValue(TPortGPS::DefaultUdpPort(protocol_->itemData(index).toInt()));
  EnableServer();
}

// The server address matters to SNTP only; under NMEA it is kept, greyed.
void TGPSFrame::EnableServer() {
  server_->setEnabled(protocol_->currentData().toInt() == TPortGPS::kSNTP);
}

}  // namespace vilk::ui
