// vilkcfg table and show on IEC-103 devices: the address tables to and from the table
// editor's text, with empty cells, bad cells and the 255-entry cap.
#include <gtest/gtest.h>

#include <sstream>

#include "../core/file_faults.h"
#include "../core/test_items.h"
#include "base/text.h"
#include "cli.h"
#include "ports/fieldbus/iec103.h"
#include "ports/fieldbus/templates.h"

namespace vilk {
namespace {

class TableCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // An empty home: no template library names the signals.
    ::setenv("VILK_HOME", dir.Path().c_str(), 1);
    SetTemplateHome("");
    Iec103Templates().Reset();
    RecordingMessages messages;
    Configuration config(messages);
    auto* port = static_cast<TPort103*>(
        config.Append(config.Controller().Proc(), MakePort(config, kPort103)));
    port->Renumber(2);
    test::LinkToBoard(port, 33);
    TRTU103* d = port->AddDevice(4, "");
    d->Place = "Ячейка 5";
    d->TS = {{160, 16}, {160, 17}};
    d->TI = {{128, 148, 3}};
    d->Fresh = false;
    d->UpdateSignalList();
    const std::vector<std::uint8_t> bytes = test::Build(config);
    ASSERT_FALSE(bytes.empty());
    test::WriteAll(Path("in.cfg"), bytes);
  }
  void TearDown() override {
    ::unsetenv("VILK_HOME");
    SetTemplateHome("");
    Iec103Templates().Reset();
  }
  std::string Path(const std::string& name) const { return dir / name; }
  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return cli::Run(args, out, err);
  }
  static std::vector<std::uint8_t> Text(const std::string& utf8) {
    return test::Ascii(Utf8ToCp1251(utf8));
  }

  test::ScratchFolder dir;
  std::ostringstream out, err;
  const std::string device = "2_Порт МЭК 870-5-103/4_RTU_103";
};

TEST_F(TableCliTest, ShowPrintsEveryFieldAndEveryEntry) {
  ASSERT_EQ(Run({"show", Path("in.cfg"), device}), 0) << err.str();
  const std::string show = out.str();
  for (const char* line :
       {"class = TRTU103\n", "code = 208\n", "place = Ячейка 5\n", "number = 4\n", "attempts = 5\n",
        "type = RTU_103\n", "ts_count = 2\n", "ti_count = 1\n", "tu_count = 0\n", "ts1 = 160 16\n",
        "ts2 = 160 17\n", "ti1 = 128 148 3\n"})
    EXPECT_NE(show.find(line), std::string::npos) << line << show;
  EXPECT_EQ(show.find("tu1 ="), std::string::npos);
  EXPECT_NE(show.find("signal1 = 2_Порт.4_RTU_103.Ячейка 5 Func160_Inf16"), std::string::npos)
      << show;
  ASSERT_EQ(Run({"show", Path("in.cfg"), "2_Порт МЭК 870-5-103"}), 0) << err.str();
  for (const char* line :
       {"class = TPort103\n", "code = 115\n", "reply_wait = 300 мс\n", "time_sync = 0 мин\n",
        "general_poll = 0 мин\n", "device_count = 1\n", "board = COM_0.1 RS485\n"})
    EXPECT_NE(out.str().find(line), std::string::npos) << line << out.str();
  // The port's own section says its number and board once each.
  const std::string port = out.str().substr(0, out.str().find("\n\n"));
  EXPECT_EQ(port.find("number = ", port.find("number = ") + 1), std::string::npos) << port;
  EXPECT_EQ(port.find("board = 33"), std::string::npos) << port;
}

TEST_F(TableCliTest, ExportAndImportRoundTripWithEmptyCells) {
  ASSERT_EQ(Run({"table", Path("in.cfg"), device, "ТС", "--export", Path("ts.txt")}), 0)
      << err.str();
  // The entries, then the empty row the editor shows; every cell ends with a tab.
  EXPECT_EQ(test::ReadAll(Path("ts.txt")), Text("160\t16\t\r\n160\t17\t\r\n\t\t\r\n"));

  // A row with an empty function type keeps the information number in its column.
  test::WriteAll(Path("ti.txt"), Text("128\t148\t1\t\r\n\t7\t2\t\r\n\t\t\t\r\n"));
  ASSERT_EQ(
      Run({"table", Path("in.cfg"), device, "ТИ", "--import", Path("ti.txt"), Path("out.cfg")}), 0)
      << err.str();
  ASSERT_EQ(Run({"show", Path("out.cfg"), device}), 0) << err.str();
  EXPECT_NE(out.str().find("ti1 = 128 148 1\nti2 = 0 7 2\n"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("ts2 = 160 17\n"), std::string::npos);
  ASSERT_EQ(Run({"table", Path("out.cfg"), device, "ti", "--export", Path("back.txt")}), 0);
  // The empty cell was stored as 0.
  EXPECT_EQ(test::ReadAll(Path("back.txt")), Text("128\t148\t1\t\r\n0\t7\t2\t\r\n\t\t\t\r\n"));
}

TEST_F(TableCliTest, BadCellsAndTooManyRowsRefuseTheFile) {
  // A word number of 0 is typed fine but out of 1..32: no one can answer Ignore here.
  test::WriteAll(Path("bad.txt"), Text("1\t2\t0\t\r\n"));
  EXPECT_EQ(
      Run({"table", Path("in.cfg"), device, "ТИ", "--import", Path("bad.txt"), Path("out.cfg")}),
      1);
  EXPECT_NE(err.str().find("Ячейка таблицы (строка 1, колонка 3)"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("Допустимый диапазон значений: 1..32."), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Path("out.cfg")));

  std::string many;
  for (int i = 0; i < 256; ++i) many += "1\t" + std::to_string(i % 256) + "\t\r\n";
  test::WriteAll(Path("many.txt"), Text(many));
  EXPECT_EQ(
      Run({"table", Path("in.cfg"), device, "ТС", "--import", Path("many.txt"), Path("out.cfg")}),
      1);
  EXPECT_NE(err.str().find("В файле 256 строк таблицы, таблица вмещает не более 255."),
            std::string::npos)
      << err.str();
  // 255 rows fit.
  many.resize(many.rfind("1\t"));
  test::WriteAll(Path("many.txt"), Text(many));
  ASSERT_EQ(
      Run({"table", Path("in.cfg"), device, "ТС", "--import", Path("many.txt"), Path("out.cfg")}),
      0)
      << err.str();
  ASSERT_EQ(Run({"show", Path("out.cfg"), device}), 0);
  EXPECT_NE(out.str().find("ts_count = 255\n"), std::string::npos);
  EXPECT_NE(out.str().find("ts255 = 1 254\n"), std::string::npos);

  // Usage errors and a node that is no IEC-103 device.
  EXPECT_EQ(Run({"table", Path("in.cfg"), device, "ТР", "--export", Path("x.txt")}), 2);
  EXPECT_EQ(Run({"table", Path("in.cfg"), device, "ТС", "--import", Path("x.txt")}), 2);
  EXPECT_EQ(Run({"table", Path("in.cfg"), "2_Порт МЭК 870-5-103", "ТС", "--export", Path("x.txt")}),
            1);
  EXPECT_NE(err.str().find("не устройство МЭК 870-5-103"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace vilk
