// vilkcfg on I/O modules and pairing ports: show prints every field, pair and selection;
// resave writes the same image.
#include <gtest/gtest.h>

#include <sstream>

#include "../core/file_faults.h"
#include "../core/test_items.h"
#include "cli.h"
#include "ports/modules/modules.h"
#include "ports/modules/pairing.h"
#include "ports/modules/port_doro.h"

namespace vilk {
namespace {

class ModulesCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordingMessages messages;
    Configuration config(messages);
    TItem* proc = config.Controller().Proc();
    auto* doro = static_cast<TPortDoro*>(config.Append(proc, MakePort(config, kPortDoro)));
    doro->Renumber(3);
    test::LinkToBoard(doro, 33);
    auto* riv = static_cast<TMDS24*>(doro->AddChild(kModuleRIV24));
    riv->Mode = 1;
    riv->CheckPeriod = 5 * 60000;
    riv->UpdateSignalList();
    auto* ded = static_cast<TMRK12*>(doro->AddChild(kModuleDED12));
    ded->Mode = 3;
    ded->UpdateSignalList();
    config.Storage().ForceRebuild();
    ded->Outputs()->Append(SignalRef::Share(riv->Inputs()->At(1)));
    auto* ts2 = static_cast<TPortTS2*>(config.Append(proc, MakePort(config, kPortTS2)));
    ts2->SetCount(2);
    ts2->SetChannel(0, false, riv->Inputs()->At(0));
    ts2->SetChannel(0, true, riv->Inputs()->At(1));
    ts2->Pairs[0].OnFlag = 1;
    auto* tu2 = static_cast<TPortTU2*>(config.Append(proc, MakePort(config, kPortTU2)));
    tu2->Number = 2;
    tu2->SetCount(1);
    tu2->SetChannel(0, true, ded->Commands()->At(11));
    bytes = test::Build(config);
    ASSERT_FALSE(bytes.empty()) << (messages.Errors.empty() ? "" : messages.Errors.back());
    test::WriteAll(Path("modules.cfg"), bytes);
  }

  std::string Path(const std::string& name) const { return dir / name; }
  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return cli::Run(args, out, err);
  }

  test::ScratchFolder dir;
  std::vector<std::uint8_t> bytes;
  std::ostringstream out, err;
};

TEST_F(ModulesCliTest, ShowPrintsModulesPairsAndSelections) {
  ASSERT_EQ(Run({"show", Path("modules.cfg"), "1_Порт ТС-2"}), 0) << err.str();
  // Pool numbers: 0x2000 + the four link states of the DORO port + the input's index.
  const std::string ts2 = out.str();
  EXPECT_NE(ts2.find("class = TPortTS2\ncode = 132\n"), std::string::npos) << ts2;
  EXPECT_NE(ts2.find("pair_count = 2\n"
                     "pair1_name = Пр1\n"
                     "pair1_off = 3_Порт.1_RIV-24.Пр1 (8196)\n"
                     "pair1_on = 3_Порт.1_RIV-24.Пр2 (8197)\n"
                     "pair1_off_invert = 0\n"
                     "pair1_on_invert = 1\n"
                     "pair1_transition_time = 500 мс\n"
                     "pair2_name = Пр2\n"
                     "pair2_off = none\n"),
            std::string::npos)
      << ts2;

  ASSERT_EQ(Run({"show", Path("modules.cfg"), "2_Порт ТУ-2"}), 0) << err.str();
  EXPECT_NE(out.str().find("pair1_off = none\npair1_on = 3_Порт.2_DED-12.Пр12 (24587)\n"
                           "pair1_off_command = 1\npair1_on_command = 1\n"),
            std::string::npos)
      << out.str();

  ASSERT_EQ(Run({"show", Path("modules.cfg"), "3_Порт DORO/2_DED-12"}), 0) << err.str();
  const std::string ded = out.str();
  EXPECT_NE(ded.find("class = TMRK12\ncode = 222\nversion = 2\nnumber = 2\naddress = 2\n"
                     "attempts = 5\nreply_wait = 2000 мс\noutput_time = 2000 мс\nmode = 3\n"
                     "mode_name = 12 дискретных выходов\n"),
            std::string::npos)
      << ded;
  EXPECT_NE(ded.find("/Выходы]\nclass = TParamsTS\ncode = 211\nversion = 1\nrole = selection\n"
                     "count = 1\nsignal1 = 3_Порт.1_RIV-24.Пр2\n"),
            std::string::npos)
      << ded;

  ASSERT_EQ(Run({"show", Path("modules.cfg"), "3_Порт DORO/1_RIV-24", "--json"}), 0);
  EXPECT_NE(out.str().find("{\"name\":\"check_period\",\"value\":5,\"key\":31,\"unit\":\"мин\"}"),
            std::string::npos)
      << out.str();
}

TEST_F(ModulesCliTest, ResaveIsByteIdentical) {
  ASSERT_EQ(Run({"resave", Path("modules.cfg"), Path("again.cfg")}), 0) << err.str();
  EXPECT_EQ(err.str(), "");
  // The record stream is the same; the header names the new file and the build moment.
  const std::vector<std::uint8_t> again = test::ReadAll(Path("again.cfg"));
  ASSERT_EQ(again.size(), bytes.size());
  EXPECT_EQ(test::Slice(again, 144, again.size() - 146),
            test::Slice(bytes, 144, bytes.size() - 146));
}

}  // namespace
}  // namespace vilk
