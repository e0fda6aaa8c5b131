#pragma once
// Runs vilk-sim as a child process in a folder of its own and tells where it listens.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace vilk::test {

using Bytes = std::vector<std::uint8_t>;

// A folder under the test temporary directory, removed at the end.
class TempFolder {
 public:
  TempFolder() {
    std::string tmpl = ::testing::TempDir() + "vilk_link_XXXXXX";
    if (!::mkdtemp(tmpl.data())) ADD_FAILURE() << "mkdtemp failed";
    path_ = tmpl;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline Bytes Ascii(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

inline Bytes Pattern(std::size_t n, unsigned seed = 1) {
  Bytes b(n);
  unsigned x = seed * 2654435761u + 1;
  for (auto& v : b) {
    x = x * 1103515245u + 12345u;
    v = static_cast<std::uint8_t>(x >> 16);
  }
  return b;
}

class SimProcess {
 public:
  // Runs the stand-in with its controller files in `controllerDir` and its request log in
  // `logPath`; `args` name where it listens ({"--udp", "127.0.0.1:0"}, {"--pty"}) and how
  // it behaves.
  SimProcess(const std::string& controllerDir, const std::string& logPath,
             std::vector<std::string> args)
      : log_(logPath) {
    std::vector<std::string> all{VILK_SIM_PATH, "--dir", controllerDir, "--log", log_};
    all.insert(all.end(), args.begin(), args.end());
    int out[2];
    if (::pipe(out) != 0) {
      ADD_FAILURE() << "pipe failed";
      return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], 1);
      ::close(out[0]);
      ::close(out[1]);
      std::vector<char*> argv;
      for (auto& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    FILE* f = ::fdopen(out[0], "r");
    char line[512];
    while (f && std::fgets(line, sizeof line, f)) {
      std::string s(line);
      while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
      if (s.rfind("udp ", 0) == 0)
        Port = static_cast<std::uint16_t>(std::stoi(s.substr(s.rfind(':') + 1)));
      if (s.rfind("serial ", 0) == 0) Device = s.substr(7);
      if (s == "ready") {
        ready_ = true;
        break;
      }
    }
    if (f) std::fclose(f);
    if (!ready_) ADD_FAILURE() << "vilk-sim did not start";
  }
  ~SimProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // The request log so far, one line per request.
  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    std::ifstream in(log_);
    std::string s;
    while (std::getline(in, s)) lines.push_back(s);
    return lines;
  }
  // Log lines that start with `prefix`.
  std::vector<std::string> LogOf(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& l : Log())
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
  }

  // Waits (up to `ms`) until `count` lines start with `prefix`: a request that awaits no
  // answer reaches the log after the tool has finished.
  bool WaitForLog(const std::string& prefix, std::size_t count, int ms = 3000) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (LogOf(prefix).size() < count) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  std::uint16_t Port = 0;
  std::string Device;

 private:
  std::string log_;
  pid_t pid_ = -1;
  bool ready_ = false;
};

}  // namespace vilk::test
