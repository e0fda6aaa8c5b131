#include "network.h"

#include <QNetworkInterface>

#include "base/format.h"
#include "serial_transport.h"
#include "udp_transport.h"

#if defined(__linux__)
#include <arpa/inet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#endif

namespace vilk {

std::vector<LocalAddress> LocalAddressList() {
  std::vector<LocalAddress> adapters, loopback;
  for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces()) {
    if (!(iface.flags() & QNetworkInterface::IsUp)) continue;
    for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
      const QHostAddress a = entry.ip();
      if (a.protocol() != QAbstractSocket::IPv4Protocol) continue;
      const quint32 v = a.toIPv4Address();
      const IPv4 ip{static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16),
                    static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
      LocalAddress item{FormatDotted(ip), LowFirst(ip)};
      (a.isLoopback() ? loopback : adapters).push_back(item);
    }
  }
  adapters.insert(adapters.end(), loopback.begin(), loopback.end());
  return adapters;
}

bool NetworkStartup(IPv4& self) {
  const std::vector<LocalAddress> list = LocalAddressList();
  if (list.empty()) return false;
  for (const LocalAddress& a : list)
    if (a.Value == LowFirst(self)) return true;
  self = FromLowFirst(list.front().Value);
  return true;
}

void ForgetControllerMac(const IPv4& dest) {
  if (IsBroadcast(dest)) return;
#if defined(__linux__)
  struct if_nameindex* names = if_nameindex();
  if (!names) return;
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd >= 0) {
    for (struct if_nameindex* n = names; n->if_index != 0 && n->if_name; ++n) {
      struct arpreq req;
      std::memset(&req, 0, sizeof req);
      auto* sin = reinterpret_cast<sockaddr_in*>(&req.arp_pa);
      sin->sin_family = AF_INET;
      std::memcpy(&sin->sin_addr, dest.data(), 4);
      std::strncpy(req.arp_dev, n->if_name, sizeof req.arp_dev - 1);
      (void)::ioctl(fd, SIOCDARP, &req);  // refused without privileges or entry: fine
    }
    ::close(fd);
  }
  if_freenameindex(names);
#endif
}

std::optional<std::string> LinkTest(LinkSettings& settings, const std::string& appTitle,
                                    IMessages& messages) {
  if (settings.IsSerial()) {
    SerialTransport port(settings.SerialDeviceName());
    if (port.Open())
      port.Close();
    else
      messages.Error("Ошибка при инициализации СОМ-порта");
    return Format("%s.  COM=%d", appTitle, settings.ComN);
  }
  if (settings.IsUdp()) {
    const IPv4& d = settings.DestIP;
    const std::string caption = Format("%s.  IP=%d.%d.%d.%d", appTitle, d[0], d[1], d[2], d[3]);
    if (!NetworkStartup(settings.SelfIP)) messages.Error("Ошибка при инициализации сокета");
    return caption;
  }
  return std::nullopt;
}

std::unique_ptr<Transport> MakeTransport(const LinkSettings& settings,
                                         const TransportOptions& options) {
  if (settings.IsSerial()) return std::make_unique<SerialTransport>(settings.SerialDeviceName());
  if (settings.IsUdp()) {
    UdpEndpoints e;
    e.Self = settings.SelfIP;
    e.SelfPort = options.SelfPort;
    e.Dest = settings.DestIP;
    e.DestPort = options.DestPort;
    e.AnswerWaitMs = options.AnswerWaitMs;
    e.ValidateSelf = options.ValidateSelf;
    return std::make_unique<UdpTransport>(e);
  }
  return nullptr;
}

}  // namespace vilk
