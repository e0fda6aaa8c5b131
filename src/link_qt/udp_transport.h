#pragma once
// UDP to the controller: a socket bound to SelfIP:208 that may broadcast, requests to
// DestIP:208, answers awaited for 5000 ms. An answer counts only when it comes from the
// controller asked (DestIP and its port); when DestIP is the broadcast address any sender
// answers.
//
// The socket is made in Open and freed in Close, on the thread that runs the command.
#include <cstdint>
#include <memory>
#include <string>

#include "link/link_settings.h"
#include "link/transport.h"

class QUdpSocket;

namespace vilk {

struct UdpEndpoints {
  IPv4 Self{};
  std::uint16_t SelfPort = kControllerPort;  // 0: any free port (tests, no privileges)
  IPv4 Dest{};
  std::uint16_t DestPort = kControllerPort;
  int AnswerWaitMs = 5000;
  // Replace a SelfIP that is no address of this host by the host's first address.
  bool ValidateSelf = true;
};

class UdpTransport : public Transport {
 public:
  explicit UdpTransport(UdpEndpoints endpoints);
  ~UdpTransport() override;

  bool Open() override;
  bool Close() override;
  bool IsOpen() const override;
  void Discard() override;
  bool Send(const std::uint8_t* data, std::size_t size) override;
  std::size_t Receive(std::uint8_t* buffer, std::size_t capacity) override;

  // The address and port the socket is bound to (after Open).
  const UdpEndpoints& Endpoints() const { return endpoints_; }
  std::uint16_t BoundPort() const;
  // The last socket error (a QAbstractSocket::SocketError).
  int LastError() const { return lastError_; }
  // Why the last Open failed, in words for the user; empty after a successful Open.
  const std::string& OpenFailure() const { return openFailure_; }
  // The last Open failed at binding the local address and port (not for want of an address).
  bool BindFailed() const { return bindFailed_; }

 private:
  UdpEndpoints endpoints_;
  std::unique_ptr<QUdpSocket> socket_;
  int lastError_ = 0;
  std::string openFailure_;
  bool bindFailed_ = false;
};

}  // namespace vilk
