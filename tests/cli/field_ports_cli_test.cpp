// vilkcfg on the control-panel, clock-source and automation ports: show prints every
// field and selection, resave writes the same record stream.
#include <gtest/gtest.h>

#include <sstream>

#include "../core/file_faults.h"
#include "../core/test_items.h"
#include "cli.h"
#include "controller/proc.h"
#include "model/tree_rules.h"
#include "ports/devices/auto_port.h"
#include "ports/devices/gps.h"
#include "ports/telemechanics/pu.h"

namespace vilk {
namespace {

class FieldPortsCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordingMessages messages;
    Configuration config(messages);
    TController& c = config.Controller();
    // The pool: two inputs of the discrete-input board's model, one measurement nowhere.
    c.TypeCode = 26;
    c.SelectModelRecord();
    c.ApplyModel();
    auto* pu = static_cast<TPortPU*>(AddPort(config, kPortPU));
    pu->Place = "Щит";
    pu->Number = 2;
    pu->UpdateCaption();
    pu->TIIFormat = {8, 0, 0, 36, 23, 36};
    test::LinkToBoard(pu, 33);
    pu->List(kKindTS)->Append(Acquire(config.Storage().List(kKindTS).At(1)));
    auto* gps = static_cast<TPortGPS*>(AddPort(config, kPortGPS));
    gps->Number = 3;
    gps->UpdateCaption();
    gps->ChooseProtocol(TPortGPS::kNMEA);
    gps->TimeZone = 5;
    auto* automation =
        static_cast<TPortAuto*>(config.Append(c.Proc(), MakePort(config, kPortAuto)));
    automation->Number = 4;
    automation->UpdateCaption();
    automation->Enabled = 1;
    automation->TSNames = {"Готов"};
    automation->UpdateSignalList();
    bytes = test::Build(config);
    ASSERT_FALSE(bytes.empty());
    test::WriteAll(Path("ports.cfg"), bytes);
  }
  std::string Path(const std::string& name) const { return dir / name; }
  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return cli::Run(args, out, err);
  }

  test::ScratchFolder dir;
  std::ostringstream out, err;
  std::vector<std::uint8_t> bytes;
};

TEST_F(FieldPortsCliTest, ShowPrintsEveryFieldAndSelection) {
  ASSERT_EQ(Run({"show", Path("ports.cfg"), "2_Порт ПУ"}), 0) << err.str();
  const std::string pu = out.str();
  EXPECT_EQ(pu.substr(0, pu.find("\n\n") + 1),
            "[ВИЛК.A1-X/Процессор/2_Порт ПУ]\nclass = TPortPU\ncode = 101\nversion = 1\n"
            "board = COM_0.1 RS485\nplace = Щит\nnumber = 2\nprotocol = 2\n"
            "summary_ts = 1\nsummary_ti = 2\nsummary_tii = 8\n"
            "ts_format = 8 30 0 1 21 0\nti_format = 8 11 11 0 22 0\n"
            "tii_format = 8 0 0 36 23 36\nlink_address = 1\nasdu_address = 1\noptions = 0\n"
            "base_ts = 8192\nbase_mts = 49152\nbase_tu = 24576\nbase_ti = 16384\n"
            "base_tii = 40960\nbase_tr = 32768\n");
  EXPECT_NE(pu.find("[ВИЛК.A1-X/Процессор/2_Порт ПУ/ТС]\nclass = TParamsTS\ncode = 211\n"
                    "version = 1\nrole = selection\ncount = 1\nsignal1 = ТС2\n"),
            std::string::npos)
      << pu;

  ASSERT_EQ(Run({"show", Path("ports.cfg"), "3_Порт установки времени"}), 0) << err.str();
  EXPECT_EQ(out.str(),
            "[ВИЛК.A1-X/Процессор/3_Порт установки времени]\nclass = TPortGPS\ncode = 120\n"
            "version = 1\nnumber = 3\nudp_port = 10110\n"
            "time_setting_period = 60 мин\nprotocol = 1\nsntp_server = 192.168.1.1\n"
            "time_zone = 5 час\n");

  ASSERT_EQ(Run({"show", Path("ports.cfg"), "4_Порт Автоматики"}), 0) << err.str();
  const std::string automation = out.str();
  EXPECT_EQ(automation.substr(0, automation.find("\n\n") + 1),
            "[ВИЛК.A1-X/Процессор/4_Порт Автоматики]\nclass = TPortAuto\ncode = 117\n"
            "version = 1\nnumber = 4\nenabled = 1\nts_names = 1\ntu_names = 0\n");
  EXPECT_NE(automation.find("signal1 = Готов\n"), std::string::npos) << automation;
}

TEST_F(FieldPortsCliTest, ResaveWritesTheSameRecords) {
  // The automation port comes with the file and saves: nothing to say.
  EXPECT_EQ(Run({"check", Path("ports.cfg")}), 0) << err.str();
  ASSERT_EQ(Run({"resave", Path("ports.cfg"), Path("again.cfg")}), 0) << err.str();
  EXPECT_EQ(err.str(), "");
  const std::vector<std::uint8_t> again = test::ReadAll(Path("again.cfg"));
  ASSERT_EQ(again.size(), bytes.size());
  // The header's moment of building differs; the record stream does not.
  EXPECT_TRUE(
      std::equal(bytes.begin() + kDataOffset, bytes.end() - 2, again.begin() + kDataOffset));
}

}  // namespace
}  // namespace vilk
