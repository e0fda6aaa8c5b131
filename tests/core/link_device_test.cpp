// The device commands over a fake controller: locating the configuration, whole-file reads
// and writes with their segments, login and 1234, the confirmations, and what survives a
// failure.
#include "link/device.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "controller/controller.h"
#include "link/commands.h"
#include "link_fakes.h"
#include "model/image_ops.h"

namespace vilk {
namespace {

using test::Bytes;
using test::FakeClock;
using test::FakeController;
using test::MakeFrame;
using test::ScriptedTransport;

Bytes Pattern(std::size_t n, int seed = 0) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i)
    b[i] = static_cast<std::uint8_t>((i * 7 + static_cast<std::size_t>(seed)) % 251);
  return b;
}

class LinkDeviceTest : public ::testing::Test {
 protected:
  static LinkSettings UdpSettings() {
    LinkSettings s;
    s.LinkMode = kLinkUdp;
    s.DestIP = {192, 168, 1, 222};
    return s;
  }

  LinkDeviceTest() {
    controller.Attach(link);
    session.SetProgress(&progress);
    session.SetLoginPrompt([this] {
      ++prompts;
      if (!acceptLogin) return false;
      login.Confirm("admin", "abc");
      return true;
    });
  }

  // Requests sent, by code.
  std::vector<Bytes> SentOf(std::uint8_t code) const {
    std::vector<Bytes> out;
    for (const Bytes& b : link.Sent)
      if (b.size() > 1 && b[1] == code) out.push_back(b);
    return out;
  }

  ScriptedTransport link;
  FakeController controller;
  RecordingMessages messages;
  LoginState login;
  FakeClock clock;
  LinkSettings settings = UdpSettings();
  test::CountingProgress progress;
  DeviceSession session{link, settings, messages, login, clock};
  int prompts = 0;
  bool acceptLogin = true;
};

TEST_F(LinkDeviceTest, LocateAnIdentifiedControllerSendsNoFindFile) {
  controller.Identity = test::IdentityBytes("X", 2025, 0xFF, 12, 1, 23);
  const LocateResult r = session.LocateConfiguration();
  EXPECT_EQ(r.FileName, "VilkA2.cfg");
  EXPECT_EQ(r.Identity.TypeCode, 23);
  EXPECT_EQ(r.Identity.Minor, 12);
  EXPECT_TRUE(SentOf(0x94).empty());
  EXPECT_EQ(link.Opens, 1);
  EXPECT_EQ(link.Closes, 1);
  EXPECT_TRUE(messages.Errors.empty());
  EXPECT_TRUE(session.Protocol().ShowLinkErrors);
  EXPECT_GE(progress.Dones, 1);
}

TEST_F(LinkDeviceTest, LocateRefusesNewerFirmwareAndUnknownTypes) {
  controller.Identity = test::IdentityBytes("X", 2026, 0, 0, 2, 23);
  EXPECT_FALSE(session.LocateConfiguration().Found());
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{"Обновите программу \"Конфигуратор ВИЛК\"."}));

  // Version 1.13 is newer too; 1.12 with any letter is not.
  controller.Identity = test::IdentityBytes("X", 2026, 0, 13, 1, 22);
  EXPECT_FALSE(session.LocateConfiguration().Found());
  controller.Identity = test::IdentityBytes("X", 2026, 0xFF, 12, 1, 22);
  EXPECT_TRUE(session.LocateConfiguration().Found());

  messages.Errors.clear();
  controller.Identity = test::IdentityBytes("X", 2026, 0, 5, 1, 99);
  EXPECT_FALSE(session.LocateConfiguration().Found());
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Контроллер ВИЛК не найден"}));
  EXPECT_EQ(link.Opens, link.Closes);
}

TEST_F(LinkDeviceTest, LocateAnOldControllerByItsFile) {
  controller.Identity.reset();
  controller.Files["VilkA2.cfg"] = Pattern(300);
  const LocateResult r = session.LocateConfiguration();
  ASSERT_TRUE(r.Found());
  // FindFile asked for the configuration file by name.
  const auto finds = SentOf(0x94);
  ASSERT_EQ(finds.size(), 1u);
  EXPECT_EQ(std::string(finds[0].begin() + 49, finds[0].end() - 1), "VilkA2.cfg");
  EXPECT_EQ(SentOf(0xA2).size(), 2u);
  EXPECT_EQ(r.Identity.Name, "ВИЛК.XXX ");
  EXPECT_EQ(r.Identity.Year, 2023);
  EXPECT_EQ(r.Identity.Letter, ' ');
  EXPECT_EQ(r.Identity.Minor, 5);
  EXPECT_EQ(r.Identity.Major, 1);
  EXPECT_EQ(r.Identity.TypeCode, 23);

  controller.Files.clear();
  EXPECT_FALSE(session.LocateConfiguration().Found());
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Контроллер ВИЛК не найден"}));
}

TEST_F(LinkDeviceTest, LocateWithoutALinkSaysNothing) {
  link.OpenResult = false;
  EXPECT_FALSE(session.LocateConfiguration().Found());
  EXPECT_TRUE(messages.Errors.empty());
  EXPECT_TRUE(link.Sent.empty());
}

TEST_F(LinkDeviceTest, WriteA300ByteFileInThreeSegments) {
  const Bytes file = Pattern(300);
  ASSERT_TRUE(session.WriteControllerFile(file, "Auto.shm"));
  EXPECT_EQ(messages.Questions,
            (std::vector<std::string>{
                "Записать в RTU c IP адресом \r\r192.168.1.222\r\r размер файла = 300"}));
  EXPECT_EQ(prompts, 1);  // the first write asks for the login after the confirmation
  const auto writes = SentOf(0x96);
  ASSERT_EQ(writes.size(), 3u);
  const std::uint32_t crc = Crc32NoFinalXor(file);
  const std::uint32_t positions[] = {0, 128, 256};
  const int lengths[] = {128, 128, 44};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(test::GetLE(writes[i], 15, 4), positions[i]);
    EXPECT_EQ(test::GetLE(writes[i], 19, 4), 300u);
    EXPECT_EQ(writes[i][23], lengths[i]);
    EXPECT_EQ(writes[i][0], 161);
    EXPECT_EQ(test::GetLE(writes[i], 156, 4), crc);
  }
  EXPECT_EQ(controller.Files["Auto.shm"], file);
  EXPECT_EQ(link.Opens, 1);
  EXPECT_EQ(link.Closes, 1);
  EXPECT_EQ(progress.Maximum, 4);
  EXPECT_EQ(progress.Steps, 3);
  // The settling pause is a sleep, not a busy loop.
  EXPECT_EQ(clock.Sleeps.size(), 1u);

  // Logged in now: the next write asks only for the confirmation. 256 bytes: two segments.
  link.Sent.clear();
  ASSERT_TRUE(session.WriteControllerFile(Pattern(256), "Auto.shm"));
  EXPECT_EQ(prompts, 1);
  ASSERT_EQ(SentOf(0x96).size(), 2u);
  EXPECT_EQ(SentOf(0x96)[1][23], 128);
}

TEST_F(LinkDeviceTest, WriteWithoutAKeyUsesTheShortForm) {
  login.Confirm("", "");
  ASSERT_TRUE(session.WriteControllerFile(Pattern(130), "Prog.bin"));
  const auto writes = SentOf(0x96);
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0][0], 153);
  EXPECT_EQ(writes[1][0], 27);  // 2 + 25
  EXPECT_EQ(prompts, 0);
}

TEST_F(LinkDeviceTest, WriteStopsBeforeTheLinkWhenRefused) {
  messages.SetAnswer(Answer::No);
  EXPECT_FALSE(session.WriteControllerFile(Pattern(10), "Auto.shm"));
  EXPECT_EQ(prompts, 0);
  EXPECT_EQ(link.Opens, 0);

  messages.SetAnswer(Answer::Yes);
  acceptLogin = false;
  EXPECT_FALSE(session.WriteControllerFile(Pattern(10), "Auto.shm"));
  EXPECT_EQ(prompts, 1);
  EXPECT_EQ(link.Opens, 0);

  // Larger than the transfer buffer: refused before any question.
  messages.Questions.clear();
  EXPECT_FALSE(session.WriteControllerFile(Bytes(kMaxTransferSize + 1), "Big.bin"));
  EXPECT_TRUE(messages.Questions.empty());
  EXPECT_EQ(messages.Errors.back(),
            "Файл Big.bin размером 1048577 байт больше буфера передачи (1048576 байт).");
  EXPECT_TRUE(link.Sent.empty());

  link.OpenResult = false;
  login.Confirm("admin", "abc");
  EXPECT_FALSE(session.WriteControllerFile(Pattern(10), "Auto.shm"));
  EXPECT_EQ(messages.Errors.back(), "Ошибка при инициализации порта");
}

TEST_F(LinkDeviceTest, AWrongPasswordLogsOutAndTheNextWriteAsksAgain) {
  login.Confirm("admin", "wrong");
  LoginState right;
  right.Confirm("admin", "abc");
  controller.ExpectedKey = right.AccessKey();
  EXPECT_FALSE(session.WriteControllerFile(Pattern(300), "Password.ini"));
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Ошибка записи файла. Не верный пароль."}));
  EXPECT_FALSE(login.LoggedIn());
  EXPECT_EQ(SentOf(0x96).size(), 1u);
  EXPECT_EQ(controller.Files.count("Password.ini"), 0u);
  EXPECT_EQ(link.Closes, 1);

  ASSERT_TRUE(session.WriteControllerFile(Pattern(300), "Password.ini"));
  EXPECT_EQ(prompts, 1);
  EXPECT_EQ(controller.Files["Password.ini"], Pattern(300));
}

TEST_F(LinkDeviceTest, WriteOfNothingSendsNoSegment) {
  login.Confirm("admin", "abc");
  EXPECT_TRUE(session.WriteControllerFile({}, "Empty.txt"));
  EXPECT_TRUE(SentOf(0x96).empty());
  EXPECT_EQ(messages.Questions.back(),
            "Записать в RTU c IP адресом \r\r192.168.1.222\r\r размер файла = 0");
}

TEST_F(LinkDeviceTest, ASegmentThatFailsStopsTheWrite) {
  login.Confirm("admin", "abc");
  int writes = 0;
  controller.Before = [&](const Bytes& r) -> std::optional<Bytes> {
    if (r[1] == 0x96 && ++writes == 2) return MakeFrame({0x96, 0xF6, 0x04});
    return std::nullopt;
  };
  EXPECT_FALSE(session.WriteControllerFile(Pattern(400), "Auto.shm"));
  EXPECT_EQ(writes, 2);
  EXPECT_EQ(
      messages.Errors,
      (std::vector<std::string>{
          "Ошибка записи файла. \r\nОшибка записи сегмента.\r\nКод ошибки -22\r\nDISK_FULL"}));
  EXPECT_TRUE(login.LoggedIn());
  EXPECT_EQ(controller.Files.count("Auto.shm"), 0u);
}

TEST_F(LinkDeviceTest, ReadAWholeFile) {
  controller.Files["Auto.shm"] = Pattern(300, 3);
  Bytes out{1, 2, 3};
  ASSERT_TRUE(session.ReadControllerFile("Auto.shm", out));
  EXPECT_EQ(out, Pattern(300, 3));
  const auto reads = SentOf(0x95);
  ASSERT_EQ(reads.size(), 3u);
  for (const Bytes& r : reads) EXPECT_EQ(r[10], 128);  // the last one asks for 128 too
  EXPECT_EQ(test::GetLE(reads[2], 2, 4), 256u);
  EXPECT_EQ(progress.Maximum, 4);
  EXPECT_EQ(link.Opens, 1);
  EXPECT_EQ(link.Closes, 1);
  EXPECT_TRUE(messages.Errors.empty());

  controller.Files["Empty"] = {};
  ASSERT_TRUE(session.ReadControllerFile("Empty", out));
  EXPECT_TRUE(out.empty());
}

TEST_F(LinkDeviceTest, AFailedReadLeavesTheOutputAlone) {
  controller.Files["Auto.shm"] = Pattern(1000);
  int reads = 0;
  controller.Before = [&](const Bytes& r) -> std::optional<Bytes> {
    if (r[1] == 0x95 && ++reads >= 4) return Bytes{};  // the controller falls silent
    return std::nullopt;
  };
  Bytes out{1, 2, 3};
  EXPECT_FALSE(session.ReadControllerFile("Auto.shm", out));
  EXPECT_EQ(out, (Bytes{1, 2, 3}));
  EXPECT_EQ(reads, 6);  // the fourth segment tried three times
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Ошибка чтения файла. Код ошибки 0"}));
  EXPECT_EQ(link.Closes, 1);

  messages.Errors.clear();
  EXPECT_FALSE(session.ReadControllerFile("Missing", out));
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Ошибка поиска файла"}));

  messages.Errors.clear();
  controller.Before = [](const Bytes& r) -> std::optional<Bytes> {
    if (r[1] == 0x94) return MakeFrame({0x94, 0, 3, 0});
    return std::nullopt;
  };
  EXPECT_FALSE(session.ReadControllerFile("Auto.shm", out));
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Ошибка поиска файла. Путь не найден.",
                                                       "Ошибка поиска файла"}));
}

TEST_F(LinkDeviceTest, AFileLargerThanTheBufferIsNotRead) {
  controller.Before = [](const Bytes& r) -> std::optional<Bytes> {
    if (r[1] != 0x94) return std::nullopt;
    Bytes body(47, 0);
    body[0] = 0x94;
    test::PutLE(body, 30, kMaxTransferSize + 1, 4);
    return MakeFrame(body);
  };
  Bytes out;
  EXPECT_FALSE(session.ReadControllerFile("Big.bin", out));
  EXPECT_TRUE(SentOf(0x95).empty());
  EXPECT_EQ(messages.Errors,
            (std::vector<std::string>{
                "Файл Big.bin размером 1048577 байт больше буфера передачи (1048576 байт)."}));
}

TEST_F(LinkDeviceTest, RestartAndClock) {
  ASSERT_TRUE(session.Restart());
  EXPECT_EQ(messages.Questions.back(), "Перезапустить RTU c IP адресом \r\r192.168.1.222");
  EXPECT_EQ(controller.Reboots, 1);
  EXPECT_EQ(link.Closes, 1);

  messages.SetAnswer(Answer::No);
  EXPECT_FALSE(session.Restart());
  EXPECT_EQ(controller.Reboots, 1);
  EXPECT_EQ(link.Opens, 1);

  ASSERT_TRUE(session.SetTime());
  EXPECT_EQ(messages.Infos, (std::vector<std::string>{"Время установлено."}));
  controller.Before = [](const Bytes&) -> std::optional<Bytes> { return Bytes{}; };
  EXPECT_FALSE(session.SetTime());
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Ошибка установки времени"}));
  EXPECT_EQ(link.Opens, link.Closes);

  // Serial mode asks without an address.
  LinkSettings serial;
  DeviceSession onLine(link, serial, messages, login, clock);
  messages.SetAnswer(Answer::Yes);
  onLine.Restart();
  EXPECT_EQ(messages.Questions.back(), "Перезапустить RTU");
}

// --- the whole commands over a configuration ---

class LinkConfigurationTest : public LinkDeviceTest {
 protected:
  Bytes BuiltImage(int model) {
    RecordingMessages quiet;
    Configuration other(quiet);
    other.Controller().TypeCode = static_cast<std::uint8_t>(model);
    other.Controller().ApplyModel();
    ConfigImage built;
    EXPECT_TRUE(BuildImage(other, built, "station.cfg", ""));
    return Bytes(built.Data(), built.Data() + built.TotalSize);
  }

  Configuration config{messages};
  ConfigImage image;
};

TEST_F(LinkConfigurationTest, ReadLoadsTheControllersConfiguration) {
  controller.Identity = test::IdentityBytes("\xC2\xC8\xCB\xCA.A1-X", 2025, 0xFF, 11, 1, 26);
  controller.Files["VilkA2.cfg"] = BuiltImage(26);
  std::vector<std::uint8_t> raw;
  ASSERT_TRUE(ReadConfiguration(session, config, image, &raw));
  EXPECT_EQ(raw, controller.Files["VilkA2.cfg"]);
  EXPECT_EQ(config.Controller().TypeCode, 26);
  EXPECT_EQ(config.Controller().Record.Minor, 11);
  EXPECT_EQ(config.Controller().Record.Name, "ВИЛК.A1-X");
}

TEST_F(LinkConfigurationTest, ADamagedConfigurationChangesNothing) {
  controller.Identity = test::IdentityBytes("\xC2\xC8\xCB\xCA.A1-X", 2025, 0xFF, 11, 1, 26);
  Bytes damaged = BuiltImage(26);
  damaged[200] ^= 0x01;
  controller.Files["VilkA2.cfg"] = damaged;
  const ModelRecord before = config.Controller().Record;
  const int children = config.Controller().ChildCount();
  EXPECT_FALSE(ReadConfiguration(session, config, image));
  EXPECT_EQ(messages.Errors, (std::vector<std::string>{"Ошибка контрольной суммы FLASH"}));
  EXPECT_EQ(config.Controller().TypeCode, 23);
  EXPECT_EQ(config.Controller().ChildCount(), children);
  EXPECT_EQ(config.Controller().Record.Minor, before.Minor);
  EXPECT_EQ(config.Controller().Record.Name, before.Name);
}

TEST_F(LinkConfigurationTest, WriteAdoptsTheIdentifiedModelAndSendsTheImage) {
  controller.Identity = test::IdentityBytes("\xC2\xC8\xCB\xCA.A1", 2025, 0xFF, 12, 1, 22);
  login.Confirm("admin", "abc");
  ASSERT_TRUE(WriteConfiguration(session, config, image, "/tmp/x/station.cfg"));
  EXPECT_EQ(config.Controller().TypeCode, 22);
  const Bytes& sent = controller.Files["VilkA2.cfg"];
  ASSERT_EQ(sent.size(), image.TotalSize);
  EXPECT_EQ(sent, Bytes(image.Data(), image.Data() + image.TotalSize));
  EXPECT_EQ(sent[15], 22);
  // And it reads back into an equal configuration.
  Configuration again(messages);
  ConfigImage second;
  ASSERT_TRUE(ReadConfiguration(session, again, second));
  EXPECT_EQ(again.Controller().TypeCode, 22);
}

TEST_F(LinkConfigurationTest, NothingIsSentWhenTheControllerIsNotFound) {
  controller.Identity = test::IdentityBytes("X", 2026, 0, 0, 2, 23);
  EXPECT_FALSE(WriteConfiguration(session, config, image, ""));
  EXPECT_TRUE(SentOf(0x96).empty());
  EXPECT_TRUE(messages.Questions.empty());
  EXPECT_EQ(config.Controller().TypeCode, 23);
}

TEST_F(LinkConfigurationTest, DetermineTypeAppliesTheIdentity) {
  controller.Identity = test::IdentityBytes("\xC2\xC8\xCB\xCA.A1-X", 2025, 0xFF, 7, 1, 26);
  ASSERT_TRUE(DetermineType(session, config.Controller()));
  EXPECT_EQ(config.Controller().TypeCode, 26);
  EXPECT_EQ(config.Controller().Record.Minor, 7);
  // Minor 7 does not allow the port kind that came with 1.8.
  EXPECT_FALSE(config.Controller().Desc.PortKinds[128]);
}

TEST_F(LinkConfigurationTest, LocalFilesAreReplacedOnlyByACompleteRead) {
  const std::string dir = ::testing::TempDir() + "vilk_link_local_" + std::to_string(::getpid());
  std::filesystem::create_directories(dir);
  const std::string local = dir + "/Auto.shm";
  { std::ofstream(local, std::ios::binary) << "old contents"; }
  auto contents = [&] {
    std::ifstream in(local, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };

  controller.Files["Auto.shm"] = Pattern(500);
  int reads = 0;
  controller.Before = [&](const Bytes& r) -> std::optional<Bytes> {
    if (r[1] == 0x95 && ++reads == 3) return MakeFrame({0x95, 0x2F, 0x04, 0});
    return std::nullopt;
  };
  EXPECT_FALSE(ReadToLocalFile(session, "Auto.shm", local));
  EXPECT_EQ(contents(), "old contents");

  controller.Before = nullptr;
  ASSERT_TRUE(ReadToLocalFile(session, "Auto.shm", local));
  const Bytes expected = Pattern(500);
  EXPECT_EQ(contents(), std::string(expected.begin(), expected.end()));

  // A local file is written under its own name, cut to 12 characters.
  const std::string program = dir + "/firmware-v12.bin";
  { std::ofstream(program, std::ios::binary) << "PROGRAM"; }
  EXPECT_EQ(ProgramFileName(program), "firmware-v12");
  login.Confirm("admin", "abc");
  ASSERT_TRUE(WriteLocalFile(session, program, ProgramFileName(program)));
  EXPECT_EQ(controller.Files["firmware-v12"], test::Ascii("PROGRAM"));

  // Too large for the transfer buffer: refused before anything is asked or sent.
  const std::string big = dir + "/big.bin";
  std::filesystem::resize_file((std::ofstream(big), big), kMaxTransferSize + 5);
  link.Sent.clear();
  messages.Questions.clear();
  EXPECT_FALSE(WriteLocalFile(session, big, "big.bin"));
  EXPECT_TRUE(link.Sent.empty());
  EXPECT_TRUE(messages.Questions.empty());
  EXPECT_EQ(messages.Errors.back(),
            "Файл big.bin размером 1048581 байт больше буфера передачи (1048576 байт).");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vilk
