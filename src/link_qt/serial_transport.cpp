#include "serial_transport.h"

#include <QDeadlineTimer>
#include <QSerialPort>

#include <algorithm>
#include <vector>

#if defined(Q_OS_UNIX)
#include <termios.h>
#endif

namespace vilk {

namespace {

std::string OpenFailureText(const std::string& device, const QSerialPort& port) {
  const std::string text = "Не удалось открыть последовательный порт " + device;
  switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
      return text + ": нет такого устройства.";
    case QSerialPort::PermissionError:
      return text + ": нет доступа (нет прав, или порт занят другой программой).";
    case QSerialPort::OpenError:
      return text + ": порт уже открыт.";
    default:
      return text + ": " + port.errorString().toStdString() + ".";
  }
}

}  // namespace

SerialTransport::SerialTransport(std::string device, SerialTimings timings)
    : device_(std::move(device)), timings_(timings) {}

SerialTransport::~SerialTransport() {
  Close();
}

bool SerialTransport::IsOpen() const {
  return port_ && port_->isOpen();
}

bool SerialTransport::Open() {
  Close();
  openFailure_.clear();
  if (device_.empty()) {
    openFailure_ = "Не задано устройство последовательного порта.";
    return false;
  }
  auto port = std::make_unique<QSerialPort>();
  port->setPortName(QString::fromStdString(device_));
  if (!port->open(QIODevice::ReadWrite)) {
    openFailure_ = OpenFailureText(device_, *port);
    return false;
  }
  const bool set = port->setBaudRate(57600) && port->setDataBits(QSerialPort::Data8) &&
                   port->setParity(QSerialPort::NoParity) &&
                   port->setStopBits(QSerialPort::OneStop);
  if (!set) {
    // A file or a device that is no serial line opens but takes no line settings.
    openFailure_ = "Не удалось открыть последовательный порт " + device_ +
                   ": устройство не принимает настройку 57600 8N1 (" +
                   port->errorString().toStdString() + ").";
    port->close();
    return false;
  }
  // Whatever the line held before the command is no answer of ours.
  port->clear(QSerialPort::AllDirections);
  port_ = std::move(port);
  return true;
}

bool SerialTransport::Close() {
  if (!port_) return false;
  // The last request (a restart, which awaits no answer) must leave the line before the
  // port goes: a purge of the output queue would drop it.
  while (port_->bytesToWrite() > 0 && port_->waitForBytesWritten(timings_.WriteBaseMs)) {
  }
#if defined(Q_OS_UNIX)
  ::tcdrain(static_cast<int>(port_->handle()));
#endif
  port_->clear(QSerialPort::Input);
  port_->close();
  port_.reset();
  return true;
}

void SerialTransport::Recover() {
  port_->clearError();
  port_->clear(QSerialPort::AllDirections);
}

void SerialTransport::Discard() {
  if (!port_) return;
  port_->clear(QSerialPort::Input);
  port_->readAll();
}

bool SerialTransport::Send(const std::uint8_t* data, std::size_t size) {
  if (!port_) return false;
  const qint64 n = port_->write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  if (n != static_cast<qint64>(size)) {
    Recover();
    return false;
  }
  QDeadlineTimer deadline(timings_.WriteBaseMs + timings_.WritePerByteMs * static_cast<int>(size));
  while (port_->bytesToWrite() > 0) {
    if (!port_->waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
      Recover();
      return false;
    }
  }
  return true;
}

std::size_t SerialTransport::Receive(std::uint8_t* buffer, std::size_t capacity) {
  if (!port_ || capacity == 0) return 0;
  QDeadlineTimer total(timings_.ReadBaseMs + timings_.ReadPerByteMs * timings_.ReadAskBytes);
  std::size_t got = 0;
  std::size_t need = 0;  // known once L has arrived
  for (;;) {
    if (port_->bytesAvailable() > 0) {
      // Take no more than the frame: bytes after it stay for the next Discard.
      const std::size_t want = need ? need - got : 1;
      const std::size_t room = capacity - std::min(got, capacity);
      if (room == 0) break;
      const qint64 n = port_->read(reinterpret_cast<char*>(buffer + got),
                                   static_cast<qint64>(std::min(want, room)));
      if (n < 0) {
        Recover();
        return 0;
      }
      got += static_cast<std::size_t>(n);
      if (got >= 1 && need == 0) need = static_cast<std::size_t>(buffer[0]) + 2;
      if (need && got >= need) break;
      continue;
    }
    const qint64 left = total.remainingTime();
    if (left <= 0) break;
    const int wait = got == 0 ? static_cast<int>(left)
                              : static_cast<int>(std::min<qint64>(left, timings_.ByteGapMs));
    if (!port_->waitForReadyRead(wait)) {
      if (port_->error() != QSerialPort::NoError && port_->error() != QSerialPort::TimeoutError) {
        Recover();
        return 0;
      }
      port_->clearError();
      if (got > 0 || total.hasExpired()) break;
    }
  }
  return std::min(got, capacity);
}

}  // namespace vilk
