// vilkcfg ladder, ladder --layout and ladder-sim on a file with a discrete-logic program;
// show prints the program; resave writes the same image.
#include <gtest/gtest.h>

#include <sstream>

#include "../core/file_faults.h"
#include "../core/test_items.h"
#include "cli.h"
#include "ports/logic/port_ld.h"
#include "ports/modules/modules.h"
#include "ports/modules/port_doro.h"

namespace vilk {
namespace {

class LadderCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordingMessages messages;
    Configuration config(messages);
    TItem* proc = config.Controller().Proc();
    auto* doro = static_cast<TPortDoro*>(config.Append(proc, MakePort(config, kPortDoro)));
    doro->Renumber(3);
    auto* riv = static_cast<TMDS24*>(doro->AddChild(kModuleRIV24));
    const char* names[] = {"Пуск", "Стоп", "Ключ"};
    for (int i = 0; i < 3; ++i) riv->Inputs()->At(i)->SetName(names[i]);
    config.Storage().ForceRebuild();
    port = static_cast<TPortLD*>(config.Append(proc, MakePort(config, kPortLD)));
    port->Number = 2;
    port->UpdateCaption();
    // Мотор = [Пуск | Мотор] /Стоп; Сигнал = Мотор Ключ
    port->AddTask();
    port->AddTask();
    port->RenameOutput(0, "Мотор");
    port->RenameOutput(1, "Сигнал");
    port->SetSignal(*port->AddContact(0, 0), riv->Inputs()->At(0));
    TLD* stop = port->AddContact(1, 0);
    port->SetSignal(*stop, riv->Inputs()->At(1));
    stop->Inverse = true;
    port->Select(port->ElementAt(0, 0), false);
    port->SelectRange(0, 0);
    port->SetSignal(*port->BridgeSelection(), port->OutputSignal(0));
    port->SetSignal(*port->AddContact(0, 2), port->OutputSignal(0));
    port->SetSignal(*port->AddContact(1, 2), riv->Inputs()->At(2));
    bytes = test::Build(config);
    ASSERT_FALSE(bytes.empty()) << (messages.Errors.empty() ? "" : messages.Errors.back());
    test::WriteAll(Path("logic.cfg"), bytes);

    RecordingMessages plainMessages;
    Configuration plain(plainMessages);
    test::WriteAll(Path("plain.cfg"), test::Build(plain));
  }

  std::string Path(const std::string& name) const { return dir / name; }
  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return cli::Run(args, out, err);
  }

  test::ScratchFolder dir;
  TPortLD* port = nullptr;
  std::vector<std::uint8_t> bytes;
  std::ostringstream out, err;
};

TEST_F(LadderCliTest, TheProgramAsTextAndItsLayout) {
  ASSERT_EQ(Run({"ladder", Path("logic.cfg")}), 0) << err.str();
  EXPECT_EQ(out.str(),
            "2_Порт.Мотор\n  [Пуск | 2_Порт.Мотор] /Стоп\n\n2_Порт.Сигнал\n  2_Порт.Мотор Ключ\n");
  EXPECT_EQ(err.str(), "");
  ASSERT_EQ(Run({"ladder", "--layout", Path("logic.cfg")}), 0) << err.str();
  EXPECT_EQ(out.str(),
            "grid 10x3\n"
            "task 1 rows 0..1\n"
            "  output 9 0 2_Порт.Мотор\n"
            "  line 0 0 9x2\n"
            "    group 0 0 1x2\n"
            "      branch 0 0 1x1\n"
            "        contact 0 0 Пуск\n"
            "      branch 0 1 1x1\n"
            "        contact 0 1 2_Порт.Мотор\n"
            "    contact 1 0 /Стоп\n"
            "task 2 rows 2..2\n"
            "  output 9 2 2_Порт.Сигнал\n"
            "  line 0 2 9x1\n"
            "    contact 0 2 2_Порт.Мотор\n"
            "    contact 1 2 Ключ\n");

  ASSERT_EQ(Run({"show", Path("logic.cfg"), "2_Порт дискретной логики"}), 0) << err.str();
  EXPECT_NE(out.str().find("task_count = 2\n"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("task1 = 2_Порт.Мотор = [Пуск | 2_Порт.Мотор] /Стоп\n"),
            std::string::npos)
      << out.str();

  ASSERT_EQ(Run({"resave", Path("logic.cfg"), Path("again.cfg")}), 0) << err.str();
  ASSERT_EQ(Run({"ladder", Path("again.cfg")}), 0);
  EXPECT_EQ(out.str(),
            "2_Порт.Мотор\n  [Пуск | 2_Порт.Мотор] /Стоп\n\n2_Порт.Сигнал\n  2_Порт.Мотор Ключ\n");
  ASSERT_EQ(Run({"records", Path("again.cfg")}), 0);
  const std::string again = out.str();
  ASSERT_EQ(Run({"records", Path("logic.cfg")}), 0);
  // The build time and file name rows differ; the record stream does not.
  EXPECT_EQ(again.substr(again.find("@144")), out.str().substr(out.str().find("@144")));
}

TEST_F(LadderCliTest, ScansFromGivenInputs) {
  ASSERT_EQ(Run({"ladder-sim", Path("logic.cfg")}), 0) << err.str();
  EXPECT_EQ(out.str(), "2_Порт.Мотор = 0\n2_Порт.Сигнал = 0\n");
  // One scan: the later task sees the motor's output at once.
  ASSERT_EQ(Run({"ladder-sim", Path("logic.cfg"), "Пуск=1", "Ключ=1"}), 0) << err.str();
  EXPECT_EQ(out.str(), "2_Порт.Мотор = 1\n2_Порт.Сигнал = 1\n");
  ASSERT_EQ(Run({"ladder-sim", Path("logic.cfg"), "Пуск=1", "Стоп=1", "Ключ=1"}), 0);
  EXPECT_EQ(out.str(), "2_Порт.Мотор = 0\n2_Порт.Сигнал = 0\n");
  ASSERT_EQ(Run({"ladder-sim", "--scans", "3", Path("logic.cfg"), "Пуск=1", "Ключ=0"}), 0);
  EXPECT_EQ(out.str(), "2_Порт.Мотор = 1\n2_Порт.Сигнал = 0\n");
}

TEST_F(LadderCliTest, RefusalsSayWhy) {
  EXPECT_EQ(Run({"ladder", Path("plain.cfg")}), 1);
  EXPECT_EQ(err.str(), "В конфигурации нет порта дискретной логики\n");
  EXPECT_EQ(Run({"ladder-sim", Path("plain.cfg"), "Пуск=1"}), 1);
  EXPECT_EQ(Run({"ladder-sim", Path("logic.cfg"), "Нет=1"}), 1);
  EXPECT_EQ(err.str(), "Нет сигнала ТС Нет\n");
  EXPECT_EQ(Run({"ladder-sim", Path("logic.cfg"), "2_Порт.Мотор=1"}), 1);
  EXPECT_EQ(err.str(), "Сигнал 2_Порт.Мотор — выход программы; выходы начинают с 0\n");
  EXPECT_EQ(Run({"ladder-sim", Path("logic.cfg"), "Пуск=2"}), 2);
  EXPECT_NE(err.str().find("NAME=0 or NAME=1, not Пуск=2"), std::string::npos);
  EXPECT_EQ(Run({"ladder-sim", Path("logic.cfg"), "Пуск=1", "Пуск=0"}), 2);
  EXPECT_EQ(Run({"ladder-sim", "--scans", "0", Path("logic.cfg")}), 2);
  EXPECT_EQ(Run({"ladder-sim", "--scans", "99999999999", Path("logic.cfg")}), 2);
  EXPECT_EQ(Run({"ladder", "--scans", "2", Path("logic.cfg")}), 2);
  EXPECT_EQ(Run({"ladder", Path("logic.cfg"), "extra"}), 2);
  EXPECT_EQ(Run({"ladder"}), 2);
  EXPECT_EQ(Run({"ladder", Path("missing.cfg")}), 1);
}

}  // namespace
}  // namespace vilk
