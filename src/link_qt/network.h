#pragma once
// The host's side of the network: its IPv4 addresses, the check of SelfIP against them, the
// ARP step before a transfer, the link test and the transport a setting selects.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/messages.h"
#include "link/link_settings.h"
#include "link/transport.h"

namespace vilk {

struct LocalAddress {
  std::string Text;     // dotted
  std::uint32_t Value;  // the first dotted byte in the lowest 8 bits
};

// Every IPv4 address of this host: those of the network adapters first, in adapter order,
// the loopback addresses last.
std::vector<LocalAddress> LocalAddressList();

// Keeps `self` when it is an address of this host, else replaces it by the host's first
// address. False when the host has no IPv4 address at all.
bool NetworkStartup(IPv4& self);

// Deletes the ARP cache entry of `dest` on every adapter, so that a controller replaced
// under the same address is asked for its hardware address again. Nothing for the
// broadcast address; silently nothing where the system refuses (no privilege) or has no
// such call.
void ForgetControllerMac(const IPv4& dest);

class ArpStep : public INetworkSteps {
 public:
  explicit ArpStep(const IPv4& dest) : dest_(dest) {}
  void ForgetControllerMac() override { vilk::ForgetControllerMac(dest_); }

 private:
  IPv4 dest_;
};

// Tries the selected transport once. Returns the window caption ("Vilk.  COM=1",
// "Vilk.  IP=192.168.1.222"), or nothing in a mode that selects no transport. Shows
// "Ошибка при инициализации СОМ-порта" or "Ошибка при инициализации сокета" on failure.
// In UDP mode SelfIP may be replaced (NetworkStartup); the caller writes it back.
std::optional<std::string> LinkTest(LinkSettings& settings, const std::string& appTitle,
                                    IMessages& messages);

// Ports and waits that differ from the controller's (tests, the command-line tool).
struct TransportOptions {
  std::uint16_t SelfPort = kControllerPort;
  std::uint16_t DestPort = kControllerPort;
  int AnswerWaitMs = 5000;
  bool ValidateSelf = true;
};

// The transport of the settings' mode; null in a mode that selects none.
std::unique_ptr<Transport> MakeTransport(const LinkSettings& settings,
                                         const TransportOptions& options = {});

}  // namespace vilk
