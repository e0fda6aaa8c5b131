// Damaged images (tests/data/damaged): each is refused, or loaded with what it lacks left
// empty, and each time the message says what is wrong and nothing is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "../core/file_faults.h"
#include "cli.h"

namespace vilk {
namespace {

const std::string kSamples = std::string(VILK_TEST_DATA) + "/damaged/";

class DamagedCliTest : public ::testing::Test {
 protected:
  int Run(const std::vector<std::string>& args) {
    out.str("");
    err.str("");
    return cli::Run(args, out, err);
  }
  test::ScratchFolder dir;
  std::ostringstream out, err;
};

TEST_F(DamagedCliTest, RefusedImagesSayWhatIsWrongAndWriteNothing) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"data_offset_past_blocks.cfg",
       "Файл конфигурации повреждён: нет блока процессорной платы.\n"},
      {"selection_count_ffff.cfg",
       "Файл конфигурации повреждён: список ТС хранит 9 записей из 65535.\n"},
  };
  for (const auto& [file, message] : cases) {
    SCOPED_TRACE(file);
    EXPECT_EQ(Run({"check", kSamples + file}), 1);
    EXPECT_EQ(err.str(), message);
    EXPECT_EQ(Run({"resave", kSamples + file, dir / "out.cfg"}), 1);
    EXPECT_EQ(err.str(), message);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.cfg"));
    EXPECT_EQ(Run({"tree", kSamples + file}), 1);
    EXPECT_EQ(out.str(), "");
  }
}

// A selection naming a pool position that does not exist loads with that entry empty and
// one message naming the list; check reports it.
TEST_F(DamagedCliTest, ASelectionOutsideThePoolLoadsEmptyWithAMessage) {
  const std::string file = kSamples + "selection_outside_pool.cfg";
  const std::string message =
      "Список ВИЛК.A1-X/Процессор/0_Порт_IP/1_Порт ПЭВМ/ТС: ссылок вне списка сигналов: 1, они "
      "пусты.\n";
  EXPECT_EQ(Run({"check", file}), 1);
  EXPECT_EQ(err.str(), message);
  ASSERT_EQ(Run({"show", file, "1_Порт ПЭВМ/ТС"}), 0);
  EXPECT_EQ(err.str(), message);
  EXPECT_NE(out.str().find("count = 9\nsignal1 = Q1 включен\nsignal2 = \n"), std::string::npos)
      << out.str();
}

}  // namespace
}  // namespace vilk
