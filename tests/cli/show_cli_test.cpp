// vilkcfg show and --json on the demonstration configuration, and the sample images that
// hold blocks this build cannot read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "../core/file_faults.h"
#include "../core/test_items.h"
#include "cli.h"
#include "demo.h"
#include "model/image_ops.h"

namespace vilk {
namespace {

namespace fs = std::filesystem;

class ShowCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordingMessages messages;
    Configuration config(messages);
    BuildDemo(config);
    const std::vector<std::uint8_t> bytes = test::Build(config);
    ASSERT_FALSE(bytes.empty());
    test::WriteAll(Path("demo.cfg"), bytes);
  }

  std::string Path(const std::string& name) const { return dir / name; }
  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return cli::Run(args, out, err);
  }
  // The section of `text` that starts with the line "[path]".
  static std::string Section(const std::string& text, const std::string& path) {
    const std::size_t at = text.find("[" + path + "]\n");
    if (at == std::string::npos) return {};
    const std::size_t end = text.find("\n\n", at);
    return text.substr(at, end == std::string::npos ? std::string::npos : end - at + 1);
  }

  test::ScratchFolder dir;
  std::ostringstream out, err;
};

TEST_F(ShowCliTest, EveryItemWithEveryFieldInTheFramesUnits) {
  ASSERT_EQ(Run({"show", Path("demo.cfg")}), 0) << err.str();
  EXPECT_EQ(err.str(), "");
  // One section per node of the tree, in the tree's order.
  ASSERT_EQ(Run({"tree", Path("demo.cfg")}), 0);
  const std::string tree = out.str();
  ASSERT_EQ(Run({"show", Path("demo.cfg")}), 0);
  const std::string show = out.str();
  // (Section headers start their line: values may hold "[", a ladder program's groups.)
  std::size_t sections = show.rfind('[', 0) == 0 ? 1 : 0;
  for (std::size_t at = show.find("\n["); at != std::string::npos; at = show.find("\n[", at + 1))
    ++sections;
  EXPECT_EQ(static_cast<std::ptrdiff_t>(sections), std::count(tree.begin(), tree.end(), '\n'));
  EXPECT_NE(show.find("task1 = 13_Порт.Авария = [Пожар | Неисправность ЗУ | 13_Порт.Авария] /Связь "
                      "с ЩУ\n"),
            std::string::npos);

  EXPECT_EQ(Section(show, "ВИЛК.A1-X/Процессор/0_Порт_IP/1_Порт ПЭВМ")
                .find("place = ДП РЭС\npc_ip = 192.168.1.10\n"),
            std::string("[ВИЛК.A1-X/Процессор/0_Порт_IP/1_Порт ПЭВМ]\nclass = TPC\ncode = 202\n"
                        "version = 1\nnumber = 1\n")
                .size());
  const std::string pc = Section(show, "ВИЛК.A1-X/Процессор/0_Порт_IP/1_Порт ПЭВМ");
  for (const char* line : {"t1 = 15 с\n", "t3 = 40 с\n", "cyclic_interval = 100 мс\n",
                           "ts_format = 8 30 0 1 21 0\n", "base_ti = 16384\n", "k = 12\n"})
    EXPECT_NE(pc.find(line), std::string::npos) << line;
  const std::string ups = Section(show, "ВИЛК.A1-X/Процессор/2_Порт/40_RTU");
  EXPECT_NE(ups.find("address = 192.168.1.40\n"), std::string::npos) << ups;
  EXPECT_NE(ups.find("tag2 = upsOutputVoltage 1.3.6.1.2.1.33.1.4.4.1.2\n"), std::string::npos);
  const std::string com = Section(show, "ВИЛК.A1-X/COM_0.1 RS485");
  EXPECT_NE(com.find("speed = 9600\nparity = 0\ninterface = 1\n"), std::string::npos) << com;
  const std::string proc = Section(show, "ВИЛК.A1-X/Процессор");
  EXPECT_NE(proc.find("place = ПС 110 кВ Северная\n"), std::string::npos) << proc;
  EXPECT_NE(proc.find("group2 = Напряжения; 1; 2; 0; 0\n"), std::string::npos) << proc;
}

TEST_F(ShowCliTest, APathShowsThatItemAndWhatIsBelowIt) {
  ASSERT_EQ(Run({"show", Path("demo.cfg"), "2_Порт/ТИ"}), 0) << err.str();
  EXPECT_EQ(out.str(),
            "[ВИЛК.A1-X/Процессор/2_Порт/40_RTU/ТИ]\nclass = TParamsTI\ncode = 213\nversion = 1\n"
            "role = own\ncount = 3\nsignal1 = 2_Порт.40_RTU.upsBatteryVoltage\n"
            "signal2 = 2_Порт.40_RTU.upsOutputVoltage\nsignal3 = 2_Порт.40_RTU.upsOutputCurrent\n");
  EXPECT_EQ(Run({"show", Path("demo.cfg"), "Процессор/7_Порт"}), 1);
  EXPECT_EQ(err.str(), "Нет узла Процессор/7_Порт\n");
  EXPECT_EQ(Run({"show", Path("demo.cfg"), "a", "b"}), 2);
  EXPECT_EQ(Run({"show", "--xml", Path("demo.cfg")}), 2);
  EXPECT_EQ(Run({"check", "--xml", Path("demo.cfg")}), 2);
}

TEST_F(ShowCliTest, JsonForScripts) {
  ASSERT_EQ(Run({"show", "--json", Path("demo.cfg"), "1_Порт ПЭВМ"}), 0) << err.str();
  const std::string show = out.str();
  EXPECT_EQ(show.rfind("[\n{\"path\":\"ВИЛК.A1-X/Процессор/0_Порт_IP/1_Порт ПЭВМ\"", 0), 0u)
      << show.substr(0, 80);
  EXPECT_NE(show.find("{\"name\":\"t1\",\"value\":15,\"key\":63,\"unit\":\"с\"}"),
            std::string::npos);
  EXPECT_NE(show.find("{\"name\":\"place\",\"value\":\"ДП РЭС\",\"key\":77}"), std::string::npos);
  EXPECT_EQ(show.substr(show.size() - 3), "\n]\n");

  ASSERT_EQ(Run({"signals", "--json", Path("demo.cfg")}), 0);
  EXPECT_EQ(out.str().rfind("[\n{\"kind\":\"ТС\",\"number\":8192,\"name\":\"Q1 включен\"}", 0), 0u)
      << out.str().substr(0, 80);

  ASSERT_EQ(Run({"tree", "--json", Path("demo.cfg")}), 0);
  EXPECT_EQ(out.str().rfind("{\"caption\":\"ВИЛК.A1-X\",\"class\":\"TController\",\"code\":-1,"
                            "\"kept\":false,\"children\":[{\"caption\":\"Процессор\"",
                            0),
            0u)
      << out.str().substr(0, 120);
}

// Every sample holds a block a newer configurator could write: each is kept, listed by
// check (which exits 1 naming its id), and written back byte for byte.
TEST_F(ShowCliTest, SampleImagesWithUnreadBlocksRoundTrip) {
  const fs::path samples = fs::path(VILK_TEST_DATA) / "images";
  int seen = 0;
  for (const auto& entry : fs::directory_iterator(samples)) {
    if (entry.path().extension() != ".cfg") continue;
    ++seen;
    const std::string file = entry.path().string();
    SCOPED_TRACE(file);
    EXPECT_EQ(Run({"check", file}), 1);
    EXPECT_NE(err.str().find("Блок не прочитан, сохраняется без изменений"), std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("(ID = "), std::string::npos);

    ASSERT_EQ(Run({"resave", file, Path("again.cfg")}), 0) << err.str();
    const std::vector<std::uint8_t> before = test::ReadAll(file);
    const std::vector<std::uint8_t> after = test::ReadAll(Path("again.cfg"));
    ASSERT_EQ(after.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin() + 128, before.end() - 2, after.begin() + 128));
  }
  EXPECT_EQ(seen, 4);
  // And the ids are named.
  EXPECT_EQ(Run({"check", (samples / "unknown_port.cfg").string()}), 1);
  EXPECT_NE(err.str().find("Неизвестный тип порта,\nID = 250"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("Неизвестный порт, ID = 250"), std::string::npos);
  EXPECT_EQ(Run({"check", (samples / "newer_port.cfg").string()}), 1);
  EXPECT_NE(err.str().find("Новая версия SNMP"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("ID = 134, версия 9"), std::string::npos);
}

}  // namespace
}  // namespace vilk
