// vilkcfg, run in-process with captured streams, each test in a folder of its own.
#include "cli.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../core/test_items.h"

namespace vilk {
namespace {

namespace fs = std::filesystem;

class CliTest : public test::WithTestKinds {
 protected:
  void SetUp() override {
    WithTestKinds::SetUp();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::path(::testing::TempDir()) /
          (std::string("vilkcfg_") + info->name() + "_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::remove_all(dir);
    WithTestKinds::TearDown();
  }

  std::string Path(const std::string& name) const { return (dir / name).string(); }

  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return cli::Run(args, out, err);
  }

  static std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  static void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  }

  fs::path dir;
  std::ostringstream out;
  std::ostringstream err;
};

unsigned Sum(const std::vector<std::uint8_t>& b, std::size_t n) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += b[i];
  return sum & 0xFFFF;
}

TEST_F(CliTest, NewWritesEachModel) {
  struct Case {
    std::vector<std::string> model;
    const char* file;
    int type;
    std::size_t size;
  };
  const Case cases[] = {
      {{"--model", "22"}, "a1.cfg", 22, 976},
      {{"--model", "23"}, "a2.cfg", 23, 1376},
      {{"--model", "26"}, "a1x.cfg", 26, 1568},
      {{}, "default.cfg", 23, 1376},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"new"};
    args.insert(args.end(), c.model.begin(), c.model.end());
    args.push_back(Path(c.file));
    ASSERT_EQ(Run(args), 0) << err.str();
    EXPECT_EQ(err.str(), "");
    const auto b = ReadBytes(Path(c.file));
    ASSERT_EQ(b.size(), c.size) << c.file;
    EXPECT_EQ(std::string(b.begin(), b.begin() + 14), "Sign:Vilk     ");
    EXPECT_EQ(b[15], c.type);
    EXPECT_EQ(std::string(b.begin() + 32, b.begin() + 48).substr(0, 5 + std::strlen(c.file)),
              std::string("File:") + c.file);
    EXPECT_EQ(test::GetU32(b, 28), c.size);
    EXPECT_EQ(b[c.size - 2] | (b[c.size - 1] << 8), Sum(b, c.size - 2));
  }
  // The model may also follow the file name.
  ASSERT_EQ(Run({"new", Path("late.cfg"), "--model", "22"}), 0);
  EXPECT_EQ(ReadBytes(Path("late.cfg")).size(), 976u);
}

TEST_F(CliTest, TreeAndSignalsOutput) {
  ASSERT_EQ(Run({"new", "--model", "26", Path("x.cfg")}), 0);
  ASSERT_EQ(Run({"tree", Path("x.cfg")}), 0);
  EXPECT_EQ(out.str(),
            "ВИЛК.A1-X\n"
            "  Процессор\n"
            "    0_Порт_IP\n"
            "  0_Плата Узел сигнализации\n"
            "    ТС\n"
            "  COM_0.1 RS485\n"
            "  COM_0.2 RS485\n"
            "  COM_0.3 RS485\n"
            "  COM_0.4 RS485\n");
  EXPECT_EQ(err.str(), "");

  ASSERT_EQ(Run({"signals", Path("x.cfg")}), 0);
  std::string expected;
  for (int i = 1; i <= 8; ++i) expected += Format("ТС\t%d\tТС%d\n", 8191 + i, i);
  EXPECT_EQ(out.str(), expected);

  // Ports, devices and every kind in the pool, in kind order.
  RecordingMessages messages;
  Configuration config(messages);
  auto* port = test::AddFieldPort(config, 3, "Dev", 2, 1, 1);
  test::LinkToBoard(port, 34);
  test::AddPC(config, "ПК", 1);
  WriteBytes(Path("y.cfg"), test::Build(config));
  ASSERT_EQ(Run({"tree", Path("y.cfg")}), 0);
  EXPECT_EQ(out.str(),
            "ВИЛК.A2\n"
            "  Процессор\n"
            "    0_Порт_IP\n"
            "      ТС\n"
            "      ПК\n"
            "        ТИ\n"
            "        ТС\n"
            "    3_Порт Поле\n"
            "      ТС\n"
            "      ТУ\n"
            "      ТИ\n"
            "  COM_0.1 RS485\n  COM_0.2 RS485\n  COM_0.3 RS485\n  COM_0.4 RS485\n"
            "  COM_0.5 RS485\n  COM_0.6 RS485\n  COM_0.7 RS485\n  COM_0.8 RS485\n");
  ASSERT_EQ(Run({"signals", Path("y.cfg")}), 0);
  EXPECT_EQ(out.str(),
            "ТС\t8192\t0_Порт_IP.связь_ПК_ПК\n"
            "ТС\t8193\tDev.Вход1\n"
            "ТС\t8194\tDev.Вход2\n"
            "ТУ\t24576\tDev.Пр1\n"
            "ТИ\t16384\tПК.Расчёт1\n"
            "ТИ\t16385\tDev.Изм1\n");
}

TEST_F(CliTest, RecordsShowsTheHeaderAndTheBlockTree) {
  ASSERT_EQ(Run({"new", Path("r.cfg")}), 0);
  ASSERT_EQ(Run({"records", Path("r.cfg")}), 0);
  const std::string text = out.str();
  EXPECT_EQ(text.rfind("header signature \"Sign:Vilk     \" format 1 type 23\n", 0), 0u);
  EXPECT_NE(text.find("header size \"Size:1376   \" total 1376\n"), std::string::npos);
  EXPECT_NE(text.find("header data \"Data:       \" offset 144\n"), std::string::npos);
  EXPECT_NE(text.find("\n@144 block 0 length 207\n  @152 value 48 length 9: 01\n"),
            std::string::npos);
  EXPECT_NE(text.find("\n@351 block 200 length 102\n"), std::string::npos);
  EXPECT_NE(text.find("\n@1167 block 100 length 191\n"), std::string::npos);
  EXPECT_NE(text.find("\n@1358 end of records\n"), std::string::npos);
}

TEST_F(CliTest, CheckRunsTheSaveChecks) {
  ASSERT_EQ(Run({"new", Path("ok.cfg")}), 0);
  EXPECT_EQ(Run({"check", Path("ok.cfg")}), 0);
  EXPECT_EQ(err.str(), "");

  RecordingMessages messages;
  Configuration config(messages);
  auto* a = test::AddFieldPort(config, 1, "A", 0, 0, 0);
  auto* b = test::AddFieldPort(config, 2, "B", 0, 0, 0);
  test::LinkToBoard(a, 33);
  test::AddFieldPort(config, 3, "C", 0, 0, 0);  // on no board
  auto bytes = test::Build(config);
  ASSERT_FALSE(bytes.empty());
  WriteBytes(Path("warn.cfg"), bytes);
  EXPECT_EQ(Run({"check", Path("warn.cfg")}), 0);
  EXPECT_EQ(err.str(), "Не все порты связаны с COM.\n");

  // The image says port B has number 1 as well.
  test::LinkToBoard(b, 34);
  bytes = test::Build(config);
  const std::vector<std::size_t> ports = test::TopBlocks(bytes, test::kFieldPortCode);
  ASSERT_EQ(ports.size(), 3u);
  const std::size_t number = test::FindRecord(bytes, ports[1], test::kKeyPortNumber);
  ASSERT_EQ(bytes[number + 8], 2);
  bytes[number + 8] = 1;
  test::Restamp(bytes);
  WriteBytes(Path("dup.cfg"), bytes);
  EXPECT_EQ(Run({"check", Path("dup.cfg")}), 1);
  EXPECT_EQ(err.str(),
            "Обнаружены порты с одинаковым адресом.\nНе все порты связаны с COM.\n"
            "Сохранение прервано.\n");
}

TEST_F(CliTest, ResaveKeepsTheRecordStream) {
  RecordingMessages messages;
  Configuration config(messages);
  auto* port = test::AddFieldPort(config, 1, "Dev", 4, 2, 3);
  test::LinkToBoard(port, 36);
  port->TS()->At(1)->TSType = 1;
  port->TS()->At(2)->TSType = 2;
  port->TI()->At(0)->Gain = 1.5f;
  port->TU()->At(0)->BlockOff = Acquire(port->TS()->At(3));
  test::TestPC* pc = test::AddPC(config, "ПК", 2);
  pc->Selection()->Append(Acquire(port->TS()->At(1)));
  config.Storage().RebuildPool();
  const auto original = test::Build(config, "original.cfg");
  WriteBytes(Path("in.cfg"), original);

  ASSERT_EQ(Run({"resave", Path("in.cfg"), Path("out.cfg")}), 0) << err.str();
  EXPECT_EQ(err.str(), "");
  const auto saved = ReadBytes(Path("out.cfg"));
  ASSERT_EQ(saved.size(), original.size());
  EXPECT_EQ(test::Slice(saved, 144, saved.size() - 146),
            test::Slice(original, 144, original.size() - 146));
  EXPECT_EQ(test::Slice(saved, 0, 32), test::Slice(original, 0, 32));
  EXPECT_EQ(test::Slice(saved, 32, 16), test::Ascii("File:out.cfg    "));
  EXPECT_EQ(test::Slice(saved, 80, 64), test::Slice(original, 80, 64));
  EXPECT_EQ(saved[saved.size() - 2] | (saved[saved.size() - 1] << 8), Sum(saved, saved.size() - 2));

  // Resaving onto itself works too and leaves a readable file.
  ASSERT_EQ(Run({"resave", Path("out.cfg"), Path("out.cfg")}), 0);
  EXPECT_EQ(Run({"check", Path("out.cfg")}), 0);
}

TEST_F(CliTest, RefusedFilesExitOneWithTheMessage) {
  WriteBytes(Path("text.cfg"), test::Ascii("Hello, this is no configuration"));
  EXPECT_EQ(Run({"tree", Path("text.cfg")}), 1);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "Ошибка сигнатуры файла \"text.cfg\"\nHello, this is\n");

  ASSERT_EQ(Run({"new", Path("good.cfg")}), 0);
  auto bytes = ReadBytes(Path("good.cfg"));
  bytes[15] = 24;
  WriteBytes(Path("type.cfg"), bytes);
  EXPECT_EQ(Run({"signals", Path("type.cfg")}), 1);
  EXPECT_EQ(err.str(), "Ошибка типа контроллера\n");

  bytes = ReadBytes(Path("good.cfg"));
  bytes[40] ^= 0x20;
  WriteBytes(Path("sum.cfg"), bytes);
  EXPECT_EQ(Run({"check", Path("sum.cfg")}), 1);
  EXPECT_EQ(err.str(), "Ошибка контрольной суммы FLASH\n");

  bytes = ReadBytes(Path("good.cfg"));
  bytes.resize(700);
  WriteBytes(Path("short.cfg"), bytes);
  EXPECT_EQ(Run({"resave", Path("short.cfg"), Path("never.cfg")}), 1);
  EXPECT_EQ(err.str().rfind("Файл конфигурации повреждён", 0), 0u) << err.str();
  EXPECT_FALSE(fs::exists(Path("never.cfg")));

  EXPECT_EQ(Run({"tree", Path("missing.cfg")}), 1);
  EXPECT_EQ(err.str(), "Файл " + Path("missing.cfg") + " не найден.\n");

  WriteBytes(Path("huge.cfg"), std::vector<std::uint8_t>(1048577, 0));
  EXPECT_EQ(Run({"tree", Path("huge.cfg")}), 1);
  EXPECT_EQ(err.str(), "Файл " + Path("huge.cfg") + " слишком велик для файла конфигурации.\n");

  EXPECT_EQ(Run({"new", Path("no/such/folder/x.cfg")}), 1);
  EXPECT_EQ(err.str().rfind("Ошибка записи файла " + Path("no/such/folder/x.cfg") + ": ", 0), 0u)
      << err.str();
}

TEST_F(CliTest, UnknownPortKindIsKeptCheckedAndResavedByteForByte) {
  RecordingMessages messages;
  Configuration config(messages);
  test::LinkToBoard(test::AddFieldPort(config, 1, "A", 1, 0, 0), 33);
  test::LinkToBoard(test::AddFieldPort(config, 2, "B", 1, 0, 0, test::kTcpPortCode), 34);
  const std::vector<std::uint8_t> original = test::Build(config);
  WriteBytes(Path("ports.cfg"), original);
  UnregisterTestKind({0, test::kFieldPortCode});

  // The kept port's own signals keep their pool numbers, so B's stay where they were.
  ASSERT_EQ(Run({"signals", Path("ports.cfg")}), 0);
  EXPECT_EQ(err.str(), "Неизвестный тип порта,\nID = 241\n");
  EXPECT_EQ(out.str(), "ТС\t8192\tA.Вход1\nТС\t8193\tB.Вход1\n");

  EXPECT_EQ(Run({"check", Path("ports.cfg")}), 1);
  EXPECT_NE(err.str().find("Неизвестный порт, ID = 241"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("Блок не прочитан"), std::string::npos) << err.str();

  ASSERT_EQ(Run({"resave", Path("ports.cfg"), Path("again.cfg")}), 0) << err.str();
  const std::vector<std::uint8_t> again = ReadBytes(Path("again.cfg"));
  ASSERT_EQ(again.size(), original.size());
  // Everything from the data marker on is identical (the header carries the new date).
  EXPECT_TRUE(std::equal(original.begin() + 128, original.end() - 2, again.begin() + 128));
}

TEST_F(CliTest, UsageErrorsExitTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"new"},
      {"new", "--model"},
      {"new", "--model", "24", Path("x.cfg")},
      {"new", Path("x.cfg"), Path("y.cfg")},
      {"records"},
      {"tree"},
      {"signals", Path("x.cfg"), Path("y.cfg")},
      {"check"},
      {"resave", Path("x.cfg")},
  };
  for (const auto& args : cases) {
    EXPECT_EQ(Run(args), 2) << (args.empty() ? "(none)" : args[0]);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str().rfind("vilkcfg: ", 0), 0u) << err.str();
  }
  EXPECT_FALSE(fs::exists(Path("x.cfg")));

  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out.str().find("vilkcfg new [--model 22|23|26] OUT.cfg"), std::string::npos);
  EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace vilk
