// vilkcfg check (the validation report, as lines and as JSON) and vilkcfg diff.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "../core/file_faults.h"
#include "../core/test_items.h"
#include "cli.h"
#include "controller/controller.h"
#include "controller/port_ip.h"
#include "ports/telemechanics/pc.h"

namespace vilk {
namespace {

class CheckDiffCliTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir / name; }
  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return cli::Run(args, out, err);
  }
  // The default configuration with one PC, changed by `edit`, saved as `name`.
  void Write(const std::string& name, const std::function<void(TPC&)>& edit) {
    RecordingMessages messages;
    Configuration config(messages);
    auto* pc = static_cast<TPC*>(config.Controller().PortIP()->AddChild(test::kPcCode));
    edit(*pc);
    const std::vector<std::uint8_t> bytes = test::Build(config);
    ASSERT_FALSE(bytes.empty()) << messages.Errors[0];
    test::WriteAll(Path(name), bytes);
  }

  test::ScratchFolder dir;
  std::ostringstream out, err;
};

const char kPcPath[] = "ВИЛК.A2/Процессор/0_Порт_IP/1_Порт ПЭВМ";

TEST_F(CheckDiffCliTest, CheckPrintsTheReport) {
  Write("clean.cfg", [](TPC&) {});
  EXPECT_EQ(Run({"check", Path("clean.cfg")}), 0);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "");

  // Saving lets these through; the report says the link would stall.
  Write("stall.cfg", [](TPC& pc) {
    pc.W = 13;
    pc.T3 = 10000;
  });
  EXPECT_EQ(Run({"check", Path("stall.cfg")}), 1);
  EXPECT_EQ(out.str(), std::string("ошибка\t") + kPcPath +
                           "\tW (13) больше K (12): подтверждение не успевает до остановки "
                           "передачи.\nпредупреждение\t" +
                           kPcPath +
                           "\tT3 (10000 мс) меньше T1 (15000 мс): тестовые кадры чаще "
                           "таймаута.\n");
  EXPECT_EQ(err.str(), "");

  EXPECT_EQ(Run({"check", "--json", Path("stall.cfg")}), 1);
  EXPECT_EQ(out.str(), std::string("[\n{\"severity\":\"error\",\"path\":\"") + kPcPath +
                           "\",\"message\":\"W (13) больше K (12): подтверждение не успевает до "
                           "остановки передачи.\"},\n{\"severity\":\"warning\",\"path\":\"" +
                           kPcPath +
                           "\",\"message\":\"T3 (10000 мс) меньше T1 (15000 мс): тестовые кадры "
                           "чаще таймаута.\"}\n]\n");

  // A warning alone: exit 0.
  Write("warn.cfg", [](TPC& pc) { pc.T3 = 10000; });
  EXPECT_EQ(Run({"check", Path("warn.cfg")}), 0);
  EXPECT_EQ(out.str(), std::string("предупреждение\t") + kPcPath +
                           "\tT3 (10000 мс) меньше T1 (15000 мс): тестовые кадры чаще "
                           "таймаута.\n");
  EXPECT_EQ(Run({"check", "--json", Path("clean.cfg")}), 0);
  EXPECT_EQ(out.str(), "[\n]\n");

  EXPECT_EQ(Run({"check", "--xml", Path("clean.cfg")}), 2);
  EXPECT_EQ(Run({"check", Path("absent.cfg")}), 1);
  EXPECT_EQ(out.str(), "");
}

TEST_F(CheckDiffCliTest, DiffSaysWhatDiffers) {
  Write("a.cfg", [](TPC&) {});
  Write("b.cfg", [](TPC& pc) { pc.T1 = 20000; });
  Write("c.cfg", [](TPC& pc) { pc.Place = "ЦУС"; });

  EXPECT_EQ(Run({"diff", Path("a.cfg"), Path("a.cfg")}), 0);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(Run({"diff", Path("a.cfg"), Path("b.cfg")}), 1);
  EXPECT_EQ(out.str(), std::string("~ ") + kPcPath + "\n    t1: 15 с -> 20 с\n");
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(Run({"diff", Path("b.cfg"), Path("c.cfg")}), 1);
  // The place names the PC's link state as well.
  EXPECT_NE(out.str().find("    place: \"\" -> \"ЦУС\"\n"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("    t1: 20 с -> 15 с\n"), std::string::npos) << out.str();

  EXPECT_EQ(Run({"diff", Path("a.cfg")}), 2);
  EXPECT_EQ(Run({"diff", "--brief", Path("a.cfg"), Path("b.cfg")}), 2);
  EXPECT_EQ(Run({"diff", Path("a.cfg"), Path("absent.cfg")}), 2);
  EXPECT_EQ(out.str(), "");
  EXPECT_NE(err.str().find("absent.cfg"), std::string::npos) << err.str();
}

TEST_F(CheckDiffCliTest, ReportWritesTheHtmlPage) {
  Write("a.cfg", [](TPC& pc) { pc.Place = "ЦУС"; });
  ASSERT_EQ(Run({"report", Path("a.cfg"), Path("a.html")}), 0) << err.str();
  EXPECT_EQ(out.str(), "");
  const std::vector<std::uint8_t> bytes = test::ReadAll(Path("a.html"));
  const std::string html(bytes.begin(), bytes.end());
  EXPECT_NE(html.find("<p>Файл: a.cfg<br>\n"), std::string::npos) << html;
  EXPECT_NE(html.find("<h2>1_Порт ПЭВМ</h2>\n<p>Место установки: ЦУС<br>\n"), std::string::npos);

  EXPECT_EQ(Run({"report", Path("a.cfg"), Path("a.pdf")}), 2);
  EXPECT_EQ(Run({"report", Path("a.cfg")}), 2);
  EXPECT_EQ(Run({"report", Path("absent.cfg"), Path("b.html")}), 1);
  EXPECT_FALSE(std::filesystem::exists(Path("b.html")));
}

}  // namespace
}  // namespace vilk
