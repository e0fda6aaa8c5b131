#pragma once
// The serial line to the controller: 57600 bit/s, 8 data bits, no parity, one stop bit.
// An answer ends when the frame's announced length (L + 2 bytes) has arrived, when the
// line falls silent for the byte gap, or at the total read timeout.
//
// The port object is made in Open and freed in Close, on the thread that runs the command
// (a QThread or the main thread, so that Qt's serial notifiers have a dispatcher).
#include <memory>
#include <string>

#include "link/transport.h"

class QSerialPort;

namespace vilk {

struct SerialTimings {
  int ByteGapMs = 20;    // silence that ends an answer
  int ReadBaseMs = 500;  // total read timeout: base + per byte × asked bytes
  int ReadPerByteMs = 2;
  int ReadAskBytes = 1000;  // the receive asks for up to this many bytes
  int WriteBaseMs = 1000;   // total write timeout: base + per byte × bytes
  int WritePerByteMs = 10;
};

class SerialTransport : public Transport {
 public:
  explicit SerialTransport(std::string device, SerialTimings timings = {});
  ~SerialTransport() override;

  bool Open() override;
  bool Close() override;
  bool IsOpen() const override;
  void Discard() override;
  bool Send(const std::uint8_t* data, std::size_t size) override;
  std::size_t Receive(std::uint8_t* buffer, std::size_t capacity) override;

  const std::string& Device() const { return device_; }
  // Why the last Open failed, in words for the user; empty after a successful Open.
  const std::string& OpenFailure() const { return openFailure_; }

 private:
  void Recover();

  std::string device_;
  SerialTimings timings_;
  std::unique_ptr<QSerialPort> port_;
  std::string openFailure_;
};

}  // namespace vilk
