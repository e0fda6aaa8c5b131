// The UDP transport's own rules: only the controller asked answers (any sender when asking
// the broadcast address), stale datagrams go before a request, over-long datagrams are cut
// and refused, SelfIP must be an address of this host.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QNetworkProxyFactory>
#include <QThread>

#include <cstdlib>
#include <optional>

#include "link/commands.h"
#include "link/protocol.h"
#include "link_fixture.h"
#include "network.h"

namespace vilk::test {
namespace {

// A plain socket on 127.0.0.1 standing in for a controller (or an intruder).
class PeerSocket {
 public:
  PeerSocket() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    Port = ntohs(a.sin_port);
    timeval tv{2, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  }
  ~PeerSocket() { ::close(fd_); }
  void SendTo(std::uint16_t port, const Bytes& b) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    ::sendto(fd_, b.data(), b.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }
  // Waits for one datagram; returns it and the sender's port.
  Bytes Receive(std::uint16_t* from = nullptr) {
    Bytes b(2048);
    sockaddr_in a{};
    socklen_t len = sizeof a;
    const ssize_t n = ::recvfrom(fd_, b.data(), b.size(), 0, reinterpret_cast<sockaddr*>(&a), &len);
    b.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    if (from) *from = ntohs(a.sin_port);
    return b;
  }
  std::uint16_t Port = 0;

 private:
  int fd_ = -1;
};

Bytes Frame(const Bytes& body) {
  Bytes f{static_cast<std::uint8_t>(body.size())};
  unsigned sum = 0;
  for (auto b : body) {
    f.push_back(b);
    sum += b;
  }
  f.push_back(static_cast<std::uint8_t>(sum));
  return f;
}

UdpEndpoints To(std::uint16_t port, int waitMs = 1000) {
  UdpEndpoints e;
  e.Self = {127, 0, 0, 1};
  e.SelfPort = 0;
  e.Dest = {127, 0, 0, 1};
  e.DestPort = port;
  e.AnswerWaitMs = waitMs;
  return e;
}

TEST(UdpLink, OnlyTheControllerAskedAnswers) {
  TempFolder root;
  std::filesystem::create_directories(root / "ctl");
  SimProcess sim(root / "ctl", root / "sim.log",
                 {"--udp", "127.0.0.1:0", "--fault", "identify:delay=200"});
  UdpTransport link(To(sim.Port, 2000));
  ASSERT_TRUE(link.Open());
  RecordingMessages messages;
  LoginState login;
  LinkProtocol proto(link, messages, login);

  // An intruder answers first with a well-formed identity of another type.
  PeerSocket intruder;
  std::thread forge([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Bytes body{0xA2, 0};
    body.resize(24, 0);
    body[23] = 26;
    intruder.SendTo(link.BoundPort(), Frame(body));
  });
  ModelRecord identity;
  const bool ok = proto.Identify(identity);
  forge.join();
  ASSERT_TRUE(ok);
  EXPECT_EQ(identity.TypeCode, 23);
  EXPECT_EQ(identity.Name, "ВИЛК.A2");
}

TEST(UdpLink, BroadcastTakesAnySender) {
  UdpEndpoints e = To(9);
  e.Dest = {255, 255, 255, 255};
  UdpTransport link(e);
  ASSERT_TRUE(link.Open());
  PeerSocket peer;
  peer.SendTo(link.BoundPort(), Frame({0x9B, 0, 0}));
  std::uint8_t buf[300];
  EXPECT_EQ(link.Receive(buf, sizeof buf), 5u);
  EXPECT_EQ(buf[1], 0x9B);
}

TEST(UdpLink, StaleDatagramsGoBeforeTheRequestAndLongOnesAreRefused) {
  PeerSocket controller;
  UdpTransport link(To(controller.Port, 1000));
  ASSERT_TRUE(link.Open());
  RecordingMessages messages;
  LoginState login;
  LinkProtocol proto(link, messages, login);

  // A late answer of some earlier read waits on the socket.
  controller.SendTo(link.BoundPort(), Frame({0xA1, 0, 0, 9, 0, 0, 0}));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::thread answer([&] {
    std::uint16_t from = 0;
    const Bytes request = controller.Receive(&from);
    EXPECT_EQ(request, (Bytes{0x03, 0xA1, 0x05, 0x00, 0xA6}));
    controller.SendTo(from, Frame({0xA1, 0, 0, 42, 0, 0, 0}));
  });
  std::int32_t value = 0;
  EXPECT_TRUE(proto.ReadValue(5, value));
  answer.join();
  EXPECT_EQ(value, 42);

  // A datagram longer than any frame is cut to the buffer and refused.
  std::thread flood([&] {
    std::uint16_t from = 0;
    controller.Receive(&from);
    Bytes big(1000, 0);
    big[0] = 255;
    big[1] = 0x9B;
    controller.SendTo(from, big);
  });
  EXPECT_FALSE(proto.SetClock());
  flood.join();
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Ошибка контрольной суммы ответа."}));
}

TEST(UdpLink, NoAnswerWithinTheWait) {
  PeerSocket silent;
  UdpTransport link(To(silent.Port, 150));
  ASSERT_TRUE(link.Open());
  const auto start = std::chrono::steady_clock::now();
  std::uint8_t buf[300];
  EXPECT_EQ(link.Receive(buf, sizeof buf), 0u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(140));
  EXPECT_TRUE(link.Close());
  EXPECT_FALSE(link.Close());
}

TEST(UdpLink, SelfAddressMustBelongToThisHost) {
  const auto list = LocalAddressList();
  ASSERT_FALSE(list.empty());
  // Loopback comes last, after the adapters.
  EXPECT_EQ(list.back().Text.rfind("127.", 0), 0u);
  EXPECT_EQ(list.back().Value & 0xFF, 127u);

  IPv4 self{127, 0, 0, 1};
  ASSERT_TRUE(NetworkStartup(self));
  EXPECT_EQ(self, (IPv4{127, 0, 0, 1}));
  IPv4 foreign{203, 0, 113, 77};
  ASSERT_TRUE(NetworkStartup(foreign));
  EXPECT_EQ(LowFirst(foreign), list.front().Value);

  // The link test keeps the replaced address for the settings file.
  LinkSettings settings;
  settings.LinkMode = kLinkUdp;
  settings.SelfIP = {203, 0, 113, 77};
  settings.DestIP = {192, 168, 1, 222};
  RecordingMessages messages;
  EXPECT_EQ(LinkTest(settings, "Vilk", messages), "Vilk.  IP=192.168.1.222");
  EXPECT_EQ(LowFirst(settings.SelfIP), list.front().Value);
  EXPECT_TRUE(messages.Errors.empty());

  // The ARP step never fails loudly: without privileges or entries it does nothing.
  ForgetControllerMac({127, 0, 0, 1});
  ForgetControllerMac({255, 255, 255, 255});
}

// Sets an environment variable for the life of the object, then puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(UdpLink, AProxyOfTheEnvironmentIsNotUsed) {
  TempFolder root;
  std::filesystem::create_directories(root / "ctl");
  SimProcess sim(root / "ctl", root / "sim.log", {"--udp", "127.0.0.1:0"});
  WriteBytes(root / "ctl/Auto.shm", Pattern(300));

  // A desktop that routes traffic through a proxy (system configuration read from the
  // environment) must not take the controller's datagrams there: with a SOCKS5 proxy
  // that nobody runs, a socket that asked the proxy could not even bind. Qt's own reader
  // takes all_proxy for a datagram socket, libproxy takes http_proxy.
  ScopedEnv all("all_proxy", "socks5://127.0.0.1:9");
  ScopedEnv http("http_proxy", "socks5://127.0.0.1:9");
  ScopedEnv none("no_proxy", "");
  QNetworkProxyFactory::setUseSystemConfiguration(true);
  struct Restore {
    ~Restore() { QNetworkProxyFactory::setUseSystemConfiguration(false); }
  } restore;

  UdpTransport link(To(sim.Port));
  ASSERT_TRUE(link.Open()) << "socket error " << link.LastError();
  link.Close();
  LinkSettings settings;
  settings.LinkMode = kLinkUdp;
  RecordingMessages messages;
  LoginState login;
  DeviceSession session(link, settings, messages, login);
  session.SetSettlingPause(std::chrono::milliseconds(0));
  std::vector<std::uint8_t> data;
  EXPECT_TRUE(session.ReadControllerFile("Auto.shm", data));
  EXPECT_EQ(data, Pattern(300));
  EXPECT_TRUE(messages.Errors.empty());
}

TEST(UdpLink, ACommandRunsOnAWorkerThread) {
  TempFolder root;
  std::filesystem::create_directories(root / "ctl");
  SimProcess sim(root / "ctl", root / "sim.log", {"--udp", "127.0.0.1:0"});
  WriteBytes(root / "ctl/Auto.shm", Pattern(5000));
  LinkSettings settings;
  settings.LinkMode = kLinkUdp;
  RecordingMessages messages;
  LoginState login;
  std::vector<std::uint8_t> data;
  bool ok = false;
  // The transport object is made on the UI thread; its socket lives on the worker.
  UdpTransport link(To(sim.Port));
  QThread* worker = QThread::create([&] {
    DeviceSession session(link, settings, messages, login);
    ok = session.ReadControllerFile("Auto.shm", data);
  });
  worker->start();
  ASSERT_TRUE(worker->wait(30000));
  delete worker;
  EXPECT_TRUE(ok);
  EXPECT_EQ(data, Pattern(5000));
  EXPECT_FALSE(link.IsOpen());
}

}  // namespace
}  // namespace vilk::test
