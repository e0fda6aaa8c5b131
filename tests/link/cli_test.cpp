// vilkcfg's controller commands against vilk-sim: what they print, write and refuse.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "link/login.h"
#include "sim_process.h"

namespace vilk::test {
namespace {

struct Result {
  int Status = -1;
  std::string Out;
  std::string Err;
};

// Runs vilkcfg with `args`, its output and errors captured in files of `root`.
Result Vilkcfg(const TempFolder& root, const std::vector<std::string>& args) {
  const std::string out = root / "out.txt", err = root / "err.txt";
  std::string cmd = VILKCFG_PATH;
  for (const std::string& a : args) cmd += " '" + a + "'";
  cmd += " >'" + out + "' 2>'" + err + "'";
  const int raw = std::system(cmd.c_str());
  Result r;
  r.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  const Bytes o = ReadBytes(out), e = ReadBytes(err);
  r.Out.assign(o.begin(), o.end());
  r.Err.assign(e.begin(), e.end());
  return r;
}

class CliLinkTest : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> extra = {}) {
    std::filesystem::create_directories(root / "ctl");
    extra.insert(extra.begin(), {"--udp", "127.0.0.1:0"});
    sim = std::make_unique<SimProcess>(root / "ctl", root / "sim.log", extra);
  }
  std::vector<std::string> Udp(std::vector<std::string> args) const {
    args.insert(args.end(), {"--udp", "127.0.0.1:" + std::to_string(sim->Port), "--self",
                             "127.0.0.1:0", "--timeout", "300"});
    return args;
  }

  TempFolder root;
  std::unique_ptr<SimProcess> sim;
};

TEST_F(CliLinkTest, Identify) {
  Start({"--type", "22", "--minor", "9", "--letter", "b", "--name", "ВИЛК.A1", "--year", "2024"});
  const Result r = Vilkcfg(root, Udp({"identify"}));
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "file VilkA2.cfg\nname ВИЛК.A1\ntype 22\nversion 1.9b\nyear 2024\n");
}

TEST_F(CliLinkTest, IdentifyRefusals) {
  Start({"--major", "2"});
  Result r = Vilkcfg(root, Udp({"identify"}));
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err, "Обновите программу \"Конфигуратор ВИЛК\".\n");
  EXPECT_EQ(r.Out, "");
}

TEST_F(CliLinkTest, WriteAndReadTheConfiguration) {
  Start();
  WriteBytes(root / "ctl/Password.ini", Ascii(PasswordFileLine("admin", "abc") + "\r\n"));
  ASSERT_EQ(Vilkcfg(root, {"new", "--model", "23", root / "a.cfg"}).Status, 0);

  // Without --yes the confirmation is refused and nothing is sent.
  Result r = Vilkcfg(root, Udp({"write-config", root / "a.cfg"}));
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("Записать в RTU c IP адресом \n\n127.0.0.1\n\n размер файла = "),
            std::string::npos);
  EXPECT_TRUE(sim->LogOf("write").empty());

  r = Vilkcfg(root, Udp({"write-config", root / "a.cfg", "--yes", "--user", "admin", "--password",
                         "wrong"}));
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("Ошибка записи файла. Не верный пароль.\n"), std::string::npos) << r.Err;
  EXPECT_FALSE(std::filesystem::exists(root / "ctl/VilkA2.cfg"));

  r = Vilkcfg(
      root, Udp({"write-config", root / "a.cfg", "--yes", "--user", "admin", "--password", "abc"}));
  EXPECT_EQ(r.Status, 0) << r.Err;
  ASSERT_TRUE(std::filesystem::exists(root / "ctl/VilkA2.cfg"));

  r = Vilkcfg(root, Udp({"read-config", root / "b.cfg"}));
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(ReadBytes(root / "b.cfg"), ReadBytes(root / "ctl/VilkA2.cfg"));
  EXPECT_EQ(Vilkcfg(root, {"check", root / "b.cfg"}).Status, 0);
}

TEST_F(CliLinkTest, ReadConfigWritesNothingWhenTheImageDoesNotLoad) {
  Start();
  WriteBytes(root / "ctl/VilkA2.cfg", Pattern(500));
  WriteBytes(root / "b.cfg", Ascii("previous"));
  const Result r = Vilkcfg(root, Udp({"read-config", root / "b.cfg"}));
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err.rfind("Ошибка сигнатуры файла \"VilkA2.cfg\"", 0), 0u) << r.Err;
  EXPECT_EQ(ReadBytes(root / "b.cfg"), Ascii("previous"));
}

TEST_F(CliLinkTest, FilesClockRebootAndValues) {
  Start({"--value", "300=123456"});
  WriteBytes(root / "firmware-2026.bin", Pattern(1000));
  Result r = Vilkcfg(
      root, Udp({"put-file", root / "firmware-2026.bin", "--yes", "--user", "", "--password", ""}));
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(ReadBytes(root / "ctl/firmware-202"), Pattern(1000));

  r = Vilkcfg(root, Udp({"get-file", "firmware-202", root / "copy.bin"}));
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(ReadBytes(root / "copy.bin"), Pattern(1000));

  WriteBytes(root / "keep.bin", Ascii("keep"));
  r = Vilkcfg(root, Udp({"get-file", "Missing.shm", root / "keep.bin"}));
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err, "Ошибка поиска файла\n");
  EXPECT_EQ(ReadBytes(root / "keep.bin"), Ascii("keep"));

  // A write needs a login; without one nothing is sent.
  r = Vilkcfg(root, Udp({"put-file", root / "keep.bin", "Auto.shm", "--yes"}));
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("--user"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(root / "ctl/Auto.shm"));

  r = Vilkcfg(root, Udp({"set-time"}));
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Err, "Время установлено.\n");

  r = Vilkcfg(root, Udp({"read-value", "300"}));
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(r.Out, "123456\n");

  r = Vilkcfg(root, Udp({"reboot"}));
  EXPECT_EQ(r.Status, 1);
  EXPECT_TRUE(sim->LogOf("reboot").empty());
  r = Vilkcfg(root, Udp({"reboot", "--yes"}));
  EXPECT_EQ(r.Status, 0);
  EXPECT_TRUE(sim->WaitForLog("reboot", 1));
  EXPECT_EQ(r.Err, "Перезапустить RTU c IP адресом \n\n127.0.0.1\n");
}

TEST_F(CliLinkTest, OverThePseudoTerminal) {
  std::filesystem::create_directories(root / "ctl");
  sim = std::make_unique<SimProcess>(root / "ctl", root / "sim.log",
                                     std::vector<std::string>{"--pty"});
  WriteBytes(root / "ctl/Auto.shm", Pattern(300));
  Result r = Vilkcfg(root, {"get-file", "Auto.shm", root / "auto.shm", "--serial", sim->Device});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(ReadBytes(root / "auto.shm"), Pattern(300));
  r = Vilkcfg(root, {"reboot", "--yes", "--serial", sim->Device});
  EXPECT_EQ(r.Err, "Перезапустить RTU\n");
  // The restart request leaves the line before the port is closed.
  EXPECT_TRUE(sim->WaitForLog("reboot", 1));
}

TEST_F(CliLinkTest, UsageErrors) {
  EXPECT_EQ(Vilkcfg(root, {"identify"}).Status, 2);
  EXPECT_EQ(Vilkcfg(root, {"identify", "--udp", "1.2.3"}).Status, 2);
  EXPECT_EQ(Vilkcfg(root, {"identify", "--udp", "1.2.3.4", "--serial", "/dev/null"}).Status, 2);
  EXPECT_EQ(Vilkcfg(root, {"read-value", "--serial", "/dev/null", "70000"}).Status, 2);
  EXPECT_EQ(Vilkcfg(root, {"get-file", "--serial", "/dev/null", "only-one"}).Status, 2);
  EXPECT_EQ(Vilkcfg(root, {"set-time", "--serial", "/dev/null", "--frobnicate"}).Status, 2);
  // A serial device that is no serial port cannot be opened.
  const Result r = Vilkcfg(root, {"set-time", "--serial", root / "nothing"});
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err,
            "Ошибка при инициализации порта\nvilkcfg: Не удалось открыть последовательный порт " +
                (root / "nothing") + ": нет такого устройства.\n");
}

// A UDP port on 127.0.0.1 held by somebody else for the life of the object.
class BusyPort {
 public:
  BusyPort() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      ADD_FAILURE() << "cannot bind a UDP socket on 127.0.0.1";
      return;
    }
    socklen_t len = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    Port = ntohs(a.sin_port);
  }
  ~BusyPort() {
    if (fd_ >= 0) ::close(fd_);
  }
  BusyPort(const BusyPort&) = delete;
  BusyPort& operator=(const BusyPort&) = delete;

  std::uint16_t Port = 0;

 private:
  int fd_ = -1;
};

// Every controller command says why the link did not open, the locating ones (identify,
// read-config, write-config) included, where the window shows nothing.
TEST_F(CliLinkTest, ALocalPortThatCannotBeOpenedIsExplained) {
  BusyPort busy;
  ASSERT_NE(busy.Port, 0);
  ASSERT_EQ(Vilkcfg(root, {"new", root / "a.cfg"}).Status, 0);
  WriteBytes(root / "data.bin", Pattern(10));
  const std::string self = "127.0.0.1:" + std::to_string(busy.Port);
  const std::string why = "vilkcfg: Не удалось открыть локальный порт UDP " + self +
                          ": порт занят другой программой. Укажите --self АДРЕС:0, чтобы "
                          "открыть любой свободный порт.\n";
  const std::vector<std::vector<std::string>> commands = {
      {"identify"},
      {"read-config", root / "out.cfg"},
      {"write-config", root / "a.cfg", "--yes", "--user", "admin", "--password", "abc"},
      {"get-file", "Auto.shm", root / "out.shm"},
      {"put-file", root / "data.bin", "--yes", "--user", "admin", "--password", "abc"},
      {"reboot", "--yes"},
      {"set-time"},
      {"read-value", "300"},
  };
  for (std::vector<std::string> args : commands) {
    args.insert(args.end(), {"--udp", "127.0.0.1:9", "--self", self, "--timeout", "300"});
    const Result r = Vilkcfg(root, args);
    EXPECT_EQ(r.Status, 1) << args[0];
    EXPECT_EQ(r.Out, "") << args[0];
    ASSERT_GE(r.Err.size(), why.size()) << args[0] << ": " << r.Err;
    EXPECT_EQ(r.Err.substr(r.Err.size() - why.size()), why) << args[0];
    // The reason is said once, and a value read does not blame the controller for it.
    EXPECT_EQ(r.Err.find("vilkcfg: Не удалось"), r.Err.rfind("vilkcfg: Не удалось")) << r.Err;
    EXPECT_EQ(r.Err.find("Нет ответа контроллера"), std::string::npos) << r.Err;
  }
  EXPECT_FALSE(std::filesystem::exists(root / "out.cfg"));
  EXPECT_FALSE(std::filesystem::exists(root / "out.shm"));

  // identify locates the controller, which the window does without a word when the link
  // does not open: here the reason is all there is.
  const Result r = Vilkcfg(root, {"identify", "--udp", "127.0.0.1:9", "--self", self});
  EXPECT_EQ(r.Err, why);

  // Without --self the tool takes port 208, which only the administrator may open.
  if (::geteuid() != 0) {
    const Result plain = Vilkcfg(root, {"identify", "--udp", "127.0.0.1:9"});
    EXPECT_EQ(plain.Status, 1);
    EXPECT_NE(plain.Err.find(":208: нет прав (порты ниже 1024 открывает только администратор). "
                             "Укажите --self АДРЕС:0"),
              std::string::npos)
        << plain.Err;
  }
}

TEST_F(CliLinkTest, ASerialDeviceThatCannotBeOpenedIsExplained) {
  const std::string missing = root / "no-such-tty";
  Result r = Vilkcfg(root, {"identify", "--serial", missing});
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err, "vilkcfg: Не удалось открыть последовательный порт " + missing +
                       ": нет такого устройства.\n");

  r = Vilkcfg(root, {"read-config", root / "out.cfg", "--serial", missing});
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Err, "vilkcfg: Не удалось открыть последовательный порт " + missing +
                       ": нет такого устройства.\n");
  EXPECT_FALSE(std::filesystem::exists(root / "out.cfg"));

  // A device that opens but is no serial line takes no line settings.
  r = Vilkcfg(root, {"read-value", "5", "--serial", "/dev/null"});
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err.rfind("Ошибка при инициализации порта\nvilkcfg: Не удалось открыть "
                        "последовательный порт /dev/null: ",
                        0),
            0u)
      << r.Err;
}

TEST_F(CliLinkTest, TraceWritesEveryExchangeAndTheCounters) {
  Start({"--value", "300=42", "--fault", "value:drop@1"});
  const Result r = Vilkcfg(root, Udp({"read-value", "--trace", "300"}));
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(r.Out, "42\n");
  // The lost answer, its retry with the answer, and the counters last.
  std::vector<std::string> lines;
  std::istringstream in(r.Err);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 5u) << r.Err;
  EXPECT_NE(lines[0].find(" > A1 Чтение значения, 5 байт: 03 A1 2C 01 "), std::string::npos)
      << lines[0];
  EXPECT_NE(lines[1].find(" < A1 "), std::string::npos) << lines[1];
  EXPECT_NE(lines[1].find(" мс, нет ответа"), std::string::npos) << lines[1];
  EXPECT_NE(lines[2].find(" > A1 Чтение значения (повтор), 5 байт: 03 A1 2C 01 "),
            std::string::npos)
      << lines[2];
  EXPECT_NE(lines[3].find(" мс, ответ, "), std::string::npos) << lines[3];
  EXPECT_EQ(lines[4],
            "Запросов: 2, повторов: 1, без ответа: 1, ошибок контрольной суммы: 0, ответов на "
            "другой запрос: 0, ошибок передачи: 0");

  // Without --trace nothing of it reaches stderr.
  const Result quiet = Vilkcfg(root, Udp({"read-value", "300"}));
  EXPECT_EQ(quiet.Status, 0);
  EXPECT_EQ(quiet.Err, "");
}

TEST(CliReportTest, APdfReportIsWrittenByTheReportProgram) {
  TempFolder root;
  const std::string cfg = root / "station.cfg", pdf = root / "report.pdf";
  ASSERT_EQ(Vilkcfg(root, {"new", "--model", "26", cfg}).Status, 0);
  const Result r = Vilkcfg(root, {"report", cfg, pdf});
  ASSERT_EQ(r.Status, 0) << r.Err;
  const Bytes bytes = ReadBytes(pdf);
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "%PDF");
  if (std::system("command -v pdftotext >/dev/null 2>&1") == 0) {
    const std::string text = root / "report.txt";
    ASSERT_EQ(std::system(("pdftotext '" + pdf + "' '" + text + "'").c_str()), 0);
    const Bytes t = ReadBytes(text);
    EXPECT_NE(std::string(t.begin(), t.end()).find("ВИЛК.A1-X"), std::string::npos);
  }
  // A folder that is not there: refused with the reason, and no file.
  const Result bad = Vilkcfg(root, {"report", cfg, root / "missing/report.pdf"});
  EXPECT_EQ(bad.Status, 1);
  EXPECT_NE(bad.Err.find("Ошибка записи файла"), std::string::npos) << bad.Err;
}

}  // namespace
}  // namespace vilk::test
