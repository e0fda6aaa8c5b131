#include "device_commands.h"
#include "stream_messages.h"

#include <QCoreApplication>

#include <charconv>
#include <memory>
#include <optional>
#include <ostream>

#include "base/files.h"
#include "base/messages.h"
#include "controller/controller.h"
#include "link/commands.h"
#include "link/device.h"
#include "model/image_ops.h"
#include "network.h"
#include "serial_transport.h"
#include "udp_transport.h"

namespace vilk::cli {

namespace {

struct Options {
  std::optional<std::string> udp, self, serial, user, password;
  bool yes = false;
  bool trace = false;
  int timeoutMs = 5000;
  std::vector<std::string> files;
};

int Usage(std::ostream& err, const std::string& why) {
  err << "vilkcfg: " << why << "\nTry 'vilkcfg --help'.\n";
  return 2;
}

// "ADDR[:PORT]" into an address and a port.
bool ParseEndpoint(const std::string& text, IPv4& ip, std::uint16_t& port) {
  std::string host = text;
  const std::size_t colon = text.rfind(':');
  if (colon != std::string::npos) {
    host = text.substr(0, colon);
    unsigned v = 0;
    const std::string p = text.substr(colon + 1);
    auto [end, ec] = std::from_chars(p.data(), p.data() + p.size(), v);
    if (ec != std::errc() || end != p.data() + p.size() || v > 65535) return false;
    port = static_cast<std::uint16_t>(v);
  }
  unsigned parts[4];
  const char* at = host.data();
  const char* end = host.data() + host.size();
  for (int i = 0; i < 4; ++i) {
    auto [next, ec] = std::from_chars(at, end, parts[i]);
    if (ec != std::errc() || parts[i] > 255) return false;
    at = next;
    if (i < 3) {
      if (at == end || *at != '.') return false;
      ++at;
    }
  }
  if (at != end) return false;
  ip = {static_cast<std::uint8_t>(parts[0]), static_cast<std::uint8_t>(parts[1]),
        static_cast<std::uint8_t>(parts[2]), static_cast<std::uint8_t>(parts[3])};
  return true;
}

// The real transport, watched: why an Open failed (the window's commands show at most "Ошибка
// при инициализации порта", and locating the controller shows nothing) and whether a request
// could not be sent (a restart awaits no answer and reports nothing).
class WatchedTransport : public Transport {
 public:
  explicit WatchedTransport(std::unique_ptr<Transport> inner) : inner_(std::move(inner)) {}

  bool Open() override {
    if (inner_ && inner_->Open()) return true;
    if (failure_.empty()) failure_ = OpenFailure();
    if (failure_.empty()) failure_ = "Не удалось открыть линию связи с контроллером.";
    return false;
  }
  bool Close() override { return inner_ && inner_->Close(); }
  bool IsOpen() const override { return inner_ && inner_->IsOpen(); }
  void Discard() override {
    if (inner_) inner_->Discard();
  }
  bool Send(const std::uint8_t* data, std::size_t size) override {
    if (inner_ && inner_->Send(data, size)) return true;
    sendFailed_ = true;
    return false;
  }
  std::size_t Receive(std::uint8_t* buffer, std::size_t capacity) override {
    return inner_ ? inner_->Receive(buffer, capacity) : 0;
  }

  // Why the first failed Open failed; empty when every Open succeeded.
  const std::string& Failure() const { return failure_; }
  bool SendFailed() const { return sendFailed_; }

 private:
  std::string OpenFailure() const {
    if (const auto* udp = dynamic_cast<const UdpTransport*>(inner_.get())) {
      std::string text = udp->OpenFailure();
      if (udp->BindFailed() && udp->Endpoints().SelfPort != 0)
        text += " Укажите --self АДРЕС:0, чтобы открыть любой свободный порт.";
      return text;
    }
    if (const auto* serial = dynamic_cast<const SerialTransport*>(inner_.get()))
      return serial->OpenFailure();
    return {};
  }

  std::unique_ptr<Transport> inner_;
  std::string failure_;
  bool sendFailed_ = false;
};

std::string VersionText(const ModelRecord& r) {
  std::string v = std::to_string(r.Major) + "." + std::to_string(r.Minor);
  if (r.Letter != -1 && r.Letter != ' ' && r.Letter != 0) v += static_cast<char>(r.Letter);
  return v;
}

int Run(const std::string& cmd, const Options& o, std::ostream& out, std::ostream& err) {
  LinkSettings settings;
  TransportOptions transport;
  transport.AnswerWaitMs = o.timeoutMs;
  if (o.udp) {
    settings.LinkMode = kLinkUdp;
    std::uint16_t destPort = kControllerPort;
    if (!ParseEndpoint(*o.udp, settings.DestIP, destPort))
      return Usage(err, "--udp needs DEST[:PORT], not " + *o.udp);
    transport.DestPort = destPort;
    if (o.self) {
      std::uint16_t selfPort = kControllerPort;
      if (!ParseEndpoint(*o.self, settings.SelfIP, selfPort))
        return Usage(err, "--self needs ADDR[:PORT], not " + *o.self);
      transport.SelfPort = selfPort;
    }
  } else {
    settings.LinkMode = kLinkSerial;
    settings.SerialDevice = *o.serial;
  }

  StreamMessages messages(err, o.yes);
  messages.ExplainRefusals();
  LoginState login;
  if (o.user) login.Confirm(*o.user, o.password.value_or(""));
  WatchedTransport link(MakeTransport(settings, transport));
  ArpStep arp(settings.DestIP);
  DeviceSession session(link, settings, messages, login);
  if (settings.IsUdp()) session.SetNetworkSteps(&arp);
  // --trace: every exchange on stderr as it happens, the counters at the end.
  LinkLog log;
  if (o.trace) {
    log.Sink = [&err](const std::string& lines) { err << lines << std::flush; };
    log.BeginSession(cmd);
    session.SetLog(&log);
  }
  session.SetLoginPrompt([&err] {
    err << "vilkcfg: the controller asks for a login: give --user and --password\n";
    return false;
  });

  const int status = [&]() -> int {
    const auto& f = o.files;
    auto needFiles = [&](std::size_t min, std::size_t max) {
      return f.size() >= min && f.size() <= max;
    };

    if (cmd == "identify") {
      if (!needFiles(0, 0)) return Usage(err, "identify takes no file");
      const LocateResult r = session.LocateConfiguration();
      if (!r.Found()) return 1;
      out << "file " << r.FileName << "\nname " << r.Identity.Name << "\ntype "
          << int(r.Identity.TypeCode) << "\nversion " << VersionText(r.Identity) << "\nyear "
          << r.Identity.Year << '\n';
      return 0;
    }
    if (cmd == "read-config") {
      if (!needFiles(1, 1)) return Usage(err, "read-config needs one output file");
      Configuration config(messages);
      ConfigImage image;
      std::vector<std::uint8_t> raw;
      if (!ReadConfiguration(session, config, image, &raw)) return 1;
      std::string error;
      if (!WriteFileAtomic(f[0], raw.data(), raw.size(), &error)) {
        messages.Error("Ошибка записи файла " + f[0] + ": " + error);
        return 1;
      }
      return 0;
    }
    if (cmd == "write-config") {
      if (!needFiles(1, 1)) return Usage(err, "write-config needs one configuration file");
      Configuration config(messages);
      ConfigImage image;
      if (!OpenConfigFile(config, image, f[0])) return 1;
      return WriteConfiguration(session, config, image, f[0]) ? 0 : 1;
    }
    if (cmd == "get-file") {
      if (!needFiles(2, 2))
        return Usage(err, "get-file needs a controller file name and an output file");
      return ReadToLocalFile(session, f[0], f[1]) ? 0 : 1;
    }
    if (cmd == "put-file") {
      if (!needFiles(1, 2))
        return Usage(err, "put-file needs a file and optionally its name on the controller");
      const std::string name = f.size() == 2 ? f[1] : ProgramFileName(f[0]);
      return WriteLocalFile(session, f[0], name) ? 0 : 1;
    }
    if (cmd == "reboot") {
      if (!needFiles(0, 0)) return Usage(err, "reboot takes no file");
      // The restart awaits no answer: a request that never left is the only failure to see.
      return session.Restart() && !link.SendFailed() ? 0 : 1;
    }
    if (cmd == "set-time") {
      if (!needFiles(0, 0)) return Usage(err, "set-time takes no file");
      return session.SetTime() ? 0 : 1;
    }
    // read-value
    if (!needFiles(1, 1)) return Usage(err, "read-value needs an address");
    unsigned address = 0;
    const std::string& a = f[0];
    auto [end, ec] = std::from_chars(a.data(), a.data() + a.size(), address);
    if (ec != std::errc() || end != a.data() + a.size() || address > 0xFFFF)
      return Usage(err, "read-value needs an address 0..65535, not " + a);
    std::int32_t value = 0;
    if (!session.ReadValue(static_cast<std::uint16_t>(address), value)) {
      // A link that did not open is no silent controller: that is said below.
      if (link.Failure().empty()) messages.Error("Нет ответа контроллера");
      return 1;
    }
    out << value << '\n';
    return 0;
  }();
  // The window says nothing (locating) or only "Ошибка при инициализации порта" when the
  // link does not open; the command line says why.
  if (status == 1 && !link.Failure().empty()) err << "vilkcfg: " << link.Failure() << '\n';
  if (o.trace) err << FormatCounters(log.Counters()) << '\n';
  return status;
}

}  // namespace

int RunDeviceCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::string& cmd = args.at(0);
  Options o;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::optional<std::string>& into) {
      if (i + 1 >= args.size()) return false;
      into = args[++i];
      return true;
    };
    if (a == "--udp") {
      if (!value(o.udp)) return Usage(err, "--udp needs DEST[:PORT]");
    } else if (a == "--self") {
      if (!value(o.self)) return Usage(err, "--self needs ADDR[:PORT]");
    } else if (a == "--serial") {
      if (!value(o.serial)) return Usage(err, "--serial needs a device");
    } else if (a == "--user") {
      if (!value(o.user)) return Usage(err, "--user needs a name");
    } else if (a == "--password") {
      if (!value(o.password)) return Usage(err, "--password needs a text");
    } else if (a == "--yes") {
      o.yes = true;
    } else if (a == "--trace") {
      o.trace = true;
    } else if (a == "--timeout") {
      std::optional<std::string> t;
      int ms = 0;
      if (!value(t) || std::from_chars(t->data(), t->data() + t->size(), ms).ec != std::errc() ||
          ms <= 0)
        return Usage(err, "--timeout needs milliseconds");
      o.timeoutMs = ms;
    } else if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      return Usage(err, "unknown option " + a);
    } else {
      o.files.push_back(a);
    }
  }
  if (o.udp.has_value() == o.serial.has_value())
    return Usage(err, cmd + " needs --udp DEST[:PORT] or --serial DEVICE");
  if (o.self && !o.udp) return Usage(err, "--self goes with --udp");
  if (o.password && !o.user) return Usage(err, "--password goes with --user");

  // Qt's sockets and serial ports want an application object on this thread.
  std::unique_ptr<QCoreApplication> app;
  static int argc = 1;
  static char name[] = "vilkcfg";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) app = std::make_unique<QCoreApplication>(argc, argv);
  return Run(cmd, o, out, err);
}

}  // namespace vilk::cli
