// vilk-sim: a stand-in ВИЛК controller for tests and trials without hardware.
//
//   vilk-sim --dir FOLDER [--udp ADDR[:PORT]] [--pty | --serial DEVICE] [options]
//
// It prints "udp ADDR:PORT" and/or "serial DEVICE" for what it listens on, then "ready",
// and answers requests until it is stopped (SIGTERM, SIGINT).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "sim_controller.h"

namespace {

const char kUsage[] = R"(vilk-sim - a stand-in ВИЛК controller

Usage: vilk-sim --dir FOLDER [--udp ADDR[:PORT]] [--pty | --serial DEVICE] [options]

  --dir FOLDER        the controller's files (VilkA2.cfg, Password.ini, Auto.shm, ...);
                      a written file replaces its namesake when its last segment arrived
  --udp ADDR[:PORT]   answer datagrams on this address (port 208 by default, 0: any
                      free port); answers go back to the sender
  --pty               make a pseudo-terminal and answer on it (its device is printed)
  --serial DEVICE     answer on a serial device (57600 8N1, raw)
  --type N            controller type code (23)
  --major N --minor N firmware version (1.12)
  --letter C          version letter (none)
  --name TEXT         controller name (ВИЛК.A2)
  --year N            year of the identity (2025)
  --no-identify       leave Identify unanswered, like an old controller
  --value ADDR=V      the value ReadValue answers for ADDR (else ADDR itself)
  --fault FAULT       misbehave: REQUEST:ACTION[@N | @N- | @N-M], repeatable
                      REQUEST identify find read write clock value reboot any
                      ACTION  drop (ignore the request), mute (act, but send no answer),
                              delay=MS, corrupt (bad checksum), echo (wrong request
                              code), error=CODE (answer with this error code, act not)
                      N counts the requests of that kind from 1 (all of them for any)
  --log FILE          one line per request and its outcome

The password check: when FOLDER holds Password.ini, a write must carry the access key
of one of its lines (CRC of "user=transformed password"), else it is refused with 1234.
)";

volatile sig_atomic_t stopping = 0;
void OnSignal(int) {
  stopping = 1;
}

bool SetRaw(int fd) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  cfsetispeed(&t, B57600);
  cfsetospeed(&t, B57600);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

void WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 100);
        continue;
      }
      return;
    }
    done += static_cast<std::size_t>(n);
  }
}

// Collects the bytes of one frame from a serial line: L first, then L + 1 more. A gap of
// 200 ms inside a frame drops what came so far (line noise).
class LineFramer {
 public:
  // Adds bytes; returns complete frames.
  std::vector<std::vector<std::uint8_t>> Feed(const std::uint8_t* data, std::size_t n) {
    std::vector<std::vector<std::uint8_t>> frames;
    const auto now = std::chrono::steady_clock::now();
    if (!buf_.empty() && now - last_ > std::chrono::milliseconds(200)) buf_.clear();
    last_ = now;
    for (std::size_t i = 0; i < n; ++i) {
      buf_.push_back(data[i]);
      if (buf_.size() == static_cast<std::size_t>(buf_[0]) + 2) {
        frames.push_back(buf_);
        buf_.clear();
      }
    }
    return frames;
  }

 private:
  std::vector<std::uint8_t> buf_;
  std::chrono::steady_clock::time_point last_;
};

}  // namespace

int main(int argc, char** argv) {
  using vilk::sim::Fault;
  std::string dir, udp, serial, logPath;
  bool pty = false;
  vilk::sim::Identity id;
  std::vector<Fault> faults;
  std::map<int, std::int32_t> values;

  auto need = [&](int& i) -> std::string {
    if (i + 1 >= argc) {
      std::cerr << "vilk-sim: " << argv[i] << " needs a value\n";
      std::exit(2);
    }
    return argv[++i];
  };
  auto number = [](const std::string& s, const char* what) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 0);
    if (s.empty() || *end) {
      std::cerr << "vilk-sim: " << what << " is not a number: " << s << "\n";
      std::exit(2);
    }
    return static_cast<int>(v);
  };
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (a == "--dir")
      dir = need(i);
    else if (a == "--udp")
      udp = need(i);
    else if (a == "--pty")
      pty = true;
    else if (a == "--serial")
      serial = need(i);
    else if (a == "--type")
      id.Type = number(need(i), "--type");
    else if (a == "--major")
      id.Major = number(need(i), "--major");
    else if (a == "--minor")
      id.Minor = number(need(i), "--minor");
    else if (a == "--year")
      id.Year = number(need(i), "--year");
    else if (a == "--name")
      id.Name = need(i);
    else if (a == "--letter") {
      const std::string l = need(i);
      id.Letter = l.empty() ? 0xFF : static_cast<unsigned char>(l[0]);
    } else if (a == "--no-identify")
      id.Answers = false;
    else if (a == "--log")
      logPath = need(i);
    else if (a == "--value") {
      const std::string v = need(i);
      const std::size_t eq = v.find('=');
      if (eq == std::string::npos) {
        std::cerr << "vilk-sim: --value needs ADDR=V\n";
        return 2;
      }
      values[number(v.substr(0, eq), "address")] = number(v.substr(eq + 1), "value");
    } else if (a == "--fault") {
      const std::string text = need(i);
      const auto f = Fault::Parse(text);
      if (!f) {
        std::cerr << "vilk-sim: bad fault " << text << "\n";
        return 2;
      }
      faults.push_back(*f);
    } else {
      std::cerr << "vilk-sim: unknown option " << a << "\nTry 'vilk-sim --help'.\n";
      return 2;
    }
  }
  if (dir.empty() || (udp.empty() && !pty && serial.empty())) {
    std::cerr << "vilk-sim: needs --dir and at least one of --udp, --pty, --serial\n";
    return 2;
  }

  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  vilk::sim::SimController sim(dir);
  sim.Id = id;
  sim.Faults = faults;
  sim.Values = values;
  std::ofstream log;
  if (!logPath.empty()) {
    log.open(logPath, std::ios::app);
    if (!log) {
      std::cerr << "vilk-sim: cannot write " << logPath << "\n";
      return 1;
    }
  }

  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  int udpFd = -1, lineFd = -1, slaveFd = -1;
  if (!udp.empty()) {
    std::string host = udp;
    int port = 208;
    const std::size_t colon = udp.rfind(':');
    if (colon != std::string::npos) {
      host = udp.substr(0, colon);
      port = number(udp.substr(colon + 1), "port");
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) {
      std::cerr << "vilk-sim: not an IPv4 address: " << host << "\n";
      return 2;
    }
    udpFd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const int one = 1;
    ::setsockopt(udpFd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    if (udpFd < 0 || ::bind(udpFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
      std::cerr << "vilk-sim: cannot bind " << udp << ": " << std::strerror(errno) << "\n";
      return 1;
    }
    socklen_t len = sizeof addr;
    ::getsockname(udpFd, reinterpret_cast<sockaddr*>(&addr), &len);
    std::cout << "udp " << host << ":" << ntohs(addr.sin_port) << "\n";
  }
  if (pty) {
    lineFd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (lineFd < 0 || ::grantpt(lineFd) != 0 || ::unlockpt(lineFd) != 0) {
      std::cerr << "vilk-sim: cannot make a pseudo-terminal: " << std::strerror(errno) << "\n";
      return 1;
    }
    const std::string name = ::ptsname(lineFd);
    // Held open so that the line stays up between the tool's opens.
    slaveFd = ::open(name.c_str(), O_RDWR | O_NOCTTY);
    if (slaveFd < 0 || !SetRaw(slaveFd)) {
      std::cerr << "vilk-sim: cannot set up " << name << "\n";
      return 1;
    }
    std::cout << "serial " << name << "\n";
  } else if (!serial.empty()) {
    lineFd = ::open(serial.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (lineFd < 0 || !SetRaw(lineFd)) {
      std::cerr << "vilk-sim: cannot open " << serial << ": " << std::strerror(errno) << "\n";
      return 1;
    }
    std::cout << "serial " << serial << "\n";
  }
  std::cout << "ready" << std::endl;

  auto answer = [&](const std::uint8_t* data, std::size_t n, auto send) {
    const vilk::sim::Reply r = sim.Handle(data, n);
    if (log) log << r.Log << std::endl;
    if (r.DelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(r.DelayMs));
    if (!r.Frame.empty()) send(r.Frame);
  };

  LineFramer framer;
  std::vector<std::uint8_t> buf(65536);
  while (!stopping) {
    pollfd fds[2];
    nfds_t count = 0;
    if (udpFd >= 0) fds[count++] = {udpFd, POLLIN, 0};
    if (lineFd >= 0) fds[count++] = {lineFd, POLLIN, 0};
    const int ready = ::poll(fds, count, 200);
    if (ready <= 0) continue;
    for (nfds_t k = 0; k < count; ++k) {
      if (!(fds[k].revents & (POLLIN | POLLERR | POLLHUP))) continue;
      if (fds[k].fd == udpFd) {
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t n =
            ::recvfrom(udpFd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n <= 0) continue;
        answer(buf.data(), static_cast<std::size_t>(n), [&](const std::vector<std::uint8_t>& f) {
          ::sendto(udpFd, f.data(), f.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
        });
      } else {
        const ssize_t n = ::read(lineFd, buf.data(), buf.size());
        if (n <= 0) {
          // No reader on the other side yet: wait instead of spinning.
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
          continue;
        }
        for (const auto& frame : framer.Feed(buf.data(), static_cast<std::size_t>(n)))
          answer(frame.data(), frame.size(),
                 [&](const std::vector<std::uint8_t>& f) { WriteAll(lineFd, f); });
      }
    }
  }
  if (udpFd >= 0) ::close(udpFd);
  if (lineFd >= 0) ::close(lineFd);
  if (slaveFd >= 0) ::close(slaveFd);
  return 0;
}
