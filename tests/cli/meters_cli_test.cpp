// vilkcfg on a configuration with the three meter families: resave keeps the record
// stream, show prints every field and the ticked parameters by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "../core/file_faults.h"
#include "../core/test_items.h"
#include "cli.h"
#include "ports/meters/meters.h"

namespace vilk {
namespace {

class MetersCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordingMessages messages;
    Configuration config(messages);
    TProc* proc = config.Controller().Proc();
    auto* ce303 = static_cast<TMeterPort*>(config.Append(proc, MakePort(config, kPortCE303)));
    ce303->Renumber(1);
    ce303->Period = 5;
    ce303->TcpPort = 4001;
    test::LinkToBoard(ce303, 33);
    auto* a = static_cast<TMeter*>(ce303->AddChild(kMeterCE303));
    a->Place = "Ввод 1";
    a->Attempts = 3;
    a->ParamSet[31] = 0x80;  // bit 255: no item of the list
    for (int i : {0, 2, 7}) a->SetTicked(i, true);
    a->UpdateSignalList();
    a->Measurements()->At(3)->SetName("1_Порт.1_CE303.F");

    auto* ce318 = static_cast<TMeterPort*>(config.Append(proc, MakePort(config, kPortCE318)));
    ce318->Renumber(2);
    test::LinkToBoard(ce318, 34);
    auto* b = static_cast<TMeter*>(ce318->AddChild(kMeterCE318));
    b->SetAddress(40000000);
    b->SetTicked(5, true);
    b->UpdateSignalList();

    auto* cc301 = static_cast<TMeterPort*>(config.Append(proc, MakePort(config, kPortCC301)));
    cc301->Renumber(3);
    auto* c = static_cast<TCC301*>(cc301->AddChild(kMeterCC301));
    c->EnergyKind = 1;
    c->RatioFlag = 1;
    for (int i : {2, 8}) c->SetTicked(i, true);
    c->UpdateSignalList();
    config.Storage().ForceRebuild();
    original = test::Build(config, "meters.cfg");
    ASSERT_FALSE(original.empty());
    test::WriteAll(Path("meters.cfg"), original);
  }

  std::string Path(const std::string& name) const { return dir / name; }
  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return cli::Run(args, out, err);
  }

  test::ScratchFolder dir;
  std::ostringstream out, err;
  std::vector<std::uint8_t> original;
};

TEST_F(MetersCliTest, ResaveKeepsTheRecordStream) {
  // The CC301 port has no board: saving warns and goes on.
  ASSERT_EQ(Run({"resave", Path("meters.cfg"), Path("again.cfg")}), 0) << err.str();
  EXPECT_EQ(err.str(), "Не все порты связаны с COM.\n");
  const std::vector<std::uint8_t> again = test::ReadAll(Path("again.cfg"));
  ASSERT_EQ(again.size(), original.size());
  EXPECT_TRUE(std::equal(original.begin() + 128, original.end() - 2, again.begin() + 128));
}

TEST_F(MetersCliTest, ShowPrintsEveryFieldAndTheTickedParameters) {
  ASSERT_EQ(Run({"show", Path("meters.cfg"), "1_Порт CE303"}), 0) << err.str();
  const std::string port = out.str();
  for (const char* line :
       {"class = TPortCE303\n", "code = 118\n", "board = ", "energy_period = 5 мин\n",
        "tcp_port = 4001\n", "meter_count = 1\n", "signal1 = 1_Порт.связь_1_CE303_Ввод 1\n"})
    EXPECT_NE(port.find(line), std::string::npos) << line << port;
  EXPECT_NE(port.find("/1_Порт CE303/1_CE303]\nclass = TCE303\ncode = 217\n"), std::string::npos)
      << port;
  for (const char* line : {"place = Ввод 1\n", "address = 1\n", "attempts = 3\n",
                           "param0 = Напряжение ( фазы А, В, С )\n", "param2 = Частота сети\n",
                           "param7 = Энергия суммарная положительная активная\n",
                           "params_unknown_bits = 255\n", "signal4 = 1_Порт.1_CE303.F\n"})
    EXPECT_NE(port.find(line), std::string::npos) << line << port;
  EXPECT_EQ(port.find("param1 ="), std::string::npos);

  ASSERT_EQ(Run({"show", Path("meters.cfg"), "40000000_CE318"}), 0) << err.str();
  EXPECT_NE(out.str().find("address = 40000000\nattempts = 0\n"
                           "param5 = Мощность мгновенная реактивная суммарная\n"),
            std::string::npos)
      << out.str();
  ASSERT_EQ(Run({"show", Path("meters.cfg"), "1_CC301"}), 0) << err.str();
  EXPECT_NE(out.str().find("param8 = Энергия за прошлые сутки ( положительная/отрицательная, "
                           "активная/реактивная )\nenergy_kind = 1\nratio = 1\n"),
            std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("count = 5\n"), std::string::npos) << out.str();

  ASSERT_EQ(Run({"show", "--json", Path("meters.cfg"), "1_CC301"}), 0) << err.str();
  EXPECT_NE(out.str().find("{\"name\":\"param2\",\"value\":\"Частота сети\",\"key\":44}"),
            std::string::npos)
      << out.str();
}

}  // namespace
}  // namespace vilk
