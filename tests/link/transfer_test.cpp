// Whole transfers against vilk-sim over UDP and over a pseudo-terminal: configurations,
// files at the 128-byte boundaries and of 1 MiB, login and the 1234 refusal, identities,
// and every injected fault ending in the right message with nothing half-done.
#include <gtest/gtest.h>

#include "controller/controller.h"
#include "link/commands.h"
#include "link/login.h"
#include "link_fixture.h"
#include "model/image_ops.h"

namespace vilk::test {
namespace {

class TransferTest : public ::testing::TestWithParam<LinkKind> {
 protected:
  std::unique_ptr<SimLink> Start(const std::vector<std::string>& simArgs = {}, int waitMs = 1500) {
    return std::make_unique<SimLink>(GetParam(), simArgs, waitMs);
  }
};

// The segments a write sent, as "pos len total" from the stand-in's log.
std::vector<std::string> Segments(const SimProcess& sim) {
  std::vector<std::string> out;
  for (const std::string& line : sim.LogOf("write ")) {
    const std::size_t pos = line.find(" pos ");
    out.push_back(line.substr(pos + 5, line.find(" key") - pos - 5));
  }
  return out;
}

TEST_P(TransferTest, WriteAndReadBackAConfiguration) {
  auto link = Start({"--type", "26", "--minor", "11", "--name", "ВИЛК.A1-X"});
  link->Login.Confirm("admin", "abc");
  Configuration config(link->Messages);
  ConfigImage image;
  ASSERT_TRUE(WriteConfiguration(*link->Session, config, image, "/tmp/station.cfg"));
  EXPECT_EQ(config.Controller().TypeCode, 26);  // the identified model was adopted
  const Bytes written = ReadBytes(link->Dir() + "/VilkA2.cfg");
  ASSERT_EQ(written.size(), image.TotalSize);
  EXPECT_EQ(written, Bytes(image.Data(), image.Data() + image.TotalSize));
  EXPECT_EQ(link->Sim->LogOf("find").size(), 0u);

  Configuration back(link->Messages);
  ConfigImage second;
  std::vector<std::uint8_t> raw;
  ASSERT_TRUE(ReadConfiguration(*link->Session, back, second, &raw));
  EXPECT_EQ(raw, written);
  EXPECT_EQ(back.Controller().TypeCode, 26);
  EXPECT_EQ(back.Controller().Record.Minor, 11);
  EXPECT_EQ(back.Controller().Record.Name, "ВИЛК.A1-X");
  EXPECT_TRUE(link->Messages.Errors.empty());
  EXPECT_FALSE(link->Link->IsOpen());
}

TEST_P(TransferTest, FilesAtTheSegmentBoundaries) {
  auto link = Start();
  link->Login.Confirm("admin", "abc");
  for (std::size_t size : {1u, 127u, 128u, 129u, 256u, 257u, 300u}) {
    const Bytes data = Pattern(size, static_cast<unsigned>(size));
    ASSERT_TRUE(link->Session->WriteControllerFile(data, "Auto.shm")) << size;
    EXPECT_EQ(ReadBytes(link->Dir() + "/Auto.shm"), data) << size;
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(link->Session->ReadControllerFile("Auto.shm", back)) << size;
    EXPECT_EQ(back, data) << size;
  }
  const auto segments = Segments(*link->Sim);
  ASSERT_GE(segments.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(segments.end() - 3, segments.end()),
            (std::vector<std::string>{"0 len 128 total 300", "128 len 128 total 300",
                                      "256 len 44 total 300"}));
  EXPECT_TRUE(link->Messages.Errors.empty());
}

TEST_P(TransferTest, OneMebibyteBothWays) {
  auto link = Start();
  link->Login.Confirm("admin", "abc");
  const Bytes data = Pattern(kMaxTransferSize, 7);
  ASSERT_TRUE(link->Session->WriteControllerFile(data, "Big.bin"));
  EXPECT_EQ(ReadBytes(link->Dir() + "/Big.bin"), data);
  EXPECT_EQ(link->Sim->LogOf("write ").size(), 8192u);
  std::vector<std::uint8_t> back;
  ASSERT_TRUE(link->Session->ReadControllerFile("Big.bin", back));
  EXPECT_EQ(back, data);

  // One byte more does not fit the transfer buffer, either way.
  const std::size_t before = link->Sim->Log().size();
  EXPECT_FALSE(link->Session->WriteControllerFile(Pattern(kMaxTransferSize + 1), "Big.bin"));
  EXPECT_EQ(link->Sim->Log().size(), before);
  WriteBytes(link->Dir() + "/Huge.bin", Pattern(kMaxTransferSize + 1));
  EXPECT_FALSE(link->Session->ReadControllerFile("Huge.bin", back));
  EXPECT_TRUE(link->Sim->LogOf("read Huge").empty());
  EXPECT_EQ(link->Messages.Errors.back(),
            "Файл Huge.bin размером 1048577 байт больше буфера передачи (1048576 байт).");
  EXPECT_EQ(back, data);
}

TEST_P(TransferTest, LoginAndTheWrongPassword) {
  auto link = Start();
  WriteBytes(link->Dir() + "/Password.ini", Ascii(PasswordFileLine("admin", "abc") + "\r\n"));
  WriteBytes(link->Dir() + "/Auto.shm", Ascii("old"));

  // Nobody logged in and the dialog cancelled: nothing goes out.
  EXPECT_FALSE(link->Session->WriteControllerFile(Pattern(300), "Auto.shm"));
  EXPECT_EQ(link->Prompts, 1);
  EXPECT_TRUE(link->Sim->Log().empty());

  link->PromptUser = "admin";
  link->PromptPassword = "wrong";
  EXPECT_FALSE(link->Session->WriteControllerFile(Pattern(300), "Auto.shm"));
  EXPECT_EQ(link->Messages.Errors,
            (std::vector<std::string>{"Ошибка записи файла. Не верный пароль."}));
  EXPECT_FALSE(link->Login.LoggedIn());
  EXPECT_EQ(link->Sim->LogOf("write ").size(), 1u);
  EXPECT_EQ(ReadBytes(link->Dir() + "/Auto.shm"), Ascii("old"));

  // The next write asks again; the right password is let in.
  link->PromptPassword = "abc";
  ASSERT_TRUE(link->Session->WriteControllerFile(Pattern(300), "Auto.shm"));
  EXPECT_EQ(link->Prompts, 3);
  EXPECT_EQ(ReadBytes(link->Dir() + "/Auto.shm"), Pattern(300));

  // A login without a name sends no key, which a controller with a password file refuses.
  link->Login.Confirm("", "");
  EXPECT_FALSE(link->Session->WriteControllerFile(Pattern(10), "Auto.shm"));
  EXPECT_EQ(link->Messages.Errors.back(), "Ошибка записи файла. Не верный пароль.");
}

TEST_P(TransferTest, IdentityVariants) {
  {
    auto link = Start();
    const LocateResult r = link->Session->LocateConfiguration();
    EXPECT_EQ(r.FileName, "VilkA2.cfg");
    EXPECT_EQ(r.Identity.TypeCode, 23);
    EXPECT_EQ(r.Identity.Major, 1);
    EXPECT_EQ(r.Identity.Minor, 12);
    EXPECT_TRUE(link->Sim->LogOf("find").empty());
  }
  {
    auto link = Start({"--major", "2", "--minor", "0"});
    WriteBytes(link->Dir() + "/VilkA2.cfg", Pattern(200));
    Configuration config(link->Messages);
    ConfigImage image;
    EXPECT_FALSE(ReadConfiguration(*link->Session, config, image));
    EXPECT_EQ(link->Messages.Errors,
              (std::vector<std::string>{"Обновите программу \"Конфигуратор ВИЛК\"."}));
    EXPECT_TRUE(link->Sim->LogOf("find").empty());
    EXPECT_TRUE(link->Sim->LogOf("read").empty());
  }
  {
    auto link = Start({"--no-identify"}, 300);
    WriteBytes(link->Dir() + "/VilkA2.cfg", Pattern(200));
    const LocateResult r = link->Session->LocateConfiguration();
    EXPECT_EQ(r.FileName, "VilkA2.cfg");
    EXPECT_EQ(r.Identity.Name, "ВИЛК.XXX ");
    EXPECT_EQ(r.Identity.TypeCode, 23);
    EXPECT_EQ(r.Identity.Major, 1);
    EXPECT_EQ(r.Identity.Minor, 5);
    EXPECT_EQ(link->Sim->LogOf("identify").size(), 2u);
    EXPECT_EQ(link->Sim->LogOf("find VilkA2.cfg").size(), 1u);
  }
  {
    auto link = Start({"--no-identify"}, 300);
    EXPECT_FALSE(link->Session->LocateConfiguration().Found());
    EXPECT_EQ(link->Messages.Errors, (std::vector<std::string>{"Контроллер ВИЛК не найден"}));
  }
}

TEST_P(TransferTest, LostAndMutedAnswersAreMadeUpByRetries) {
  auto link =
      Start({"--fault", "read:drop@2", "--fault", "write:mute@2", "--fault", "write:echo@4"}, 300);
  link->Login.Confirm("admin", "abc");
  const Bytes data = Pattern(700);
  ASSERT_TRUE(link->Session->WriteControllerFile(data, "Auto.shm"));
  EXPECT_EQ(ReadBytes(link->Dir() + "/Auto.shm"), data);
  EXPECT_EQ(link->Sim->LogOf("write ").size(), 8u);  // six segments, two of them twice
  std::vector<std::uint8_t> back;
  ASSERT_TRUE(link->Session->ReadControllerFile("Auto.shm", back));
  EXPECT_EQ(back, data);
  EXPECT_TRUE(link->Messages.Errors.empty());
}

TEST_P(TransferTest, WriteFaultsLeaveTheControllersFileAlone) {
  struct Case {
    std::string fault;
    std::string message;
  };
  const std::vector<Case> cases{
      {"write:error=1270@2",
       "Ошибка записи файла. \r\nОшибка записи сегмента.\r\nКод ошибки -22\r\nDISK_FULL"},
      {"write:corrupt@2-", "Ошибка записи файла. Код ошибки 0"},
      {"write:echo@3-", "Ошибка записи файла. Код ошибки 0"},
      {"write:drop@2-", "Ошибка записи файла. Код ошибки 0"},
      {"write:delay=900@2", "Ошибка записи файла. Код ошибки 0"},
  };
  for (const Case& c : cases) {
    auto link = Start({"--fault", c.fault}, 250);
    link->Login.Confirm("admin", "abc");
    WriteBytes(link->Dir() + "/Auto.shm", Ascii("old"));
    EXPECT_FALSE(link->Session->WriteControllerFile(Pattern(500), "Auto.shm")) << c.fault;
    EXPECT_EQ(link->Messages.Errors, (std::vector<std::string>{c.message})) << c.fault;
    EXPECT_EQ(ReadBytes(link->Dir() + "/Auto.shm"), Ascii("old")) << c.fault;
    EXPECT_TRUE(link->Login.LoggedIn()) << c.fault;
    EXPECT_FALSE(link->Link->IsOpen());
  }
}

TEST_P(TransferTest, ReadFaultsLeaveTheLocalFileAlone) {
  struct Case {
    std::string fault;
    std::vector<std::string> messages;
  };
  const std::vector<Case> cases{
      {"read:error=1058@2",
       {"Ошибка чтения файла. \r\nОшибка открытия файла для чтения.\r\nКод ошибки "
        "-2\r\nPARAM_ERROR"}},
      {"read:corrupt@2-", {"Ошибка чтения файла. Код ошибки 0"}},
      {"read:drop@3-", {"Ошибка чтения файла. Код ошибки 0"}},
      {"read:echo@1-", {"Ошибка чтения файла. Код ошибки 0"}},
      {"find:error=2", {"Ошибка поиска файла. Файл не найден.", "Ошибка поиска файла"}},
      {"find:drop", {"Ошибка поиска файла"}},
  };
  for (const Case& c : cases) {
    auto link = Start({"--fault", c.fault}, 250);
    WriteBytes(link->Dir() + "/Auto.shm", Pattern(600));
    const std::string local = link->Local("Auto.shm");
    WriteBytes(local, Ascii("kept"));
    EXPECT_FALSE(ReadToLocalFile(*link->Session, "Auto.shm", local)) << c.fault;
    EXPECT_EQ(link->Messages.Errors, c.messages) << c.fault;
    EXPECT_EQ(ReadBytes(local), Ascii("kept")) << c.fault;
  }
}

TEST_P(TransferTest, ADamagedConfigurationIsNotLoaded) {
  auto link = Start();
  Bytes image = Pattern(400);
  WriteBytes(link->Dir() + "/VilkA2.cfg", image);
  Configuration config(link->Messages);
  config.Controller().TypeCode = 22;
  config.Controller().ApplyModel();
  const int children = config.Controller().ChildCount();
  ConfigImage buffer;
  EXPECT_FALSE(ReadConfiguration(*link->Session, config, buffer));
  ASSERT_EQ(link->Messages.Errors.size(), 1u);
  EXPECT_EQ(link->Messages.Errors[0].rfind("Ошибка сигнатуры файла \"VilkA2.cfg\"", 0), 0u);
  EXPECT_EQ(config.Controller().TypeCode, 22);
  EXPECT_EQ(config.Controller().ChildCount(), children);
}

TEST_P(TransferTest, ClockRestartAndValues) {
  auto link = Start({"--value", "1001=-5"});
  ASSERT_TRUE(link->Session->SetTime());
  EXPECT_EQ(link->Messages.Infos, (std::vector<std::string>{"Время установлено."}));
  ASSERT_EQ(link->Sim->LogOf("clock").size(), 1u);
  ASSERT_TRUE(link->Session->Restart());
  std::int32_t v = 0;
  ASSERT_TRUE(link->Session->ReadValue(1001, v));
  EXPECT_EQ(v, -5);
  ASSERT_TRUE(link->Session->ReadValue(77, v));
  EXPECT_EQ(v, 77);
  // The restart request waits for no answer; the reads after it were answered.
  EXPECT_EQ(link->Sim->LogOf("reboot").size(), 1u);
  EXPECT_EQ(link->Messages.Questions.size(), 1u);
}

TEST_P(TransferTest, ClockWithoutAnAnswer) {
  auto link = Start({"--fault", "clock:drop"}, 250);
  EXPECT_FALSE(link->Session->SetTime());
  EXPECT_EQ(link->Messages.Errors, (std::vector<std::string>{"Ошибка установки времени"}));
  EXPECT_TRUE(link->Messages.Infos.empty());
}

INSTANTIATE_TEST_SUITE_P(Links, TransferTest, ::testing::Values(LinkKind::Udp, LinkKind::Serial),
                         KindName);

}  // namespace
}  // namespace vilk::test
