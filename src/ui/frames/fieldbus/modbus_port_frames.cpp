#include "frames/fieldbus/modbus_port_frames.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace vilk::ui {

TModbusPortFrame::TModbusPortFrame(TItem* item, QWidget* parent)
    : DevicePortFrame(item, parent, &TModbusPortBase::DeviceCount) {}

void TModbusPortFrame::AddTimes(Form& form) {
  TModbusPortBase* port = Port();
  form.Spin(QStringLiteral("Время ожидания ответа, мс"), 100, 2000, port->ReplyWait)
      ->setSingleStep(100);
  // Minutes in the frame, milliseconds in the field: 60000 minutes still fit 32 bits.
  form.SpinScaled(QStringLiteral("Период синхронизации времени, мин"), 0, 60000, port->TimeSync,
                  60000);
}

TPortRTUFrame::TPortRTUFrame(TItem* item, QWidget* parent) : TModbusPortFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      FrameTitle(QStringLiteral("Порт опроса устройств по протоколу MODBUS-RTU"), this));
  auto* body = new QWidget(this);
  Form form(this, body);
  rows_->AddBoard(form);
  rows_->AddAddress(form);
  AddTimes(form);
  rows_->AddCount(form);
  layout->addWidget(body);
  layout->addStretch();
}

TPortRTUTCPFrame::TPortRTUTCPFrame(TItem* item, QWidget* parent) : TModbusPortFrame(item, parent) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(
      FrameTitle(QStringLiteral("Порт опроса устройств по протоколу MODBUS-TCP"), this));
  auto* body = new QWidget(this);
  Form form(this, body);
  rows_->AddAddress(form);
  // The controller has one network: the box shows it and cannot be changed.
  auto* network = new QCheckBox(QStringLiteral("Сеть 1"), body);
  network->setChecked(true);
  network->setEnabled(false);
  form.Layout()->addRow(network);
  auto* port = static_cast<TPortRTUTCP*>(Item());
  // Seconds in the frame, 16-bit milliseconds in the fields: 65 s is the most they hold.
  form.SpinScaled(QStringLiteral("Время ожидания установки соединения, с"), 0, 65,
                  port->ConnectWait, 1000);
  form.SpinScaled(QStringLiteral("Интервал установки соединения, с"), 0, 65, port->ReconnectWait,
                  1000);
  form.Spin(QStringLiteral("Период опроса RTU, мс"), 10, 1000, port->PollPeriod);
  AddTimes(form);
  rows_->AddCount(form);
  layout->addWidget(body);
  layout->addStretch();
}

}  // namespace vilk::ui
