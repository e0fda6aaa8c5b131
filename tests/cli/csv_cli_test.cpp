// vilkcfg csv-export / csv-import: a PC's selection list out to a spreadsheet file and back,
// the preview of --dry-run, and a bad row that keeps the output file from being written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "../core/pc_test_support.h"
#include "cli.h"
#include "model/image_ops.h"
#include "model/show.h"
#include "signals/storage.h"

namespace vilk {
namespace {

namespace fs = std::filesystem;

class CsvCliTest : public test::WithRealPC {
 protected:
  void SetUp() override {
    WithRealPC::SetUp();
    dir = fs::path(::testing::TempDir()) /
          (std::string("vilkcfg_csv_") +
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

  // A source of three inputs and a PC that selects the second.
  std::string SaveStation() {
    RecordingMessages messages;
    Configuration config(messages);
    test::SourcePort* src = AddSource(config, {{kKindTS, {"Насос", "Клапан", "Дверь"}}});
    TPC* pc = AddPC(config);
    pc->List(kKindTS)->Append(Acquire(src->Signal(kKindTS, 1)));
    const auto bytes = test::Build(config);
    EXPECT_FALSE(bytes.empty());
    const std::string path = Path("station.cfg");
    test::WriteText(path, std::string(bytes.begin(), bytes.end()));
    return path;
  }

  // The names of the PC's discrete-input selection in a saved file.
  std::vector<std::string> Selection(const std::string& file) {
    RecordingMessages messages;
    Configuration config(messages);
    auto image = std::make_unique<ConfigImage>();
    EXPECT_TRUE(OpenConfigFile(config, *image, file)) << file;
    const auto* list =
        dynamic_cast<const TParams*>(FindByCaptionPath(config.Controller(), "1_Порт ПЭВМ/ТС"));
    std::vector<std::string> names;
    if (list)
      for (const TParam* s : list->Items) names.push_back(s ? s->Name() : "<null>");
    return names;
  }

  fs::path dir;
  std::ostringstream out, err;
};

TEST_F(CsvCliTest, ExportsAndImportsASelectionList) {
  const std::string cfg = SaveStation();
  ASSERT_EQ(Run({"csv-export", cfg, "1_Порт ПЭВМ/ТС", Path("ts.csv")}), 0) << err.str();
  EXPECT_EQ(test::ReadText(Path("ts.csv")),
            "\xEF\xBB\xBF№;Адрес;Вид;Имя параметра\r\n0;8192;ТС;Клапан\r\n");

  test::WriteText(Path("in.csv"), "№;Имя параметра\r\n0;Дверь\r\n1;Насос\r\n");
  ASSERT_EQ(Run({"csv-import", "--dry-run", cfg, "1_Порт ПЭВМ/ТС", Path("in.csv")}), 0)
      << err.str();
  EXPECT_EQ(out.str(),
            "Строка 2 (№ 0): изменяется: Дверь\nСтрока 3 (№ 1): изменяется: Насос\n"
            "Изменяется строк: 2, без изменений: 0, с ошибками: 0.\n");

  ASSERT_EQ(Run({"csv-import", cfg, "1_Порт ПЭВМ/ТС", Path("in.csv"), Path("out.cfg")}), 0)
      << err.str();
  EXPECT_EQ(Selection(Path("out.cfg")), (std::vector<std::string>{"Дверь", "Насос"}));
  EXPECT_EQ(Selection(cfg), (std::vector<std::string>{"Клапан"})) << "the input file stays";
}

TEST_F(CsvCliTest, ABadRowKeepsTheOutputUnwrittenUnlessSkipped) {
  const std::string cfg = SaveStation();
  test::WriteText(Path("in.csv"), "№;Имя параметра\r\n0;Дверь\r\n1;Нет такого\r\n");

  EXPECT_EQ(Run({"csv-import", "--dry-run", cfg, "1_Порт ПЭВМ/ТС", Path("in.csv")}), 1);
  EXPECT_NE(out.str().find("Строка 3 (№ 1): ошибка: неизвестное имя «Нет такого»"),
            std::string::npos)
      << out.str();

  EXPECT_EQ(Run({"csv-import", cfg, "1_Порт ПЭВМ/ТС", Path("in.csv"), Path("out.cfg")}), 1);
  EXPECT_NE(err.str().find("Строка 3 (№ 1): ошибка: неизвестное имя «Нет такого»"),
            std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find("ничего не изменено"), std::string::npos) << err.str();
  EXPECT_FALSE(fs::exists(Path("out.cfg")));

  EXPECT_EQ(
      Run({"csv-import", "--skip-errors", cfg, "1_Порт ПЭВМ/ТС", Path("in.csv"), Path("out.cfg")}),
      0)
      << err.str();
  EXPECT_EQ(Selection(Path("out.cfg")), (std::vector<std::string>{"Дверь"}));

  // Paths that name no list, and files that are no CSV.
  EXPECT_EQ(Run({"csv-export", cfg, "1_Порт ПЭВМ", Path("x.csv")}), 1);
  EXPECT_NE(err.str().find("не список сигналов"), std::string::npos) << err.str();
  EXPECT_EQ(Run({"csv-export", cfg, "Нет/ТС", Path("x.csv")}), 1);
  test::WriteText(Path("open.csv"), "№;Имя параметра\r\n0;\"Дверь\r\n");
  EXPECT_EQ(Run({"csv-import", cfg, "1_Порт ПЭВМ/ТС", Path("open.csv"), Path("o.cfg")}), 1);
  EXPECT_NE(err.str().find("кавычка не закрыта"), std::string::npos) << err.str();
  EXPECT_EQ(Run({"csv-import", cfg, "1_Порт ПЭВМ/ТС", Path("missing.csv"), Path("o.cfg")}), 1);
  EXPECT_EQ(Run({"csv-import", cfg, "1_Порт ПЭВМ/ТС", Path("in.csv")}), 2) << "no output file";
}

}  // namespace
}  // namespace vilk
