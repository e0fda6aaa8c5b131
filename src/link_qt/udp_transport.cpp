#include "udp_transport.h"

#include <QDeadlineTimer>
#include <QNetworkDatagram>
#include <QNetworkProxy>
#include <QUdpSocket>

#include <algorithm>
#include <cstring>

#include "network.h"

namespace vilk {

namespace {

QHostAddress ToQt(const IPv4& ip) {
  return QHostAddress((static_cast<quint32>(ip[0]) << 24) | (ip[1] << 16) | (ip[2] << 8) | ip[3]);
}

std::string BindFailureText(const IPv4& self, std::uint16_t port, const QUdpSocket& socket) {
  std::string text =
      "Не удалось открыть локальный порт UDP " + FormatDotted(self) + ":" + std::to_string(port);
  switch (socket.error()) {
    case QAbstractSocket::SocketAccessError:
      return text + ": нет прав (порты ниже 1024 открывает только администратор).";
    case QAbstractSocket::AddressInUseError:
      return text + ": порт занят другой программой.";
    case QAbstractSocket::SocketAddressNotAvailableError:
      return text + ": этот адрес не принадлежит компьютеру.";
    default:
      return text + ": " + socket.errorString().toStdString() + ".";
  }
}

}  // namespace

UdpTransport::UdpTransport(UdpEndpoints endpoints) : endpoints_(endpoints) {}

UdpTransport::~UdpTransport() {
  Close();
}

bool UdpTransport::IsOpen() const {
  return socket_ != nullptr;
}

std::uint16_t UdpTransport::BoundPort() const {
  return socket_ ? socket_->localPort() : 0;
}

bool UdpTransport::Open() {
  Close();
  openFailure_.clear();
  bindFailed_ = false;
  if (endpoints_.ValidateSelf && !NetworkStartup(endpoints_.Self)) {
    openFailure_ = "Не удалось открыть сокет UDP: у компьютера нет ни одного адреса IPv4.";
    return false;
  }
  auto socket = std::make_unique<QUdpSocket>();
  // The controller sits on the local network: a proxy of the desktop (system settings,
  // http_proxy/all_proxy) must never carry its datagrams.
  socket->setProxy(QNetworkProxy::NoProxy);
  // Qt permits broadcast on every UDP socket it creates.
  if (!socket->bind(ToQt(endpoints_.Self), endpoints_.SelfPort,
                    QAbstractSocket::DontShareAddress)) {
    lastError_ = socket->error();
    openFailure_ = BindFailureText(endpoints_.Self, endpoints_.SelfPort, *socket);
    bindFailed_ = true;
    return false;
  }
  socket_ = std::move(socket);
  return true;
}

bool UdpTransport::Close() {
  if (!socket_) return false;
  socket_->close();
  socket_.reset();
  return true;
}

void UdpTransport::Discard() {
  if (!socket_) return;
  while (socket_->hasPendingDatagrams()) socket_->receiveDatagram(0);
}

bool UdpTransport::Send(const std::uint8_t* data, std::size_t size) {
  if (!socket_) return false;
  const qint64 n =
      socket_->writeDatagram(reinterpret_cast<const char*>(data), static_cast<qint64>(size),
                             ToQt(endpoints_.Dest), endpoints_.DestPort);
  if (n != static_cast<qint64>(size)) {
    lastError_ = socket_->error();
    return false;
  }
  return true;
}

std::size_t UdpTransport::Receive(std::uint8_t* buffer, std::size_t capacity) {
  if (!socket_) return 0;
  const bool anySender = IsBroadcast(endpoints_.Dest);
  const quint32 dest = ToQt(endpoints_.Dest).toIPv4Address();
  QDeadlineTimer deadline(endpoints_.AnswerWaitMs);
  for (;;) {
    while (socket_->hasPendingDatagrams()) {
      const QNetworkDatagram d = socket_->receiveDatagram(64000);
      if (!d.isValid()) {
        lastError_ = socket_->error();
        continue;
      }
      bool ipv4 = false;
      const quint32 from = d.senderAddress().toIPv4Address(&ipv4);
      // Somebody else's datagram on our port is no answer.
      if (!anySender && (!ipv4 || from != dest || d.senderPort() != endpoints_.DestPort)) continue;
      const QByteArray bytes = d.data();
      if (bytes.isEmpty()) continue;
      const std::size_t n = std::min(static_cast<std::size_t>(bytes.size()), capacity);
      std::memcpy(buffer, bytes.constData(), n);
      return n;
    }
    const qint64 left = deadline.remainingTime();
    if (left <= 0) return 0;
    if (!socket_->waitForReadyRead(static_cast<int>(left)) && deadline.hasExpired()) return 0;
  }
}

}  // namespace vilk
