// vilkcfg export-xml / export-ini: the N-th PC of a saved configuration, written as the
// frame's export buttons write it; wrong numbers and wrong usage.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "../core/pc_test_support.h"
#include "cli.h"

namespace vilk {
namespace {

namespace fs = std::filesystem;
using test::Cp1251;

class PCExportCliTest : public test::WithRealPC {
 protected:
  void SetUp() override {
    WithRealPC::SetUp();
    dir = fs::path(::testing::TempDir()) /
          (std::string("vilkcfg_export_") +
           ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
           std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override {
    fs::remove_all(dir);
    WithRealPC::TearDown();
  }

  std::string Path(const std::string& name) const { return (dir / name).string(); }

  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return cli::Run(args, out, err);
  }

  // Two PCs: the first selects Dev.a; the second Dev.b then Dev.a, and a log name that
  // cannot be numbered.
  std::string SaveTwoPCs() {
    RecordingMessages messages;
    Configuration config(messages);
    test::SourcePort* src =
        AddSource(config, {{kKindTS, {"Dev.a", "Dev.b"}}, {kKindMTS, {"Щит.Ввод Журнал Аварий"}}});
    TPC* first = AddPC(config);
    TPC* second = AddPC(config);
    second->Place = "Резерв";
    second->T1 = 9000;
    first->List(kKindTS)->Append(Acquire(src->Signal(kKindTS, 0)));
    second->List(kKindTS)->Append(Acquire(src->Signal(kKindTS, 1)));
    second->List(kKindTS)->Append(Acquire(src->Signal(kKindTS, 0)));
    second->List(kKindMTS)->Append(Acquire(src->Signal(kKindMTS, 0)));
    const std::string path = Path("two.cfg");
    const auto bytes = test::Build(config);
    EXPECT_FALSE(bytes.empty());
    test::WriteText(path, std::string(bytes.begin(), bytes.end()));
    return path;
  }

  fs::path dir;
  std::ostringstream out;
  std::ostringstream err;
};

const char kFileGroup[] =
    "    <Group name=\"файлы\" type=\"file\" ASDUaddr=\"1\"  Baseaddr=\"57344\" >\r\n"
    "        <Item name=\"конфигурация\" address=\"1\" fileID=\"0\" filename=\"Tamor.cfg\" />\r\n"
    "        <Item name=\"прошивка\" address=\"2\" fileID=\"0\" filename=\"Tamor.bin\" />\r\n"
    "        <Item name=\"список ключей доступа\" address=\"3\" fileID=\"0\" "
    "filename=\"Tamor.key\" />\r\n"
    "        <Item name=\"журнал всех событий\" address=\"4\" fileID=\"0\" "
    "filename=\"EventFull.dat\" />\r\n"
    "        <Item name=\"журнал 100 событий\" address=\"5\" fileID=\"0\" "
    "filename=\"Event100.dat\" />\r\n"
    "        <Item name=\"журнал всех тревог\" address=\"6\" fileID=\"0\" "
    "filename=\"AlarmFull.dat\" />\r\n"
    "        <Item name=\"журнал 100 тревог\" address=\"7\" fileID=\"0\" filename=\"Alarm100.dat\" "
    "/>\r\n"
    "    </Group>\r\n";

TEST_F(PCExportCliTest, ExportsTheChosenPc) {
  const std::string cfg = SaveTwoPCs();

  ASSERT_EQ(Run({"export-ini", cfg, "2", Path("second.ini")}), 0) << err.str();
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(
      test::ReadText(Path("second.ini")),
      Cp1251("[TS.Dev]\r\n8192=b\r\n8193=a\r\n\r\n[MTS.Щит]\r\n49152=Ввод Журнал Аварий\r\n"));
  test::ExpectConfigParserReads(Path("second.ini"),
                                "TS.Dev|8192|b\nTS.Dev|8193|a\nMTS.Щит|49152|Ввод Журнал Аварий\n");

  ASSERT_EQ(Run({"export-ini", cfg, "1", Path("first.ini")}), 0) << err.str();
  EXPECT_EQ(test::ReadText(Path("first.ini")), "[TS.Dev]\r\n8192=a\r\n");

  ASSERT_EQ(Run({"export-xml", cfg, "1", Path("first.xml")}), 0) << err.str();
  EXPECT_EQ(err.str(), "");
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"windows-1251\"?> \r\n"
      "<WS_IEC_870_5_104 name=\"\"  ASDUaddr=\"1\" >\r\n";
  EXPECT_EQ(test::ReadText(Path("first.xml")),
            Cp1251(head +
                   "    <BaseChannel   LocalIP=\"0.0.0.0\"  RemoteIP=\"192.168.1.222\" "
                   "Port=\"2404\" t1=\"15\" "
                   "t2=\"5\" t3=\"40\" k=\"12\" w=\"8\" />  \r\n"
                   "    <Group name=\"ТС\" type=\"TS\" ASDUaddr=\"1\"  Baseaddr=\"8192\" >\r\n"
                   "        <Group name=\"Dev\" type=\"TS\" ASDUaddr=\"1\"  Baseaddr=\"8192\" >\r\n"
                   "            <Item name=\"a\" address=\"0\" />\r\n"
                   "        </Group>\r\n"
                   "    </Group>\r\n" +
                   kFileGroup + "</WS_IEC_870_5_104>\r\n"));
  test::ExpectWellFormedXml(Path("first.xml"));

  // The second PC: its own t1, both inputs, and the log name that is left out with a
  // warning on stderr while the export still succeeds.
  ASSERT_EQ(Run({"export-xml", cfg, "2", Path("second.xml")}), 0) << err.str();
  EXPECT_NE(err.str().find("\"Щит.Ввод Журнал Аварий\""), std::string::npos) << err.str();
  EXPECT_EQ(
      test::ReadText(Path("second.xml")),
      Cp1251(head +
             "    <BaseChannel   LocalIP=\"0.0.0.0\"  RemoteIP=\"192.168.1.222\" Port=\"2404\" "
             "t1=\"9\" "
             "t2=\"5\" t3=\"40\" k=\"12\" w=\"8\" />  \r\n"
             "    <Group name=\"ТС\" type=\"TS\" ASDUaddr=\"1\"  Baseaddr=\"8192\" >\r\n"
             "        <Group name=\"Dev\" type=\"TS\" ASDUaddr=\"1\"  Baseaddr=\"8192\" >\r\n"
             "            <Item name=\"b\" address=\"0\" />\r\n"
             "            <Item name=\"a\" address=\"1\" />\r\n"
             "        </Group>\r\n"
             "    </Group>\r\n"
             "    <Group name=\"МТС\" type=\"TS32\" ASDUaddr=\"1\"  Baseaddr=\"49152\" >\r\n"
             "        <Group name=\"Щит\" type=\"TS32\" ASDUaddr=\"1\"  Baseaddr=\"49152\" >\r\n"
             "            <Item name=\"Ввод Журнал Аварий\" address=\"0\" />\r\n"
             "        </Group>\r\n"
             "    </Group>\r\n" +
             kFileGroup + "</WS_IEC_870_5_104>\r\n"));
  test::ExpectWellFormedXml(Path("second.xml"));
}

TEST_F(PCExportCliTest, RefusalsAndUsageErrors) {
  const std::string cfg = SaveTwoPCs();

  // A number past the PCs: refused, nothing written.
  for (const char* command : {"export-xml", "export-ini"}) {
    SCOPED_TRACE(command);
    EXPECT_EQ(Run({command, cfg, "3", Path("out")}), 1);
    EXPECT_EQ(err.str(), "В конфигурации нет ПЭВМ номер 3.\n");
    EXPECT_FALSE(fs::exists(Path("out")));
  }
  // A configuration without PCs has no PC 1.
  {
    RecordingMessages messages;
    Configuration empty(messages);
    const auto bytes = test::Build(empty);
    test::WriteText(Path("none.cfg"), std::string(bytes.begin(), bytes.end()));
  }
  EXPECT_EQ(Run({"export-ini", Path("none.cfg"), "1", Path("out")}), 1);
  EXPECT_EQ(err.str(), "В конфигурации нет ПЭВМ номер 1.\n");
  // An input that cannot be read.
  EXPECT_EQ(Run({"export-xml", Path("missing.cfg"), "1", Path("out")}), 1);
  EXPECT_NE(err.str().find(Path("missing.cfg")), std::string::npos) << err.str();
  // The output cannot be written.
  EXPECT_EQ(Run({"export-xml", cfg, "1", Path("no/such/dir.xml")}), 1);
  EXPECT_EQ(err.str(), "Ошибка записи файла " + Path("no/such/dir.xml") + "\n");
  EXPECT_FALSE(fs::exists(Path("out")));

  // Usage: three arguments, N a whole number from 1.
  const std::vector<std::vector<std::string>> usage = {
      {"export-xml", cfg, "1"},
      {"export-ini", cfg},
      {"export-xml", cfg, "1", Path("out"), "extra"},
      {"export-ini", cfg, "0", Path("out")},
      {"export-ini", cfg, "-1", Path("out")},
      {"export-xml", cfg, "two", Path("out")},
      {"export-xml", cfg, "2x", Path("out")},
      {"export-xml", cfg, "", Path("out")},
  };
  for (const auto& args : usage) {
    SCOPED_TRACE(args.size() > 2 ? args[0] + " N=\"" + args[2] + "\"" : args[0]);
    EXPECT_EQ(Run(args), 2);
    EXPECT_NE(err.str().find("Try 'vilkcfg --help'."), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(Path("out")));
  }
}

}  // namespace
}  // namespace vilk
